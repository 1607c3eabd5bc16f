// Transfer, resignation and reinstatement: lists, the search and the rows they write.
#include "employees.h"
#include "personnel/U_tj.h"
#include "personnel/U_ygdd.h"
#include "personnel/U_ygfz.h"
#include "personnel/U_yglz.h"

namespace {

const QString kRows = QStringLiteral("select bh, xm, ssbm, zw, zc, sflz, lzrq, fzrq, lzfydjr from 人事表 order by rowid");

class MovesTest : public hrtest::HrTest {
protected:
    const QString today = QDate::currentDate().toString(Qt::ISODate);

    void SetUp() override
    {
        HrTest::SetUp();
        db->exec("insert into 单位信息表 (单位名称) values ('华夏科技')");
        db->exec("insert into 部门表 values ('001', '人事部'), ('002', '财务部'), ('003', '人事部')");
        db->exec("insert into 职务表 values ('经理'), ('会计'), ('职员')");
        db->exec("insert into 职称表 values ('工程师'), ('助理会计师')");
    }
    void employees()
    {
        db->exec("insert into 人事表 (bh, xm, ssbm, zw, zc, sflz, lzrq) values "
                 "('mr001', '张三', '人事部', '经理', '工程师', '否', null), "
                 "('mr002', '李四', '财务部', '会计', '助理会计师', '否', null), "
                 "('mr003', '王五', '财务部', '出纳', null, '是', '2023-03-01'), "
                 "('mr002', '赵六', '人事部', '职员', null, '是', '2022-07-15'), "
                 "('mr004', '孙七', '销售部', '职员', null, '否', null)");
    }
    static QStringList listed(EmployeeMoveForm* d) { return hrtest::gridColumn(d->DBGrid1, 1); }   // xm
    // 查找 with the given condition and value, pressing 确定 (or 取消).
    void search(EmployeeMoveForm* d, const QString& condition, const QString& value, bool ok = true)
    {
        modal->onDialog = [&](QDialog* dlg) {
            auto* s = qobject_cast<Tfrm_cxtj*>(dlg);
            ASSERT_TRUE(s);
            s->ComboBox1->setText(condition);
            s->Edit1->setText(value);
            if (ok) hrtest::pressKey(s->Edit1, Qt::Key_Return);   // the default button
            else s->BitBtn2->click();
            EXPECT_FALSE(s->isVisible());
        };
        d->SpeedButton1->click();
        modal->onDialog = nullptr;
        EXPECT_EQ(modal->dialogResult, ok ? QDialog::Accepted : QDialog::Rejected);
    }
};

TEST_F(MovesTest, EachDialogListsItsPopulationAndShowsTheCurrentEmployeeAlsoAfterASearch)
{
    employees();
    auto dd = hrtest::shown<Tfrm_ygdd>();
    EXPECT_EQ(listed(dd.get()), (QStringList{"张三", "李四", "孙七"}));
    EXPECT_EQ(dd->Edit1->text() + dd->Edit2->text() + dd->ComboBox1->text() + dd->ComboBox2->text() + dd->ComboBox3->text(),
              "mr001张三人事部经理工程师");
    EXPECT_FALSE(dd->ComboBox1->isEnabled());
    EXPECT_EQ(dd->ComboBox1->items(), (QStringList{"人事部", "财务部"}));
    dd->DBGrid1->clickRow(2);
    EXPECT_EQ(dd->Edit2->text() + dd->ComboBox1->text(), "孙七销售部");
    hrtest::pressKey(dd->DBGrid1, Qt::Key_Up);   // keys move the shown employee too
    EXPECT_EQ(dd->Edit2->text(), "李四");
    dd.reset();

    auto fz = hrtest::shown<Tfrm_ygfz>();
    EXPECT_EQ(listed(fz.get()), (QStringList{"王五", "赵六"}));
    EXPECT_EQ(fz->Edit1->text() + fz->Edit2->text() + fz->ComboBox1->text() + fz->ComboBox2->text(), "mr003王五财务部出纳");
    EXPECT_TRUE(fz->ComboBox1->isEnabled());
    hrtest::clickNode(fz->TreeView1, "人事部");   // the resigned of one department
    EXPECT_EQ(listed(fz.get()), QStringList{"赵六"});
    EXPECT_EQ(fz->Edit2->text(), "赵六");
    fz.reset();

    // The search finds by number or name only, and the inputs follow.
    auto lz = hrtest::shown<Tfrm_yglz>();
    EXPECT_EQ(lz->Edit1->text() + lz->Edit2->text() + lz->Edit3->text() + lz->Edit4->text() + lz->Edit5->text(),
              "mr001张三人事部经理工程师");
    // Every employee of that number, resigned ones included.
    search(lz.get(), "编号", " mr002 ");
    EXPECT_EQ(listed(lz.get()), (QStringList{"李四", "赵六"}));
    EXPECT_EQ(lz->Edit1->text() + lz->Edit2->text(), "mr002李四");
    search(lz.get(), "姓名", "王五");
    EXPECT_EQ(listed(lz.get()), QStringList{"王五"});
    EXPECT_EQ(lz->Edit2->text() + lz->Edit3->text(), "王五财务部");
    EXPECT_TRUE(modal->messages.isEmpty());

    // Anything but a known column and a value is no condition: the list stays.
    for (const auto& [condition, value] : {std::pair{"编号 ", "mr001"}, {"编号", "  "}}) {
        modal->clear();
        search(lz.get(), condition, value);
        EXPECT_EQ(modal->texts(), QStringList{"请设置查询条件！"}) << condition;
        EXPECT_EQ(listed(lz.get()), QStringList{"王五"}) << condition;
        EXPECT_EQ(lz->Edit2->text(), "王五");
    }
    modal->clear();
    search(lz.get(), "编号", "mr001", false);
    EXPECT_EQ(listed(lz.get()), QStringList{"王五"});
    search(lz.get(), "编号", "nobody");
    EXPECT_EQ(listed(lz.get()), QStringList{});
    EXPECT_EQ(lz->Edit1->text() + lz->Edit2->text() + lz->Edit3->text(), "");
    EXPECT_TRUE(modal->messages.isEmpty());
}

TEST_F(MovesTest, TransferRewritesOnlyTheShownEmployee)
{
    employees();
    auto dd = hrtest::shown<Tfrm_ygdd>();
    // The inputs follow a tree click: the employee seen is the one written.
    dd->DBGrid1->clickRow(1);
    hrtest::clickNode(dd->TreeView1, "人事部");
    EXPECT_EQ(dd->Edit2->text(), "张三");
    const QStringList before = db->rows(kRows);
    dd->BitBtn2->click();   // without 调动: the same values
    EXPECT_EQ(modal->texts(), QStringList{"修改成功"});
    EXPECT_TRUE(dd->ComboBox1->isEnabled());
    EXPECT_EQ(db->rows(kRows), before);

    dd->SpeedButton2->click();
    dd->DBGrid1->clickRow(1);
    hrtest::setTexts({{dd->ComboBox1, " 研发部 "}, {dd->ComboBox2, "经理"}, {dd->ComboBox3, " 工程师"}});
    hrtest::pressKey(dd->ComboBox1, Qt::Key_Return);   // Enter is 确认
    QStringList after = before;
    after[1] = "mr002|李四|研发部|经理|工程师|否|<null>|<null>|<null>";
    EXPECT_EQ(db->rows(kRows), after);   // the resigned mr002 keeps its values

    // A row changed behind the list cannot be written: reported, nothing shown as stored.
    db->exec("update 人事表 set zw = '总监' where xm = '张三'");
    after[0] = "mr001|张三|人事部|总监|工程师|否|<null>|<null>|<null>";
    dd->DBGrid1->clickRow(0);
    dd->ComboBox1->setText("财务部");
    modal->clear();
    dd->BitBtn2->click();
    EXPECT_EQ(modal->texts(), QStringList{"修改失败"});
    EXPECT_FALSE(dd->isVisible());
    EXPECT_EQ(db->rows(kRows), after);
    EXPECT_EQ(Data1->ADOpublic.state(), db::Query::State::Browse);
    EXPECT_EQ(Data1->ADOpublic.fieldText("ssbm"), "人事部");
}

TEST_F(MovesTest, ResignationAndReinstatementChangeTheShownEmployee)
{
    employees();
    auto lz = hrtest::shown<Tfrm_yglz>();
    lz->DBGrid1->clickRow(1);
    modal->answerNo();
    lz->SpeedButton4->click();
    EXPECT_EQ(modal->messages.back().text, "确定要离职吗？");
    const QStringList before = db->rows(kRows);
    modal->answerYes();
    lz->SpeedButton4->click();
    EXPECT_EQ(modal->lastText(), "修改成功");
    QStringList rows = before;
    rows[1] = "mr002|李四|财务部|会计|助理会计师|是|" + today + "|<null>|<null>";
    EXPECT_EQ(db->rows(kRows), rows);
    EXPECT_EQ(listed(lz.get()), (QStringList{"张三", "孙七"}));
    EXPECT_EQ(lz->Edit2->text(), "张三");

    // After a search the inputs show its first row, and that row resigns.
    lz->DBGrid1->clickRow(1);
    search(lz.get(), "姓名", "张三");
    EXPECT_EQ(lz->Edit2->text(), "张三");
    modal->answerYes();
    lz->SpeedButton4->click();
    rows[0] = "mr001|张三|人事部|经理|工程师|是|" + today + "|<null>|<null>";
    EXPECT_EQ(db->rows(kRows), rows);
    lz.reset();

    auto fz = hrtest::shown<Tfrm_ygfz>();
    EXPECT_EQ(listed(fz.get()), (QStringList{"张三", "李四", "王五", "赵六"}));
    hrtest::clickNode(fz->TreeView1, "财务部");
    EXPECT_EQ(fz->Edit2->text(), "李四");
    modal->clear();
    modal->answerYes();
    fz->Edit3->setText("  ");
    fz->SpeedButton4->click();
    EXPECT_EQ(modal->texts(), (QStringList{"确定要复职吗？", "请输入登记人姓名！"}));
    EXPECT_EQ(db->rows(kRows), rows);

    hrtest::setTexts({{fz->Edit3, " 王经理 "}, {fz->ComboBox1, "研发部 "}});
    modal->answerYes();
    fz->SpeedButton4->click();
    EXPECT_EQ(modal->lastText(), "修改成功");
    rows[1] = "mr002|李四|研发部 |会计|助理会计师|否|" + today + "|" + today + "|王经理";
    EXPECT_EQ(db->rows(kRows), rows);
    // Reloaded in full: the list, the tree and the department list, neither doubled.
    EXPECT_EQ(listed(fz.get()), (QStringList{"张三", "王五", "赵六"}));
    EXPECT_EQ(fz->TreeView1->topLevelItemCount(), 1);
    EXPECT_EQ(fz->ComboBox1->items(), (QStringList{"人事部", "财务部"}));
    EXPECT_EQ(fz->Edit2->text() + fz->ComboBox1->text(), "张三人事部");
    EXPECT_EQ(fz->Edit3->text(), " 王经理 ");
}

TEST_F(MovesTest, EmptyListsWriteNothingAndFailedWritesAreNotShown)
{
    auto dd = hrtest::shown<Tfrm_ygdd>();
    EXPECT_EQ(dd->Edit1->text() + dd->ComboBox1->text(), "");
    dd->BitBtn2->click();
    dd.reset();
    auto lz = hrtest::shown<Tfrm_yglz>();
    lz->SpeedButton4->click();
    lz.reset();
    auto fz = hrtest::shown<Tfrm_ygfz>();
    fz->Edit3->setText("王");
    fz->SpeedButton4->click();
    fz.reset();
    EXPECT_TRUE(modal->messages.isEmpty());
    EXPECT_EQ(db->count("人事表"), 0);

    employees();
    db->exec("create trigger refuse before update on 人事表 begin select raise(abort, '不允许修改'); end");
    const QStringList before = db->rows(kRows);
    fz = hrtest::shown<Tfrm_ygfz>();
    fz->Edit3->setText("王");
    modal->answerYes();
    fz->SpeedButton4->click();
    ASSERT_EQ(modal->messages.size(), 2);
    EXPECT_EQ(modal->messages.back().icon, ui::Icon::Error);   // the default handler's
    EXPECT_TRUE(modal->lastText().contains("不允许修改"));
    EXPECT_TRUE(fz->isVisible());
    EXPECT_EQ(Data1->ADOpublic.fieldText("sflz"), "是");
    EXPECT_EQ(Data1->ADOpublic.state(), db::Query::State::Browse);
    fz.reset();

    lz = hrtest::shown<Tfrm_yglz>();
    modal->clear();
    modal->answerYes();
    lz->SpeedButton4->click();
    EXPECT_EQ(modal->texts(), (QStringList{"确定要离职吗？", "修改失败"}));
    EXPECT_FALSE(lz->isVisible());
    EXPECT_EQ(Data1->ADOpublic.fieldText("sflz"), "否");
    EXPECT_EQ(db->rows(kRows), before);
}

}
