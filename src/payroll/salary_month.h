#pragma once
#include <QString>
#include <functional>

namespace db { class Connection; }

// A month's salary rows: generation and settlement as the monthly payroll
// dialog runs them, each in one transaction on queries of its own. Kept apart
// from the dialog so that a run can be timed and checked without a window.
namespace payroll {

enum class GenerateStatus {
    NoMonth,            // the month text is empty
    AlreadyGenerated,   // the (trimmed) month already has salary rows
    BadOtherAmounts,    // the other amount or deduction is no number: nothing generated
    Generated
};

struct GenerateResult {
    GenerateStatus status = GenerateStatus::Generated;
    int inserted = 0;
    int failed = 0;
};

// Generates the month's rows, one for each assessment record of the month,
// all in one transaction. month is the month box's text as typed; the other
// three are the texts of the other-amount boxes, the same for every row: the
// two amounts are read once with the strict number parser, and the remark is
// written trimmed. An employee whose row cannot be made is rolled back to its
// own savepoint and skipped, its number and cause logged; the others are
// committed together, and then each skipped employee is reported through
// onFailure. An error outside an employee's own step leaves the month absent
// and reports nothing through onFailure.
GenerateResult generateMonth(db::Connection& conn, const QString& month, const QString& otherAmount,
                             const QString& otherDeduction, const QString& remark,
                             const std::function<void(const QString& cause)>& onFailure);

enum class SettleStatus {
    AlreadySettled,     // the month's first row holds a gross pay
    Refused,            // some row cannot be settled; nothing written
    Settled
};

struct SettleResult {
    SettleStatus status = SettleStatus::Settled;
    int written = 0;
    int row = -1;          // 0-based row, in stored order, that cannot be settled
    QString employee;      // its ygbh
    QString reason;
};

// Settles the month (already trimmed) in one transaction, so that the
// settled test, the check of every row and the writes see the same rows,
// whatever another copy of the program does meanwhile: a month settled by
// someone else first is AlreadySettled. Writes nothing unless every row can
// be settled.
SettleResult settleMonth(db::Connection& conn, const QString& month);

// The message naming the row that cannot be settled and why.
QString refusalText(const SettleResult& r);

}
