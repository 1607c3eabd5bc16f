#include "personnel/employee_rules.h"
#include "platform/db/convert.h"
#include "platform/text/text.h"
#include "platform/db/error.h"
#include <limits>

namespace personnel {

int64_t employeeSerial(const QString& largestKey)
{
    return db::toInteger(text::trim(largestKey).mid(2));
}

std::optional<int64_t> largestMrSerial(const QStringList& keys)
{
    std::optional<int64_t> best;
    for (const QString& k : keys) {
        if (!k.startsWith(QLatin1String("mr")) || k.size() < 3) continue;
        const QStringView digits = QStringView(k).mid(2);
        bool allDigits = true;
        for (QChar c : digits)
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) { allDigits = false; break; }
        if (!allDigits) continue;
        bool ok = false;
        const qlonglong n = digits.toLongLong(&ok);
        if (!ok) continue;   // beyond 64 bits: no proposal can follow it anyway
        if (!best || n > *best) best = n;
    }
    return best;
}

QString formatEmployeeNumber(int64_t serial)
{
    if (serial == std::numeric_limits<int64_t>::max())
        throw db::Error(QStringLiteral("'%1' is not a valid integer value.").arg(serial) );
    const QString next = QString::number(serial + 1);
    if (serial < 9) return QStringLiteral("mr00") + next;
    if (serial < 99) return QStringLiteral("mr0") + next;
    return QStringLiteral("mr") + next;
}

QString nextEmployeeNumber(const db::Value& largestKey, const QStringList& mrKeys)
{
    if (largestKey.isNull()) return QStringLiteral("mr001");
    int64_t n = employeeSerial(largestKey.toText());
    if (const auto m = largestMrSerial(mrKeys); m && *m > n) n = *m;
    return formatEmployeeNumber(n);
}

std::optional<QString> birthDateFromIdCard(const QString& idCard)
{
    // Counted in characters, not UTF-16 units.
    const QList<uint> s = text::trim(idCard).toUcs4();
    auto part = [&](int from, int n) {
        return QString::fromUcs4(reinterpret_cast<const char32_t*>(s.constData()) + from, n);
    };
    const QString dash = QStringLiteral("-");
    if (s.size() == 18) return part(6, 4) + dash + part(10, 2) + dash + part(12, 2);
    if (s.size() == 15) return QStringLiteral("19") + part(6, 2) + dash + part(8, 2) + dash + part(10, 2);
    return std::nullopt;
}

}
