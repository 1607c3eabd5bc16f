#include "app/U_login.h"
#include "app/ending.h"
#include "app/picture.h"
#include "data/U_data.h"
#include "data/system_db.h"
#include "platform/ui/errors.h"
#include "platform/ui/modal.h"
#include "platform/text/text.h"
#include <QDateTime>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>

Tfrm_Login* frm_Login = nullptr;

int Tfrm_Login::LoginAttempts = 0;
bool Tfrm_Login::LoggedIn = false;
QString& Tfrm_Login::OperatorName = session().OperatorName;

void Tfrm_Login::resetSession()
{
    LoginAttempts = 0;
    LoggedIn = false;
    OperatorName.clear();
}

Tfrm_Login::Tfrm_Login(QWidget* owner) : ui::Form(owner), host_(dynamic_cast<LoginHost*>(owner))
{
    setObjectName(QStringLiteral("frm_Login"));
    setWindowTitle(QStringLiteral("登陆"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(332, 212);

    // The picture carries the visible labels and button faces; these labels lie under it.
    QFont labelFont(QStringLiteral("SimSun"));
    labelFont.setPixelSize(14);
    Label1 = new QLabel(QStringLiteral("用户名："), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(labelFont);
    Label1->move(64, 48);
    Label2 = new QLabel(QStringLiteral("密  码："), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(labelFont);
    Label2->move(64, 88);

    Image1 = new PictureBox(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 332, 212);
    Image1->setPicture(loadAsset(QStringLiteral("login")));

    Edit1 = new ui::Edit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFrame(false);
    Edit1->setGeometry(119, 155, 88, 19);
    Edit2 = new ui::Edit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setFrame(false);
    Edit2->setEchoMode(QLineEdit::Password);
    Edit2->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    Edit2->setGeometry(119, 176, 88, 19);

    // Invisible buttons laid over the picture's button faces.
    SpeedButton1 = new ui::Button(QString(), this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setFlat(true);
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    SpeedButton1->setGeometry(219, 153, 58, 20);
    SpeedButton1->onClick = [this] { SpeedButton1Click(); };
    SpeedButton2 = new ui::Button(QString(), this);
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton2->setFlat(true);
    SpeedButton2->setFocusPolicy(Qt::NoFocus);
    SpeedButton2->setGeometry(220, 175, 58, 20);
    SpeedButton2->onClick = [this] { SpeedButton2Click(); };

    setTabOrder(Edit1, Edit2);
    setFocusChain({Edit1, Edit2});
    Edit1->setFocus();

    QScreen* screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen) move(screen->geometry().center() - QPoint(332 / 2, 212 / 2));
}

Tfrm_Login::~Tfrm_Login() = default;

// The focus chain filters the inputs' keys through here: Enter and Down in
// the password box log in instead of moving on.
bool Tfrm_Login::eventFilter(QObject* o, QEvent* e)
{
    if (o == Edit2 && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down) {
            ui::guarded(this, [this] { SpeedButton1Click(); });
            return true;
        }
        if (key == Qt::Key_Up) {
            Edit1->setFocus();
            return true;
        }
    }
    return ui::Form::eventFilter(o, e);
}

void Tfrm_Login::SpeedButton1Click()
{
    // Every press counts, also one refused for an empty box or failed by the database.
    ++LoginAttempts;
    if (Edit1->text().isEmpty()) {
        ui::info(QStringLiteral("请输入用户名"), this);
        return;
    }
    if (Edit2->text().isEmpty()) {
        ui::info(QStringLiteral("请输入密码"), this);
        return;
    }
    plogin();
}

void Tfrm_Login::plogin()
{
    // The check is the first statement on the connection: the file is made
    // ready (or refused untouched) before the connection first opens it.
    if (!Data1->ADOConnection2.isOpen()) data::readyDatabaseFile(Data1->ADOConnection2.path());
    db::Query& q = Data1->ADOlogin;
    q.close();
    q.clearSql();
    q.addSql(QStringLiteral("select * from 操作员信息表 where 操作员名称 = :a and 操作员密码 = :b"));
    q.setParam(QStringLiteral("a"), db::Value::text(text::trim(Edit1->text())));
    q.setParam(QStringLiteral("b"), db::Value::text(text::trim(Edit2->text())));
    q.open();
    if (q.recordCount() > 0) {
        OperatorName = q.field(QStringLiteral("操作员名称")).toText();
        LoggedIn = true;
        if (host_) host_->showLogin(OperatorName, QDateTime::currentDateTime());
        accept();
        return;
    }
    if (LoginAttempts >= 3) {
        ui::info(QStringLiteral("您无权使用本系统！"), this);
        endProgram();
        return;
    }
    ui::info(QStringLiteral("用户名或密码错误，请重新输入！"), this);
    Edit1->clear();
    Edit2->clear();
    Edit1->setFocus();
}

void Tfrm_Login::SpeedButton2Click()
{
    if (LoggedIn)
        close();
    else
        endProgram();
}

void Tfrm_Login::FormClose()
{
    if (!LoggedIn && !applicationEnding()) endProgram();
}

void Tfrm_Login::endProgram()
{
    endApplication();
    if (isVisible()) done(QDialog::Rejected);
}
