#pragma once
#include "platform/db/value.h"
#include "platform/ui/gridform.h"

namespace ui { class Edit; }

// The next bracket number: "0" for an empty table (a Null maximum), otherwise
// the largest stored number plus one, read as a number and written as a whole
// number in plain digits. A maximum that is not a number raises db::Error.
QString nextLevelNumber(const db::Value& maxLevel);

// Income-tax brackets (个人所得税税率表).
class Tfrm_sl : public ui::GridForm {
    Q_OBJECT
public:
    explicit Tfrm_sl(QWidget* owner = nullptr);

    // 添加, 修改, 删除 | 保存, 取消 | 退出
    ui::Button *SpeedButton1, *SpeedButton2, *SpeedButton3, *SpeedButton4, *SpeedButton5, *SpeedButton6;
    // 级别号, 应纳所得税金额下限, 应纳所得税金额上限, 税率
    ui::Edit *Edit1, *Edit2, *Edit3, *Edit4;

    void FormShow() override;
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton6Click();

private:
    QString proposedLevel();   // the next 级别号 as the table now stands
};

extern Tfrm_sl* frm_sl;
