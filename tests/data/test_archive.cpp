// Backup files of the database and their restore.
#include "data/U_data.h"
#include "data/archive.h"
#include "data/schema.h"
#include "data/system_db.h"
#include "harness.h"
#include "platform/db/backup.h"
#include "platform/db/error.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

// Everything a restore must bring back: the employees with their photos and a
// month's salaries. One photo is large enough to make the copies go in pieces.
const QString kEmployees = QStringLiteral(
    "select bh, xm, iif(length(zp) < 100000, hex(zp), length(zp) || hex(substr(zp, 40000000, 16)) || hex(substr(zp, -16))) "
    "from 人事表 order by rowid");
const QString kSalaries = QStringLiteral("select * from 工资表 where gzyf = '2024-05' order by rowid");

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Runs statements on a file through a connection of its own.
void sql(const QString& path, const char* statements)
{
    sqlite3* h = nullptr;
    sqlite3_open(path.toUtf8().constData(), &h);
    EXPECT_EQ(sqlite3_exec(h, statements, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(h);
    sqlite3_close(h);
}

class ArchiveTest : public hrtest::HrTest {
protected:
    void SetUp() override
    {
        HrTest::SetUp();
        // Written through the program's own connection, so it sits in the log, not yet in the file.
        live("insert into 人事表 (bh, xm, zp) values ('2024001', '张三', zeroblob(70000)), ('2024002', '李四', x'424d0102'), "
             "('2024003', '王五', null)");
        live("update 人事表 set zp = randomblob(70000) where bh = '2024001'");
        live("insert into 工资表 (gzyf, ygbh, ygxm, jbgz, sfgz) values ('2024-05', '2024001', '张三', 3500.5, 3200), "
             "('2024-05', '2024002', '李四', 4000, 3700), ('2024-04', '2024001', '张三', 3500.5, 3100)");
        live("insert into 单位信息表 (单位名称) values ('澄岚')");
        live("insert into 操作员信息表 values ('admin', 'admin')");
        employees = db->rows(kEmployees);
        salaries = db->rows(kSalaries);
    }
    void live(const QString& sql) { Data1->ADOConnection2.exec(sql); }
    QString file(const QString& name) const { return db->dir() + QLatin1Char('/') + name; }
    QStringList entries() const { return QDir(db->dir()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    QStringList employees, salaries;
};

}

TEST_F(ArchiveTest, BackupThenRestoreBringsBackRowsPhotosAndSalaries)
{
    // Large enough for the copies to go in pieces, the current data kept alongside.
    live("insert into 人事表 (bh, zp) values ('2024004', randomblob(72 * 1024 * 1024))");
    employees = db->rows(kEmployees);
    ASSERT_GT(QFileInfo(db->path() + "-wal").size(), 0);
    const QString bak = file("月末.bak");
    data::backupDatabase(*Data1, bak);
    // A plain database file, with nothing left beside it.
    EXPECT_EQ(bytesOf(bak).mid(18, 2), QByteArray("\x01\x01"));
    EXPECT_EQ(entries().filter(".bak").join(' ').toStdString(), "月末.bak");

    live("delete from 工资表 where ygbh = '2024002'");
    live("update 人事表 set zp = x'00', xm = '改' where bh = '2024001'");
    live("insert into 人事表 (bh) values ('2024009')");
    // Open queries read the restored rows; a query's pending edit goes with the replaced data.
    db::Query& q = Data1->ADOQYgzb;
    q.setSql(kSalaries);
    q.open();
    q.setRecNo(0);
    Data1->ADOlogin.setSql("select * from 人事表");
    Data1->ADOlogin.open();
    Data1->ADOlogin.edit();
    Data1->ADOlogin.setField("xm", db::Value::text("未保存"));
    const QStringList changed = db->rows(kEmployees);

    const QByteArray before = bytesOf(bak);
    QFile::setPermissions(db->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup);
    const QString kept = data::restoreDatabase(*Data1, bak);
    EXPECT_EQ(QFile::permissions(db->path()), QFile::permissions(kept));
    EXPECT_EQ(db->rows(kEmployees), employees);
    EXPECT_EQ(db->rows(kSalaries), salaries);
    EXPECT_EQ(db->count("工资表"), 3);
    EXPECT_EQ(bytesOf(bak), before);
    EXPECT_EQ(q.recordCount(), 2);
    EXPECT_EQ(Data1->ADOlogin.recordCount(), 4);
    EXPECT_EQ(Data1->ADOlogin.state(), db::Query::State::Browse);
    // The program goes on writing to the restored data.
    live("update 单位信息表 set 法人 = '赵六'");
    EXPECT_EQ(db->scalar("select 法人 from 单位信息表"), "赵六");

    // The data replaced were kept beside the database, named with the moment.
    EXPECT_EQ(QFileInfo(kept).absolutePath(), QFileInfo(db->path()).absolutePath());
    EXPECT_TRUE(QFileInfo(kept).fileName().contains(QRegularExpression("^db_corvelin_Data\\.mdb\\.\\d{8}-\\d{6}(-\\d+)?\\.bak$")))
        << kept.toStdString();
    // A program that opened the replaced file a moment before can never use
    // it, nor take the restored database's log for its own.
    {
        sqlite3* late = nullptr;
        sqlite3_open(kept.toUtf8().constData(), &late);
        EXPECT_EQ(sqlite3_exec(late, "select count(*) from 人事表", nullptr, nullptr, nullptr), SQLITE_BUSY);
        sqlite3_close(late);
    }
    EXPECT_EQ(bytesOf(kept).mid(18, 2), QByteArray("\x01\x01"));
    const QString second = data::restoreDatabase(*Data1, kept);
    EXPECT_NE(second, kept);
    EXPECT_EQ(db->rows(kEmployees), changed);

    // A database of this system made with another page size, itself in log mode, is taken too.
    sql(file("big-pages.bak"), (QByteArray("pragma page_size = 8192;") + data::schemaSql()).constData());
    sql(file("big-pages.bak"), "pragma journal_mode = wal; insert into 部门表 values ('001', '人事部'); "
                               "insert into 操作员信息表 values ('a', 'b')");
    ASSERT_EQ(bytesOf(file("big-pages.bak")).mid(18, 2), QByteArray("\x02\x02"));
    data::restoreDatabase(*Data1, file("big-pages.bak"));
    EXPECT_EQ(db->rows("select * from 部门表"), QStringList{"001|人事部"});
    EXPECT_EQ(db->count("人事表"), 0);
    EXPECT_EQ(db->rows("pragma integrity_check"), QStringList{"ok"});
    EXPECT_EQ(db->scalar("pragma page_size") + db->scalar("pragma journal_mode"), "8192wal");
}

TEST_F(ArchiveTest, RestoreRefusesAnythingButASoundDatabaseOfThisSystem)
{
    const QString bak = file("good.bak");
    data::backupDatabase(*Data1, bak);
    const QByteArray good = bytesOf(bak);

    write(file("truncated.bak"), good.left(good.size() / 2));
    write(file("notes.bak"), "操作员信息表\n这不是数据库\n");
    sql(file("other.db"), "create table 操作员信息表 (name text, password text); insert into 操作员信息表 values ('x', 'y')");
    // A backup of this system's tables that would also run statements of its own on later changes.
    write(file("trigger.bak"), good);
    sql(file("trigger.bak"), "create trigger wipe after insert on 人事表 begin delete from 工资表; end");
    // Nobody could log in again after restoring a file without an operator
    // whose name and password can be typed: the login trims both and wants
    // text in each.
    const char* nobody[] = {"delete from 操作员信息表", "update 操作员信息表 set 操作员名称 = null",
                            "update 操作员信息表 set 操作员名称 = ''", "update 操作员信息表 set 操作员名称 = ' admin'",
                            "update 操作员信息表 set 操作员密码 = null", "update 操作员信息表 set 操作员密码 = 'admin '"};
    QStringList names = {"truncated.bak", "notes.bak", "other.db", "trigger.bak", "logged.bak", "missing.bak", "folder.bak"};
    for (const char* change : nobody) {
        names << QStringLiteral("nobody%1.bak").arg(names.size());
        write(file(names.last()), good);
        sql(file(names.last()), change);
    }
    // Committed rows in a log beside the file would be left out.
    write(file("logged.bak"), good);
    write(file("logged.bak-wal"), QByteArray(4096, '\x01'));
    QDir().mkpath(file("folder.bak"));
    const QStringList before = entries();
    for (const QString& name : names) {
        const QByteArray bytes = bytesOf(file(name));
        try {
            data::restoreDatabase(*Data1, file(name));
            ADD_FAILURE() << name.toStdString() << " restored";
        } catch (const db::Error& e) {
            if (name.startsWith("nobody")) {
                EXPECT_TRUE(e.message().contains("没有能登录的操作员")) << e.message().toStdString();
            }
        }
        EXPECT_EQ(bytesOf(file(name)), bytes) << name.toStdString();
    }
    // The database itself, under any name (its bytes are not read here: a
    // descriptor of it closed in this process would drop the engine's locks).
    ASSERT_EQ(::link(db->path().toUtf8().constData(), file("linked.bak").toUtf8().constData()), 0);
    for (const char* n : {"db_corvelin_Data.mdb", "linked.bak"})
        EXPECT_THROW(data::restoreDatabase(*Data1, file(QString::fromUtf8(n))), db::Error) << n;
    QFile::remove(file("linked.bak"));
    // Nothing changed, nothing made beside the chosen files, no safety copy taken.
    EXPECT_EQ(db->rows(kEmployees), employees);
    EXPECT_EQ(db->rows(kSalaries), salaries);
    EXPECT_EQ(entries(), before);
}

TEST_F(ArchiveTest, BackupReplacesAnOldFileOnlyWithACompleteCheckedCopy)
{
    const QString bak = file("daily.bak");
    live("insert into 人事表 (bh, zp) values ('2024005', randomblob(1 << 20))");
    data::backupDatabase(*Data1, bak);
    const QByteArray first = bytesOf(bak);
    const QStringList before = entries();
    // A full disk (a file size limit in a child with a connection of its own):
    // both fail, leaving the old backup, the data and the folder as they were.
    const pid_t child = ::fork();
    if (child == 0) {
        (void)Data1->ADOConnection2.takeHandle();   // the parent's locks are not the child's
        ::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {512 * 1024, 512 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        int refused = 0;
        for (const auto& step : {std::function<void()>([&] { data::backupDatabase(*Data1, bak); }),
                                 std::function<void()>([&] { data::restoreDatabase(*Data1, bak); })}) {
            try {
                step();
            } catch (const db::Error& e) {
                refused += e.message().contains(QString::fromLocal8Bit(std::strerror(EFBIG)));
            }
        }
        ::_exit(refused);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status;
    EXPECT_EQ(bytesOf(bak), first);
    EXPECT_EQ(entries(), before);
    EXPECT_EQ(db->count("人事表"), 4);

    live("delete from 人事表 where bh in ('2024003', '2024005')");
    data::backupDatabase(*Data1, bak);   // over the existing file, unasked
    {
        db::Handle h = db::openReadOnly(bak);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(h.get(), "select count(*) from 人事表", -1, &st, nullptr);
        ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
        EXPECT_EQ(sqlite3_column_int(st, 0), 2);
        sqlite3_finalize(st);
    }

    // A failure while the copy is being written (a crash, a full disk, a
    // refused check): the old backup stays whole and the half-made file goes.
    const QByteArray old = bytesOf(bak);
    const QStringList files = entries();
    bool copied = false;
    EXPECT_THROW(db::saveCopy(Data1->ADOConnection2.handle(), bak,
                              [&](sqlite3*) {
                                  copied = true;
                                  // Other writers wait until the pages are read.
                                  sqlite3* other = nullptr;
                                  sqlite3_open(db->path().toUtf8().constData(), &other);
                                  EXPECT_EQ(sqlite3_exec(other, "delete from 人事表", nullptr, nullptr, nullptr), SQLITE_BUSY);
                                  sqlite3_close(other);
                                  EXPECT_EQ(entries().size(), files.size() + 1);
                                  throw db::Error("injected");
                              }),
                 db::Error);
    EXPECT_TRUE(copied);
    EXPECT_EQ(bytesOf(bak), old);
    EXPECT_EQ(entries(), files);

    EXPECT_THROW(data::backupDatabase(*Data1, file("no such folder/x.bak")), db::Error);
    // Never over the database itself or the engine's files beside it.
    ASSERT_EQ(::link(db->path().toUtf8().constData(), file("linked.bak").toUtf8().constData()), 0);
    for (const char* live : {"db_corvelin_Data.mdb", "db_corvelin_Data.mdb-wal", "./db_corvelin_Data.mdb-shm", "linked.bak"})
        EXPECT_THROW(data::backupDatabase(*Data1, file(live)), db::Error) << live;
    EXPECT_EQ(db->count("人事表"), 2);
    EXPECT_FALSE(QFileInfo::exists(file("no such folder")));
}

TEST_F(ArchiveTest, RestoreWaitsUntilNoOtherConnectionIsLeftOnTheDatabase)
{
    const QString bak = file("before.bak");
    live("update 单位信息表 set 法人 = '旧'");
    // Another copy of the program, idle: a backup goes on beside it.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(db->path().toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "select count(*) from 人事表", nullptr, nullptr, nullptr), SQLITE_OK);
    data::backupDatabase(*Data1, bak);
    live("update 单位信息表 set 法人 = '新'");

    // It would go on with the replaced file: the restore is refused, and the
    // program's own connection goes on as before.
    const QStringList files = entries();
    try {
        data::restoreDatabase(*Data1, bak);
        ADD_FAILURE() << "restored";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.message(), "数据库正被其他程序使用，请先关闭其他程序");
    }
    EXPECT_EQ(entries(), files);
    EXPECT_EQ(db->scalar("pragma journal_mode"), "wal");
    live("update 单位信息表 set 单位电话 = '1'");
    EXPECT_EQ(db->scalar("select 法人 || 单位电话 from 单位信息表"), "新1");

    sqlite3_close(other);
    data::restoreDatabase(*Data1, bak);
    EXPECT_EQ(db->scalar("select 法人 from 单位信息表"), "旧");
}

namespace {

// The program's tables without the named checks: as an earlier version of
// the program made them (STRICT), or as a lookalike would (not even STRICT).
QByteArray schemaWithoutChecks(bool strict)
{
    QString s = QString::fromUtf8(data::schemaSql());
    s.remove(QRegularExpression(" CONSTRAINT \\S+ CHECK \\((?:[^()]|\\([^()]*\\))*\\)"));
    if (!strict) s.replace(") STRICT;", ");");
    return s.toUtf8();
}

}

// A restored file carries the schema the program makes: a file with the
// right tables and columns is brought to it, and refused unchanged when a
// row breaks its rules.
TEST_F(ArchiveTest, RestoreBringsAFileToTheProgramsSchemaOrRefusesItsRows)
{
    // Characters a file URI gives a meaning of its own in one name.
    const QString lookalike = file("lookalike.bak"), older = file("older 100%?#'\n.bak");
    sql(lookalike, schemaWithoutChecks(false).constData());
    sql(older, schemaWithoutChecks(true).constData());
    for (const QString& f : {lookalike, older})
        sql(f, "insert into 操作员信息表 values ('a', 'b'); insert into 考核表 (员工编号, 出勤天数) values ('2024001', 22); "
               "insert into 人事表 (bh, csrq) values ('2024001', '1990-02-28'); insert into 工资表 (gzyf, jbgz) values ('2024-05', 3000)");
    const std::pair<const char*, const char*> broken[] = {
        {"insert into 考核表 (出勤天数) values ('abc')", "出勤天数"},
        {"insert into 工资表 (jbgz) values (9e999)", "jbgz"},
        {"insert into 人事表 (csrq) values ('2024-02-31')", "csrq"},
        {"insert into 工资表 (sfgz) values (2501.5)", "sfgz"}};
    const QStringList files = entries();
    for (const auto& [row, column] : broken) {
        SCOPED_TRACE(row);
        write(file("broken.bak"), bytesOf(lookalike));
        sql(file("broken.bak"), row);
        const QByteArray bytes = bytesOf(file("broken.bak"));
        try {
            data::restoreDatabase(*Data1, file("broken.bak"));
            ADD_FAILURE() << "restored";
        } catch (const db::Error& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(column))) << e.message().toStdString();
        }
        EXPECT_EQ(bytesOf(file("broken.bak")), bytes);
        QFile::remove(file("broken.bak"));
        EXPECT_EQ(entries(), files);
        EXPECT_EQ(db->rows(kEmployees), employees);
    }

    // The program's own schema with rows smuggled past it: the check of the
    // page-for-page copy finds them.
    data::backupDatabase(*Data1, file("own.bak"));
    const QByteArray own = bytesOf(file("own.bak"));
    const std::pair<std::vector<const char*>, const char*> smuggled[] = {
        {{"pragma ignore_check_constraints = 1; insert into 人事表 (csrq) values ('2024-02-31')"}, "csrq"},
        {{"pragma ignore_check_constraints = 1; insert into 工资表 (jbgz) values (-9e999)"}, "jbgz"},
        {{"pragma writable_schema = 1; update sqlite_schema set sql = replace(sql, ') STRICT', ')') where name = '考核表'",
          "insert into 考核表 (出勤天数) values ('abc')",
          "pragma writable_schema = 1; update sqlite_schema set sql = sql || ' STRICT' where name = '考核表'"},
         "出勤天数"}};
    for (const auto& [steps, column] : smuggled) {
        write(file("smuggled.bak"), own);
        for (const char* step : steps) sql(file("smuggled.bak"), step);
        try {
            data::restoreDatabase(*Data1, file("smuggled.bak"));
            ADD_FAILURE() << column << " restored";
        } catch (const db::Error& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(column))) << e.message().toStdString();
        }
    }
    QFile::remove(file("smuggled.bak"));
    EXPECT_EQ(db->rows(kEmployees), employees);

    for (const QString& f : {lookalike, older}) {
        SCOPED_TRACE(f.toStdString());
        data::restoreDatabase(*Data1, f);
        EXPECT_EQ(db->rows("select bh, csrq from 人事表"), QStringList{"2024001|1990-02-28"});
        const QString table = db->scalar("select sql from sqlite_schema where name = '考核表'");
        EXPECT_TRUE(table.endsWith("STRICT") && table.contains("出勤天数_finite")) << table.toStdString();
        // The restored tables refuse what the program's own refuse.
        for (const char* bad : {"insert into 考核表 (出勤天数) values ('abc')", "insert into 人事表 (csrq) values ('2024-02-31')",
                                "insert into 工资表 (jbgz) values (9e999)"})
            EXPECT_THROW(live(QString::fromUtf8(bad)), db::Error) << bad;
    }
}

// A crash in the middle of a backup or restore leaves its hidden copy
// beside the target; the next one into that folder (or the start-up, for
// the database's folder) removes such copies, and nothing else.
TEST_F(ArchiveTest, LeftoverCopiesOfACrashedRunGoAndNothingElse)
{
    const QString folder = file("备份");
    QDir().mkpath(folder);
    const QByteArray header("SQLite format 3\0", 16);
    const auto make = [](const QString& path, const QByteArray& bytes, bool old) {
        write(path, bytes);
        if (old) {
            const struct timeval hourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
            ::utimes(QFile::encodeName(path).constData(), hourAgo);
        }
    };
    // Left by crashed runs: a copy under way, space reserved but unwritten, a file just made.
    const QStringList gone = {".月末.bak.Ab12Cd", ".月末.bak.000000", ".db_corvelin_Data.mdb.zZ9yY8"};
    // Not recognisably this program's, or not left by a crash before this run.
    const QStringList kept = {".notes.txt.abcdef", ".月末.bak.Ab12Cde", "月末.bak.Ab12Cd", ".月末.bak.Ab-2Cd",
                              ".running.bak.Fresh1", ".link.bak.Link00", ".dir.bak.Dir000"};
    for (const QString& dir : {folder, db->dir()}) {
        make(dir + "/" + gone[0], header + QByteArray(8000, 'x'), true);
        make(dir + "/" + gone[1], QByteArray(8192, '\0'), true);
        make(dir + "/" + gone[2], QByteArray(), true);
        make(dir + "/" + kept[0], "这不是数据库，只是一个隐藏的笔记文件", true);
        for (int i = 1; i <= 3; ++i) make(dir + "/" + kept[i], header, true);
        make(dir + "/" + kept[4], header, false);
        ::symlink(QFile::encodeName(dir + "/" + kept[1]).constData(), QFile::encodeName(dir + "/" + kept[5]).constData());
        QDir().mkpath(dir + "/" + kept[6]);
    }
    const auto present = [](const QString& dir, const QStringList& names) {
        QStringList found;
        for (const QString& n : names)
            if (QFileInfo(dir + "/" + n).exists() || QFileInfo(dir + "/" + n).isSymLink()) found << n;
        return found;
    };

    data::backupDatabase(*Data1, folder + "/月末.bak");
    EXPECT_EQ(present(folder, gone), QStringList());
    EXPECT_EQ(present(folder, kept), kept);
    EXPECT_EQ(present(db->dir(), gone), gone);   // another folder: not this backup's business

    data::restoreDatabase(*Data1, folder + "/月末.bak");
    EXPECT_EQ(present(db->dir(), gone), QStringList());
    EXPECT_EQ(present(db->dir(), kept), kept);

    // At start-up, in the database's folder.
    make(file(gone[0]), header, true);
    data::readyDatabaseFile(db->path());
    EXPECT_EQ(present(db->dir(), gone), QStringList());
    EXPECT_EQ(present(db->dir(), kept), kept);
}

// A backup may go to any folder, the home folder among them: another
// program's hidden files there whose names end in a six-letter word are not
// the temporary copies this program names with random letters and digits.
TEST_F(ArchiveTest, HiddenFilesOfOtherProgramsBesideABackupStay)
{
    const QString folder = file("家");
    QDir().mkpath(folder);
    const QStringList others = {".places.sqlite", ".settings.backup", ".cache.SQLITE"};
    sql(folder + "/" + others[0], "create table t (x); insert into t values (1)");
    write(folder + "/" + others[1], QByteArray());
    sql(folder + "/" + others[2], "create table t (x)");
    const struct timeval hourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    for (const QString& name : others) ::utimes(QFile::encodeName(folder + "/" + name).constData(), hourAgo);
    const QByteArray places = bytesOf(folder + "/" + others[0]);

    data::backupDatabase(*Data1, folder + "/月末.bak");
    for (const QString& name : others) EXPECT_TRUE(QFileInfo::exists(folder + "/" + name)) << name.toStdString();
    EXPECT_EQ(bytesOf(folder + "/" + others[0]), places);
}
