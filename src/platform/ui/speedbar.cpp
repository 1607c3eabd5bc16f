#include "platform/ui/speedbar.h"
#include "platform/ui/controls.h"
#include <QFrame>
#include <QHBoxLayout>

namespace ui {

SpeedBar::SpeedBar(QWidget* parent, QSize buttonSize) : QWidget(parent), size_(buttonSize)
{
    layout_ = new QHBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(2);
    layout_->addStretch(1);
}

Button* SpeedBar::addButton(const QString& caption)
{
    auto* b = new Button(caption, this);
    b->setFlat(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setFixedSize(size_);
    layout_->insertWidget(layout_->count() - 1, b);
    return b;
}

void SpeedBar::addDivider()
{
    auto* f = new QFrame(this);
    f->setFrameShape(QFrame::VLine);
    f->setFrameShadow(QFrame::Sunken);
    layout_->insertWidget(layout_->count() - 1, f);
}

}
