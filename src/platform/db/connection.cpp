#include "platform/db/connection.h"
#include "platform/db/error.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <sqlite3.h>

namespace db {

namespace {

constexpr int kBusyTimeoutMs = 5000;

QString quoteIdent(const QString& name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

// Runs one set-up statement; returns the engine's complaint, empty on success.
QString setUp(sqlite3* h, const char* sql)
{
    char* err = nullptr;
    if (sqlite3_exec(h, sql, nullptr, nullptr, &err) == SQLITE_OK) return QString();
    QString msg = err ? QString::fromUtf8(err) : QString::fromUtf8(sqlite3_errmsg(h));
    sqlite3_free(err);
    return msg;
}

}

Connection::Connection(QString path) : path_(std::move(path)) {}

Connection::~Connection() { close(); }

sqlite3* Connection::handle()
{
    if (db_) return db_;

    sqlite3* h = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path_).constData(), &h, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const QString engine = h ? QString::fromUtf8(sqlite3_errmsg(h)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close(h);
        if (!QFileInfo::exists(path_))
            throw Error(QStringLiteral("数据库文件 %1 不存在（当前工作目录：%2）").arg(path_, QDir::currentPath()));
        throw Error(QStringLiteral("无法打开数据库文件 %1：%2").arg(path_, engine));
    }
    sqlite3_extended_result_codes(h, 1);
    sqlite3_busy_timeout(h, kBusyTimeoutMs);

    // Reading the schema is what tells a database from any other file;
    // do it before the journal setting writes anything.
    QString problem = setUp(h, "SELECT count(*) FROM sqlite_master");
    if (problem.isEmpty() && sqlite3_db_readonly(h, "main") == 1)
        problem = QStringLiteral("文件只读，不能写入");
    if (problem.isEmpty()) problem = setUp(h, "PRAGMA journal_mode=WAL");
    if (problem.isEmpty()) problem = setUp(h, "PRAGMA synchronous=FULL");
    if (!problem.isEmpty()) {
        sqlite3_close(h);
        throw Error(QStringLiteral("无法打开数据库文件 %1：%2").arg(path_, problem));
    }
    db_ = h;
    return db_;
}

void Connection::close()
{
    if (!db_) return;
    const auto holders = holders_;
    for (StatementHolder* h : holders) h->releaseStatements();
    // v2: should a statement still be alive somewhere, the handle lingers
    // until it is finalized instead of being torn down under it.
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

void Connection::run(const QString& sql)
{
    sqlite3* h = handle();
    char* err = nullptr;
    if (sqlite3_exec(h, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = err ? QString::fromUtf8(err) : QString::fromUtf8(sqlite3_errmsg(h));
        sqlite3_free(err);
        throw Error(msg);
    }
}

void Connection::exec(const QString& sql) { run(sql); }

void Connection::begin()
{
    if (inTransaction()) throw Error(QStringLiteral("事务已经开始：嵌套的事务请使用保存点"));
    // IMMEDIATE: take the write lock now rather than fail half way through.
    run(QStringLiteral("BEGIN IMMEDIATE"));
}

void Connection::commit() { run(QStringLiteral("COMMIT")); }

void Connection::rollback() { run(QStringLiteral("ROLLBACK")); }

bool Connection::inTransaction() const { return db_ && !sqlite3_get_autocommit(db_); }

void Connection::savepoint(const QString& name) { run(QStringLiteral("SAVEPOINT ") + quoteIdent(name)); }

void Connection::release(const QString& name) { run(QStringLiteral("RELEASE SAVEPOINT ") + quoteIdent(name)); }

void Connection::rollbackTo(const QString& name)
{
    run(QStringLiteral("ROLLBACK TO SAVEPOINT ") + quoteIdent(name));
    run(QStringLiteral("RELEASE SAVEPOINT ") + quoteIdent(name));
}

QString Connection::lastError() const { return db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString(); }

void Connection::attach(StatementHolder* h)
{
    if (std::find(holders_.begin(), holders_.end(), h) == holders_.end()) holders_.push_back(h);
}

void Connection::detach(StatementHolder* h)
{
    holders_.erase(std::remove(holders_.begin(), holders_.end(), h), holders_.end());
}

}
