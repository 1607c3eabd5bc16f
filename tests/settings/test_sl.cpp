#include "harness.h"
#include "data/U_data.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include "settings/U_sl.h"
#include <QApplication>
#include <QHeaderView>
#include <QTest>

namespace {

const QString kRows = QStringLiteral(
    "select 级别号, 应纳所得税金额下限, 应纳所得税金额上限, 税率 from 个人所得税税率表 order by rowid");
const QString kLevels = QStringLiteral("select group_concat(级别号) from 个人所得税税率表");

class SlTest : public hrtest::HrTest {
protected:
    std::unique_ptr<Tfrm_sl> dlg;

    void TearDown() override
    {
        dlg.reset();
        HrTest::TearDown();
    }
    // Brackets of level l: l*1000 to l*1000+1000 at 5 %; then the dialog is opened.
    void open(std::initializer_list<int> levels = {})
    {
        for (int l : levels)
            db->exec(QStringLiteral("insert into 个人所得税税率表 values (%1, %2, %3, 0.05)").arg(l).arg(l * 1000).arg(l * 1000 + 1000));
        dlg.reset();
        dlg = std::make_unique<Tfrm_sl>(nullptr);
        dlg->show();
        QApplication::processEvents();
    }
    void fill(const QString& lower, const QString& upper, const QString& rate)
    {
        dlg->Edit2->setText(lower);
        dlg->Edit3->setText(upper);
        dlg->Edit4->setText(rate);
    }
    QString cell(int row, int col) const
    {
        auto* m = dlg->DBGrid1->model();
        return m->data(m->index(row, col)).toString();
    }
    void remove(int row)
    {
        dlg->DBGrid1->clickRow(row);
        modal->answerYes();
        dlg->SpeedButton3->click();
    }
    bool lastWasError() const { return !modal->messages.isEmpty() && modal->messages.back().icon == ui::Icon::Error; }
};

TEST_F(SlTest, AddRefusesEmptyOrBadInputAndStoresTrimmedNumbers)
{
    open();
    EXPECT_EQ(modal->texts(), QStringList{"数据库中没有数据，请向数据库中添加数据！"});
    EXPECT_EQ(dlg->Edit1->text(), "0");
    fill("0", "   ", "0.03");
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->lastText(), "请完整的添写信息！");

    fill(" 0 ", "3500", " 0.03");
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->lastText(), "添加成功");
    EXPECT_EQ(db->rows(kRows), QStringList{"0|0.0|3500.0|0.03"});
    for (auto* e : {dlg->Edit1, dlg->Edit2, dlg->Edit3, dlg->Edit4}) EXPECT_TRUE(e->text().isEmpty() && e->isReadOnly());
    EXPECT_EQ(cell(0, 2), "3500");   // no spurious ".0"

    // Not a number (the database would make 1e999 infinite): the grid's query
    // is closed, the inputs stay, and what acts on the row reports an error.
    dlg->SpeedButton1->click();
    fill("1000", "2000", "1e999");
    modal->clear();
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->texts(), QStringList{"系统出错！"});
    EXPECT_FALSE(Data1->ADOQYsl.isOpen());
    EXPECT_EQ(dlg->Edit4->text(), "1e999");
    dlg->SpeedButton5->click();
    EXPECT_TRUE(lastWasError());
    dlg->SpeedButton1->click();
    fill("1000", "2000", "0.1");
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->lastText(), "添加成功");
    EXPECT_EQ(db->rows(kRows), (QStringList{"0|0.0|3500.0|0.03", "1|1000.0|2000.0|0.1"}));
    EXPECT_EQ(dlg->DBGrid1->model()->rowCount(), 2);
    // Every column fits the dialog's width, also after the reload.
    EXPECT_LE(dlg->DBGrid1->horizontalHeader()->length(), dlg->DBGrid1->viewport()->width());
}

TEST_F(SlTest, ProposalIsTheLargestNumberPlusOne)
{
    open({0, 1, 2, 3, 4});
    EXPECT_TRUE(modal->messages.isEmpty());
    dlg->SpeedButton1->click();
    EXPECT_EQ(dlg->Edit1->text(), "5");
    remove(2);
    EXPECT_EQ(db->scalar(kLevels), "0,1,3,4");
    dlg->SpeedButton1->click();
    EXPECT_EQ(dlg->Edit1->text(), "5");

    // Compared as numbers; 添加 during a 修改 inserts instead of overwriting the row.
    db->exec("delete from 个人所得税税率表");
    open({9, 10});
    dlg->DBGrid1->clickRow(0);
    dlg->SpeedButton2->click();
    dlg->SpeedButton1->click();
    EXPECT_EQ(dlg->Edit1->text(), "11");
    EXPECT_TRUE(dlg->Edit1->isReadOnly());
    fill("1", "2", "0.1");
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->lastText(), "添加成功");
    EXPECT_EQ(db->rows(kRows), (QStringList{"9|9000.0|10000.0|0.05", "10|10000.0|11000.0|0.05", "11|1.0|2.0|0.1"}));
}

TEST_F(SlTest, ModifyAndDeleteReachOnlyTheClickedOfIdenticalRows)
{
    open({3, 3, 3});
    const QString row3 = QStringLiteral("3|3000.0|4000.0|0.05");
    dlg->DBGrid1->clickRow(1);
    dlg->SpeedButton2->click();
    // Not a number: shown, nothing written, still modifying; 取消 shows the stored row.
    dlg->Edit4->setText("1e-400");
    dlg->SpeedButton4->click();
    EXPECT_TRUE(lastWasError());
    EXPECT_EQ(db->rows(kRows), (QStringList{row3, row3, row3}));
    EXPECT_EQ(dlg->xgflag, 1);
    dlg->SpeedButton5->click();
    EXPECT_EQ(dlg->Edit4->text(), "0.05");
    EXPECT_TRUE(dlg->xgflag == 0 && dlg->Edit4->isReadOnly());

    dlg->DBGrid1->clickRow(1);
    dlg->SpeedButton2->click();
    dlg->Edit1->setText(" 7 ");
    dlg->Edit4->setText("0.5");
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->lastText(), "修改成功");
    EXPECT_EQ(db->rows(kRows), (QStringList{row3, "7|3000.0|4000.0|0.5", row3}));
    EXPECT_TRUE(dlg->xgflag == 0 && !dlg->SpeedButton4->isEnabled());
    EXPECT_EQ(cell(1, 0), "7");

    dlg->DBGrid1->clickRow(2);
    modal->clear();
    modal->answerNo();
    dlg->SpeedButton3->click();
    EXPECT_EQ(modal->texts(), QStringList{"真的要删除吗？"});
    EXPECT_EQ(modal->messages[0].icon, ui::Icon::Question);
    EXPECT_EQ(db->count("个人所得税税率表"), 3);
    EXPECT_EQ(dlg->Edit3->text(), "4000");   // the row's texts stay, without ".0"
    remove(2);
    EXPECT_EQ(db->rows(kRows), (QStringList{row3, "7|3000.0|4000.0|0.5"}));

    // Keys in the grid move the inputs along, so 修改 writes the row they show.
    dlg->DBGrid1->clickRow(0);
    dlg->DBGrid1->setFocus();
    hrtest::pressKey(dlg->DBGrid1, Qt::Key_Down);
    EXPECT_EQ(dlg->Edit1->text(), "7");
    dlg->SpeedButton2->click();
    dlg->Edit2->setText("3500");
    dlg->SpeedButton4->click();
    EXPECT_EQ(db->rows(kRows), (QStringList{row3, "7|3500.0|4000.0|0.5"}));
}

}
