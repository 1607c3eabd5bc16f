#include "data/archive.h"
#include "data/U_data.h"
#include "data/schema.h"
#include "data/system_db.h"
#include "platform/db/backup.h"
#include "platform/db/error.h"
#include "platform/diag/log.h"
#include "platform/text/text.h"
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <exception>
#include <functional>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace data {

namespace {

// Anything a crashed run of this program left behind was last written before
// this run began.
const int64_t kStartedNs =
    std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch()).count();

QString engineText(sqlite3* h) { return QString::fromUtf8(sqlite3_errmsg(h)); }

void exec(sqlite3* h, const char* sql)
{
    char* err = nullptr;
    if (sqlite3_exec(h, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = err ? QString::fromUtf8(err) : engineText(h);
        sqlite3_free(err);
        throw db::Error(msg, sqlite3_extended_errcode(h));
    }
}

QStringList column(sqlite3* h, const char* sql, const QString& arg = QString())
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(h, sql, -1, &st, nullptr) != SQLITE_OK) throw db::Error(engineText(h));
    const QByteArray a = arg.toUtf8();
    if (!arg.isNull()) sqlite3_bind_text(st, 1, a.constData(), int(a.size()), SQLITE_STATIC);
    QStringList out;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        out << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) throw db::Error(engineText(h));
    return out;
}

// This system's tables, and nothing that would run statements of its own:
// the quick part of telling a sound database of this system.
void checkTables(sqlite3* h)
{
    QString why;
    if (!isSystemDatabase(h, &why)) throw db::Error(QStringLiteral("该文件不是本系统的数据库：%1").arg(why));
    // The system makes no triggers or views: one in a chosen file would run
    // statements of its own on every later change.
    const QStringList extra = column(h, "SELECT name FROM sqlite_schema WHERE type IN ('trigger', 'view') LIMIT 1");
    if (!extra.isEmpty())
        throw db::Error(QStringLiteral("该文件不是本系统的数据库：含有触发器或视图 %1").arg(extra.first()));
}

// A file's identity and last change: equal stamps, same bytes (as far as
// anything short of reading them tells).
struct Stamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    int64_t mtime = 0;
    bool operator!=(const Stamp& o) const { return dev != o.dev || ino != o.ino || size != o.size || mtime != o.mtime; }
};

Stamp stampOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
    return {st.st_dev, st.st_ino, st.st_size, int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// What the login can match: text, not empty, and nothing its trimming would
// take off either end.
bool typable(sqlite3_stmt* st, int col)
{
    if (sqlite3_column_type(st, col) != SQLITE_TEXT) return false;
    const QString s = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, col)));
    return !s.isEmpty() && text::trim(s) == s;
}

// Without an operator who can log in nobody could after the restore.
void requireOperator(sqlite3* h, const QString& file)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(h, "SELECT 操作员名称, 操作员密码 FROM 操作员信息表", -1, &st, nullptr) != SQLITE_OK)
        throw db::Error(engineText(h));
    bool someone = false;
    int rc;
    while (!someone && (rc = sqlite3_step(st)) == SQLITE_ROW) someone = typable(st, 0) && typable(st, 1);
    sqlite3_finalize(st);
    if (!someone) throw db::Error(QStringLiteral("%1 里没有能登录的操作员，恢复后将无法登录").arg(file));
}

// Leaves the write-ahead log and locks the file against every other
// connection; the engine does either only when no other connection is open.
void takeAlone(sqlite3* h, const QString& file)
{
    auto journalMode = [h](const char* sql) {
        try {
            const QStringList mode = column(h, sql);
            return mode.value(0);
        } catch (const db::Error&) {
            return QString();
        }
    };
    bool alone = journalMode("PRAGMA main.journal_mode=DELETE") == QLatin1String("delete")
        && sqlite3_exec(h, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
    // Another program may have put the file back into log mode in between,
    // where the lock would keep out writers only.
    alone = alone && journalMode("PRAGMA main.journal_mode") == QLatin1String("delete")
        && !QFileInfo::exists(file + QStringLiteral("-wal"));
    if (!alone) {
        diag::logCause(QStringLiteral("恢复时独占数据库"),
                       std::make_exception_ptr(db::Error(engineText(h), sqlite3_extended_errcode(h))));
        throw db::Error(QStringLiteral("数据库正被其他程序使用，请先关闭其他程序"));
    }
}

// The folder's real path and the name: two paths naming one directory entry
// compare equal, whatever links lead to the folder.
QString entryOf(const QString& path)
{
    const QFileInfo fi(path);
    return fi.absoluteDir().canonicalPath() + QLatin1Char('/') + fi.fileName();
}

bool sameFile(const QString& a, const QString& b)
{
    struct stat sa {}, sb {};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0
        && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// The database file and the engine's files beside it are never a backup's
// target or source, whatever name or link leads to them.
void refuseLiveFiles(const TData1& d, const QString& file)
{
    const QString chosen = entryOf(file);
    const QString named = d.ADOConnection2.path();
    const QString real = QFileInfo(named).canonicalFilePath();
    for (const QString& live : {named, real}) {
        if (live.isEmpty()) continue;
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
            const QString engineFile = live + QLatin1String(suffix);
            if (chosen == entryOf(engineFile) || sameFile(file, engineFile))
                throw db::Error(QStringLiteral("%1 是正在使用的数据库文件").arg(file));
        }
    }
}

// Handles left on replaced database files, each holding its exclusive lock
// for as long as the program runs: a connection elsewhere that opened such a
// file just before it was replaced can never read or write it, nor take the
// log of the database now under its name for its own.
std::vector<db::Handle>& retiredHandles()
{
    static std::vector<db::Handle> handles;
    return handles;
}

// ---- restore, job by job ----

// The chosen file may be read as it stands: it is not the database itself,
// and no log beside it holds changes an immutable read would leave out.
// Returns the database's real path.
QString checkRestorable(TData1& d, const QString& file)
{
    refuseLiveFiles(d, file);
    db::Connection& c = d.ADOConnection2;
    if (c.inTransaction()) throw db::Error(QStringLiteral("数据库正在修改中，不能恢复"));
    // The real file, should the program reach it through a link.
    const QString livePath = QFileInfo(c.path()).canonicalFilePath();
    if (livePath.isEmpty()) throw db::Error(QStringLiteral("数据库文件 %1 不存在").arg(c.path()));
    // Committed changes still in a log beside the chosen file would be left
    // out, and a half-written change in a journal taken as it stands.
    for (const char* suffix : {"-wal", "-journal"})
        if (QFileInfo(file + QLatin1String(suffix)).size() > 0)
            throw db::Error(QStringLiteral("%1 旁有尚未并入的日志 %1%2").arg(file, QLatin1String(suffix)));
    return livePath;
}

// What a named CHECK of the schema refuses, in the operator's terms.
QString checkText(const QString& name)
{
    static const QLatin1String date("_date"), finite("_finite");
    if (name.endsWith(date))
        return QStringLiteral("字段 %1 的日期无效：只能保存 yyyy-MM-dd 形式的真实日期").arg(name.chopped(date.size()));
    if (name.endsWith(finite)) return QStringLiteral("字段 %1 的数值超出范围").arg(name.chopped(finite.size()));
    return QStringLiteral("违反约束 %1").arg(name);
}

// A row the schema refuses, said in the operator's terms.
db::Error refusedRows(sqlite3* h, const QString& file, const QString& table)
{
    const db::Error e = db::detail::engineError(h);
    QString why = e.message();
    if (e.code() == SQLITE_CONSTRAINT_DATATYPE)
        why = QStringLiteral("字段 %1 中有该字段不能保存的值").arg(e.constraint().section(QLatin1Char('.'), 1));
    return db::Error(QStringLiteral("%1 中表 %2 的数据不符合本系统的规则：%3").arg(file, table, why), e.code(),
                     e.constraint());
}

// Every row of the system's tables, rowids kept, into the empty tables of
// `out`, in one transaction: a row the program's schema refuses (a value its
// column cannot hold, an impossible date, an infinite amount) fails the copy.
void copyRows(sqlite3* out, const QString& file)
{
    exec(out, "BEGIN");
    for (const QString& table : column(out, "SELECT name FROM main.sqlite_schema WHERE type = 'table' ORDER BY rowid")) {
        QStringList cols = column(out, "SELECT name FROM pragma_table_info(?, 'main')", table);
        for (QString& c : cols) c = db::quoteIdent(c);
        const QString list = cols.join(QLatin1String(", "));
        const QString t = db::quoteIdent(table);
        const QByteArray sql = QStringLiteral("INSERT INTO main.%1 (rowid, %2) SELECT rowid, %2 FROM src.%1 ORDER BY rowid")
                                   .arg(t, list)
                                   .toUtf8();
        if (sqlite3_exec(out, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            throw refusedRows(out, file, table);
    }
    exec(out, "COMMIT");
}

// Builds `next` from the program's schema and the rows of `file` while
// `check` runs on the calling thread.
void rebuild(const QString& file, db::PendingFile& next, int pageSize, const std::function<void()>& check)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(next.path()).constData(), &raw,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
    const db::Handle out(raw);
    if (rc != SQLITE_OK) throw db::Error(raw ? engineText(raw) : QString::fromUtf8(sqlite3_errstr(rc)));
    sqlite3_extended_result_codes(raw, 1);
    // The file is thrown away unless complete, and flushed once at the end:
    // no journal beside it, no flush on the way.
    exec(raw, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA locking_mode=EXCLUSIVE; PRAGMA cache_size=-65536");
    // The file's page size (an empty database takes it).
    exec(raw, QByteArray("PRAGMA page_size=" + QByteArray::number(pageSize)).constData());
    exec(raw, schemaSql());

    // The chosen file attached as immutable: read as it stands, nothing made beside it.
    const QByteArray uri = QByteArrayLiteral("file:")
        + QFile::encodeName(QFileInfo(file).absoluteFilePath()).toPercentEncoding("/") + QByteArrayLiteral("?immutable=1");
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(raw, "ATTACH ? AS src", -1, &st, nullptr) != SQLITE_OK) throw db::Error(engineText(raw));
    sqlite3_bind_text(st, 1, uri.constData(), int(uri.size()), SQLITE_STATIC);
    const int attached = sqlite3_step(st);
    sqlite3_finalize(st);
    if (attached != SQLITE_DONE) throw db::Error(QStringLiteral("无法读取 %1：%2").arg(file, engineText(raw)));

    std::exception_ptr copyError, checkError;
    std::thread worker([&] {
        try {
            copyRows(raw, file);
        } catch (...) {
            copyError = std::current_exception();
        }
    });
    try {
        check();
    } catch (...) {
        checkError = std::current_exception();
        sqlite3_interrupt(raw);
    }
    worker.join();
    if (checkError) std::rethrow_exception(checkError);
    if (copyError) std::rethrow_exception(copyError);
    exec(raw, "DETACH src");
}

// The new database in `next` from the schema and rows of the chosen file,
// while a second handle checks the file page by page. A file that holds
// exactly the program's schema is copied page for page, its rows held to that
// schema's types (by the integrity check) and CHECKs. Any other (an earlier
// version's, a lookalike) is rebuilt: the program's schema, then the file's
// rows. What was checked is what was copied unless the file changed meanwhile.
void buildFrom(const QString& file, db::PendingFile& next)
{
    const Stamp before = stampOf(file);
    const db::Handle checked = db::openReadOnly(file);
    checkTables(checked.get());
    requireOperator(checked.get(), file);
    const auto check = [&] { db::checkIntegrity(checked.get()); };
    if (hasSystemSchema(checked.get())) {
        const db::Handle source = db::openReadOnly(file);
        next.copyDatabase(source.get(), [&] {
            check();
            const QString broken = brokenCheck(checked.get());
            if (!broken.isEmpty())
                throw db::Error(QStringLiteral("%1 中的数据不符合本系统的规则：%2").arg(file, checkText(broken)));
        }, false);
    } else {
        rebuild(file, next, column(checked.get(), "PRAGMA page_size").value(0).toInt(), check);
    }
    if (stampOf(file) != before) throw db::Error(QStringLiteral("%1 在读取时被改动").arg(file));
}

// The open shared queries, closed for the swap and opened again after it on
// whatever the file then holds.
class Reopener {
public:
    explicit Reopener(TData1& d) : c_(d.ADOConnection2)
    {
        // Snapshots of the replaced data go; each open query reads again after.
        for (db::Query* q : d.findChildren<db::Query*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (!q->isOpen()) continue;
            open_.append({q, q->recNo()});
            q->close();
        }
    }
    // The connection opens again on the file under the database's name: the
    // restored data, or the current ones in their own log mode after a failure.
    void reopen()
    {
        c_.close();
        try {
            c_.handle();
        } catch (...) {
            diag::logCause(QStringLiteral("恢复后重新打开数据库"));
        }
        for (const Open& o : open_) {
            try {
                o.q->open();
                if (o.row > 0 && o.q->recordCount() > 0) o.q->setRecNo(std::min(o.row, o.q->recordCount() - 1));
            } catch (...) {
                diag::logCause(QStringLiteral("恢复后重新打开 %1").arg(o.q->name()));
                o.q->close();
            }
        }
    }

private:
    struct Open {
        db::Query* q;
        int row;
    };
    db::Connection& c_;
    QList<Open> open_;
};

// With no other connection left on the database, the current file gets a
// second name (the kept copy) and `next` takes the database's name in one
// rename. Returns the kept copy's path; on failure nothing has changed.
QString swapIn(TData1& d, const QString& livePath, db::PendingFile& next)
{
    db::Connection& c = d.ADOConnection2;
    Reopener queries(d);
    QString kept;
    try {
        sqlite3* live = c.handle();
        // The file is replaced under its name, so no other connection may be
        // left on the old one: leaving the log mode fails while another is
        // open, and the exclusive lock waits a moment for readers to finish.
        sqlite3_busy_timeout(live, 1000);
        takeAlone(live, livePath);
        const QString keep = safetyCopyPath(livePath);
        db::keepUnderSecondName(live, livePath, keep);
        kept = keep;
        next.install();
    } catch (...) {
        if (!kept.isEmpty()) QFile::remove(kept);
        queries.reopen();
        throw;
    }
    retiredHandles().emplace_back(c.takeHandle());
    queries.reopen();
    return kept;
}

// Whether a file is recognisably a hidden copy of this program's: empty, not
// yet written (its space reserved as zeros) or a database file.
bool holdsOurCopy(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    char head[16] = {};
    const ssize_t n = ::pread(fd, head, sizeof head, 0);
    ::close(fd);
    if (n == 0) return true;
    if (n != ssize_t(sizeof head)) return false;
    return std::memcmp(head, "SQLite format 3", 16) == 0 || std::all_of(head, head + 16, [](char c) { return c == 0; });
}

}

void removeLeftoverCopies(const QString& folder)
{
    // PendingFile's names: "." + the final name + "." + six letters or digits,
    // drawn from both cases. Six letters of one case are rather a word that
    // ends another program's hidden file (".places.sqlite", ".x.backup"): such
    // a file stays, as the odd leftover named so by chance may.
    static const QRegularExpression kName(QStringLiteral("^\\..+\\.(?![a-z]{6}$|[A-Z]{6}$)[A-Za-z0-9]{6}$"));
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks)) {
        if (!kName.match(name).hasMatch()) continue;
        const QByteArray path = QFile::encodeName(dir.absoluteFilePath(name));
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
        if (int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec >= kStartedNs) continue;
        if (!holdsOurCopy(path)) continue;
        if (::unlink(path.constData()) == 0)
            qCInfo(lcFailure, "removed %s, left by an interrupted backup or restore", path.constData());
    }
}

void backupDatabase(TData1& d, const QString& file)
{
    refuseLiveFiles(d, file);
    removeLeftoverCopies(QFileInfo(file).absolutePath());
    db::saveCopy(d.ADOConnection2.handle(), file, [](sqlite3* data) {
        checkTables(data);
        db::checkIntegrity(data);
    });
}

QString safetyCopyPath(const QString& live)
{
    const QString stem = QFileInfo(live).absoluteFilePath() + QLatin1Char('.')
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString path = stem + QStringLiteral(".bak");
    for (int n = 2; QFileInfo::exists(path); ++n) path = stem + QStringLiteral("-%1.bak").arg(n);
    return path;
}

QString restoreDatabase(TData1& d, const QString& file)
{
    const QString livePath = checkRestorable(d, file);
    removeLeftoverCopies(QFileInfo(livePath).absolutePath());
    db::PendingFile next(livePath);
    buildFrom(file, next);
    next.copyModeOf(livePath);
    next.flush();
    return swapIn(d, livePath, next);
}

}
