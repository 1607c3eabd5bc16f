#include "data/U_data.h"
#include "harness.h"
#include "print.h"
#include "payroll/U_gzsz.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>

namespace {

class GzszTest : public hrtest::HrTest {
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

    static void fill(Tfrm_gzsz& d, const QString& salary)
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

TEST_F(GzszTest, LevelFollowsEveryChangeOfTheBasicSalary)
{
    db->exec("insert into 个人所得税税率表 values (3, 2500, 4000, 0.2), (4, 0, null, 0.5), (5, null, 99999, 0.5)");
    withDialog([&](Tfrm_gzsz& d) {
        const struct { const char* text; const char* level; int errors; } steps[] = {
            {"999.99", "1", 0}, {"1000", "2", 0},   // an upper bound is outside its bracket
            {"2600", "3", 0},                       // overlapping: the last bracket holding it
            {"5000", "", 0},                        // none holds it (missing bounds hold nothing): no stale level
            {".15E4", "2", 0}, {" 500 ", "1", 0}, {"2000", "2", 0},
            {"", "2", 0},                           // emptied: no look-up
            {"a", "2", 0}, {"1a", "2", 0}, {"-", "2", 0},   // no number yet: the level stays, no box
            {"-1", "", 0},
        };
        for (const auto& s : steps) {
            modal->clear();
            d.Edit1->setText(QString::fromUtf8(s.text));
            EXPECT_EQ(d.Edit7->text(), s.level) << s.text;
            EXPECT_EQ(modal->messages.size(), s.errors) << s.text;
        }

        // Without brackets there is nothing to compare with: no level, no error.
        db->exec("delete from 个人所得税税率表");
        modal->clear();
        d.Edit1->setText("1a");
        d.Edit1->setText("1500");
        EXPECT_EQ(d.Edit7->text(), "");
        EXPECT_TRUE(modal->messages.isEmpty());
    });
}

TEST_F(GzszTest, ComboLookUpsAndSaveChecksThenRatesInTheirColumns)
{
    withDialog([&](Tfrm_gzsz& d) {
        const auto save = [&](const char* want) {
            modal->clear();
            d.BitBtn1->click();
            EXPECT_EQ(modal->texts(), QStringList{QString::fromUtf8(want)});
        };
        // No template yet: the insurance group is open.
        EXPECT_TRUE(d.GroupBox2->isEnabled());
        EXPECT_EQ(d.ComboBox1->items(), (QStringList{"mr001", "mr002", "mr003"}));
        EXPECT_EQ(d.ComboBox2->items(), (QStringList{"张三", "李四"}));
        d.ComboBox1->lineEdit()->setFocus();
        hrtest::typeText(d.ComboBox1->lineEdit(), "mr003");
        EXPECT_EQ(d.ComboBox2->text(), "张三");
        hrtest::typeText(d.ComboBox1->lineEdit(), "9");
        EXPECT_EQ(d.ComboBox2->text(), "");
        d.ComboBox2->setText("张三");
        d.ComboBox2Change();
        EXPECT_EQ(d.ComboBox1->text(), "mr001");   // the first number of the name
        d.ComboBox1->setText("");                  // from code: no look-up
        EXPECT_EQ(d.ComboBox2->text(), "张三");

        save("请详细填写工资信息！");
        fill(d, "1500");
        d.Edit3->setText("");
        save("请详细填写工资信息！");
        d.Edit3->setText(" ");   // blanks count as text
        d.Edit5->setText("0");
        save("请设置保险信息！");
        fill(d, "5000");         // no bracket: no level to store, and the box says why
        save("保存失败");
        EXPECT_EQ(modal->messages[0].detail, "基本工资5000不在任何所得税级别的范围内，没有扣税级别。请在所得税设置中添加相应的级别。");
        fill(d, "1500");
        d.Edit2->setText("两百");
        save("全勤奖必须是有效的数字！");
        EXPECT_EQ(QApplication::focusWidget(), d.Edit2);
        d.Edit2->setText("200");
        // A rate in the closed group: the group opens on it.
        d.CheckBox1->setChecked(false);
        d.Edit6->setText("1e-400");   // the engine would store 0
        save("失业保险必须是有效的数字！");
        EXPECT_TRUE(d.GroupBox2->isEnabled());
        EXPECT_EQ(QApplication::focusWidget(), d.Edit6);
        EXPECT_EQ(db->count("工资模板"), 0);

        fill(d, "1.5e3");        // read as the database reads it
        d.Edit5->setText(" 0.02");
        save("保存成功");
        EXPECT_FALSE(d.GroupBox2->isEnabled());   // reloaded on the stored template
        EXPECT_EQ(d.Edit7->text(), "2");
    });
    EXPECT_EQ(db->rows("select * from 工资模板"), QStringList{"mr002|李四|1500.0|200.0|300.0|0.08|0.01|0.02|2"});
}

TEST_F(GzszTest, GridRowIsShownModifiedAndDeleted)
{
    // The stored level differs from the one the salary would find.
    db->exec("insert into 工资模板 values ('mr001', '张三', 2000, 100, 50, 0.08, 0.01, 0.02, 1), "
             "('mr002', '李四', 500, 100, 50, 0.07, 0.03, 0.04, 2)");
    withDialog([&](Tfrm_gzsz& d) {
        // A row reached with the keys is shown, so 修改 writes the row the inputs show.
        d.DBGrid1->clickRow(0);
        d.DBGrid1->setFocus();
        hrtest::pressKey(d.DBGrid1, Qt::Key_Down);
        EXPECT_EQ(d.ComboBox1->text(), "mr002");
        d.DBGrid1->clickRow(1);
        EXPECT_EQ(d.ComboBox1->text(), "mr002");
        EXPECT_EQ(d.Edit5->text(), "0.04");   // 医疗保险
        EXPECT_EQ(d.Edit6->text(), "0.03");   // 失业保险
        EXPECT_EQ(d.Edit7->text(), "2");

        d.Edit1->setText("2500");
        d.Edit6->setText("0.05");
        d.BitBtn2->click();
        // Refused before anything is written, each with what is wrong; the grid keeps its rows.
        for (const char* bad : {"abc", "-", "1e400", "1e-400"}) {
            d.Edit2->setText(QString::fromUtf8(bad));
            d.BitBtn2->click();
        }
        d.Edit2->setText("100");
        d.Edit1->setText("3000000000");
        d.BitBtn2->click();
        EXPECT_EQ(modal->texts(), (QStringList{"修改成功", "全勤奖必须是有效的数字！", "全勤奖必须是有效的数字！",
                                               "全勤奖必须是有效的数字！", "全勤奖必须是有效的数字！", "修改失败"}));
        EXPECT_EQ(modal->messages.back().detail,
                  "基本工资3000000000不在任何所得税级别的范围内，没有扣税级别。请在所得税设置中添加相应的级别。");
        EXPECT_EQ(Data1->ADOQYgzsz.state(), db::Query::State::Browse);
        EXPECT_EQ(d.DBGrid1->model()->rowCount(), 2);
        EXPECT_EQ(db->rows("select * from 工资模板 order by rowid"),
                  (QStringList{"mr001|张三|2000.0|100.0|50.0|0.08|0.01|0.02|1", "mr002|李四|2500.0|100.0|50.0|0.07|0.05|0.04|2"}));

        // A rate in the closed insurance group: the group opens on it.
        d.CheckBox1->setChecked(false);
        d.Edit5->setText("x");
        modal->clear();
        d.BitBtn2->click();
        EXPECT_EQ(modal->texts(), QStringList{"医疗保险必须是有效的数字！"});
        EXPECT_TRUE(d.GroupBox2->isEnabled());
        EXPECT_EQ(d.focusWidget(), d.Edit5);

        // 删除 pressed by a slip and answered No: nothing typed is lost.
        modal->answerNo();
        d.BitBtn4->click();
        EXPECT_EQ(d.Edit1->text(), "3000000000");
        EXPECT_EQ(d.Edit5->text(), "x");
        EXPECT_EQ(db->count("工资模板"), 2);
        modal->answerYes();
        d.BitBtn4->click();
        EXPECT_EQ(d.Edit1->text(), "");
    });
    EXPECT_EQ(db->rows("select 员工编号 from 工资模板"), QStringList{"mr001"});
}
