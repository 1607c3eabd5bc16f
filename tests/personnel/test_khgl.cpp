#include "employees.h"
#include "personnel/U_khgl.h"

namespace {

const QString kRows = QStringLiteral("select * from 考核表 order by rowid");
const QString kStoredRecord = QStringLiteral("mr001|22.0|1.0|0.0|0.0|0.0|4.5|良好|85|王|2024-05|好");

class KhglTest : public hrtest::HrTest {
protected:
    std::unique_ptr<Tfrm_khgl> dlg;

    void TearDown() override
    {
        dlg.reset();
        HrTest::TearDown();
    }
    // 出勤天数, 请假天数, 迟到次数, 早退次数, 旷工天数, 加班时数.
    void figures(const QStringList& f)
    {
        ui::Edit* e[] = {dlg->Edit1, dlg->Edit2, dlg->Edit3, dlg->Edit4, dlg->Edit5, dlg->Edit6};
        for (int i = 0; i < 6; ++i) e[i]->setText(f[i]);
    }
    QStringList controls() const
    {
        QStringList l = {dlg->ComboBox1->text()};
        for (ui::Edit* e : {dlg->Edit1, dlg->Edit2, dlg->Edit3, dlg->Edit4, dlg->Edit5, dlg->Edit6}) l << e->text();
        return l << dlg->ComboBox2->text() << dlg->Edit7->text() << dlg->Edit8->text() << dlg->Edit9->text()
                 << dlg->Memo1->text();
    }
};

TEST_F(KhglTest, SaveStoresTrimmedNumbersAllowsDuplicatesAndRefusesOtherFigures)
{
    db->exec("insert into 人事表 (bh, sflz) values ('mr002', '否'), ('mr001', '是'), ('mr002', '否')");
    dlg = hrtest::shown<Tfrm_khgl>();
    // Every number as stored: duplicates and resigned employees included.
    QStringList listed = dlg->ComboBox1->items();
    listed.sort();
    EXPECT_EQ(listed, (QStringList{"mr001", "mr002", "mr002"}));
    EXPECT_EQ(controls(), (QStringList{"", "0", "0", "0", "0", "0", "0", "", "", "", "", ""}));

    dlg->ComboBox1->setText(" mr001 ");
    figures({" 22 ", "1", "0", "2", "0", "0.5"});
    hrtest::setTexts({{dlg->ComboBox2, "优秀"}, {dlg->Edit7, " 90"}, {dlg->Edit8, "张三 "}, {dlg->Edit9, " 2024-05 "},
                      {dlg->Memo1, "  按时完成 "}});
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->texts(), QStringList{"保存成功"});
    const QString saved = QStringLiteral("mr001|22.0|1.0|0.0|2.0|0.0|0.5|优秀|90|张三|2024-05|按时完成");
    EXPECT_EQ(db->rows(kRows), QStringList{saved});
    EXPECT_EQ(dlg->ComboBox1->text() + dlg->Edit1->text(), " 22 ");   // only the employee is cleared
    EXPECT_EQ(hrtest::gridColumn(dlg->DBGrid1, 1), QStringList{"22"});
    EXPECT_EQ(hrtest::gridColumn(dlg->DBGrid1, 6), QStringList{"0.5"});
    dlg->ComboBox1->setText("mr001");
    dlg->SpeedButton4->click();
    EXPECT_EQ(db->rows(kRows), (QStringList{saved, saved}));
    EXPECT_EQ(dlg->DBGrid1->model()->rowCount(), 2);
    // The new record is current, and 修改 with the employee the save emptied writes nothing.
    EXPECT_EQ(dlg->query().recNo(), 1);
    modal->clear();
    dlg->SpeedButton1->click();
    EXPECT_EQ(modal->texts(), QStringList{"请选择员工编号"});
    EXPECT_EQ(db->rows(kRows), (QStringList{saved, saved}));

    // A figure that is no number (empty, a comma, beyond the range, letters) is
    // refused before anything runs, the input named and focused; the grid goes
    // on showing the stored records, so 修改 and 删除 still reach them.
    dlg->DBGrid1->clickRow(0);
    for (const char* bad : {"", "1,5", "1e-400", "abc"}) {
        figures({"22", "0", "0", "0", bad, "0"});
        modal->clear();
        dlg->Edit1->setFocus();
        dlg->SpeedButton4->click();
        EXPECT_EQ(modal->texts(), QStringList{"旷工天数必须是有效的数字！"}) << bad;
        EXPECT_EQ(dlg->focusWidget(), dlg->Edit5) << bad;
        EXPECT_EQ(dlg->DBGrid1->model()->rowCount(), 2) << bad;
    }
    EXPECT_EQ(db->count("考核表"), 2);
    dlg->ComboBox1->setText("mr001");
    figures({"20", "0", "0", "0", "0", "0"});
    dlg->SpeedButton1->click();
    EXPECT_EQ(modal->lastText(), "修改成功");
    EXPECT_EQ(db->rows(kRows).first(), QStringLiteral("mr001|20.0|0.0|0.0|0.0|0.0|0.0|优秀|90|张三|2024-05|按时完成"));
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->lastText(), "保存成功");
    EXPECT_EQ(dlg->DBGrid1->model()->rowCount(), 3);

    // Stored but not listed again (the employees cannot be read): saved, not "保存失败".
    db->exec("alter table 人事表 rename to 人事表_");
    modal->clear();
    dlg->ComboBox1->setText("mr002");
    dlg->SpeedButton4->click();
    ASSERT_EQ(modal->messages.size(), 2);
    EXPECT_EQ(modal->messages[0].text, "保存成功");
    EXPECT_EQ(modal->messages[1].icon, ui::Icon::Error);
    EXPECT_EQ(db->count("考核表"), 4);
}

TEST_F(KhglTest, ModifyAndDeleteReachOnlyTheClickedOfTwoIdenticalRecords)
{
    for (int i = 0; i < 2; ++i)
        db->exec("insert into 考核表 values ('mr001', 22, 1, 0, 0, 0, 4.5, '良好', '85', '王', '2024-05', '好')");
    dlg = hrtest::shown<Tfrm_khgl>();
    dlg->DBGrid1->clickRow(1);
    EXPECT_EQ(controls(), (QStringList{"mr001", "22", "1", "0", "0", "0", "4.5", "良好", "85", "王", "2024-05", "好"}));
    dlg->Edit5->setText("abc");
    dlg->SpeedButton1->click();
    EXPECT_EQ(modal->lastText(), "旷工天数必须是有效的数字！");
    EXPECT_EQ(db->rows(kRows), (QStringList{kStoredRecord, kStoredRecord}));

    modal->clear();
    hrtest::setTexts({{dlg->Edit5, "0"}, {dlg->Edit9, " 2024-06 "}, {dlg->Edit6, "6"}});
    dlg->SpeedButton1->click();
    EXPECT_EQ(modal->texts(), QStringList{"修改成功"});
    const QString changed = QStringLiteral("mr001|22.0|1.0|0.0|0.0|0.0|6.0|良好|85|王|2024-06|好");
    EXPECT_EQ(db->rows(kRows), (QStringList{kStoredRecord, changed}));
    EXPECT_EQ(hrtest::gridColumn(dlg->DBGrid1, 10), (QStringList{"2024-05", "2024-06"}));

    dlg->DBGrid1->clickRow(0);
    modal->answerNo();
    dlg->SpeedButton2->click();
    EXPECT_EQ(modal->messages.back().text, "真的要删除吗？");
    EXPECT_EQ(modal->messages.back().icon, ui::Icon::Question);
    EXPECT_EQ(db->count("考核表"), 2);
    modal->answerYes();
    dlg->SpeedButton2->click();
    EXPECT_EQ(db->rows(kRows), QStringList{changed});
    EXPECT_EQ(dlg->Edit9->text(), "2024-05");   // the inputs are left as they were
}

}
