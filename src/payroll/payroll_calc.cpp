#include "payroll/payroll_calc.h"
#include <cmath>
#include <iterator>
#include <limits>

namespace payroll {

Num add(Num a, Num b)
{
    if (!a || !b) return std::nullopt;
    return *a + *b;
}

Num mul(Num a, Num b)
{
    if (!a || !b) return std::nullopt;
    return *a * *b;
}

Num divide(Num a, Num b)
{
    if (!a || !b) return std::nullopt;
    if (*b == 0) throw CalcError(QStringLiteral("除数为零"));
    return *a / *b;
}

bool less(Num a, Num b)
{
    if (!b) return false;   // nothing is below a missing value
    if (!a) return true;    // missing is below any present value
    return *a < *b;
}

Num overtimePay(Num basic, const AttendanceRule& r, Num overtimeHours)
{
    // Strictly left to right: the order decides the last bits of the result.
    return mul(mul(divide(divide(basic, r.avgWorkDays), 8.0), r.factor), overtimeHours);
}

Num absenceDeduction(Num basic, const AttendanceRule& r, Num daysAbsent)
{
    return mul(mul(divide(basic, r.avgWorkDays), r.factor), daysAbsent);
}

Num fullAttendanceBonus(const Assessment& a, const AttendanceRule& r, Num templateBonus)
{
    if (less(a.daysPresent, r.daysPresent)) return 0.0;
    if (greaterEq(add(a.lateCount, a.earlyCount), r.lateEarlyLimit)) return 0.0;
    return templateBonus;
}

static Num finite(Num v, const char* what)
{
    if (v && !std::isfinite(*v))
        throw CalcError(QStringLiteral("%1超出范围").arg(QString::fromUtf8(what)));
    return v;
}

Amounts computeAmounts(const Assessment& a, const SalaryTemplate& t, const AttendanceRule& r, Num taxRate)
{
    Amounts m;
    m.overtimePay = finite(greater(a.overtimeHours, 0.0) ? overtimePay(t.basic, r, a.overtimeHours) : Num(0.0), "加班费");
    m.bonus = finite(fullAttendanceBonus(a, r, t.bonus), "全勤奖");
    m.absenceDeduction = finite(greater(a.daysAbsent, 0.0) ? absenceDeduction(t.basic, r, a.daysAbsent) : Num(0.0), "旷工费");
    m.pension = finite(mul(t.basic, t.pensionRate), "养老保险");
    m.unemployment = finite(mul(t.basic, t.unemploymentRate), "失业保险");
    m.medical = finite(mul(t.basic, t.medicalRate), "医疗保险");
    m.tax = finite(mul(t.basic, taxRate), "扣税");
    return m;
}

std::optional<int32_t> wholeAmount(double sum, double magnitude)
{
    if (!std::isfinite(sum)) return std::nullopt;
    // rint rounds an exact half to the even neighbour in the default mode.
    double w = std::rint(sum);
    // Amounts in cents are not exact in binary, nor is their sum: a half
    // that lands a few units off would go up or down by chance.
    const double f = std::floor(sum);
    if (std::fabs(sum - (f + 0.5)) <= 32 * std::numeric_limits<double>::epsilon() * magnitude)
        w = std::fmod(f, 2) == 0 ? f : f + 1;
    if (w < std::numeric_limits<int32_t>::min() || w > std::numeric_limits<int32_t>::max()) return std::nullopt;
    return static_cast<int32_t>(w);
}

std::optional<Totals> settleRow(const SalaryRow& row, QString* why)
{
    auto fail = [why](const QString& reason) -> std::optional<Totals> {
        if (why) *why = reason;
        return std::nullopt;
    };
    struct Item { const char* title; Num v; };
    const Item paid[] = {{"基本工资", row.jbgz}, {"加班费", row.jbf}, {"全勤奖", row.qqj},
                         {"职务津贴", row.zwjt}, {"其它金额", row.qtje}};
    const Item deducted[] = {{"旷工费", row.kgf}, {"养老保险", row.ylbx}, {"医疗保险", row.ylx},
                             {"失业保险", row.sybx}, {"其它扣额", row.qtke}, {"扣税", row.ks}};
    for (const Item& i : paid)
        if (!i.v) return fail(QStringLiteral("%1为空").arg(QString::fromUtf8(i.title)));
    for (const Item& i : deducted)
        if (!i.v) return fail(QStringLiteral("%1为空").arg(QString::fromUtf8(i.title)));
    // Left to right, in the order written.
    double gross = 0, grossSize = 0, deductions = 0, deductionsSize = 0;
    for (const Item& i : paid) {
        gross += *i.v;
        grossSize += std::fabs(*i.v);
    }
    for (const Item& i : deducted) {
        deductions += *i.v;
        deductionsSize += std::fabs(*i.v);
    }
    Totals t;
    const auto g = wholeAmount(gross, grossSize);
    if (!g) return fail(QStringLiteral("应发工资超出范围"));
    const auto d = wholeAmount(deductions, deductionsSize);
    if (!d) return fail(QStringLiteral("应扣工资超出范围"));
    const int64_t net = int64_t(*g) - int64_t(*d);
    if (net < std::numeric_limits<int32_t>::min() || net > std::numeric_limits<int32_t>::max())
        return fail(QStringLiteral("实发工资超出范围"));
    t.gross = *g;
    t.deductions = *d;
    t.net = static_cast<int32_t>(net);
    return t;
}

std::optional<QString> levelFor(double x, const std::vector<Bracket>& brackets)
{
    std::optional<QString> level;
    for (const Bracket& b : brackets) {
        if (!b.lower || !b.upper) continue;
        if (*b.lower <= x && x < *b.upper) level = b.level;   // the last match wins
    }
    return level;
}

}
