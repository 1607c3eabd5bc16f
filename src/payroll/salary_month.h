#pragma once
#include <QString>
#include <functional>

namespace db { class Value; }

// A month's salary rows: generation and settlement as the monthly payroll
// dialog runs them, on the shared queries of Data1. Kept apart from the
// dialog so that a run can be timed and checked without a window.
namespace payroll {

enum class GenerateStatus {
    NoMonth,            // the month text is empty
    AlreadyGenerated,   // the (trimmed) month already has salary rows
    Generated
};

struct GenerateResult {
    GenerateStatus status = GenerateStatus::Generated;
    int inserted = 0;
    int failed = 0;
};

// Generates the month's rows, one for each assessment record of the month,
// all in one transaction. month is the month box's text as typed; the other
// three are the texts of the other-amount boxes, written into every row
// trimmed. An employee whose row cannot be made is rolled back to its own
// savepoint, reported through onFailure and skipped; the others are committed
// together. An error outside an employee's own step leaves the month absent.
GenerateResult generateMonth(const QString& month, const QString& otherAmount,
                             const QString& otherDeduction, const QString& remark,
                             const std::function<void()>& onFailure);

enum class SettleStatus {
    AlreadySettled,     // the month's first row holds a gross pay
    Refused,            // some row cannot be settled; nothing written
    Settled
};

struct SettleResult {
    SettleStatus status = SettleStatus::Settled;
    int written = 0;
    int row = -1;          // 0-based row of ADOQYgzb that cannot be settled
    QString employee;      // its ygbh
    QString reason;
};

// Settles the month (already trimmed): checks every row first, then writes
// all totals in one transaction. Leaves ADOQYgzb open on the month's rows,
// on the refused row when there is one.
SettleResult settleMonth(const QString& month);

// The message naming the row that cannot be settled and why.
QString refusalText(const SettleResult& r);

}
