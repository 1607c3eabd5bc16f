#include "data/U_data.h"
#include "harness.h"
#include "platform/db/error.h"
#include "platform/db/query.h"
#include <QSignalSpy>

using db::Value;

namespace {

std::string s(const QString& q) { return q.toStdString(); }
Value text(const char* t) { return Value::text(QString::fromUtf8(t)); }

// The message of the db::Error that f raises ("" and a failure if none).
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

class DbQuery : public hrtest::HrTest {
protected:
    db::Query& q() { return Data1->ADOpublic; }
    void run(db::Query& query, const char* sql)
    {
        query.close();
        query.clearSql();
        query.addSql(QString::fromUtf8(sql));
    }
    QStringList all(const char* sql) { return db->rows(QString::fromUtf8(sql)); }
};

}

// ---- the database refuses what a column cannot hold ----

TEST_F(DbQuery, NonNumericTextInANumberColumnIsRefused)
{
    run(q(), "insert into 考勤表 values (:a,:b,:c,:d,:e)");
    q().setParam("a", text("abc"));
    for (const char* p : {"b", "c", "d", "e"}) q().setParam(p, text("1"));
    EXPECT_EQ(errorOf([&] { q().execSql(); }), "ADOpublic: cannot store TEXT value in REAL column 考勤表.全勤奖");
    EXPECT_EQ(db->count("考勤表"), 0);

    // A numeric text is converted by the database and reads back as a number.
    q().setParam("a", text(" 200 "));
    EXPECT_EQ(q().execSql(), 1);
    EXPECT_EQ(all("select typeof(全勤奖), 全勤奖 from 考勤表"), QStringList{"real|200.0"});
    run(q(), "select * from 考勤表");
    q().open();
    EXPECT_EQ(q().field("全勤奖").kind(), Value::Kind::Real);
    EXPECT_EQ(s(q().fieldText("全勤奖")), "200");
}

TEST_F(DbQuery, ImpossibleDateIsRefusedAtInsertAndAtPost)
{
    run(q(), "insert into 合同表 values (:a,:b,:c,:d,:e,:f,:g,:h,:i)");
    for (const char* p : {"a", "b", "f", "g", "h", "i"}) q().setParam(p, text("x"));
    q().setParam("c", Value::date(QDate(2023, 1, 31)));
    q().setParam("d", text("2023-02-30"));
    q().setParam("e", Value());
    EXPECT_EQ(errorOf([&] { q().execSql(); }),
              "ADOpublic: 字段 合同开始日期 的日期无效：只能保存 yyyy-MM-dd 形式的真实日期");
    EXPECT_EQ(db->count("合同表"), 0);

    q().setParam("d", text("2023-02-28"));
    q().execSql();
    EXPECT_EQ(all("select 登记日期, 合同开始日期, 合同结束日期 from 合同表"), QStringList{"2023-01-31|2023-02-28|<null>"});

    // A refused post stays in edit with its values; cancel drops them.
    run(q(), "select * from 合同表");
    q().open();
    q().edit();
    q().setField("合同结束日期", text("2023-13-01"));
    q().setField("备注", text("changed"));
    EXPECT_THROW(q().post(), db::Error);
    EXPECT_EQ(q().state(), db::Query::State::Edit);
    EXPECT_EQ(s(q().fieldText("合同结束日期")), "2023-13-01");
    EXPECT_EQ(s(q().fieldText("备注")), "changed");
    EXPECT_EQ(all("select 合同结束日期, 备注 from 合同表"), QStringList{"<null>|x"});
    q().cancel();
    EXPECT_EQ(q().state(), db::Query::State::Browse);
    EXPECT_TRUE(q().field("合同结束日期").isNull());
    EXPECT_EQ(s(q().fieldText("备注")), "x");

    // An invalid date value never reaches the database.
    q().edit();
    q().setField("登记日期", Value::date(QDate()));
    EXPECT_THROW(q().post(), db::Error);
    q().close();
    EXPECT_EQ(q().state(), db::Query::State::Inactive);
    EXPECT_EQ(all("select 登记日期 from 合同表"), QStringList{"2023-01-31"});
}

// ---- parameters ----

TEST_F(DbQuery, ParametersMatchWholeNamesWithoutRegardToCase)
{
    db->exec("insert into 部门表 values ('001','财务部'), ('002','人事部'), ('003',':a')");
    run(q(), "select * from 部门表 where 部门编号=:a or 部门名称=:aa or 部门名称=':a'");
    q().setParam("a", text("001"));
    q().setParam("AA", text("人事部"));
    q().open();
    ASSERT_EQ(q().recordCount(), 3);   // the literal ':a' matched as text
    EXPECT_EQ(q().paramNames(), (QStringList{"a", "aa"}));

    // ":D" in the text is the parameter "d".
    run(q(), "insert into 部门表 values (:D, :b)");
    q().setParam("d", text("004"));
    q().setParam("B", text("后勤部"));
    EXPECT_EQ(s(q().param("D").toText()), "004");
    q().execSql();
    EXPECT_EQ(db->scalar("select 部门名称 from 部门表 where 部门编号='004'"), "后勤部");
}

TEST_F(DbQuery, UnknownAndUnsetParametersAreErrors)
{
    run(q(), "select * from 部门表 where 部门编号=:aa and 部门名称<>':b' -- :c");
    EXPECT_EQ(errorOf([&] { q().setParam("a", text("x")); }), "ADOpublic: 参数 :a 不存在");
    EXPECT_EQ(errorOf([&] { q().setParam("aaa", text("x")); }), "ADOpublic: 参数 :aaa 不存在");
    EXPECT_THROW(q().setParam("b", text("x")), db::Error);
    EXPECT_THROW(q().setParam("c", text("x")), db::Error);

    // Never run with a silent Null.
    EXPECT_EQ(errorOf([&] { q().open(); }), "ADOpublic: 参数 :aa 没有赋值");
    EXPECT_FALSE(q().isOpen());

    // New text drops the values given for the old one.
    q().setParam("aa", text("001"));
    q().addSql("and 1=1");
    EXPECT_EQ(errorOf([&] { q().open(); }), "ADOpublic: 参数 :aa 没有赋值");

    run(q(), "delete from 部门表 where 部门编号=?");
    EXPECT_THROW(q().execSql(), db::Error);
}

TEST_F(DbQuery, ReRunningTheSameTextBindsTheNewValues)
{
    for (int i = 0; i < 3; ++i) {
        run(q(), "insert into 部门表 values (:a, :b)");
        q().setParam("a", Value::integer(i));   // stored as text by the column
        q().setParam("b", i == 1 ? Value::text(QString()) : text("部"));
        EXPECT_EQ(q().execSql(), 1);
    }
    EXPECT_EQ(all("select 部门编号, 部门名称 from 部门表 order by rowid"), (QStringList{"0|部", "1|", "2|部"}));
    // The empty text was stored as '' and not as Null.
    EXPECT_EQ(db->scalar("select count(*) from 部门表 where 部门名称 = ''"), "1");

    run(q(), "select * from 部门表 where 部门名称 = :a");
    for (const char* name : {"部", "", "无"}) {
        q().setParam("a", text(name));
        q().open();
        EXPECT_EQ(q().recordCount(), std::string(name) == "部" ? 2 : std::string(name).empty() ? 1 : 0) << name;
    }
}

// ---- opening into a snapshot ----

TEST_F(DbQuery, SnapshotHasExactCountNavigationAndNullFields)
{
    db->exec("insert into 工资模板 values ('mr001','张三',3000,200,150.5,0.08,0.01,0.02,1),"
             "('mr002','李四',2800.25,NULL,0,0.08,0.01,0.02,NULL),"
             "('mr003','',NULL,NULL,NULL,NULL,NULL,NULL,2)");
    run(q(), "select * from 工资模板");
    q().open();
    ASSERT_EQ(q().recordCount(), 3);
    EXPECT_EQ(q().fieldCount(), 9);
    EXPECT_EQ(q().fieldNames().first(), "员工编号");   // the hidden rowid is no field
    EXPECT_EQ(q().fieldIndex("__rowid__"), -1);
    EXPECT_EQ(q().fieldIndex("ROWID"), -1);

    QStringList seen;
    for (q().first(); !q().eof(); q().next())
        seen << q().fieldText("员工编号") + "/" + q().fieldText("基本工资") + "/" + q().fieldText("扣税级别");
    EXPECT_EQ(seen, (QStringList{"mr001/3000/1", "mr002/2800.25/", "mr003//2"}));
    EXPECT_EQ(q().recNo(), 2);   // eof stays on the last row

    q().setRecNo(1);
    EXPECT_TRUE(q().field("全勤奖").isNull());
    EXPECT_EQ(q().field("职务津贴"), Value::real(0));
    q().prior();
    EXPECT_FALSE(q().bof());
    q().prior();
    EXPECT_TRUE(q().bof());
    EXPECT_EQ(q().recNo(), 0);
    q().last();
    EXPECT_EQ(q().recNo(), 2);
    EXPECT_FALSE(q().field("员工姓名").isNull());   // '' is a value
    EXPECT_EQ(q().value(1, 1), text("李四"));
    EXPECT_THROW(q().setRecNo(3), db::Error);
    EXPECT_THROW(q().value(0, 9), db::Error);

    EXPECT_EQ(errorOf([&] { q().field("xyz"); }), "ADOpublic: 字段 'xyz' 不存在");
}

TEST_F(DbQuery, RowsComeInStoredOrderWhateverIndexIsScanned)
{
    // 人事表 has an index on bh that would cover this query and sort it.
    db->exec("insert into 人事表 (bh, xm) values ('mr003','c'), ('mr001','a'), ('mr002','b'), ('mr001','d')");
    QStringList seen;
    run(q(), "select bh from 人事表");
    q().open();
    for (; !q().eof(); q().next()) seen << q().fieldText("bh");
    EXPECT_EQ(seen, (QStringList{"mr003", "mr001", "mr002", "mr001"}));

    seen.clear();
    run(q(), "select xm from 人事表 where bh = 'mr001'");
    q().open();
    for (; !q().eof(); q().next()) seen << q().fieldText("xm");
    EXPECT_EQ(seen, (QStringList{"a", "d"}));

    run(q(), "select bh from 人事表 order by bh desc limit 1");
    q().open();
    EXPECT_EQ(s(q().fieldText("bh")), "mr003");
}

TEST_F(DbQuery, EmptyAndClosedQueries)
{
    run(q(), "select * from 部门表");
    EXPECT_THROW(q().recordCount(), db::Error);
    EXPECT_EQ(errorOf([&] { q().field("部门名称"); }), "ADOpublic: 数据集没有打开");
    EXPECT_THROW(q().eof(), db::Error);
    EXPECT_EQ(q().recNo(), -1);

    q().open();
    EXPECT_EQ(q().recordCount(), 0);
    EXPECT_TRUE(q().eof());
    EXPECT_EQ(q().recNo(), -1);
    // Read from an empty result, a field is Null.
    EXPECT_TRUE(q().field("部门名称").isNull());
    EXPECT_THROW(q().field("名称"), db::Error);
    EXPECT_THROW(q().deleteRow(), db::Error);

    // A failed open leaves the query closed, not holding the old rows.
    q().setSql("select * from 不存在的表");
    EXPECT_NE(errorOf([&] { q().open(); }).find("no such table"), std::string::npos);
    EXPECT_FALSE(q().isOpen());
}

TEST_F(DbQuery, StatementsThatAreNotOneSelectAreRefusedBeforeRunning)
{
    run(q(), "insert into 部门表 values ('1','a')");
    EXPECT_EQ(errorOf([&] { q().open(); }), "ADOpublic: 语句不返回数据集");
    EXPECT_EQ(db->count("部门表"), 0);

    run(q(), "insert into 部门表 values ('1','a'); delete from 部门表");
    EXPECT_THROW(q().execSql(), db::Error);
    EXPECT_EQ(db->count("部门表"), 0);

    // A trailing semicolon or comment is not a second statement.
    run(q(), "insert into 部门表 values ('1','a'); -- done");
    EXPECT_EQ(q().execSql(), 1);
    run(q(), "  ");
    EXPECT_THROW(q().execSql(), db::Error);
}

TEST_F(DbQuery, ValuesOfEveryKindRoundTrip)
{
    QByteArray bmp("BM\0\0\x01\xff", 6);
    run(q(), "insert into 人事表 (bh, csrq, gl, zp, jl, lzrq) values (:a, :b, :c, :d, :e, :f)");
    q().setParam("a", text("mr001"));
    q().setParam("b", Value::date(QDate(1980, 2, 29)));
    q().setParam("c", text("12"));
    q().setParam("d", Value::blob(bmp));
    q().setParam("e", Value::text(QString()));
    q().setParam("f", Value());
    q().execSql();
    // No photo is no bytes: a zero-length value, not Null.
    q().setParam("a", text("mr002"));
    q().setParam("d", Value::blob(QByteArray()));
    q().execSql();
    EXPECT_EQ(all("select bh, csrq, typeof(gl), zp is null, length(zp), jl, lzrq from 人事表 order by bh"),
              (QStringList{"mr001|1980-02-29|integer|0|6||<null>", "mr002|1980-02-29|integer|0|0||<null>"}));

    run(q(), "select * from 人事表 order by bh");
    q().open();
    EXPECT_EQ(q().field("zp").toBlob(), bmp);
    EXPECT_EQ(q().field("BH"), text("mr001"));   // names without regard to case
    EXPECT_EQ(q().field("csrq").toDate(), QDate(1980, 2, 29));
    EXPECT_EQ(s(q().fieldText("csrq")), "1980-02-29");
    EXPECT_EQ(q().field("gl"), Value::integer(12));
    EXPECT_EQ(q().field("jl"), Value::text(QString()));
    EXPECT_TRUE(q().field("lzrq").isNull());
    q().next();
    EXPECT_EQ(q().field("zp").kind(), Value::Kind::Blob);
    EXPECT_TRUE(q().field("zp").toBlob().isEmpty());
}

// ---- changing rows through the snapshot ----

TEST_F(DbQuery, PostAndDeleteReachExactlyTheRowReadAmongDuplicates)
{
    db->exec("insert into 部门表 values ('001','财务部'), ('001','财务部'), ('002','人事部'), ('001','财务部')");
    run(q(), "select * from 部门表 where 部门编号=:a");
    q().setParam("a", text("001"));
    q().open();
    ASSERT_EQ(q().recordCount(), 3);
    q().next();
    q().edit();
    q().setField("部门名称", text("审计部"));
    q().post();
    EXPECT_EQ(all("select rowid, 部门编号, 部门名称 from 部门表 order by rowid"),
              (QStringList{"1|001|财务部", "2|001|审计部", "3|002|人事部", "4|001|财务部"}));
    EXPECT_EQ(s(q().fieldText("部门名称")), "审计部");
    EXPECT_EQ(q().recordCount(), 3);

    q().last();
    q().deleteRow();
    EXPECT_EQ(all("select rowid from 部门表 order by rowid"), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(q().recordCount(), 2);
    EXPECT_EQ(q().recNo(), 1);   // the last row went: the one before it is current
    EXPECT_EQ(s(q().fieldText("部门名称")), "审计部");

    q().first();
    q().deleteRow();
    EXPECT_EQ(all("select rowid from 部门表 order by rowid"), (QStringList{"2", "3"}));
    EXPECT_EQ(q().recNo(), 0);   // the next row moved up
    EXPECT_EQ(s(q().fieldText("部门名称")), "审计部");
}

TEST_F(DbQuery, PostWritesOnlyChangedColumnsAndShowsWhatWasStored)
{
    db->exec("insert into 考核表 (员工编号, 出勤天数, 考核等级) values ('mr001', 22, '良好')");
    run(q(), "select 员工编号 as 编号, 出勤天数, 考核等级, 出勤天数 * 2 as 双倍 from 考核表");
    q().open();
    q().edit();
    q().setField("出勤天数", text(" 21.5 "));   // converted by the database
    EXPECT_EQ(errorOf([&] { q().setField("双倍", Value::integer(1)); }),
              "ADOpublic: 字段 '双倍' 不是表中的列，不能修改");
    // Someone else changes another column meanwhile: not overwritten.
    db->exec("update 考核表 set 考核等级='优秀'");
    q().post();
    EXPECT_EQ(all("select 员工编号, 出勤天数, 考核等级 from 考核表"), QStringList{"mr001|21.5|优秀"});
    EXPECT_EQ(q().field("出勤天数"), Value::real(21.5));

    // An alias writes the column it stands for.
    q().edit();
    q().setField("编号", text("mr009"));
    q().post();
    EXPECT_EQ(db->scalar("select 员工编号 from 考核表"), "mr009");
}

TEST_F(DbQuery, EditOnAnEmptyQueryInsertsANewRow)
{
    run(q(), "select * from 部门表 where 部门编号=:a");
    q().setParam("a", text("007"));
    q().open();
    ASSERT_EQ(q().recordCount(), 0);
    q().edit();
    EXPECT_EQ(q().state(), db::Query::State::Insert);
    q().setField("部门编号", text("007"));
    q().setField("部门名称", text("保卫部"));
    q().post();
    EXPECT_EQ(all("select * from 部门表"), QStringList{"007|保卫部"});
    EXPECT_EQ(q().recordCount(), 1);
    EXPECT_EQ(q().recNo(), 0);
    EXPECT_FALSE(q().eof());
    EXPECT_EQ(s(q().fieldText("部门名称")), "保卫部");

    // The new row is the snapshot's own now: a second edit changes it, not another.
    q().edit();
    EXPECT_EQ(q().state(), db::Query::State::Edit);
    q().setField("部门名称", text("保安部"));
    q().post();
    EXPECT_EQ(all("select * from 部门表"), QStringList{"007|保安部"});

    // Columns not set stay Null.
    run(q(), "select * from 人事表");
    q().open();
    q().edit();
    q().setField("bh", text("mr001"));
    q().post();
    EXPECT_EQ(all("select bh, xm, sflz from 人事表"), QStringList{"mr001|<null>|<null>"});
}

TEST_F(DbQuery, PostOrDeleteThatReachesNoRowIsAnError)
{
    db->exec("insert into 部门表 values ('001','财务部'), ('002','人事部')");
    run(q(), "select * from 部门表");
    q().open();
    db->exec("delete from 部门表 where 部门编号='001'");   // behind the query's back

    q().edit();
    q().setField("部门名称", text("审计部"));
    EXPECT_EQ(errorOf([&] { q().post(); }), "ADOpublic: 没有找到要修改的记录：它已被删除，或已被他人修改");
    EXPECT_EQ(q().state(), db::Query::State::Edit);
    EXPECT_EQ(s(q().fieldText("部门名称")), "审计部");
    q().cancel();
    EXPECT_EQ(errorOf([&] { q().deleteRow(); }), "ADOpublic: 没有找到要删除的记录：它已被删除，或已被他人修改");
    EXPECT_EQ(q().recordCount(), 2);
    EXPECT_EQ(all("select * from 部门表"), QStringList{"002|人事部"});

    // A row whose value was changed by someone else is not overwritten unseen.
    q().next();
    db->exec("update 部门表 set 部门名称='后勤部'");
    q().edit();
    q().setField("部门名称", text("人力资源部"));
    EXPECT_THROW(q().post(), db::Error);
    EXPECT_EQ(all("select * from 部门表"), QStringList{"002|后勤部"});
}

TEST_F(DbQuery, QueriesThatAreNotOneTableAreReadOnly)
{
    db->exec("insert into 部门表 values ('001','财务部'), ('002','财务部')");
    for (const char* sql : {"select distinct 部门名称 from 部门表", "select count(*) as n from 部门表",
                            "select * from 部门表 a, 部门表 b"}) {
        run(q(), sql);
        q().open();
        EXPECT_GT(q().recordCount(), 0) << sql;
        EXPECT_THROW(q().edit(), db::Error) << sql;
        EXPECT_THROW(q().deleteRow(), db::Error) << sql;
        EXPECT_EQ(q().state(), db::Query::State::Browse);
    }
    EXPECT_EQ(db->count("部门表"), 2);
}

TEST_F(DbQuery, MovingOffAnEditedRowSavesIt)
{
    db->exec("insert into 部门表 values ('001','a'), ('002','b')");
    run(q(), "select * from 部门表");
    q().open();
    q().edit();
    q().setField("部门名称", text("c"));
    q().next();
    EXPECT_EQ(q().state(), db::Query::State::Browse);
    EXPECT_EQ(all("select 部门名称 from 部门表 order by rowid"), (QStringList{"c", "b"}));

    // A new row given no value is dropped, not stored empty.
    q().append();
    q().first();
    EXPECT_EQ(q().state(), db::Query::State::Browse);
    EXPECT_EQ(db->count("部门表"), 2);

    // Close discards what was not posted.
    q().edit();
    q().setField("部门名称", text("d"));
    q().close();
    EXPECT_EQ(all("select 部门名称 from 部门表 order by rowid"), (QStringList{"c", "b"}));
    EXPECT_THROW(q().setField("部门名称", text("e")), db::Error);
}

TEST_F(DbQuery, ObserversFollowOpenCloseAndChanges)
{
    db->exec("insert into 部门表 values ('001','a'), ('002','b'), ('003','c')");
    db::Query& g = Data1->ADOQYbmxx;
    QSignalSpy reset(&g, &db::Query::reset), current(&g, &db::Query::currentChanged),
        changed(&g, &db::Query::rowChanged), inserted(&g, &db::Query::rowInserted), removed(&g, &db::Query::rowRemoved);

    run(g, "select * from 部门表");
    g.open();
    EXPECT_EQ(reset.count(), 1);
    ASSERT_EQ(current.count(), 1);
    EXPECT_EQ(current.takeFirst().at(0).toInt(), 0);

    g.next();
    EXPECT_EQ(current.takeFirst().at(0).toInt(), 1);
    g.edit();
    g.setField("部门名称", text("x"));
    g.post();
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.takeFirst().at(0).toInt(), 1);

    g.append();
    g.setField("部门编号", text("004"));
    g.post();
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.takeFirst().at(0).toInt(), 3);
    EXPECT_EQ(current.takeFirst().at(0).toInt(), 3);

    g.setRecNo(0);
    current.clear();
    g.deleteRow();
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.takeFirst().at(0).toInt(), 0);
    EXPECT_EQ(current.takeFirst().at(0).toInt(), 0);

    // Re-opening with another text, then closing.
    run(g, "select 部门名称 from 部门表");   // run() closes first
    g.open();
    EXPECT_EQ(reset.count(), 3);
    EXPECT_EQ(g.fieldCount(), 1);
    g.close();
    g.close();   // closing a closed query tells nobody
    EXPECT_EQ(reset.count(), 4);
}
