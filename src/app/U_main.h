#pragma once
#include <QMainWindow>

// The application's main window. OpenMode tells the applicant and employee
// dialogs why they were opened: 0 new record, 1 a browse's current row, 2 hire.
class Tfrm_main : public QMainWindow {
    Q_OBJECT
public:
    explicit Tfrm_main(QWidget* parent = nullptr);
    ~Tfrm_main() override;

    int OpenMode = 0;
};

extern Tfrm_main* frm_main;
