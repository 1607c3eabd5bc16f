#include "app/U_flash.h"
#include "app/picture.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

Tfrm_flash* frm_flash = nullptr;

Tfrm_flash::Tfrm_flash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frm_flash"));
    setFixedSize(332, 213);
    Image1 = new PictureBox(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 332, 213);
    Image1->setPicture(loadAsset(QStringLiteral("splash")));
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->geometry().center() - QPoint(332 / 2, 213 / 2));
}

Tfrm_flash::~Tfrm_flash()
{
    if (frm_flash == this) frm_flash = nullptr;
}

void Tfrm_flash::showNow()
{
    show();
    raise();
    // The window system maps the window asynchronously; wait a moment for it
    // so that the picture is really on the screen before start-up goes on.
    QElapsedTimer t;
    t.start();
    while (windowHandle() && !windowHandle()->isExposed() && t.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
