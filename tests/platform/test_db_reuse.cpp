// What the layer keeps from one run to the next (prepared statements, the
// reading of a query's columns, the memory of a small result) must never show
// through: not after the connection closes, not after the schema changes, not
// when a query is opened again on other rows.
#include "dbtest.h"

using namespace dbtest;

namespace {
class DbReuse : public DbTest {};
}

TEST_F(DbReuse, KeptStatementsDieWithTheHandleAndAreMadeAgain)
{
    db->exec("insert into 部门表 values ('001','财务部'), ('002','人事部')");
    run(q(), "select * from 部门表 where 部门编号 <> :a");
    q().setParam("a", text("x"));
    q().open();
    setAndPost("部门名称", text("审计部"));
    {
        db::Savepoint sp(conn(), QStringLiteral("step"));
        insertDept("003");
        sp.release();
    }

    for (const char* name : {"后勤部", "保卫部"}) {
        conn().close();   // finalizes every statement kept so far
        EXPECT_FALSE(conn().isOpen());
        EXPECT_EQ(q().recordCount(), 2);   // the rows read stay
        setAndPost("部门名称", text(name));
        EXPECT_EQ(s(q().fieldText("部门名称")), name);
        {
            db::Savepoint kept(conn(), QStringLiteral("step"));
            insertDept(name);
            kept.release();
        }
        db::Savepoint undone(conn(), QStringLiteral("step"));
        insertDept("999");
    }
    conn().close();
    q().next();
    q().deleteRow();
    conn().close();
    q().open();   // prepared again, parameter still bound
    EXPECT_EQ(q().recordCount(), 4);
    EXPECT_EQ(all("select * from 部门表"), (QStringList{"001|保卫部", "003|x", "后勤部|x", "保卫部|x"}));
}

TEST_F(DbReuse, TheSameTextAfterASchemaChangeShowsAndWritesTheNewColumns)
{
    db->exec("insert into 部门表 values ('001','财务部')");
    open("select * from 部门表");
    setAndPost("部门名称", text("审计部"));

    db->exec("alter table 部门表 add column 备注 TEXT");   // by another connection
    open("select * from 部门表");
    EXPECT_EQ(q().fieldNames(), (QStringList{"部门编号", "部门名称", "备注"}));
    q().edit();
    q().setField("备注", text("新"));
    q().setField("部门名称", text("后勤部"));
    q().post();
    EXPECT_EQ(all("select * from 部门表"), QStringList{"001|后勤部|新"});

    // The same names in another order: values go to the columns they name.
    db->exec("drop table 部门表; create table 部门表 (部门名称 TEXT, 部门编号 TEXT) STRICT;"
             "insert into 部门表 values ('人事部', '002')");
    open("select * from 部门表");
    EXPECT_EQ(s(q().fieldText("部门编号")), "002");
    setAndPost("部门名称", text("保卫部"));
    EXPECT_EQ(all("select * from 部门表"), QStringList{"保卫部|002"});
    EXPECT_EQ(s(q().fieldText("部门编号")), "002");
}

TEST_F(DbReuse, AQueryOpenedAgainShowsOnlyItsNewRows)
{
    db->exec("insert into 部门表 values ('001','财务部'), ('002','一个名字很长很长的部门'), ('003','')");
    open("select * from 部门表");
    run(q(), "select 部门名称 from 部门表 where 部门编号 = :a");
    for (auto [code, name] : {std::pair{"003", ""}, {"0011", ""}, {"001", "财务部"}, {"002", "一个名字很长很长的部门"}}) {
        q().setParam("a", text(code));
        q().open();
        EXPECT_EQ(q().recordCount(), std::string(code) == "0011" ? 0 : 1) << code;
        EXPECT_EQ(q().fieldCount(), 1);
        EXPECT_EQ(s(q().fieldText("部门名称")), name) << code;
    }
    setAndPost("部门名称", text("新"));   // the row this result read, not one an earlier one did
    EXPECT_EQ(all("select * from 部门表 where 部门名称 = '新'"), QStringList{"002|新"});

    open("select * from 考勤表");
    EXPECT_TRUE(q().field("几倍").isNull());
    setAndPost("几倍", Value::real(2));
    EXPECT_EQ(q().field("几倍"), Value::real(2));
    EXPECT_TRUE(q().field("全勤奖").isNull());
}

TEST_F(DbReuse, ManyDifferentWritesStayRightWhenOldStatementsAreDropped)
{
    // Each set of columns written makes a statement of its own: single columns
    // and pairs of 人事表, then the columns of 应聘信息表, are more than the
    // connection keeps, while each query still remembers where its own were.
    db->exec("insert into 人事表 (bh) values ('mr001'); insert into 应聘信息表 (编号) values ('yp001')");
    const auto textColumns = [](db::Query& query) {
        QStringList out;
        for (const QString& c : query.fieldNames())
            if (c != "gl" && c != "zp" && !c.endsWith("rq") && c != "drsj") out << c;
        return out;
    };
    const auto write = [](db::Query& query, const QStringList& cols, int first, int width, const QString& tag) {
        query.edit();
        for (int k = first; k < first + width; ++k) query.setField(cols[k], Value::text(tag + QString::number(k)));
        query.post();
    };
    open("select * from 人事表");
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

    for (int i = 0; i < 3; ++i) write(q(), staff, i, 1, QStringLiteral("c"));   // dropped by now: made again
    EXPECT_EQ(db->rows(QStringLiteral("select %1, %2, %3, %4 from 人事表").arg(staff[0], staff[2], staff[3], staff[24])),
              QStringList{"c0|c2|a3|a24"});
    EXPECT_EQ(db->rows(QStringLiteral("select %1, %2 from 应聘信息表").arg(applicants[0], applicants[14])),
              QStringList{"b0|b14"});
}
