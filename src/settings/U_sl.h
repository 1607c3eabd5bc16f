#pragma once
#include "platform/db/value.h"
#include "platform/ui/form.h"
#include "platform/ui/rowbind.h"

namespace ui { class Button; class Edit; class DBGrid; }
class QLabel;

// The next bracket number: "0" for an empty table (a Null maximum), otherwise
// the largest stored number plus one, read as a number and written as a whole
// number in plain digits. A maximum that is not a number raises db::Error.
QString nextLevelNumber(const db::Value& maxLevel);

// Income-tax brackets (个人所得税税率表).
class Tfrm_sl : public ui::Form {
    Q_OBJECT
public:
    explicit Tfrm_sl(QWidget* owner = nullptr);

    ui::Button* SpeedButton1;   // 添加
    ui::Button* SpeedButton2;   // 修改
    ui::Button* SpeedButton3;   // 删除
    ui::Button* SpeedButton4;   // 保存
    ui::Button* SpeedButton5;   // 取消
    ui::Button* SpeedButton6;   // 退出
    ui::Edit* Edit1;            // 级别号
    ui::Edit* Edit2;            // 应纳所得税金额下限
    ui::Edit* Edit3;            // 应纳所得税金额上限
    ui::Edit* Edit4;            // 税率
    ui::DBGrid* DBGrid1;

    // 1 from 修改 until a modify-save or 取消: 保存 then changes the current row.
    int xgflag = 0;

    void FormShow() override;
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton6Click();
    void DBGrid1CellClick();
    void editvalue();
    void editclear();

private:
    void setInputsReadOnly(bool ro);
    void setSaving(bool on);
    ui::FieldControls fields() const;
};

extern Tfrm_sl* frm_sl;
