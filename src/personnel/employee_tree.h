#pragma once
#include "platform/ui/dbgrid.h"
#include "platform/ui/rowbind.h"
#include <QObject>
#include <QString>

class QTreeWidget;
class QWidget;
namespace db { class Query; }
namespace ui { class ComboBox; }

namespace personnel {

// The department tree and employee grid shared by the employee browse and the
// transfer, resignation and reinstatement dialogs.
//
// The tree (TreeView1) has the company name (单位名称 of 单位信息表) as its root
// and one child per distinct 部门名称 of 部门表, in the order the database
// returns them. Clicking the root lists the dialog's whole population; clicking
// a department lists the population's rows whose ssbm is that name. The grid
// (DBGrid1) shows the dialog's list query.
//
// A dialog describes its population with the statements it runs, quoted as it
// runs them. Parameters are set as texts: in the department statement ":a" is
// the node's text and ":b" (if present) the sflz value; in every other
// statement each parameter is the sflz value.
//
//   EmployeeTreeList::Setup s;
//   s.list = &Data1->ADOpublic;
//   s.sflz = QStringLiteral("否");
//   s.showSql = QStringLiteral("select * from 人事表 where sflz= :b");
//   s.allSql  = QStringLiteral("select * from 人事表 where sflz=:b ");
//   s.rootSql = QStringLiteral("select * from 人事表 where sflz=:b ");
//   s.deptSql = QStringLiteral("select * from 人事表 where ssbm= :a and sflz=:b ");
//   s.inputs  = {{"bh", Edit1}, {"xm", Edit2}, {"ssbm", ComboBox1}, {"zw", ComboBox2}, {"zc", ComboBox3}};
//   tree_ = new EmployeeTreeList(this, s);
//   TreeView1 = tree_->TreeView1;  DBGrid1 = tree_->DBGrid1;   // the dialog lays them out
//
//   FormShow:          tree_->buildTree(true, ComboBox1);   // clear first; departments also into ComboBox1
//                      tree_->openPopulation();
//                      tree_->expand();
//   显示全部:          tree_->showAll();
//
// A left click anywhere on the tree, its empty area included, runs
// TreeView1Click by itself (under the default error handler).
class EmployeeTreeList : public QObject {
    Q_OBJECT
public:
    struct Setup {
        db::Query* list = nullptr;     // the grid's query
        QString sflz;                  // the population's state; empty: every employee
        QString showSql;               // FormShow
        QString allSql;                // 显示全部 (empty if the dialog has no such button)
        QString rootSql;               // the company node
        QString deptSql;               // a department node
        ui::FieldControls inputs;      // where the current employee is shown; may be empty
    };

    EmployeeTreeList(QWidget* owner, Setup setup);

    QTreeWidget* TreeView1;            // 209 wide, indent 19
    ui::DBGrid* DBGrid1;               // read-only, on setup.list

    // The root and the departments; clearFirst removes the old nodes, and each
    // department name is also added to the items of departments when given.
    void buildTree(bool clearFirst = false, ui::ComboBox* departments = nullptr);
    void expand();

    void openPopulation();             // the FormShow statement
    void showAll();                    // the 显示全部 statement
    void TreeView1Click();             // lists the selected node's rows

    // The list is open and holds a current row (what 修改, 删除 and the state
    // changes act on).
    bool hasCurrentRow() const;
    db::Query& list() const { return *setup_.list; }

    // 单位名称 of the first row of "select distinct 单位名称 from 单位信息表" on q.
    static QString companyName(db::Query& q);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void run(const QString& sql, const QString* node);
    bool pressed_ = false;

    Setup setup_;
};

}
