// The employee browse: its department tree, queries, delete and work cards;
// 修改 through the employee dialog is in test_xygdj.
#include "employees.h"
#include "personnel/U_xygdj.h"
#include "personnel/U_ygxxll.h"
#include "platform/report/report.h"

namespace {

class YgxxllTest : public hrtest::HrTest {
protected:
    void SetUp() override
    {
        HrTest::SetUp();
        hrtest::seedCompany(*db);
    }
    void TearDown() override
    {
        report::RvProject::executeHook = nullptr;
        HrTest::TearDown();
    }

    // Opens the browse as the menu does and drives it.
    void browse(const std::function<void(Tfrm_ygxill*)>& drive)
    {
        hrtest::openDialog(*modal, frm_ygxill, drive);
        EXPECT_EQ(session().OpenMode, 0);
    }
    static QStringList names() { return hrtest::fieldTexts(Data1->ADOQuery1, "xm"); }
    static void query(Tfrm_ygxill* f, const QString& condition, const QString& value, bool prefix = false)
    {
        f->ComboBox1->setText(condition);
        f->Edit1->setText(value);
        (prefix ? f->BitBtn2 : f->BitBtn1)->click();
    }
};

}

TEST_F(YgxxllTest, ExactAndPrefixQueries)
{
    browse([&](Tfrm_ygxill* f) {
        query(f, "", "张三");
        query(f, "姓名", "");
        EXPECT_EQ(modal->texts(), (QStringList{"请设置查询条件", "请输入要查询的内容"}));
        EXPECT_EQ(names().size(), 5);

        query(f, "姓名", " 张三 ");
        EXPECT_EQ(names(), QStringList{"张三"});
        query(f, "编号", "mr010");   // resigned employees are found too
        EXPECT_EQ(names(), QStringList{"王五"});
        // A condition that is none of the six runs nothing, not even on the last column.
        modal->clear();
        query(f, "姓名 ", "mr001");
        query(f, "bh", "mr001", true);
        EXPECT_EQ(modal->texts(), (QStringList{"请设置查询条件", "请设置查询条件"}));
        EXPECT_EQ(names(), QStringList{"王五"});

        query(f, "编号", "mr00", true);
        EXPECT_EQ(names(), (QStringList{"张三", "李四", "李四二"}));
        query(f, "籍贯", "北", true);
        EXPECT_EQ(names().size(), 3);
        // Typed wildcards act as wildcards.
        query(f, "编号", "m%1", true);
        EXPECT_EQ(names(), (QStringList{"张三", "王五", "赵六"}));
        query(f, "编号", "mr0_1", true);
        EXPECT_EQ(names(), (QStringList{"张三", "赵六"}));

        // A quote is only a character of the value.
        for (const char* v : {"x' or '1'='1", "'; delete from 人事表; --"}) {
            query(f, "姓名", v);
            EXPECT_EQ(names().size(), 0);
            query(f, "文化程度", v, true);
            EXPECT_EQ(names().size(), 0);
        }
        EXPECT_EQ(db->count("人事表"), 5);
    });
}

TEST_F(YgxxllTest, DeleteAndModifyActOnTheRowShownOnly)
{
    browse([&](Tfrm_ygxill* f) {
        // Nothing listed: nothing asked, no employee dialog.
        query(f, "编号", "zz");
        Data1->ADOQuery1.close();
        for (int i = 0; i < 2; ++i) {
            f->BitBtn6->click();
            f->BitBtn5->click();
            query(f, "编号", "zz");
        }
        EXPECT_TRUE(modal->messages.isEmpty());
        EXPECT_EQ(modal->dialogsShown, QStringList{"Tfrm_ygxill"});

        query(f, "编号", "mr002");
        f->DBGrid1->clickRow(1);
        modal->answerNo();
        f->BitBtn6->click();
        EXPECT_EQ(db->count("人事表"), 5);
        modal->answerYes();
        f->BitBtn6->click();
        EXPECT_EQ(modal->texts(), (QStringList{"真的要删除吗？", "真的要删除吗？"}));
        EXPECT_EQ(modal->messages[0].icon, ui::Icon::Question);
        EXPECT_EQ(names(), QStringList{"李四"});
        EXPECT_EQ(db->rows("select xm from 人事表 where bh='mr002'"), QStringList{"李四"});
    });
    EXPECT_EQ(db->count("人事表"), 4);
}

TEST_F(YgxxllTest, TreeListsEveryoneByDepartmentAndWorkCardsPrintTheListShown)
{
    QString project;
    QStringList handed;
    QHash<QString, QString> params;
    report::RvProject::executeHook = [&](const report::RvProject& p) {
        project = p.ProjectFile;
        params = p.params();
        db::Query* q = p.dataSet();
        for (q->first(); !q->eof(); q->next()) handed << q->fieldText("bh") + q->fieldText("xm");
    };
    browse([&](Tfrm_ygxill* f) {
        const QTreeWidgetItem* root = f->TreeView1->topLevelItem(0);
        QStringList nodes = {root->text(0)};
        for (int i = 0; i < root->childCount(); ++i) nodes << root->child(i)->text(0);
        EXPECT_EQ(nodes, (QStringList{"澄岚公司", "研发部", "财务部", " 后勤部 "}));
        EXPECT_EQ(f->TreeView1->topLevelItemCount(), 1);
        EXPECT_TRUE(root->isExpanded());
        EXPECT_EQ(f->DBGrid1->model()->columnCount(), 32);
        EXPECT_EQ(f->DBGrid1->model()->headerData(0, Qt::Horizontal).toString(), "bh");

        query(f, "姓名", "张三");
        f->TreeView1Click();   // no node selected: nothing changes
        EXPECT_EQ(names(), QStringList{"张三"});
        hrtest::clickNode(f->TreeView1, " 后勤部 ");   // blanks kept: only the rows with the same blanks
        EXPECT_EQ(names(), QStringList{"赵六"});
        hrtest::clickNode(f->TreeView1, "澄岚公司");
        EXPECT_EQ(names().size(), 5);
        hrtest::clickNode(f->TreeView1, "研发部");   // resigned employees too
        EXPECT_EQ(names(), (QStringList{"张三", "李四二", "王五"}));
        f->BitBtn4->click();

        // The company name is read at each click: renamed, the old root is just a name.
        db->exec("update 单位信息表 set 单位名称='研发部'");
        hrtest::clickNode(f->TreeView1, "澄岚公司");
        EXPECT_EQ(names().size(), 0);
        hrtest::clickNode(f->TreeView1, "研发部");   // a department named like the company lists everyone
        EXPECT_EQ(names().size(), 5);
    });
    EXPECT_EQ(handed, (QStringList{"mr001张三", "mr002李四二", "mr010王五"}));
    EXPECT_EQ(project, report::programFolder() + "gzz");
    EXPECT_EQ(params.value("单位名称"), "澄岚公司");
    EXPECT_TRUE(modal->messages.isEmpty());

    // No company, no departments: a root with the empty text, which lists everyone.
    db->exec("delete from 单位信息表; delete from 部门表");
    browse([&](Tfrm_ygxill* f) {
        EXPECT_EQ(f->TreeView1->topLevelItem(0)->childCount(), 0);
        query(f, "姓名", "张三");
        hrtest::clickNode(f->TreeView1, "");
        EXPECT_EQ(names().size(), 5);
    });
}
