#include "personnel/U_ygdd.h"
#include "data/U_data.h"
#include "platform/diag/log.h"
#include "platform/ui/controls.h"
#include "platform/ui/modal.h"
#include "platform/ui/text.h"
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QTreeWidget>

Tfrm_ygdd* frm_ygdd = nullptr;

Tfrm_ygdd::Tfrm_ygdd(QWidget* owner) : EmployeeMoveForm(owner)
{
    setObjectName(QStringLiteral("frm_ygdd"));
    setWindowTitle(QStringLiteral("员工调动"));

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    auto* g = new QGridLayout(panel);
    auto edit = [panel](const char* name) {
        auto* e = new ui::Edit(panel);
        e->setObjectName(QLatin1String(name));
        e->setReadOnly(true);
        return e;
    };
    auto combo = [panel](const char* name) {
        auto* c = new ui::ComboBox(panel);
        c->setObjectName(QLatin1String(name));
        c->setEnabled(false);
        return c;
    };
    Edit1 = edit("Edit1");
    Edit2 = edit("Edit2");
    ComboBox1 = combo("ComboBox1");
    ComboBox2 = combo("ComboBox2");
    ComboBox3 = combo("ComboBox3");
    auto label = [panel](const QString& t) { return new QLabel(t, panel); };
    g->addWidget(label(QStringLiteral("员工编号：")), 0, 0, Qt::AlignRight);
    g->addWidget(Edit1, 0, 1);
    g->addWidget(label(QStringLiteral("员工姓名：")), 0, 2, Qt::AlignRight);
    g->addWidget(Edit2, 0, 3);
    g->addWidget(label(QStringLiteral("部    门：")), 1, 0, Qt::AlignRight);
    g->addWidget(ComboBox1, 1, 1);
    g->addWidget(label(QStringLiteral("职    务：")), 1, 2, Qt::AlignRight);
    g->addWidget(ComboBox2, 1, 3);
    g->addWidget(label(QStringLiteral("职    称：")), 2, 0, Qt::AlignRight);
    g->addWidget(ComboBox3, 2, 1);
    g->setColumnStretch(1, 1);
    g->setColumnStretch(3, 1);

    BitBtn3 = new ui::Button(QStringLiteral("调动"), panel);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn2 = new ui::Button(QStringLiteral("确认"), panel);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn3);
    buttons->addWidget(BitBtn2);
    g->addLayout(buttons, 2, 2, 1, 2);
    setDefaultButton(BitBtn2);
    BitBtn3->onClick = [this] { BitBtn3Click(); };
    BitBtn2->onClick = [this] { BitBtn2Click(); };

    personnel::EmployeeTreeList::Setup s;
    s.list = &Data1->ADOpublic;
    s.sflz = QStringLiteral("否");
    s.showSql = QStringLiteral("select * from 人事表 where sflz= :b");
    s.allSql = QStringLiteral("select * from 人事表 where sflz=:b ");
    s.rootSql = QStringLiteral("select * from 人事表 where sflz=:b ");
    s.deptSql = QStringLiteral("select * from 人事表 where ssbm= :a and sflz=:b ");
    s.inputs = {{QStringLiteral("bh"), Edit1},
                {QStringLiteral("xm"), Edit2},
                {QStringLiteral("ssbm"), ComboBox1},
                {QStringLiteral("zw"), ComboBox2},
                {QStringLiteral("zc"), ComboBox3}};
    finishFrame(panel, std::move(s));

    QWidget* order[] = {Edit1, Edit2, ComboBox1, ComboBox2, ComboBox3, BitBtn3, BitBtn2, TreeView1, DBGrid1};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    // Outer size 815 x 552 with a sizeable frame: client area 807 x 525.
    resize(807, 525);
    ui::centerOnScreen(this);
}

void Tfrm_ygdd::FormShow()
{
    fillPostLists(ComboBox1, ComboBox2, ComboBox3);
    tree_->openPopulation();
    tree_->expand();
}

void Tfrm_ygdd::BitBtn3Click()
{
    ComboBox1->setEnabled(true);
    ComboBox2->setEnabled(true);
    ComboBox3->setEnabled(true);
}

void Tfrm_ygdd::BitBtn2Click()
{
    if (!hasEmployee()) return;
    try {
        writeCurrentRow({{QStringLiteral("ssbm"), db::Value::text(ui::trim(ComboBox1->text()))},
                         {QStringLiteral("zw"), db::Value::text(ui::trim(ComboBox2->text()))},
                         {QStringLiteral("zc"), db::Value::text(ui::trim(ComboBox3->text()))}});
    } catch (...) {
        diag::logCause(QStringLiteral("员工调动"));
        ui::info(QStringLiteral("修改失败"), this);
        close();
        return;
    }
    BitBtn3Click();
    ui::info(QStringLiteral("修改成功"), this);
}
