#include "payroll/money.h"
#include "payroll/payroll_calc.h"
#include <gtest/gtest.h>
#include <iomanip>
#include <limits>

using namespace payroll;

namespace {
const Num none = std::nullopt;
const double inf = std::numeric_limits<double>::infinity();
}

TEST(PayrollCalc, MissingValuesCarryThroughAmountsGoLeftToRightAndOnlyRealFaultsThrow)
{
    EXPECT_EQ(add(1.0, none), none);
    EXPECT_EQ(add(none, 1.0), none);
    EXPECT_EQ(mul(none, 0.0), none);
    EXPECT_EQ(divide(2.0, none), none);
    EXPECT_EQ(divide(none, 0.0), none);   // no dividend, nothing to fail
    EXPECT_THROW(divide(2.0, 0.0), CalcError);
    EXPECT_THROW(divide(0.0, 0.0), CalcError);
    // Missing is below every value and equal to missing.
    EXPECT_TRUE(less(none, -1e300));
    EXPECT_FALSE(less(-1e300, none));
    EXPECT_FALSE(less(none, none));
    EXPECT_FALSE(greater(0.0, 0.0));

    // With these figures every other order of the steps gives another double.
    const AttendanceRule r{22.0, 3.0, 21.75, 1.5};
    EXPECT_EQ(overtimePay(3000.0, r, 1.5), (((3000.0 / 21.75) / 8) * 1.5) * 1.5);
    EXPECT_EQ(absenceDeduction(3000.0, r, 1.5), ((3000.0 / 21.75) * 1.5) * 1.5);
    // An overflow is no amount either.
    EXPECT_THROW(computeAmounts({22.0, 0.0, 0.0, 0.0, 0.0}, {1e308, 0.0, 0.0, 10.0, 0.0, 0.0}, r, 0.0), CalcError);
}

TEST(PayrollCalc, MoneyTakesTheNearestTenThousandthExactlyAndRoundsWholeYuanHalfToEven)
{
    const auto units = [](double x) { return Money::fromReal(x).value_or(Money::fromUnits(-1)).units(); };
    // The product x * 10000 in doubles lands on a half that the stored value is not on.
    EXPECT_EQ(units(1.00025), 10003);    // 1.000250000000000083...
    EXPECT_EQ(units(1.00115), 10011);    // 1.001149999999999984...
    EXPECT_EQ(units(-1.00115), -10011);
    EXPECT_EQ(units(0.03125), 312);      // a true half: to the even neighbour
    EXPECT_EQ(units(0.03135), 314);      // 0.031350000000000002...: above the half
    EXPECT_EQ(units(-0.03125), -312);
    EXPECT_EQ(units(123456789.0001), 1234567890001);
    EXPECT_EQ(units(9e14), 9000000000000000000);
    for (double bad : {9.0000001e14, -1e300, inf, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_FALSE(Money::fromReal(bad)) << bad;
    EXPECT_FALSE(Money::fromUnits(std::numeric_limits<int64_t>::max()).plus(Money::fromUnits(1)));

    const std::pair<int64_t, std::optional<int32_t>> cases[] = {
        {25000, 2}, {35000, 4}, {-25000, -2}, {25005000, 2500}, {25015000, 2502}, {25005001, 2501},
        {-25005001, -2501}, {-25004999, -2500}, {21474836474000, 2147483647}, {21474836475000, std::nullopt},
        {-21474836485000, -2147483648LL}, {-21474836490000, std::nullopt}};
    for (const auto& [u, want] : cases) EXPECT_EQ(Money::fromUnits(u).wholeYuan(), want) << u;
}

TEST(PayrollCalc, AnExactHalfInCentsStaysAHalfWhateverTheBinarySumMakesOfIt)
{
    // 2501.50 adds up to 2501.4999999999995, 2502.50 to 2502.5000000000005.
    //                 jbgz  jbf   qqj  zwjt qtje  kgf   ylbx  ylx  sybx qtke  ks
    const SalaryRow row{2000, 0.03, 200, 300, 1.47, 2000, 0.22, 200, 300, 2.28, 0};
    const auto t = settleRow(row);
    ASSERT_TRUE(t);
    EXPECT_EQ(std::tuple(t->gross, t->deductions, t->net), std::tuple(2502, 2502, 0));
    const SalaryRow negative{-2000, -0.03, -200, -300, -1.47, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(settleRow(negative)->gross, -2502);
}

TEST(PayrollCalc, SettlementRoundsTheExactSumOfAmountsInTenThousandths)
{
    //                        jbgz  jbf  qqj  zwjt qtje kgf  ylbx ylx  sybx qtke ks
    const auto t = settleRow({2000, 300, 200, 0,   0.5, 300, 30,  0.5, 0,   0,   0});
    ASSERT_TRUE(t);
    EXPECT_EQ(std::tuple(t->gross, t->deductions, t->net), std::tuple(2500, 330, 2170));   // 2500.5, 330.5
    EXPECT_EQ(settleRow({2000, 300, 200, 0, 1.5, 0, 0, 0, 0, 0, 0})->gross, 2502);
    EXPECT_EQ(settleRow({100, 0, 0, 0, 0, 200.5, 0, 0, 0, 0, 0})->net, -100);   // 100 - 200
    // Within 0.00005 of a half the amount is the half: 2000 + 500.50004 is 2500.5000.
    EXPECT_EQ(settleRow({2000, 500.50004, 0, 0, 0, 0, 0, 0, 0, 0, 0})->gross, 2500);
    // The doubles add up to 2500.5 exactly, but the amounts in ten-thousandths to
    // 1000.0001 + 1000.0001 + 500.4999 = 2500.5001, just above the half.
    EXPECT_EQ(settleRow({1000.00006, 1000.00006, 500.49988, 0, 0, 0, 0, 0, 0, 0, 0})->gross, 2501);
}

TEST(PayrollCalc, RowsThatCannotBeSettledSayWhy)
{
    //         jbgz  jbf   qqj zwjt qtje kgf  ylbx ylx sybx qtke ks
    const std::pair<SalaryRow, const char*> refused[] = {
        {{2000, 0,    0, 0, 0, 0,    0, 0, 0, 0, none}, "扣税为空"},
        {{2000, none, 0, 0, 0, 0,    0, 0, 0, 0, 0}, "加班费为空"},
        {{3e9,  0,    0, 0, 0, 0,    0, 0, 0, 0, 0}, "应发工资超出范围"},
        {{2000, 0,    0, 0, 0, -3e9, 0, 0, 0, 0, 0}, "应扣工资超出范围"},
        {{1e15, 0,    0, 0, 0, 0,    0, 0, 0, 0, 0}, "应发工资超出范围"},   // beyond what Money holds
        {{2e9,  0,    0, 0, 0, -2e9, 0, 0, 0, 0, 0}, "实发工资超出范围"},   // each total fits, not their difference
    };
    for (const auto& [row, want] : refused) {
        QString why;
        EXPECT_FALSE(settleRow(row, &why)) << want;
        EXPECT_EQ(why.toStdString(), want);
    }
}
