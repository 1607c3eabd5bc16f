#include "harness.h"
#include "data/U_data.h"
#include "platform/db/error.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include "settings/U_sl.h"
#include <QApplication>
#include <QTest>

namespace {

const QString kRows = QStringLiteral(
    "select 级别号, 应纳所得税金额下限, 应纳所得税金额上限, 税率 from 个人所得税税率表 order by rowid");

class SlTest : public hrtest::HrTest {
protected:
    std::unique_ptr<Tfrm_sl> dlg;

    void open()
    {
        dlg = std::make_unique<Tfrm_sl>(nullptr);
        dlg->show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        dlg.reset();
        HrTest::TearDown();
    }
    void addBrackets(std::initializer_list<int> levels)
    {
        for (int l : levels)
            db->exec(QStringLiteral("insert into 个人所得税税率表 values (%1, %2, %3, 0.05)").arg(l).arg(l * 1000).arg(l * 1000 + 1000));
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
    int gridRows() const { return dlg->DBGrid1->model()->rowCount(); }
    bool lastWasError() const
    {
        return !modal->messages.isEmpty() && modal->messages.back().icon == ui::Icon::Error;
    }
};

TEST(NextLevelNumber, EmptyTableStartsAtZeroOtherwiseMaxPlusOne)
{
    EXPECT_EQ(nextLevelNumber(db::Value()), "0");
    EXPECT_EQ(nextLevelNumber(db::Value::integer(0)), "1");
    EXPECT_EQ(nextLevelNumber(db::Value::integer(4)), "5");
    EXPECT_EQ(nextLevelNumber(db::Value::integer(10)), "11");
    EXPECT_EQ(nextLevelNumber(db::Value::integer(99)), "100");
    EXPECT_EQ(nextLevelNumber(db::Value::real(4.0)), "5");
    EXPECT_EQ(nextLevelNumber(db::Value::text(QStringLiteral("9"))), "10");
    EXPECT_THROW(nextLevelNumber(db::Value::text(QStringLiteral("abc"))), db::Error);
}

TEST_F(SlTest, EmptyTableTellsAndStartsAnAddWithLevelZero)
{
    open();
    EXPECT_EQ(dlg->windowTitle(), "所得税设置");
    ASSERT_EQ(modal->messages.size(), 1);
    EXPECT_EQ(modal->messages[0].text, "数据库中没有数据，请向数据库中添加数据！");
    EXPECT_EQ(modal->messages[0].caption, "提示");
    EXPECT_EQ(modal->messages[0].icon, ui::Icon::Information);
    EXPECT_EQ(dlg->Edit1->text(), "0");
    EXPECT_TRUE(dlg->Edit1->isReadOnly());
    EXPECT_FALSE(dlg->Edit2->isReadOnly());
    EXPECT_FALSE(dlg->Edit3->isReadOnly());
    EXPECT_FALSE(dlg->Edit4->isReadOnly());
    EXPECT_TRUE(dlg->SpeedButton4->isEnabled());
    EXPECT_TRUE(dlg->SpeedButton5->isEnabled());
}

TEST_F(SlTest, AddStoresTrimmedValuesAndReloadsTheGridWithoutSpuriousFractions)
{
    open();
    modal->clear();
    fill(QStringLiteral(" 0 "), QStringLiteral("3500"), QStringLiteral(" 0.03"));
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->texts(), QStringList{"添加成功"});
    EXPECT_EQ(db->rows(kRows), QStringList{"0|0.0|3500.0|0.03"});
    for (auto* e : {dlg->Edit1, dlg->Edit2, dlg->Edit3, dlg->Edit4}) {
        EXPECT_TRUE(e->text().isEmpty());
        EXPECT_TRUE(e->isReadOnly());
    }
    EXPECT_FALSE(dlg->SpeedButton4->isEnabled());
    EXPECT_FALSE(dlg->SpeedButton5->isEnabled());
    ASSERT_EQ(gridRows(), 1);
    EXPECT_EQ(cell(0, 2), "3500");
    EXPECT_EQ(cell(0, 3), "0.03");
    EXPECT_EQ(dlg->DBGrid1->model()->headerData(1, Qt::Horizontal).toString(), "应纳所得税金额下限");

    dlg->DBGrid1->clickRow(0);
    EXPECT_EQ(dlg->Edit1->text(), "0");
    EXPECT_EQ(dlg->Edit2->text(), "0");
    EXPECT_EQ(dlg->Edit3->text(), "3500");
    EXPECT_EQ(dlg->Edit4->text(), "0.03");
}

TEST_F(SlTest, ProposalFollowsTheLargestStoredNumber)
{
    addBrackets({0, 1, 2, 3, 4});
    open();
    EXPECT_TRUE(modal->messages.isEmpty());
    dlg->SpeedButton1->click();
    EXPECT_EQ(dlg->Edit1->text(), "5");
    EXPECT_TRUE(dlg->Edit1->isReadOnly());

    dlg->DBGrid1->clickRow(2);
    modal->answerYes();
    dlg->SpeedButton3->click();
    EXPECT_EQ(db->scalar("select group_concat(级别号) from 个人所得税税率表"), "0,1,3,4");
    EXPECT_TRUE(dlg->Edit1->text().isEmpty());
    dlg->SpeedButton1->click();
    EXPECT_EQ(dlg->Edit1->text(), "5");

    dlg->DBGrid1->clickRow(3);
    EXPECT_EQ(dlg->Edit1->text(), "4");
    modal->answerYes();
    dlg->SpeedButton3->click();
    dlg->SpeedButton1->click();
    EXPECT_EQ(dlg->Edit1->text(), "4");
}

TEST_F(SlTest, ProposalIsNumericPastNine)
{
    addBrackets({9, 10});
    open();
    dlg->SpeedButton1->click();
    EXPECT_EQ(dlg->Edit1->text(), "11");
    fill("1", "2", "0.1");
    dlg->SpeedButton4->click();
    EXPECT_EQ(db->scalar("select group_concat(级别号) from 个人所得税税率表"), "9,10,11");
}

TEST_F(SlTest, EmptyOrBlankInputIsRefusedBeforeWriting)
{
    open();
    modal->clear();
    for (const QString& bad : {QString(), QStringLiteral("   ")}) {
        fill("0", bad, "0.03");
        dlg->SpeedButton4->click();
        EXPECT_EQ(modal->lastText(), "请完整的添写信息！");
        EXPECT_EQ(modal->messages.back().caption, "提示");
    }
    EXPECT_EQ(db->count("个人所得税税率表"), 0);
    EXPECT_TRUE(dlg->SpeedButton4->isEnabled());
}

TEST_F(SlTest, RefusedInsertClosesTheGridUntilACorrectedInsert)
{
    addBrackets({0});
    open();
    dlg->SpeedButton1->click();
    fill("1000", "2000", "abc");
    modal->clear();
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->texts(), QStringList{"系统出错！"});
    EXPECT_EQ(db->count("个人所得税税率表"), 1);
    EXPECT_FALSE(Data1->ADOQYsl.isOpen());
    EXPECT_EQ(gridRows(), 0);
    EXPECT_EQ(dlg->Edit4->text(), "abc");
    EXPECT_TRUE(dlg->SpeedButton4->isEnabled());

    // Actions on the grid's row now report an error instead of acting.
    dlg->SpeedButton5->click();
    EXPECT_TRUE(lastWasError());
    modal->answerYes();
    dlg->SpeedButton3->click();
    EXPECT_TRUE(lastWasError());
    EXPECT_EQ(db->count("个人所得税税率表"), 1);

    dlg->SpeedButton1->click();
    fill("1000", "2000", "0.1");
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->lastText(), "添加成功");
    EXPECT_EQ(db->rows(kRows), (QStringList{"0|0.0|1000.0|0.05", "1|1000.0|2000.0|0.1"}));
    EXPECT_EQ(gridRows(), 2);
}

TEST_F(SlTest, ModifyWritesTheClickedRowAndKeepsTheTexts)
{
    addBrackets({0, 1});
    open();
    dlg->DBGrid1->clickRow(1);
    dlg->SpeedButton2->click();
    EXPECT_EQ(dlg->xgflag, 1);
    EXPECT_FALSE(dlg->Edit1->isReadOnly());
    dlg->Edit1->setText(" 7 ");
    dlg->Edit4->setText("0.2");
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->lastText(), "修改成功");
    EXPECT_EQ(db->rows(kRows), (QStringList{"0|0.0|1000.0|0.05", "7|1000.0|2000.0|0.2"}));
    EXPECT_EQ(dlg->xgflag, 0);
    EXPECT_EQ(dlg->Edit1->text(), " 7 ");
    EXPECT_TRUE(dlg->Edit1->isReadOnly());
    EXPECT_FALSE(dlg->SpeedButton4->isEnabled());
    EXPECT_EQ(cell(1, 0), "7");
}

TEST_F(SlTest, RefusedModifyShowsTheErrorAndStaysInModify)
{
    addBrackets({0});
    open();
    dlg->DBGrid1->clickRow(0);
    dlg->SpeedButton2->click();
    dlg->Edit3->setText("abc");
    modal->clear();
    dlg->SpeedButton4->click();
    EXPECT_TRUE(lastWasError());
    EXPECT_EQ(db->rows(kRows), QStringList{"0|0.0|1000.0|0.05"});
    EXPECT_EQ(dlg->xgflag, 1);
    EXPECT_TRUE(dlg->SpeedButton4->isEnabled());

    dlg->Edit3->setText("1500");
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->lastText(), "修改成功");
    EXPECT_EQ(db->rows(kRows), QStringList{"0|0.0|1500.0|0.05"});
}

TEST_F(SlTest, CancelAfterARefusedModifyShowsTheStoredRow)
{
    addBrackets({0});
    open();
    dlg->DBGrid1->clickRow(0);
    dlg->SpeedButton2->click();
    dlg->Edit4->setText("abc");
    dlg->SpeedButton4->click();
    dlg->SpeedButton5->click();
    EXPECT_EQ(dlg->Edit4->text(), "0.05");
    EXPECT_EQ(cell(0, 3), "0.05");
    EXPECT_EQ(dlg->xgflag, 0);
    EXPECT_FALSE(dlg->SpeedButton5->isEnabled());
    EXPECT_TRUE(dlg->Edit4->isReadOnly());
}

TEST_F(SlTest, AddDuringAModifyInsertsInsteadOfOverwriting)
{
    addBrackets({0, 1});
    open();
    dlg->DBGrid1->clickRow(0);
    dlg->SpeedButton2->click();
    dlg->SpeedButton1->click();
    EXPECT_EQ(dlg->xgflag, 0);
    EXPECT_EQ(dlg->Edit1->text(), "2");
    EXPECT_TRUE(dlg->Edit1->isReadOnly());
    fill("2000", "3000", "0.1");
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->lastText(), "添加成功");
    EXPECT_EQ(db->rows(kRows),
              (QStringList{"0|0.0|1000.0|0.05", "1|1000.0|2000.0|0.05", "2|2000.0|3000.0|0.1"}));
}

TEST_F(SlTest, ModifyAndDeleteReachOnlyTheClickedOfTwoIdenticalRows)
{
    addBrackets({3, 3});
    open();
    dlg->DBGrid1->clickRow(1);
    dlg->SpeedButton2->click();
    dlg->Edit4->setText("0.5");
    dlg->SpeedButton4->click();
    EXPECT_EQ(db->rows(kRows), (QStringList{"3|3000.0|4000.0|0.05", "3|3000.0|4000.0|0.5"}));

    dlg->DBGrid1->clickRow(0);
    modal->answerYes();
    dlg->SpeedButton3->click();
    EXPECT_EQ(db->rows(kRows), QStringList{"3|3000.0|4000.0|0.5"});
}

TEST_F(SlTest, DeleteAnsweredNoKeepsRowAndTexts)
{
    addBrackets({0});
    open();
    dlg->DBGrid1->clickRow(0);
    modal->answerNo();
    dlg->SpeedButton3->click();
    ASSERT_EQ(modal->messages.size(), 1);
    EXPECT_EQ(modal->messages[0].text, "真的要删除吗？");
    EXPECT_EQ(modal->messages[0].caption, "提示");
    EXPECT_EQ(modal->messages[0].icon, ui::Icon::Question);
    EXPECT_EQ(modal->messages[0].buttons, ui::Buttons::YesNo);
    EXPECT_EQ(db->count("个人所得税税率表"), 1);
    EXPECT_EQ(dlg->Edit3->text(), "1000");
}

TEST_F(SlTest, EnterAndDownWalkLevelRateLowerUpperAndUpWalksBack)
{
    addBrackets({0});
    open();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    auto focusAfter = [&](QWidget* from, int key) {
        from->setFocus();
        hrtest::pressKey(from, key);
        return QApplication::focusWidget();
    };
    EXPECT_EQ(focusAfter(dlg->Edit1, Qt::Key_Return), dlg->Edit4);
    EXPECT_EQ(focusAfter(dlg->Edit4, Qt::Key_Down), dlg->Edit2);
    EXPECT_EQ(focusAfter(dlg->Edit2, Qt::Key_Return), dlg->Edit3);
    EXPECT_EQ(focusAfter(dlg->Edit3, Qt::Key_Return), dlg->Edit3);
    EXPECT_EQ(focusAfter(dlg->Edit3, Qt::Key_Up), dlg->Edit3);
    EXPECT_EQ(focusAfter(dlg->Edit2, Qt::Key_Up), dlg->Edit4);
    EXPECT_EQ(focusAfter(dlg->Edit4, Qt::Key_Up), dlg->Edit1);
    EXPECT_EQ(focusAfter(dlg->Edit1, Qt::Key_Up), dlg->Edit1);
}

}
