#pragma once
#include "platform/ui/form.h"

class QFrame;
class QLabel;
namespace ui { class Button; class Edit; }

// Password change: whoever knows an operator's name and current password may
// give that operator a new one.
class Tfrm_xgmm : public ui::Form {
    Q_OBJECT
public:
    explicit Tfrm_xgmm(QWidget* owner = nullptr);

    QFrame* Panel1;
    QFrame* Panel2;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    ui::Edit* Edit1;     // operator
    ui::Edit* Edit2;     // current password
    ui::Edit* Edit3;     // new password
    ui::Edit* Edit4;     // new password again
    ui::Button* BitBtn3; // 确定
    ui::Button* BitBtn2; // Cancel

    void BitBtn3Click();
};

extern Tfrm_xgmm* frm_xgmm;
