#pragma once
#include "platform/ui/gridform.h"

class QCheckBox;
class QGroupBox;
namespace ui { class Button; class ComboBox; class Edit; }

// The salary template of each employee: basic salary, bonus, allowance, the
// three insurance rates and the income-tax level found from the basic salary.
class Tfrm_gzsz : public ui::GridForm {
    Q_OBJECT
public:
    explicit Tfrm_gzsz(QWidget* owner = nullptr);
    ~Tfrm_gzsz() override;

    QGroupBox* GroupBox1;
    ui::ComboBox* ComboBox1;   // 员工编号
    ui::ComboBox* ComboBox2;   // 员工姓名
    ui::Edit* Edit1;           // 基本工资
    ui::Edit* Edit2;           // 全勤奖
    ui::Edit* Edit3;           // 职务津贴
    ui::Edit* Edit7;           // 扣税级别
    QGroupBox* GroupBox2;
    ui::Edit* Edit4;           // 养老保险
    ui::Edit* Edit5;           // 医疗保险
    ui::Edit* Edit6;           // 失业保险
    QCheckBox* CheckBox1;
    ui::Button* BitBtn1;       // 保存
    ui::Button* BitBtn2;       // 修改
    ui::Button* BitBtn4;       // 删除
    ui::Button* BitBtn3;       // 退出

    void FormShow() override;
    void ComboBox1Change();
    void ComboBox2Change();
    void Edit1Change();
    void CheckBox1Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn4Click();
    void BitBtn3Click();

private:
    // The checks both writes make before anything is written: every amount
    // and rate a number, and a tax level found. Each refusal is shown.
    bool inputsWritable(const QString& failureText);
    // The template's nine values in the table's column order.
    ui::FieldValues inputValues() const;
};

extern Tfrm_gzsz* frm_gzsz;
