#include "settings/U_kqlr.h"
#include "data/U_data.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include "platform/ui/modal.h"

Tfrm_kqxx* frm_kqxx = nullptr;

Tfrm_kqxx::Tfrm_kqxx(QWidget* owner)
    : ui::GridForm(owner, "frm_kqxx", QStringLiteral("考勤设置"), Data1->ADOQYkqxx, {.size = {373, 328}})
{
    addTools({{SpeedButton2, "修改", [this] { SpeedButton2Click(); }},
              {SpeedButton3, "删除", [this] { SpeedButton3Click(); }}, divider(),
              {SpeedButton4, "保存", [this] { SpeedButton4Click(); }},
              {SpeedButton5, "取消", [this] { SpeedButton5Click(); }}, divider(),
              {SpeedButton6, "退出", [this] { SpeedButton6Click(); }}});
    // Each line lays out on its own: the second line's labels are the long ones.
    ui::InputPanel* p = addPanel(ui::InputPanel::Align::Lines);
    p->line({{Edit5, "Edit5", "全勤奖："}, {Edit6, "Edit6", "出勤天数："}, {Edit4, "Edit4", "几倍："}});
    p->line({{Edit1, "Edit1", "迟到早退次数："}, {Edit3, "Edit3", "月平均工作天数："}});
    bindFields({{"全勤奖", Edit5, ui::As::Number}, {"出勤天数", Edit6, ui::As::Number},
                {"迟到早退次数", Edit1, ui::As::Number}, {"月平均工作天数", Edit3, ui::As::Number},
                {"几倍", Edit4, ui::As::Number}});
    for (const auto& fc : fields()) {
        auto* e = static_cast<ui::Edit*>(fc.control);
        e->setText(QStringLiteral("0"));
        e->setMinimumWidth(36);
    }

    tabOrder({Edit5, Edit6, Edit4, Edit1, Edit3, DBGrid1});
    setFocusChain({Edit5, Edit6, Edit4, Edit1, Edit3});
}

// Blanks count as content here; only a box with no text at all is empty.
bool Tfrm_kqxx::anyEmpty() const
{
    for (const auto& fc : fields())
        if (ui::controlText(fc.control).isEmpty()) return true;
    return false;
}

void Tfrm_kqxx::FormShow()
{
    reload(QStringLiteral("select * from 考勤表"));
    if (!query().field(QStringLiteral("月平均工作天数")).isNull())
        editvalue();
    else
        Edit3->setText(QString());
}

void Tfrm_kqxx::SpeedButton4Click()
{
    if (anyEmpty()) {
        ui::info(QStringLiteral("请详细设置考勤信息"), this);
        return;
    }
    if (!query().field(QStringLiteral("全勤奖")).isNull()) {
        ui::info(QStringLiteral("考勤信息已经存在，不能重复添加，如有需要请修改信息！"), this);
        return;
    }
    if (!acceptNumbers()) return;
    try {
        // The grid may be older than a rule another copy of the program stored since.
        if (insertInputs(QStringLiteral("insert into 考勤表 (全勤奖, 出勤天数, 迟到早退次数, 月平均工作天数, 几倍) "
                                        "select :a,:b,:c,:d,:e where (select 全勤奖 from 考勤表 limit 1) is null"))
            == 0) {
            reload(QStringLiteral("select * from 考勤表"));   // what was typed stays
            ui::info(QStringLiteral("考勤信息已经存在，不能重复添加，如有需要请修改信息！"), this);
            return;
        }
        FormShow();
        editclear();
        ui::info(QStringLiteral("添加成功"), this);
    } catch (...) {
        ui::failed(QStringLiteral("考勤设置添加"), QStringLiteral("系统出错！"), this);
    }
}

void Tfrm_kqxx::SpeedButton2Click()
{
    // Empty boxes would blank the rules row: the same test as 保存 comes first.
    if (anyEmpty()) {
        ui::info(QStringLiteral("请详细设置考勤信息"), this);
        return;
    }
    if (!acceptNumbers()) return;
    postInputs();
    ui::info(QStringLiteral("修改成功"), this);
}

void Tfrm_kqxx::SpeedButton3Click()
{
    deleteCurrentRow();
    editclear();
}

void Tfrm_kqxx::SpeedButton5Click() { editclear(); }

void Tfrm_kqxx::SpeedButton6Click() { close(); }
