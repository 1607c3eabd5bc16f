#pragma once
#include "personnel/employee_moves.h"

namespace ui { class Button; class ComboBox; class Edit; }

// Moves an employee in service to another department, position or title.
class Tfrm_ygdd : public EmployeeMoveForm {
    Q_OBJECT
public:
    explicit Tfrm_ygdd(QWidget* owner = nullptr);

    ui::Edit* Edit1;            // 员工编号
    ui::Edit* Edit2;            // 员工姓名
    ui::ComboBox* ComboBox1;    // 部门
    ui::ComboBox* ComboBox2;    // 职务
    ui::ComboBox* ComboBox3;    // 职称
    ui::Button* BitBtn3;        // 调动
    ui::Button* BitBtn2;        // 确认

    void FormShow() override;
    void BitBtn3Click();
    void BitBtn2Click();
};

extern Tfrm_ygdd* frm_ygdd;
