#include "dialog_test.h"
#include "settings/U_kqlr.h"

namespace {

const QStringList kRuleShown{"200", "22", "1.5", "2", "21.75"};
const QStringList kEmpty{"", "", "", "", ""};

class KqxxTest : public DialogTest<Tfrm_kqxx> {
protected:
    // The inputs in their order on the form: 全勤奖, 出勤天数, 几倍, 迟到早退次数, 月平均工作天数.
    QList<ui::Edit*> edits() const { return {dlg->Edit5, dlg->Edit6, dlg->Edit4, dlg->Edit1, dlg->Edit3}; }
    void fill(const QStringList& t)
    {
        for (int i = 0; i < 5; ++i) edits()[i]->setText(t[i]);
    }
    QStringList shown() const
    {
        QStringList s;
        for (ui::Edit* e : edits()) s << e->text();
        return s;
    }
};

TEST_F(KqxxTest, TheOneRuleIsAddedModifiedAndDeletedOnlyWithCompleteNumbers)
{
    open();
    EXPECT_EQ(shown(), (QStringList{"0", "0", "0", "0", ""}));
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->texts(), QStringList{"请详细设置考勤信息"});
    // Blanks pass the emptiness test, not the number: nothing is written, the
    // message names the input, which takes the focus, and the grid stays on
    // the stored rows.
    fill({"  ", "22", "1.5", "2", "21.75"});
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->texts(), (QStringList{"请详细设置考勤信息", "全勤奖必须是有效的数字！"}));
    EXPECT_EQ(dlg->focusWidget(), dlg->Edit5);
    EXPECT_EQ(shown(), (QStringList{"  ", "22", "1.5", "2", "21.75"}));
    EXPECT_TRUE(Data1->ADOQYkqxx.isOpen());
    EXPECT_EQ(db->count("考勤表"), 0);

    open();
    fill({" 200", "22 ", "1.5", "2", "21.75"});
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->lastText(), "添加成功");
    EXPECT_EQ(stored("考勤表"), QStringList{"200.0|22.0|2.0|21.75|1.5"});
    EXPECT_EQ(shown(), kEmpty);
    EXPECT_EQ(cell(0, 0), "200");   // no spurious ".0"
    EXPECT_TRUE(columnsFit());
    fill({"300", "20", "2", "3", "21"});
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->lastText(), "考勤信息已经存在，不能重复添加，如有需要请修改信息！");

    open();
    EXPECT_EQ(shown(), kRuleShown);
    dlg->SpeedButton5->click();
    EXPECT_EQ(shown(), kEmpty);
    dlg->DBGrid1->clickRow(0);
    EXPECT_EQ(shown(), kRuleShown);

    // Empty boxes would blank the row; a bad number writes nothing.
    dlg->Edit3->setText(QString());
    dlg->SpeedButton2->click();
    EXPECT_EQ(modal->lastText(), "请详细设置考勤信息");
    fill({"200", "abc", "1.5", "2", "21.75"});
    dlg->SpeedButton2->click();
    EXPECT_EQ(modal->lastText(), "出勤天数必须是有效的数字！");
    EXPECT_EQ(dlg->focusWidget(), dlg->Edit6);
    EXPECT_EQ(stored("考勤表"), QStringList{"200.0|22.0|2.0|21.75|1.5"});
    fill({" 250 ", "21", "2", "0", "20.5"});
    dlg->SpeedButton2->click();
    EXPECT_EQ(modal->lastText(), "修改成功");
    EXPECT_EQ(stored("考勤表"), QStringList{"250.0|21.0|0.0|20.5|2.0"});

    // 删除 clears the boxes whatever the answer; with the row gone, 保存 adds one.
    modal->answerNo();
    click(dlg->SpeedButton3, 0);
    EXPECT_EQ(modal->lastText(), "真的要删除吗？");
    EXPECT_EQ(modal->messages.back().icon, ui::Icon::Question);
    EXPECT_EQ(db->count("考勤表"), 1);
    EXPECT_EQ(shown(), kEmpty);
    modal->answerYes();
    dlg->SpeedButton3->click();
    EXPECT_EQ(db->count("考勤表"), 0);
    fill({"100", "20", "2", "1", "21.75"});
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->lastText(), "添加成功");
    EXPECT_EQ(stored("考勤表"), QStringList{"100.0|20.0|1.0|21.75|2.0"});
}

// Opened on no rule, while another copy of the program stores one: the
// dialog never adds a second rule beside it, whichever button is pressed.
TEST_F(KqxxTest, ARuleAnotherCopyStoredMeanwhileIsNeverDoubled)
{
    open();
    db->exec("insert into 考勤表 values (200, 22, 2, 21.75, 1.5)");
    fill({"300", "20", "2", "3", "21"});
    dlg->SpeedButton2->click();
    EXPECT_EQ(modal->lastText(), "该记录已被修改，请重新打开");
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->lastText(), "考勤信息已经存在，不能重复添加，如有需要请修改信息！");
    EXPECT_EQ(stored("考勤表"), QStringList{"200.0|22.0|2.0|21.75|1.5"});
    EXPECT_EQ(shown(), (QStringList{"300", "20", "2", "3", "21"}));
}

}
