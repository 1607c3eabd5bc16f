#pragma once
#include "platform/ui/gridform.h"
#include <QStringList>

namespace ui { class ComboBox; class DateTimePicker; class Edit; class Memo; }

// The next contract number: the four-digit year followed by the serial after
// the largest one stored in any year (serials run on across years), at least
// three digits wide. Empty numbers are passed over; a number that is not a
// year and a serial raises db::Error, since no proposal could then be trusted
// to be new.
QString nextContractNumber(const QStringList& stored, int year);

// Employment contracts (合同表).
class Tfrm_htgl : public ui::GridForm {
    Q_OBJECT
public:
    explicit Tfrm_htgl(QWidget* owner = nullptr);

    // 添加, 保存 | 修改, 删除 | 退出
    ui::Button *SpeedButton5, *SpeedButton4, *SpeedButton1, *SpeedButton7, *SpeedButton6;
    ui::Edit* Edit1;                     // 合同编号 (read-only)
    ui::ComboBox* ComboBox1;             // 员工编号
    ui::DateTimePicker* DateTimePicker1; // 开始日期
    ui::DateTimePicker* DateTimePicker2; // 终止日期
    ui::DateTimePicker* DateTimePicker3; // 登记日期
    ui::Edit* Edit4;                     // 合同期限
    ui::Edit* Edit2;                     // 合同期工资
    ui::ComboBox* ComboBox2;             // 状态
    ui::Memo* Memo1;                     // 备注

    void FormShow() override;
    void editvalue() override;
    void editclear() override;
    void SpeedButton5Click();            // 添加: propose the next number
    void SpeedButton4Click();            // 保存: insert
    void SpeedButton1Click();            // 修改 the current contract
    void SpeedButton7Click();            // 删除, unless a running contract in service
    void SpeedButton6Click() { close(); }

private:
    // Number, employee, term, salary and state filled in; says so when not.
    bool complete();
};

extern Tfrm_htgl* frm_htgl;
