#pragma once
#include "data/session.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"

class PictureBox;
class QDateTime;
class QLabel;

// The window a login serves: told who logged in and when.
class LoginHost {
public:
    virtual void showLogin(const QString& operatorName, const QDateTime& at) = 0;

protected:
    ~LoginHost() = default;
};

// The login dialog: the operator's name and password checked against the
// operator table; on success its owner, when a LoginHost (the main window),
// is told who logged in and when.
class Tfrm_Login : public ui::Form {
    Q_OBJECT
public:
    explicit Tfrm_Login(QWidget* owner = nullptr);
    ~Tfrm_Login() override;

    // Shared by every opening during one run.
    static int LoginAttempts;
    static bool LoggedIn;
    static QString& OperatorName;   // the shared session's
    static void resetSession();   // tests start each run afresh

    void SpeedButton1Click();
    void SpeedButton2Click();
    void FormClose() override;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    PictureBox* Image1 = nullptr;
    ui::Edit* Edit1 = nullptr;
    ui::Edit* Edit2 = nullptr;
    ui::Button* SpeedButton1 = nullptr;
    ui::Button* SpeedButton2 = nullptr;

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void plogin();
    void endProgram();

    LoginHost* host_ = nullptr;
};

extern Tfrm_Login* frm_Login;
