#include "personnel/U_ygdd.h"
#include "data/U_data.h"
#include "platform/ui/controls.h"
#include "platform/ui/gridform.h"
#include "platform/ui/modal.h"
#include "platform/text/text.h"
#include <QHBoxLayout>
#include <QTreeWidget>

Tfrm_ygdd* frm_ygdd = nullptr;

Tfrm_ygdd::Tfrm_ygdd(QWidget* owner) : EmployeeMoveForm(owner)
{
    setObjectName(QStringLiteral("frm_ygdd"));
    setWindowTitle(QStringLiteral("员工调动"));

    ui::InputPanel* p = inputsPanel();
    p->line({{Edit1, "Edit1", "员工编号："}, {Edit2, "Edit2", "员工姓名："}});
    p->line({{ComboBox1, "ComboBox1", "部    门："}, {ComboBox2, "ComboBox2", "职    务："}});
    p->line({{ComboBox3, "ComboBox3", "职    称："}});
    for (auto* e : {Edit1, Edit2}) e->setReadOnly(true);
    for (auto* c : {ComboBox1, ComboBox2, ComboBox3}) c->setEnabled(false);

    BitBtn3 = new ui::Button(QStringLiteral("调动"), inputsFrame_);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn2 = new ui::Button(QStringLiteral("确认"), inputsFrame_);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(8, 0, 8, 0);
    buttons->addStretch(1);
    buttons->addWidget(BitBtn3);
    buttons->addWidget(BitBtn2);
    inputsBox_->addLayout(buttons);
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
    finishFrame(std::move(s), Edit1, Edit2, ComboBox1, ComboBox2, ComboBox3);

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
        writeCurrentRow({{QStringLiteral("ssbm"), db::Value::text(text::trim(ComboBox1->text()))},
                         {QStringLiteral("zw"), db::Value::text(text::trim(ComboBox2->text()))},
                         {QStringLiteral("zc"), db::Value::text(text::trim(ComboBox3->text()))}});
    } catch (...) {
        ui::failed(QStringLiteral("员工调动"), QStringLiteral("修改失败"), this);
        close();
        return;
    }
    BitBtn3Click();
    ui::info(QStringLiteral("修改成功"), this);
}
