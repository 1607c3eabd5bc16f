#pragma once
#include "platform/ui/form.h"
#include "platform/ui/rowbind.h"

class QFrame;
class QGroupBox;
namespace ui { class Button; class Edit; class Memo; }

// The company's own record, the first row of 单位信息表: its name is the
// root of the department trees.
class Tfrm_dwxx : public ui::Form {
    Q_OBJECT
public:
    explicit Tfrm_dwxx(QWidget* owner = nullptr);

    ui::Button* SpeedButton2;   // 修改
    ui::Button* SpeedButton4;   // 保存
    ui::Button* SpeedButton5;   // 取消
    ui::Button* SpeedButton6;   // 退出
    QFrame* Panel1;
    QGroupBox* GroupBox1;
    ui::Edit* Edit1;            // 单位名称
    ui::Edit* Edit2;            // 法人
    ui::Edit* Edit3;            // 创建日期
    ui::Edit* Edit4;            // 单位电话
    ui::Edit* Edit5;            // 单位邮箱
    ui::Edit* Edit6;            // 单位地址
    ui::Memo* Memo1;            // 单位介绍

    void FormShow() override;
    void SpeedButton2Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton6Click();
    void editvalue();
    void editclear();

private:
    ui::FieldControls fields() const;
};

extern Tfrm_dwxx* frm_dwxx;
