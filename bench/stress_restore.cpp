// Restores killed at random moments, each followed by a fresh start of the
// program's start-up on what was left.
//
//   stress_restore [folder] [runs]     (default /tmp/hrms_stress_restore, 40)
//
// The folder gets a database of "old" rows and two backups of "new" rows: one
// with the program's schema (copied page for page) and one as an earlier
// version wrote it (rebuilt row by row); the runs alternate between them. Each
// run copies the old database into place, has a child process open it as the
// program does and restore a backup, kills the child after a random delay (up
// to half as long again as a whole restore; every other run from its last quarter,
// where the swap and the reopen are), and then starts another process that
// readies the file as the start-up does, logs in as admin/admin and checks that
// the rows are all old or all new, the file sound and no hidden copy left.
#include "data/U_data.h"
#include "data/archive.h"
#include "data/create_db.h"
#include "data/schema.h"
#include "data/system_db.h"
#include "platform/db/error.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <random>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kOldEmployees = 3000, kNewEmployees = 2000, kPhotoBytes = 16 * 1024;

[[noreturn]] void fail(const QString& what)
{
    std::fprintf(stderr, "%s\n", what.toUtf8().constData());
    std::exit(1);
}

void exec(const QString& path, const QString& sql)
{
    sqlite3* h = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &h);
    char* err = nullptr;
    if (sqlite3_exec(h, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) fail(QString::fromUtf8(err));
    sqlite3_close(h);
}

QString rows(const char* marker, int n)
{
    return QStringLiteral("BEGIN; INSERT INTO 部门表 VALUES ('001', '%1');"
                          "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %2) "
                          "INSERT INTO 人事表 (bh, xm, csrq, zp) SELECT printf('mr%05d', i), '%1', '1990-01-01', randomblob(%3) FROM n;"
                          "INSERT INTO 工资表 (gzyf, ygbh, ygxm, jbgz) SELECT '2024-05', bh, xm, 3000.5 FROM 人事表; COMMIT;")
        .arg(QLatin1String(marker)).arg(n).arg(kPhotoBytes);
}

void setUp(const QString& dir)
{
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    data::createDatabase(dir + "/old.mdb", "admin", "admin");
    exec(dir + "/old.mdb", rows("old", kOldEmployees));
    data::createDatabase(dir + "/new.bak", "admin", "admin");
    exec(dir + "/new.bak", rows("new", kNewEmployees));
    // An earlier version's schema: STRICT, without the named checks.
    QString older = QString::fromUtf8(data::schemaSql());
    older.remove(QRegularExpression(" CONSTRAINT \\S+ CHECK \\((?:[^()]|\\([^()]*\\))*\\)"));
    exec(dir + "/older.bak", older + "INSERT INTO 操作员信息表 VALUES ('admin', 'admin');" + rows("new", kNewEmployees));
}

// The child: opens the database as the program does, says so, and restores.
int restoreChild(const QString& work, const QString& bak)
{
    QDir::setCurrent(work);
    Data1 = new TData1();
    try {
        Data1->ADOConnection2.handle();
        std::fputc('r', stdout);
        std::fflush(stdout);
        data::restoreDatabase(*Data1, bak);
        std::fputc('d', stdout);
        std::fflush(stdout);
    } catch (const db::Error& e) {
        fail(e.message());
    }
    return 0;
}

// Through the program's connection, opened as the login opens it.
QString scalar(TData1& d, const QString& sql)
{
    sqlite3* h = d.ADOConnection2.handle();
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(h, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) fail(sqlite3_errmsg(h));
    QString v;
    if (sqlite3_step(st) == SQLITE_ROW) v = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    return v;
}

// The next start: 10 old rows, 11 new rows, 1 anything else.
int verifyChild(const QString& work)
{
    const QString path = work + "/db_corvelin_Data.mdb";
    try {
        data::readyDatabaseFile(path);
        TData1 d(path);
        if (scalar(d, "select count(*) from 操作员信息表 where 操作员名称 = 'admin' and 操作员密码 = 'admin'") != "1")
            fail("no login");
        if (scalar(d, "pragma integrity_check") != "ok") fail("not sound");
        const QString marker = scalar(d, "select group_concat(部门名称) from 部门表");
        const int n = marker == "old" ? kOldEmployees : kNewEmployees;
        const QString count = QStringLiteral("select count(*) from 人事表 where xm = '%1' and length(zp) = %2").arg(marker).arg(kPhotoBytes);
        if ((marker != "old" && marker != "new") || scalar(d, count) != QString::number(n)
            || scalar(d, "select count(*) from 人事表") != QString::number(n)
            || scalar(d, QStringLiteral("select count(*) from 工资表 where ygxm = '%1'").arg(marker)) != QString::number(n))
            fail("mixed rows: " + marker);
        const QStringList left = QDir(work).entryList(QStringList{".*"}, QDir::Files | QDir::Hidden);
        if (!left.isEmpty()) fail("left beside it: " + left.join(' '));
        return marker == "old" ? 10 : 11;
    } catch (const db::Error& e) {
        fail(e.message());
    }
}

int runSelf(const QStringList& args, int* readyFd = nullptr)
{
    int pipeFd[2];
    if (readyFd && ::pipe(pipeFd) != 0) fail("pipe");
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (readyFd) {
            ::dup2(pipeFd[1], 1);
            ::close(pipeFd[0]);
        }
        std::vector<QByteArray> bytes;
        for (const QString& a : args) bytes.push_back(QFile::encodeName(a));
        std::vector<char*> argv{const_cast<char*>("/proc/self/exe")};
        for (QByteArray& b : bytes) argv.push_back(b.data());
        argv.push_back(nullptr);
        ::execv("/proc/self/exe", argv.data());
        ::_exit(127);
    }
    if (readyFd) {
        ::close(pipeFd[1]);
        *readyFd = pipeFd[0];
    }
    return pid;
}

int waitFor(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == "--restore") return restoreChild(args.value(2), args.value(3));
    if (args.value(1) == "--verify") return verifyChild(args.value(2));

    const QString dir = args.size() > 1 ? args[1] : QStringLiteral("/tmp/hrms_stress_restore");
    const int runs = args.size() > 2 ? std::max(1, args[2].toInt()) : 40;
    setUp(dir);
    const QString work = dir + "/run";
    std::mt19937 random(std::random_device{}());
    // The whole restore's length, untouched (the shortest of three), sets the range of the delays.
    double whole[2] = {1e9, 1e9};
    int tally[2][4] = {};   // per backup: old, new, completed, failed
    for (int r = -6; r < runs; ++r) {
        const int kind = (r + 6) % 2;
        const QString bak = dir + (kind == 0 ? "/new.bak" : "/older.bak");
        QDir(work).removeRecursively();
        QDir().mkpath(work);
        QFile::copy(dir + "/old.mdb", work + "/db_corvelin_Data.mdb");
        int ready = -1;
        const pid_t child = runSelf({"--restore", work, bak}, &ready);
        char c = 0;
        const bool opened = ::read(ready, &c, 1) == 1;
        const auto start = std::chrono::steady_clock::now();
        int rc;
        if (r < 0) {
            // From the open to the restore's return.
            if (::read(ready, &c, 1) != 1) fail("the restore did not return");
            whole[kind] = std::min(whole[kind], std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            rc = waitFor(child);
        } else {
            // Every other run in the last quarter, where the swap and the reopen are.
            std::uniform_real_distribution<double> delay(r % 4 < 2 ? 0 : whole[kind] * 0.75, whole[kind] * 1.5);
            ::usleep(useconds_t(delay(random) * 1e6));
            ::kill(child, SIGKILL);
            rc = waitFor(child);
        }
        ::close(ready);
        if (!opened || (rc != 0 && rc != -SIGKILL)) fail(QStringLiteral("the restore failed (%1)").arg(rc));
        const bool journal = QFileInfo::exists(work + "/db_corvelin_Data.mdb-journal");
        const int hidden = QDir(work).entryList(QStringList{".db_corvelin_Data.mdb.*"}, QDir::Files | QDir::Hidden).size();
        const int seen = waitFor(runSelf({"--verify", work}));
        if (r < 0) {
            if (seen != 11) fail("an untouched restore did not give the new rows");
            continue;
        }
        ++tally[kind][seen == 10 ? 0 : seen == 11 ? 1 : 3];
        if (rc == 0) ++tally[kind][2];
        std::printf("run %2d  %-10s  %s%s%s\n", r + 1, kind == 0 ? "page copy" : "rebuilt",
                    seen == 10 ? "old" : seen == 11 ? "new" : "FAILED", journal ? ", journal rolled back" : "",
                    hidden ? ", hidden copy removed" : "");
    }
    for (int k = 0; k < 2; ++k)
        std::printf("%-10s restore %.2f s untouched; %d old, %d new (%d of them completed before the kill), %d failed\n",
                    k == 0 ? "page copy" : "rebuilt", whole[k], tally[k][0], tally[k][1], tally[k][2], tally[k][3]);
    QDir(work).removeRecursively();
    return tally[0][3] + tally[1][3] ? 1 : 0;
}
