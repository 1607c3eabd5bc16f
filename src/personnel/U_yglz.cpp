#include "personnel/U_yglz.h"
#include "data/U_data.h"
#include "platform/diag/log.h"
#include "platform/ui/controls.h"
#include "platform/ui/modal.h"
#include "platform/ui/speedbar.h"
#include <QDate>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>

Tfrm_yglz* frm_yglz = nullptr;

Tfrm_yglz::Tfrm_yglz(QWidget* owner) : EmployeeMoveForm(owner)
{
    setObjectName(QStringLiteral("frm_yglz"));
    setWindowTitle(QStringLiteral("员工离职"));
    SpeedButton4 = bar_->addButton(QStringLiteral("离职"));
    SpeedButton4->setObjectName(QStringLiteral("SpeedButton4"));
    SpeedButton4->onClick = [this] { SpeedButton4Click(); };

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    auto* g = new QGridLayout(panel);
    auto edit = [panel](const char* name) {
        auto* e = new ui::Edit(panel);
        e->setObjectName(QLatin1String(name));
        e->setReadOnly(true);
        return e;
    };
    Edit1 = edit("Edit1");
    Edit2 = edit("Edit2");
    Edit3 = edit("Edit3");
    Edit4 = edit("Edit4");
    Edit5 = edit("Edit5");
    auto label = [panel](const QString& t) { return new QLabel(t, panel); };
    g->addWidget(label(QStringLiteral("编    号：")), 0, 0, Qt::AlignRight);
    g->addWidget(Edit1, 0, 1);
    g->addWidget(label(QStringLiteral("姓    名：")), 0, 2, Qt::AlignRight);
    g->addWidget(Edit2, 0, 3);
    g->addWidget(label(QStringLiteral("所属部门：")), 1, 0, Qt::AlignRight);
    g->addWidget(Edit3, 1, 1);
    g->addWidget(label(QStringLiteral("职    务：")), 1, 2, Qt::AlignRight);
    g->addWidget(Edit4, 1, 3);
    g->addWidget(label(QStringLiteral("职    称：")), 2, 0, Qt::AlignRight);
    g->addWidget(Edit5, 2, 1);
    g->setColumnStretch(1, 1);
    g->setColumnStretch(3, 1);

    personnel::EmployeeTreeList::Setup s;
    s.list = &Data1->ADOpublic;
    s.sflz = QStringLiteral("否");
    s.showSql = QStringLiteral("select * from 人事表 where sflz=:a");
    s.allSql = QStringLiteral("select * from 人事表 where sflz= :a");
    s.rootSql = QStringLiteral("select * from 人事表 where sflz=:b ");
    s.deptSql = QStringLiteral("select * from 人事表 where ssbm = :a and sflz=:b ");
    s.inputs = {{QStringLiteral("bh"), Edit1},
                {QStringLiteral("xm"), Edit2},
                {QStringLiteral("ssbm"), Edit3},
                {QStringLiteral("zw"), Edit4},
                {QStringLiteral("zc"), Edit5}};
    finishFrame(panel, std::move(s));

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
        diag::logCause(QStringLiteral("员工离职"));
        ui::info(QStringLiteral("修改失败"), this);
        close();
        return;
    }
    ui::info(QStringLiteral("修改成功"), this);
    // Stored: a failing reload is shown as the database's own error.
    FormShow();
}
