#pragma once
#include "platform/ui/form.h"

namespace ui { class Button; class DBGrid; }
class QFrame;

// Every applicant (应聘信息表) in a read-only grid over Data1->yp, whose
// current row the applicant dialog opened from here shows.
class Tfrm_ypll : public ui::Form {
    Q_OBJECT
public:
    explicit Tfrm_ypll(QWidget* owner = nullptr);

    QFrame* Panel1;
    ui::Button* BitBtn1;        // 浏览
    ui::Button* BitBtn2;        // 删除
    ui::Button* BitBtn3;        // 退出
    ui::DBGrid* DBGrid1;

    // The list; again after the applicant dialog changed an applicant.
    void FormShow() override;
    void FormClose() override;
    void BitBtn1Click();        // 浏览: the applicant dialog on the current row
    // 删除: the current applicant, at once.
    void BitBtn2Click();
    void DBGrid1DblClick();
    void editvalue();
};

extern Tfrm_ypll* frm_ypll;
