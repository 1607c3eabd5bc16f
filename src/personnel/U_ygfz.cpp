#include "personnel/U_ygfz.h"
#include "data/U_data.h"
#include "platform/ui/controls.h"
#include "platform/ui/modal.h"
#include "platform/ui/speedbar.h"
#include "platform/ui/text.h"
#include <QDate>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>

Tfrm_ygfz* frm_ygfz = nullptr;

Tfrm_ygfz::Tfrm_ygfz(QWidget* owner) : EmployeeMoveForm(owner)
{
    setObjectName(QStringLiteral("frm_ygfz"));
    setWindowTitle(QStringLiteral("员工复职"));
    SpeedButton4 = bar_->addButton(QStringLiteral("复职"));
    SpeedButton4->setObjectName(QStringLiteral("SpeedButton4"));
    SpeedButton4->onClick = [this] { SpeedButton4Click(); };

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    auto* g = new QGridLayout(panel);
    auto edit = [panel](const char* name, bool readOnly) {
        auto* e = new ui::Edit(panel);
        e->setObjectName(QLatin1String(name));
        e->setReadOnly(readOnly);
        return e;
    };
    auto combo = [panel](const char* name) {
        auto* c = new ui::ComboBox(panel);
        c->setObjectName(QLatin1String(name));
        return c;
    };
    Edit1 = edit("Edit1", true);
    Edit2 = edit("Edit2", true);
    ComboBox1 = combo("ComboBox1");
    ComboBox2 = combo("ComboBox2");
    ComboBox3 = combo("ComboBox3");
    Edit3 = edit("Edit3", false);
    auto label = [panel](const QString& t) { return new QLabel(t, panel); };
    g->addWidget(label(QStringLiteral("编    号：")), 0, 0, Qt::AlignRight);
    g->addWidget(Edit1, 0, 1);
    g->addWidget(label(QStringLiteral("姓    名：")), 0, 2, Qt::AlignRight);
    g->addWidget(Edit2, 0, 3);
    g->addWidget(label(QStringLiteral("所属部门：")), 1, 0, Qt::AlignRight);
    g->addWidget(ComboBox1, 1, 1);
    g->addWidget(label(QStringLiteral("职    务：")), 1, 2, Qt::AlignRight);
    g->addWidget(ComboBox2, 1, 3);
    g->addWidget(label(QStringLiteral("职    称：")), 2, 0, Qt::AlignRight);
    g->addWidget(ComboBox3, 2, 1);
    g->addWidget(label(QStringLiteral("离职复员登记人：")), 2, 2, Qt::AlignRight);
    g->addWidget(Edit3, 2, 3);
    g->setColumnStretch(1, 1);
    g->setColumnStretch(3, 1);

    personnel::EmployeeTreeList::Setup s;
    s.list = &Data1->ADOpublic;
    s.sflz = QStringLiteral("是");
    s.showSql = QStringLiteral("select * from 人事表 where sflz=:a");
    s.allSql = QStringLiteral("select * from 人事表 where sflz=:a");
    s.rootSql = QStringLiteral("select * from 人事表 where sflz=:b ");
    s.deptSql = QStringLiteral("select * from 人事表 where ssbm = :a and sflz=:b ");
    s.inputs = {{QStringLiteral("bh"), Edit1},
                {QStringLiteral("xm"), Edit2},
                {QStringLiteral("ssbm"), ComboBox1},
                {QStringLiteral("zw"), ComboBox2},
                {QStringLiteral("zc"), ComboBox3}};
    finishFrame(panel, std::move(s));

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
    const QString registrar = ui::trim(Edit3->text());
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
