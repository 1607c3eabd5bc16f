#include "app/picture.h"
#include "platform/image/image.h"
#include <QPainter>
#include <QtDebug>

PictureBox::PictureBox(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::setPicture(const QImage& image)
{
    image_ = image;
    update();
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (image_.isNull()) {
        p.fillRect(rect(), palette().window());
        return;
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(rect(), image_);
}

QImage loadAsset(const QString& name)
{
    try {
        return img::loadJpegResource(QStringLiteral(":/assets/%1.jpg").arg(name));
    } catch (const std::exception& e) {
        qWarning("picture %s: %s", qPrintable(name), e.what());
        return QImage();
    }
}
