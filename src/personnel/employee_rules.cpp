#include "personnel/employee_rules.h"
#include "data/keys.h"
#include "platform/db/convert.h"
#include "platform/db/texts.h"
#include "platform/db/error.h"
#include "platform/db/query.h"
#include "platform/text/text.h"
#include <QRegularExpression>

namespace personnel {

int64_t keySerial(const QString& prefix, const QString& largestKey)
{
    try {
        return db::toInteger(text::trim(largestKey).mid(prefix.size()));
    } catch (const db::Error&) {
        throw db::Error(QStringLiteral("无法生成新编号：已有的最大编号“%1”不是“%2”加数字。").arg(largestKey, prefix));
    }
}

std::optional<int64_t> largestSerial(const QString& prefix, const QStringList& keys)
{
    std::optional<int64_t> best;
    for (const QString& k : keys) {
        if (!k.startsWith(prefix)) continue;
        // Beyond 64 bits no proposal can follow it anyway.
        const auto n = keys::digits(QStringView(k).mid(prefix.size()));
        if (n && (!best || *n > *best)) best = n;
    }
    return best;
}

QString nextKey(const QString& prefix, const db::Value& largestKey, const QStringList& prefixedKeys)
{
    if (largestKey.isNull()) return keys::next(prefix, std::nullopt);
    int64_t n = keySerial(prefix, largestKey.toText());
    if (const auto m = largestSerial(prefix, prefixedKeys); m && *m > n) n = *m;
    return keys::next(prefix, n);
}

QString proposeKey(db::Connection& conn, const QString& table, const QString& column, const QString& prefix)
{
    const db::Value largest =
        db::select(conn, QStringLiteral("select max(%1) as ss From %2 ").arg(column, table)).first(QStringLiteral("ss"));
    QStringList stored;
    if (!largest.isNull()) {
        keySerial(prefix, largest.toText());   // a malformed largest key stops here
        const db::Rows rows =
            db::select(conn, QStringLiteral("select %1 from %2 where %1 glob '%3[0-9]*'").arg(column, table, prefix));
        for (int r = 0; r < rows.count(); ++r) stored << rows.value(r, 0).toText();
    }
    return nextKey(prefix, largest, stored);
}

QString proposeEmployeeNumber(db::Connection& conn)
{
    const QString prefix = QStringLiteral("mr");
    const QString own = proposeKey(conn, QStringLiteral("人事表"), QStringLiteral("bh"), prefix);
    // Those rows find their employee by number alone: a new employee given a
    // deleted one's number would take over his template, and so his pay.
    // Salary rows are left out: generation reads none, and each month's
    // copies a number its assessments held.
    const db::Rows held = db::select(conn, QStringLiteral(
        "select 员工编号 from 工资模板 where 员工编号 glob 'mr[0-9]*' "
        "union select 员工编号 from 考核表 where 员工编号 glob 'mr[0-9]*' "
        "union select 员工编号 from 合同表 where 员工编号 glob 'mr[0-9]*'"));
    QStringList keys;
    for (int r = 0; r < held.count(); ++r) keys << held.value(r, 0).toText();
    const auto taken = largestSerial(prefix, keys);
    if (!taken) return own;
    const auto ownSerial = keys::digits(QStringView(own).mid(prefix.size()));
    return ownSerial && *ownSerial > *taken ? own : keys::next(prefix, *taken);
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

QString dateInputText(const db::Value& stored)
{
    const QString t = stored.toText();
    static const QRegularExpression ymd(QStringLiteral("^\\s*([0-9]{4})[^0-9]+([0-9]{1,2})[^0-9]+([0-9]{1,2})\\s*$"));
    const QRegularExpressionMatch m = ymd.match(t);
    if (!m.hasMatch()) return t;
    return m.captured(1) + QLatin1Char('-') + m.captured(2).rightJustified(2, QLatin1Char('0')) + QLatin1Char('-') +
           m.captured(3).rightJustified(2, QLatin1Char('0'));
}

}
