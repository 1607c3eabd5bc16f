#include "data/system_db.h"
#include "data/archive.h"
#include "data/schema.h"
#include "platform/db/backup.h"
#include "platform/db/connection.h"
#include "platform/db/error.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
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

// Every object of the schema as its statement, in a fixed order; empty if
// it cannot be read.
QStringList readStatements(sqlite3* h)
{
    sqlite3_stmt* st = nullptr;
    QStringList out;
    if (sqlite3_prepare_v2(h, "SELECT type || ' ' || name || ' ' || tbl_name || ' ' || ifnull(sql, '') "
                              "FROM sqlite_schema ORDER BY type, name", -1, &st, nullptr) != SQLITE_OK)
        return out;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) out << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) out.clear();
    return out;
}

// The named CHECK constraints of one table's statement: name, expression.
QList<std::pair<QString, QString>> checksOf(const QString& sql)
{
    static const QRegularExpression start(QStringLiteral("CONSTRAINT\\s+(\\S+)\\s+CHECK\\s*\\("));
    QList<std::pair<QString, QString>> out;
    for (auto it = start.globalMatch(sql); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        // To the parenthesis that closes the CHECK's, past any in quotes.
        int depth = 1;
        qsizetype i = m.capturedEnd();
        QChar quote;
        for (; i < sql.size() && depth > 0; ++i) {
            const QChar c = sql[i];
            if (!quote.isNull()) {
                if (c == quote) quote = QChar();
            } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
                quote = c;
            } else if (c == QLatin1Char('(')) {
                ++depth;
            } else if (c == QLatin1Char(')')) {
                --depth;
            }
        }
        out.append({m.captured(1), sql.mid(m.capturedEnd(), i - 1 - m.capturedEnd())});
    }
    return out;
}

struct Schema {
    Tables tables;
    QStringList statements;
    // Per table, a query for the name of the first CHECK that a row breaks.
    QMap<QString, QByteArray> brokenCheck;
};

// The schema as the program makes it, read once from a database in memory.
const Schema& systemSchema()
{
    static const Schema schema = [] {
        Schema s;
        sqlite3* h = nullptr;
        QString error;
        if (sqlite3_open_v2(":memory:", &h, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK
            || sqlite3_exec(h, schemaSql(), nullptr, nullptr, nullptr) != SQLITE_OK || !readTables(h, &s.tables, &error))
            qFatal("the built-in schema does not load: %s", sqlite3_errmsg(h));
        s.statements = readStatements(h);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(h, "SELECT name, sql FROM sqlite_schema WHERE type = 'table'", -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) {
            const QString table = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
            const auto checks = checksOf(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1))));
            if (checks.isEmpty()) continue;
            // A CHECK fails only where its expression is false, not where it is Null.
            QString cases;
            for (const auto& [name, expr] : checks)
                cases += QStringLiteral(" WHEN NOT (%1) THEN '%2'").arg(expr, QString(name).replace(QLatin1Char('\''), QStringLiteral("''")));
            s.brokenCheck[table] = QStringLiteral("SELECT broken FROM (SELECT CASE%1 END AS broken FROM %2) WHERE broken IS NOT NULL LIMIT 1")
                                       .arg(cases, db::quoteIdent(table))
                                       .toUtf8();
        }
        sqlite3_finalize(st);
        sqlite3_close(h);
        return s;
    }();
    return schema;
}

const Tables& systemTables() { return systemSchema().tables; }

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

bool hasSystemSchema(sqlite3* handle)
{
    return readStatements(handle) == systemSchema().statements;
}

QString brokenCheck(sqlite3* handle)
{
    for (auto it = systemSchema().brokenCheck.begin(); it != systemSchema().brokenCheck.end(); ++it) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(handle, it.value().constData(), -1, &st, nullptr) != SQLITE_OK)
            throw db::Error(QString::fromUtf8(sqlite3_errmsg(handle)));
        const int rc = sqlite3_step(st);
        const QString name = rc == SQLITE_ROW ? QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) : QString();
        sqlite3_finalize(st);
        if (rc == SQLITE_ROW) return name;
        if (rc != SQLITE_DONE) throw db::Error(QString::fromUtf8(sqlite3_errmsg(handle)));
    }
    return QString();
}

bool isSystemDatabase(const QString& path, QString* why)
{
    // Immutable: a file in log mode gets no log or index made beside it.
    QString problem;
    try {
        const db::Handle h = db::openReadOnly(path);
        isSystemDatabase(h.get(), &problem);
    } catch (const db::Error& e) {
        problem = e.message();
    }
    if (why) *why = problem;
    return problem.isEmpty();
}

void readyDatabaseFile(const QString& path)
{
    const QFileInfo fi(path);
    if (!fi.exists()) return;
    removeLeftoverCopies(fi.absolutePath());
    // Read as it stands: no lock taken, no journal rolled back, no log made beside it.
    QString why;
    if (!isSystemDatabase(path, &why)) throw db::Error(QStringLiteral("%1 不是本系统的数据库文件（%2）").arg(path, why));
    if (QFileInfo(path + QStringLiteral("-journal")).size() == 0) return;
    // A hot journal is rolled back by the first read of a handle that may write.
    sqlite3* h = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &h, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(h, 5000);
        rc = sqlite3_exec(h, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }
    const QString engine = QString::fromUtf8(h ? sqlite3_errmsg(h) : sqlite3_errstr(rc));
    sqlite3_close(h);
    if (rc != SQLITE_OK)
        throw db::Error(QStringLiteral("数据库文件 %1 上次未完成的修改无法撤销：%2").arg(path, engine));
}

}
