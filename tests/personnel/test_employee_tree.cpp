// The department tree and employee grid shared by the personnel dialogs.
#include "data/U_data.h"
#include "employees.h"
#include "personnel/employee_tree.h"
#include "platform/ui/controls.h"
#include <QTreeWidget>

using personnel::EmployeeTreeList;

namespace {

class EmployeeTreeTest : public hrtest::HrTest {
protected:
    void SetUp() override
    {
        HrTest::SetUp();
        hrtest::seedCompany(*db);
    }

    static QStringList tree(const QTreeWidget* t)
    {
        QStringList l;
        for (int i = 0; i < t->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* root = t->topLevelItem(i);
            l << root->text(0);
            for (int j = 0; j < root->childCount(); ++j) l << "  " + root->child(j)->text(0);
        }
        return l;
    }
    static QStringList column(db::Query& q, const char* field)
    {
        QStringList l;
        for (q.first(); !q.eof(); q.next()) l << q.fieldText(field);
        return l;
    }
    static void click(EmployeeTreeList& t, const QString& text)
    {
        const auto items = t.TreeView1->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(items.size(), 1) << text.toStdString();
        t.TreeView1->setCurrentItem(items[0]);
        t.TreeView1Click();
    }

    QWidget owner;
};

}

TEST_F(EmployeeTreeTest, EveryEmployeeByDepartment)
{
    EmployeeTreeList::Setup s;
    s.list = &Data1->ADOQuery1;
    s.showSql = "select * from 人事表";
    s.rootSql = "select * from 人事表 ";
    s.deptSql = "select * from 人事表 where ssbm = :a";
    EmployeeTreeList t(&owner, s);
    t.openPopulation();
    t.buildTree();
    t.expand();
    EXPECT_EQ(tree(t.TreeView1), (QStringList{"澄岚公司", "  研发部", "  财务部", "   后勤部 "}));
    EXPECT_TRUE(t.TreeView1->topLevelItem(0)->isExpanded());
    EXPECT_EQ(t.DBGrid1->model()->columnCount(), 32);
    EXPECT_EQ(t.DBGrid1->model()->headerData(0, Qt::Horizontal).toString(), "bh");

    db::Query& q = Data1->ADOQuery1;
    // No node selected: nothing changes.
    t.TreeView1Click();
    EXPECT_EQ(q.recordCount(), 5);
    click(t, "研发部");
    EXPECT_EQ(column(q, "xm"), (QStringList{"张三", "李四二", "王五"}));
    click(t, " 后勤部 ");   // blanks kept: only the rows with the same blanks
    EXPECT_EQ(column(q, "xm"), QStringList{"赵六"});
    click(t, "澄岚公司");
    EXPECT_EQ(q.recordCount(), 5);

    // The company name is read at each click: renamed, the old root is just a name.
    db->exec("update 单位信息表 set 单位名称='研发部'");
    click(t, "澄岚公司");
    EXPECT_EQ(q.recordCount(), 0);
    click(t, "研发部");   // a department named like the company lists everyone
    EXPECT_EQ(q.recordCount(), 5);
    EXPECT_TRUE(modal->messages.isEmpty());

    // No company, no departments: a root with the empty text, which lists everyone.
    db->exec("delete from 单位信息表; delete from 部门表");
    t.buildTree(true);
    EXPECT_EQ(tree(t.TreeView1), QStringList{""});
    click(t, "");
    EXPECT_EQ(q.recordCount(), 5);
}

TEST_F(EmployeeTreeTest, PopulationInServiceWithInputs)
{
    ui::Edit bh, xm;
    ui::ComboBox ssbm, departments;
    EmployeeTreeList::Setup s;
    s.list = &Data1->ADOpublic;
    s.sflz = "否";
    s.showSql = "select * from 人事表 where sflz=:a";
    s.allSql = "select * from 人事表 where sflz= :a";
    s.rootSql = "select * from 人事表 where sflz=:b ";
    s.deptSql = "select * from 人事表 where ssbm = :a and sflz=:b ";
    s.inputs = {{"bh", &bh}, {"xm", &xm}, {"ssbm", &ssbm}};
    EmployeeTreeList t(&owner, s);
    t.buildTree(true, &departments);
    EXPECT_EQ(departments.items(), (QStringList{"研发部", "财务部", " 后勤部 "}));
    t.buildTree(true);   // rebuilt, not doubled
    EXPECT_EQ(tree(t.TreeView1).size(), 4);
    t.openPopulation();
    t.copyFirstRow();
    EXPECT_EQ(bh.text() + xm.text() + ssbm.text(), "mr001张三研发部");

    db::Query& q = Data1->ADOpublic;
    click(t, "研发部");   // the resigned 王五 is not of this population
    EXPECT_EQ(column(q, "xm"), (QStringList{"张三", "李四二"}));
    t.DBGrid1->clickRow(1);
    t.copyRowIfAny();
    EXPECT_EQ(xm.text(), "李四二");
    click(t, "澄岚公司");
    EXPECT_EQ(q.recordCount(), 4);

    // An empty list: copyFirstRow empties the inputs, copyRowIfAny keeps them.
    db->exec("update 人事表 set sflz='是'");
    t.showAll();
    EXPECT_EQ(q.recordCount(), 0);
    EXPECT_FALSE(t.hasCurrentRow());
    t.copyRowIfAny();
    EXPECT_EQ(xm.text(), "李四二");
    t.copyFirstRow();
    EXPECT_EQ(bh.text() + xm.text() + ssbm.text(), "");
}
