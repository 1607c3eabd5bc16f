#include "payroll/U_gzsz.h"
#include "data/U_data.h"
#include "payroll/payroll_calc.h"
#include "platform/db/convert.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include "platform/ui/errors.h"
#include "platform/ui/modal.h"
#include "platform/ui/rowbind.h"
#include "platform/ui/text.h"
#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

Tfrm_gzsz* frm_gzsz = nullptr;

using db::Value;

namespace {

void prepare(db::Query& q, const QString& sql)
{
    q.close();
    q.clearSql();
    q.addSql(sql);
}

// An amount or rate box as a number, through the strict parser (db::Error
// otherwise): "1e999" would be stored as infinity, "1e-400" as 0.
Value amount(const ui::Edit* e) { return Value::real(db::toNumber(e->text())); }

// A stored bound as a number; one that is no number bounds nothing.
payroll::Num boundOf(const Value& v)
{
    switch (v.kind()) {
    case Value::Kind::Integer: return double(v.asInteger());
    case Value::Kind::Real: return v.asReal();
    case Value::Kind::Text: return db::parseNumber(v.asText());
    default: return std::nullopt;
    }
}

}

Tfrm_gzsz::Tfrm_gzsz(QWidget* owner) : ui::Form(owner)
{
    setWindowTitle(QStringLiteral("工资设置"));
    resize(696, 480);

    GroupBox1 = new QGroupBox(QStringLiteral("工资设置"), this);
    ComboBox1 = new ui::ComboBox(GroupBox1);
    ComboBox2 = new ui::ComboBox(GroupBox1);
    Edit1 = new ui::Edit(GroupBox1);
    Edit2 = new ui::Edit(GroupBox1);
    Edit3 = new ui::Edit(GroupBox1);
    Edit7 = new ui::Edit(GroupBox1);
    Edit7->setReadOnly(true);
    auto* g1 = new QGridLayout(GroupBox1);
    auto label = [](const char* text, QWidget* parent) { return new QLabel(QString::fromUtf8(text), parent); };
    g1->addWidget(label("员工编号：", GroupBox1), 0, 0);
    g1->addWidget(ComboBox1, 0, 1);
    g1->addWidget(label("员工姓名：", GroupBox1), 0, 2);
    g1->addWidget(ComboBox2, 0, 3);
    g1->addWidget(label("基本工资：", GroupBox1), 1, 0);
    g1->addWidget(Edit1, 1, 1);
    g1->addWidget(label("全勤奖：", GroupBox1), 1, 2);
    g1->addWidget(Edit2, 1, 3);
    g1->addWidget(label("职务津贴：", GroupBox1), 2, 0);
    g1->addWidget(Edit3, 2, 1);
    g1->addWidget(label("扣税级别：", GroupBox1), 2, 2);
    g1->addWidget(Edit7, 2, 3);

    GroupBox2 = new QGroupBox(QStringLiteral("保险设置"), this);
    Edit4 = new ui::Edit(GroupBox2);
    Edit5 = new ui::Edit(GroupBox2);
    Edit6 = new ui::Edit(GroupBox2);
    auto* g2 = new QFormLayout(GroupBox2);
    g2->addRow(label("养老保险：", GroupBox2), Edit4);
    g2->addRow(label("医疗保险：", GroupBox2), Edit5);
    g2->addRow(label("失业保险：", GroupBox2), Edit6);
    GroupBox2->setEnabled(false);

    CheckBox1 = new QCheckBox(QStringLiteral("设置保险"), this);
    BitBtn1 = new ui::Button(QStringLiteral("保存"), this);
    BitBtn2 = new ui::Button(QStringLiteral("修改"), this);
    BitBtn4 = new ui::Button(QStringLiteral("删除"), this);
    BitBtn3 = new ui::Button(QStringLiteral("退出"), this);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(CheckBox1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addWidget(BitBtn4);
    buttons->addWidget(BitBtn3);
    buttons->addStretch();

    // The grid reaches the window's edges; only the upper panel keeps a margin.
    auto* panel = new QHBoxLayout;
    panel->setContentsMargins(8, 8, 8, 8);
    panel->setSpacing(6);
    buttons->setSpacing(6);
    panel->addWidget(GroupBox1, 3);
    panel->addWidget(GroupBox2, 2);
    panel->addLayout(buttons);

    DBGrid1 = new ui::DBGrid(this);
    DBGrid1->setQuery(&Data1->ADOQYgzsz);

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(0, 0, 0, 0);
    main->setSpacing(0);
    main->addLayout(panel);
    main->addWidget(DBGrid1, 1);

    const QList<QWidget*> order = {BitBtn1, BitBtn2, BitBtn3, ComboBox1, ComboBox2, Edit1, Edit2, Edit3, Edit7,
                                   Edit4, Edit5, Edit6, CheckBox1, BitBtn4};
    for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

    // The controls' first texts: the change of Edit1 is wired only afterwards,
    // as no bracket is looked up while the dialog is being made.
    Edit1->setText(QStringLiteral("0"));
    Edit2->setText(QStringLiteral("0"));
    Edit3->setText(QStringLiteral("0"));
    Edit4->setText(QStringLiteral("0"));
    Edit5->setText(QStringLiteral("0"));
    Edit6->setText(QStringLiteral("0"));

    ComboBox1->onChange = [this] { ComboBox1Change(); };
    ComboBox2->onChange = [this] { ComboBox2Change(); };
    Edit1->onChange = [this] { Edit1Change(); };
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { ui::guarded(this, [this] { CheckBox1Click(); }); });
    BitBtn1->onClick = [this] { BitBtn1Click(); };
    BitBtn2->onClick = [this] { BitBtn2Click(); };
    BitBtn4->onClick = [this] { BitBtn4Click(); };
    BitBtn3->onClick = [this] { BitBtn3Click(); };
    // Also for a row reached with the keys: 修改 writes the row the inputs show.
    DBGrid1->onCellClick = [this] { DBGrid1CellClick(); };
}

Tfrm_gzsz::~Tfrm_gzsz() = default;

void Tfrm_gzsz::FormShow()
{
    ComboBox1->clearItems();
    ComboBox1->setText(QString());
    ComboBox2->clearItems();
    ComboBox2->setText(QString());

    db::Query& q = Data1->ADOQYgzsz;
    prepare(q, QStringLiteral("select * from 工资模板"));
    q.open();
    if (q.recordCount() > 0 && !q.field(QStringLiteral("员工编号")).isNull()) {
        CheckBox1->setChecked(false);
        editvalue();
    } else {
        CheckBox1->setChecked(true);
    }

    db::Query& p = Data1->ADOpublic;
    prepare(p, QStringLiteral("select distinct bh from 人事表"));
    p.open();
    QStringList numbers;
    for (int row = 0; row < p.recordCount(); ++row) numbers << p.value(row, 0).toText();
    ComboBox1->addItems(numbers);

    prepare(p, QStringLiteral("select distinct xm from 人事表"));
    p.open();
    QStringList names;
    for (int row = 0; row < p.recordCount(); ++row) names << p.value(row, 0).toText();
    ComboBox2->addItems(names);
}

void Tfrm_gzsz::editvalue()
{
    const db::Query& q = Data1->ADOQYgzsz;
    ComboBox1->setText(q.fieldText(QStringLiteral("员工编号")));
    ComboBox2->setText(q.fieldText(QStringLiteral("员工姓名")));
    Edit1->setText(q.fieldText(QStringLiteral("基本工资")));
    Edit2->setText(q.fieldText(QStringLiteral("全勤奖")));
    Edit3->setText(q.fieldText(QStringLiteral("职务津贴")));
    Edit4->setText(q.fieldText(QStringLiteral("养老保险")));
    Edit5->setText(q.fieldText(QStringLiteral("医疗保险")));
    Edit6->setText(q.fieldText(QStringLiteral("失业保险")));
    Edit7->setText(q.fieldText(QStringLiteral("扣税级别")));
}

void Tfrm_gzsz::editclear()
{
    ComboBox1->setText(QString());
    ComboBox2->setText(QString());
    for (ui::Edit* e : {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7}) e->setText(QString());
}

void Tfrm_gzsz::ComboBox1Change()
{
    db::Query& p = Data1->ADOpublic;
    prepare(p, QStringLiteral("select * from 人事表 where bh=:a"));
    p.setParam(QStringLiteral("a"), Value::text(ComboBox1->text()));
    p.open();
    ComboBox2->setText(p.recordCount() > 0 ? p.fieldText(QStringLiteral("xm")) : QString());
}

void Tfrm_gzsz::ComboBox2Change()
{
    db::Query& p = Data1->ADOpublic;
    prepare(p, QStringLiteral("select * from 人事表 where xm=:b"));
    p.setParam(QStringLiteral("b"), Value::text(ComboBox2->text()));
    p.open();
    ComboBox1->setText(p.recordCount() > 0 ? p.fieldText(QStringLiteral("bh")) : QString());
}

void Tfrm_gzsz::Edit1Change()
{
    const QString text = Edit1->text();
    if (text.isEmpty()) return;
    db::Query& q = Data1->ADOQYsl;
    prepare(q, QStringLiteral("select * from 个人所得税税率表"));
    q.open();
    const std::optional<double> x = db::parseNumber(text);
    if (!x) {
        // Half-typed or mistyped: say so and keep the level shown, as long
        // as there is a bracket to compare with.
        if (q.recordCount() > 0) (void)db::toNumber(text);
        return;
    }
    const int cLevel = q.fieldIndex(QStringLiteral("级别号"));
    const int cLower = q.fieldIndex(QStringLiteral("应纳所得税金额下限"));
    const int cUpper = q.fieldIndex(QStringLiteral("应纳所得税金额上限"));
    std::vector<payroll::Bracket> brackets;
    for (int row = 0; row < q.recordCount(); ++row)
        brackets.push_back({boundOf(q.value(row, cLower)), boundOf(q.value(row, cUpper)), q.value(row, cLevel).toText()});
    // A salary no bracket holds has no level: a stale one would tax it wrongly.
    Edit7->setText(payroll::levelFor(*x, brackets).value_or(QString()));
}

void Tfrm_gzsz::CheckBox1Click() { GroupBox2->setEnabled(CheckBox1->isChecked()); }

void Tfrm_gzsz::BitBtn1Click()
{
    for (ui::ComboBox* c : {ComboBox1, ComboBox2})
        if (c->text().isEmpty()) {
            ui::info(QStringLiteral("请详细填写工资信息！"), this);
            return;
        }
    for (ui::Edit* e : {Edit1, Edit2, Edit3})
        if (e->text().isEmpty()) {
            ui::info(QStringLiteral("请详细填写工资信息！"), this);
            return;
        }
    for (ui::Edit* e : {Edit4, Edit5, Edit6})
        if (e->text() == QLatin1String("0")) {
            ui::info(QStringLiteral("请设置保险信息！"), this);
            return;
        }
    try {
        db::Query& q = Data1->ADOQYgzsz;
        prepare(q, QStringLiteral("insert into 工资模板 (员工编号, 员工姓名, 基本工资, 全勤奖, 职务津贴, 养老保险, 失业保险, "
                                  "医疗保险, 扣税级别) values (:a,:b,:c,:d,:e,:f,:g,:h,:i)"));
        q.setParam(QStringLiteral("a"), Value::text(ComboBox1->text()));
        q.setParam(QStringLiteral("b"), Value::text(ComboBox2->text()));
        q.setParam(QStringLiteral("c"), amount(Edit1));
        q.setParam(QStringLiteral("d"), amount(Edit2));
        q.setParam(QStringLiteral("e"), amount(Edit3));
        q.setParam(QStringLiteral("f"), amount(Edit4));
        q.setParam(QStringLiteral("g"), amount(Edit6));
        q.setParam(QStringLiteral("h"), amount(Edit5));
        q.setParam(QStringLiteral("i"), Value::text(ui::trim(Edit7->text())));
        q.execSql();
        editclear();
        FormShow();
    } catch (...) {
        ui::failed(QStringLiteral("工资模板保存"), QStringLiteral("保存失败"), this);
        return;
    }
    ui::info(QStringLiteral("保存成功"), this);
}

void Tfrm_gzsz::BitBtn2Click()
{
    db::Query& q = Data1->ADOQYgzsz;
    try {
        ui::writeRow(q, {{QStringLiteral("员工编号"), Value::text(ComboBox1->text())},
                         {QStringLiteral("员工姓名"), Value::text(ComboBox2->text())},
                         {QStringLiteral("基本工资"), amount(Edit1)},
                         {QStringLiteral("全勤奖"), amount(Edit2)},
                         {QStringLiteral("职务津贴"), amount(Edit3)},
                         {QStringLiteral("养老保险"), amount(Edit4)},
                         {QStringLiteral("失业保险"), amount(Edit6)},
                         {QStringLiteral("医疗保险"), amount(Edit5)},
                         {QStringLiteral("扣税级别"), Value::text(ui::trim(Edit7->text()))}});
    } catch (...) {
        ui::failed(QStringLiteral("工资模板修改"), QStringLiteral("修改失败"), this);
        return;
    }
    ui::info(QStringLiteral("修改成功"), this);
}

void Tfrm_gzsz::BitBtn4Click()
{
    ui::askDeleteCurrentRow(Data1->ADOQYgzsz, this);
    editclear();
}

void Tfrm_gzsz::BitBtn3Click() { close(); }

void Tfrm_gzsz::DBGrid1CellClick()
{
    const db::Query& q = Data1->ADOQYgzsz;
    if (q.isOpen() && q.recordCount() > 0) editvalue();
}
