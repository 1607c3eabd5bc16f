#include "payroll/U_gzsz.h"
#include "data/U_data.h"
#include "payroll/payroll_calc.h"
#include "platform/db/convert.h"
#include "platform/db/query.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include "platform/ui/errors.h"
#include "platform/ui/modal.h"
#include "platform/ui/rowbind.h"
#include "platform/text/text.h"
#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStringList>
#include <QVBoxLayout>

Tfrm_gzsz* frm_gzsz = nullptr;

using db::Value;

namespace {

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

Tfrm_gzsz::Tfrm_gzsz(QWidget* owner)
    : ui::GridForm(owner, "frm_gzsz", QStringLiteral("工资设置"), Data1->ADOQYgzsz, {.size = {696, 480}, .toolBar = false})
{
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
    buttons->setSpacing(6);
    for (QWidget* w : std::initializer_list<QWidget*>{CheckBox1, BitBtn1, BitBtn2, BitBtn4, BitBtn3}) buttons->addWidget(w);
    buttons->addStretch();

    // The grid reaches the window's edges; only the upper panel keeps a margin.
    auto* panel = new QHBoxLayout;
    panel->setContentsMargins(8, 8, 8, 8);
    panel->setSpacing(6);
    panel->addWidget(GroupBox1, 3);
    panel->addWidget(GroupBox2, 2);
    panel->addLayout(buttons);
    addAboveGrid(panel);

    // The template's columns in the table's order with the input that shows
    // and feeds each: 失业保险 comes before 医疗保险, fed by Edit6 and Edit5.
    using ui::As;
    bindFields({{"员工编号", ComboBox1},          {"员工姓名", ComboBox2},          {"基本工资", Edit1, As::Number},
                {"全勤奖", Edit2, As::Number},   {"职务津贴", Edit3, As::Number}, {"养老保险", Edit4, As::Number},
                {"失业保险", Edit6, As::Number}, {"医疗保险", Edit5, As::Number}, {"扣税级别", Edit7}});
    // The insurance columns hold rates (0.005), not amounts in cents.
    for (const char* rate : {"养老保险", "失业保险", "医疗保险"}) DBGrid1->setDecimals(QString::fromUtf8(rate), 6);

    tabOrder({BitBtn1, BitBtn2, BitBtn3, ComboBox1, ComboBox2, Edit1, Edit2, Edit3, Edit7, Edit4, Edit5, Edit6,
              CheckBox1, BitBtn4});

    // The controls' first texts: the change of Edit1 is wired only afterwards,
    // as no bracket is looked up while the dialog is being made.
    for (ui::Edit* e : {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6}) e->setText(QStringLiteral("0"));

    ComboBox1->onChange = [this] { ComboBox1Change(); };
    ComboBox2->onChange = [this] { ComboBox2Change(); };
    Edit1->onChange = [this] { Edit1Change(); };
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { ui::guarded(this, [this] { CheckBox1Click(); }); });
    BitBtn1->onClick = [this] { BitBtn1Click(); };
    BitBtn2->onClick = [this] { BitBtn2Click(); };
    BitBtn4->onClick = [this] { BitBtn4Click(); };
    BitBtn3->onClick = [this] { BitBtn3Click(); };
}

Tfrm_gzsz::~Tfrm_gzsz() = default;

void Tfrm_gzsz::FormShow()
{
    ComboBox1->clearItems();
    ComboBox1->setText(QString());
    ComboBox2->clearItems();
    ComboBox2->setText(QString());

    reload(QStringLiteral("select * from 工资模板"));
    if (!query().field(QStringLiteral("员工编号")).isNull()) {
        CheckBox1->setChecked(false);
        editvalue();
    } else {
        CheckBox1->setChecked(true);
    }
    ui::addItemsFrom(ComboBox1, Data1->ADOpublic, QStringLiteral("select distinct bh from 人事表"), QStringLiteral("bh"));
    ui::addItemsFrom(ComboBox2, Data1->ADOpublic, QStringLiteral("select distinct xm from 人事表"), QStringLiteral("xm"));
}

void Tfrm_gzsz::ComboBox1Change()
{
    db::Query& p = Data1->ADOpublic;
    p.close();
    p.setSql(QStringLiteral("select * from 人事表 where bh=:a"));
    p.setParam(QStringLiteral("a"), Value::text(ComboBox1->text()));
    p.open();
    ComboBox2->setText(p.fieldText(QStringLiteral("xm")));
}

void Tfrm_gzsz::ComboBox2Change()
{
    db::Query& p = Data1->ADOpublic;
    p.close();
    p.setSql(QStringLiteral("select * from 人事表 where xm=:b"));
    p.setParam(QStringLiteral("b"), Value::text(ComboBox2->text()));
    p.open();
    ComboBox1->setText(p.fieldText(QStringLiteral("bh")));
}

void Tfrm_gzsz::Edit1Change()
{
    // Half-typed ("-", "1e") or mistyped: the level shown stays, and 保存 or
    // 修改 says what is wrong.
    const std::optional<double> x = db::parseNumber(Edit1->text());
    if (!x) return;
    db::Query& q = Data1->ADOQYsl;
    ui::runSelect(q, QStringLiteral("select * from 个人所得税税率表"));
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

bool Tfrm_gzsz::inputsWritable(const QString& failureText)
{
    // A rate in the closed group: the group opens to show it.
    if (!acceptNumbers([this](QWidget* w) { if (!w->isEnabled()) CheckBox1->setChecked(true); })) return false;
    // 扣税级别 holds a level number: without one the template could not be taxed.
    if (text::trim(Edit7->text()).isEmpty()) {
        ui::failedBecause(failureText,
                          QStringLiteral("基本工资%1不在任何所得税级别的范围内，没有扣税级别。请在所得税设置中添加相应的级别。")
                              .arg(text::trim(Edit1->text())),
                          this);
        return false;
    }
    return true;
}

ui::FieldValues Tfrm_gzsz::inputValues() const
{
    ui::FieldValues values;
    for (const auto& fc : fields()) {
        // Number and name are stored as typed.
        const bool asTyped = fc.control == ComboBox1 || fc.control == ComboBox2;
        values.append({fc.field, inputOf(fc, !asTyped)});
    }
    return values;
}

void Tfrm_gzsz::BitBtn1Click()
{
    for (QWidget* w : std::initializer_list<QWidget*>{ComboBox1, ComboBox2, Edit1, Edit2, Edit3})
        if (ui::controlText(w).isEmpty()) {
            ui::info(QStringLiteral("请详细填写工资信息！"), this);
            return;
        }
    for (ui::Edit* e : {Edit4, Edit5, Edit6})
        if (e->text() == QLatin1String("0")) {
            ui::info(QStringLiteral("请设置保险信息！"), this);
            return;
        }
    if (!inputsWritable(QStringLiteral("保存失败"))) return;
    try {
        const ui::FieldValues values = inputValues();
        QStringList columns, markers;
        db::Params params;
        for (qsizetype i = 0; i < values.size(); ++i) {
            const QString name(QChar(char16_t(u'a' + i)));
            columns << values[i].first;
            markers << QLatin1Char(':') + name;
            params.append({name, values[i].second});
        }
        // Beside the grid's query: a refusal leaves the grid on the stored rows.
        db::exec(Data1->ADOConnection2,
                 QStringLiteral("insert into 工资模板 (%1) values (%2)").arg(columns.join(QStringLiteral(", ")), markers.join(',')),
                 params);
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
    if (!inputsWritable(QStringLiteral("修改失败"))) return;
    try {
        ui::writeRow(query(), inputValues());
    } catch (...) {
        ui::failed(QStringLiteral("工资模板修改"), QStringLiteral("修改失败"), this);
        return;
    }
    ui::info(QStringLiteral("修改成功"), this);
}

void Tfrm_gzsz::BitBtn4Click()
{
    // No keeps what was typed: 删除 lies beside 保存 and 修改.
    if (deleteCurrentRow()) editclear();
}

void Tfrm_gzsz::BitBtn3Click() { close(); }
