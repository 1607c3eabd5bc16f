#include "app/U_about.h"
#include "app/picture.h"
#include <QFrame>
#include <QVBoxLayout>

Tfrm_about* frm_about = nullptr;

Tfrm_about::Tfrm_about(QWidget* owner) : ui::Form(owner)
{
    setObjectName(QStringLiteral("frm_about"));
    setWindowTitle(QStringLiteral("关于"));
    // Outer size 278 x 213 with a sizeable frame: 4-pixel borders and a
    // 19-pixel caption leave a client area of 270 x 186.
    move(230, 102);
    resize(270, 186);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Panel1);

    Image1 = new PictureBox(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPicture(loadAsset(QStringLiteral("splash")));
    auto* inner = new QVBoxLayout(Panel1);
    inner->setContentsMargins(2, 2, 2, 2);
    inner->addWidget(Image1);

    BitBtn1 = new ui::Button(QStringLiteral("确定"), Panel1);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(184, 120, 75, 25);
    BitBtn1->raise();
    BitBtn1->onClick = [this] { BitBtn1Click(); };
}

void Tfrm_about::BitBtn1Click() { close(); }
