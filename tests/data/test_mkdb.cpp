#include "data/create_db.h"
#include "data/system_db.h"
#include "harness.h"
#include "platform/db/error.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <csignal>
#include <functional>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

using CreateDatabase = hrtest::HrTest;

namespace {

// Runs on every connection the engine opens while set: a way into the tool's own.
std::function<void(sqlite3*)> g_onOpen;
int onOpen(sqlite3* h, char**, const sqlite3_api_routines*)
{
    if (g_onOpen) g_onOpen(h);
    return SQLITE_OK;
}

void onEveryOpen(std::function<void(sqlite3*)> f)
{
    g_onOpen = std::move(f);
    if (g_onOpen) sqlite3_auto_extension(reinterpret_cast<void (*)()>(onOpen));
    else sqlite3_reset_auto_extension();
}

}

TEST_F(CreateDatabase, NewFileHoldsTheSchemaOneOperatorAndTheNationalLists)
{
    const QString objects = "select type, name, sql from sqlite_master order by name";
    const QStringList schema = db->rows(objects);   // the test database is made from the schema
    const QString vacuum = db->scalar("pragma auto_vacuum");
    ASSERT_TRUE(QFile::remove(db->path()));
    data::createDatabase(db->path(), "admin", "秘密 1");

    EXPECT_EQ(db->rows(objects), schema);
    EXPECT_EQ(db->scalar("pragma auto_vacuum"), vacuum);   // the photos' pointer maps the browse reads by
    const QStringList groups = db->rows("select 民族 from 民族表 order by rowid");
    EXPECT_EQ(QSet<QString>(groups.begin(), groups.end()).size(), 56);
    EXPECT_EQ(groups, data::ethnicGroups());
    EXPECT_EQ(db->rows("select * from 文化程度表 order by rowid"), data::educationLevels());
    EXPECT_EQ(db->rows("select * from 政治面貌表 order by rowid"), data::politicalStatuses());
    for (const QString& t : db->rows("select name from sqlite_master where type = 'table' and name not in "
                                     "('操作员信息表', '民族表', '文化程度表', '政治面貌表')"))
        EXPECT_EQ(db->count(t), 0) << t.toStdString();

    // A database made before is never touched.
    EXPECT_THROW(data::createDatabase(db->path(), "second", "x"), db::Error);
    EXPECT_EQ(db->rows("select * from 操作员信息表"), QStringList{"admin|秘密 1"});
}

TEST_F(CreateDatabase, RefusalsLeaveNothingBehindAndTheToolReportsThem)
{
    const QDir dir(db->dir());
    const auto create = [&](const QString& file, const char* name = "admin", const char* password = "admin") {
        data::createDatabase(dir.filePath(file), QString::fromUtf8(name), QString::fromUtf8(password));
    };
    // Someone else's file is never touched.
    QFile other(dir.filePath("notes.mdb"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly) && other.write("keep me") == 7);
    other.close();
    EXPECT_THROW(create("notes.mdb"), db::Error);
    ASSERT_TRUE(other.open(QIODevice::ReadOnly));
    EXPECT_EQ(other.readAll(), QByteArray("keep me"));

    // A failure part way, or a file made under the name meanwhile by someone
    // else: nothing of ours is left, theirs stays as it is.
    const QString path = dir.filePath("blocked.mdb");
    onEveryOpen([](sqlite3* h) { sqlite3_progress_handler(h, 50, [](void*) { return 1; }, nullptr); });
    try {
        create("blocked.mdb");
        ADD_FAILURE() << "created despite the interrupted engine";
    } catch (const db::Error& e) {
        EXPECT_TRUE(e.message().contains(path)) << e.what();   // the message names the file
    }
    onEveryOpen([&](sqlite3*) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::NewOnly) && f.write("theirs") == 6);
    });
    EXPECT_THROW(create("blocked.mdb"), db::Error);
    onEveryOpen(nullptr);
    QFile theirs(path);
    ASSERT_TRUE(theirs.open(QIODevice::ReadOnly));
    EXPECT_EQ(theirs.readAll(), QByteArray("theirs"));
    EXPECT_EQ(dir.entryList({".*"}, QDir::Files | QDir::Hidden), QStringList());
    EXPECT_THROW(create("no/such/folder/x.mdb"), db::Error);

    // An operator the login could never match (it trims what is typed) is refused up front.
    for (const auto& [name, password] :
         {std::pair{" admin", "admin"}, std::pair{"admin", "admin "}, std::pair{"", "admin"}, std::pair{"admin", ""}}) {
        EXPECT_THROW(create("x.mdb", name, password), db::Error) << name << "/" << password;
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("x.mdb")));
    }

    const QString tool = QCoreApplication::applicationDirPath() + "/mkdb";
    if (!QFileInfo(tool).isExecutable()) GTEST_SKIP() << "mkdb not built beside the tests";
    const auto run = [&](const QStringList& args, bool ok) {
        QProcess p;
        p.start(tool, args);
        EXPECT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitCode() == 0, ok) << args.join(' ').toStdString();
        return p.readAllStandardError();
    };
    run({dir.filePath("t.mdb"), "admin", "admin"}, true);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("t.mdb")));
    EXPECT_TRUE(run({dir.filePath("t.mdb"), "admin", "admin"}, false).contains("already exists"));
    run({dir.filePath("t.mdb")}, false);
}

// The tool killed at any moment leaves either no file under the name, which
// it makes anew at the next try, or the whole new database.
TEST_F(CreateDatabase, AToolKilledHalfWayLeavesNoFileTheProgramWouldRefuse)
{
    const QString path = QDir(db->dir()).filePath("new.mdb");
    int killed = 0;
    for (static int steps = 1;; ++steps) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            onEveryOpen([](sqlite3* h) {
                sqlite3_progress_handler(h, 20, [](void*) { return --steps == 0 ? ::kill(::getpid(), SIGKILL) : 0; }, nullptr);
            });
            data::createDatabase(path, "admin", "admin");
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (WIFSIGNALED(status)) ++killed;
        if (!QFileInfo::exists(path)) continue;
        QString why;
        EXPECT_TRUE(data::isSystemDatabase(path, &why)) << "after a kill at " << steps << ": " << why.toStdString();
        EXPECT_TRUE(WIFEXITED(status)) << "a file under the name before the end, at " << steps;
        break;
    }
    EXPECT_GT(killed, 1);
}
