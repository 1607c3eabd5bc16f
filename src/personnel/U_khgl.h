#pragma once
#include "platform/ui/gridform.h"

namespace ui { class Edit; class ComboBox; class Memo; }
class QGroupBox;

// Monthly attendance and assessment of the employees (考核表).
class Tfrm_khgl : public ui::GridForm {
    Q_OBJECT
public:
    explicit Tfrm_khgl(QWidget* owner = nullptr);

    // 保存, 修改, 删除 | 退出
    ui::Button *SpeedButton4, *SpeedButton1, *SpeedButton2, *SpeedButton6;
    QGroupBox *GroupBox1, *GroupBox2;
    // 员工编号; 出勤天数, 请假天数, 迟到次数, 早退次数, 旷工天数, 加班时数
    ui::ComboBox* ComboBox1;
    ui::Edit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6;
    // 考核等级, 考核分值, 考核人, 考核月份, 考核评价
    ui::ComboBox* ComboBox2;
    ui::Edit *Edit7, *Edit8, *Edit9;
    ui::Memo* Memo1;

    void FormShow() override;
    void SpeedButton4Click();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton6Click();
};

extern Tfrm_khgl* frm_khgl;
