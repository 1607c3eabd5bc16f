#pragma once
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVector>
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
// Digits of any script (full-width ones from an input method) are kept as
// ASCII digits. The operator types only what a position takes; leaving the input after
// changing it while a required position is blank is refused (the focus comes
// back and the default error handler shows invalidInputText()); Esc then
// restores the text the input had when it took the focus.
class MaskEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit MaskEdit(QWidget* parent = nullptr);
    void setEditMask(const QString& mask);
    QString editMask() const { return mask_; }
    QString text() const;                 // literals kept, empty positions as ' '
    void setText(const QString& t);
    std::function<void()> onChange;
    // Asked when a changed, complete input is left: a non-empty answer refuses
    // the leave as a blank required position does, shown as an information box.
    // Runs under the default error handler.
    std::function<QString()> leaveCheck;

    // Every required position holds a character.
    bool isComplete() const;
    static QString invalidInputText();

protected:
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    struct Slot {
        enum Kind { Literal, Digit, DigitOrSign, Letter, AlphaNum, Any } kind = Literal;
        bool required = false;
        QChar ch;                         // the literal shown
    };
    bool fits(const Slot& s, QChar c) const;
    QString fill(const QString& t) const;
    void validateLater();

    QString mask_;
    QVector<Slot> slots_;
    QChar blank_ = QLatin1Char('_');
    bool keepLiterals_ = true;
    QString oldText_;                     // display text when the focus came in
    QString shown_;                       // display text the last onChange saw
    bool reEnter_ = false;                // focus taken back after a refusal
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
private:
    void wireLineEdit();
    void keepText(const QString& t, int index);
};

// Multi-line text box (memo); Tab leaves it. onChange fires on every change,
// also from code.
class Memo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit Memo(QWidget* parent = nullptr);
    QString text() const { return toPlainText(); }
    void setText(const QString& t) { setPlainText(t); }
    std::function<void()> onChange;       // runs under the default error handler
};

// Button that never becomes a default button unless made one by setDefaultButton.
// Like any push button it is pressed by Enter or Space while it has the focus.
class Button : public QPushButton {
    Q_OBJECT
public:
    explicit Button(const QString& caption, QWidget* parent = nullptr);
    std::function<void()> onClick;        // runs under the default error handler
protected:
    void keyPressEvent(QKeyEvent* e) override;
};

// Date picker with a calendar drop-down, showing the system's short date
// format (four-digit years, so no date is ever read back a century off).
class DateTimePicker : public QDateEdit {
    Q_OBJECT
public:
    explicit DateTimePicker(QWidget* parent = nullptr);
    QString text() const;                 // "yyyy-MM-dd"
    // From a stored text; db::Error naming the text when it is no date, or
    // one outside the picker's range, which it would show as another date.
    void setText(const QString& t);
    // The date setText(t) shows, or the db::Error it raises.
    static QDate dateOf(const QString& t);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
};

}
