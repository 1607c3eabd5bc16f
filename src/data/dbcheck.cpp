#include "data/dbcheck.h"
#include "data/schema.h"
#include "platform/db/backup.h"
#include "platform/db/error.h"
#include <QHash>
#include <QStringList>
#include <sqlite3.h>

namespace data {

namespace {

// Each table of the database's main schema as one line: its columns with
// their types in order, and whether it is strict.
QHash<QString, QString> describeTables(sqlite3* h)
{
    static const char* const kSql =
        "SELECT t.name, t.strict, p.name, p.type FROM pragma_table_list t, pragma_table_info(t.name) p "
        "WHERE t.schema = 'main' AND t.type = 'table' AND t.name NOT LIKE 'sqlite_%' ORDER BY t.name, p.cid";
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(h, kSql, -1, &st, nullptr) != SQLITE_OK) throw db::Error(QString::fromUtf8(sqlite3_errmsg(h)));
    QHash<QString, QString> tables;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        auto text = [st](int i) { return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i))); };
        QString& line = tables[text(0)];
        if (line.isEmpty()) line = sqlite3_column_int(st, 1) ? QStringLiteral("strict:") : QStringLiteral(":");
        line += QLatin1Char(' ') + text(2) + QLatin1Char(' ') + text(3);
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) throw db::Error(QString::fromUtf8(sqlite3_errmsg(h)));
    return tables;
}

// The tables as the schema makes them, read once from a database in memory.
const QHash<QString, QString>& systemTables()
{
    static const QHash<QString, QString> tables = [] {
        sqlite3* raw = nullptr;
        sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE, nullptr);
        db::Handle h(raw);
        if (sqlite3_exec(raw, schemaSql(), nullptr, nullptr, nullptr) != SQLITE_OK)
            throw db::Error(QString::fromUtf8(sqlite3_errmsg(raw)));
        return describeTables(raw);
    }();
    return tables;
}

}

void checkSystemDatabase(sqlite3* h)
{
    db::checkIntegrity(h);
    const QHash<QString, QString> have = describeTables(h);
    QStringList wrong;
    for (auto it = systemTables().cbegin(); it != systemTables().cend(); ++it)
        if (have.value(it.key()) != it.value()) wrong << it.key();
    if (!wrong.isEmpty()) {
        wrong.sort();
        throw db::Error(QStringLiteral("不是本系统的数据库：表 %1 缺少或不同").arg(wrong.join(QStringLiteral("、"))));
    }
}

}
