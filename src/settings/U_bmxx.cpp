#include "settings/U_bmxx.h"
#include "data/U_data.h"
#include "data/keys.h"
#include "platform/db/error.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include "platform/ui/modal.h"
#include "platform/text/text.h"
#include "settings/reference_rows.h"
#include <QGroupBox>

Tfrm_bmxx* frm_bmxx = nullptr;

QString nextDepartmentNumber(const QStringList& stored)
{
    std::optional<int64_t> largest;
    for (const QString& raw : stored) {
        const QString number = text::trim(raw);
        if (number.isEmpty()) continue;
        const auto n = keys::digits(number);
        if (!n) throw db::Error(QStringLiteral("部门编号“%1”不是数字，无法给出下一个部门编号").arg(number));
        largest = std::max(largest.value_or(0), *n);
    }
    // The whole key is the serial.
    return keys::next(QString(), largest);
}

Tfrm_bmxx::Tfrm_bmxx(QWidget* owner)
    : ui::GridForm(owner, "frm_bmxx", QStringLiteral("部门信息"), Data1->ADOQYbmxx, {.size = {341, 398}})
{
    addTools({{SpeedButton1, "添加", [this] { SpeedButton1Click(); }},
              {SpeedButton2, "修改", [this] { SpeedButton2Click(); }},
              {SpeedButton3, "删除", [this] { SpeedButton3Click(); }}, divider(),
              {SpeedButton4, "保存", [this] { SpeedButton4Click(); }},
              {SpeedButton5, "取消", [this] { SpeedButton5Click(); }}, divider(),
              {SpeedButton6, "退出", [this] { SpeedButton6Click(); }}});
    ui::InputPanel* p = addGroup(GroupBox1, QStringLiteral("部门信息"));
    p->line({{Edit1, "Edit1", "部门编号："}});
    p->line({{Edit2, "Edit2", "部门名称："}});
    bindFields({{"部门编号", Edit1}, {"部门名称", Edit2}});
    // The number is proposed, never typed.
    Edit1->setEnabled(false);

    tabOrder({Edit1, Edit2, DBGrid1});
    setFocusChain({Edit1, Edit2});
    // 部门名称 moves only back, and 部门编号, being disabled, never takes the focus.
    setFocusKeys(Edit2, Keys::None);
    setUpKey(Edit2, true);

    setSaveButtons({SpeedButton4, SpeedButton5});
    setInputsReadOnly(true);
    setSaving(false);
}

void Tfrm_bmxx::FormShow()
{
    reload(QStringLiteral("select * from 部门表"));
    shownRow_ = -1;
    if (query().field(QStringLiteral("部门编号")).isNull()) {
        ui::info(QStringLiteral("数据库中没有数据，请添加数据！"), this);
        SpeedButton1Click();
    }
}

void Tfrm_bmxx::DBGrid1CellClick()
{
    if (query().isEmpty()) return;
    editvalue();
    shownRow_ = query().recNo();
}

void Tfrm_bmxx::editclear()
{
    GridForm::editclear();
    shownRow_ = -1;
}

void Tfrm_bmxx::SpeedButton1Click()
{
    auto& p = Data1->ADOpublic;
    ui::runSelect(p, QStringLiteral("select 部门编号 from 部门表"));
    QStringList stored;
    for (int r = 0; r < p.recordCount(); ++r) stored << p.value(r, 0).toText();
    const QString next = nextDepartmentNumber(stored);
    // Adding ends a pending modify, so 保存 stores a new department instead of overwriting one.
    xgflag = 0;
    editclear();
    Edit1->setText(next);
    setSaving(true);
    Edit2->setReadOnly(false);
    SpeedButton2->setEnabled(false);
}

void Tfrm_bmxx::SpeedButton2Click()
{
    xgflag = 1;
    setInputsReadOnly(false);
    setSaving(true);
}

void Tfrm_bmxx::SpeedButton3Click()
{
    if (deleteUnlessInUse(query(), QStringLiteral("部门名称"), QStringLiteral("ssbm"), this)) editclear();
}

void Tfrm_bmxx::SpeedButton4Click()
{
    if (text::trim(Edit1->text()).isEmpty()) {
        ui::info(QStringLiteral("请输入部门编号"), this);
        return;
    }
    if (text::trim(Edit2->text()).isEmpty()) {
        ui::info(QStringLiteral("请输入部门名称"), this);
        return;
    }
    // Boxes that show no stored department (a proposal, or texts kept by a
    // failed insert) are stored as a new one even while modifying.
    if (xgflag == 0 || shownRow_ < 0) {
        insertDepartment();
        return;
    }
    auto& q = query();
    if (q.recNo() != shownRow_) q.setRecNo(shownRow_);
    postInputs();
    ui::info(QStringLiteral("修改成功"), this);
    xgflag = 0;
    setSaving(false);
}

void Tfrm_bmxx::insertDepartment()
{
    try {
        insertInputs(QStringLiteral("insert into 部门表 (部门编号, 部门名称) values (:a,:b)"));
        setInputsReadOnly(true);
        setSaving(false);
        SpeedButton2->setEnabled(true);
        xgflag = 0;
        FormShow();
        // The boxes keep the new department: it becomes the grid's current row too.
        auto& q = query();
        const int number = q.fieldIndex(QStringLiteral("部门编号"));
        const int name = q.fieldIndex(QStringLiteral("部门名称"));
        const QString n = text::trim(Edit1->text()), m = text::trim(Edit2->text());
        for (int r = q.recordCount() - 1; r >= 0; --r) {
            if (q.value(r, number).toText() == n && q.value(r, name).toText() == m) {
                q.setRecNo(r);
                shownRow_ = r;
                break;
            }
        }
    } catch (...) {
        shownRow_ = -1;
        ui::failed(QStringLiteral("部门添加"), QStringLiteral("系统出错！"), this, QStringLiteral("警告"));
    }
}

void Tfrm_bmxx::SpeedButton5Click()
{
    auto& q = query();
    if (q.isOpen() && q.state() != db::Query::State::Browse) q.cancel();
    editclear();
    setInputsReadOnly(true);
    setSaving(false);
    SpeedButton2->setEnabled(true);
    xgflag = 0;
}

void Tfrm_bmxx::SpeedButton6Click() { close(); }
