#include "dialog_test.h"
#include "settings/U_gzxx.h"

namespace {

// What sets each list apart, as the operator sees it.
struct Member {
    std::function<Tfrm_gzxx*()> make;
    QString table, employeeColumn, prompt;
    bool refusesDuplicateAdd = false;
    bool keepsText = false;        // the box keeps its text after 保存
    bool failureStays = false;     // a failed 保存 says "系统出错！" and leaves the dialog open
    bool emptyRenameTells = false;
};

const Member kMembers[] = {
    {[] { return new Tfrm_gzxx; }, "工种表", "gz", "请输入工种"},
    {[] { return new Tfrm_zwxx; }, "职务表", "zw", "请输入职务", false, false, true, true},
    {[] { return new Tfrm_zcxx; }, "职称表", "zc", "请输入职称", true},
    {[] { return new Tfrm_whcd; }, "文化程度表", "whcd", "请输入文化程度"},
    {[] { return new Tfrm_zzmm; }, "政治面貌表", "zzmm", "请输入政治面貌", false, true},
    {[] { return new Tfrm_mzxx; }, "民族表", "mz", "请输入民族", false, false, true},
};

class ListsTest : public DialogTest<Tfrm_gzxx> {
protected:
    const Member* m = nullptr;

    void open(const Member& member)
    {
        m = &member;
        modal->clear();
        DialogTest::open(m->make);
    }
    // Selects the row, puts the text in the box and presses the button.
    void act(ui::Button* b, const QString& text, int row = -1)
    {
        if (row >= 0) dlg->DBGrid1->clickRow(row);
        dlg->Edit1->setText(text);
        b->click();
    }
};

TEST_F(ListsTest, EachListAddsRefusesToDeleteWhatItsEmployeeColumnHoldsAndSurvivesAFailedAdd)
{
    for (const Member& member : kMembers) {
        SCOPED_TRACE(member.table.toStdString());
        db->exec("delete from 人事表");
        open(member);
        EXPECT_EQ(modal->texts(), QStringList{"数据库中没有数据，请添加数据！"});
        act(dlg->SpeedButton4, "   ");
        EXPECT_EQ(modal->lastText(), m->prompt);
        modal->clear();
        act(dlg->SpeedButton2, " ");
        EXPECT_EQ(modal->texts(), m->emptyRenameTells ? QStringList{"信息不能为空"} : QStringList{});
        modal->clear();
        act(dlg->SpeedButton4, " 甲 ");
        EXPECT_EQ(modal->texts(), m->keepsText ? QStringList{} : QStringList{"添加成功"});
        EXPECT_EQ(dlg->Edit1->text(), m->keepsText ? " 甲 " : "");
        act(dlg->SpeedButton4, "甲");
        EXPECT_EQ(stored(m->table), m->refusesDuplicateAdd ? QStringList{"甲"} : (QStringList{"甲", "甲"}));
        if (m->refusesDuplicateAdd) {
            EXPECT_EQ(modal->lastText(), "职称不能重复");
        }
        db->exec(QStringLiteral("delete from %1 where rowid = 2").arg(m->table));
        act(dlg->SpeedButton4, "丙");
        ASSERT_EQ(stored(m->table), (QStringList{"甲", "丙"}));

        // 甲 is held by an employee, 丙 only in the other lists' columns; the
        // selected row's own value decides, whatever the box holds.
        db->exec(QStringLiteral("insert into 人事表 (bh, sflz, %1) values ('mr001', '否', '甲')").arg(m->employeeColumn));
        QStringList others;
        for (const Member& o : kMembers)
            if (&o != m) others << o.employeeColumn;
        db->exec(QStringLiteral("insert into 人事表 (bh, %1) values ('mr003', '丙', '丙', '丙', '丙', '丙')")
                     .arg(others.join(',')));
        act(dlg->SpeedButton3, "丙", 0);
        EXPECT_EQ(lastWithCaption(), "此信息已经使用，不能删除！/警告");
        modal->answerYes();
        act(dlg->SpeedButton3, "甲", 1);
        EXPECT_EQ(stored(m->table), QStringList{"甲"});

        // A failed add either closes the dialog or leaves it on the stored list.
        db->exec(QStringLiteral("create trigger refuse before insert on %1 begin select raise(abort, 'refused'); end")
                     .arg(m->table));
        modal->clear();
        hrtest::FailureLog log;
        act(dlg->SpeedButton4, "丁");
        EXPECT_EQ(lastWithCaption(), m->failureStays ? "系统出错！/提示" : "系统出错/警告");
        EXPECT_EQ(dlg->isVisible(), m->failureStays);
        EXPECT_TRUE(log.lines.size() == 1 && log.lines[0].contains("refused")) << log.lines.join('\n').toStdString();
        if (m->failureStays) {
            EXPECT_EQ(cell(0, 0), "甲");
            EXPECT_EQ(dlg->DBGrid1->model()->rowCount(), 1);
        }
        db->exec("drop trigger refuse");
    }
}

TEST_F(ListsTest, RenameAndDeleteReachTheSelectedOfIdenticalRows)
{
    db->exec("insert into 工种表 values ('甲'), ('甲'), ('甲')");
    db->exec("insert into 人事表 (bh, sflz, gz) values ('mr002', '是', '乙')");
    open(kMembers[0]);
    act(dlg->SpeedButton2, "甲", 1);
    EXPECT_EQ(modal->lastText(), "信息不能重复");
    act(dlg->SpeedButton2, " 乙 ", 1);
    EXPECT_EQ(modal->lastText(), "修改成功");
    act(dlg->SpeedButton3, "", 1);   // a resigned employee still holds it
    EXPECT_EQ(modal->lastText(), "此信息已经使用，不能删除！");
    db->exec("delete from 人事表");
    modal->answerNo();
    act(dlg->SpeedButton3, "", 2);
    modal->answerYes();
    act(dlg->SpeedButton3, "", 2);
    EXPECT_EQ(stored(m->table), (QStringList{"甲", "乙"}));
    for (int i = 0; i < 2; ++i) {
        modal->answerYes();
        act(dlg->SpeedButton3, "", 0);
    }
    // Empty list: 删除 asks nothing and fails nothing; 修改 stores the first row.
    modal->clear();
    act(dlg->SpeedButton3, "");
    act(dlg->SpeedButton2, "丁");
    EXPECT_EQ(modal->texts(), QStringList{"修改成功"});
    EXPECT_EQ(stored(m->table), QStringList{"丁"});
}

}
