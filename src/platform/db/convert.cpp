#include "platform/db/convert.h"
#include "platform/text/text.h"
#include "platform/db/error.h"
#include "platform/db/texts.h"
#include <charconv>
#include <string>

namespace db {

using text::asciiCore;

double toNumber(const QString& text)
{
    if (auto v = parseNumber(text)) return *v;
    throw Error(texts::notANumber(text));
}

int64_t toInteger(const QString& text)
{
    if (const auto core = asciiCore(text)) {
        // from_chars takes a '-' but no '+'.
        const bool plus = core->size() > 1 && (*core)[0] == '+' && (*core)[1] != '-';
        const char* last = core->data() + core->size();
        int64_t v = 0;
        const auto [end, err] = std::from_chars(core->data() + (plus ? 1 : 0), last, v);
        if (err == std::errc() && end == last) return v;
    }
    throw Error(texts::notAnInteger(text));
}

std::optional<QDate> parseDate(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('-'));
    if (parts.size() != 3) return std::nullopt;
    int n[3] = {0, 0, 0};
    const int maxLen[3] = {4, 2, 2};
    for (int k = 0; k < 3; ++k) {
        const auto core = asciiCore(parts[k]);
        if (!core || core->size() > size_t(maxLen[k])) return std::nullopt;
        for (char c : *core) {
            if (c < '0' || c > '9') return std::nullopt;
            n[k] = n[k] * 10 + (c - '0');
        }
    }
    // A year of fewer than four digits is a typing slip, not year 99.
    if (asciiCore(parts[0])->size() != 4) return std::nullopt;
    const QDate d(n[0], n[1], n[2]);
    if (!d.isValid()) return std::nullopt;
    return d;
}

QDate toDate(const QString& text) { if (auto d = parseDate(text)) return *d; throw Error(texts::notADate(text)); }

QString formatDate(const QDate& d)
{
    if (!d.isValid()) return QString();
    return d.toString(QStringLiteral("yyyy-MM-dd"));
}

}
