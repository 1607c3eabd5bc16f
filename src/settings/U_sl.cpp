#include "settings/U_sl.h"
#include "data/U_data.h"
#include "platform/db/convert.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include "platform/ui/modal.h"
#include "platform/text/text.h"
#include <cmath>
#include <cstdint>

Tfrm_sl* frm_sl = nullptr;

QString nextLevelNumber(const db::Value& maxLevel)
{
    if (maxLevel.isNull()) return QStringLiteral("0");
    // Exactly: a double holds no more than 53 bits of a large level.
    if (maxLevel.kind() == db::Value::Kind::Integer && maxLevel.asInteger() < INT64_MAX)
        return QString::number(maxLevel.asInteger() + 1);
    // A stored text counts as its number; the sum is kept whole.
    return db::formatNumber(std::nearbyint(maxLevel.toReal() + 1));
}

Tfrm_sl::Tfrm_sl(QWidget* owner)
    : ui::GridForm(owner, "frm_sl", QStringLiteral("所得税设置"), Data1->ADOQYsl, {.size = {356, 434}})
{
    addTools({{SpeedButton1, "添加", [this] { SpeedButton1Click(); }},
              {SpeedButton2, "修改", [this] { SpeedButton2Click(); }},
              {SpeedButton3, "删除", [this] { SpeedButton3Click(); }}, divider(),
              {SpeedButton4, "保存", [this] { SpeedButton4Click(); }},
              {SpeedButton5, "取消", [this] { SpeedButton5Click(); }}, divider(),
              {SpeedButton6, "退出", [this] { SpeedButton6Click(); }}});
    ui::InputPanel* p = addPanel();
    p->line({{Edit1, "Edit1", "级别号："}, {Edit4, "Edit4", "税率："}});
    p->line({{Edit2, "Edit2", "应纳所得税金额下限："}}, true);
    p->line({{Edit3, "Edit3", "应纳所得税金额上限："}}, true);
    // 级别号 goes as its text, checked on saving, so that the INTEGER column
    // gets every digit (a double would round 9007199254740993).
    bindFields({{"级别号", Edit1}, {"应纳所得税金额下限", Edit2, ui::As::Number},
                {"应纳所得税金额上限", Edit3, ui::As::Number}, {"税率", Edit4, ui::As::Number}});
    DBGrid1->setDecimals(QStringLiteral("税率"), 6);   // a factor: 0.035 is no 0.04

    tabOrder({Edit1, Edit4, Edit2, Edit3, DBGrid1});
    // The last input moves nowhere, not even back.
    setFocusChain({Edit1, Edit4, Edit2, Edit3});
    setFocusKeys(Edit3, Keys::None);

    setSaveButtons({SpeedButton4, SpeedButton5});
    setInputsReadOnly(true);
    setSaving(false);
}

void Tfrm_sl::FormShow()
{
    reload(QStringLiteral("select * from 个人所得税税率表"));
    if (query().field(QStringLiteral("级别号")).isNull()) {
        ui::info(QStringLiteral("数据库中没有数据，请向数据库中添加数据！"), this);
        SpeedButton1Click();
    }
}

QString Tfrm_sl::proposedLevel()
{
    auto& p = Data1->ADOpublic;
    ui::runSelect(p, QStringLiteral("select max(级别号) as ss from 个人所得税税率表 "));
    return nextLevelNumber(p.field(QStringLiteral("ss")));
}

void Tfrm_sl::SpeedButton1Click()
{
    const QString next = proposedLevel();
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
    if (deleteCurrentRow()) editclear();
}

void Tfrm_sl::SpeedButton4Click()
{
    for (const auto& fc : fields()) {
        if (text::trim(ui::controlText(fc.control)).isEmpty()) {
            ui::info(QStringLiteral("请完整的添写信息！"), this);
            return;
        }
    }
    // The level goes into an INTEGER column, which takes no fraction. A whole
    // number written otherwise ("3.0", "1e3") is taken only where a double is
    // exact; the database converts the text as this reads it.
    const QString typed = text::trim(Edit1->text());
    const std::optional<double> level = db::parseNumber(typed);
    const bool whole = db::parseInteger(typed) || (level && *level == std::trunc(*level) && std::fabs(*level) < 0x1p53);
    if (!whole) {
        ui::info(level ? QStringLiteral("级别号必须是整数！") : QStringLiteral("级别号必须是有效的数字！"), this);
        Edit1->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (!acceptNumbers()) return;
    if (xgflag == 0) {
        try {
            // Proposed when 添加 was pressed: another copy of the program may have added that level since.
            const QString level = text::trim(Edit1->text());
            if (insertInputs(QStringLiteral("insert into 个人所得税税率表 (级别号, 应纳所得税金额下限, 应纳所得税金额上限, 税率) "
                                            "select :a,:b,:c,:D where not exists (select 1 from 个人所得税税率表 where 级别号 = :a)"))
                == 0) {
                Edit1->setText(proposedLevel());
                ui::info(QStringLiteral("级别号%1已经存在，税率信息没有保存，已改为%2，请重新保存！").arg(level, Edit1->text()), this);
                return;
            }
            editclear();
            ui::info(QStringLiteral("添加成功"), this);
            setSaving(false);
            setInputsReadOnly(true);
            FormShow();
        } catch (...) {
            ui::failed(QStringLiteral("税率表添加"), QStringLiteral("系统出错！"), this);
        }
        return;
    }
    postInputs();
    ui::info(QStringLiteral("修改成功"), this);
    xgflag = 0;
    setSaving(false);
    setInputsReadOnly(true);
}

void Tfrm_sl::SpeedButton5Click()
{
    auto& q = query();
    // A modify the database refused is dropped, so the grid shows the stored row again.
    if (q.isOpen() && q.state() != db::Query::State::Browse) q.cancel();
    editvalue();
    setSaving(false);
    setInputsReadOnly(true);
    xgflag = 0;
}

void Tfrm_sl::SpeedButton6Click() { close(); }
