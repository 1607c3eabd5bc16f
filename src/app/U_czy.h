#pragma once
#include "platform/ui/gridform.h"

namespace ui { class Edit; }

// The operators who may log in (操作员信息表): names and passwords, kept in plain text.
class Tfrm_gly : public ui::GridForm {
    Q_OBJECT
public:
    explicit Tfrm_gly(QWidget* owner = nullptr);

    // 添加, 修改, 删除 | 退出
    ui::Button *SpeedButton1, *SpeedButton2, *SpeedButton3, *SpeedButton6;
    ui::Edit* Edit1;   // 操作员名称
    ui::Edit* Edit2;   // 操作员密码

    void FormShow() override;
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton6Click();

private:
    bool nameGiven();
    bool passwordGiven();
    bool keepsAnOperator();   // true while deleting the current row leaves one who can log in
};

extern Tfrm_gly* frm_gly;
