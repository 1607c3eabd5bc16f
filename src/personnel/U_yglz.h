#pragma once
#include "personnel/employee_moves.h"

namespace ui { class Button; class Edit; }

// Records that an employee in service leaves the company.
class Tfrm_yglz : public EmployeeMoveForm {
    Q_OBJECT
public:
    explicit Tfrm_yglz(QWidget* owner = nullptr);

    ui::Button* SpeedButton4;   // 离职
    ui::Edit* Edit1;            // 编号
    ui::Edit* Edit2;            // 姓名
    ui::Edit* Edit3;            // 所属部门
    ui::Edit* Edit4;            // 职务
    ui::Edit* Edit5;            // 职称

    void FormShow() override;
    void SpeedButton4Click();
};

extern Tfrm_yglz* frm_yglz;
