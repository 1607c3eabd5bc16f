#pragma once
#include "platform/ui/form.h"

class QCheckBox;
class QGroupBox;
class QLabel;
namespace ui { class Button; class ComboBox; class DBGrid; class Edit; }

// The monthly payroll: generates a month's salary rows, cancels them, records
// other amounts on a row and settles the month.
class Tfrm_gzb : public ui::Form {
    Q_OBJECT
public:
    explicit Tfrm_gzb(QWidget* owner = nullptr);
    ~Tfrm_gzb() override;

    QLabel* Label1;
    ui::ComboBox* ComboBox1;
    ui::Button* Button3;   // 生成工资表
    ui::Button* Button1;   // 月工资结算
    ui::Button* Button2;   // 取消生成
    ui::Button* Button4;   // 退出
    QCheckBox* CheckBox1;
    QGroupBox* GroupBox1;
    ui::Edit* Edit2;       // 其它金额
    ui::Edit* Edit1;       // 其它扣额
    ui::Edit* Edit3;       // 说明
    ui::Button* BitBtn1;   // 添加
    ui::DBGrid* DBGrid1;

    void FormShow() override;
    void Button3Click();
    void Button2Click();
    void Button4Click();
    void Button1Click();
    void jiesuan();
    void CheckBox1Click();
    void BitBtn1Click();

private:
    // The first other-amount box (其它金额, then 其它扣额) holding no number.
    ui::Edit* firstBadAmount() const;
    QString amountRefusal(const ui::Edit* box) const;
    void focusAmount(ui::Edit* box);
    void showMonth(const QString& month);
};

extern Tfrm_gzb* frm_gzb;
