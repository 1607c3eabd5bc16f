// What a query keeps from one run to the next (its prepared statement, its
// parameter values) must never show through: not after the connection
// closes, not after the schema changes, not when it opens again on other rows.
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

TEST_F(DbReuse, TheSameTextAfterASchemaChangeShowsAndWritesTheColumnsAsTheyAreNow)
{
    db->exec("insert into 部门表 values ('001','财务部'); insert into 人事表 (bh, zp) values ('mr1', zeroblob(300000))");
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

    // A query leaving photos unread follows the schema as it is now.
    const auto photoSize = [&](const char* column) { return q().field(column).toBlob().size(); };
    open("select * from 人事表");
    EXPECT_EQ(photoSize("zp"), 300000);

    db->exec("alter table 人事表 add column bz TEXT; update 人事表 set bz = 'x'");   // by another connection
    open("select * from 人事表");
    EXPECT_EQ(s(q().fieldNames().last()), "bz");
    EXPECT_EQ(s(q().fieldText("bz")), "x");
    EXPECT_EQ(photoSize("zp"), 300000);

    db->exec("alter table 人事表 rename column zp to photo");
    open("select * from 人事表");
    EXPECT_EQ(q().fieldIndex("zp"), -1);
    EXPECT_EQ(photoSize("photo"), 300000);
    setAndPost("xm", text("张三"));
    EXPECT_EQ(all("select xm, length(photo) from 人事表"), QStringList{"张三|300000"});
}

TEST_F(DbReuse, AQueryOrStatementRunAgainShowsOnlyItsNewRowsAndValues)
{
    db->exec("insert into 部门表 values ('001','财务部'), ('002','一个名字很长很长的部门'), ('003','')");
    open("select * from 部门表");
    run(q(), "select * from 部门表 where 部门编号 = :a");
    for (auto [code, name] : {std::pair{"003", ""}, {"0011", ""}, {"001", "财务部"}, {"002", "一个名字很长很长的部门"}}) {
        q().setParam("a", text(code));
        q().open();
        EXPECT_EQ(q().recordCount(), std::string(code) == "0011" ? 0 : 1) << code;
        EXPECT_EQ(q().fieldCount(), 2);
        EXPECT_EQ(s(q().fieldText("部门名称")), name) << code;
    }
    setAndPost("部门名称", text("新"));   // the row this result read, not one an earlier one did
    EXPECT_EQ(all("select * from 部门表 where 部门名称 = '新'"), QStringList{"002|新"});

    open("select * from 考勤表");
    EXPECT_TRUE(q().field("几倍").isNull());
    setAndPost("几倍", Value::real(2));
    EXPECT_EQ(q().field("几倍"), Value::real(2));
    EXPECT_TRUE(q().field("全勤奖").isNull());

    // A value given again as it was may stay bound; any other must not, not
    // even integer 0 after real 0.0, nor after a run refused half way.
    db->exec("create table v (a ANY, b ANY, c ANY) STRICT");
    const auto insert = [&](const Value& a, const Value& b, const Value& c) {
        run(q(), "insert into v values (:a, :b, :c)");
        q().setParam("a", a);
        q().setParam("b", b);
        q().setParam("c", c);
        q().execSql();
    };
    const QDate day(2024, 2, 29);
    insert(Value::integer(0), text("x"), Value::date(day));
    insert(Value::real(0), Value::text(QStringLiteral("x")), Value::date(day));
    insert(Value(), text("一个很长很长的部门名称"), Value::integer(7));
    insert(Value(), Value::text(QString()), Value::real(7));
    insert(Value::integer(0), text(""), Value());
    run(q(), "insert into v values (:a, :b, :c)");
    q().setParam("a", Value::real(0.5));
    q().setParam("c", Value::blob("z"));
    EXPECT_THROW(q().execSql(), db::Error);   // b never given
    q().setParam("b", text("x"));
    q().execSql();
    EXPECT_EQ(all("select typeof(a), quote(a), quote(b), quote(c) from v"),
              (QStringList{"integer|0|'x'|'2024-02-29'", "real|0.0|'x'|'2024-02-29'", "null|NULL|'一个很长很长的部门名称'|7",
                           "null|NULL|''|7.0", "integer|0|''|NULL", "real|0.5|'x'|X'7A'"}));
}

TEST_F(DbReuse, ManyRowsOfMixedKindsReadAndRefreshWhole)
{
    QStringList cols, cells;
    for (int c = 0; c < 17; ++c) cols << QStringLiteral("c%1 ANY").arg(c);
    for (int c = 7; c < 17; ++c) cells << QStringLiteral("i + %1").arg(c);
    db->exec(QStringLiteral("create table w (%1) STRICT;"
                            "with recursive n(i) as (select 0 union all select i + 1 from n where i < 999) "
                            "insert into w select i, 'r' || i, i * 0.5, null, x'00ff', i - 1, 'g' || i, %2 from n")
                 .arg(cols.join(", "), cells.join(", ")));
    open("select * from w where c0 = 3");   // a small result first: its memory serves the next
    ASSERT_EQ(q().recordCount(), 1);
    open("select * from w");
    ASSERT_EQ(q().recordCount(), 1000);
    const auto expectRow = [&](int r, int first, const char* g, int f, int last) {
        const QString n = QString::number(r);
        QList<Value> want{Value::integer(first), Value::text("r" + n), Value::real(r * 0.5), Value(),
                          Value::blob(QByteArray("\0\xff", 2)), Value::integer(f), g ? text(g) : Value::text("g" + n)};
        for (int c = 7; c < 16; ++c) want << Value::integer(r + c);
        want << Value::integer(last);
        for (int c = 0; c < 17; ++c) EXPECT_EQ(q().value(r, c), want[c]) << r << "/" << c;
    };
    for (int r : {0, 239, 240, 241, 481, 999}) expectRow(r, r, nullptr, r - 1, r + 16);

    // Each post shows the whole row as stored (here changed further by a
    // trigger), and touches no cell of the neighbouring rows.
    db->exec("create trigger more after update of c0 on w begin update w set c5 = 42, c16 = 7 where rowid = new.rowid; end");
    for (int r : {240, 481, 239}) {
        q().setRecNo(r);
        q().edit();
        q().setField("c0", Value::integer(-r));
        q().setField("C6", text("新"));
        q().post();
        expectRow(r, -r, "新", 42, 7);
    }
    for (int r : {238, 241, 480, 482}) expectRow(r, r, nullptr, r - 1, r + 16);
    EXPECT_EQ(all("select c0, c6, c5 from w where c0 < 0"), (QStringList{"-239|新|42", "-240|新|42", "-481|新|42"}));
}
