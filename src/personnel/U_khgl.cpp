#include "personnel/U_khgl.h"
#include "data/U_data.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include "platform/ui/errors.h"
#include "platform/ui/modal.h"
#include "platform/text/text.h"

Tfrm_khgl* frm_khgl = nullptr;

Tfrm_khgl::Tfrm_khgl(QWidget* owner)
    : ui::GridForm(owner, "frm_khgl", QStringLiteral("考核管理"), Data1->ADOQYkhgl,
                   {.size = {646, 576}, .buttonSize = {50, 52}})
{
    addTools({{SpeedButton4, "保存", [this] { SpeedButton4Click(); }},
              {SpeedButton1, "修改", [this] { SpeedButton1Click(); }},
              {SpeedButton2, "删除", [this] { SpeedButton2Click(); }}, divider(),
              {SpeedButton6, "退出", [this] { SpeedButton6Click(); }}});
    ui::InputPanel* g1 = addGroup(GroupBox1);
    g1->line({{ComboBox1, "ComboBox1", "员工编号："}});
    g1->line({{Edit1, "Edit1", "出勤天数："}, {Edit2, "Edit2", "请假天数："}, {Edit3, "Edit3", "迟到次数："}});
    g1->line({{Edit4, "Edit4", "早退次数："}, {Edit5, "Edit5", "旷工天数："}, {Edit6, "Edit6", "加班时数："}});
    ui::InputPanel* g2 = addGroup(GroupBox2);
    g2->line({{ComboBox2, "ComboBox2", "考核等级："}, {Edit7, "Edit7", "考核分值："}});
    g2->line({{Edit8, "Edit8", "考核人："}, {Edit9, "Edit9", "考核月份："}});
    g2->line({{Memo1, "Memo1", "考核评价："}}, true);
    Memo1->setFixedSize(465, 33);
    ComboBox2->addItems({QStringLiteral("优秀"), QStringLiteral("良好"), QStringLiteral("一般"), QStringLiteral("差")});
    for (auto* e : {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6}) e->setText(QStringLiteral("0"));
    // The six figures sit in numeric columns that payroll reckons with.
    using ui::As;
    bindFields({{"员工编号", ComboBox1},          {"出勤天数", Edit1, As::Number}, {"请假天数", Edit2, As::Number},
                {"迟到次数", Edit3, As::Number}, {"早退次数", Edit4, As::Number}, {"旷工天数", Edit5, As::Number},
                {"加班时数", Edit6, As::Number}, {"考核等级", ComboBox2},        {"考核分值", Edit7},
                {"考核人", Edit8},                {"考核月份", Edit9},             {"考核评价", Memo1}});

    tabOrder({ComboBox1, Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, ComboBox2, Edit7, Edit8, Edit9, Memo1, DBGrid1});
}

void Tfrm_khgl::FormShow()
{
    ComboBox1->clearItems();
    ComboBox1->setText(QString());
    reload(QStringLiteral("select * from 考核表"));
    ui::addItemsFrom(ComboBox1, Data1->ADOpublic, QStringLiteral("select bh from 人事表"), QStringLiteral("bh"));
}

void Tfrm_khgl::SpeedButton4Click()
{
    if (!acceptNumbers()) return;
    try {
        insertInputs(QStringLiteral("insert into 考核表 (员工编号, 出勤天数, 请假天数, 迟到次数, 早退次数, 旷工天数, "
                                    "加班时数, 考核等级, 考核分值, 考核人, 考核月份, 考核评价) "
                                    "values (:a,:b,:c,:d,:e,:f,:g,:h,:i,:j,:k,:l)"));
    } catch (...) {
        ui::failed(QStringLiteral("考核记录保存"), QStringLiteral("保存失败"), this);
        return;
    }
    ui::info(QStringLiteral("保存成功"), this);
    // Stored: a reload that fails is its own error, never "保存失败", which
    // would invite a second record and a second salary row for the month.
    ui::guarded(this, [this] {
        FormShow();
        // The inputs still show the new record: it becomes the current row, so a
        // following 修改 reaches it and not the first record of the list.
        query().last();
    });
}

void Tfrm_khgl::SpeedButton1Click()
{
    // 修改 asks nothing: a record without its employee would be lost to payroll.
    if (text::trim(ComboBox1->text()).isEmpty()) {
        ui::info(QStringLiteral("请选择员工编号"), this);
        return;
    }
    if (!acceptNumbers()) return;
    postInputs();
    ui::info(QStringLiteral("修改成功"), this);
}

void Tfrm_khgl::SpeedButton2Click() { deleteCurrentRow(); }

void Tfrm_khgl::SpeedButton6Click() { close(); }
