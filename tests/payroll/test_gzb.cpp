#include "data/U_data.h"
#include "data/system_db.h"
#include "killed_writer.h"
#include "harness.h"
#include "print.h"
#include "payroll/U_gzb.h"
#include "payroll/salary_month.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QRegularExpression>
#include <sqlite3.h>

namespace {

const char* const kNoAmounts = "2000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0";

class GzbTest : public hrtest::HrTest {
protected:
    void SetUp() override
    {
        HrTest::SetUp();
        db->exec("insert into 个人所得税税率表 values (1, 0, 3000, 0.05), (2, 3000, 8000, 0.1)");
        db->exec("insert into 考勤表 values (300, 22, 3, 20, 2)");
    }

    // Basic 2000, bonus 200, allowance 300, pension 0.08, unemployment 0.01, medical 0.02.
    void tpl(const QString& bh, int level = 1)
    {
        db->exec(QStringLiteral("insert into 工资模板 values ('%1', '张三', 2000, 200, 300, 0.08, 0.01, 0.02, %2)").arg(bh).arg(level));
    }
    // figures: 出勤天数, 迟到次数, 早退次数, 旷工天数, 加班时数
    void assess(const QString& bh, const QString& figures, const QString& month = "2024-01")
    {
        db->exec(QStringLiteral("insert into 考核表 (员工编号, 出勤天数, 迟到次数, 早退次数, 旷工天数, 加班时数, 考核月份) "
                                "values ('%1', %2, '%3')").arg(bh, figures, month));
    }
    // amounts: jbgz, jbf, qqj, zwjt, qtje, kgf, ylbx, sybx, ylx, ks, qtke
    void salary(const QString& month, const QString& bh, const QString& amounts, const QString& totals = "null, null, null")
    {
        db->exec(QStringLiteral("insert into 工资表 values ('%1', '%2', '某', %3, %4, '')").arg(month, bh, amounts, totals));
    }
    // The month's rows, every value quoted so that a double shows in full.
    QStringList stored(QString cols, const QString& month)
    {
        cols.replace(QRegularExpression("(\\w+)"), "quote(\\1)");
        return db->rows(QStringLiteral("select %1 from 工资表 where gzyf = '%2' order by rowid").arg(cols, month));
    }

    // 120 employees, enough for rows to go several to a statement, and 工资表
    // made anew with its ygbh declared as given; the month's rows expected
    // when mr077's alone is refused.
    QStringList manyEmployeesOn(const QString& ygbh)
    {
        QStringList want;
        for (int i = 1; i <= 120; ++i) {
            const QString bh = QStringLiteral("mr%1").arg(i, 3, 10, QChar('0'));
            tpl(bh);
            assess(bh, "22,0,0,0,0");
            if (i != 77) want << QStringLiteral("'%1'|2000.0").arg(bh);
        }
        db->exec(QStringLiteral("create table 新 (gzyf TEXT, ygbh %1, ygxm TEXT, jbgz REAL, jbf REAL, qqj REAL, zwjt REAL, "
                                "qtje REAL, kgf REAL, ylbx REAL, sybx REAL, ylx REAL, ks REAL, qtke REAL, yfgz INTEGER, "
                                "ykgz INTEGER, sfgz INTEGER, bz TEXT); drop table 工资表; alter table 新 rename to 工资表")
                     .arg(ygbh));
        return want;
    }

    void withDialog(const std::function<void(Tfrm_gzb&)>& f)
    {
        modal->onDialog = [&](QDialog*) { f(*frm_gzb); };
        ui::openDialog(frm_gzb, nullptr);
        modal->onDialog = nullptr;
    }
    void generate(Tfrm_gzb& d, const QString& month) { modal->clear(); d.ComboBox1->setText(month); d.Button3->click(); }
    void settle(Tfrm_gzb& d, const QString& month)
    {
        modal->clear();
        modal->answers = {ui::Answer::Yes};
        d.ComboBox1->setText(month);
        d.Button1->click();
    }
    // Other amounts onto the grid's current row, as the operator adds them.
    void add(Tfrm_gzb& d, const QString& amount, const QString& deduction, const QString& remark)
    {
        modal->clear();
        d.CheckBox1->setChecked(true);
        d.Edit2->setText(amount);
        d.Edit1->setText(deduction);
        d.Edit3->setText(remark);
        d.BitBtn1->click();
    }
};

}

TEST_F(GzbTest, GeneratedAmountsFollowRuleTemplateAndBracket)
{
    for (const char* bh : {"mr001", "mr002", "mr003", "mr004", "mr008", "mr009"}) tpl(bh);
    tpl("mr005", 9);   // names no bracket, mr006 and mr007 have no template
    // A second template of an employee and a second bracket of a level: the first stored is used.
    db->exec("insert into 工资模板 values ('mr001', '李四', 9000, 0, 0, 0, 0, 0, 2)");
    db->exec("insert into 个人所得税税率表 values (1, 0, 3000, 0.5)");
    struct Case { const char* bh; const char* figures; const char* stored; };
    const auto run = [&](const char* month, std::initializer_list<Case> cases) {
        for (const Case& c : cases) assess(c.bh, c.figures, month);
        withDialog([&](Tfrm_gzb& d) {
            d.CheckBox1->setChecked(true);
            d.Edit2->setText(" 120.5 ");
            d.Edit1->setText("30");
            d.Edit3->setText("  节日补贴 ");
            generate(d, month);
            EXPECT_TRUE(modal->messages.isEmpty()) << month;
        });
        QStringList want;
        for (const Case& c : cases) want << QStringLiteral("'%1'|%2|120.5|30.0|'节日补贴'").arg(c.bh, c.stored);
        EXPECT_EQ(stored("ygbh,jbgz,jbf,qqj,kgf,ylbx,ks,qtje,qtke,bz", month), want) << month;
    };

    //     出勤,迟到,早退,旷工,加班          jbgz    jbf   qqj    kgf    ylbx   ks
    run("2024-01", {{"mr001", "22,1,1,0,0",    "2000.0|0.0|200.0|0.0|160.0|100.0"},   // equal days earn the bonus
                    {"mr002", "21.9,0,0,0,0",  "2000.0|0.0|0.0|0.0|160.0|100.0"},
                    {"mr003", "22,2,1,0,0",    "2000.0|0.0|0.0|0.0|160.0|100.0"},     // late + early equal to the limit
                    {"mr004", "30,null,9,0,1.5", "2000.0|37.5|200.0|0.0|160.0|100.0"}, // a missing count stays below it
                    {"mr005", "22,0,0,0,0",    "2000.0|0.0|200.0|0.0|160.0|NULL"},
                    {"mr006", "22,0,0,1,2",    "NULL|NULL|NULL|NULL|NULL|NULL"},      // no template
                    {"mr007", "20,0,0,0,0",    "NULL|0.0|0.0|0.0|NULL|NULL"},
                    {"mr008", "null,0,0,0,0",  "2000.0|0.0|0.0|0.0|160.0|100.0"},    // missing days lose it
                    {"mr009", "22,1,0,1,10",   "2000.0|250.0|200.0|200.0|160.0|100.0"}});
    EXPECT_EQ(db->rows("select distinct ygxm, zwjt, sybx, ylx, yfgz, ykgz, sfgz from 工资表 where jbgz is not null"),
              QStringList{"张三|300.0|20.0|40.0|<null>|<null>|<null>"});

    // Without a rule nobody earns the bonus, and a missing divisor is a missing amount, not a failure.
    db->exec("delete from 考勤表");
    run("2024-02", {{"mr001", "22,0,0,0,0", "2000.0|0.0|0.0|0.0|160.0|100.0"},
                    {"mr002", "22,0,0,1,0", "2000.0|0.0|0.0|NULL|160.0|100.0"}});

    // Amounts that do not terminate are stored as computed, unrounded.
    db->exec("insert into 考勤表 values (300, 22, 3, 21.75, 2)");
    assess("mr001", "22,0,0,3,0.5", "2024-03");
    withDialog([&](Tfrm_gzb& d) { generate(d, "2024-03"); });
    EXPECT_EQ(db->rows("select jbf = (((2000.0 / 21.75) / 8) * 2) * 0.5, kgf = ((2000.0 / 21.75) * 2) * 3, "
                       "jbf <> round(jbf, 10) from 工资表 where gzyf = '2024-03'"),
              QStringList{"1|1|1"});
}

TEST_F(GzbTest, BadOtherAmountsFailTheRunOnceAndAFailedEmployeeIsRolledBackAlone)
{
    db->exec("update 考勤表 set 月平均工作天数 = 0");
    for (const char* bh : {"mr001", "mr002", "mr003", "mr004"}) tpl(bh);
    assess("mr001", "22,0,0,0,4");   // overtime over the zero divisor
    assess("mr002", "22,0,0,0,0");   // refused by the trigger below
    assess("mr003", "22,0,0,0,0");
    assess("mr004", "22,0,0,2,0");   // absence over the zero divisor
    // FAIL keeps what the statement did so far: only the savepoint takes it back.
    db->exec("create table 日志 (t TEXT); create trigger refuse after insert on 工资表 begin insert into 日志 values (new.ygbh); "
             "select raise(fail, 'refused') where new.ygbh = 'mr002'; end");
    withDialog([&](Tfrm_gzb& d) {
        // The box that holds no number is named and takes the focus, its group opened.
        for (auto [amount, deduction] : {std::pair{"  ", "0"}, {"0", "1,000"}, {"1e999", "0"}, {"0", "1e-400"}}) {
            d.CheckBox1->setChecked(false);
            d.Edit2->setText(QString::fromUtf8(amount));
            d.Edit1->setText(QString::fromUtf8(deduction));
            generate(d, "2024-01");
            const bool amountBad = QString::fromUtf8(deduction) == "0";
            EXPECT_EQ(modal->texts(), QStringList{"生成失败"}) << amount << "/" << deduction;
            EXPECT_EQ(modal->messages[0].detail, amountBad ? "其它金额必须是有效的数字！" : "其它扣额必须是有效的数字！");
            EXPECT_TRUE(d.GroupBox1->isEnabled());
            EXPECT_EQ(d.focusWidget(), amountBad ? d.Edit2 : d.Edit1);
        }
        EXPECT_EQ(db->count("工资表"), 0);
        d.Edit2->setText(" 1e3 ");
        d.Edit1->setText("0");
        generate(d, "2024-01");
        EXPECT_EQ(modal->texts(), (QStringList{"生成失败", "生成失败", "生成失败"}));
        EXPECT_EQ(modal->messages[0].caption, "提示");
        // Each box says whose row is missing and why.
        QStringList details;
        for (const ui::MessageRequest& m : modal->messages) details << m.detail;
        ASSERT_EQ(details.size(), 3);
        EXPECT_TRUE(details[0].startsWith("员工编号 mr001：") && details[0].contains("除数为零")) << details[0].toStdString();
        EXPECT_TRUE(details[1].startsWith("员工编号 mr002：") && details[1].contains("refused")) << details[1].toStdString();
        EXPECT_TRUE(details[2].startsWith("员工编号 mr004：") && details[2].contains("除数为零")) << details[2].toStdString();
        generate(d, "2024-01");
        EXPECT_EQ(modal->texts(), QStringList{"该月工资已经生成"});
    });
    EXPECT_EQ(stored("ygbh,jbf,kgf,qtje,qtke", "2024-01"), QStringList{"'mr003'|0.0|0.0|1000.0|0.0"});
    EXPECT_EQ(db->rows("select t from 日志"), QStringList{"mr003"});
}

// A failure box waits for the operator: by then the month is committed and
// the database free for every other copy of the program.
TEST_F(GzbTest, FailuresAreReportedOnceTheMonthIsCommitted)
{
    tpl("mr001");
    tpl("mr002", 9);
    assess("mr001", "22,0,0,0,0");
    assess("mr002", "22,0,0,0,4");
    db->exec("update 考勤表 set 月平均工作天数 = 0; create table 日志 (t TEXT)");
    QStringList seen;
    const payroll::GenerateResult r = payroll::generateMonth(
        Data1->ADOConnection2, "2024-01", "0", "0", "", [&](const QString& cause) {
            sqlite3* other = nullptr;
            sqlite3_open_v2(db->path().toUtf8().constData(), &other, SQLITE_OPEN_READWRITE, nullptr);
            const int rc = sqlite3_exec(other, "insert into 日志 values ('x')", nullptr, nullptr, nullptr);
            sqlite3_close(other);
            seen << QStringLiteral("%1 %2 %3").arg(cause).arg(rc).arg(db->count("工资表"));
        });
    EXPECT_EQ(std::pair(r.inserted, r.failed), std::pair(1, 1));
    EXPECT_EQ(seen, QStringList{"员工编号 mr002：除数为零 0 1"});
}

TEST_F(GzbTest, ARowTheDatabaseRefusesAmongManyCostsOnlyThatEmployee)
{
    // No trigger, but a check that refuses one employee's row.
    const QStringList want = manyEmployeesOn("TEXT CHECK (ygbh <> 'mr077')");
    hrtest::FailureLog log;
    withDialog([&](Tfrm_gzb& d) {
        generate(d, "2024-01");
        EXPECT_EQ(modal->texts(), QStringList{"生成失败"});
    });
    EXPECT_EQ(stored("ygbh,jbgz", "2024-01"), want);
    ASSERT_EQ(log.lines.size(), 1);
    EXPECT_TRUE(log.lines[0].contains("mr077")) << log.lines[0].toStdString();
}

TEST_F(GzbTest, ARowRefusedHalfwayThroughAStatementIsNeitherLostNorWrittenTwice)
{
    // A conflict clause FAIL keeps the rows a statement wrote before the one it
    // refuses; a row already stored under another month takes mr077's number.
    const QStringList want = manyEmployeesOn("TEXT UNIQUE ON CONFLICT FAIL");
    salary("2023-12", "mr077", kNoAmounts);
    withDialog([&](Tfrm_gzb& d) {
        generate(d, "2024-01");
        EXPECT_EQ(modal->texts(), QStringList{"生成失败"});
    });
    EXPECT_EQ(stored("ygbh,jbgz", "2024-01"), want);
}

TEST_F(GzbTest, ARowThatTakesTheTransactionWithItEndsTheRunWithNothingWritten)
{
    for (const char* bh : {"mr001", "mr002", "mr003"}) {
        tpl(bh);
        assess(bh, "22,0,0,0,0");
    }
    db->exec("create trigger undo before insert on 工资表 when new.ygbh = 'mr002' begin select raise(rollback, 'undone'); end");
    withDialog([&](Tfrm_gzb& d) {
        generate(d, "2024-01");
        ASSERT_FALSE(modal->messages.isEmpty());
        EXPECT_EQ(modal->messages.back().icon, ui::Icon::Error);
    });
    EXPECT_EQ(db->count("工资表"), 0);
}

TEST_F(GzbTest, AStaleScreenNeverWritesOverAMonthAnotherCopySettled)
{
    salary("2024-02", "mr001", kNoAmounts);
    salary("2024-02", "mr002", kNoAmounts);
    // db->exec is a second connection to the file: the other copy of the program.
    const char* otherSettles = "update 工资表 set yfgz = 1, ykgz = 1, sfgz = 0 where gzyf = '2024-02' and "
                               "(select yfgz from 工资表 where gzyf = '2024-02' order by rowid limit 1) is null";
    // Whichever copy settles first, no settled total is ever written over.
    db->exec("create table 日志 (t TEXT); create trigger twice after update of yfgz on 工资表 when old.yfgz is not null "
             "begin insert into 日志 values (new.ygbh); end");
    withDialog([&](Tfrm_gzb& d) {
        // Two settlements that meet: one wins whole, the other is told, never an internal error.
        bool first = true;
        const auto hook = QObject::connect(&Data1->ADOQYgzb, &db::Query::reset, [&] {
            if (std::exchange(first, false)) db->exec(otherSettles);
        });
        settle(d, "2024-02");
        QObject::disconnect(hook);
        EXPECT_EQ(modal->texts(), (QStringList{"确定没有其它金额或扣额吗？", "结算完毕"}));
        EXPECT_EQ(stored("yfgz,ykgz,sfgz", "2024-02"), (QStringList{"2000|0|2000", "2000|0|2000"}));
    });

    EXPECT_EQ(db->count("日志"), 0);

    db->exec("drop trigger twice; update 工资表 set yfgz = null, ykgz = null, sfgz = null");
    withDialog([&](Tfrm_gzb& d) {
        d.ComboBox1->setText("2024-02");
        d.Button3->click();   // "already generated": the grid shows the month, not settled
        db->exec(otherSettles);
        d.DBGrid1->clickRow(1);
        add(d, "500", "0", "奖金");
        EXPECT_EQ(modal->texts(), QStringList{"该记录已被修改，请重新打开"});
        EXPECT_EQ(Data1->ADOQYgzb.state(), db::Query::State::Browse);
        d.Edit2->setText("0");
        settle(d, "2024-02");
        EXPECT_EQ(modal->texts(), (QStringList{"确定没有其它金额或扣额吗？", "该月工资已结算，请不要重复结算"}));
    });
    EXPECT_EQ(stored("qtje,bz,yfgz,ykgz,sfgz", "2024-02"), (QStringList{"0.0|''|1|1|0", "0.0|''|1|1|0"}));
}

TEST_F(GzbTest, ErrorMidRunLeavesTheMonthAbsent)
{
    for (const char* bh : {"mr001", "mr002", "mr003"}) {
        tpl(bh);
        assess(bh, "22,0,0,0,0");
    }
    // A template look-up that fails for the second employee only (once the
    // program has opened its database: a view is not the table it checks for).
    Data1->ADOConnection2.handle();
    db->exec("create table 模板 as select * from 工资模板; drop table 工资模板; create view 工资模板 as select 员工编号, "
             "员工姓名, case when 员工编号 = 'mr002' then abs(-9223372036854775807 - 1) else 基本工资 end as 基本工资, "
             "全勤奖, 职务津贴, 养老保险, 失业保险, 医疗保险, 扣税级别 from 模板");
    withDialog([&](Tfrm_gzb& d) {
        generate(d, "2024-01");
        ASSERT_EQ(modal->messages.size(), 1);
        EXPECT_EQ(modal->messages[0].icon, ui::Icon::Error);
        EXPECT_EQ(db->count("工资表"), 0);
        // Once the cause is gone the month generates as a whole.
        db->exec("update 模板 set 员工编号 = 'mr009' where 员工编号 = 'mr002'");
        generate(d, "2024-01");
        EXPECT_TRUE(modal->messages.isEmpty());
    });
    EXPECT_EQ(stored("ygbh,jbgz,qtje,qtke,bz", "2024-01"),   // no other amounts given: zero and no remark
              (QStringList{"'mr001'|2000.0|0.0|0.0|''", "'mr002'|NULL|0.0|0.0|''", "'mr003'|2000.0|0.0|0.0|''"}));
}

TEST_F(GzbTest, MonthListGridAndMonthTexts)
{
    tpl("mr001");
    assess("mr001", "22,0,0,0,0");
    assess("mr002", "22,0,0,0,0");
    assess("mr001", "22,0,0,0,0", "2024-1");
    salary("2024-03", "mr001", kNoAmounts, "2000, 0, 2000");
    withDialog([&](Tfrm_gzb& d) {
        EXPECT_EQ(d.ComboBox1->items(), (QStringList{"2024-01", "2024-1"}));
        EXPECT_EQ(Data1->ADOQYgzb.recordCount(), 1);

        generate(d, "");
        EXPECT_EQ(modal->texts(), QStringList{"请选择日期"});
        generate(d, " 2024-01 ");   // assessment rows are matched as typed: none
        EXPECT_TRUE(modal->messages.isEmpty());
        EXPECT_EQ(db->count("工资表"), 1);
        generate(d, "2024-01");
        generate(d, "2024-01  ");   // the refusal looks at the trimmed month, the grid at the typed one
        EXPECT_EQ(modal->texts(), QStringList{"该月工资已经生成"});
        EXPECT_EQ(Data1->ADOQYgzb.recordCount(), 0);
        generate(d, "2024-1");      // another way of writing it is another month
        EXPECT_TRUE(modal->messages.isEmpty());

        // 取消生成 deletes the month as typed, settled or not, and reloads.
        d.ComboBox1->setText("2024-03 ");
        d.Button2->click();
        EXPECT_EQ(db->count("工资表"), 4);
        // A refused delete leaves the grid on the stored rows.
        db->exec("create trigger keep before delete on 工资表 begin select raise(abort, 'kept'); end");
        d.ComboBox1->setText("2024-03");
        d.Button2->click();
        EXPECT_TRUE(modal->lastText().contains("kept"));
        EXPECT_EQ(Data1->ADOQYgzb.recordCount(), 4);
        db->exec("drop trigger keep");
        d.Button2->click();
        EXPECT_EQ(Data1->ADOQYgzb.recordCount(), 3);
    });
    EXPECT_EQ(db->rows("select gzyf from 工资表 order by rowid"), (QStringList{"2024-01", "2024-01", "2024-1"}));
}

TEST_F(GzbTest, SettlementIsAllOrNothingOnceAndOnlyForTheMonth)
{
    //                          jbgz  jbf  qqj zwjt qtje  kgf ylbx sybx ylx  ks  qtke
    salary("2024-02", "mr001", "2000, 250, 200, 50, 0.5, 100, 160, 40, 20, 0.5, 10");   // 2500.5, 330.5
    salary("2024-02", "mr002", "2000, 250, 200, 51, 0.5, 0, 0, 0, 0, 0, 0");            // 2501.5
    salary("2024-02", "mr003", "1000, 0, 0, 0, 0, 500, 400, 100, 50, null, 0.4");      // 扣税 missing
    salary("2024-03", "mr001", kNoAmounts);
    const QString settled = "select count(*) from 工资表 where yfgz is not null";
    withDialog([&](Tfrm_gzb& d) {
        settle(d, " 2024-02 ");
        ASSERT_EQ(modal->messages.size(), 2);
        const ui::MessageRequest& q = modal->messages[0];
        EXPECT_EQ(std::tuple(q.text, q.caption, q.icon, q.buttons, q.owner),
                  std::tuple(QString("确定没有其它金额或扣额吗？"), QString("月工资结算"), ui::Icon::Question,
                             ui::Buttons::YesNo, static_cast<QWidget*>(&d)));
        EXPECT_EQ(modal->lastText(), "第3行（员工编号：mr003）不能结算：扣税为空");
        EXPECT_EQ(Data1->ADOQYgzb.recNo(), 2);   // the grid points at the row
        EXPECT_EQ(db->scalar(settled), "0");
        db->exec("update 工资表 set ks = 300, jbgz = 3000000000 where ygbh = 'mr003'");
        settle(d, "2024-02");
        EXPECT_EQ(modal->lastText(), "第3行（员工编号：mr003）不能结算：应发工资超出范围");
        EXPECT_EQ(db->scalar(settled), "0");

        db->exec("update 工资表 set jbgz = 1000 where ygbh = 'mr003'");
        // "No" opens the other-amount group and settles nothing.
        modal->answerNo();
        d.Button1->click();
        EXPECT_TRUE(d.GroupBox1->isEnabled());
        EXPECT_EQ(db->scalar(settled), "0");
        modal->clear();
        d.Edit2->setText("0.0");   // anything but "0" in both boxes: no question
        d.Button1->click();
        ASSERT_EQ(modal->texts(), QStringList{"结算完毕"});
        EXPECT_EQ(std::pair(modal->messages[0].caption, modal->messages[0].icon), std::pair(QString("提示"), ui::Icon::Information));
        const QAbstractItemModel* m = d.DBGrid1->model();   // the grid shows the settled month
        EXPECT_EQ(m->data(m->index(0, 16)).toString(), "2170");
        EXPECT_EQ(Data1->ADOQYgzb.recNo(), 0);
        db->exec("update 工资表 set jbgz = 5000");
        modal->clear();
        d.Button1->click();
        EXPECT_EQ(modal->texts(), QStringList{"该月工资已结算，请不要重复结算"});
    });
    EXPECT_EQ(stored("ygbh,yfgz,ykgz,sfgz", "2024-02"),   // half to even, a negative net
              (QStringList{"'mr001'|2500|330|2170", "'mr002'|2502|0|2502", "'mr003'|1000|1350|-350"}));
    EXPECT_EQ(stored("yfgz,ykgz,sfgz", "2024-03"), QStringList{"NULL|NULL|NULL"});
}

TEST_F(GzbTest, AddPutsOtherAmountsOnTheCurrentUnsettledRow)
{
    salary("2024-02", "mr001", kNoAmounts);
    salary("2024-02", "mr002", "3000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0");
    withDialog([&](Tfrm_gzb& d) {
        generate(d, "");              // the grid shows no month
        add(d, "100", "0", "");       // the remark is asked for before the row is looked at
        EXPECT_EQ(modal->texts(), QStringList{"请对其它金额或扣额作出说明！"});
        add(d, "100", "0", "奖金");   // nothing to add to, no stray row
        EXPECT_TRUE(modal->messages.isEmpty());
        EXPECT_TRUE(d.GroupBox1->isEnabled());   // and nothing reset
        EXPECT_EQ(db->count("工资表"), 2);

        generate(d, "2024-02");   // already generated: the grid shows the month
        d.DBGrid1->clickRow(1);
        add(d, " 500 ", "0", "");
        EXPECT_EQ(modal->texts(), QStringList{"请对其它金额或扣额作出说明！"});
        add(d, " 500 ", "1,500", "   ");   // no number: named, and left for correcting
        EXPECT_EQ(modal->texts(), QStringList{"其它扣额必须是有效的数字！"});
        EXPECT_EQ(QApplication::focusWidget(), d.Edit1);
        add(d, "abc", "0", "奖金");
        EXPECT_EQ(modal->texts(), QStringList{"其它金额必须是有效的数字！"});
        EXPECT_EQ(Data1->ADOQYgzb.state(), db::Query::State::Browse);
        EXPECT_EQ(d.Edit1->text(), "0");
        EXPECT_TRUE(d.GroupBox1->isEnabled());
        add(d, " 500 ", "100.25", "   ");   // blanks pass and are stored as ''
        EXPECT_TRUE(modal->messages.isEmpty());
        EXPECT_FALSE(d.GroupBox1->isEnabled());

        // Amounts typed but not yet added: the month is not settled without a word.
        d.DBGrid1->clickRow(0);
        d.CheckBox1->setChecked(true);
        d.Edit2->setText("300");
        d.Edit3->setText("奖金");
        modal->clear();
        modal->answerNo();
        d.Button1->click();
        EXPECT_EQ(modal->texts(), QStringList{"确定没有其它金额或扣额吗？"});
        EXPECT_EQ(db->count("工资表 where yfgz is not null"), 0);
        EXPECT_EQ(d.Edit2->text(), "300");
        EXPECT_TRUE(d.GroupBox1->isEnabled());
        modal->clear();
        d.BitBtn1->click();
        EXPECT_TRUE(modal->messages.isEmpty());

        settle(d, "2024-02");
        EXPECT_EQ(modal->lastText(), "结算完毕");
        // A settled row's totals would no longer match its amounts.
        d.DBGrid1->clickRow(1);
        add(d, "100", "0", "奖金");
        EXPECT_EQ(modal->texts(), QStringList{"该月工资已结算，请不要重复结算"});
    });
    EXPECT_EQ(stored("ygbh,qtje,qtke,bz,yfgz,ykgz,sfgz", "2024-02"),
              (QStringList{"'mr001'|300.0|0.0|'奖金'|2300|0|2300", "'mr002'|500.0|100.25|''|3500|100|3400"}));
}

// A program killed at any moment of a month's generation and settlement
// leaves the month whole once started again: all its rows or none, every one
// settled or none.
TEST_F(GzbTest, AProgramKilledWhileGeneratingOrSettlingLeavesTheMonthWhole)
{
    for (int i = 1; i <= 300; ++i) {
        const QString bh = QStringLiteral("mr%1").arg(i, 3, 10, QChar('0'));
        tpl(bh);
        assess(bh, "22,0,0,0,0");
    }
    int none = 0, generated = 0, settled = 0;
    for (int steps = 1;; steps = steps * 5 / 4 + 1) {
        Data1->ADOConnection2.close();
        db->exec("delete from 工资表");
        const bool finished = hrtest::killedDuring(db->path(), steps, [](db::Connection& c) {
            payroll::generateMonth(c, "2024-01", "0", "0", "", {});
            payroll::settleMonth(c, "2024-01");
        });
        data::readyDatabaseFile(db->path());   // as the next start does
        const int rows = db->count("工资表");
        const int done = db->scalar("select count(*) from 工资表 where sfgz is not null").toInt();
        ASSERT_TRUE(rows == 0 || rows == 300) << rows << " rows after a kill at " << steps;
        ASSERT_TRUE(done == 0 || done == rows) << done << " settled after a kill at " << steps;
        ++(rows == 0 ? none : done == 0 ? generated : settled);
        if (finished) break;
    }
    EXPECT_GT(none, 1);
    EXPECT_GT(generated, 0);
    EXPECT_GT(settled, 0);
    EXPECT_EQ(db->scalar("pragma integrity_check"), "ok");
}
