#pragma once
#include "personnel/employee_moves.h"

namespace ui { class Button; class ComboBox; class Edit; }

// Takes a resigned employee back into service.
class Tfrm_ygfz : public EmployeeMoveForm {
    Q_OBJECT
public:
    explicit Tfrm_ygfz(QWidget* owner = nullptr);

    ui::Button* SpeedButton4;   // 复职
    ui::Edit* Edit1;            // 编号
    ui::Edit* Edit2;            // 姓名
    ui::ComboBox* ComboBox1;    // 所属部门
    ui::ComboBox* ComboBox2;    // 职务
    ui::ComboBox* ComboBox3;    // 职称
    ui::Edit* Edit3;            // 离职复员登记人

    void FormShow() override;
    void SpeedButton4Click();
};

extern Tfrm_ygfz* frm_ygfz;
