#include "personnel/U_htgl.h"
#include "data/U_data.h"
#include "data/keys.h"
#include "platform/db/convert.h"
#include "platform/db/error.h"
#include "platform/db/query.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include "platform/ui/errors.h"
#include "platform/ui/modal.h"
#include "platform/text/text.h"
#include <QDate>

Tfrm_htgl* frm_htgl = nullptr;

QString nextContractNumber(const QStringList& stored, int year)
{
    std::optional<int64_t> largest;
    for (const QString& raw : stored) {
        const QString number = text::trim(raw);
        if (number.isEmpty()) continue;
        // The serial of any year counts: it runs on across years.
        const auto serial = number.size() >= 5 && number.size() <= 13 && keys::digits(number)
                                ? keys::digits(QStringView(number).mid(4))
                                : std::nullopt;
        if (!serial)
            throw db::Error(QStringLiteral("合同编号“%1”不是年份加序号，无法给出下一个合同编号").arg(number));
        largest = std::max(largest.value_or(0), *serial);
    }
    return keys::next(QString::number(year).rightJustified(4, QLatin1Char('0')), largest);
}

Tfrm_htgl::Tfrm_htgl(QWidget* owner)
    : ui::GridForm(owner, "frm_htgl", QStringLiteral("合同管理"), Data1->ADOQYhtgl, {.size = {640, 520}})
{
    addTools({{SpeedButton5, "添加", [this] { SpeedButton5Click(); }},
              {SpeedButton4, "保存", [this] { SpeedButton4Click(); }}, divider(),
              {SpeedButton1, "修改", [this] { SpeedButton1Click(); }},
              {SpeedButton7, "删除", [this] { SpeedButton7Click(); }}, divider(),
              {SpeedButton6, "退出", [this] { SpeedButton6Click(); }}});
    ui::InputPanel* p = addPanel();
    p->line({{Edit1, "Edit1", "合同编号："}, {ComboBox1, "ComboBox1", "员工编号："}});
    p->line({{DateTimePicker1, "DateTimePicker1", "开始日期："}, {DateTimePicker2, "DateTimePicker2", "终止日期："}});
    p->line({{DateTimePicker3, "DateTimePicker3", "登记日期："}, {Edit4, "Edit4", "合同期限："}});
    p->line({{Edit2, "Edit2", "合同期工资："}, {ComboBox2, "ComboBox2", "状    态："}});
    p->line({{Memo1, "Memo1", "备    注："}}, true);
    Memo1->setFixedHeight(48);
    Memo1->setMinimumWidth(530);
    Edit1->setReadOnly(true);
    ComboBox2->addItems({QStringLiteral("在职"), QStringLiteral("离职")});
    // The table's insert order.
    bindFields({{"合同编号", Edit1}, {"员工编号", ComboBox1}, {"登记日期", DateTimePicker3},
                {"合同开始日期", DateTimePicker1}, {"合同结束日期", DateTimePicker2}, {"合同期限", Edit4},
                {"合同期工资", Edit2}, {"状态", ComboBox2}, {"备注", Memo1}});
    tabOrder({ComboBox1, DateTimePicker1, DateTimePicker2, DateTimePicker3, Edit4, Edit2, ComboBox2, Memo1, DBGrid1});
    setSaveButtons({SpeedButton4});
    setSaving(false);
}

void Tfrm_htgl::FormShow()
{
    ComboBox1->clearItems();
    ComboBox1->setText(QString());
    reload(QStringLiteral("select * from 合同表"));
    // Listed first: a first contract that cannot be shown must not cost the list.
    const db::Rows numbers = db::select(Data1->ADOConnection2, QStringLiteral("select distinct bh from 人事表"));
    for (int r = 0; r < numbers.count(); ++r) ComboBox1->addItem(numbers.value(r, 0).toText());
    // A contract without a number is still there to be shown.
    if (!query().isEmpty())
        editvalue();
    else
        ui::info(QStringLiteral("数据库中没有数据，请添加数据！"), this);
}

void Tfrm_htgl::editvalue()
{
    // Each date is read before any input changes: a date the pickers cannot
    // show stops the load whole, rather than leaving inputs of two contracts
    // for 修改 to write. The inputs are emptied then: what they showed is
    // another contract, which 修改 would write over this one.
    try {
        for (const QString& f : {QStringLiteral("登记日期"), QStringLiteral("合同开始日期"), QStringLiteral("合同结束日期")})
            ui::DateTimePicker::dateOf(query().field(f).toText());
    } catch (...) {
        editclear();
        Edit1->clear();
        throw;
    }
    GridForm::editvalue();
}

void Tfrm_htgl::editclear()
{
    Edit2->clear();
    Edit4->clear();
    ComboBox1->setText(QString());
    ComboBox2->setText(QString());
    const QDate today = QDate::currentDate();
    for (auto* d : {DateTimePicker1, DateTimePicker2, DateTimePicker3}) d->setDate(today);
    Memo1->clear();
}

void Tfrm_htgl::SpeedButton5Click()
{
    editclear();
    // Every number, not the text maximum: "2026999" sorts above "20261000".
    const db::Rows rows = db::select(Data1->ADOConnection2, QStringLiteral("select 合同编号 as ss From 合同表 "));
    QStringList stored;
    for (int r = 0; r < rows.count(); ++r) stored << rows.value(r, 0).toText();
    Edit1->setText(nextContractNumber(stored, QDate::currentDate().year()));
    setSaving(true);
    ComboBox1->setFocus();
}

bool Tfrm_htgl::complete()
{
    // A blank-only text is no entry.
    for (const QString& t : {ComboBox2->text(), Edit4->text(), Edit2->text(), ComboBox1->text(), Edit1->text()}) {
        if (text::trim(t).isEmpty()) {
            ui::info(QStringLiteral("请完整添写信息"), this);
            return false;
        }
    }
    return true;
}

void Tfrm_htgl::SpeedButton4Click()
{
    if (!complete()) return;
    try {
        insertInputs(QStringLiteral("insert into 合同表 (合同编号, 员工编号, 登记日期, 合同开始日期, 合同结束日期, "
                                    "合同期限, 合同期工资, 状态, 备注) values (:a,:b,:c,:d,:e,:f,:g,:h,:i)"));
    } catch (...) {
        ui::failed(QStringLiteral("合同保存"), QStringLiteral("保存失败"), this);
        return;
    }
    // Stored: a reload that fails is shown as its own error, never as a
    // failed save that invites a second, duplicate contract.
    setSaving(false);
    ui::guarded(this, [this] { FormShow(); });
    ui::info(QStringLiteral("保存成功"), this);
    editclear();
}

void Tfrm_htgl::SpeedButton1Click()
{
    // The inputs are emptied after every save and change: writing them unseen would blank a contract.
    if (!complete()) return;
    if (!ui::ask(QStringLiteral("确定要修改该信息吗？"), this)) return;
    postInputs(false);   // as typed, not trimmed
    editclear();
    ui::info(QStringLiteral("修改成功"), this);
}

void Tfrm_htgl::SpeedButton7Click()
{
    auto& q = query();
    if (!q.isOpen() || q.isEmpty()) {
        ui::info(QStringLiteral("没有选中的合同，无法删除"), this);
        return;
    }
    // Only a contract in service is kept until its end; any other goes, whatever its dates.
    if (q.field(QStringLiteral("状态")).toText() == QStringLiteral("在职")) {
        const auto end = db::parseDate(q.field(QStringLiteral("合同结束日期")).toText());
        // An end date that cannot be read must never count as passed.
        if (!end) {
            ui::info(QStringLiteral("该合同的终止日期无法识别，不能删除！"), this);
            return;
        }
        if (QDate::currentDate() < *end) {
            ui::info(QStringLiteral("该员工的合同期还未满，不能删除！"), this);
            return;
        }
    }
    q.deleteRow();
}
