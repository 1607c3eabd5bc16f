#include "dbtest.h"
#include <QDir>
#include <QFile>
#include "platform/db/backup.h"
#include "platform/ui/modal.h"
#include <sqlite3.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace dbtest;

namespace {
class DbConnection : public DbTest {
protected:
    QStringList codes() { return all("select 部门编号 from 部门表"); }
};

// Root opens any file for writing; without the override capability in this
// thread (lowered only while this lives) a file's mode counts for it too.
class FileModesApply {
public:
    FileModesApply()
    {
        ok = syscall(SYS_capget, &header_, saved_) == 0;
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        lowered[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        ok = ok && syscall(SYS_capset, &header_, lowered) == 0;
    }
    ~FileModesApply() { syscall(SYS_capset, &header_, saved_); }
    bool ok = false;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
};

QByteArray writeFile(const QString& name, const QByteArray& bytes)
{
    QFile f(name);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
    return bytes;
}
}

TEST_F(DbConnection, OpensLazilyInWalModeAndOnlyOnAnExistingDatabase)
{
    EXPECT_FALSE(conn().isOpen());
    open("select * from 部门表");
    EXPECT_TRUE(conn().isOpen());
    EXPECT_EQ(db->scalar("pragma journal_mode"), "wal");

    db::Connection missing(QStringLiteral("./absent.mdb"));
    db::Query q1(missing, QStringLiteral("ADOQuery1"));
    q1.setSql(QStringLiteral("select * from 部门表"));
    EXPECT_EQ(errorOf([&] { q1.open(); }),
              "数据库文件 ./absent.mdb 不存在（当前工作目录：" + s(QDir::currentPath()) + "）");
    EXPECT_THROW(missing.handle(), db::Error);   // refused again, still not created
    EXPECT_FALSE(QFile::exists(QStringLiteral("absent.mdb")));

    const QByteArray junk = writeFile("junk.mdb", QByteArray("not a database\n").repeated(300));
    db::Connection notDb(QStringLiteral("./junk.mdb"));
    EXPECT_EQ(errorOf([&] { notDb.handle(); }), "无法打开数据库文件 ./junk.mdb：文件不是数据库文件");
    QFile f(QStringLiteral("junk.mdb"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), junk);

    // A file no connection of this process has open: the engine would
    // otherwise reuse a descriptor that one of them opened for writing.
    ASSERT_TRUE(QFile::copy(db->path(), QStringLiteral("readonly.mdb")));
    QFile::setPermissions(QStringLiteral("readonly.mdb"), QFileDevice::ReadOwner);
    FileModesApply asAnyone;
    ASSERT_TRUE(asAnyone.ok);
    db::Connection readOnly(QStringLiteral("./readonly.mdb"));
    EXPECT_EQ(errorOf([&] { readOnly.handle(); }), "无法打开数据库文件 ./readonly.mdb：数据库文件只读，不能写入");
}

TEST_F(DbConnection, TransactionsAndSavepointsUndoExactlyTheirOwnPart)
{
    {
        db::Transaction t(conn());
        insertDept("1");
        EXPECT_TRUE(codes().isEmpty());   // others see nothing yet
        EXPECT_THROW(conn().begin(), db::Error);   // nesting goes through savepoints
    }
    EXPECT_FALSE(conn().inTransaction());
    EXPECT_TRUE(codes().isEmpty());

    {
        db::Transaction t(conn());
        insertDept("1");
        {
            db::Savepoint outer(conn(), QStringLiteral("month"));
            insertDept("2");
            {
                db::Savepoint inner(conn(), QStringLiteral("row \"x\""));
                insertDept("3");
            }   // not released: undone
            insertDept("4");
            outer.release();
        }
        {
            db::Savepoint failed(conn(), QStringLiteral("month"));
            insertDept("5");
        }
        t.commit();
    }
    EXPECT_EQ(codes(), (QStringList{"1", "2", "4"}));

    // Outside a transaction a savepoint is a transaction of its own.
    {
        db::Savepoint sp(conn(), QStringLiteral("alone"));
        insertDept("6");
        EXPECT_TRUE(conn().inTransaction());
    }
    EXPECT_FALSE(conn().inTransaction());
    EXPECT_EQ(codes(), (QStringList{"1", "2", "4"}));
}

// Another program holding the write lock: after the wait, the operator reads
// in Chinese that nothing was written; the query's name and the engine's own
// words go to the log only.
TEST_F(DbConnection, AWriteRefusedWhileAnotherProgramHoldsTheLockSaysSoInChinese)
{
    insertDept("1");
    sqlite3_busy_timeout(conn().handle(), 50);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open_v2(db->path().toUtf8().constData(), &other, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

    open("select * from 部门表");
    q().edit();
    q().setField("部门名称", text("财务部"));
    const db::Error e = caught([&] { q().post(); });
    EXPECT_EQ(e.code() & 0xff, SQLITE_BUSY);
    EXPECT_EQ(s(e.message()), "数据库正被其他程序使用，没有写入任何数据。请关闭占用数据库的程序或稍后再试。");
    EXPECT_EQ(s(e.context()), "ADOpublic: database is locked");
    {
        hrtest::FailureLog log;
        try {
            q().post();
        } catch (...) {
            ui::failed(QStringLiteral("部门修改"), QStringLiteral("修改失败"), nullptr);
        }
        ASSERT_EQ(log.lines.size(), 1);
        EXPECT_NE(log.lines[0].indexOf("[ADOpublic: database is locked]"), -1) << s(log.lines[0]);
        ASSERT_EQ(modal->messages.size(), 1);
        EXPECT_EQ(s(modal->messages[0].detail), s(e.message()));
    }
    q().cancel();
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(all("select 部门名称 from 部门表"), QStringList{"x"});
}

// The system's refusal reaches the operator in Chinese too.
TEST_F(DbConnection, AFolderThatTakesNoNewFileIsRefusedInChinese)
{
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("locked")));
    QFile::setPermissions(QStringLiteral("locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    FileModesApply asAnyone;
    ASSERT_TRUE(asAnyone.ok);
    EXPECT_EQ(errorOf([] { db::PendingFile f(QStringLiteral("locked/x.bak")); }),
              "不能在 " + s(QDir::currentPath()) + "/locked 中写入：没有访问权限");
}
