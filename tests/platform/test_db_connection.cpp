#include "data/U_data.h"
#include "harness.h"
#include "platform/db/connection.h"
#include "platform/db/error.h"
#include "platform/db/query.h"
#include <QDir>
#include <QFile>
#include <sqlite3.h>
#include <unistd.h>

using db::Value;

namespace {

std::string s(const QString& q) { return q.toStdString(); }

template <class F>
std::string errorOf(F&& f)
{
    try {
        f();
    } catch (const db::Error& e) {
        return s(e.message());
    }
    ADD_FAILURE() << "no db::Error";
    return {};
}

class DbConnection : public hrtest::HrTest {
protected:
    db::Connection& conn() { return Data1->ADOConnection2; }
    void insert(db::Query& q, const char* code)
    {
        q.close();
        q.setSql(QStringLiteral("insert into 部门表 values (:a, 'x')"));
        q.setParam("a", Value::text(QString::fromUtf8(code)));
        q.execSql();
    }
    QStringList codes() { return db->rows(QStringLiteral("select 部门编号 from 部门表 order by rowid")); }
};

}

TEST_F(DbConnection, OpensWithTheFirstStatementInWalMode)
{
    EXPECT_FALSE(conn().isOpen());
    Data1->ADOpublic.setSql(QStringLiteral("select * from 部门表"));
    Data1->ADOpublic.open();
    EXPECT_TRUE(conn().isOpen());
    EXPECT_EQ(db->scalar(QStringLiteral("pragma journal_mode")), "wal");
    sqlite3* h = conn().handle();
    EXPECT_EQ(h, conn().handle());
}

TEST_F(DbConnection, MissingFileIsAnErrorNamingItAndIsNeverCreated)
{
    db::Connection c(QStringLiteral("./absent.mdb"));
    db::Query q(c, QStringLiteral("ADOQuery1"));
    q.setSql(QStringLiteral("select * from 部门表"));
    const std::string msg = errorOf([&] { q.open(); });
    EXPECT_EQ(msg, "数据库文件 ./absent.mdb 不存在（当前工作目录：" + s(QDir::currentPath()) + "）");
    EXPECT_FALSE(QFile::exists(QStringLiteral("absent.mdb")));
    EXPECT_FALSE(c.isOpen());
    // Still refused on the next attempt, and still not created.
    EXPECT_THROW(c.handle(), db::Error);
    EXPECT_FALSE(QFile::exists(QStringLiteral("absent.mdb")));
}

TEST_F(DbConnection, FileThatIsNoDatabaseIsRefusedAtOpenAndLeftAlone)
{
    const QByteArray junk = QByteArray("this is a text file, not a database\n").repeated(200);
    {
        QFile f(QStringLiteral("junk.mdb"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(junk);
    }
    db::Connection c(QStringLiteral("./junk.mdb"));
    const std::string msg = errorOf([&] { c.handle(); });
    EXPECT_EQ(msg, "无法打开数据库文件 ./junk.mdb：file is not a database");
    EXPECT_FALSE(c.isOpen());
    QFile f(QStringLiteral("junk.mdb"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), junk);
}

TEST_F(DbConnection, WriteProtectedFileIsRefused)
{
    if (geteuid() == 0) GTEST_SKIP() << "root writes any file";
    QFile::setPermissions(db->path(), QFileDevice::ReadOwner);
    db::Connection c(db->path());
    EXPECT_NE(errorOf([&] { c.handle(); }).find("只读"), std::string::npos);
    QFile::setPermissions(db->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST_F(DbConnection, TransactionRollsBackUnlessCommitted)
{
    db::Query& q = Data1->ADOQYbmxx;
    {
        db::Transaction t(conn());
        EXPECT_TRUE(conn().inTransaction());
        insert(q, "1");
        insert(q, "2");
        EXPECT_TRUE(codes().isEmpty());   // others see nothing yet
    }
    EXPECT_FALSE(conn().inTransaction());
    EXPECT_TRUE(codes().isEmpty());

    {
        db::Transaction t(conn());
        insert(q, "3");
        EXPECT_THROW(conn().begin(), db::Error);   // nesting goes through savepoints
        t.commit();
    }
    EXPECT_EQ(codes(), QStringList{"3"});

    conn().begin();
    insert(q, "4");
    conn().rollback();
    EXPECT_EQ(codes(), QStringList{"3"});
}

TEST_F(DbConnection, SavepointUndoesOnlyItsOwnPart)
{
    db::Query& q = Data1->ADOQYbmxx;
    db::Transaction t(conn());
    insert(q, "1");
    {
        db::Savepoint outer(conn(), QStringLiteral("month"));
        insert(q, "2");
        {
            db::Savepoint inner(conn(), QStringLiteral("row \"x\""));
            insert(q, "3");
        }   // not released: undone
        insert(q, "4");
        outer.release();
    }
    {
        db::Savepoint failed(conn(), QStringLiteral("month"));
        insert(q, "5");
    }
    EXPECT_TRUE(conn().inTransaction());
    t.commit();
    EXPECT_EQ(codes(), (QStringList{"1", "2", "4"}));

    // Outside a transaction a savepoint is a transaction of its own.
    {
        db::Savepoint sp(conn(), QStringLiteral("alone"));
        insert(q, "6");
        EXPECT_TRUE(conn().inTransaction());
    }
    EXPECT_FALSE(conn().inTransaction());
    EXPECT_EQ(codes(), (QStringList{"1", "2", "4"}));
}

TEST_F(DbConnection, ClosingTheConnectionKeepsQueriesUsable)
{
    db->exec(QStringLiteral("insert into 部门表 values ('001','a')"));
    db::Query& q = Data1->ADOQYbmxx;
    q.setSql(QStringLiteral("select * from 部门表 where 部门编号 = :a"));
    q.setParam("a", Value::text(QStringLiteral("001")));
    q.open();
    conn().close();   // finalizes the statement the query keeps
    EXPECT_FALSE(conn().isOpen());
    EXPECT_EQ(q.recordCount(), 1);   // the rows read stay
    q.open();                        // reopens the connection and prepares again
    EXPECT_EQ(q.recordCount(), 1);
    q.edit();
    q.setField("部门名称", Value::text(QStringLiteral("b")));
    q.post();
    EXPECT_EQ(db->scalar(QStringLiteral("select 部门名称 from 部门表")), "b");
}

TEST_F(DbConnection, EngineErrorsNameTheQuery)
{
    db::Query& q = Data1->ADOQYbmxx;
    q.setSql(QStringLiteral("select nosuch from 部门表"));
    EXPECT_EQ(errorOf([&] { q.open(); }), "ADOQYbmxx: no such column: nosuch");
    EXPECT_EQ(errorOf([&] { conn().exec(QStringLiteral("delete from nowhere")); }), "no such table: nowhere");
}
