#include "personnel/U_yglz.h"
#include "data/U_data.h"
#include "platform/ui/controls.h"
#include "platform/ui/gridform.h"
#include "platform/ui/modal.h"
#include "platform/ui/speedbar.h"
#include <QDate>

Tfrm_yglz* frm_yglz = nullptr;

Tfrm_yglz::Tfrm_yglz(QWidget* owner) : EmployeeMoveForm(owner)
{
    setObjectName(QStringLiteral("frm_yglz"));
    setWindowTitle(QStringLiteral("员工离职"));
    SpeedButton4 = bar_->addButton(QStringLiteral("离职"));
    SpeedButton4->setObjectName(QStringLiteral("SpeedButton4"));
    SpeedButton4->onClick = [this] { SpeedButton4Click(); };

    ui::InputPanel* p = inputsPanel();
    p->line({{Edit1, "Edit1", "编    号："}, {Edit2, "Edit2", "姓    名："}});
    p->line({{Edit3, "Edit3", "所属部门："}, {Edit4, "Edit4", "职    务："}});
    p->line({{Edit5, "Edit5", "职    称："}});
    for (auto* e : {Edit1, Edit2, Edit3, Edit4, Edit5}) e->setReadOnly(true);

    personnel::EmployeeTreeList::Setup s;
    s.list = &Data1->ADOpublic;
    s.sflz = QStringLiteral("否");
    s.showSql = QStringLiteral("select * from 人事表 where sflz=:a");
    s.allSql = QStringLiteral("select * from 人事表 where sflz= :a");
    s.rootSql = QStringLiteral("select * from 人事表 where sflz=:b ");
    s.deptSql = QStringLiteral("select * from 人事表 where ssbm = :a and sflz=:b ");
    finishFrame(std::move(s), Edit1, Edit2, Edit3, Edit4, Edit5);

    // Outer size 709 x 505 with a sizeable frame: client area 701 x 478.
    resize(701, 478);
    ui::centerOnScreen(this);
}

void Tfrm_yglz::FormShow()
{
    tree_->buildTree(true);
    tree_->openPopulation();
    tree_->expand();
}

void Tfrm_yglz::SpeedButton4Click()
{
    if (!hasEmployee()) return;
    if (!ui::ask(QStringLiteral("确定要离职吗？"), this)) return;
    try {
        writeCurrentRow({{QStringLiteral("sflz"), db::Value::text(QStringLiteral("是"))},
                         {QStringLiteral("lzrq"), db::Value::date(QDate::currentDate())}});
    } catch (...) {
        ui::failed(QStringLiteral("员工离职"), QStringLiteral("修改失败"), this);
        close();
        return;
    }
    ui::info(QStringLiteral("修改成功"), this);
    // Stored: a failing reload is shown as the database's own error.
    FormShow();
}
