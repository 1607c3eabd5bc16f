#include "data/keys.h"
#include "platform/db/error.h"
#include <limits>

namespace keys {

std::optional<int64_t> digits(QStringView text)
{
    if (text.isEmpty()) return std::nullopt;
    int64_t n = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        const int d = c.unicode() - '0';
        if (n > (std::numeric_limits<int64_t>::max() - d) / 10) return std::nullopt;
        n = n * 10 + d;
    }
    return n;
}

QString next(const QString& prefix, std::optional<int64_t> largest)
{
    const int64_t n = largest.value_or(0);
    if (n < 0 || n == std::numeric_limits<int64_t>::max())
        throw db::Error(QStringLiteral("编号的序号%1已到尽头，无法给出下一个编号").arg(n));
    return prefix + QString::number(n + 1).rightJustified(3, QLatin1Char('0'));
}

}
