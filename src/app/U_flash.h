#pragma once
#include <QWidget>

class PictureBox;

// The splash window shown while the program starts.
class Tfrm_flash : public QWidget {
    Q_OBJECT
public:
    explicit Tfrm_flash(QWidget* parent = nullptr);
    ~Tfrm_flash() override;

    // Shows the window and paints it now, before the slow start-up work.
    void showNow();

    PictureBox* Image1 = nullptr;
};

extern Tfrm_flash* frm_flash;
