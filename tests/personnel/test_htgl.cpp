#include "employees.h"
#include "personnel/U_htgl.h"
#include "platform/db/error.h"

namespace {

const QString kRows = QStringLiteral("select * from 合同表 order by rowid");

QString ymd(const QDate& d) { return d.toString(QStringLiteral("yyyy-MM-dd")); }

class HtglTest : public hrtest::HrTest {
protected:
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
    auto dlg = hrtest::shown<Tfrm_htgl>();
    EXPECT_EQ(modal->texts(), QStringList{"数据库中没有数据，请添加数据！"});
    EXPECT_EQ(dlg->DateTimePicker1->date(), QDate(2000, 1, 1));
    EXPECT_EQ(dlg->ComboBox1->items(), (QStringList{"mr001", "mr002"}));
    EXPECT_FALSE(dlg->SpeedButton4->isEnabled());

    dlg->SpeedButton5->click();
    const QString y = QString::number(QDate::currentDate().year());
    EXPECT_EQ(dlg->Edit1->text(), y + "001");
    EXPECT_TRUE(dlg->SpeedButton4->isEnabled());
    // 合同期限 of blanks only: no term given.
    hrtest::setTexts({{dlg->ComboBox1, "mr001"}, {dlg->DateTimePicker1, "2026-01-01"},
                      {dlg->DateTimePicker2, "2031-12-31"}, {dlg->Edit2, "5000"}, {dlg->ComboBox2, "在职"}, {dlg->Edit4, "   "}});
    modal->clear();
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->texts(), QStringList{"请完整添写信息"});
    EXPECT_EQ(db->count("合同表"), 0);

    hrtest::setTexts({{dlg->Edit4, " 6年 "}, {dlg->Memo1, "首签"}});
    modal->clear();
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->texts(), QStringList{"保存成功"});
    EXPECT_EQ(db->rows(kRows),
              QStringList{y + "001|mr001|" + ymd(QDate::currentDate()) + "|2026-01-01|2031-12-31|6年|5000|在职|首签"});
    EXPECT_FALSE(dlg->SpeedButton4->isEnabled());
    dlg->SpeedButton5->click();
    EXPECT_EQ(dlg->Edit1->text(), y + "002");
}

TEST_F(HtglTest, ModifyKeepsCenturiesAndAFailedPostLeavesTheGridAsStored)
{
    contract("2030001", "2031-06-30", "在职");
    contract("1999001", "1999-12-31", "离职");
    auto dlg = hrtest::shown<Tfrm_htgl>();
    EXPECT_EQ(dlg->DateTimePicker2->date(), QDate(2031, 6, 30));
    dlg->DBGrid1->clickRow(1);
    EXPECT_EQ(dlg->DateTimePicker2->date(), QDate(1999, 12, 31));

    modal->answerNo();
    dlg->SpeedButton1Click();
    dlg->Edit2->setText("6000 ");
    modal->answerYes();
    dlg->SpeedButton1Click();
    EXPECT_EQ(modal->lastText(), "修改成功");
    const QStringList changed = {"2030001|mr001|2020-01-01|2020-01-01|2031-06-30|3年|5000|在职|",
                                 "1999001|mr001|2020-01-01|2020-01-01|1999-12-31|3年|6000 |离职|"};
    EXPECT_EQ(db->rows(kRows), changed);

    // After the change the inputs are empty: 修改 must not blank the contract.
    modal->clear();
    dlg->SpeedButton1Click();
    EXPECT_EQ(modal->texts(), QStringList{"请完整添写信息"});
    EXPECT_EQ(db->rows(kRows), changed);
}

TEST_F(HtglTest, DeleteProtectsARunningContractInServiceOnly)
{
    const QDate today = QDate::currentDate();
    contract("2026001", ymd(today.addDays(1)), "在职");
    contract("2026002", ymd(today), "在职");
    contract("2026003", ymd(today.addYears(3)), "离职");
    auto dlg = hrtest::shown<Tfrm_htgl>();
    dlg->SpeedButton7Click();
    EXPECT_EQ(modal->lastText(), "该员工的合同期还未满，不能删除！");
    EXPECT_EQ(db->count("合同表"), 3);

    dlg->DBGrid1->clickRow(1);
    dlg->SpeedButton7Click();   // ends today: deleted without a question
    dlg->DBGrid1->clickRow(1);
    dlg->SpeedButton7Click();   // the employee has left
    EXPECT_EQ(db->rows("select 合同编号 from 合同表"), QStringList{"2026001"});

    db->exec("delete from 合同表");
    dlg = hrtest::shown<Tfrm_htgl>();
    modal->clear();
    dlg->SpeedButton7Click();
    EXPECT_EQ(modal->texts(), QStringList{"没有选中的合同，无法删除"});
}


// Null dates and numbers (rows written by another program): the dialog still lists the
// employees, never shows two contracts at once, and a contract that has ended
// by its state is deleted whatever its dates.
TEST_F(HtglTest, AContractWithMissingValuesIsShownWholeOrNotAtAllAndGoesByItsState)
{
    db->exec("insert into 人事表 (bh, sflz) values ('mr001', '否')");
    db->exec("insert into 合同表 values ('2020001', 'mr001', null, '2020-01-01', null, '3年', '5000', '离职', '')");
    db->exec("insert into 合同表 values ('2020002', 'mr002', '2021-02-03', '2021-02-03', null, '2年', '4000', '在职', '')");
    contract("2020003", "2020-12-31", "在职");
    auto dlg = hrtest::shown<Tfrm_htgl>();
    ASSERT_EQ(modal->messages.size(), 1);
    EXPECT_EQ(modal->messages[0].icon, ui::Icon::Error);
    EXPECT_EQ(dlg->ComboBox1->items(), QStringList{"mr001"});
    EXPECT_EQ(dlg->Edit1->text(), "");

    dlg->DBGrid1->clickRow(2);
    dlg->DBGrid1->clickRow(1);   // refused whole, and nothing of the contract shown before stays for 修改 to write over it
    EXPECT_EQ(dlg->Edit1->text() + dlg->ComboBox1->text() + dlg->Edit4->text() + dlg->Edit2->text(), "");
    modal->clear();
    modal->answerYes();
    dlg->SpeedButton1Click();
    EXPECT_EQ(modal->texts(), QStringList{"请完整添写信息"});
    modal->answers.clear();
    EXPECT_EQ(db->rows("select 合同编号, 员工编号, 合同期限 from 合同表 order by rowid"),
              (QStringList{"2020001|mr001|3年", "2020002|mr002|2年", "2020003|mr001|3年"}));

    // Running, in service, no end: kept.
    modal->clear();
    dlg->SpeedButton7Click();
    EXPECT_EQ(modal->texts(), QStringList{"该合同的终止日期无法识别，不能删除！"});
    dlg->DBGrid1->clickRow(0);
    dlg->SpeedButton7Click();
    EXPECT_EQ(db->rows("select 合同编号 from 合同表 order by rowid"), (QStringList{"2020002", "2020003"}));

    // A save whose reload cannot show the first contract is still a save.
    dlg->SpeedButton5->click();
    hrtest::setTexts({{dlg->ComboBox1, "mr001"}, {dlg->Edit4, "1年"}, {dlg->Edit2, "3000"}, {dlg->ComboBox2, "在职"}});
    modal->clear();
    dlg->SpeedButton4->click();
    ASSERT_EQ(modal->messages.size(), 2);
    EXPECT_EQ(modal->messages[0].icon, ui::Icon::Error);
    EXPECT_EQ(modal->lastText(), "保存成功");
    EXPECT_FALSE(dlg->SpeedButton4->isEnabled());
    EXPECT_EQ(db->count("合同表"), 3);

    // A first contract without a number is shown, not taken for an empty table.
    db->exec("delete from 合同表 where 合同结束日期 is null");
    db->exec("update 合同表 set 合同编号 = null");
    modal->clear();
    dlg = hrtest::shown<Tfrm_htgl>();
    EXPECT_TRUE(modal->messages.isEmpty());
    EXPECT_EQ(dlg->ComboBox1->text() + dlg->Edit4->text(), "mr0013年");

    // A date before the pickers' first day is refused whole too, not shown as that day for 修改 to store.
    db->exec("update 合同表 set 登记日期 = '1700-05-06'");
    modal->clear();
    dlg = hrtest::shown<Tfrm_htgl>();
    ASSERT_EQ(modal->messages.size(), 1);
    EXPECT_TRUE(modal->messages[0].text.contains("1700-05-06"));
    EXPECT_EQ(dlg->ComboBox1->text() + dlg->Edit4->text(), "");
}

}
