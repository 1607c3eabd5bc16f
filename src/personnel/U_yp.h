#pragma once
#include "platform/ui/form.h"
#include "personnel/record_fields.h"
#include <cstdint>

namespace ui { class Button; class ComboBox; class Edit; class MaskEdit; class Memo; }

// An applicant (应聘信息表): a new one (OpenMode 0), or the applicant browse's
// current applicant (OpenMode 1), shown for 修改, 删除 and 聘用.
class Tfrm_yp : public ui::Form {
    Q_OBJECT
public:
    // The dialog's result after 修改 stored the applicant shown: the list
    // that shows it is out of date.
    static constexpr int Changed = 2;

    explicit Tfrm_yp(QWidget* owner = nullptr);

    ui::Edit* Edit1;            // 编号 (read-only)
    ui::Edit* Edit2;            // 姓名
    ui::ComboBox* ComboBox2;    // 性别
    ui::ComboBox* ComboBox1;    // 民族
    ui::MaskEdit* MaskEdit1;    // 出生日期
    ui::Edit* Edit6;            // 联系电话
    ui::Edit* Edit7;            // 电子信箱
    ui::Edit* Edit8;            // 特长
    ui::Edit* Edit9;            // 兴趣爱好
    ui::Edit* Edit10;           // 通信地址
    ui::Edit* Edit11;           // 毕业院校
    ui::Edit* Edit12;           // 专业
    ui::ComboBox* ComboBox3;    // 文化程度
    ui::Memo* Memo1;            // 专业技能
    ui::Memo* Memo2;            // 工作经历

    // New-record layout
    ui::Button* BitBtn1;        // 添加
    ui::Button* BitBtn2;        // 保存
    ui::Button* BitBtn4;        // 取消
    // Loaded layout
    ui::Button* BitBtn3;        // 修改
    ui::Button* BitBtn7;        // 聘用
    ui::Button* BitBtn6;        // 删除
    // Both
    ui::Button* BitBtn5;        // 退出

    // The loaded layout: an applicant of the browse is shown.
    bool applicantLoaded() const { return loaded_; }

    void FormShow() override;
    void editvalue();           // Data1->yp's current row into the inputs
    void editclear();
    void BitBtn1Click();        // 添加: propose the next number
    void BitBtn2Click();        // 保存: insert, then close
    void BitBtn4Click() { editclear(); }
    void BitBtn3Click();        // 修改, then close with Changed
    void BitBtn6Click();        // 删除, then close
    // 聘用 through the employee dialog; the applicant goes with the
    // employee's save, or neither is written. Then close.
    void BitBtn7Click();

    // The save-enabling rule, run on every change of a watched input.
    void Edit1Change();
    // Enter/Down/Up in 工作经历; true when the key moved the focus.
    bool Memo2KeyDown(int key);
    bool chainKeyDown(QWidget* input, int key) override;

private:
    void FormCreate();
    // Makes the applicant shown the current row of Data1->yp again, found by
    // its rowid, wherever that query points now.
    void locateLoaded();
    // Deletes exactly the applicant shown.
    void removeLoaded();

    personnel::RecordFields fields_;    // the fifteen columns in table order
    bool loaded_ = false;
    int64_t rowid_ = 0;         // of the applicant shown
};

extern Tfrm_yp* frm_yp;
