#pragma once
#include "platform/ui/controls.h"
#include "platform/ui/form.h"

class PictureBox;
class QFrame;

// The about box: the system's picture and an OK button.
class Tfrm_about : public ui::Form {
    Q_OBJECT
public:
    explicit Tfrm_about(QWidget* owner = nullptr);

    void BitBtn1Click();

    QFrame* Panel1 = nullptr;
    PictureBox* Image1 = nullptr;
    ui::Button* BitBtn1 = nullptr;
};

extern Tfrm_about* frm_about;
