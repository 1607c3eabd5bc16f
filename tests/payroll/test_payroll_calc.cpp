#include "payroll/payroll_calc.h"
#include <gtest/gtest.h>
#include <limits>

using namespace payroll;

namespace {
const Num none = std::nullopt;
AttendanceRule rule(Num days, Num limit, Num avg, Num factor) { return {days, limit, avg, factor}; }
}

TEST(PayrollNulls, MissingOperandMakesResultMissing)
{
    EXPECT_EQ(add(1.0, none), none);
    EXPECT_EQ(add(none, 1.0), none);
    EXPECT_EQ(mul(none, 0.0), none);
    EXPECT_EQ(divide(none, 2.0), none);
    EXPECT_EQ(divide(2.0, none), none);
    // A missing dividend stays missing even over a zero divisor.
    EXPECT_EQ(divide(none, 0.0), none);
    EXPECT_THROW(divide(2.0, 0.0), CalcError);
    EXPECT_THROW(divide(0.0, 0.0), CalcError);
}

TEST(PayrollNulls, MissingIsBelowEveryValueAndEqualToMissing)
{
    EXPECT_TRUE(less(none, -1e300));
    EXPECT_FALSE(less(-1e300, none));
    EXPECT_FALSE(less(none, none));
    EXPECT_TRUE(greaterEq(none, none));
    EXPECT_FALSE(greater(none, 0.0));
    EXPECT_TRUE(greater(0.5, 0.0));
    EXPECT_FALSE(greater(0.0, 0.0));
}

TEST(PayrollAmounts, LeftToRightWithoutRounding)
{
    const AttendanceRule r = rule(22.0, 3.0, 21.75, 2.0);
    const double b = 2000.0, hours = 0.5, days = 3.0;
    const double wantOvertime = (((b / 21.75) / 8) * 2.0) * hours;
    const double wantAbsence = ((b / 21.75) * 2.0) * days;
    EXPECT_EQ(overtimePay(b, r, hours), wantOvertime);
    EXPECT_EQ(absenceDeduction(b, r, days), wantAbsence);
    // The order matters in the last bits: a product first gives another double here.
    EXPECT_NE(*overtimePay(b, r, 3.0), b * 2.0 * 3.0 / 21.75 / 8);
}

TEST(PayrollAmounts, NoOvertimeOrAbsenceGivesZeroEvenWithoutDivisor)
{
    const Assessment a{22.0, 0.0, 0.0, 0.0, none};
    const Amounts m = computeAmounts(a, {2000.0, 0.0, 0.0, 0.0, 0.0, 0.0}, rule(22.0, 3.0, 0.0, 2.0), 0.0);
    EXPECT_EQ(m.overtimePay, 0.0);
    EXPECT_EQ(m.absenceDeduction, 0.0);
}

TEST(PayrollAmounts, ZeroDivisorFailsOnlyWhereItIsUsed)
{
    const SalaryTemplate t{2000.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    EXPECT_THROW(computeAmounts({22.0, 0.0, 0.0, 0.0, 1.0}, t, rule(22.0, 3.0, 0.0, 2.0), 0.0), CalcError);
    EXPECT_THROW(computeAmounts({22.0, 0.0, 0.0, 1.0, 0.0}, t, rule(22.0, 3.0, 0.0, 2.0), 0.0), CalcError);
    // Without a template there is no dividend, so nothing to fail: the amount is missing.
    const Amounts m = computeAmounts({22.0, 0.0, 0.0, 1.0, 1.0}, {}, rule(22.0, 3.0, 0.0, 2.0), none);
    EXPECT_EQ(m.overtimePay, none);
    EXPECT_EQ(m.absenceDeduction, none);
}

TEST(PayrollAmounts, OverflowIsNoAmount)
{
    const SalaryTemplate t{1e308, 0.0, 0.0, 10.0, 0.0, 0.0};
    EXPECT_THROW(computeAmounts({22.0, 0.0, 0.0, 0.0, 0.0}, t, rule(22.0, 3.0, 20.0, 2.0), 0.0), CalcError);
}

TEST(PayrollBonus, Boundaries)
{
    const AttendanceRule r = rule(22.0, 3.0, 20.0, 2.0);
    auto bonus = [&](Num days, Num late, Num early) { return fullAttendanceBonus({days, late, early, 0.0, 0.0}, r, 200.0); };
    EXPECT_EQ(bonus(22.0, 0.0, 0.0), 200.0);    // equal days earn it
    EXPECT_EQ(bonus(21.5, 0.0, 0.0), 0.0);
    EXPECT_EQ(bonus(22.0, 1.0, 1.0), 200.0);    // two late or early still earn it
    EXPECT_EQ(bonus(22.0, 2.0, 1.0), 0.0);      // equal to the limit loses it
    EXPECT_EQ(bonus(none, 0.0, 0.0), 0.0);      // missing days lose it
    EXPECT_EQ(bonus(22.0, none, 5.0), 200.0);   // a missing count makes the sum count as below the limit
    // A missing template bonus stays missing when earned.
    EXPECT_EQ(fullAttendanceBonus({22.0, 0.0, 0.0, 0.0, 0.0}, r, none), none);
}

TEST(PayrollSettle, HalfToEven)
{
    EXPECT_EQ(wholeAmount(2.5), 2);
    EXPECT_EQ(wholeAmount(3.5), 4);
    EXPECT_EQ(wholeAmount(-2.5), -2);
    EXPECT_EQ(wholeAmount(2500.5), 2500);
    EXPECT_EQ(wholeAmount(2501.5), 2502);
    EXPECT_EQ(wholeAmount(2500.5000001), 2501);
    EXPECT_EQ(wholeAmount(2147483647.4), 2147483647);
    EXPECT_EQ(wholeAmount(2147483647.5), std::nullopt);
    EXPECT_EQ(wholeAmount(-2147483648.5), -2147483648);
    EXPECT_EQ(wholeAmount(-2147483649.0), std::nullopt);
    EXPECT_EQ(wholeAmount(std::numeric_limits<double>::infinity()), std::nullopt);
    EXPECT_EQ(wholeAmount(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
}

TEST(PayrollSettle, TotalsOfARow)
{
    // gross 2000+250+200+50.5+0 = 2500.5 -> 2500; deductions 330.5 -> 330
    SalaryRow r{2000.0, 250.0, 200.0, 50.5, 0.0, 100.0, 160.0, 40.0, 20.0, 0.0, 10.5};
    QString why;
    auto t = settleRow(r, &why);
    ASSERT_TRUE(t) << why.toStdString();
    EXPECT_EQ(t->gross, 2500);
    EXPECT_EQ(t->deductions, 330);
    EXPECT_EQ(t->net, 2170);

    r.qtke = 3000.0;   // deductions above gross: a negative net
    t = settleRow(r);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->deductions, 3330);
    EXPECT_EQ(t->net, -830);
}

TEST(PayrollSettle, RowsThatCannotBeSettled)
{
    const SalaryRow good{2000.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    QString why;
    SalaryRow r = good;
    r.ks = std::nullopt;
    EXPECT_FALSE(settleRow(r, &why));
    EXPECT_EQ(why, QStringLiteral("扣税为空"));
    r = good;
    r.jbf = std::nullopt;
    EXPECT_FALSE(settleRow(r, &why));
    EXPECT_EQ(why, QStringLiteral("加班费为空"));
    r = good;
    r.jbgz = 3e9;
    EXPECT_FALSE(settleRow(r, &why));
    EXPECT_EQ(why, QStringLiteral("应发工资超出范围"));
    r = good;
    r.kgf = -3e9;
    EXPECT_FALSE(settleRow(r, &why));
    EXPECT_EQ(why, QStringLiteral("应扣工资超出范围"));
    // Each total fits, their difference does not.
    r = good;
    r.jbgz = 2e9;
    r.kgf = -2e9;
    EXPECT_FALSE(settleRow(r, &why));
    EXPECT_EQ(why, QStringLiteral("实发工资超出范围"));
}

TEST(PayrollLevel, BracketLookUp)
{
    const std::vector<Bracket> b{{0.0, 1000.0, "1"}, {1000.0, 3000.0, "2"}, {500.0, 1500.0, "9"},
                                 {none, 1e9, "7"}, {0.0, none, "8"}};
    EXPECT_EQ(levelFor(999.99, b), QStringLiteral("9"));   // overlapping: the last match wins
    EXPECT_EQ(levelFor(100, b), QStringLiteral("1"));
    EXPECT_EQ(levelFor(1000, b), QStringLiteral("9"));
    EXPECT_EQ(levelFor(1500, b), QStringLiteral("2"));      // the upper bound is not in the bracket
    EXPECT_EQ(levelFor(3000, b), std::nullopt);             // missing bounds hold nothing
    EXPECT_EQ(levelFor(-1, b), std::nullopt);
}
