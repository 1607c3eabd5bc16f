#include "personnel/U_ygxxll.h"
#include "data/U_data.h"
#include "data/session.h"
#include "personnel/U_xygdj.h"
#include "personnel/employee_tree.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include "platform/ui/modal.h"
#include "platform/ui/rowbind.h"
#include "platform/text/text.h"
#include <QHBoxLayout>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

Tfrm_ygxill* frm_ygxill = nullptr;

namespace {

// The query conditions and the only column codes ever put into a statement.
const std::pair<const char*, const char*> kConditions[] = {
    {"编号", "bh"}, {"姓名", "xm"}, {"性别", "xb"}, {"民族", "mz"}, {"籍贯", "jg"}, {"文化程度", "whcd"},
};

}

Tfrm_ygxill::Tfrm_ygxill(QWidget* owner) : ui::Form(owner)
{
    setObjectName(QStringLiteral("frm_ygxill"));
    setWindowTitle(QStringLiteral("员工信息浏览"));

    ComboBox1 = new ui::ComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    for (const auto& c : kConditions) ComboBox1->addItem(QString::fromUtf8(c.first));
    ComboBox1->setText(QString());
    Edit1 = new ui::Edit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    auto button = [this](const char* name, const char* caption) {
        auto* b = new ui::Button(QString::fromUtf8(caption), this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    BitBtn1 = button("BitBtn1", "查询");
    BitBtn2 = button("BitBtn2", "模糊查询");
    BitBtn5 = button("BitBtn5", "修改");
    BitBtn6 = button("BitBtn6", "删除");
    BitBtn4 = button("BitBtn4", "打印工作证");
    BitBtn3 = button("BitBtn3", "退出");

    personnel::EmployeeTreeList::Setup s;
    s.list = &Data1->ADOQuery1;
    s.showSql = QStringLiteral("select * from 人事表");
    s.rootSql = QStringLiteral("select * from 人事表 ");
    s.deptSql = QStringLiteral("select * from 人事表 where ssbm = :a");
    tree_ = new personnel::EmployeeTreeList(this, s);
    TreeView1 = tree_->TreeView1;
    DBGrid1 = tree_->DBGrid1;

    // The query controls and buttons above, the tree on the left, the grid in the rest.
    auto* queryRow = new QHBoxLayout;
    auto* l1 = new QLabel(QStringLiteral("查询条件："), this);
    l1->setBuddy(ComboBox1);
    auto* l2 = new QLabel(QStringLiteral("查询内容："), this);
    l2->setBuddy(Edit1);
    queryRow->addWidget(l1);
    queryRow->addWidget(ComboBox1, 1);
    queryRow->addSpacing(8);
    queryRow->addWidget(l2);
    queryRow->addWidget(Edit1, 1);
    queryRow->addSpacing(8);
    queryRow->addWidget(BitBtn1);
    queryRow->addWidget(BitBtn2);
    auto* actionRow = new QHBoxLayout;
    actionRow->addStretch(1);
    for (ui::Button* b : {BitBtn5, BitBtn6, BitBtn4, BitBtn3}) actionRow->addWidget(b);
    for (ui::Button* b : {BitBtn1, BitBtn2, BitBtn5, BitBtn6, BitBtn4, BitBtn3}) b->setMinimumWidth(80);

    auto* panel = new QVBoxLayout;
    panel->setContentsMargins(8, 8, 8, 8);
    panel->setSpacing(6);
    panel->addLayout(queryRow);
    panel->addLayout(actionRow);
    auto* body = new QHBoxLayout;
    body->setSpacing(2);
    body->addWidget(TreeView1);
    body->addWidget(DBGrid1, 1);
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    top->addLayout(panel);
    top->addLayout(body, 1);

    const QList<QWidget*> tabs = {ComboBox1, Edit1, BitBtn1, BitBtn2, BitBtn5, BitBtn6, BitBtn4, BitBtn3, TreeView1, DBGrid1};
    for (int i = 1; i < tabs.size(); ++i) setTabOrder(tabs[i - 1], tabs[i]);

    BitBtn1->onClick = [this] { BitBtn1Click(); };
    BitBtn2->onClick = [this] { BitBtn2Click(); };
    BitBtn5->onClick = [this] { BitBtn5Click(); };
    BitBtn6->onClick = [this] { BitBtn6Click(); };
    BitBtn4->onClick = [this] { BitBtn4Click(); };
    BitBtn3->onClick = [this] { BitBtn3Click(); };

    resize(699, 546);
    ui::centerOnScreen(this);
}

void Tfrm_ygxill::FormShow()
{
    tree_->openPopulation();
    tree_->buildTree();
    tree_->expand();
}

void Tfrm_ygxill::FormClose() { session().OpenMode = 0; }

void Tfrm_ygxill::TreeView1Click() { tree_->TreeView1Click(); }

QString Tfrm_ygxill::pdtj() const
{
    const QString condition = ComboBox1->text();
    for (const auto& c : kConditions)
        if (condition == QString::fromUtf8(c.first)) return QString::fromLatin1(c.second);
    return QString();
}

QString Tfrm_ygxill::queryColumn()
{
    // Texts as typed: blanks pass the emptiness tests, but not the condition's.
    if (ComboBox1->text().isEmpty()) {
        ui::info(QStringLiteral("请设置查询条件"), this);
        return QString();
    }
    if (Edit1->text().isEmpty()) {
        ui::info(QStringLiteral("请输入要查询的内容"), this);
        return QString();
    }
    const QString column = pdtj();
    if (column.isEmpty()) ui::info(QStringLiteral("请设置查询条件"), this);
    return column;
}

void Tfrm_ygxill::BitBtn1Click()
{
    const QString column = queryColumn();
    if (column.isEmpty()) return;
    db::Query& q = Data1->ADOQuery1;
    q.close();
    q.clearSql();
    q.addSql(QStringLiteral("select * from 人事表 where "));
    q.addSql(column);
    q.addSql(QStringLiteral("=:a"));
    q.setParam(QStringLiteral("a"), db::Value::text(text::trim(Edit1->text())));
    q.open();
}

void Tfrm_ygxill::BitBtn2Click()
{
    const QString column = queryColumn();
    if (column.isEmpty()) return;
    db::Query& q = Data1->ADOQuery1;
    q.close();
    q.clearSql();
    q.addSql(QStringLiteral("select * from 人事表 where"));
    q.addSql(column);
    q.addSql(QStringLiteral("like "));
    q.addSql(QStringLiteral(":b"));
    q.setParam(QStringLiteral("b"), db::Value::text(text::trim(Edit1->text()) + QLatin1Char('%')));
    q.open();
}

void Tfrm_ygxill::BitBtn6Click()
{
    // No row, nothing to ask about.
    if (!tree_->hasCurrentRow()) return;
    ui::askDeleteCurrentRow(Data1->ADOQuery1, this);
}

void Tfrm_ygxill::BitBtn5Click()
{
    // Without a row the employee dialog would have nothing to show and nothing to change.
    if (!tree_->hasCurrentRow()) return;
    session().OpenMode = 1;
    // The employee dialog shows the list's current row and changes it.
    ui::openDialog(frm_xygdj, this, Data1->ADOQuery1);
}

void Tfrm_ygxill::BitBtn4Click()
{
    RvProject1.ProjectFile = report::programFolder() + QStringLiteral("gzz");
    RvProject1.setDataSet(&Data1->ADOQuery1);
    RvProject1.setParam(QStringLiteral("单位名称"), personnel::EmployeeTreeList::companyName(Data1->ADOQYdwxx));
    RvProject1.Execute(this);
}

void Tfrm_ygxill::BitBtn3Click() { close(); }
