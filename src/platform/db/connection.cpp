#include "platform/db/connection.h"
#include "platform/db/error.h"
#include "platform/db/texts.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>
#include <utility>

namespace db {

namespace {

constexpr int kBusyTimeoutMs = 5000;

// The program never asks the engine how much memory it holds; without that
// count every allocation of the engine goes without a lock. It can only be
// set before the engine starts, hence at load time.
[[maybe_unused]] const int kNoMemoryCount = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);

}

void HandleCloser::operator()(sqlite3* h) const { sqlite3_close_v2(h); }

Handle openHandle(const QByteArray& file, int flags)
{
    sqlite3* raw = nullptr;
    // The program reaches a database from one thread only: no lock on every
    // call into the engine (reading a cell would take one each time).
    const int rc = sqlite3_open_v2(file.constData(), &raw, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    Handle h(raw);
    // Without a handle (no memory for one) the error is the engine's NOMEM.
    if (rc != SQLITE_OK) throw detail::engineError(raw);
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);
    return h;
}

void StatementCloser::operator()(sqlite3_stmt* st) const { sqlite3_finalize(st); }

Statement prepare(sqlite3* h, const QString& sql, const QString& context)
{
    const QByteArray u = sql.toUtf8();
    const char* end = u.constData() + u.size();
    const char* tail = nullptr;
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(h, u.constData(), int(u.size()), &raw, &tail) != SQLITE_OK)
        throw detail::engineError(h, context);
    Statement st(raw);
    // Whatever follows must be nothing but blanks and comments.
    sqlite3_stmt* next = nullptr;
    const bool more = st && tail < end
        && (sqlite3_prepare_v2(h, tail, int(end - tail), &next, nullptr) != SQLITE_OK || next != nullptr);
    sqlite3_finalize(next);
    if (more) throw Error(texts::oneStatement(), 0, QString(), context);
    return st;
}

void runToEnd(sqlite3_stmt* st, const QString& context)
{
    if (sqlite3_step(st) != SQLITE_DONE) throw detail::engineError(sqlite3_db_handle(st), context);
}

Connection::Connection(QString path) : path_(std::move(path)) {}

Connection::~Connection() { close(); }

// Refused before anything is written: a zero-length file or another
// program's database would otherwise be turned into a WAL database first.
void Connection::inspect() const
{
    Handle h;
    try {
        h = openHandle(QFile::encodeName(path_), SQLITE_OPEN_READONLY);
    } catch (const Error& e) {
        if (!QFileInfo::exists(path_)) throw Error(texts::fileMissing(path_, QDir::currentPath()));
        throw Error(texts::cannotOpen(path_, e.message()), e.code(), QString(), e.context());
    }
    // Reading the schema is what tells a database from any other file.
    if (sqlite3_exec(h.get(), "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK) {
        const Error e = detail::engineError(h.get());
        const int code = e.code() & 0xff;
        const bool foreign = fileCheck_ && (code == SQLITE_NOTADB || code == SQLITE_CORRUPT);
        const QString text = foreign ? texts::foreignFile(path_, e.message()) : texts::cannotOpen(path_, e.message());
        throw Error(text, e.code(), QString(), e.context());
    }
    QString why;
    if (fileCheck_ && !fileCheck_(h.get(), &why)) throw Error(texts::foreignFile(path_, why));
}

sqlite3* Connection::handle()
{
    if (db_) return db_;
    inspect();
    Handle h;
    try {
        h = openHandle(QFile::encodeName(path_), SQLITE_OPEN_READWRITE);
        if (sqlite3_db_readonly(h.get(), "main") == 1) throw Error(texts::readOnlyFile(), SQLITE_READONLY);
        for (const char* setUp : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL"})
            if (sqlite3_exec(h.get(), setUp, nullptr, nullptr, nullptr) != SQLITE_OK) throw detail::engineError(h.get());
    } catch (const Error& e) {
        throw Error(texts::cannotOpen(path_, e.message()), e.code(), QString(), e.context());
    }
    db_ = h.release();
    return db_;
}

sqlite3* Connection::takeHandle()
{
    if (!db_) return nullptr;
    for (StatementHolder* h : holders_) h->releaseStatements();
    return std::exchange(db_, nullptr);
}

void Connection::close()
{
    // v2: should a statement still be alive somewhere, the handle lingers
    // until it is finalized instead of being torn down under it.
    if (sqlite3* h = takeHandle()) sqlite3_close_v2(h);
}

void Connection::exec(const QString& sql)
{
    sqlite3* h = handle();
    if (sqlite3_exec(h, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw detail::engineError(h);
}

void Connection::begin()
{
    if (inTransaction()) throw Error(texts::nestedTransaction());
    // IMMEDIATE: take the write lock now rather than fail half way through.
    exec(QStringLiteral("BEGIN IMMEDIATE"));
}
void Connection::commit() { exec(QStringLiteral("COMMIT")); }
void Connection::rollback() { exec(QStringLiteral("ROLLBACK")); }
bool Connection::inTransaction() const { return db_ && !sqlite3_get_autocommit(db_); }
void Connection::savepoint(const QString& name) { exec(QStringLiteral("SAVEPOINT ") + quoteIdent(name)); }

void Connection::release(const QString& name) { exec(QStringLiteral("RELEASE SAVEPOINT ") + quoteIdent(name)); }

void Connection::rollbackTo(const QString& name)
{
    exec(QStringLiteral("ROLLBACK TO SAVEPOINT ") + quoteIdent(name));
    release(name);
}

QByteArray Connection::readBlob(const QString& table, const QString& column, int64_t rowid, int64_t size)
{
    sqlite3* h = handle();
    sqlite3_blob* b = nullptr;
    int rc = sqlite3_blob_open(h, "main", table.toUtf8().constData(), column.toUtf8().constData(), rowid, 0, &b);
    const std::unique_ptr<sqlite3_blob, int (*)(sqlite3_blob*)> closer(b, sqlite3_blob_close);
    // The engine's plain error here: no such row, or the cell holds no blob now.
    if (rc == SQLITE_ERROR || (rc == SQLITE_OK && sqlite3_blob_bytes(b) != size))
        throw RowChanged(texts::rowChanged(), 0, QString(), texts::field(column));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    if (rc == SQLITE_OK) rc = sqlite3_blob_read(b, out.data(), int(size), 0);
    if (rc != SQLITE_OK) throw detail::engineError(h);
    return out;
}

void Connection::attach(StatementHolder* h) { holders_.push_back(h); }
void Connection::detach(StatementHolder* h) { std::erase(holders_, h); }

}
