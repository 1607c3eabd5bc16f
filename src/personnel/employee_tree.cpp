#include "personnel/employee_tree.h"
#include "data/U_data.h"
#include "data/company.h"
#include "platform/db/query.h"
#include "platform/ui/controls.h"
#include "platform/ui/errors.h"
#include <QHeaderView>
#include <QMouseEvent>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <algorithm>

namespace personnel {

EmployeeTreeList::EmployeeTreeList(QWidget* owner, Setup setup) : QObject(owner), setup_(std::move(setup))
{
    TreeView1 = new QTreeWidget(owner);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setIndentation(19);
    TreeView1->setFixedWidth(209);
    TreeView1->setRootIsDecorated(true);
    connect(TreeView1, &QTreeWidget::itemClicked, this, [this, owner] {
        ui::guarded(owner->window(), [this] { TreeView1Click(); });
    });
    // A click beside the nodes lists the selected node as well.
    TreeView1->viewport()->installEventFilter(this);

    DBGrid1 = new ui::DBGrid(owner);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setQuery(setup_.list);
}

QString EmployeeTreeList::companyName(db::Query& q) { return ::companyName(q); }

bool EmployeeTreeList::eventFilter(QObject* o, QEvent* e)
{
    if (o == TreeView1->viewport()) {
        if (e->type() == QEvent::MouseButtonPress) {
            pressed_ = static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton;
        } else if (e->type() == QEvent::MouseButtonRelease && pressed_) {
            pressed_ = false;
            auto* me = static_cast<QMouseEvent*>(e);
            // A click on a node arrives as itemClicked.
            if (me->button() == Qt::LeftButton && !TreeView1->itemAt(me->position().toPoint()))
                ui::guarded(TreeView1->window(), [this] { TreeView1Click(); });
        }
    }
    return QObject::eventFilter(o, e);
}

void EmployeeTreeList::buildTree(bool clearFirst, ui::ComboBox* departments)
{
    if (clearFirst) TreeView1->clear();
    // Look-ups of their own: the list query of a dialog holds only its population.
    db::Connection& conn = Data1->ADOConnection2;
    const QString company =
        db::select(conn, QStringLiteral("select distinct 单位名称 from 单位信息表")).first(QStringLiteral("单位名称")).toText();
    auto* root = new QTreeWidgetItem(TreeView1, {company});
    const db::Rows rows = db::select(conn, QStringLiteral("select distinct 部门名称 from 部门表"));
    for (int r = 0; r < rows.count(); ++r) {
        const QString name = rows.value(r, 0).toText();
        if (departments) departments->addItem(name);
        new QTreeWidgetItem(root, {name});
    }
}

void EmployeeTreeList::expand()
{
    TreeView1->expandAll();
    // The column fills the tree but never hides a long company or department
    // name behind "…": wider than the tree, it scrolls sideways.
    const QFontMetrics fm = TreeView1->fontMetrics();
    int widest = 0;
    for (QTreeWidgetItemIterator it(TreeView1); *it; ++it) {
        int depth = 1;   // the root is decorated too
        for (QTreeWidgetItem* up = (*it)->parent(); up; up = up->parent()) ++depth;
        widest = std::max(widest, depth * TreeView1->indentation() + fm.horizontalAdvance((*it)->text(0)));
    }
    TreeView1->header()->setMinimumSectionSize(widest + fm.averageCharWidth());
}

void EmployeeTreeList::run(const QString& sql, const QString* node)
{
    db::Query& q = *setup_.list;
    q.close();
    q.setSql(sql);
    for (const QString& p : q.paramNames()) {
        const bool isNode = node && p == QLatin1String("a");
        q.setParam(p, db::Value::text(isNode ? *node : setup_.sflz));
    }
    q.open();
}

void EmployeeTreeList::openPopulation() { run(setup_.showSql, nullptr); }

void EmployeeTreeList::showAll()
{
    if (!setup_.allSql.isEmpty()) run(setup_.allSql, nullptr);
}

void EmployeeTreeList::TreeView1Click()
{
    // Read afresh: the company may have been renamed since the tree was built.
    const QString company = companyName(Data1->ADOQYdwxx);
    QTreeWidgetItem* node = TreeView1->currentItem();
    if (!node) return;
    const QString text = node->text(0);
    if (text == company) run(setup_.rootSql, nullptr);
    else run(setup_.deptSql, &text);
}

bool EmployeeTreeList::hasCurrentRow() const
{
    const db::Query& q = *setup_.list;
    return q.isOpen() && q.recordCount() > 0 && q.recNo() >= 0;
}

}
