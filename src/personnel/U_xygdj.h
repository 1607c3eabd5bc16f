#pragma once
#include "personnel/record_fields.h"
#include "platform/db/value.h"
#include "platform/ui/form.h"
#include <QImage>
#include <functional>

namespace ui { class Button; class ComboBox; class Edit; class MaskEdit; class Memo; }
class QFrame;
class QGroupBox;
class QLabel;

// The applicant's inputs that a hire copies, as the applicant dialog shows them.
struct ApplicantInputs {
    QString xm;     // 姓名
    QString xb;     // 性别
    QString mz;     // 民族
    QString whcd;   // 文化程度
    QString csrq;   // 出生日期
    QString dzyx;   // 电子信箱
    QString byyx;   // 毕业院校
    QString zy;     // 专业
    QString tc;     // 特长
};

// The employee record (人事表): a new employee (OpenMode 0), the employee
// browse's current employee (1), or the hire of the applicant shown (2).
//
// Its opener hands it what it shows: the browse its query, whose current row
// is loaded and changed by 修改; the applicant dialog the applicant's inputs.
// The dialog ends with QDialog::Accepted exactly when it saved a new employee.
class Tfrm_xygdj : public ui::Form {
    Q_OBJECT
public:
    explicit Tfrm_xygdj(QWidget* owner = nullptr);
    // OpenMode 1: the current row of `employee` (the browse's list), if any.
    Tfrm_xygdj(QWidget* owner, db::Query& employee);
    // OpenMode 2: the applicant's inputs. `withSave` (the applicant's
    // removal) runs in the insert's transaction: if it fails, the employee
    // is not saved either.
    Tfrm_xygdj(QWidget* owner, const ApplicantInputs& applicant, std::function<void()> withSave = {});

    // The entry points of the two constructors above.
    void loadEmployee(db::Query& employee);
    void takeApplicant(const ApplicantInputs& applicant);

    QGroupBox* GroupBox1;       // 基本信息
    QGroupBox* GroupBox2;       // 其它信息
    QFrame* Panel1;             // the buttons
    QFrame* Panel2;             // the photo's frame

    ui::Edit* Edit1;            // 编号 (read-only)
    ui::Edit* Edit2;            // 姓名
    ui::ComboBox* ComboBox8;    // 性别
    ui::ComboBox* ComboBox1;    // 民族
    ui::MaskEdit* MaskEdit3;    // 出生日期
    ui::ComboBox* ComboBox7;    // 婚姻状况
    ui::ComboBox* ComboBox9;    // 文化程度
    ui::ComboBox* ComboBox2;    // 政治面貌
    ui::Edit* Edit6;            // 毕业学校
    ui::Edit* Edit7;            // 专业
    ui::Edit* Edit8;            // 特长
    ui::Edit* Edit13;           // 电子信箱
    ui::MaskEdit* MaskEdit4;    // 联系电话
    ui::Edit* Edit9;            // 手机
    ui::Edit* Edit5;            // 籍贯
    ui::Edit* Edit10;           // 身份证号
    ui::Edit* Edit12;           // 家庭住址
    ui::Button* Button1;        // 添加照片
    QLabel* Image1;             // the photo

    ui::MaskEdit* MaskEdit5;    // 参加工作时间
    ui::ComboBox* ComboBox3;    // 工种
    ui::Edit* Edit15;           // 工龄
    ui::ComboBox* ComboBox4;    // 所属部门
    ui::ComboBox* ComboBox5;    // 职务
    ui::ComboBox* ComboBox6;    // 职称
    ui::MaskEdit* MaskEdit2;    // 登记日期
    ui::Edit* Edit16;           // 登记人
    ui::MaskEdit* MaskEdit1;    // 调入时间
    ui::Memo* Memo1;            // 简历

    ui::Button* BitBtn6;        // 保存, the placeholder of OpenMode 1
    ui::Button* BitBtn2;        // 添加
    ui::Button* BitBtn1;        // 保存
    ui::Button* BitBtn5;        // 修改
    ui::Button* BitBtn4;        // 取消
    ui::Button* BitBtn3;        // 退出

    void FormShow() override;
    void FormClose() override;
    void BitBtn2Click();        // 添加: propose the next number
    void BitBtn1Click();        // 保存: check, insert, close once saved
    void BitBtn5Click();        // 修改: update the browse's current employee
    void BitBtn4Click() { editclear(); }
    void Button1Click();        // 添加照片
    void editclear();

    // The save-enabling rule every watched input runs on a change.
    void Edit1Change();
    // 身份证号: the rule above, then the birth date from the number.
    void Edit10Change();
    // Enter/Down/Up in 简历; true when the key moved the focus.
    bool Memo1KeyDown(int key);

    // A stored photo (zp) into the image: no picture when it does not decode.
    // 修改 without a new photo writes the row's own zp back unchanged.
    void loadStoredPhoto(const db::Value& zp);
    bool hasPicture() const { return !picture_.isNull(); }
    QImage picture() const { return picture_; }

    bool chainKeyDown(QWidget* input, int key) override;

private:
    // The construction, part by part: the two groups of inputs, the button
    // bar, and the record's field table over the inputs.
    void buildBasicInputs();
    void buildOtherInputs();
    void buildButtons();
    void describeRecord();
    void FormCreate();
    int openMode() const;
    void showPicture();
    db::Value photoValue() const;

    personnel::RecordFields fields_;   // in the order a loaded row fills them
    QImage picture_;            // what Image1 shows
    bool photoReplaced_ = false;
    db::Query* employee_ = nullptr;   // OpenMode 1: whose current row was loaded
    std::function<void()> withSave_;
};

extern Tfrm_xygdj* frm_xygdj;
