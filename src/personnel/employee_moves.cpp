#include "personnel/employee_moves.h"
#include "data/U_data.h"
#include "personnel/U_tj.h"
#include "platform/db/query.h"
#include "platform/ui/controls.h"
#include "platform/ui/gridform.h"
#include "platform/ui/speedbar.h"
#include <QFrame>
#include <QHBoxLayout>
#include <QTreeWidget>
#include <QVBoxLayout>

EmployeeMoveForm::EmployeeMoveForm(QWidget* owner) : ui::Form(owner)
{
    bar_ = new ui::SpeedBar(this, QSize(64, 30));
    SpeedButton1 = bar_->addButton(QStringLiteral("查找"));
    SpeedButton2 = bar_->addButton(QStringLiteral("显示全部"));
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton1->onClick = [this] { SpeedButton1Click(); };
    SpeedButton2->onClick = [this] { SpeedButton2Click(); };
}

ui::InputPanel* EmployeeMoveForm::inputsPanel()
{
    inputsFrame_ = new QFrame(this);
    inputsFrame_->setFrameShape(QFrame::StyledPanel);
    inputsBox_ = new QVBoxLayout(inputsFrame_);
    inputsBox_->setContentsMargins(0, 0, 0, 4);
    auto* p = new ui::InputPanel(inputsFrame_, ui::InputPanel::Align::Columns);
    inputsBox_->addWidget(p);
    return p;
}

void EmployeeMoveForm::finishFrame(personnel::EmployeeTreeList::Setup setup, QWidget* bh, QWidget* xm, QWidget* ssbm,
                                   QWidget* zw, QWidget* zc)
{
    setup.inputs = {{QStringLiteral("bh"), bh}, {QStringLiteral("xm"), xm}, {QStringLiteral("ssbm"), ssbm},
                    {QStringLiteral("zw"), zw}, {QStringLiteral("zc"), zc}};
    bar_->addDivider();
    SpeedButton3 = bar_->addButton(QStringLiteral("退出"));
    SpeedButton3->setObjectName(QStringLiteral("SpeedButton3"));
    SpeedButton3->onClick = [this] { SpeedButton3Click(); };

    inputs_ = setup.inputs;
    tree_ = new personnel::EmployeeTreeList(this, std::move(setup));
    TreeView1 = tree_->TreeView1;
    DBGrid1 = tree_->DBGrid1;
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui::fitColumns(DBGrid1);
    DBGrid1->onCellClick = [this] { DBGrid1CellClick(); };

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(2, 2, 2, 2);
    outer->addWidget(TreeView1);
    auto* right = new QVBoxLayout;
    right->addWidget(bar_);
    right->addWidget(inputsFrame_);
    right->addWidget(DBGrid1, 1);
    outer->addLayout(right, 1);

    // Every open, close and move of the list reaches the inputs.
    db::Query& q = tree_->list();
    connect(&q, &db::Query::reset, this, [this] { followList(); });
    connect(&q, &db::Query::currentChanged, this, [this] { followList(); });
}

bool EmployeeMoveForm::hasEmployee() const { return tree_ && tree_->hasCurrentRow(); }

void EmployeeMoveForm::followList()
{
    if (hasEmployee()) ui::showCurrentRow(tree_->list(), inputs_);
    else ui::clearControls(inputs_);
}

void EmployeeMoveForm::fillPostLists(ui::ComboBox* departments, ui::ComboBox* positions, ui::ComboBox* titles)
{
    for (ui::ComboBox* c : {departments, positions, titles}) {
        c->clearItems();
        c->setText(QString());
    }
    tree_->buildTree(true, departments);
    auto fill = [](ui::ComboBox* box, const QString& sql) {
        const db::Rows rows = db::select(Data1->ADOConnection2, sql);
        for (int r = 0; r < rows.count(); ++r) box->addItem(rows.value(r, 0).toText());
    };
    fill(positions, QStringLiteral("select distinct 职务名称 from 职务表"));
    fill(titles, QStringLiteral("select distinct 职称名称 from 职称表"));
}

void EmployeeMoveForm::writeCurrentRow(const QList<std::pair<QString, db::Value>>& values)
{
    ui::writeRow(tree_->list(), values);
}

void EmployeeMoveForm::SpeedButton1Click() { ui::openDialog(frm_cxtj, this); }

void EmployeeMoveForm::SpeedButton2Click() { tree_->showAll(); }

void EmployeeMoveForm::SpeedButton3Click() { close(); }

void EmployeeMoveForm::DBGrid1CellClick() { followList(); }

void EmployeeMoveForm::TreeView1Click() { tree_->TreeView1Click(); }
