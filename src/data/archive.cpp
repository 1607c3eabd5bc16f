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
#include <exception>
#include <sqlite3.h>
#include <thread>

namespace data {

namespace {

// A sound database of this system: the engine's integrity check, then the tables.
void checkSystemDatabase(sqlite3* h)
{
    db::checkIntegrity(h);
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

// The copy of the current data kept by a restore, written through a second
// connection in a thread of its own while the restore writes the new pages
// into the log; the restore commits only after finish().
class SafetyCopy {
public:
    SafetyCopy(const QString& live, const QString& kept)
        : worker_([this, live, kept] {
              try {
                  sqlite3* raw = nullptr;
                  const int rc = sqlite3_open_v2(QFile::encodeName(live).constData(), &raw,
                                                 SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
                  const db::Handle h(raw);
                  if (rc != SQLITE_OK) throw db::Error(QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));
                  sqlite3_busy_timeout(raw, 5000);
                  db::saveCopy(raw, kept);
              } catch (...) {
                  error_ = std::current_exception();
              }
          })
    {
    }
    ~SafetyCopy() { wait(); }
    SafetyCopy(const SafetyCopy&) = delete;
    SafetyCopy& operator=(const SafetyCopy&) = delete;

    // Waits until the copy is complete on the disk; its failure, if any.
    void finish()
    {
        wait();
        if (error_) std::rethrow_exception(error_);
    }

private:
    void wait()
    {
        if (worker_.joinable()) worker_.join();
    }
    std::exception_ptr error_;
    std::thread worker_;
};

// The folder's real path and the name: two paths naming one directory entry
// compare equal, whatever links lead to the folder.
QString entryOf(const QString& path)
{
    const QFileInfo fi(path);
    return fi.absoluteDir().canonicalPath() + QLatin1Char('/') + fi.fileName();
}

// The database file and the engine's files beside it are never a backup's target or source.
void refuseLiveFiles(const TData1& d, const QString& file)
{
    const QString chosen = entryOf(file);
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        if (chosen == entryOf(d.ADOConnection2.path() + QLatin1String(suffix)))
            throw db::Error(QStringLiteral("%1 是正在使用的数据库文件").arg(file));
}

}

void backupDatabase(TData1& d, const QString& file)
{
    refuseLiveFiles(d, file);
    db::saveCopy(d.ADOConnection2.handle(), file, [](sqlite3* copy) { checkSystemDatabase(copy); });
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
    const db::Handle source = db::openReadOnly(file);
    checkSystemDatabase(source.get());
    // Without an operator nobody could log in again after the restore.
    sqlite3_stmt* st = nullptr;
    const bool someone = sqlite3_prepare_v2(source.get(), "SELECT 1 FROM 操作员信息表 LIMIT 1", -1, &st, nullptr) == SQLITE_OK
        && sqlite3_step(st) == SQLITE_ROW;
    sqlite3_finalize(st);
    if (!someone) throw db::Error(QStringLiteral("%1 里没有操作员，恢复后将无法登录").arg(file));

    sqlite3* live = d.ADOConnection2.handle();
    if (d.ADOConnection2.inTransaction()) throw db::Error(QStringLiteral("数据库正在修改中，不能恢复"));

    // Snapshots of the replaced data go; each open query reads again after.
    struct Open { db::Query* q; int row; };
    QList<Open> reopen;
    for (db::Query* q : d.findChildren<db::Query*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!q->isOpen()) continue;
        reopen.append({q, q->recNo()});
        q->close();
    }
    auto reopenAll = [&] {
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

    // The current data stay at hand in case the restore was a mistake: kept
    // before the restore commits. Not checked: a damaged database must still
    // be replaceable by a sound backup.
    const QString kept = safetyCopyPath(d.ADOConnection2.path());
    try {
        SafetyCopy safety(d.ADOConnection2.path(), kept);
        // Another page size is taken in rollback mode, where a reader would be in the way.
        if (db::pageSize(source.get()) != db::pageSize(live)) safety.finish();
        // The restored pages go to the log, flushed when the last piece commits.
        db::WriteBack log(d.ADOConnection2.path() + QStringLiteral("-wal"));
        db::copyDatabase(source.get(), live, [&](int pagesLeft) {
            if (pagesLeft <= db::kPiecePages) safety.finish();
            log.start();
        });
    } catch (...) {
        reopenAll();
        throw;
    }
    // The restored pages sit in the log: move them into the file now rather
    // than at the next change, and give the log's space back.
    if (sqlite3_wal_checkpoint_v2(live, "main", SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr) != SQLITE_OK)
        qCWarning(lcFailure).noquote() << "恢复后检查点:" << QString::fromUtf8(sqlite3_errmsg(live));
    reopenAll();
    return kept;
}

}
