#include "payroll/payroll_calc.h"
#include "payroll/money.h"
#include <cmath>
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
    // A total is exact whatever the order of its terms: the order written
    // no longer decides how a half rounds.
    auto total = [](const auto& items) -> std::optional<int32_t> {
        Money sum;
        for (const Item& i : items) {
            const auto m = Money::fromReal(*i.v);
            const auto s = m ? sum.plus(*m) : std::nullopt;
            if (!s) return std::nullopt;
            sum = *s;
        }
        return sum.wholeYuan();
    };
    Totals t;
    const auto g = total(paid);
    if (!g) return fail(QStringLiteral("应发工资超出范围"));
    const auto d = total(deducted);
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
