#pragma once
#include <QString>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <vector>

// The payroll arithmetic, free of dialogs and queries so that every rule can
// be checked on its own. An amount read from the database may be missing
// (Null); Num carries that through the sums as the database would.
namespace payroll {

using Num = std::optional<double>;

// A step of the arithmetic that cannot give a usable amount (a division by
// zero, an overflow to infinity). The employee's row is then not written.
class CalcError : public std::runtime_error {
public:
    explicit CalcError(const QString& message)
        : std::runtime_error(message.toStdString()), msg_(message) {}
    const QString& message() const { return msg_; }
private:
    QString msg_;
};

// A missing operand makes the result missing. divide throws CalcError for a
// present zero divisor with a present dividend.
Num add(Num a, Num b);
Num mul(Num a, Num b);
Num divide(Num a, Num b);

// Ordering with missing values: missing is below every present value and
// equal to another missing value.
bool less(Num a, Num b);
inline bool greater(Num a, Num b) { return less(b, a); }
inline bool greaterEq(Num a, Num b) { return !less(a, b); }

// One month's attendance-and-assessment record.
struct Assessment {
    Num daysPresent;   // 出勤天数
    Num lateCount;     // 迟到次数
    Num earlyCount;    // 早退次数
    Num daysAbsent;    // 旷工天数
    Num overtimeHours; // 加班时数
};

// The employee's salary template; all missing when the employee has none.
struct SalaryTemplate {
    Num basic;         // 基本工资
    Num bonus;         // 全勤奖
    Num allowance;     // 职务津贴
    Num pensionRate;   // 养老保险
    Num unemploymentRate; // 失业保险
    Num medicalRate;   // 医疗保险
};

// The attendance rule; all missing when no rule row exists.
struct AttendanceRule {
    Num daysPresent;     // 出勤天数
    Num lateEarlyLimit;  // 迟到早退次数
    Num avgWorkDays;     // 月平均工作天数
    Num factor;          // 几倍
};

// The computed amounts of one salary row, exactly as they are stored.
struct Amounts {
    Num overtimePay;   // jbf
    Num bonus;         // qqj
    Num absenceDeduction; // kgf
    Num pension;       // ylbx
    Num unemployment;  // sybx
    Num medical;       // ylx
    Num tax;           // ks
};

Num overtimePay(Num basic, const AttendanceRule& r, Num overtimeHours);
Num absenceDeduction(Num basic, const AttendanceRule& r, Num daysAbsent);
// The template's bonus when earned, else 0.
Num fullAttendanceBonus(const Assessment& a, const AttendanceRule& r, Num templateBonus);

// Every computed amount of a salary row. taxRate is the bracket's rate,
// missing when the template names no bracket. Throws CalcError when an
// amount would be infinite or not a number.
Amounts computeAmounts(const Assessment& a, const SalaryTemplate& t, const AttendanceRule& r, Num taxRate);

// The eleven summed amounts of a salary row.
struct SalaryRow {
    Num jbgz, jbf, qqj, zwjt, qtje;        // paid
    Num kgf, ylbx, ylx, sybx, qtke, ks;    // deducted
};

struct Totals {
    int32_t gross = 0;       // yfgz
    int32_t deductions = 0;  // ykgz
    int32_t net = 0;         // sfgz
};

// The three totals of a row, or nothing with *why saying what stops it
// (a missing amount by its grid title, or a total out of range). The sums
// are exact in Money: each amount to the nearest ten-thousandth of a yuan,
// each sum to the nearest whole yuan, an exact half to the even neighbour.
std::optional<Totals> settleRow(const SalaryRow& row, QString* why = nullptr);

// An income-tax bracket: amounts from lower up to (not including) upper.
struct Bracket {
    Num lower;
    Num upper;
    QString level;
};

// The level of the last bracket that holds x; a bracket with a missing bound
// holds nothing. Missing when no bracket holds x.
std::optional<QString> levelFor(double x, const std::vector<Bracket>& brackets);

}
