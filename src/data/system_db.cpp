#include "data/system_db.h"
#include "data/schema.h"
#include "platform/db/error.h"

#include <QFile>
#include <QMap>
#include <QStringList>

#include <sqlite3.h>

namespace data {

namespace {

using Tables = QMap<QString, QStringList>;   // table -> its columns, in order

// Every table with its columns as "name type notnull default pk"; false and
// the engine's words if they cannot be read.
bool readTables(sqlite3* h, Tables* tables, QString* error)
{
    static const char* const sql =
        "SELECT m.name, p.name, p.type, p.\"notnull\", ifnull(p.dflt_value, ''), p.pk "
        "FROM sqlite_master AS m JOIN pragma_table_info(m.name) AS p "
        "WHERE m.type = 'table' ORDER BY m.name, p.cid";
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(h, sql, -1, &st, nullptr);
    if (rc == SQLITE_OK) {
        const auto text = [st](int i) { return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i))); };
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
            (*tables)[text(0)] << QStringList{text(1), text(2), text(3), text(4), text(5)}.join(QLatin1Char(' '));
    }
    sqlite3_finalize(st);
    if (rc == SQLITE_DONE) return true;
    *error = db::detail::engineError(h).message();
    return false;
}

// The tables as the schema makes them, read once from a database in memory.
const Tables& systemTables()
{
    static const Tables tables = [] {
        Tables t;
        sqlite3* h = nullptr;
        QString error;
        if (sqlite3_open_v2(":memory:", &h, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK
            || sqlite3_exec(h, schemaSql(), nullptr, nullptr, nullptr) != SQLITE_OK || !readTables(h, &t, &error))
            qFatal("the built-in schema does not load: %s", sqlite3_errmsg(h));
        sqlite3_close(h);
        return t;
    }();
    return tables;
}

}   // namespace

bool isSystemDatabase(sqlite3* handle, QString* why)
{
    QString problem;
    Tables found;
    if (readTables(handle, &found, &problem)) {
        const Tables& wanted = systemTables();
        if (found.isEmpty()) problem = QStringLiteral("文件里没有任何表");
        for (auto it = wanted.begin(); it != wanted.end() && problem.isEmpty(); ++it) {
            if (!found.contains(it.key()))
                problem = QStringLiteral("没有表 %1").arg(it.key());
            else if (found[it.key()] != it.value())
                problem = QStringLiteral("表 %1 的字段与本系统的不同").arg(it.key());
        }
    }
    if (why) *why = problem;
    return problem.isEmpty();
}

bool isSystemDatabase(const QString& path, QString* why)
{
    sqlite3* h = nullptr;
    bool ok = false;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(h, 5000);
        ok = isSystemDatabase(h, why);
    } else if (why) {
        *why = db::detail::engineError(h).message();
    }
    sqlite3_close(h);
    return ok;
}

}
