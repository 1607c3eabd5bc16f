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

TEST(PayrollCalc, WholeAmountIsHalfToEvenWithin32Bits)
{
    const std::pair<double, std::optional<int32_t>> cases[] = {
        {2.5, 2}, {3.5, 4}, {-2.5, -2}, {2500.5, 2500}, {2501.5, 2502}, {2500.5000001, 2501},
        {2147483647.4, 2147483647}, {2147483647.5, std::nullopt}, {-2147483648.5, -2147483648LL},
        {-2147483649.0, std::nullopt}, {inf, std::nullopt}, {std::numeric_limits<double>::quiet_NaN(), std::nullopt}};
    for (const auto& [x, want] : cases) EXPECT_EQ(wholeAmount(x), want) << std::setprecision(17) << x;
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

TEST(PayrollCalc, RowsThatCannotBeSettledSayWhy)
{
    //         jbgz  jbf   qqj zwjt qtje kgf  ylbx ylx sybx qtke ks
    const std::pair<SalaryRow, const char*> refused[] = {
        {{2000, 0,    0, 0, 0, 0,    0, 0, 0, 0, none}, "扣税为空"},
        {{2000, none, 0, 0, 0, 0,    0, 0, 0, 0, 0}, "加班费为空"},
        {{3e9,  0,    0, 0, 0, 0,    0, 0, 0, 0, 0}, "应发工资超出范围"},
        {{2000, 0,    0, 0, 0, -3e9, 0, 0, 0, 0, 0}, "应扣工资超出范围"},
        {{2e9,  0,    0, 0, 0, -2e9, 0, 0, 0, 0, 0}, "实发工资超出范围"},   // each total fits, not their difference
    };
    for (const auto& [row, want] : refused) {
        QString why;
        EXPECT_FALSE(settleRow(row, &why)) << want;
        EXPECT_EQ(why.toStdString(), want);
    }
}
