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
    for (int k = 0; k < 3; ++k) {
        const auto core = asciiCore(parts[k]);
        // A year of fewer than four digits is a typing slip, not year 99.
        if (!core || (k == 0 ? core->size() != 4 : core->size() > 2)) return std::nullopt;
        for (char c : *core) {
            if (c < '0' || c > '9') return std::nullopt;
            n[k] = n[k] * 10 + (c - '0');
        }
    }
    const QDate d(n[0], n[1], n[2]);
    return d.isValid() ? std::optional(d) : std::nullopt;
}

QDate toDate(const QString& text) { if (auto d = parseDate(text)) return *d; throw Error(texts::notADate(text)); }

QString formatDate(const QDate& d) { return d.isValid() ? d.toString(QStringLiteral("yyyy-MM-dd")) : QString(); }

}
