#pragma once
#include <QString>

// What the dialogs share with the main window and the login while the
// program runs. The main window and the login expose these under their own
// names (Tfrm_main::OpenMode, Tfrm_Login::OperatorName).
struct Session {
    // Why the applicant and employee dialogs were opened: 0 new record,
    // 1 a browse's current row, 2 hire of the applicant shown.
    int OpenMode = 0;
    // 操作员名称 of the operator of the last successful login.
    QString OperatorName;
};

Session& session();
