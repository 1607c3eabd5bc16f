// Backup and restore of a large database, beside a plain copy of the same file.
//
//   bench_backup [folder] [rounds]     (default /tmp/hrms_bench_backup, 3)
//
// The first run builds a database of 10,000 employees, each with a 100 KB
// photo, and a month's salaries (about 1 GB) and keeps it in the folder for
// later runs. Each round times a plain copy of that file, from which the
// working database was copied (a read/write loop that leaves the copy in the
// page cache; the working file itself is not opened, as closing a descriptor
// of it would drop the program's locks), the program's backup
// to a file and the restore from that file through the data module's
// connection (both on the disk when they return), the restore from the same
// backup as an earlier version of the program wrote it (without the named
// checks, so rebuilt row by row), and the plain copy once more with a flush to
// the disk. Every measure starts with nothing waiting for the
// disk; the medians are reported. A folder on a RAM file system (/dev/shm)
// leaves the disk out and shows the program's own cost.
#include "bench_util.h"
#include "data/U_data.h"
#include "data/archive.h"
#include "data/create_db.h"
#include "platform/db/error.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>
#include <vector>

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

void loopCopy(const QString& from, const QString& to, bool flush)
{
    static char buf[1 << 20];
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY);
    const int out = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0) fail(QStringLiteral("cannot copy ") + from);
    ssize_t n;
    while ((n = ::read(in, buf, sizeof buf)) > 0)
        if (::write(out, buf, size_t(n)) != n) fail(QStringLiteral("short write"));
    if (flush) ::fsync(out);
    ::close(in);
    ::close(out);
}

// The backup as an earlier version would have written it: the same rows,
// the tables without their named checks.
void makeOlder(const QString& bak, const QString& older)
{
    QFile::remove(older);
    loopCopy(bak, older, false);
    sqlite3* h = nullptr;
    sqlite3_open(QFile::encodeName(older).constData(), &h);
    sqlite3_exec(h, "PRAGMA writable_schema = 1; BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* read = nullptr;
    sqlite3_stmt* write = nullptr;
    sqlite3_prepare_v2(h, "SELECT name, sql FROM sqlite_schema WHERE type = 'table'", -1, &read, nullptr);
    sqlite3_prepare_v2(h, "UPDATE sqlite_schema SET sql = ?2 WHERE name = ?1", -1, &write, nullptr);
    static const QRegularExpression check(QStringLiteral(" CONSTRAINT \\S+ CHECK \\((?:[^()]|\\([^()]*\\))*\\)"));
    while (sqlite3_step(read) == SQLITE_ROW) {
        const QByteArray sql = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(read, 1)))
                                   .remove(check)
                                   .toUtf8();
        sqlite3_bind_value(write, 1, sqlite3_column_value(read, 0));
        sqlite3_bind_text(write, 2, sql.constData(), int(sql.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(write) != SQLITE_DONE) fail(QString::fromUtf8(sqlite3_errmsg(h)));
        sqlite3_reset(write);
    }
    sqlite3_finalize(read);
    sqlite3_finalize(write);
    if (sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) fail(QString::fromUtf8(sqlite3_errmsg(h)));
    sqlite3_close(h);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/hrms_bench_backup");
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
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
    QFile::copy(base, live);
    // Read once, so that every copy starts from the cache.
    loopCopy(base, loop, false);
    QFile::remove(loop);

    const QString older = run + QStringLiteral("/older.bak");
    std::vector<double> plain, flushed, backup, restore, rebuilt;
    try {
        Data1 = new TData1(live);
        for (int r = 0; r < rounds; ++r) {
            ::sync();
            plain.push_back(timed([&] { loopCopy(base, loop, false); }));
            QFile::remove(loop);

            Data1->ADOConnection2.exec(QStringLiteral("update 人事表 set xm = '改前' where bh = '202400001'"));
            ::sync();
            backup.push_back(timed([&] { data::backupDatabase(*Data1, bak); }));
            Data1->ADOConnection2.exec(QStringLiteral("delete from 工资表"));
            ::sync();
            QString kept;
            restore.push_back(timed([&] { kept = data::restoreDatabase(*Data1, bak); }));
            const auto requireRows = [] {
                Data1->ADOQuery1.setSql(QStringLiteral("select count(*) as n from 工资表"));
                Data1->ADOQuery1.open();
                if (Data1->ADOQuery1.field(QStringLiteral("n")).toText() != QString::number(kEmployees))
                    fail(QStringLiteral("restore lost rows"));
                Data1->ADOQuery1.close();
            };
            requireRows();
            QFile::remove(kept);

            makeOlder(bak, older);
            Data1->ADOConnection2.exec(QStringLiteral("delete from 工资表"));
            ::sync();
            rebuilt.push_back(timed([&] { kept = data::restoreDatabase(*Data1, older); }));
            requireRows();
            QFile::remove(kept);
            QFile::remove(older);
            ::sync();
            flushed.push_back(timed([&] { loopCopy(base, loop, true); }));
            QFile::remove(loop);
        }
        delete Data1;
        Data1 = nullptr;
    } catch (const db::Error& e) {
        fail(e.message());
    }
    QDir(run).removeRecursively();

    auto list = [](const std::vector<double>& v) {
        QString s;
        for (double x : v) s += QString::asprintf(" %.2f", x);
        return s.toUtf8();
    };
    const double p = median(plain), f = median(flushed), b = median(backup), rs = median(restore), rb = median(rebuilt);
    std::printf("database            %.0f MB, %d rounds, medians (each round)\n", size / 1e6, rounds);
    std::printf("plain copy          %.2f s  (%s)\n", p, list(plain).constData());
    std::printf("copy, flushed       %.2f s  (%s)\n", f, list(flushed).constData());
    std::printf("backup              %.2f s  (%s)  %.1fx plain, %.1fx flushed\n", b, list(backup).constData(), b / p, b / f);
    std::printf("restore             %.2f s  (%s)  %.1fx plain, %.1fx flushed\n", rs, list(restore).constData(), rs / p,
                rs / f);
    std::printf("restore, rebuilt    %.2f s  (%s)  %.1fx plain, %.1fx flushed\n", rb, list(rebuilt).constData(), rb / p,
                rb / f);
    std::printf("under 5 s           %s\n", b < 5 && rs < 5 && rb < 5 ? "yes" : "NO");
    std::printf("within 2x a copy    plain: backup %s, restore %s; flushed: backup %s, restore %s\n",
                b <= 2 * p ? "yes" : "NO", rs <= 2 * p ? "yes" : "NO", b <= 2 * f ? "yes" : "NO",
                rs <= 2 * f ? "yes" : "NO");
    return 0;
}
