#include "app/U_xgmm.h"
#include "data/U_data.h"
#include "platform/ui/controls.h"
#include "platform/ui/modal.h"
#include "platform/ui/rowbind.h"
#include "platform/text/text.h"
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QStyle>

Tfrm_xgmm* frm_xgmm = nullptr;

Tfrm_xgmm::Tfrm_xgmm(QWidget* owner) : ui::Form(owner)
{
    setObjectName(QStringLiteral("frm_xgmm"));
    setWindowTitle(QStringLiteral("修改密码"));
    setFixedSize(233, 198);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(rect());
    Panel2 = new QFrame(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel2->setGeometry(8, 8, 217, 145);

    QFont labelFont(QStringLiteral("SimSun"));
    labelFont.setPixelSize(13);
    auto label = [&](const char* name, const QString& text, int y) {
        auto* l = new QLabel(text, Panel2);
        l->setObjectName(QLatin1String(name));
        l->setFont(labelFont);
        l->move(8, y);
        return l;
    };
    auto edit = [&](const char* name, int y, bool secret) {
        auto* e = new ui::Edit(Panel2);
        e->setObjectName(QLatin1String(name));
        e->setFrame(false);
        e->setGeometry(88, y, 121, 19);
        if (secret) {
            e->setEchoMode(QLineEdit::Password);
            e->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
        }
        return e;
    };
    Label1 = label("Label1", QStringLiteral("操  作  员："), 17);
    Label2 = label("Label2", QStringLiteral("旧  密  码："), 50);
    Label3 = label("Label3", QStringLiteral("新  密  码："), 81);
    Label4 = label("Label4", QStringLiteral("确认新密码："), 112);
    Edit1 = edit("Edit1", 14, false);
    Edit2 = edit("Edit2", 45, true);
    Edit3 = edit("Edit3", 76, true);
    Edit4 = edit("Edit4", 107, true);

    BitBtn3 = new ui::Button(QStringLiteral("确定"), Panel1);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn3->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    BitBtn3->setGeometry(32, 168, 75, 25);
    BitBtn3->onClick = [this] { BitBtn3Click(); };
    // The toolkit's own cancel caption, in the language of its loaded catalogue (取消).
    BitBtn2 = new ui::Button(QCoreApplication::translate("QPlatformTheme", "Cancel"), Panel1);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    BitBtn2->setGeometry(128, 168, 75, 25);
    BitBtn2->onClick = [this] { reject(); };
    setCancelButton(BitBtn2);

    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, Edit3);
    setTabOrder(Edit3, Edit4);
    setTabOrder(Edit4, BitBtn3);
    setTabOrder(BitBtn3, BitBtn2);
    Edit1->setFocus();
    ui::centerOnScreen(this);
}

void Tfrm_xgmm::BitBtn3Click()
{
    db::Query& q = Data1->ADOlogin;
    q.close();
    q.clearSql();
    q.addSql(QStringLiteral("select * from 操作员信息表 where 操作员名称=:a and 操作员密码=:b "));
    q.setParam(QStringLiteral("a"), db::Value::text(text::trim(Edit1->text())));
    q.setParam(QStringLiteral("b"), db::Value::text(text::trim(Edit2->text())));
    q.open();
    if (q.isEmpty()) {
        ui::info(QStringLiteral("操作员名称或密码错误！"), this);
        Edit1->setFocus();
        return;
    }
    if (Edit3->text() != Edit4->text()) {
        ui::info(QStringLiteral("两次密码输入不一至！"), this);
        Edit3->setFocus();
        return;
    }
    // The login refuses an empty password box: an empty password could never be typed.
    if (text::trim(Edit3->text()).isEmpty()) {
        ui::info(QStringLiteral("请输入新密码"), this);
        Edit3->setFocus();
        return;
    }
    q.first();
    q.edit();
    // Stored as the login will compare it: blanks at either end could never be typed to match.
    q.setField(QStringLiteral("操作员密码"), db::Value::text(text::trim(Edit3->text())));
    q.post();
    ui::info(QStringLiteral("密码修改成功"), this);
    accept();
}
