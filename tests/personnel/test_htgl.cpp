#include "harness.h"
#include "data/U_data.h"
#include "personnel/U_htgl.h"
#include "platform/db/error.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include <QApplication>
#include <QDate>

namespace {

const QString kRows = QStringLiteral("select * from 合同表 order by rowid");

QString ymd(const QDate& d) { return d.toString(QStringLiteral("yyyy-MM-dd")); }

class HtglTest : public hrtest::HrTest {
protected:
    std::unique_ptr<Tfrm_htgl> dlg;

    void TearDown() override
    {
        dlg.reset();
        HrTest::TearDown();
    }
    void open()
    {
        dlg = std::make_unique<Tfrm_htgl>(nullptr);
        dlg->show();
        QApplication::processEvents();
    }
    void contract(const QString& number, const QString& end, const QString& state)
    {
        db->exec(QStringLiteral("insert into 合同表 values ('%1', 'mr001', '2020-01-01', '2020-01-01', '%2', "
                                "'3年', '5000', '%3', '')").arg(number, end, state));
    }
};

TEST(ContractNumber, SerialRunsOnAcrossYearsAndPastNineHundredNinetyNine)
{
    EXPECT_EQ(nextContractNumber({}, 2026), "2026001");
    EXPECT_EQ(nextContractNumber({"2025015"}, 2026), "2026016");
    EXPECT_EQ(nextContractNumber({"2026009", "2025099", ""}, 2026), "2026100");
    // Text order would take 2026999 as the largest and propose 20261000 again.
    EXPECT_EQ(nextContractNumber({"2026999", "20261000"}, 2026), "20261001");
    for (const QString bad : {"2026", "20260A1", "2026-01", "Y001"})
        EXPECT_THROW(nextContractNumber({"2025001", bad}, 2026), db::Error) << bad.toStdString();
}

TEST_F(HtglTest, AddAndSaveStoresFourDigitYearsAndRefusesIncompleteInput)
{
    db->exec("insert into 人事表 (bh, sflz) values ('mr001', '否'), ('mr001', '是'), ('mr002', '否')");
    open();
    EXPECT_EQ(modal->texts(), QStringList{"数据库中没有数据，请添加数据！"});
    EXPECT_EQ(dlg->DateTimePicker1->date(), QDate(2000, 1, 1));
    EXPECT_EQ(dlg->ComboBox1->items(), (QStringList{"mr001", "mr002"}));
    EXPECT_FALSE(dlg->SpeedButton4->isEnabled());

    dlg->SpeedButton5->click();
    const QString y = QString::number(QDate::currentDate().year());
    EXPECT_EQ(dlg->Edit1->text(), y + "001");
    EXPECT_TRUE(dlg->SpeedButton4->isEnabled());
    dlg->ComboBox1->setText("mr001");
    dlg->DateTimePicker1->setDate(QDate(2026, 1, 1));
    dlg->DateTimePicker2->setDate(QDate(2031, 12, 31));
    dlg->Edit2->setText("5000");
    dlg->ComboBox2->setText("在职");
    dlg->Edit4->setText("   ");   // blanks only: no term given
    modal->clear();
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->texts(), QStringList{"请完整添写信息"});
    EXPECT_EQ(db->count("合同表"), 0);

    dlg->Edit4->setText(" 6年 ");
    dlg->Memo1->setText("首签");
    modal->clear();
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->texts(), QStringList{"保存成功"});
    const QString today = ymd(QDate::currentDate());
    EXPECT_EQ(db->rows(kRows), QStringList{y + "001|mr001|" + today + "|2026-01-01|2031-12-31|6年|5000|在职|首签"});
    EXPECT_FALSE(dlg->SpeedButton4->isEnabled());
    dlg->SpeedButton5->click();
    EXPECT_EQ(dlg->Edit1->text(), y + "002");
}

TEST_F(HtglTest, ModifyKeepsCenturiesAndAFailedPostLeavesTheGridAsStored)
{
    contract("2030001", "2031-06-30", "在职");
    contract("1999001", "1999-12-31", "离职");
    open();
    EXPECT_EQ(dlg->DateTimePicker2->date(), QDate(2031, 6, 30));
    dlg->DBGrid1->clickRow(1);
    EXPECT_EQ(dlg->DateTimePicker2->date(), QDate(1999, 12, 31));

    modal->answerNo();
    dlg->SpeedButton1Click();
    dlg->Edit2->setText("6000 ");
    modal->answerYes();
    dlg->SpeedButton1Click();
    EXPECT_EQ(modal->lastText(), "修改成功");
    EXPECT_EQ(db->rows(kRows).at(1), "1999001|mr001|2020-01-01|2020-01-01|1999-12-31|3年|6000 |离职|");
    EXPECT_EQ(db->rows(kRows).at(0), "2030001|mr001|2020-01-01|2020-01-01|2031-06-30|3年|5000|在职|");

    // After the change the inputs are empty: 修改 must not blank the contract.
    modal->clear();
    dlg->SpeedButton1Click();
    EXPECT_EQ(modal->texts(), QStringList{"请完整添写信息"});
    EXPECT_EQ(db->rows(kRows).at(1), "1999001|mr001|2020-01-01|2020-01-01|1999-12-31|3年|6000 |离职|");
}

TEST_F(HtglTest, DeleteProtectsARunningContractInServiceOnly)
{
    const QDate today = QDate::currentDate();
    contract("2026001", ymd(today.addDays(1)), "在职");
    contract("2026002", ymd(today), "在职");
    contract("2026003", ymd(today.addYears(3)), "离职");
    open();
    dlg->SpeedButton7Click();
    EXPECT_EQ(modal->lastText(), "该员工的合同期还未满，不能删除！");
    EXPECT_EQ(db->count("合同表"), 3);

    dlg->DBGrid1->clickRow(1);
    dlg->SpeedButton7Click();   // ends today: deleted without a question
    dlg->DBGrid1->clickRow(1);
    dlg->SpeedButton7Click();   // the employee has left
    EXPECT_EQ(db->rows("select 合同编号 from 合同表"), QStringList{"2026001"});

    db->exec("delete from 合同表");
    open();
    modal->clear();
    dlg->SpeedButton7Click();
    EXPECT_EQ(modal->texts(), QStringList{"没有选中的合同，无法删除"});
}

}
