#include "data/archive.h"
#include "data/U_data.h"
#include "data/dbcheck.h"
#include "platform/db/backup.h"
#include "platform/db/error.h"
#include "platform/diag/log.h"
#include <QDateTime>
#include <QFileInfo>
#include <sqlite3.h>

namespace data {

void backupDatabase(TData1& d, const QString& file)
{
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
    const db::Handle source = db::openReadOnly(file);
    checkSystemDatabase(source.get());

    sqlite3* live = d.ADOConnection2.handle();
    if (d.ADOConnection2.inTransaction()) throw db::Error(QStringLiteral("数据库正在修改中，不能恢复"));
    // The current data stay at hand in case the restore was a mistake. Not
    // checked: a damaged database must still be replaceable by a sound backup.
    const QString kept = safetyCopyPath(d.ADOConnection2.path());
    db::saveCopy(live, kept);

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
    try {
        db::copyDatabase(source.get(), live);
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
