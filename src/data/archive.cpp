#include "data/archive.h"
#include "data/U_data.h"
#include "data/system_db.h"
#include "platform/db/backup.h"
#include "platform/db/error.h"
#include "platform/diag/log.h"
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace data {

namespace {

// This system's tables, and nothing that would run statements of its own:
// the quick part of telling a sound database of this system.
void checkTables(sqlite3* h)
{
    QString why;
    if (!isSystemDatabase(h, &why)) throw db::Error(QStringLiteral("不是本系统的数据库：%1").arg(why));
    // The system makes no triggers or views: one in a chosen file would run
    // statements of its own on every later change.
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(h, "SELECT name FROM sqlite_schema WHERE type IN ('trigger', 'view') LIMIT 1", -1, &st,
                                nullptr);
    QString extra;
    if (rc == SQLITE_OK && (rc = sqlite3_step(st)) == SQLITE_ROW)
        extra = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) throw db::Error(QString::fromUtf8(sqlite3_errmsg(h)));
    if (!extra.isEmpty()) throw db::Error(QStringLiteral("不是本系统的数据库：含有触发器或视图 %1").arg(extra));
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

// Without an operator nobody could log in again after the restore.
void requireOperator(sqlite3* h, const QString& file)
{
    sqlite3_stmt* st = nullptr;
    const bool someone = sqlite3_prepare_v2(h, "SELECT 1 FROM 操作员信息表 LIMIT 1", -1, &st, nullptr) == SQLITE_OK
        && sqlite3_step(st) == SQLITE_ROW;
    sqlite3_finalize(st);
    if (!someone) throw db::Error(QStringLiteral("%1 里没有操作员，恢复后将无法登录").arg(file));
}

// Leaves the write-ahead log and locks the file against every other
// connection; the engine does either only when no other connection is open.
void takeAlone(sqlite3* h, const QString& file)
{
    auto journalMode = [h](const char* sql) {
        sqlite3_stmt* st = nullptr;
        QString mode;
        if (sqlite3_prepare_v2(h, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            mode = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        return mode;
    };
    bool alone = journalMode("PRAGMA main.journal_mode=DELETE") == QLatin1String("delete")
        && sqlite3_exec(h, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
    // Another program may have put the file back into log mode in between,
    // where the lock would keep out writers only.
    alone = alone && journalMode("PRAGMA main.journal_mode") == QLatin1String("delete")
        && !QFileInfo::exists(file + QStringLiteral("-wal"));
    if (!alone)
        throw db::Error(QStringLiteral("数据库正被其他程序使用，不能恢复：%1").arg(QString::fromUtf8(sqlite3_errmsg(h))));
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
}

void backupDatabase(TData1& d, const QString& file)
{
    refuseLiveFiles(d, file);
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

    // A file of anything else is refused at once; a sound one is copied
    // beside the database while a second handle checks it page by page. What
    // was checked is what was copied unless the file changed meanwhile.
    const Stamp before = stampOf(file);
    const db::Handle source = db::openReadOnly(file);
    const db::Handle checked = db::openReadOnly(file);
    checkTables(checked.get());
    requireOperator(checked.get(), file);
    db::PendingFile next(livePath);
    next.copyDatabase(source.get(), [&] { db::checkIntegrity(checked.get()); }, false);
    if (stampOf(file) != before) throw db::Error(QStringLiteral("%1 在读取时被改动").arg(file));
    next.copyModeOf(livePath);
    next.flush();

    // Snapshots of the replaced data go; each open query reads again after.
    struct Open { db::Query* q; int row; };
    QList<Open> reopen;
    for (db::Query* q : d.findChildren<db::Query*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!q->isOpen()) continue;
        reopen.append({q, q->recNo()});
        q->close();
    }
    // The connection opens again on whatever the file holds now: the restored
    // data, or the current ones in their own log mode after a failure.
    auto reopenAll = [&] {
        c.close();
        try {
            c.handle();
        } catch (...) {
            diag::logCause(QStringLiteral("恢复后重新打开数据库"));
        }
        for (const Open& o : reopen) {
            try {
                o.q->open();
                if (o.row > 0 && o.q->recordCount() > 0) o.q->setRecNo(std::min(o.row, o.q->recordCount() - 1));
            } catch (...) {
                diag::logCause(QStringLiteral("恢复后重新打开 %1").arg(o.q->name()));
                o.q->close();
            }
        }
    };

    QString kept;
    try {
        sqlite3* live = c.handle();
        // The file is replaced under its name, so no other connection may be
        // left on the old one: leaving the log mode fails while another is
        // open, and the exclusive lock waits a moment for readers to finish.
        sqlite3_busy_timeout(live, 1000);
        takeAlone(live, livePath);
        // The current file becomes the kept copy under a second name.
        const QString keep = safetyCopyPath(livePath);
        db::keepUnderSecondName(live, livePath, keep);
        kept = keep;
        next.install();
    } catch (...) {
        if (!kept.isEmpty()) QFile::remove(kept);
        reopenAll();
        throw;
    }
    retiredHandles().emplace_back(c.takeHandle());
    reopenAll();
    return kept;
}

}
