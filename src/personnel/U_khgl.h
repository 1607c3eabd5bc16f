#pragma once
#include "platform/ui/form.h"
#include "platform/ui/rowbind.h"

namespace ui { class Button; class Edit; class ComboBox; class Memo; class DBGrid; }
class QGroupBox;

// Monthly attendance and assessment of the employees (考核表).
class Tfrm_khgl : public ui::Form {
    Q_OBJECT
public:
    explicit Tfrm_khgl(QWidget* owner = nullptr);

    ui::Button* SpeedButton4;   // 保存
    ui::Button* SpeedButton1;   // 修改
    ui::Button* SpeedButton2;   // 删除
    ui::Button* SpeedButton6;   // 退出
    QGroupBox* GroupBox1;
    QGroupBox* GroupBox2;
    ui::ComboBox* ComboBox1;    // 员工编号
    ui::Edit* Edit1;            // 出勤天数
    ui::Edit* Edit2;            // 请假天数
    ui::Edit* Edit3;            // 迟到次数
    ui::Edit* Edit4;            // 早退次数
    ui::Edit* Edit5;            // 旷工天数
    ui::Edit* Edit6;            // 加班时数
    ui::ComboBox* ComboBox2;    // 考核等级
    ui::Edit* Edit7;            // 考核分值
    ui::Edit* Edit8;            // 考核人
    ui::Edit* Edit9;            // 考核月份
    ui::Memo* Memo1;            // 考核评价
    ui::DBGrid* DBGrid1;

    void FormShow() override;
    void SpeedButton4Click();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton6Click();
    void DBGrid1CellClick();
    void editvalue();

private:
    ui::FieldControls fields() const;   // the twelve columns in insert order
};

extern Tfrm_khgl* frm_khgl;
