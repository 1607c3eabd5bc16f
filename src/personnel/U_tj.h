#pragma once
#include "platform/ui/form.h"

namespace ui { class Button; class ComboBox; class Edit; }
class QLabel;

// Looks employees up by number or name; the result is left in
// Data1->ADOpublic, which the opener's grid shows.
class Tfrm_cxtj : public ui::Form {
    Q_OBJECT
public:
    explicit Tfrm_cxtj(QWidget* owner = nullptr);

    QLabel* Label1;
    ui::ComboBox* ComboBox1;    // 编号 / 姓名
    QLabel* Label2;
    ui::Edit* Edit1;            // the value sought
    ui::Button* BitBtn1;        // 确定
    ui::Button* BitBtn2;        // 取消

    void BitBtn1Click();
    void BitBtn2Click();
};

extern Tfrm_cxtj* frm_cxtj;

// The column searched for a condition text ("" when it is none of the two).
QString searchColumn(const QString& condition);
