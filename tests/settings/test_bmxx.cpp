#include "dialog_test.h"
#include "platform/db/error.h"
#include "settings/U_bmxx.h"

namespace {

TEST(DepartmentNumber, OneAboveTheNumericMaximumNeverRepeating)
{
    const std::pair<QStringList, QString> cases[] = {{{}, "001"}, {{"001", "005", "003"}, "006"}, {{"099"}, "100"},
                                                     {{"999", "1000", "998"}, "1001"}, {{" 12 ", "", " "}, "013"}};
    for (const auto& [stored, next] : cases) EXPECT_EQ(nextDepartmentNumber(stored), next) << next.toStdString();
    for (const QString bad : {"A01", "1 2", "-3", "9999999999999999999999"}) {
        try {
            nextDepartmentNumber({"001", bad});
            ADD_FAILURE() << bad.toStdString();
        } catch (const db::Error& e) {
            EXPECT_TRUE(e.message().contains(bad)) << e.message().toStdString();
        }
    }
}

class BmxxTest : public DialogTest<Tfrm_bmxx> {
protected:
    // Clicks the row (none: -1), presses the button, then puts the name in.
    void act(ui::Button* b, const QString& name, int row = -1)
    {
        click(b, row);
        dlg->Edit2->setText(name);
    }
};

TEST_F(BmxxTest, AddsFromEmptyAndModifiesTheDepartmentTheBoxesShow)
{
    open();
    EXPECT_EQ(modal->texts(), QStringList{"数据库中没有数据，请添加数据！"});
    EXPECT_EQ(dlg->Edit1->text(), "001");
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->lastText(), "请输入部门名称");
    dlg->Edit2->setText(" 财务部 ");
    dlg->SpeedButton4->click();
    for (const QString name : {"销售部", "人事部"}) {
        act(dlg->SpeedButton1, name);
        dlg->SpeedButton4->click();
    }
    EXPECT_EQ(modal->messages.size(), 2);   // a stored department is not announced
    EXPECT_TRUE(!dlg->SpeedButton4->isEnabled() && dlg->SpeedButton2->isEnabled() && dlg->Edit2->isReadOnly());

    // The boxes still show 人事部, and the grid too: 修改 → 保存 renames it, not 001.
    act(dlg->SpeedButton2, "行政部");
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->lastText(), "修改成功");
    // 添加 while a modify is pending adds.
    act(dlg->SpeedButton2, "x", 0);
    act(dlg->SpeedButton1, "研发部");
    dlg->SpeedButton4->click();
    // A modify writes the row the boxes show: the grid's keys move the boxes along.
    act(dlg->SpeedButton2, "市场部", 1);
    dlg->DBGrid1->setFocus();
    hrtest::pressKey(dlg->DBGrid1, Qt::Key_Down);
    ASSERT_EQ(Data1->ADOQYbmxx.recNo(), 2);
    EXPECT_EQ(dlg->Edit2->text(), "行政部");
    dlg->Edit2->setText("市场部");
    dlg->SpeedButton4->click();
    EXPECT_EQ(stored("部门表"), (QStringList{"001|财务部", "002|销售部", "003|市场部", "004|研发部"}));
}

TEST_F(BmxxTest, ExactRowsAndDepartmentsInUseStay)
{
    db->exec("insert into 部门表 values ('001', '财务部'), ('002', '销售部'), ('002', '销售部'), ('003', '人事部')");
    db->exec("insert into 人事表 (bh, ssbm, sflz) values ('mr001', '财务部', '否'), ('mr002', '人事部', '是')");
    open();
    act(dlg->SpeedButton2, "市场部", 2);
    dlg->SpeedButton4->click();
    // The selected row's own name decides, whatever 部门名称 holds.
    modal->clear();
    modal->answerYes();   // asked only for the department nobody holds
    for (const auto& [row, name] : {std::pair{0, "无人部"}, {3, "无人部"}, {1, "财务部"}}) {
        dlg->DBGrid1->clickRow(row);
        dlg->Edit2->setText(name);
        dlg->SpeedButton3->click();
    }
    EXPECT_EQ(modal->texts(), (QStringList{"此信息已经使用，不能删除！", "此信息已经使用，不能删除！", "真的要删除吗？"}));
    EXPECT_EQ(modal->messages[0].caption + modal->messages[1].caption, "警告警告");
    EXPECT_EQ(stored("部门表"), (QStringList{"001|财务部", "002|市场部", "003|人事部"}));
    // Given to an employee by another copy of the program while the question waited.
    dlg->DBGrid1->clickRow(1);
    modal->whileAsking = [&] { db->exec("insert into 人事表 (bh, ssbm, sflz) values ('mr003', '市场部', '否')"); };
    modal->answerYes();
    dlg->SpeedButton3->click();
    EXPECT_EQ(lastWithCaption(), "此信息已经使用，不能删除！/警告");
    EXPECT_EQ(stored("部门表"), (QStringList{"001|财务部", "002|市场部", "003|人事部"}));

    // A refused insert keeps the texts and the listed rows; 修改 → 保存 retries it.
    db->exec("create trigger refuse before insert on 部门表 begin select raise(abort, 'refused'); end");
    act(dlg->SpeedButton1, "研发部");
    hrtest::FailureLog log;
    dlg->SpeedButton4->click();
    EXPECT_TRUE(log.lines.size() == 1 && log.lines[0].contains("refused"));
    EXPECT_EQ(lastWithCaption(), "系统出错！/警告");
    EXPECT_EQ(dlg->DBGrid1->model()->rowCount(), 3);
    EXPECT_EQ(dlg->Edit2->text(), "研发部");
    db->exec("drop trigger refuse");
    act(dlg->SpeedButton2, "研发部");
    dlg->SpeedButton4->click();
    EXPECT_EQ(stored("部门表").last(), "004|研发部");
}

}
