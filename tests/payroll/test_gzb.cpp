#include "data/U_data.h"
#include "harness.h"
#include "print.h"
#include "payroll/U_gzb.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>

using hrtest::HrTest;

namespace {

class GzbTest : public HrTest {
protected:
    void SetUp() override
    {
        HrTest::SetUp();
        db->exec(QStringLiteral("insert into 个人所得税税率表 values (1, 0, 3000, 0.05), (2, 3000, 8000, 0.1)"));
    }

    void rule(const QString& values) { db->exec(QStringLiteral("insert into 考勤表 values (%1)").arg(values)); }
    // 员工编号, 员工姓名, 基本工资, 全勤奖, 职务津贴, 养老, 失业, 医疗, 扣税级别
    void tpl(const QString& values) { db->exec(QStringLiteral("insert into 工资模板 values (%1)").arg(values)); }
    // 员工编号, 出勤, 迟到, 早退, 旷工, 加班, month
    void assess(const QString& bh, const QString& figures, const QString& month)
    {
        const QStringList f = figures.split(QLatin1Char(','));
        db->exec(QStringLiteral("insert into 考核表 values ('%1', %2, 0, %3, %4, %5, %6, '优秀', '90', '王', '%7', '')")
                     .arg(bh, f[0], f[1], f[2], f[3], f[4], month));
    }
    // A settled-or-not salary row with the eleven amounts given.
    void salary(const QString& month, const QString& bh, const QString& amounts, const QString& totals = "null, null, null")
    {
        db->exec(QStringLiteral("insert into 工资表 values ('%1', '%2', '某', %3, %4, '')").arg(month, bh, amounts, totals));
    }

    // Opens the dialog the standard way and drives it.
    void withDialog(const std::function<void(Tfrm_gzb&)>& f)
    {
        modal->onDialog = [&](QDialog*) { f(*frm_gzb); };
        ui::openDialog(frm_gzb, nullptr);
        modal->onDialog = nullptr;
        EXPECT_EQ(frm_gzb, nullptr);
    }

    void generate(Tfrm_gzb& d, const QString& month)
    {
        d.ComboBox1->setText(month);
        d.Button3->click();
    }

    QStringList amounts(const QString& month)
    {
        return db->rows(QStringLiteral(
            "select ygbh, ygxm, jbgz, jbf, qqj, zwjt, qtje, kgf, ylbx, sybx, ylx, ks, qtke, yfgz, ykgz, sfgz, bz "
            "from 工资表 where gzyf='%1' order by rowid").arg(month));
    }
    QStringList totals(const QString& month)
    {
        return db->rows(QStringLiteral("select ygbh, yfgz, ykgz, sfgz, typeof(yfgz) from 工资表 where gzyf='%1' order by rowid").arg(month));
    }
};

}

TEST_F(GzbTest, ShowsMonthsAndEverySalaryRowUnderEighteenTitles)
{
    assess("mr001", "22,0,0,0,0", "2024-01");
    assess("mr002", "22,0,0,0,0", "2024-01");
    assess("mr001", "22,0,0,0,0", "2024-02");
    salary("2023-12", "mr001", "1,0,0,0,0,0,0,0,0,0,0");
    withDialog([&](Tfrm_gzb& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("工资表"));
        EXPECT_EQ(d.ComboBox1->items(), (QStringList{"2024-01", "2024-02"}));
        EXPECT_EQ(d.ComboBox1->text(), QString());
        EXPECT_FALSE(d.CheckBox1->isChecked());
        EXPECT_FALSE(d.GroupBox1->isEnabled());
        EXPECT_EQ(d.Edit1->text(), "0");
        EXPECT_EQ(d.Edit2->text(), "0");
        EXPECT_EQ(Data1->ADOQYgzb.recordCount(), 1);
        const QStringList want{"工资月份", "员工编号", "员工姓名", "基本工资", "加班费", "全勤奖", "职务津贴", "其它金额", "旷工费",
                               "养老保险", "失业保险", "医疗保险", "扣税", "其它扣额", "应发工资", "应扣工资", "实发工资", "备注"};
        QStringList titles;
        for (int c = 0; c < d.DBGrid1->model()->columnCount(); ++c)
            titles << d.DBGrid1->model()->headerData(c, Qt::Horizontal).toString();
        EXPECT_EQ(titles, want);
        EXPECT_EQ(d.DBGrid1->columnWidth(0), 100);
        EXPECT_EQ(d.DBGrid1->columnWidth(17), 200);
        d.CheckBox1->setChecked(true);
        EXPECT_TRUE(d.GroupBox1->isEnabled());
    });
}

TEST_F(GzbTest, WorkedExampleGeneratedAndSettled)
{
    rule("300, 22, 3, 20, 2");
    tpl("'mr001', '张三', 2000, 200, 300, 0.08, 0.01, 0.02, 1");
    assess("mr001", "22,1,0,1,10", "2024-01");
    withDialog([&](Tfrm_gzb& d) {
        generate(d, "2024-01");
        EXPECT_TRUE(modal->messages.isEmpty()) << modal->lastText().toStdString();
        EXPECT_EQ(amounts("2024-01"),
                  QStringList{"mr001|张三|2000.0|250.0|200.0|300.0|0.0|200.0|160.0|20.0|40.0|100.0|0.0|<null>|<null>|<null>|"});
        // Exactly, not merely to fifteen digits.
        EXPECT_EQ(db->scalar("select jbf = 250 and kgf = 200 and ylbx = 160 and sybx = 20 and ylx = 40 and ks = 100 from 工资表"), "1");
        EXPECT_EQ(Data1->ADOQYgzb.recordCount(), 1);   // the grid shows the month

        modal->answerYes();
        d.Button1->click();
        ASSERT_EQ(modal->messages.size(), 2);
        EXPECT_EQ(modal->messages[0].text, "确定没有其它金额或扣额吗？");
        EXPECT_EQ(modal->messages[0].caption, "月工资结算");
        EXPECT_EQ(modal->messages[0].icon, ui::Icon::Question);
        EXPECT_EQ(modal->messages[0].buttons, ui::Buttons::YesNo);
        EXPECT_EQ(modal->messages[1].text, "结算完毕");
        EXPECT_EQ(modal->messages[1].caption, "提示");
        EXPECT_EQ(modal->messages[1].icon, ui::Icon::Information);
        // 2000+250+200+300+0 and 200+160+40+20+0+100
        EXPECT_EQ(totals("2024-01"), QStringList{"mr001|2750|520|2230|integer"});
        // The grid shows the settled month.
        const QAbstractItemModel* m = d.DBGrid1->model();
        ASSERT_EQ(m->rowCount(), 1);
        EXPECT_EQ(m->data(m->index(0, 14)).toString(), "2750");
        EXPECT_EQ(m->data(m->index(0, 16)).toString(), "2230");
    });
}

TEST_F(GzbTest, FractionsStoredUnrounded)
{
    rule("300, 22, 3, 21.75, 2");
    tpl("'mr001', '张三', 2000, 200, 300, 0.08, 0.01, 0.02, 1");
    tpl("'mr002', '李四', 2000, 200, 300, 0.08, 0.01, 0.02, 1");
    assess("mr001", "22,0,0,3,0.5", "2024-01");
    assess("mr002", "22,0,0,0,1.5", "2024-01");
    withDialog([&](Tfrm_gzb& d) { generate(d, "2024-01"); });
    // The database does the same double arithmetic: equality is exact.
    EXPECT_EQ(db->rows("select jbf = (((2000.0 / 21.75) / 8) * 2) * 0.5, kgf = ((2000.0 / 21.75) * 2) * 3, "
                       "jbf <> round(jbf, 10) from 工资表 where ygbh = 'mr001'"),
              QStringList{"1|1|1"});
    EXPECT_EQ(db->rows("select jbf = (((2000.0 / 21.75) / 8) * 2) * 1.5, kgf from 工资表 where ygbh = 'mr002'"),
              QStringList{"1|0.0"});
}

TEST_F(GzbTest, BonusBoundaries)
{
    rule("300, 22, 3, 20, 2");
    for (const char* bh : {"mr001", "mr002", "mr003", "mr004"})
        tpl(QStringLiteral("'%1', 'x', 2000, 200, 0, 0.08, 0.01, 0.02, 1").arg(bh));
    assess("mr001", "22,1,1,0,0", "2024-01");    // equal days, two late or early: earned
    assess("mr002", "21.9,0,0,0,0", "2024-01");  // a day short
    assess("mr003", "22,2,1,0,0", "2024-01");    // three late or early
    assess("mr004", "30,null,9,0,0", "2024-01"); // a missing count: sum below the limit
    withDialog([&](Tfrm_gzb& d) { generate(d, "2024-01"); });
    EXPECT_EQ(db->rows("select ygbh, qqj from 工资表 order by ygbh"),
              (QStringList{"mr001|200.0", "mr002|0.0", "mr003|0.0", "mr004|200.0"}));
}

TEST_F(GzbTest, MissingTemplateBracketOrRuleStillGiveRows)
{
    rule("300, 22, 3, 20, 2");
    tpl("'mr002', '李四', 2000, 200, 300, 0.08, 0.01, 0.02, 9");   // level 9 names no bracket
    assess("mr001", "22,0,0,1,2", "2024-01");                        // no template
    assess("mr002", "22,0,0,0,0", "2024-01");
    assess("mr003", "20,0,0,0,0", "2024-01");                        // no template, bonus lost
    withDialog([&](Tfrm_gzb& d) {
        generate(d, "2024-01");
        EXPECT_TRUE(modal->messages.isEmpty());
    });
    EXPECT_EQ(db->rows("select ygbh, ygxm, jbgz, jbf, qqj, zwjt, kgf, ylbx, sybx, ylx, ks from 工资表 order by ygbh"),
              (QStringList{"mr001|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>",
                           "mr002|李四|2000.0|0.0|200.0|300.0|0.0|160.0|20.0|40.0|<null>",
                           "mr003|<null>|<null>|0.0|0.0|<null>|0.0|<null>|<null>|<null>|<null>"}));
}

TEST_F(GzbTest, WithoutRuleRowNobodyEarnsTheBonus)
{
    tpl("'mr001', '张三', 2000, 200, 300, 0.08, 0.01, 0.02, 1");
    tpl("'mr002', '李四', 2000, 200, 300, 0.08, 0.01, 0.02, 1");
    assess("mr001", "22,0,0,0,0", "2024-01");
    assess("mr002", "22,0,0,1,0", "2024-01");
    withDialog([&](Tfrm_gzb& d) { generate(d, "2024-01"); });
    EXPECT_EQ(db->rows("select ygbh, qqj, jbf, kgf, ks from 工资表 order by ygbh"),
              (QStringList{"mr001|0.0|0.0|0.0|100.0", "mr002|0.0|0.0|<null>|100.0"}));
}

TEST_F(GzbTest, ZeroDivisorFailsOnlyThoseEmployeesAndCommitsTheRest)
{
    rule("300, 22, 3, 0, 2");
    for (const char* bh : {"mr001", "mr002", "mr003"})
        tpl(QStringLiteral("'%1', 'x', 2000, 200, 0, 0.08, 0.01, 0.02, 1").arg(bh));
    assess("mr001", "22,0,0,0,4", "2024-01");   // overtime
    assess("mr002", "22,0,0,0,0", "2024-01");
    assess("mr003", "22,0,0,2,0", "2024-01");   // absence
    withDialog([&](Tfrm_gzb& d) {
        generate(d, "2024-01");
        EXPECT_EQ(modal->texts(), (QStringList{"生成失败", "生成失败"}));
        EXPECT_EQ(modal->messages[0].caption, "提示");
        modal->clear();
        generate(d, "2024-01");
        EXPECT_EQ(modal->texts(), QStringList{"该月工资已经生成"});
    });
    EXPECT_EQ(db->rows("select ygbh, printf('%g|%g', jbf, kgf) from 工资表"), QStringList{"mr002|0|0"});
}

TEST_F(GzbTest, RefusedInsertRollsBackThatEmployeeOnly)
{
    rule("300, 22, 3, 20, 2");
    for (const char* bh : {"mr001", "mr002", "mr003"})
        tpl(QStringLiteral("'%1', 'x', 2000, 200, 0, 0.08, 0.01, 0.02, 1").arg(bh));
    for (const char* bh : {"mr001", "mr002", "mr003"}) assess(bh, "22,0,0,0,0", "2024-01");
    db->exec("create table 日志 (t TEXT)");
    // The refused employee's row leaves nothing behind, not even what its trigger wrote first.
    db->exec("create trigger refuse after insert on 工资表 begin "
             "insert into 日志 values (new.ygbh); "
             "select raise(abort, 'refused') where new.ygbh = 'mr002'; end");
    withDialog([&](Tfrm_gzb& d) {
        generate(d, "2024-01");
        EXPECT_EQ(modal->texts(), QStringList{"生成失败"});
    });
    EXPECT_EQ(db->rows("select ygbh from 工资表 order by ygbh"), (QStringList{"mr001", "mr003"}));
    EXPECT_EQ(db->rows("select t from 日志 order by t"), (QStringList{"mr001", "mr003"}));
}

TEST_F(GzbTest, ErrorMidRunLeavesTheMonthAbsent)
{
    rule("300, 22, 3, 20, 2");
    // A template look-up that fails for the second employee only.
    db->exec("create table 模板 (员工编号 TEXT, 员工姓名 TEXT, 基本工资 REAL, 全勤奖 REAL, 职务津贴 REAL, "
             "养老保险 REAL, 失业保险 REAL, 医疗保险 REAL, 扣税级别 INTEGER)");
    db->exec("drop table 工资模板");
    db->exec("create view 工资模板 as select 员工编号, 员工姓名, "
             "case when 员工编号 = 'mr002' then abs(-9223372036854775807 - 1) else 基本工资 end as 基本工资, "
             "全勤奖, 职务津贴, 养老保险, 失业保险, 医疗保险, 扣税级别 from 模板");
    for (const char* bh : {"mr001", "mr002", "mr003"}) {
        db->exec(QStringLiteral("insert into 模板 values ('%1', 'x', 2000, 200, 0, 0.08, 0.01, 0.02, 1)").arg(bh));
        assess(bh, "22,0,0,0,0", "2024-01");
    }
    withDialog([&](Tfrm_gzb& d) {
        generate(d, "2024-01");
        ASSERT_EQ(modal->messages.size(), 1);
        EXPECT_EQ(modal->messages[0].icon, ui::Icon::Error);
        EXPECT_EQ(db->count("工资表"), 0);

        // Once the cause is gone the month generates as a whole.
        db->exec("update 模板 set 员工编号 = 'mr009' where 员工编号 = 'mr002'");
        modal->clear();
        generate(d, "2024-01");
        EXPECT_TRUE(modal->messages.isEmpty());
    });
    EXPECT_EQ(db->rows("select ygbh, jbgz from 工资表 order by ygbh"),
              (QStringList{"mr001|2000.0", "mr002|<null>", "mr003|2000.0"}));
}

TEST_F(GzbTest, OtherAmountsGoIntoEveryRow)
{
    rule("300, 22, 3, 20, 2");
    tpl("'mr001', '张三', 2000, 200, 300, 0.08, 0.01, 0.02, 1");
    tpl("'mr002', '李四', 3000, 200, 300, 0.08, 0.01, 0.02, 1");
    assess("mr001", "22,0,0,0,0", "2024-01");
    assess("mr002", "22,0,0,0,0", "2024-01");
    withDialog([&](Tfrm_gzb& d) {
        d.CheckBox1->setChecked(true);
        d.Edit2->setText(" 120.5 ");
        d.Edit1->setText("30");
        d.Edit3->setText("  节日补贴 ");
        generate(d, "2024-01");
    });
    EXPECT_EQ(db->rows("select ygbh, qtje, qtke, bz from 工资表 order by ygbh"),
              (QStringList{"mr001|120.5|30.0|节日补贴", "mr002|120.5|30.0|节日补贴"}));
}

TEST_F(GzbTest, MonthTextTrimmedOrAsTyped)
{
    rule("300, 22, 3, 20, 2");
    tpl("'mr001', '张三', 2000, 200, 300, 0.08, 0.01, 0.02, 1");
    assess("mr001", "22,0,0,0,0", "2024-01");
    assess("mr001", "22,0,0,0,0", "2024-1");
    withDialog([&](Tfrm_gzb& d) {
        generate(d, "");
        EXPECT_EQ(modal->texts(), QStringList{"请选择日期"});
        modal->clear();

        // The assessment rows are matched as typed: with blanks there are none.
        generate(d, " 2024-01 ");
        EXPECT_TRUE(modal->messages.isEmpty());
        EXPECT_EQ(db->count("工资表"), 0);

        generate(d, "2024-01");
        EXPECT_EQ(db->rows("select gzyf from 工资表"), QStringList{"2024-01"});
        // The refusal looks at the trimmed month.
        generate(d, "2024-01  ");
        EXPECT_EQ(modal->texts(), QStringList{"该月工资已经生成"});
        EXPECT_EQ(Data1->ADOQYgzb.recordCount(), 0);   // the grid shows the month as typed
        modal->clear();
        // Another way of writing the month is another month.
        generate(d, "2024-1");
        EXPECT_TRUE(modal->messages.isEmpty());
    });
    EXPECT_EQ(db->rows("select gzyf from 工资表 order by rowid"), (QStringList{"2024-01", "2024-1"}));
}

TEST_F(GzbTest, CancelDeletesTheMonthAsTypedAndReloads)
{
    assess("mr001", "22,0,0,0,0", "2024-01");
    salary("2024-01", "mr001", "1,0,0,0,0,0,0,0,0,0,0", "1, 0, 1");
    salary("2024-01", "mr002", "1,0,0,0,0,0,0,0,0,0,0");
    salary("2024-02", "mr001", "1,0,0,0,0,0,0,0,0,0,0");
    withDialog([&](Tfrm_gzb& d) {
        d.ComboBox1->setText("2024-01 ");
        d.Button2->click();
        EXPECT_EQ(db->count("工资表"), 3);
        d.ComboBox1->setText("2024-01");
        d.Button2->click();
        EXPECT_TRUE(modal->messages.isEmpty());
        EXPECT_EQ(d.ComboBox1->text(), QString());
        EXPECT_EQ(d.ComboBox1->items(), QStringList{"2024-01"});
        EXPECT_EQ(Data1->ADOQYgzb.recordCount(), 1);
    });
    EXPECT_EQ(db->rows("select gzyf, ygbh from 工资表"), QStringList{"2024-02|mr001"});
}

TEST_F(GzbTest, SettlementRoundsHalfToEvenAndLeavesOtherMonths)
{
    //                          jbgz  jbf  qqj zwjt qtje  kgf ylbx sybx ylx  ks qtke
    salary("2024-02", "mr001", "2000, 250, 200, 50, 0.5, 100, 160, 40, 20, 0.5, 10");
    salary("2024-02", "mr002", "2000, 250, 200, 51, 0.5, 0, 0, 0, 0, 0, 0");
    salary("2024-02", "mr003", "1000, 0, 0, 0, 0, 500, 400, 100, 50, 300, 0.4");
    salary("2024-03", "mr001", "2000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0");
    withDialog([&](Tfrm_gzb& d) {
        d.ComboBox1->setText(" 2024-02 ");
        modal->answerYes();
        d.Button1->click();
        EXPECT_EQ(modal->lastText(), "结算完毕");
        EXPECT_EQ(Data1->ADOQYgzb.recordCount(), 3);
    });
    EXPECT_EQ(totals("2024-02"), (QStringList{"mr001|2500|330|2170|integer", "mr002|2502|0|2502|integer",
                                              "mr003|1000|1350|-350|integer"}));
    EXPECT_EQ(totals("2024-03"), QStringList{"mr001|<null>|<null>|<null>|null"});
}

TEST_F(GzbTest, SecondSettlementRefusedAndNothingRewritten)
{
    salary("2024-02", "mr001", "2000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0");
    salary("2024-02", "mr002", "3000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0");
    withDialog([&](Tfrm_gzb& d) {
        d.ComboBox1->setText("2024-02");
        d.Edit2->setText("0.0");   // no question with anything but "0" in both boxes
        d.Button1->click();
        EXPECT_EQ(modal->texts(), QStringList{"结算完毕"});
        db->exec("update 工资表 set jbgz = 5000");
        modal->clear();
        d.Button1->click();
        EXPECT_EQ(modal->texts(), QStringList{"该月工资已结算，请不要重复结算"});
        EXPECT_EQ(modal->messages[0].caption, "提示");
    });
    EXPECT_EQ(totals("2024-02"), (QStringList{"mr001|2000|0|2000|integer", "mr002|3000|0|3000|integer"}));
}

TEST_F(GzbTest, UnsettlableRowStopsTheWholeMonth)
{
    salary("2024-02", "mr001", "2000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0");
    salary("2024-02", "mr002", "2000, 0, 0, 0, 0, 0, 0, 0, 0, null, 0");
    salary("2024-02", "mr003", "2000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0");
    withDialog([&](Tfrm_gzb& d) {
        d.ComboBox1->setText("2024-02");
        modal->answerYes();
        d.Button1->click();
        EXPECT_EQ(modal->lastText(), "第2行（员工编号：mr002）不能结算：扣税为空");
        EXPECT_EQ(Data1->ADOQYgzb.recNo(), 1);   // the grid points at the row
        EXPECT_EQ(db->scalar("select count(*) from 工资表 where yfgz is not null"), "0");

        // Out of the 32-bit range is refused the same way.
        db->exec("update 工资表 set ks = 0 where ygbh = 'mr002'");
        db->exec("update 工资表 set jbgz = 3000000000 where ygbh = 'mr003'");
        modal->clear();
        modal->answerYes();
        d.Button1->click();
        EXPECT_EQ(modal->lastText(), "第3行（员工编号：mr003）不能结算：应发工资超出范围");
        EXPECT_EQ(db->scalar("select count(*) from 工资表 where yfgz is not null"), "0");

        db->exec("update 工资表 set jbgz = 2000 where ygbh = 'mr003'");
        modal->clear();
        modal->answerYes();
        d.Button1->click();
        EXPECT_EQ(modal->lastText(), "结算完毕");
    });
    EXPECT_EQ(db->scalar("select count(*) from 工资表 where sfgz = 2000"), "3");
}

TEST_F(GzbTest, SettlementQuestionAnsweredNoOpensTheGroup)
{
    salary("2024-02", "mr001", "2000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0");
    withDialog([&](Tfrm_gzb& d) {
        d.ComboBox1->setText("2024-02");
        modal->answerNo();
        d.Button1->click();
        EXPECT_TRUE(d.CheckBox1->isChecked());
        EXPECT_TRUE(d.GroupBox1->isEnabled());
        EXPECT_EQ(modal->messages.size(), 1);
    });
    EXPECT_EQ(totals("2024-02"), QStringList{"mr001|<null>|<null>|<null>|null"});
}

TEST_F(GzbTest, AddWritesOtherAmountsOnTheSelectedRow)
{
    salary("2024-02", "mr001", "2000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0");
    salary("2024-02", "mr002", "3000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0");
    withDialog([&](Tfrm_gzb& d) {
        d.CheckBox1->setChecked(true);
        d.DBGrid1->clickRow(1);
        d.BitBtn1->click();   // both boxes "0": nothing at all
        EXPECT_TRUE(modal->messages.isEmpty());

        d.Edit2->setText(" 500 ");
        d.BitBtn1->click();
        EXPECT_EQ(modal->texts(), QStringList{"请对其它金额或扣额作出说明！"});
        EXPECT_EQ(db->scalar("select qtje from 工资表 where ygbh = 'mr002'"), "0.0");

        d.Edit1->setText("100.25");
        d.Edit3->setText("   ");   // blanks pass and are stored as the empty text
        d.BitBtn1->click();
        EXPECT_FALSE(d.CheckBox1->isChecked());
        EXPECT_FALSE(d.GroupBox1->isEnabled());
        EXPECT_EQ(d.Edit1->text(), "0");
        EXPECT_EQ(d.Edit2->text(), "0");
        EXPECT_EQ(d.Edit3->text(), "");

        // The added amounts count in the settlement.
        d.ComboBox1->setText("2024-02");
        modal->clear();
        modal->answerYes();
        d.Button1->click();
        EXPECT_EQ(modal->lastText(), "结算完毕");
    });
    EXPECT_EQ(db->rows("select ygbh, qtje, qtke, bz, yfgz, ykgz, sfgz from 工资表 order by ygbh"),
              (QStringList{"mr001|0.0|0.0||2000|0|2000", "mr002|500.0|100.25||3500|100|3400"}));
}

TEST_F(GzbTest, AddRefusedOnSettledRowOrWithoutRow)
{
    withDialog([&](Tfrm_gzb& d) {
        // An empty grid: nothing to add to, and no stray row made.
        d.CheckBox1->setChecked(true);
        d.Edit2->setText("100");
        d.Edit3->setText("奖金");
        d.BitBtn1->click();
        EXPECT_TRUE(modal->messages.isEmpty());
        EXPECT_EQ(db->count("工资表"), 0);
    });
    salary("2024-02", "mr001", "2000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0", "2000, 0, 2000");
    withDialog([&](Tfrm_gzb& d) {
        d.CheckBox1->setChecked(true);
        d.DBGrid1->clickRow(0);
        d.Edit2->setText("100");
        d.Edit3->setText("奖金");
        d.BitBtn1->click();
        EXPECT_EQ(modal->texts(), QStringList{"该月工资已结算，请不要重复结算"});
        EXPECT_EQ(d.Edit2->text(), "100");
    });
    EXPECT_EQ(db->rows("select qtje, bz, yfgz from 工资表"), QStringList{"0.0||2000"});
}

TEST_F(GzbTest, AddOfANonNumberIsRefusedByTheDatabase)
{
    salary("2024-02", "mr001", "2000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0");
    withDialog([&](Tfrm_gzb& d) {
        d.CheckBox1->setChecked(true);
        d.DBGrid1->clickRow(0);
        d.Edit2->setText("1,500");
        d.Edit3->setText("奖金");
        d.BitBtn1->click();
        ASSERT_EQ(modal->messages.size(), 1);
        EXPECT_EQ(modal->messages[0].icon, ui::Icon::Error);
        EXPECT_EQ(Data1->ADOQYgzb.state(), db::Query::State::Browse);
        EXPECT_TRUE(d.CheckBox1->isChecked());   // the operator may correct it
        d.Edit2->setText("1500");
        modal->clear();
        d.BitBtn1->click();
        EXPECT_TRUE(modal->messages.isEmpty());
    });
    EXPECT_EQ(db->rows("select qtje, bz from 工资表"), QStringList{"1500.0|奖金"});
}
