#include "harness.h"
#include "data/U_data.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include "settings/U_kqlr.h"
#include <QApplication>
#include <QHeaderView>

namespace {

const QString kRows = QStringLiteral(
    "select 全勤奖, 出勤天数, 迟到早退次数, 月平均工作天数, 几倍 from 考勤表 order by rowid");
const QString kStoredRule = QStringLiteral("200.0|22.0|2.0|21.75|1.5");
const QStringList kRuleShown{"200", "22", "1.5", "2", "21.75"};
const QStringList kEmpty{"", "", "", "", ""};
const QString kAskDetails = QStringLiteral("请详细设置考勤信息");

class KqxxTest : public hrtest::HrTest {
protected:
    std::unique_ptr<Tfrm_kqxx> dlg;

    void TearDown() override
    {
        dlg.reset();
        HrTest::TearDown();
    }
    void open(bool withRule = false)
    {
        if (withRule) db->exec(QStringLiteral("insert into 考勤表 values (200, 22, 2, 21.75, 1.5)"));
        dlg.reset();
        dlg = std::make_unique<Tfrm_kqxx>(nullptr);
        dlg->show();
        QApplication::processEvents();
    }
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
    QString cell(int row, int col) const
    {
        auto* m = dlg->DBGrid1->model();
        return m->data(m->index(row, col)).toString();
    }
    bool lastWasError() const { return !modal->messages.isEmpty() && modal->messages.back().icon == ui::Icon::Error; }
};

TEST_F(KqxxTest, SaveRefusesEmptyOrBadNumbersAndAddsTheOneRule)
{
    open();
    EXPECT_EQ(shown(), (QStringList{"0", "0", "0", "0", ""}));
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->texts(), QStringList{kAskDetails});
    const QList<QStringList> bad = {
        {"  ", "22", "1.5", "2", "21.75"},    // blanks pass the emptiness test, not the number
        {"200", "22", "1.5", "2", "1e999"},   // no infinity reaches the table
    };
    for (const auto& t : bad) {
        open();
        modal->clear();
        fill(t);
        dlg->SpeedButton4->click();
        EXPECT_EQ(modal->texts(), QStringList{"系统出错！"}) << t.join('/').toStdString();
        EXPECT_EQ(shown(), t);
    }
    // The grid's query stays closed: the buttons report it and write nothing.
    EXPECT_FALSE(Data1->ADOQYkqxx.isOpen());
    fill(kRuleShown);
    dlg->SpeedButton4->click();
    EXPECT_TRUE(lastWasError());
    dlg->SpeedButton2->click();
    EXPECT_TRUE(lastWasError());
    EXPECT_EQ(db->count("考勤表"), 0);

    open();
    fill({" 200", "22 ", "1.5", "2", "21.75"});
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->lastText(), "添加成功");
    EXPECT_EQ(db->rows(kRows), QStringList{kStoredRule});
    EXPECT_EQ(shown(), kEmpty);
    EXPECT_EQ(cell(0, 0), "200");   // no spurious ".0"
    EXPECT_EQ(cell(0, 3), "21.75");
    EXPECT_LE(dlg->DBGrid1->horizontalHeader()->length(), dlg->DBGrid1->viewport()->width());
    fill({"300", "20", "2", "3", "21"});
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->lastText(), "考勤信息已经存在，不能重复添加，如有需要请修改信息！");
    EXPECT_EQ(db->rows(kRows), QStringList{kStoredRule});

    open();
    EXPECT_EQ(shown(), kRuleShown);
    dlg->SpeedButton5->click();
    EXPECT_EQ(shown(), kEmpty);
    dlg->DBGrid1->clickRow(0);
    EXPECT_EQ(shown(), kRuleShown);
}

TEST_F(KqxxTest, ModifyRefusesEmptyBoxesAndBadNumbersAndDeleteAlwaysClears)
{
    open(true);
    dlg->Edit3->setText(QString());
    dlg->SpeedButton2->click();
    EXPECT_EQ(modal->texts(), QStringList{kAskDetails});
    fill({"200", "abc", "1.5", "2", "21.75"});
    dlg->SpeedButton2->click();
    EXPECT_TRUE(lastWasError());
    EXPECT_EQ(db->rows(kRows), QStringList{kStoredRule});
    fill({" 250 ", "21", "2", "0", "20.5"});
    dlg->SpeedButton2->click();
    EXPECT_EQ(modal->lastText(), "修改成功");
    EXPECT_EQ(db->rows(kRows), QStringList{"250.0|21.0|0.0|20.5|2.0"});
    EXPECT_EQ(cell(0, 3), "20.5");

    // 删除 clears the boxes whatever the answer; with the row gone, 保存 adds one.
    dlg->DBGrid1->clickRow(0);
    modal->answerNo();
    dlg->SpeedButton3->click();
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
    EXPECT_EQ(db->rows(kRows), QStringList{"100.0|20.0|1.0|21.75|2.0"});
}

}
