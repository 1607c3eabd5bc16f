#include "dialog_test.h"
#include "settings/U_sl.h"

namespace {

const QString kTable = QStringLiteral("个人所得税税率表");

class SlTest : public DialogTest<Tfrm_sl> {
protected:
    void fill(const QString& lower, const QString& upper, const QString& rate)
    {
        dlg->Edit2->setText(lower);
        dlg->Edit3->setText(upper);
        dlg->Edit4->setText(rate);
    }
};

TEST_F(SlTest, AddProposesTheNextNumberAndStoresOnlyCompleteNumbers)
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
    EXPECT_EQ(stored(kTable), QStringList{"0|0.0|3500.0|0.03"});
    for (auto* e : {dlg->Edit1, dlg->Edit2, dlg->Edit3, dlg->Edit4}) EXPECT_TRUE(e->text().isEmpty() && e->isReadOnly());
    EXPECT_EQ(cell(0, 2), "3500");   // no spurious ".0"

    // Not a number (the database would make 1e999 infinite, "abc" no rate):
    // refused before anything runs, the input named and focused, the inputs
    // stay, and the grid keeps its title row and the stored rows, so 取消
    // shows the current row again.
    for (const char* bad : {"1e999", "abc"}) {
        dlg->SpeedButton1->click();
        fill("1000", "2000", QString::fromUtf8(bad));
        modal->clear();
        dlg->SpeedButton4->click();
        EXPECT_EQ(modal->texts(), QStringList{"税率必须是有效的数字！"});
        EXPECT_EQ(dlg->focusWidget(), dlg->Edit4);
        EXPECT_EQ(dlg->Edit4->text(), bad);
        EXPECT_EQ(dlg->DBGrid1->model()->columnCount(), 4);
        EXPECT_EQ(cell(0, 2), "3500");
        dlg->SpeedButton5->click();
        EXPECT_EQ(dlg->Edit3->text(), "3500");
        EXPECT_EQ(modal->texts(), QStringList{"税率必须是有效的数字！"});
    }
    EXPECT_EQ(stored(kTable), QStringList{"0|0.0|3500.0|0.03"});

    // The largest number plus one, compared as numbers; 添加 during a 修改 inserts.
    db->exec("insert into 个人所得税税率表 values (10, 1, 2, 0.1), (9, 1, 2, 0.1)");
    modal->clear();
    open();
    click(dlg->SpeedButton2, 0);
    dlg->SpeedButton1->click();
    EXPECT_EQ(dlg->Edit1->text(), "11");
    EXPECT_TRUE(dlg->Edit1->isReadOnly());
    fill("1", "2", "0.5");
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->texts(), QStringList{"添加成功"});
    EXPECT_EQ(stored(kTable), (QStringList{"0|0.0|3500.0|0.03", "10|1.0|2.0|0.1", "9|1.0|2.0|0.1", "11|1.0|2.0|0.5"}));
    EXPECT_EQ(dlg->DBGrid1->model()->rowCount(), 4);
    EXPECT_TRUE(columnsFit());   // also after the reload

    // The number proposed was taken meanwhile by another copy of the program:
    // nothing is saved under it twice, the figures stay, the next number is proposed.
    dlg->SpeedButton1->click();
    fill("2", "3", "0.2");
    db->exec("insert into 个人所得税税率表 values (12, 5, 6, 0.3)");
    modal->clear();
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->texts(), QStringList{"级别号12已经存在，税率信息没有保存，已改为13，请重新保存！"});
    EXPECT_EQ(dlg->Edit1->text() + dlg->Edit2->text() + dlg->Edit4->text(), "1320.2");
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->lastText(), "添加成功");
    EXPECT_EQ(db->rows("select * from 个人所得税税率表 where 级别号 >= 12"), (QStringList{"12|5.0|6.0|0.3", "13|2.0|3.0|0.2"}));
}

TEST_F(SlTest, ModifyAndDeleteReachOnlyTheClickedOfIdenticalRows)
{
    const QString row3 = QStringLiteral("3|3000.0|4000.0|0.05");
    db->exec("insert into 个人所得税税率表 values (3, 3000, 4000, 0.05), (3, 3000, 4000, 0.05), (3, 3000, 4000, 0.05)");
    open();
    click(dlg->SpeedButton2, 1);
    // Not a number: shown, nothing written, still modifying; 取消 shows the stored row.
    dlg->Edit4->setText("1e-400");
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->lastText(), "税率必须是有效的数字！");
    EXPECT_EQ(dlg->focusWidget(), dlg->Edit4);
    EXPECT_EQ(stored(kTable), (QStringList{row3, row3, row3}));
    EXPECT_EQ(dlg->xgflag, 1);
    // The level column holds whole numbers only.
    dlg->Edit4->setText("0.05");
    for (const char* level : {"2.5", "1e19", "9007199254740992.5", "9223372036854775808"}) {
        dlg->Edit1->setText(QString::fromUtf8(level));
        dlg->SpeedButton4->click();
        EXPECT_EQ(modal->lastText(), "级别号必须是整数！") << level;
        EXPECT_EQ(dlg->focusWidget(), dlg->Edit1);
    }
    EXPECT_EQ(stored(kTable), (QStringList{row3, row3, row3}));
    EXPECT_EQ(dlg->xgflag, 1);
    dlg->SpeedButton5->click();
    EXPECT_EQ(dlg->Edit4->text(), "0.05");
    EXPECT_TRUE(dlg->xgflag == 0 && dlg->Edit4->isReadOnly());

    // Every digit of a large level reaches the table, and 添加 proposes the
    // exact next one; a whole number written otherwise is taken as its value.
    for (const auto& [typed, level] : {std::pair{" 9007199254740993 ", "9007199254740993"}, {"3.0", "3"}, {"+1e3", "1000"}}) {
        click(dlg->SpeedButton2, 1);
        dlg->Edit1->setText(QString::fromUtf8(typed));
        dlg->SpeedButton4->click();
        EXPECT_EQ(modal->lastText(), "修改成功") << typed;
        EXPECT_EQ(stored(kTable).value(1), QString::fromUtf8(level) + "|3000.0|4000.0|0.05");
        if (QLatin1String(level).size() > 4) {
            dlg->SpeedButton1->click();
            EXPECT_EQ(dlg->Edit1->text(), "9007199254740994");
            dlg->SpeedButton5->click();
        }
    }
    click(dlg->SpeedButton2, 1);
    dlg->Edit1->setText(" 7 ");
    dlg->Edit4->setText("0.5");
    dlg->SpeedButton4->click();
    EXPECT_EQ(modal->lastText(), "修改成功");
    EXPECT_EQ(stored(kTable), (QStringList{row3, "7|3000.0|4000.0|0.5", row3}));
    EXPECT_TRUE(dlg->xgflag == 0 && !dlg->SpeedButton4->isEnabled());
    EXPECT_EQ(cell(1, 0), "7");

    modal->clear();
    modal->answerNo();
    click(dlg->SpeedButton3, 2);
    EXPECT_EQ(modal->texts(), QStringList{"真的要删除吗？"});
    EXPECT_EQ(modal->messages[0].icon, ui::Icon::Question);
    EXPECT_EQ(db->count("个人所得税税率表"), 3);
    EXPECT_EQ(dlg->Edit3->text(), "4000");   // the row's texts stay, without ".0"
    modal->answerYes();
    click(dlg->SpeedButton3, 2);
    EXPECT_EQ(stored(kTable), (QStringList{row3, "7|3000.0|4000.0|0.5"}));
}

}
