// The department tree and list on one population; the browse's tree of every
// employee is in test_ygxxll, the inputs that follow the list in test_moves.
#include "employees.h"
#include "personnel/employee_tree.h"
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>

namespace {

class EmployeeTreeTest : public hrtest::HrTest {
protected:
    void SetUp() override
    {
        HrTest::SetUp();
        hrtest::seedCompany(*db);
    }
    // The population in service, as the move dialogs set it up.
    static personnel::EmployeeTreeList::Setup inService()
    {
        personnel::EmployeeTreeList::Setup s;
        s.list = &Data1->ADOpublic;
        s.sflz = "否";
        s.showSql = "select * from 人事表 where sflz=:a";
        s.allSql = "select * from 人事表 where sflz= :a";
        s.rootSql = "select * from 人事表 where sflz=:b ";
        s.deptSql = "select * from 人事表 where ssbm = :a and sflz=:b ";
        return s;
    }
    // The tree 209 px wide, as the dialogs place it, built, expanded and on screen.
    static void show(QWidget& owner, personnel::EmployeeTreeList& t)
    {
        t.TreeView1->setGeometry(0, 0, 209, 400);
        t.buildTree(true);
        t.expand();
        owner.show();
        QApplication::processEvents();
    }
};

}

TEST_F(EmployeeTreeTest, PopulationInService)
{
    QWidget owner;
    ui::ComboBox departments;
    personnel::EmployeeTreeList t(&owner, inService());
    t.buildTree(true, &departments);
    EXPECT_EQ(departments.items(), (QStringList{"研发部", "财务部", " 后勤部 "}));
    t.buildTree(true);   // rebuilt, not doubled
    EXPECT_EQ(t.TreeView1->topLevelItemCount(), 1);
    t.openPopulation();

    db::Query& q = Data1->ADOpublic;
    hrtest::clickNode(t.TreeView1, "研发部");   // the resigned 王五 is not of this population
    EXPECT_EQ(hrtest::fieldTexts(q, "xm"), (QStringList{"张三", "李四二"}));
    hrtest::clickNode(t.TreeView1, "澄岚公司");
    EXPECT_EQ(q.recordCount(), 4);

    db->exec("update 人事表 set sflz='是'");
    t.showAll();
    EXPECT_EQ(q.recordCount(), 0);
    EXPECT_FALSE(t.hasCurrentRow());
}

// A click beside the nodes lists the selected node again, as a click on it
// does: after a search the list is the node's once more.
TEST_F(EmployeeTreeTest, ClickOnTheEmptyAreaListsTheSelectedNode)
{
    QWidget owner;
    owner.resize(400, 400);
    personnel::EmployeeTreeList t(&owner, inService());
    show(owner, t);
    t.openPopulation();

    db::Query& q = Data1->ADOpublic;
    hrtest::clickNode(t.TreeView1, "研发部");
    ASSERT_EQ(q.recordCount(), 2);
    // Something else fills the list (a search, 显示全部) ...
    ui::runSelect(q, "select * from 人事表");
    ASSERT_GT(q.recordCount(), 2);
    // ... and a click below the last node brings back the selected node's rows.
    QWidget* vp = t.TreeView1->viewport();
    const QPoint below(100, vp->height() - 5);
    ASSERT_EQ(t.TreeView1->itemAt(below), nullptr);
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, below);
    EXPECT_EQ(hrtest::fieldTexts(q, "xm"), (QStringList{"张三", "李四二"}));
    EXPECT_EQ(t.TreeView1->currentItem()->text(0), "研发部");

    // A right click there does nothing.
    ui::runSelect(q, "select * from 人事表");
    const int all = q.recordCount();
    QTest::mouseClick(vp, Qt::RightButton, Qt::NoModifier, below);
    EXPECT_EQ(q.recordCount(), all);
}

// A department name longer than the tree is wide is shown whole (the tree
// scrolls sideways) instead of ending in "…"; short names still fill the
// row, so a click right of them picks their node.
TEST_F(EmployeeTreeTest, LongDepartmentNamesAreShownWhole)
{
    const QString longName = QStringLiteral("研究与开发中心（软件与系统集成事业部）第二项目组");
    db->exec(QStringLiteral("insert into 部门表 values ('009', '%1')").arg(longName));
    QWidget owner;
    owner.resize(600, 400);
    personnel::EmployeeTreeList t(&owner, inService());
    show(owner, t);

    QTreeWidgetItem* item = t.TreeView1->findItems(longName, Qt::MatchExactly | Qt::MatchRecursive).value(0);
    ASSERT_TRUE(item);
    EXPECT_GE(t.TreeView1->columnWidth(0),
              t.TreeView1->indentation() + t.TreeView1->fontMetrics().horizontalAdvance(longName));
    EXPECT_GT(t.TreeView1->horizontalScrollBar()->maximum(), 0);

    QTreeWidgetItem* shortOne = t.TreeView1->findItems(QStringLiteral("研发部"), Qt::MatchExactly | Qt::MatchRecursive).value(0);
    ASSERT_TRUE(shortOne);
    const QRect r = t.TreeView1->visualItemRect(shortOne);
    EXPECT_EQ(t.TreeView1->itemAt(QPoint(t.TreeView1->viewport()->width() - 5, r.center().y())), shortOne);
}
