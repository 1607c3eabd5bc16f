#include "payroll/money.h"
#include <cmath>
#include <limits>

namespace payroll {

std::optional<Money> Money::fromReal(double yuan)
{
    if (!std::isfinite(yuan) || std::fabs(yuan) > kMaxYuan) return std::nullopt;
    const double whole = std::trunc(yuan);
    const double frac = yuan - whole;   // exact
    // frac * 10000 = p + err exactly; p alone may have been rounded onto or
    // off a half, and err tells which side of it the true product lies.
    const double p = frac * double(kUnitsPerYuan);
    const double err = std::fma(frac, double(kUnitsPerYuan), -p);
    double n = std::nearbyint(p);   // a tie to the even neighbour
    const double d = p - n;         // exact
    if (d == 0.5 && err > 0) n += 1;
    else if (d == -0.5 && err < 0) n -= 1;
    // whole * 10000 is even, so the parity of n is that of the sum.
    return Money(static_cast<int64_t>(whole) * kUnitsPerYuan + static_cast<int64_t>(n));
}

std::optional<Money> Money::plus(Money other) const
{
    int64_t sum;
    if (__builtin_add_overflow(units_, other.units_, &sum)) return std::nullopt;
    return Money(sum);
}

std::optional<int32_t> Money::wholeYuan() const
{
    int64_t q = units_ / kUnitsPerYuan;
    int64_t r = units_ % kUnitsPerYuan;
    if (r < 0) {   // floor division, so that r is the part above q
        r += kUnitsPerYuan;
        --q;
    }
    const int64_t half = kUnitsPerYuan / 2;
    if (r > half || (r == half && (q & 1) != 0)) ++q;
    if (q < std::numeric_limits<int32_t>::min() || q > std::numeric_limits<int32_t>::max()) return std::nullopt;
    return static_cast<int32_t>(q);
}

}
