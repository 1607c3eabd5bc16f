#pragma once
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <functional>

namespace ui {

// Edit box: onChange fires whenever the text changes, also from code.
class Edit : public QLineEdit {
    Q_OBJECT
public:
    explicit Edit(QWidget* parent = nullptr);
    std::function<void()> onChange;   // runs under the default error handler
};

// Masked edit in the original mask syntax, e.g. "!9999/99/00;1;_" or
// "9999-99999999;1;_": '0' required digit, '9' optional digit, 'L'/'l' letter,
// 'A'/'a' alphanumeric, 'C'/'c' any char; '/' shows as the date separator '-',
// other characters are literals; ";1" keeps literals in the text; the last
// field is the blank shown for empty positions. text() holds the literals
// with empty positions as blanks, so it is never empty; setText() from code
// fills the positions one for one and fires onChange.
class MaskEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit MaskEdit(QWidget* parent = nullptr);
    void setEditMask(const QString& mask);
    QString editMask() const { return mask_; }
    QString text() const;                 // literals kept, empty positions as ' '
    void setText(const QString& t);
    std::function<void()> onChange;
private:
    QString mask_;
};

// Combo box with an editable text (or a fixed list with setDropDownList(true)).
// onChange fires only for the operator (typing or picking), never for code.
// Its text is empty at start and stays as it is when items are added; typed
// text is never inserted into the list.
class ComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit ComboBox(QWidget* parent = nullptr);
    void setDropDownList(bool fixed);
    QString text() const;
    void setText(const QString& t);       // from code: no onChange
    void addItem(const QString& t);
    void addItems(const QStringList& l);
    void clearItems();                    // the list only; the text stays
    QStringList items() const;
    std::function<void()> onChange;
};

// Multi-line text box (memo).
class Memo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit Memo(QWidget* parent = nullptr);
    QString text() const { return toPlainText(); }
    void setText(const QString& t) { setPlainText(t); }
};

// Button that never becomes a default button unless made one by setDefaultButton.
class Button : public QPushButton {
    Q_OBJECT
public:
    explicit Button(const QString& caption, QWidget* parent = nullptr);
    std::function<void()> onClick;        // runs under the default error handler
};

}
