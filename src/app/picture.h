#pragma once
#include <QImage>
#include <QWidget>

// A picture stretched over the whole widget, as the windows' backgrounds are.
// Unlike a scaled QLabel it never asks for the picture's own size, so a large
// background does not push its window wider.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);
    void setPicture(const QImage& image);
    const QImage& picture() const { return image_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QImage image_;
};

// One of the pictures compiled into the program (":/assets/<name>.jpg").
// A picture that cannot be read leaves an empty image: a window without its
// decoration is still usable.
QImage loadAsset(const QString& name);
