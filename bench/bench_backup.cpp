// Backup and restore of a large database, beside a plain copy of the same file.
//
//   bench_backup [folder]      (default /tmp/hrms_bench_backup)
//
// The first run builds a database of 10,000 employees, each with a 100 KB
// photo, and a month's salaries (about 1 GB) and keeps it in the folder for
// later runs. Each run copies it to the working database with QFile::copy and
// with a read/write loop (the baselines), then times the program's backup to a
// file and the restore from that file through the data module's connection.
#include "bench_util.h"
#include "data/U_data.h"
#include "data/archive.h"
#include "data/create_db.h"
#include "platform/db/error.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace {

using namespace bench;

constexpr int kEmployees = 10000;
constexpr int kPhotoBytes = 100 * 1024;

template <class F>
double timed(F&& f)
{
    const auto a = Clock::now();
    f();
    return std::chrono::duration<double>(Clock::now() - a).count();
}

void fail(const QString& what)
{
    std::fprintf(stderr, "%s\n", what.toUtf8().constData());
    std::exit(1);
}

void build(const QString& path)
{
    const QString part = path + QStringLiteral(".part");
    QFile::remove(part);
    data::createDatabase(part, QStringLiteral("admin"), QStringLiteral("admin"));
    sqlite3* h = nullptr;
    sqlite3_open(QFile::encodeName(part).constData(), &h);
    const QByteArray sql = QStringLiteral(
        "BEGIN;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
        "INSERT INTO 人事表 (bh, xm, xb, ssbm, zp) SELECT printf('2024%05d', i), '员工' || i, '男', '人事部', "
        "randomblob(%2) FROM n;"
        "INSERT INTO 工资表 (gzyf, ygbh, ygxm, jbgz, sfgz) SELECT '2024-05', bh, xm, 3500, 3200 FROM 人事表;"
        "COMMIT;").arg(kEmployees).arg(kPhotoBytes).toUtf8();
    char* err = nullptr;
    if (sqlite3_exec(h, sql.constData(), nullptr, nullptr, &err) != SQLITE_OK) fail(QString::fromUtf8(err));
    sqlite3_close(h);
    if (!QFile::rename(part, path)) fail(QStringLiteral("cannot keep ") + path);
}

void loopCopy(const QString& from, const QString& to)
{
    static char buf[1 << 20];
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY);
    const int out = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0) fail(QStringLiteral("cannot copy ") + from);
    ssize_t n;
    while ((n = ::read(in, buf, sizeof buf)) > 0)
        if (::write(out, buf, size_t(n)) != n) fail(QStringLiteral("short write"));
    ::close(in);
    ::close(out);
}

}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/hrms_bench_backup");
    QDir().mkpath(dir);
    const QString base = dir + QStringLiteral("/base.mdb");
    if (!QFileInfo::exists(base)) {
        std::printf("building %s ...\n", base.toUtf8().constData());
        std::printf("  built in %.1f s\n", timed([&] { build(base); }));
    }
    const QString run = dir + QStringLiteral("/run");
    QDir(run).removeRecursively();
    QDir().mkpath(run);
    const QString live = run + QStringLiteral("/db_corvelin_Data.mdb");
    const QString loop = run + QStringLiteral("/loop.mdb");
    const QString bak = run + QStringLiteral("/backup.bak");
    const double size = double(QFileInfo(base).size());

    // Baselines: the same file copied plainly, read first so all start from
    // the cache, and with no writes of earlier runs still waiting for the disk.
    loopCopy(base, loop);
    QFile::remove(loop);
    ::sync();
    const double qcopy = timed([&] { QFile::copy(base, live); });
    const double rwcopy = timed([&] { loopCopy(base, loop); });
    QFile::remove(loop);

    try {
        Data1 = new TData1(live);
        Data1->ADOConnection2.exec(QStringLiteral("update 人事表 set xm = '改前' where bh = '202400001'"));
        const double backup = timed([&] { data::backupDatabase(*Data1, bak); });
        Data1->ADOConnection2.exec(QStringLiteral("delete from 工资表"));
        QString kept;
        const double restore = timed([&] { kept = data::restoreDatabase(*Data1, bak); });
        Data1->ADOQuery1.setSql(QStringLiteral("select count(*) as n from 工资表"));
        Data1->ADOQuery1.open();
        if (Data1->ADOQuery1.field(QStringLiteral("n")).toText() != QString::number(kEmployees))
            fail(QStringLiteral("restore lost rows"));
        delete Data1;
        Data1 = nullptr;
        QFile::remove(kept);

        const double best = std::min(qcopy, rwcopy);
        std::printf("database            %.0f MB\n", size / 1e6);
        std::printf("QFile::copy         %.2f s\n", qcopy);
        std::printf("read/write copy     %.2f s\n", rwcopy);
        std::printf("backup              %.2f s  (%.1fx QFile::copy, %.1fx read/write)\n", backup, backup / qcopy,
                    backup / rwcopy);
        std::printf("restore             %.2f s  (%.1fx QFile::copy, %.1fx read/write)\n", restore, restore / qcopy,
                    restore / rwcopy);
        std::printf("under 5 s           %s\n", backup < 5 && restore < 5 ? "yes" : "NO");
        std::printf("within 2x a copy    backup %s, restore %s (against the faster copy, %.2f s)\n",
                    backup <= 2 * best ? "yes" : "NO", restore <= 2 * best ? "yes" : "NO", best);
    } catch (const db::Error& e) {
        fail(e.message());
    }
    QDir(run).removeRecursively();
    return 0;
}
