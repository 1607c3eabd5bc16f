#include "data/U_data.h"
#include "harness.h"
#include "print.h"
#include "payroll/U_gzsz.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include <QCheckBox>
#include <QGroupBox>

using hrtest::HrTest;

namespace {

class GzszTest : public HrTest {
protected:
    void SetUp() override
    {
        HrTest::SetUp();
        db->exec("insert into 个人所得税税率表 values (1, 0, 1000, 0.03), (2, 1000, 3000, 0.1)");
        db->exec("insert into 人事表 (bh, xm) values ('mr001', '张三'), ('mr002', '李四'), ('mr003', '张三')");
    }

    void withDialog(const std::function<void(Tfrm_gzsz&)>& f)
    {
        modal->onDialog = [&](QDialog*) { f(*frm_gzsz); };
        ui::openDialog(frm_gzsz, nullptr);
        modal->onDialog = nullptr;
    }

    void fill(Tfrm_gzsz& d, const QString& salary)
    {
        d.ComboBox1->setText("mr002");
        d.ComboBox2->setText("李四");
        d.Edit1->setText(salary);
        d.Edit2->setText("200");
        d.Edit3->setText("300");
        d.Edit4->setText("0.08");
        d.Edit5->setText("0.02");   // 医疗保险
        d.Edit6->setText("0.01");   // 失业保险
    }
};

}

TEST_F(GzszTest, LevelFollowsTheBasicSalary)
{
    withDialog([&](Tfrm_gzsz& d) {
        d.Edit1->setText("999.99");
        EXPECT_EQ(d.Edit7->text(), "1");
        d.Edit1->setText("1000");
        EXPECT_EQ(d.Edit7->text(), "2");
        // No bracket holds it: no level rather than the last one found.
        d.Edit1->setText("3000");
        EXPECT_EQ(d.Edit7->text(), "");
        d.Edit1->setText("2000");
        d.Edit1->setText("");   // emptied: the level stays
        EXPECT_EQ(d.Edit7->text(), "2");

        // Typed key by key: each keystroke looks up again.
        d.Edit1->setFocus();
        hrtest::typeText(d.Edit1, "8");
        EXPECT_EQ(d.Edit7->text(), "1");
        hrtest::typeText(d.Edit1, "000");
        EXPECT_EQ(d.Edit7->text(), "");
        EXPECT_TRUE(modal->messages.isEmpty());
    });
}

TEST_F(GzszTest, NonNumericSalaryShowsTheErrorAndKeepsTheLevel)
{
    withDialog([&](Tfrm_gzsz& d) {
        d.Edit1->setText("1500");
        ASSERT_EQ(d.Edit7->text(), "2");
        d.Edit1->setText("");
        d.Edit1->setFocus();
        hrtest::typeText(d.Edit1, "-");
        ASSERT_EQ(modal->messages.size(), 1);
        EXPECT_EQ(modal->messages[0].icon, ui::Icon::Error);
        EXPECT_EQ(modal->messages[0].text, "'-' is not a valid floating point value.");
        EXPECT_EQ(d.Edit7->text(), "2");
        for (const char* bad : {"1a", "1,500", "0x10", "inf"}) {
            modal->clear();
            d.Edit1->setText(QString::fromLatin1(bad));
            EXPECT_EQ(modal->messages.size(), 1) << bad;
            EXPECT_EQ(d.Edit7->text(), "2") << bad;
        }
        // Blanks around a number are no fault of the number.
        modal->clear();
        d.Edit1->setText(" 500 ");
        EXPECT_TRUE(modal->messages.isEmpty());
        EXPECT_EQ(d.Edit7->text(), "1");
    });
}

TEST_F(GzszTest, OverlappingAndIncompleteBrackets)
{
    db->exec("insert into 个人所得税税率表 values (3, 500, 1500, 0.2), (4, 0, null, 0.5), (5, null, 99999, 0.5)");
    withDialog([&](Tfrm_gzsz& d) {
        d.Edit1->setText("800");
        EXPECT_EQ(d.Edit7->text(), "3");    // the last bracket holding it
        d.Edit1->setText("1200");
        EXPECT_EQ(d.Edit7->text(), "3");
        d.Edit1->setText("5000");
        EXPECT_EQ(d.Edit7->text(), "");     // a missing bound holds nothing
    });
}

TEST_F(GzszTest, NoBracketsNoLevelAndNoError)
{
    db->exec("delete from 个人所得税税率表");
    withDialog([&](Tfrm_gzsz& d) {
        d.Edit1->setText("1a");
        d.Edit1->setText("1500");
        EXPECT_EQ(d.Edit7->text(), "");
        EXPECT_TRUE(modal->messages.isEmpty());
    });
}

TEST_F(GzszTest, OpensOnEmptyTableWithInsuranceGroupOpen)
{
    withDialog([&](Tfrm_gzsz& d) {
        EXPECT_EQ(d.windowTitle(), "工资设置");
        EXPECT_TRUE(d.CheckBox1->isChecked());
        EXPECT_TRUE(d.GroupBox2->isEnabled());
        EXPECT_TRUE(d.Edit7->isReadOnly());
        EXPECT_EQ(d.Edit1->text(), "0");
        EXPECT_EQ(d.ComboBox1->items(), (QStringList{"mr001", "mr002", "mr003"}));
        EXPECT_EQ(d.ComboBox2->items(), (QStringList{"张三", "李四"}));
    });
}

TEST_F(GzszTest, SaveChecksThenInsertsWithRatesInColumnOrder)
{
    withDialog([&](Tfrm_gzsz& d) {
        d.BitBtn1->click();   // number and name empty
        EXPECT_EQ(modal->texts(), QStringList{"请详细填写工资信息！"});
        fill(d, "1500");
        d.Edit3->setText("");
        modal->clear();
        d.BitBtn1->click();
        EXPECT_EQ(modal->texts(), QStringList{"请详细填写工资信息！"});
        d.Edit3->setText(" ");   // blanks count as text
        d.Edit5->setText("0");
        modal->clear();
        d.BitBtn1->click();
        EXPECT_EQ(modal->texts(), QStringList{"请设置保险信息！"});
        EXPECT_EQ(db->count("工资模板"), 0);

        d.Edit3->setText("300");
        d.Edit5->setText(" 0.02");
        modal->clear();
        d.BitBtn1->click();
        EXPECT_EQ(modal->texts(), QStringList{"保存成功"});
        // Reloaded: the stored template is shown and the group is closed.
        EXPECT_FALSE(d.CheckBox1->isChecked());
        EXPECT_FALSE(d.GroupBox2->isEnabled());
        EXPECT_EQ(d.ComboBox1->text(), "mr002");
        EXPECT_EQ(d.Edit1->text(), "1500");
        EXPECT_EQ(d.Edit7->text(), "2");
    });
    EXPECT_EQ(db->rows("select * from 工资模板"), QStringList{"mr002|李四|1500.0|200.0|300.0|0.08|0.01|0.02|2"});
}

TEST_F(GzszTest, SaveWithoutLevelOrWithTextAmountFails)
{
    withDialog([&](Tfrm_gzsz& d) {
        fill(d, "5000");   // no bracket: no level to store
        d.BitBtn1->click();
        EXPECT_EQ(modal->texts(), QStringList{"保存失败"});
        fill(d, "1500");
        d.Edit2->setText("两百");
        modal->clear();
        d.BitBtn1->click();
        EXPECT_EQ(modal->texts(), QStringList{"保存失败"});
    });
    EXPECT_EQ(db->count("工资模板"), 0);
}

TEST_F(GzszTest, GridClickShowsStoredLevelAndModifyWritesTheRow)
{
    // The stored level differs from the one the salary would find.
    db->exec("insert into 工资模板 values ('mr001', '张三', 2000, 100, 50, 0.08, 0.01, 0.02, 1), "
             "('mr002', '李四', 500, 100, 50, 0.07, 0.03, 0.04, 2)");
    withDialog([&](Tfrm_gzsz& d) {
        EXPECT_EQ(d.Edit1->text(), "2000");
        EXPECT_EQ(d.Edit7->text(), "1");
        d.DBGrid1->clickRow(1);
        EXPECT_EQ(d.ComboBox1->text(), "mr002");
        EXPECT_EQ(d.Edit5->text(), "0.04");   // 医疗保险
        EXPECT_EQ(d.Edit6->text(), "0.03");   // 失业保险
        EXPECT_EQ(d.Edit7->text(), "2");

        d.Edit1->setText("2500");
        d.Edit6->setText("0.05");
        d.BitBtn2->click();
        EXPECT_EQ(modal->texts(), QStringList{"修改成功"});

        d.Edit2->setText("abc");
        modal->clear();
        d.BitBtn2->click();
        EXPECT_EQ(modal->texts(), QStringList{"修改失败"});
        EXPECT_EQ(Data1->ADOQYgzsz.state(), db::Query::State::Browse);
    });
    EXPECT_EQ(db->rows("select * from 工资模板 order by rowid"),
              (QStringList{"mr001|张三|2000.0|100.0|50.0|0.08|0.01|0.02|1", "mr002|李四|2500.0|100.0|50.0|0.07|0.05|0.04|2"}));
}

TEST_F(GzszTest, ComboBoxesLookEachOtherUp)
{
    withDialog([&](Tfrm_gzsz& d) {
        d.ComboBox1->lineEdit()->setFocus();
        hrtest::typeText(d.ComboBox1->lineEdit(), "mr003");
        EXPECT_EQ(d.ComboBox2->text(), "张三");
        hrtest::typeText(d.ComboBox1->lineEdit(), "9");
        EXPECT_EQ(d.ComboBox2->text(), "");
        d.ComboBox2->setText("张三");
        d.ComboBox2Change();
        EXPECT_EQ(d.ComboBox1->text(), "mr001");   // the first number of the name
        d.ComboBox1->setText("mr002");               // from code: no look-up
        EXPECT_EQ(d.ComboBox2->text(), "张三");
    });
}

TEST_F(GzszTest, DeleteAsksThenClears)
{
    db->exec("insert into 工资模板 values ('mr001', '张三', 2000, 100, 50, 0.08, 0.01, 0.02, 1)");
    withDialog([&](Tfrm_gzsz& d) {
        modal->answerNo();
        d.BitBtn4->click();
        EXPECT_EQ(db->count("工资模板"), 1);
        EXPECT_EQ(d.Edit1->text(), "");
        EXPECT_EQ(modal->messages[0].text, "真的要删除吗？");
        EXPECT_EQ(modal->messages[0].icon, ui::Icon::Question);
        modal->answerYes();
        d.BitBtn4->click();
        EXPECT_EQ(db->count("工资模板"), 0);
    });
}

TEST_F(GzszTest, LookUpReadsNumbersAsTheDatabaseStoresThem)
{
    for (const char* typed : {"1.5e3", ".15E4", "1500."}) {
        db->exec("delete from 工资模板");
        modal->clear();
        withDialog([&](Tfrm_gzsz& d) {
            fill(d, QString::fromLatin1(typed));
            EXPECT_EQ(d.Edit7->text(), "2") << typed;
            d.BitBtn1->click();
            EXPECT_EQ(modal->texts(), QStringList{"保存成功"}) << typed;
        });
        EXPECT_EQ(db->rows("select 基本工资, 扣税级别 from 工资模板"), QStringList{"1500.0|2"}) << typed;
    }
}
