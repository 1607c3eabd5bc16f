#include "platform/db/connection.h"
#include "platform/db/error.h"
#include "platform/db/sqltext.h"
#include "platform/db/texts.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <optional>
#include <cstring>
#include <sqlite3.h>
#include <unordered_map>
#include <utility>

namespace db {

namespace {

constexpr int kBusyTimeoutMs = 5000;

// Enough for the row writes of every shared query and the savepoints; a
// program that keeps making new texts only recycles the oldest.
constexpr size_t kCachedStatements = 64;

// The program never asks the engine how much memory it holds; without that
// count every allocation of the engine goes without a lock. It can only be
// set before the engine starts, hence at load time.
[[maybe_unused]] const int kNoMemoryCount = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);

}

struct Connection::CacheEntry {
    sqlite3_stmt* st = nullptr;
    uint64_t lastUse = 0;
    bool busy = false;
    bool hasParams = false;
};

struct Connection::Cache {
    struct Hash {
        size_t operator()(const QByteArray& b) const { return qHash(b); }
    };
    // Nodes stay where they are while the map grows: a lease keeps its entry.
    std::unordered_map<QByteArray, CacheEntry, Hash> entries;
    uint64_t clock = 0;
    // Changes whenever an entry goes; unique among all connections.
    uint64_t epoch = nextEpoch();

    static uint64_t nextEpoch()
    {
        static uint64_t last = 0;
        return ++last;
    }

    // The texts for a savepoint name: set, release, roll back to.
    struct SavepointTexts {
        QByteArray save, release, rollbackTo;
        CachedHint saveHint, releaseHint, rollbackToHint;
    };
    QHash<QString, SavepointTexts> savepoints;
    QString lastName;                   // a run uses one name over and over
    SavepointTexts* last = nullptr;

    SavepointTexts& savepointTexts(const QString& name)
    {
        if (last && name.size() == lastName.size()
            && std::memcmp(name.constData(), lastName.constData(), size_t(name.size()) * sizeof(QChar)) == 0)
            return *last;
        auto it = savepoints.find(name);
        if (it == savepoints.end()) {
            if (savepoints.size() >= 16) savepoints.clear();
            it = savepoints.insert(name, makeSavepointTexts(name));
        }
        lastName = name;
        last = &*it;
        return *last;
    }

    static SavepointTexts makeSavepointTexts(const QString& name)
    {
        const QString q = quoteIdent(name);
        SavepointTexts t;
        t.save = (QStringLiteral("SAVEPOINT ") + q).toUtf8();
        t.release = (QStringLiteral("RELEASE SAVEPOINT ") + q).toUtf8();
        t.rollbackTo = (QStringLiteral("ROLLBACK TO SAVEPOINT ") + q).toUtf8();
        return t;
    }

    void clear()
    {
        for (auto& e : entries) sqlite3_finalize(e.second.st);
        entries.clear();
        epoch = nextEpoch();
    }

    // Makes room for one more by dropping the least recently used idle one.
    void evictIfFull()
    {
        if (entries.size() < kCachedStatements) return;
        auto victim = entries.end();
        for (auto it = entries.begin(); it != entries.end(); ++it)
            if (!it->second.busy && (victim == entries.end() || it->second.lastUse < victim->second.lastUse)) victim = it;
        if (victim == entries.end()) return;
        sqlite3_finalize(victim->second.st);
        entries.erase(victim);
        epoch = nextEpoch();
    }
};

Connection::Connection(QString path) : path_(std::move(path)), cache_(std::make_unique<Cache>()) {}

Connection::~Connection() { close(); }

// Refused before anything is written: a zero-length file or another
// program's database would otherwise be turned into a WAL database first.
void Connection::inspect() const
{
    sqlite3* h = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path_).constData(), &h, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                                   nullptr);
    if (rc != SQLITE_OK) {
        const Error e = h ? detail::engineError(h) : detail::engineError(rc, QString::fromUtf8(sqlite3_errstr(rc)));
        sqlite3_close(h);
        if (!QFileInfo::exists(path_)) throw Error(texts::fileMissing(path_, QDir::currentPath()));
        throw Error(texts::cannotOpen(path_, e.message()), e.code(), QString(), e.context());
    }
    sqlite3_extended_result_codes(h, 1);
    sqlite3_busy_timeout(h, kBusyTimeoutMs);
    // Reading the schema is what tells a database from any other file.
    std::optional<Error> problem;
    if (sqlite3_exec(h, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK)
        problem = detail::engineError(h);
    const int code = problem ? problem->code() & 0xff : SQLITE_OK;
    QString why;
    bool foreign = false;
    if (!problem)
        foreign = fileCheck_ && !fileCheck_(h, &why);
    else
        foreign = fileCheck_ && (code == SQLITE_NOTADB || code == SQLITE_CORRUPT);
    sqlite3_close(h);
    if (problem) why = problem->message();
    const QString log = problem ? problem->context() : QString();
    if (foreign) throw Error(texts::foreignFile(path_, why), problem ? problem->code() : 0, QString(), log);
    if (problem) throw Error(texts::cannotOpen(path_, why), problem->code(), QString(), log);
}

sqlite3* Connection::handle()
{
    if (db_) return db_;
    inspect();

    sqlite3* h = nullptr;
    // The program reaches its database from one thread only: no lock on
    // every call into the engine (reading a cell would take one each time).
    const int rc = sqlite3_open_v2(QFile::encodeName(path_).constData(), &h,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const Error e = h ? detail::engineError(h) : detail::engineError(rc, QString::fromUtf8(sqlite3_errstr(rc)));
        sqlite3_close(h);
        throw Error(texts::cannotOpen(path_, e.message()), e.code(), QString(), e.context());
    }
    sqlite3_extended_result_codes(h, 1);
    sqlite3_busy_timeout(h, kBusyTimeoutMs);

    std::optional<Error> problem;
    if (sqlite3_db_readonly(h, "main") == 1) problem = Error(texts::readOnlyFile(), SQLITE_READONLY);
    for (const char* setUp : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL"})
        if (!problem && sqlite3_exec(h, setUp, nullptr, nullptr, nullptr) != SQLITE_OK) problem = detail::engineError(h);
    if (problem) {
        sqlite3_close(h);
        throw Error(texts::cannotOpen(path_, problem->message()), problem->code(), QString(), problem->context());
    }
    db_ = h;
    return db_;
}

sqlite3* Connection::takeHandle()
{
    if (!db_) return nullptr;
    const auto holders = holders_;
    for (StatementHolder* h : holders) h->releaseStatements();
    cache_->clear();
    ++generation_;
    return std::exchange(db_, nullptr);
}

void Connection::close()
{
    // v2: should a statement still be alive somewhere, the handle lingers
    // until it is finalized instead of being torn down under it.
    if (sqlite3* h = takeHandle()) sqlite3_close_v2(h);
}

void Connection::run(const QString& sql)
{
    sqlite3* h = handle();
    if (sqlite3_exec(h, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw detail::engineError(h);
}

// One statement without parameters or rows, kept prepared: the transaction
// and savepoint statements run once or twice for every row of a long run.
void Connection::runCached(const QByteArray& sql, CachedHint* hint)
{
    sqlite3* h = handle();
    Cached s(*this, sql, hint);
    if (!s.st() || sqlite3_step(s.st()) != SQLITE_DONE) throw detail::engineError(h);
}

void Connection::exec(const QString& sql) { run(sql); }

void Connection::begin()
{
    if (inTransaction()) throw Error(texts::nestedTransaction());
    // IMMEDIATE: take the write lock now rather than fail half way through.
    runCached(QByteArrayLiteral("BEGIN IMMEDIATE"));
}

void Connection::commit() { runCached(QByteArrayLiteral("COMMIT")); }

void Connection::rollback() { runCached(QByteArrayLiteral("ROLLBACK")); }

bool Connection::inTransaction() const { return db_ && !sqlite3_get_autocommit(db_); }

void Connection::savepoint(const QString& name)
{
    auto& t = cache_->savepointTexts(name);
    runCached(t.save, &t.saveHint);
}

void Connection::release(const QString& name)
{
    auto& t = cache_->savepointTexts(name);
    runCached(t.release, &t.releaseHint);
}

void Connection::rollbackTo(const QString& name)
{
    auto& t = cache_->savepointTexts(name);
    runCached(t.rollbackTo, &t.rollbackToHint);
    runCached(t.release, &t.releaseHint);
}

QByteArray Connection::readBlob(const QString& schema, const QString& table, const QString& column, int64_t rowid,
                                int64_t size)
{
    sqlite3* h = handle();
    const QByteArray s = schema.toUtf8(), t = table.toUtf8(), c = column.toUtf8();
    const auto changed = [&] { return RowChanged(texts::rowChanged(), 0, QString(), texts::field(column)); };
    sqlite3_blob* b = nullptr;
    int rc = sqlite3_blob_open(h, s.constData(), t.constData(), c.constData(), rowid, 0, &b);
    bool same = false;
    QByteArray out;
    if (rc == SQLITE_OK && sqlite3_blob_bytes(b) == size) {
        same = true;
        out.resize(qsizetype(size));
        rc = sqlite3_blob_read(b, out.data(), int(size), 0);
    }
    if (rc != SQLITE_OK) {
        const Error e = detail::engineError(h);
        sqlite3_blob_close(b);
        // A row that is gone or holds no blob any more is a change, not a fault.
        const QString check = QStringLiteral("SELECT 1 FROM %1.%2 WHERE rowid = %3 AND typeof(%4) = 'blob'")
                                  .arg(quoteIdent(schema), quoteIdent(table)).arg(rowid).arg(quoteIdent(column));
        sqlite3_stmt* st = nullptr;
        const bool stillBlob = sqlite3_prepare_v2(h, check.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK
            && sqlite3_step(st) == SQLITE_ROW;
        sqlite3_finalize(st);
        if (stillBlob) throw e;
        throw changed();
    }
    sqlite3_blob_close(b);
    if (!same) throw changed();
    return out;
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

// ---- cached statements ----

Connection::Cached::Cached(Connection& c, const QByteArray& sql, CachedHint* hint) : c_(c)
{
    sqlite3* h = c.handle();
    generation_ = c.generation_;
    Cache& cache = *c.cache_;
    if (hint && hint->entry && hint->epoch == cache.epoch && !hint->entry->busy) {
        entry_ = hint->entry;
        entry_->busy = true;
        entry_->lastUse = ++cache.clock;
        st_ = entry_->st;
        return;
    }
    const auto it = cache.entries.find(sql);
    if (it != cache.entries.end() && !it->second.busy) {
        entry_ = &it->second;
        entry_->busy = true;
        entry_->lastUse = ++cache.clock;
        st_ = entry_->st;
        if (hint) *hint = {entry_, cache.epoch};
        return;
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v3(h, sql.constData(), int(sql.size()), SQLITE_PREPARE_PERSISTENT, &st, nullptr) != SQLITE_OK
        || !st) {
        sqlite3_finalize(st);
        return;
    }
    st_ = st;
    if (it != cache.entries.end()) return;   // in use by an outer run: this one is ours alone
    cache.evictIfFull();
    entry_ = &cache.entries.emplace(sql, CacheEntry{st, ++cache.clock, true, sqlite3_bind_parameter_count(st) > 0})
                  .first->second;
    if (hint) *hint = {entry_, cache.epoch};
}

Connection::Cached::~Cached()
{
    if (!st_) return;
    if (!entry_) {
        sqlite3_finalize(st_);   // also fine after a close: the handle waits for it
        return;
    }
    if (c_.generation_ != generation_) return;   // finalized when the connection closed
    sqlite3_reset(st_);
    if (entry_->hasParams) sqlite3_clear_bindings(st_);
    entry_->busy = false;
}

}
