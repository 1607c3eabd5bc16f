#include "payroll/U_gzb.h"
#include "data/U_data.h"
#include "payroll/salary_grid.h"
#include "payroll/salary_month.h"
#include "platform/db/convert.h"
#include "platform/db/error.h"
#include "platform/db/query.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include "platform/ui/errors.h"
#include "platform/ui/modal.h"
#include "platform/ui/rowbind.h"
#include "platform/text/text.h"
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <optional>

Tfrm_gzb* frm_gzb = nullptr;

using db::Value;

Tfrm_gzb::Tfrm_gzb(QWidget* owner) : ui::Form(owner)
{
    setWindowTitle(QStringLiteral("工资表"));
    resize(673, 564);

    Label1 = new QLabel(QStringLiteral("请选择要生成工资表的月份："), this);
    ComboBox1 = new ui::ComboBox(this);
    ComboBox1->setMinimumWidth(120);
    Button3 = new ui::Button(QStringLiteral("生成工资表"), this);
    Button1 = new ui::Button(QStringLiteral("月工资结算"), this);
    Button2 = new ui::Button(QStringLiteral("取消生成"), this);
    Button4 = new ui::Button(QStringLiteral("退出"), this);
    CheckBox1 = new QCheckBox(QStringLiteral("是否有其它金额或扣额"), this);

    GroupBox1 = new QGroupBox(QStringLiteral("其它金额或扣额"), this);
    Edit2 = new ui::Edit(GroupBox1);
    Edit2->setText(QStringLiteral("0"));
    Edit1 = new ui::Edit(GroupBox1);
    Edit1->setText(QStringLiteral("0"));
    Edit3 = new ui::Edit(GroupBox1);
    BitBtn1 = new ui::Button(QStringLiteral("添加"), GroupBox1);
    GroupBox1->setEnabled(false);

    auto* group = new QHBoxLayout(GroupBox1);
    group->addWidget(new QLabel(QStringLiteral("其它金额："), GroupBox1));
    group->addWidget(Edit2);
    group->addWidget(new QLabel(QStringLiteral("其它扣额："), GroupBox1));
    group->addWidget(Edit1);
    group->addWidget(new QLabel(QStringLiteral("说明："), GroupBox1));
    group->addWidget(Edit3, 2);
    group->addWidget(BitBtn1);

    auto* monthRow = new QHBoxLayout;
    monthRow->addWidget(Label1);
    monthRow->addWidget(ComboBox1, 1);
    monthRow->addWidget(Button3);
    monthRow->addWidget(Button1);
    monthRow->addWidget(Button2);
    monthRow->addWidget(Button4);

    DBGrid1 = new ui::DBGrid(this);
    DBGrid1->setQuery(&Data1->ADOQYgzb);
    DBGrid1->setColumns(salaryGridColumns());

    // The grid reaches the window's edges; only the upper panel keeps a margin.
    auto* panel = new QVBoxLayout;
    panel->setContentsMargins(8, 8, 8, 8);
    panel->setSpacing(6);
    monthRow->setSpacing(6);
    panel->addLayout(monthRow);
    panel->addWidget(CheckBox1);
    panel->addWidget(GroupBox1);
    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(0, 0, 0, 0);
    main->setSpacing(0);
    main->addLayout(panel);
    main->addWidget(DBGrid1, 1);

    setTabOrder(ComboBox1, Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, CheckBox1);
    setTabOrder(CheckBox1, Edit2);
    setTabOrder(Edit2, Edit1);
    setTabOrder(Edit1, Edit3);
    setTabOrder(Edit3, BitBtn1);
    setTabOrder(BitBtn1, Button3);
    setTabOrder(Button3, Button4);

    Button3->onClick = [this] { Button3Click(); };
    Button1->onClick = [this] { Button1Click(); };
    Button2->onClick = [this] { Button2Click(); };
    Button4->onClick = [this] { Button4Click(); };
    BitBtn1->onClick = [this] { BitBtn1Click(); };
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { ui::guarded(this, [this] { CheckBox1Click(); }); });
}

Tfrm_gzb::~Tfrm_gzb() = default;

void Tfrm_gzb::FormShow()
{
    ComboBox1->clearItems();
    ComboBox1->setText(QString());

    db::Query& months = Data1->ADOQYkhgl;
    ui::runSelect(months, QStringLiteral("select distinct 考核月份 from 考核表"));
    QStringList list;
    for (int row = 0; row < months.recordCount(); ++row) list << months.value(row, 0).toText();
    ComboBox1->addItems(list);

    ui::runSelect(Data1->ADOQYgzb, QStringLiteral("select * from 工资表"));
}

void Tfrm_gzb::showMonth(const QString& month)
{
    db::Query& q = Data1->ADOQYgzb;
    q.close();
    q.clearSql();
    q.addSql(QStringLiteral("select * from 工资表 where gzyf=:a"));
    q.setParam(QStringLiteral("a"), Value::text(month));
    q.open();
}

void Tfrm_gzb::Button3Click()
{
    const QString month = ComboBox1->text();
    const payroll::GenerateResult r = payroll::generateMonth(
        Data1->ADOConnection2, month, Edit2->text(), Edit1->text(), Edit3->text(),
        [this](const QString& cause) { ui::failedBecause(QStringLiteral("生成失败"), cause, this); });
    switch (r.status) {
    case payroll::GenerateStatus::NoMonth: ui::info(QStringLiteral("请选择日期"), this); break;
    case payroll::GenerateStatus::AlreadyGenerated: ui::info(QStringLiteral("该月工资已经生成"), this); break;
    // Amounts shared by every row: one message, not one for each employee.
    case payroll::GenerateStatus::BadOtherAmounts: {
        ui::Edit* bad = firstBadAmount();
        const QString why = bad ? amountRefusal(bad) : QStringLiteral("其它金额和其它扣额必须是有效的数字！");
        ui::failedBecause(QStringLiteral("生成失败"), why, this);
        if (bad) focusAmount(bad);
        break;
    }
    case payroll::GenerateStatus::Generated: break;
    }
    showMonth(month);
}

void Tfrm_gzb::Button2Click()
{
    // Beside the grid's query: a refused delete leaves the grid on the stored rows.
    db::exec(Data1->ADOConnection2, QStringLiteral("delete from 工资表 where gzyf=:a"), {{"a", Value::text(ComboBox1->text())}});
    FormShow();
}

void Tfrm_gzb::Button4Click() { close(); }

void Tfrm_gzb::Button1Click()
{
    // Amounts typed but not yet added would be left out of a month that
    // takes none once settled: the question comes up for them too.
    auto zero = [](const ui::Edit* e) {
        const std::optional<double> v = db::parseNumber(e->text());
        return v && *v == 0;
    };
    const bool pending = !zero(Edit1) || !zero(Edit2);
    if ((Edit1->text() == QLatin1String("0") && Edit2->text() == QLatin1String("0")) || pending) {
        if (ui::ask(QStringLiteral("确定没有其它金额或扣额吗？"), this, QStringLiteral("月工资结算")))
            jiesuan();
        else
            CheckBox1->setChecked(true);
        return;
    }
    jiesuan();
}

void Tfrm_gzb::jiesuan()
{
    const QString month = text::trim(ComboBox1->text());
    const payroll::SettleResult r = payroll::settleMonth(Data1->ADOConnection2, month);
    if (r.status == payroll::SettleStatus::AlreadySettled) {
        ui::info(QStringLiteral("该月工资已结算，请不要重复结算"), this);
        return;
    }
    // The grid shows the month as it now stands, on the refused row if any.
    db::Query& q = Data1->ADOQYgzb;
    q.close();
    q.clearSql();
    q.addSql(QStringLiteral("select * from 工资表 where gzyf=:aaa"));
    q.setParam(QStringLiteral("aaa"), Value::text(month));
    q.open();
    if (r.status == payroll::SettleStatus::Refused) {
        if (r.row < q.recordCount()) q.setRecNo(r.row);
        ui::info(payroll::refusalText(r), this);
        return;
    }
    ui::info(QStringLiteral("结算完毕"), this);
}

ui::Edit* Tfrm_gzb::firstBadAmount() const
{
    // Numbers only through the strict parser: "1e999" would be stored as infinity.
    for (ui::Edit* e : {Edit2, Edit1})
        if (!db::parseNumber(e->text())) return e;
    return nullptr;
}

QString Tfrm_gzb::amountRefusal(const ui::Edit* box) const
{
    return QStringLiteral("%1必须是有效的数字！").arg(box == Edit2 ? QStringLiteral("其它金额") : QStringLiteral("其它扣额"));
}

void Tfrm_gzb::focusAmount(ui::Edit* box)
{
    CheckBox1->setChecked(true);   // the amounts' group opens to show it
    box->setFocus(Qt::OtherFocusReason);
}

void Tfrm_gzb::CheckBox1Click() { GroupBox1->setEnabled(CheckBox1->isChecked()); }

void Tfrm_gzb::BitBtn1Click()
{
    if (Edit1->text() == QLatin1String("0") && Edit2->text() == QLatin1String("0")) return;
    if (Edit3->text().isEmpty()) {
        ui::info(QStringLiteral("请对其它金额或扣额作出说明！"), this);
        return;
    }
    db::Query& q = Data1->ADOQYgzb;
    // Without a salary row there is nothing to add the amounts to.
    if (q.recNo() < 0) return;
    // A settled row's totals would no longer match its amounts.
    if (!q.field(QStringLiteral("yfgz")).isNull()) {
        ui::info(QStringLiteral("该月工资已结算，请不要重复结算"), this);
        return;
    }
    if (ui::Edit* bad = firstBadAmount()) {
        ui::info(amountRefusal(bad), this);
        focusAmount(bad);
        return;
    }
    const std::optional<double> amount = db::parseNumber(Edit2->text());
    const std::optional<double> deduction = db::parseNumber(Edit1->text());
    try {
        // Refused when the row no longer holds what the grid shows (settled
        // meanwhile by another copy of the program, say): nothing written.
        ui::writeRow(q, {{QStringLiteral("qtje"), Value::real(*amount)},
                         {QStringLiteral("qtke"), Value::real(*deduction)},
                         {QStringLiteral("bz"), Value::text(text::trim(Edit3->text()))}});
    } catch (const db::RowChanged&) {
        ui::failed(QStringLiteral("其它金额添加"), QStringLiteral("该记录已被修改，请重新打开"), this);
        return;
    }
    CheckBox1->setChecked(false);
    Edit1->setText(QStringLiteral("0"));
    Edit2->setText(QStringLiteral("0"));
    Edit3->setText(QString());
}
