#include "settings/U_sl.h"
#include "data/U_data.h"
#include "platform/db/convert.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include "platform/ui/modal.h"
#include "platform/ui/speedbar.h"
#include "platform/ui/text.h"
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <cmath>

Tfrm_sl* frm_sl = nullptr;

QString nextLevelNumber(const db::Value& maxLevel)
{
    if (maxLevel.isNull()) return QStringLiteral("0");
    // A stored text counts as its number; the sum is kept whole.
    return db::formatNumber(std::nearbyint(maxLevel.toReal() + 1));
}

Tfrm_sl::Tfrm_sl(QWidget* owner) : ui::Form(owner)
{
    setObjectName(QStringLiteral("frm_sl"));
    setWindowTitle(QStringLiteral("所得税设置"));

    // Panel and grid span the whole width: the grid needs every pixel for its columns.
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(2);
    auto* bar = new ui::SpeedBar(this);
    bar->setContentsMargins(4, 2, 4, 0);
    SpeedButton1 = bar->addButton(QStringLiteral("添加"));
    SpeedButton2 = bar->addButton(QStringLiteral("修改"));
    SpeedButton3 = bar->addButton(QStringLiteral("删除"));
    bar->addDivider();
    SpeedButton4 = bar->addButton(QStringLiteral("保存"));
    SpeedButton5 = bar->addButton(QStringLiteral("取消"));
    bar->addDivider();
    SpeedButton6 = bar->addButton(QStringLiteral("退出"));
    top->addWidget(bar);

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(panel);
    Edit1 = new ui::Edit(panel);
    Edit2 = new ui::Edit(panel);
    Edit3 = new ui::Edit(panel);
    Edit4 = new ui::Edit(panel);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit3->setObjectName(QStringLiteral("Edit3"));
    Edit4->setObjectName(QStringLiteral("Edit4"));
    grid->addWidget(new QLabel(QStringLiteral("级别号："), panel), 0, 0, Qt::AlignRight);
    grid->addWidget(Edit1, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("税率："), panel), 0, 2, Qt::AlignRight);
    grid->addWidget(Edit4, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("应纳所得税金额下限："), panel), 1, 0, Qt::AlignRight);
    grid->addWidget(Edit2, 1, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("应纳所得税金额上限："), panel), 2, 0, Qt::AlignRight);
    grid->addWidget(Edit3, 2, 1, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    top->addWidget(panel);

    DBGrid1 = new ui::DBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setQuery(&Data1->ADOQYsl);
    ui::fitColumns(DBGrid1);
    top->addWidget(DBGrid1, 1);

    setTabOrder(Edit1, Edit4);
    setTabOrder(Edit4, Edit2);
    setTabOrder(Edit2, Edit3);
    setTabOrder(Edit3, DBGrid1);
    // The last input moves nowhere, not even back.
    setFocusChain({Edit1, Edit4, Edit2, Edit3});
    setFocusKeys(Edit3, Keys::None);

    setInputsReadOnly(true);
    setSaving(false);

    SpeedButton1->onClick = [this] { SpeedButton1Click(); };
    SpeedButton2->onClick = [this] { SpeedButton2Click(); };
    SpeedButton3->onClick = [this] { SpeedButton3Click(); };
    SpeedButton4->onClick = [this] { SpeedButton4Click(); };
    SpeedButton5->onClick = [this] { SpeedButton5Click(); };
    SpeedButton6->onClick = [this] { SpeedButton6Click(); };
    DBGrid1->onCellClick = [this] { DBGrid1CellClick(); };

    resize(356, 434);
    ui::centerOnScreen(this);
}

ui::FieldControls Tfrm_sl::fields() const
{
    return {{QStringLiteral("级别号"), Edit1},
            {QStringLiteral("应纳所得税金额下限"), Edit2},
            {QStringLiteral("应纳所得税金额上限"), Edit3},
            {QStringLiteral("税率"), Edit4}};
}

void Tfrm_sl::setInputsReadOnly(bool ro)
{
    for (auto* e : {Edit1, Edit2, Edit3, Edit4}) e->setReadOnly(ro);
}

void Tfrm_sl::setSaving(bool on)
{
    SpeedButton4->setEnabled(on);
    SpeedButton5->setEnabled(on);
}

void Tfrm_sl::FormShow()
{
    auto& q = Data1->ADOQYsl;
    ui::runSelect(q, QStringLiteral("select * from 个人所得税税率表"));
    if (q.field(QStringLiteral("级别号")).isNull()) {
        ui::info(QStringLiteral("数据库中没有数据，请向数据库中添加数据！"), this);
        SpeedButton1Click();
    }
}

void Tfrm_sl::SpeedButton1Click()
{
    auto& p = Data1->ADOpublic;
    ui::runSelect(p, QStringLiteral("select max(级别号) as ss from 个人所得税税率表 "));
    const QString next = nextLevelNumber(p.field(QStringLiteral("ss")));
    // Adding ends a pending modify, so 保存 inserts instead of overwriting the current bracket.
    xgflag = 0;
    editclear();
    Edit1->setText(next);
    Edit1->setReadOnly(true);
    for (auto* e : {Edit2, Edit3, Edit4}) e->setReadOnly(false);
    setSaving(true);
}

void Tfrm_sl::SpeedButton2Click()
{
    xgflag = 1;
    setSaving(true);
    setInputsReadOnly(false);
}

void Tfrm_sl::SpeedButton3Click()
{
    if (ui::askDeleteCurrentRow(Data1->ADOQYsl, this)) editclear();
}

void Tfrm_sl::SpeedButton4Click()
{
    const QString a = ui::trim(Edit1->text());
    const QString b = ui::trim(Edit2->text());
    const QString c = ui::trim(Edit3->text());
    const QString d = ui::trim(Edit4->text());
    if (a.isEmpty() || b.isEmpty() || c.isEmpty() || d.isEmpty()) {
        ui::info(QStringLiteral("请完整的添写信息！"), this);
        return;
    }
    auto& q = Data1->ADOQYsl;
    if (xgflag == 0) {
        try {
            q.close();
            q.clearSql();
            q.addSql(QStringLiteral("insert into 个人所得税税率表 values (:a,:b,:c,:D)"));
            q.setParam(QStringLiteral("a"), db::Value::text(a));
            q.setParam(QStringLiteral("b"), db::Value::text(b));
            q.setParam(QStringLiteral("c"), db::Value::text(c));
            q.setParam(QStringLiteral("D"), db::Value::text(d));
            q.execSql();
            editclear();
            ui::info(QStringLiteral("添加成功"), this);
            setSaving(false);
            setInputsReadOnly(true);
            FormShow();
        } catch (...) {
            ui::info(QStringLiteral("系统出错！"), this);
        }
        return;
    }
    ui::postTrimmedTexts(q, fields());
    ui::info(QStringLiteral("修改成功"), this);
    xgflag = 0;
    setSaving(false);
    setInputsReadOnly(true);
}

void Tfrm_sl::SpeedButton5Click()
{
    auto& q = Data1->ADOQYsl;
    // A modify the database refused is dropped, so the grid shows the stored row again.
    if (q.isOpen() && q.state() != db::Query::State::Browse) q.cancel();
    editvalue();
    setSaving(false);
    setInputsReadOnly(true);
    xgflag = 0;
}

void Tfrm_sl::SpeedButton6Click() { close(); }

void Tfrm_sl::DBGrid1CellClick()
{
    if (!Data1->ADOQYsl.isEmpty()) editvalue();
}

void Tfrm_sl::editvalue() { ui::showCurrentRow(Data1->ADOQYsl, fields()); }

void Tfrm_sl::editclear() { ui::clearControls(fields()); }
