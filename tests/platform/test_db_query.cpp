#include "dbtest.h"
#include <cmath>
#include <sqlite3.h>

using namespace dbtest;

namespace {
class DbQuery : public DbTest {};
using State = db::Query::State;
}

TEST_F(DbQuery, TheDatabaseRefusesWhatAColumnCannotHold)
{
    run(q(), "insert into 考勤表 values (:a,:b,:c,:d,:e)");
    q().setParam("a", text("abc"));
    for (const char* p : {"b", "c", "d", "e"}) q().setParam(p, text("1"));
    const db::Error e = caught([&] { q().execSql(); });
    EXPECT_EQ(s(e.message()), "字段 考勤表.全勤奖 只能保存数字，不能保存文本");
    EXPECT_EQ(s(e.context()), "ADOpublic: cannot store TEXT value in REAL column 考勤表.全勤奖");   // for the log
    EXPECT_EQ(std::pair(e.code(), s(e.constraint())), std::pair(SQLITE_CONSTRAINT_DATATYPE, std::string("考勤表.全勤奖")));
    q().setParam("a", text(" 200 "));   // a numeric text is converted by the database
    EXPECT_EQ(q().execSql(), 1);
    EXPECT_EQ(all("select typeof(全勤奖), 全勤奖 from 考勤表"), QStringList{"real|200.0"});

    run(q(), "insert into 合同表 values (:a,:b,:c,:d,:e,:f,:g,:h,:i)");
    for (const char* p : {"a", "b", "f", "g", "h", "i"}) q().setParam(p, text("x"));
    q().setParam("c", Value::date(QDate(2023, 1, 31)));
    q().setParam("d", text("2023-02-30"));
    q().setParam("e", Value());
    EXPECT_EQ(errorOf([&] { q().execSql(); }),
              "字段 合同开始日期 的日期无效：只能保存 yyyy-MM-dd 形式的真实日期");
    EXPECT_EQ(db->count("合同表"), 0);
    q().setParam("d", text("2023-02-28"));
    q().execSql();

    // A refused post stays in edit with its values; cancel drops them.
    open("select * from 合同表");
    q().edit();
    q().setField("合同结束日期", text("2023-13-01"));
    q().setField("备注", text("changed"));
    EXPECT_THROW(q().post(), db::Error);
    EXPECT_EQ(q().state(), State::Edit);
    EXPECT_EQ(s(q().fieldText("备注")), "changed");
    q().cancel();
    EXPECT_EQ(s(q().fieldText("备注")), "x");
    EXPECT_THROW(setAndPost("登记日期", Value::date(QDate())), db::Error);
    q().close();
    EXPECT_EQ(all("select 登记日期, 合同开始日期, 合同结束日期, 备注 from 合同表"),
              QStringList{"2023-01-31|2023-02-28|<null>|x"});
}

TEST_F(DbQuery, ParametersMatchWholeNamesMustBeSetAndMisusedStatementsRunNothing)
{
    db->exec("insert into 部门表 values ('001','财务部'), ('002','人事部'), ('003',':a'), ('4','部'), ('5',''), ('6','部')");
    run(q(), "select * from 部门表 where 部门编号=:a or 部门名称=:aa or 部门名称=':a' -- :c");
    EXPECT_EQ(q().paramNames(), (QStringList{"a", "aa"}));
    EXPECT_EQ(errorOf([&] { q().open(); }), "参数 :a 没有赋值");   // never a silent Null
    EXPECT_FALSE(q().isOpen());
    q().setParam("a", text("001"));
    q().setParam("AA", text("人事部"));
    q().open();
    EXPECT_EQ(q().recordCount(), 3);
    EXPECT_EQ(errorOf([&] { q().setParam("aaa", text("x")); }), "参数 :aaa 不存在");
    EXPECT_THROW(q().setParam("c", text("x")), db::Error);   // only in a comment

    // New text drops the values given for the old one.
    q().addSql("and 1=1");
    EXPECT_THROW(q().open(), db::Error);

    // The same text run again binds the new values; '' is never Null.
    run(q(), "select * from 部门表 where 部门名称 = :a");
    for (auto [name, n] : {std::pair{"部", 2}, {"", 1}, {"无", 0}}) {
        q().setParam("a", text(name));
        q().open();
        EXPECT_EQ(q().recordCount(), n) << name;
    }

    q().setSql("select * from 不存在的表");   // a failed open drops the old rows
    EXPECT_EQ(errorOf([&] { q().open(); }), "数据库无法执行此语句（表或字段不存在，或语句有误）");
    EXPECT_FALSE(q().isOpen());
    db->exec("delete from 部门表");
    run(q(), "insert into 部门表 values ('1','a')");
    EXPECT_EQ(errorOf([&] { q().open(); }), "语句不返回数据集");
    run(q(), "insert into 部门表 values ('1','a'); delete from 部门表");
    EXPECT_THROW(q().execSql(), db::Error);
    EXPECT_EQ(db->count("部门表"), 0);
    run(q(), "insert into 部门表 values ('1','a'); -- a trailing comment is no statement");
    EXPECT_EQ(q().execSql(), 1);
}

TEST_F(DbQuery, SnapshotHasExactCountStoredOrderAndNullAwareFields)
{
    // 人事表 has an index on bh that would sort a covered scan.
    db->exec("insert into 人事表 (bh, xm, gl) values ('mr003','c',1), ('mr001','',NULL), ('mr002','b',0),"
             " ('mr001','d',2)");
    open("select bh, xm, gl from 人事表");
    ASSERT_EQ(q().recordCount(), 4);
    EXPECT_EQ(q().fieldNames(), (QStringList{"bh", "xm", "gl"}));   // the hidden rowid is no field
    EXPECT_EQ(q().fieldIndex("__rowid__"), -1);
    QStringList seen;
    for (q().first(); !q().eof(); q().next()) seen << q().fieldText("BH") + "/" + q().fieldText("gl");
    EXPECT_EQ(seen, (QStringList{"mr003/1", "mr001/", "mr002/0", "mr001/2"}));
    EXPECT_EQ(q().recNo(), 3);   // eof stays on the last row
    q().setRecNo(1);
    EXPECT_TRUE(q().field("gl").isNull());
    EXPECT_FALSE(q().field("xm").isNull());   // '' is a value
    EXPECT_THROW(q().setRecNo(4), db::Error);
    EXPECT_EQ(errorOf([&] { q().field("xyz"); }), "字段 'xyz' 不存在");

    // The hidden order by rowid goes where the statement's own clauses allow it.
    open("select xm from 人事表 where bh in (select bh from 人事表 order by bh limit 1) -- first\n limit 5");
    EXPECT_EQ(q().value(1, 0), text("d"));

    open("select * from 部门表");   // empty: fields read Null
    EXPECT_TRUE(q().eof());
    EXPECT_EQ(q().recNo(), -1);
    EXPECT_TRUE(q().field("部门名称").isNull());
    EXPECT_THROW(q().deleteRow(), db::Error);
    q().close();
    EXPECT_EQ(errorOf([&] { q().field("部门名称"); }), "数据集没有打开");
}

TEST_F(DbQuery, ValuesOfEveryKindRoundTrip)
{
    const QByteArray bmp("BM\0\0\x01\xff", 6);
    run(q(), "insert into 人事表 (bh, csrq, gl, zp, jl, lzrq) values (:a, :b, :c, :d, :e, :f)");
    const Value values[] = {text("mr001"), Value::date(QDate(1980, 2, 29)), text("12"), Value::blob(bmp),
                            Value::text(QString()), Value()};
    for (int i = 0; i < 6; ++i) q().setParam(QString(QChar('a' + i)), values[i]);
    q().execSql();
    q().setParam("d", Value::blob(QByteArray()));   // no photo: zero bytes, not Null
    q().execSql();
    EXPECT_EQ(all("select typeof(gl), length(zp) from 人事表"), (QStringList{"integer|6", "integer|0"}));

    open("select * from 人事表");
    const char* const names[] = {"bh", "csrq", "gl", "zp", "jl", "lzrq"};
    for (int i : {0, 3, 4, 5}) EXPECT_EQ(q().field(names[i]), values[i]) << i;
    EXPECT_EQ(q().field("gl"), Value::integer(12));
    EXPECT_EQ(s(q().fieldText("csrq")), "1980-02-29");
    // Numbers read without a Value: only an integer or a real.
    const db::Rows rows = db::select(conn(), "select * from 人事表");
    const int gl = rows.index("GL");
    double x = 0;
    EXPECT_TRUE(rows.numberAt(0, gl, &x));
    EXPECT_EQ(x, 12);
    for (int i : {0, 3, 4, 5}) EXPECT_FALSE(rows.numberAt(0, rows.index(names[i]), &x)) << i;
    EXPECT_EQ(errorOf([&] { rows.numberAt(0, 32, &x); }), "单元格 (0, 32) 超出范围");
    q().next();
    EXPECT_EQ(q().field("zp"), Value::blob(QByteArray()));
}

// UTF-8 cannot hold half a surrogate pair: such a text is refused, never
// stored or compared as another ("a?b").
TEST_F(DbQuery, TextWithHalfASurrogatePairIsRefusedNotTakenForAnother)
{
    const QString lone = QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b");
    const QString pair = QStringLiteral("a") + QChar(0xD83D) + QChar(0xDE00) + QStringLiteral("b");
    db->exec("insert into 部门表 values ('a?b', 'x')");
    run(q(), "select count(*) from 部门表 where 部门编号 = :a");
    q().setParam("a", Value::text(lone));
    EXPECT_EQ(errorOf([&] { q().open(); }), "参数 :a 含有无效字符（不成对的 UTF-16 代理项），不能保存或比较");
    run(q(), "insert into 部门表 values (:a, :b)");
    q().setParam("a", Value::text(pair));
    q().setParam("b", Value::text(QStringLiteral("y")));
    q().execSql();
    EXPECT_EQ(all("select 部门编号 from 部门表"), (QStringList{"a?b", pair}));

    open("select * from 部门表");
    EXPECT_THROW(setAndPost("部门名称", Value::text(lone)), db::Error);
    q().cancel();
    EXPECT_EQ(all("select 部门名称 from 部门表"), (QStringList{"x", "y"}));
}

TEST_F(DbQuery, PostAndDeleteReachExactlyTheRowReadAndNeverOneChangedMeanwhile)
{
    db->exec("insert into 部门表 values ('001','财务部'), ('001','财务部'), ('002','人事部'), ('001','财务部')");
    run(q(), "select * from 部门表 where 部门编号=:a");
    q().setParam("a", text("001"));
    q().open();
    ASSERT_EQ(q().recordCount(), 3);
    q().next();
    setAndPost("部门名称", text("审计部"));
    EXPECT_EQ(all("select rowid, 部门名称 from 部门表"), (QStringList{"1|财务部", "2|审计部", "3|人事部", "4|财务部"}));

    q().last();
    q().deleteRow();
    EXPECT_EQ(all("select rowid from 部门表"), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(q().recNo(), 1);   // the last row went: the one before it is current
    q().first();
    q().deleteRow();
    EXPECT_EQ(all("select rowid from 部门表"), (QStringList{"2", "3"}));
    EXPECT_EQ(q().recordCount(), 1);
    EXPECT_EQ(s(q().fieldText("部门名称")), "审计部");   // the next row moved up

    // db->exec is another connection to the same file, as a second copy of the program.
    db->exec("delete from 部门表; insert into 部门表 values ('001','财务部'), ('002','人事部'), ('003','后勤部')");
    open("select * from 部门表");
    db->exec("delete from 部门表 where 部门编号='001'");
    q().edit();
    q().setField("部门名称", text("审计部"));
    const db::Error changed = caught([&] { q().post(); });
    EXPECT_EQ(s(changed.message()), "该记录已被修改，请重新打开");   // the query's name is for the log only
    EXPECT_EQ(s(changed.context()), "ADOpublic");
    EXPECT_EQ(q().state(), State::Edit);
    q().cancel();
    EXPECT_THROW(q().deleteRow(), db::RowChanged);
    EXPECT_EQ(q().recordCount(), 3);

    // Any column changed meanwhile, not only the one being written.
    q().next();
    db->exec("update 部门表 set 部门编号='020' where 部门编号='002'");
    EXPECT_THROW(setAndPost("部门名称", text("人力资源部")), db::RowChanged);
    q().cancel();
    EXPECT_THROW(q().deleteRow(), db::RowChanged);
    q().next();
    db->exec("update 部门表 set 部门名称='保卫部' where 部门编号='003'");
    EXPECT_THROW(setAndPost("部门名称", text("保卫部")), db::RowChanged);   // even to the same value
    q().cancel();
    EXPECT_EQ(all("select * from 部门表"), (QStringList{"020|人事部", "003|保卫部"}));

    open("select * from 部门表");   // what is shown now can be changed
    setAndPost("部门名称", text("人力资源部"));
    q().last();
    q().deleteRow();
    EXPECT_EQ(all("select * from 部门表"), QStringList{"020|人力资源部"});
}

TEST_F(DbQuery, PostWritesOnlyChangedColumnsAndShowsWhatWasStored)
{
    db->exec("insert into 考核表 (员工编号, 出勤天数, 考核等级) values ('mr001', 22, '良好')");
    open("select * from 考核表 where 员工编号 = 'mr001' order by 出勤天数");
    q().edit();
    q().setField("出勤天数", text(" 21.5 "));   // a number column takes text through the strict parser
    for (const char* bad : {"1e999", "-1e309", "1e-400", "1,000", ""})
        EXPECT_EQ(errorOf([&] { q().setField("出勤天数", text(bad)); }),
                  "字段 出勤天数 的值 '" + std::string(bad) + "' 不是有效的数字");
    // A column not set is not written (its trigger stays quiet); the row
    // then shows what the table holds.
    db->exec("create trigger graded after update of 考核等级 on 考核表"
             " begin update 考核表 set 考核人 = '触发' where rowid = new.rowid; end");
    q().post();
    EXPECT_EQ(q().field("出勤天数"), Value::real(21.5));
    EXPECT_TRUE(q().field("考核人").isNull());
    setAndPost("考核等级", text("优秀"));
    EXPECT_EQ(s(q().fieldText("考核人")), "触发");
    EXPECT_EQ(all("select 员工编号, 出勤天数, 考核等级, 考核人 from 考核表"), QStringList{"mr001|21.5|优秀|触发"});
}

TEST_F(DbQuery, EditInsertsIntoAnEmptyQueryChangesOnlyOneTableRowsAndPostsOnMovingOff)
{
    open("select * from 部门表");
    q().edit();
    EXPECT_EQ(q().state(), State::Insert);
    q().setField("部门编号", text("007"));
    q().post();
    EXPECT_EQ(all("select * from 部门表"), QStringList{"007|<null>"});   // columns not set stay Null
    EXPECT_EQ(q().recordCount(), 1);
    EXPECT_FALSE(q().eof());
    setAndPost("部门名称", text("保安部"));
    EXPECT_EQ(all("select * from 部门表"), QStringList{"007|保安部"});

    // An edit of no row stores one only while the query still finds none: a
    // row another copy stored meanwhile is changed by no second one beside it.
    run(q(), "select * from 部门表 where 部门编号 = :a");
    q().setParam("a", text("008"));
    q().open();
    q().edit();
    q().setField("部门名称", text("后勤部"));
    db->exec("insert into 部门表 values ('009', '外部')");   // another copy, beside the query's condition
    db->exec("insert into 部门表 values ('008', '外部')");
    EXPECT_THROW(q().post(), db::RowChanged);
    EXPECT_EQ(q().state(), State::Insert);
    db->exec("delete from 部门表 where 部门编号 = '008'");
    q().post();
    EXPECT_EQ(all("select * from 部门表 order by rowid"), (QStringList{"007|保安部", "009|外部", "<null>|后勤部"}));
    db->exec("delete from 部门表 where 部门编号 is not '007'");
    open("select * from 部门表");

    // A new row given no value is dropped when the row moves, not stored empty.
    q().append();
    q().first();
    EXPECT_EQ(db->count("部门表"), 1);

    db->exec("delete from 部门表; insert into 部门表 values ('001','a'), ('002','b')");
    // Only "select * from <table>" with a condition or an order changes rows.
    for (const char* sql : {"select distinct 部门名称 from 部门表", "select count(*) as n from 部门表",
                            "select * from 部门表 a, 部门表 b", "select 部门名称 from 部门表",
                            "select *, 1 from 部门表", "select * from 部门表 union select * from 部门表"}) {
        open(sql);
        EXPECT_THROW(q().edit(), db::Error) << sql;
        EXPECT_THROW(q().deleteRow(), db::Error) << sql;
    }

    open("select * from 部门表");
    q().edit();
    q().setField("部门名称", text("c"));
    q().next();
    EXPECT_EQ(q().state(), State::Browse);
    q().edit();
    q().setField("部门名称", text("d"));
    q().close();   // discards what was not posted
    EXPECT_EQ(all("select 部门名称 from 部门表"), (QStringList{"c", "b"}));
    EXPECT_THROW(q().setField("部门名称", text("e")), db::Error);
}

TEST_F(DbQuery, SelectAndExecRunOneStatementWithItsParameters)
{
    EXPECT_EQ(db::exec(conn(), "insert into 部门表 (部门编号, 部门名称) values (:a, :b), (:A, 'x')",
                       {{"a", text("001")}, {"B", text("财务部")}}),
              2);
    const db::Rows r = db::select(conn(), "select * from 部门表 where 部门编号 = :a", {{"a", text("001")}});
    ASSERT_EQ(r.count(), 2);
    EXPECT_EQ(r.value(1, r.index("部门名称")), text("x"));
    EXPECT_EQ(r.first("部门名称"), text("财务部"));
    EXPECT_TRUE(db::select(conn(), "select * from 部门表 where 0").first("部门名称").isNull());

    // The rules of a query, without a query's name in the messages.
    EXPECT_EQ(errorOf([&] { db::select(conn(), "select * from 部门表 where 部门编号 = :a"); }), "参数 :a 没有赋值");
    EXPECT_EQ(errorOf([&] { db::exec(conn(), "delete from 部门表", {{"b", text("1")}}); }), "参数 :b 不存在");
    EXPECT_EQ(errorOf([&] { db::select(conn(), "delete from 部门表"); }), "语句不返回数据集");
    EXPECT_EQ(errorOf([&] { r.value(2, 0); }), "单元格 (2, 0) 超出范围");
    EXPECT_EQ(errorOf([&] { r.first("xyz"); }), "字段 'xyz' 不存在");
    const db::Rows count = db::select(conn(), "select count(*) as n from 部门表");
    EXPECT_EQ(count.first("n"), Value::integer(2));

    conn().close();   // the rows read stay
    EXPECT_EQ(r.value(0, 0), text("001"));
    EXPECT_EQ(db::exec(conn(), "delete from 部门表"), 2);
}

TEST_F(DbQuery, ACommandKeepsItsBindingsFromRunToRunAndRefusesWhatAQueryRefuses)
{
    // A name written twice is one parameter.
    db::Command c(conn(), "insert into 考勤表 values (:times, :days, :late, :avg, :times)");
    const int times = c.index("times"), days = c.index("days"), late = c.index("late"), avg = c.index("avg");
    EXPECT_EQ(errorOf([&] { c.index("DAYS"); }), "参数 :DAYS 不存在");
    c.bind(times, Value::real(2));
    c.bind(days, Value::real(22));
    c.bind(avg, Value::real(21.75));
    EXPECT_EQ(errorOf([&] { c.run(); }), "参数 :late 没有赋值");   // never a silent Null
    EXPECT_EQ(db->count("考勤表"), 0);

    c.bind(late, Value::real(3));
    EXPECT_EQ(c.run(), 1);
    c.bind(late, Value::real(4));   // the others stay bound
    EXPECT_EQ(c.run(), 1);
    EXPECT_EQ(errorOf([&] { c.bind(avg, Value::real(std::nan(""))); }), "参数 :avg 不是有效的数字");
    c.bind(late, text("abc"));
    EXPECT_EQ(errorOf([&] { c.run(); }), "字段 考勤表.迟到早退次数 只能保存数字，不能保存文本");
    c.bind(late, Value::real(5));   // a refused run leaves the command ready for the next
    EXPECT_EQ(c.run(), 1);
    EXPECT_EQ(all("select * from 考勤表"),
              (QStringList{"2.0|22.0|3.0|21.75|2.0", "2.0|22.0|4.0|21.75|2.0", "2.0|22.0|5.0|21.75|2.0"}));
    EXPECT_EQ(errorOf([&] { db::Command(conn(), "-- nothing"); }), "没有要执行的 SQL 语句");
}

// No photo, zero bytes, a small one, one of 4 KB and large ones, each of its own bytes.
TEST_F(DbQuery, BlobsStayInTheTableUntilAskedForAndReadAsTheRowHoldsThem)
{
    const auto photo = [](int i, int size) {
        QByteArray b(size, Qt::Uninitialized);
        for (int k = 0; k < size; ++k) b[k] = char((k * 31 + i * 7) ^ (k >> 8));
        return Value::blob(b);
    };
    QList<Value> photos{Value(), Value::blob(QByteArray()), photo(2, 100), photo(3, 4096)};
    for (int i = 4; i < 10; ++i) photos << photo(i, 300 * 1024);
    run(Data1->ADOQYbmxx, "insert into 人事表 (bh, zp, gl) values (:a, :b, :c)");
    for (int i = 0; i < photos.size(); ++i) {
        Data1->ADOQYbmxx.setParam("a", Value::text(QStringLiteral("mr%1").arg(i)));
        Data1->ADOQYbmxx.setParam("b", photos[i]);
        Data1->ADOQYbmxx.setParam("c", Value::integer(i));
        Data1->ADOQYbmxx.execSql();
    }
    const auto check = [&](const char* column) {
        ASSERT_EQ(q().recordCount(), photos.size());
        for (int i = 0; i < photos.size(); ++i) {
            q().setRecNo(i);
            EXPECT_EQ(q().field(column), photos[i]) << i;   // kind, size and bytes
        }
        EXPECT_LT(q().bytes(), size_t(64 * 1024));   // sizes only, not 1.8 MB of photos
    };

    // A LIKE pattern makes the engine prepare the statement again for each value.
    run(q(), "select * from 人事表 where bh like :a");
    for (const char* pattern : {"mr%", "m%"}) {
        q().setParam("a", text(pattern));
        q().open();
        EXPECT_EQ(q().fieldNames(), all("select name from pragma_table_info('人事表')"));
        check("zp");
    }
    open("select * from 人事表 order by gl");
    check("zp");
    open("select xm, zp, bh from 人事表");   // read-only: the bytes come with the rows
    EXPECT_EQ(q().field("zp"), photos[0]);
    EXPECT_GT(q().bytes(), size_t(1800 * 1024));
    open("select * from 人事表");
    for (int i = 0; i < photos.size(); ++i) {   // shown again after a post as they are stored
        q().setRecNo(i);
        setAndPost("xm", text("改"));
    }
    check("zp");
    EXPECT_EQ(db::select(conn(), "select * from 人事表 where bh = 'mr5'").first("zp"), photos[5]);
    // Without a row to go back to, the bytes are read at once.
    open("select substr(zp, 1) as zp from 人事表 where gl in (4, 5)");
    EXPECT_GT(q().bytes(), size_t(600 * 1024));
    EXPECT_EQ(q().value(1, 0), photos[5]);

    // A photo given, changed or gone meanwhile is not read as the old one, and
    // a post over it is refused, while the other rows still change.
    open("select * from 人事表");
    db->exec("update 人事表 set zp = x'01' where bh = 'mr0'; update 人事表 set zp = zeroblob(5000) where bh = 'mr4';"
             "update 人事表 set zp = x'00' where bh = 'mr5'; delete from 人事表 where bh = 'mr6'");
    for (int i : {0, 4, 5, 6}) {
        q().setRecNo(i);
        if (i > 0) { EXPECT_THROW(q().field("zp").toBlob(), db::RowChanged) << i; }   // 0 had none
        EXPECT_THROW(setAndPost("xm", text("再改")), db::RowChanged) << i;
        q().cancel();
    }
    EXPECT_EQ(all("select count(*) from 人事表 where xm = '改'"), QStringList{"9"});
    q().setRecNo(7);
    const Value kept = q().field("zp");
    setAndPost("xm", text("张三"));
    setAndPost("zp", kept);   // written back byte for byte, as the employee dialog does
    EXPECT_EQ(all("select xm, length(zp) from 人事表 where bh = 'mr7'"), QStringList{"张三|307200"});
    EXPECT_EQ(q().field("zp"), photos[7]);
    q().setRecNo(8);
    q().deleteRow();
    EXPECT_EQ(db->count("人事表"), 8);

    // A value that outlives its connection says so.
    q().setRecNo(8);
    const Value orphan = q().field("zp");
    delete Data1;
    Data1 = nullptr;
    EXPECT_THROW(orphan.toBlob(), db::Error);
}

// The rowid the query reads for itself is no column of the caller's "*":
// an order by position still means the caller's columns.
TEST_F(DbQuery, OrderByPositionSortsByTheCallersColumns)
{
    db->exec("insert into 部门表 values ('03', '甲'), ('01', '丙'), ('02', '乙')");
    const auto order = [&](const char* sql) {
        open(sql);
        QStringList seen;
        for (q().first(); !q().eof(); q().next()) seen << q().fieldText("部门编号");
        return seen;
    };
    EXPECT_EQ(order("select * from 部门表 order by 1"), (QStringList{"01", "02", "03"}));
    EXPECT_EQ(order("select * from 部门表 order by 2 desc"), (QStringList{"03", "02", "01"}));
    // Still the table's rows: an edit reaches the row shown.
    q().first();
    setAndPost("部门名称", text("丁"));
    EXPECT_EQ(all("select 部门编号 from 部门表 where 部门名称 = '丁'"), QStringList{"03"});
}
