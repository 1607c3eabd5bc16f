#pragma once
#include <QString>
#include <QWidget>

class QHBoxLayout;

namespace ui {

class Button;

// A dialog's row of speed buttons: flat, never taking the focus, with
// dividers between groups.
class SpeedBar : public QWidget {
    Q_OBJECT
public:
    explicit SpeedBar(QWidget* parent = nullptr, QSize buttonSize = QSize(48, 30));
    Button* addButton(const QString& caption);
    void addDivider();
private:
    QHBoxLayout* layout_;
    QSize size_;
};

}
