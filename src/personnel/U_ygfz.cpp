#include "personnel/U_ygfz.h"
#include "data/U_data.h"
#include "platform/ui/controls.h"
#include "platform/ui/gridform.h"
#include "platform/ui/modal.h"
#include "platform/ui/speedbar.h"
#include "platform/text/text.h"
#include <QDate>

Tfrm_ygfz* frm_ygfz = nullptr;

Tfrm_ygfz::Tfrm_ygfz(QWidget* owner) : EmployeeMoveForm(owner)
{
    setObjectName(QStringLiteral("frm_ygfz"));
    setWindowTitle(QStringLiteral("员工复职"));
    SpeedButton4 = bar_->addButton(QStringLiteral("复职"));
    SpeedButton4->setObjectName(QStringLiteral("SpeedButton4"));
    SpeedButton4->onClick = [this] { SpeedButton4Click(); };

    ui::InputPanel* p = inputsPanel();
    p->line({{Edit1, "Edit1", "编    号："}, {Edit2, "Edit2", "姓    名："}});
    p->line({{ComboBox1, "ComboBox1", "所属部门："}, {ComboBox2, "ComboBox2", "职    务："}});
    p->line({{ComboBox3, "ComboBox3", "职    称："}, {Edit3, "Edit3", "离职复员登记人："}});
    for (auto* e : {Edit1, Edit2}) e->setReadOnly(true);

    personnel::EmployeeTreeList::Setup s;
    s.list = &Data1->ADOpublic;
    s.sflz = QStringLiteral("是");
    s.showSql = QStringLiteral("select * from 人事表 where sflz=:a");
    s.allSql = QStringLiteral("select * from 人事表 where sflz=:a");
    s.rootSql = QStringLiteral("select * from 人事表 where sflz=:b ");
    s.deptSql = QStringLiteral("select * from 人事表 where ssbm = :a and sflz=:b ");
    finishFrame(std::move(s), Edit1, Edit2, ComboBox1, ComboBox2, ComboBox3);

    // Outer size 709 x 505 with a sizeable frame: client area 701 x 478,
    // placed where it was designed rather than centred.
    resize(701, 478);
    move(144, 124);
}

void Tfrm_ygfz::FormShow()
{
    fillPostLists(ComboBox1, ComboBox2, ComboBox3);
    tree_->openPopulation();
    tree_->expand();
}

void Tfrm_ygfz::SpeedButton4Click()
{
    if (!hasEmployee()) return;
    if (!ui::ask(QStringLiteral("确定要复职吗？"), this)) return;
    const QString registrar = text::trim(Edit3->text());
    if (registrar.isEmpty()) {
        ui::info(QStringLiteral("请输入登记人姓名！"), this);
        return;
    }
    // Department, position and title are stored as typed.
    writeCurrentRow({{QStringLiteral("sflz"), db::Value::text(QStringLiteral("否"))},
                     {QStringLiteral("fzrq"), db::Value::date(QDate::currentDate())},
                     {QStringLiteral("ssbm"), db::Value::text(ComboBox1->text())},
                     {QStringLiteral("zw"), db::Value::text(ComboBox2->text())},
                     {QStringLiteral("zc"), db::Value::text(ComboBox3->text())},
                     {QStringLiteral("lzfydjr"), db::Value::text(registrar)}});
    ui::info(QStringLiteral("修改成功"), this);
    FormShow();
}
