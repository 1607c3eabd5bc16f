// What the layer keeps from one run to the next (prepared statements, the
// reading of a query's columns, the memory of a small result) must never
// show through: not after the connection closes, not after the schema
// changes, not when a query is opened again on other rows.
#include "data/U_data.h"
#include "harness.h"
#include "platform/db/error.h"
#include "platform/db/query.h"

using db::Value;

namespace {

std::string s(const QString& q) { return q.toStdString(); }
Value text(const char* t) { return Value::text(QString::fromUtf8(t)); }

class DbReuse : public hrtest::HrTest {
protected:
    db::Connection& conn() { return Data1->ADOConnection2; }
    db::Query& q() { return Data1->ADOpublic; }
    void run(db::Query& query, const char* sql)
    {
        query.close();
        query.clearSql();
        query.addSql(QString::fromUtf8(sql));
    }
    QStringList all(const char* sql) { return db->rows(QString::fromUtf8(sql)); }
    void insertDept(const char* code)
    {
        db::Query& ins = Data1->ADOQYbmxx;
        run(ins, "insert into 部门表 values (:a, 'x')");
        ins.setParam("a", text(code));
        ins.execSql();
    }
};

}

TEST_F(DbReuse, WritesAndSavepointsWorkOnTheNewHandleAfterAClose)
{
    db->exec("insert into 部门表 values ('001','财务部'), ('002','人事部')");
    run(q(), "select * from 部门表");
    q().open();
    const auto rename = [&](const char* name) {
        q().edit();
        q().setField("部门名称", text(name));
        q().post();
    };
    rename("审计部");
    {
        db::Savepoint sp(conn(), QStringLiteral("step"));
        insertDept("003");
        sp.release();
    }

    // Every statement kept so far belongs to the handle that goes now.
    for (int round = 0; round < 2; ++round) {
        conn().close();
        rename(round == 0 ? "后勤部" : "保卫部");
        EXPECT_EQ(s(q().fieldText("部门名称")), round == 0 ? "后勤部" : "保卫部");
        {
            db::Savepoint kept(conn(), QStringLiteral("step"));
            insertDept(round == 0 ? "004" : "005");
            kept.release();
        }
        {
            db::Savepoint undone(conn(), QStringLiteral("step"));
            insertDept("999");
        }
    }
    EXPECT_EQ(all("select * from 部门表 order by rowid"),
              (QStringList{"001|保卫部", "002|人事部", "003|x", "004|x", "005|x"}));

    conn().close();
    q().next();
    q().deleteRow();
    EXPECT_EQ(all("select 部门编号 from 部门表 order by rowid"), (QStringList{"001", "003", "004", "005"}));
    conn().close();
    {
        db::Transaction t(conn());
        insertDept("006");
    }
    EXPECT_EQ(db->count("部门表"), 4);
}

TEST_F(DbReuse, TheSameTextOpenedAfterASchemaChangeShowsTheNewColumns)
{
    db->exec("insert into 部门表 values ('001','财务部')");
    run(q(), "select * from 部门表");
    q().open();
    EXPECT_EQ(q().fieldNames(), (QStringList{"部门编号", "部门名称"}));
    q().edit();
    q().setField("部门名称", text("审计部"));
    q().post();

    // Changed by another connection: the kept statement is prepared again.
    db->exec("alter table 部门表 add column 备注 TEXT");
    run(q(), "select * from 部门表");
    q().open();
    EXPECT_EQ(q().fieldNames(), (QStringList{"部门编号", "部门名称", "备注"}));
    EXPECT_TRUE(q().field("备注").isNull());
    q().edit();
    q().setField("备注", text("新"));
    q().setField("部门名称", text("后勤部"));
    q().post();
    EXPECT_EQ(all("select * from 部门表"), QStringList{"001|后勤部|新"});

    // The same names in another order: values go to the columns they name.
    db->exec("drop table 部门表; create table 部门表 (部门名称 TEXT, 部门编号 TEXT) STRICT;"
             "insert into 部门表 values ('人事部', '002')");
    run(q(), "select * from 部门表");
    q().open();
    EXPECT_EQ(q().fieldNames(), (QStringList{"部门名称", "部门编号"}));
    EXPECT_EQ(s(q().fieldText("部门编号")), "002");
    q().edit();
    q().setField("部门名称", text("保卫部"));
    q().post();
    EXPECT_EQ(all("select * from 部门表"), QStringList{"保卫部|002"});
    EXPECT_EQ(s(q().fieldText("部门名称")), "保卫部");
    EXPECT_EQ(s(q().fieldText("部门编号")), "002");
}

TEST_F(DbReuse, AQueryOpenedAgainShowsOnlyItsNewRows)
{
    db->exec("insert into 部门表 values ('001','财务部'), ('002','一个名字很长很长的部门'), ('003','')");
    run(q(), "select * from 部门表");
    q().open();
    ASSERT_EQ(q().recordCount(), 3);

    run(q(), "select 部门名称 from 部门表 where 部门编号 = :a");
    q().setParam("a", text("003"));
    q().open();
    EXPECT_EQ(q().recordCount(), 1);
    EXPECT_EQ(q().fieldCount(), 1);
    EXPECT_EQ(q().field("部门名称"), text(""));

    for (const char* code : {"0011", "001", "002"}) {
        q().setParam("a", text(code));
        q().open();
        EXPECT_EQ(q().recordCount(), std::string(code) == "0011" ? 0 : 1) << code;
    }
    EXPECT_EQ(s(q().fieldText("部门名称")), "一个名字很长很长的部门");

    run(q(), "select * from 考勤表");
    q().open();
    EXPECT_EQ(q().recordCount(), 0);
    EXPECT_TRUE(q().field("几倍").isNull());
    q().edit();
    q().setField("几倍", Value::real(2));
    q().post();
    EXPECT_EQ(q().recordCount(), 1);
    EXPECT_EQ(q().field("几倍"), Value::real(2));
    EXPECT_TRUE(q().field("全勤奖").isNull());

    run(q(), "select * from 部门表");
    q().open();
    QStringList seen;
    for (; !q().eof(); q().next()) seen << q().fieldText("部门编号") + "|" + q().fieldText("部门名称");
    EXPECT_EQ(seen, (QStringList{"001|财务部", "002|一个名字很长很长的部门", "003|"}));
}

TEST_F(DbReuse, ManyDifferentWritesStayRightWhenOldStatementsAreDropped)
{
    // Every set of columns written makes a statement of its own: single
    // columns and pairs of 人事表, then the columns of 应聘信息表, are more
    // than the connection keeps, and the first ones go.
    db->exec("insert into 人事表 (bh) values ('mr001'); insert into 应聘信息表 (编号) values ('yp001')");
    const auto textColumns = [](db::Query& query) {
        QStringList out;
        for (const QString& c : query.fieldNames())
            if (c != "gl" && c != "zp" && !c.endsWith("rq") && c != "drsj") out << c;
        return out;
    };
    const auto write = [](db::Query& query, const QStringList& cols, int first, int width, const QString& tag) {
        query.edit();
        for (int k = 0; k < width; ++k) query.setField(cols[first + k], Value::text(tag + QString::number(first + k)));
        query.post();
    };

    run(q(), "select * from 人事表");
    q().open();
    const QStringList staff = textColumns(q());
    ASSERT_EQ(staff.size(), 25);
    for (int width = 1; width <= 2; ++width)
        for (int i = 0; i + width <= staff.size(); ++i) write(q(), staff, i, width, QStringLiteral("a"));

    db::Query& other = Data1->ADOQYbmxx;
    run(other, "select * from 应聘信息表");
    other.open();
    const QStringList applicants = textColumns(other);
    ASSERT_EQ(applicants.size(), 15);
    for (int i = 0; i < applicants.size(); ++i) write(other, applicants, i, 1, QStringLiteral("b"));

    // The oldest statements are gone by now: written again, they are made again.
    for (int i = 0; i < 3; ++i) write(q(), staff, i, 1, QStringLiteral("c"));
    EXPECT_EQ(s(q().fieldText(staff[0])), "c0");
    EXPECT_EQ(db->rows(QStringLiteral("select %1, %2, %3, %4 from 人事表").arg(staff[0], staff[2], staff[3], staff[24])),
              QStringList{"c0|c2|a3|a24"});
    EXPECT_EQ(db->rows(QStringLiteral("select %1, %2 from 应聘信息表").arg(applicants[0], applicants[14])),
              QStringList{"b0|b14"});
}
