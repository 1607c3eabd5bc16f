#pragma once
#include <cstdint>
#include <optional>

namespace payroll {

// An amount of money as a whole number of ten-thousandths of a yuan, so that
// sums are exact: binary doubles are not (2000 + 0.03 + 200 + 300 + 1.47 adds
// up to 2501.4999999999995), and whether a sum is an exact half must not
// depend on the order or the noise of its terms. The stored columns stay
// REAL; an amount is converted once, when it is read for a sum.
class Money {
public:
    static constexpr int64_t kUnitsPerYuan = 10000;
    // Amounts beyond this many yuan are refused: their units would not fit.
    static constexpr double kMaxYuan = 9e14;

    constexpr Money() = default;
    static constexpr Money fromUnits(int64_t units) { return Money(units); }
    // The stored amount to the nearest ten-thousandth, exactly (an exact
    // half to the even neighbour); missing when not finite or out of range.
    static std::optional<Money> fromReal(double yuan);

    constexpr int64_t units() const { return units_; }
    // Exact; missing on overflow.
    std::optional<Money> plus(Money other) const;
    // To the nearest whole yuan, an exact half to the even neighbour;
    // missing when that does not fit a signed 32-bit number.
    std::optional<int32_t> wholeYuan() const;

    friend constexpr bool operator==(Money a, Money b) { return a.units_ == b.units_; }

private:
    constexpr explicit Money(int64_t units) : units_(units) {}
    int64_t units_ = 0;
};

}
