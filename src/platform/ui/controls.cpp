#include "platform/ui/controls.h"
#include <QMouseEvent>
#include "platform/ui/errors.h"
#include "platform/ui/modal.h"
#include "platform/db/convert.h"
#include "platform/db/error.h"
#include "platform/text/text.h"
#include <QCalendarWidget>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QTimer>

namespace ui {

// ---------------------------------------------------------------- Edit

Edit::Edit(QWidget* parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, [this] { guarded(window(), onChange); });
}

// ---------------------------------------------------------------- MaskEdit

namespace {

// A digit of another script (the full-width ones a Chinese input method types
// in its full-width mode) is the same digit: a masked input holds it as ASCII,
// so that a date or a telephone number reads the same whichever way it was typed.
QString asciiDigits(const QString& t)
{
    QString out = t;
    for (QChar& c : out)
        if (c.unicode() >= 0x80 && c.isDigit() && c.digitValue() >= 0) c = QChar(u'0' + c.digitValue());
    return out;
}

}

MaskEdit::MaskEdit(QWidget* parent) : QLineEdit(parent)
{
    // Qt reports a refused key of a masked input as a change; only a real one counts.
    connect(this, &QLineEdit::textChanged, this, [this] {
        const QString now = displayText();
        if (const QString ascii = asciiDigits(now); !slots_.isEmpty() && ascii != now) {
            // Typed, pasted or sent by an input method: put back as ASCII; the
            // handler runs from there, once, on the text as it is kept.
            const int at = cursorPosition();
            const bool modified = isModified();
            QLineEdit::setText(ascii);
            setCursorPosition(at);
            setModified(modified);
            return;
        }
        if (now == shown_) return;
        shown_ = now;
        guarded(window(), onChange);
    });
}

QString MaskEdit::invalidInputText()
{
    return QStringLiteral("输入的值无效。请按 Esc 键放弃修改。");
}

// The original syntax is carried out on top of Qt's input mask, translated so
// that Qt only keeps the operator to the kind of each position:
//   '0' / '9' (required / optional digit) -> Qt '0' (optional digit)
//   'L' 'l' -> 'a', 'A' 'a' -> 'n', 'C' 'c' -> 'x', '#' -> '#'
//   '/' -> literal '-', ':' -> literal ':', '_' -> literal ' ',
//   '>' '<' kept, "<>" -> '!', '!' (leading blanks) dropped,
//   any other character (or one after '\') -> an escaped literal.
// Every position is optional for Qt so that a text given from code lands one
// for one, blanks included; required positions are checked here on leaving.
void MaskEdit::setEditMask(const QString& mask)
{
    const QString keep = text();
    mask_ = mask;
    slots_.clear();
    blank_ = QLatin1Char('_');
    keepLiterals_ = true;

    // Fields: the mask itself; "0" to leave the literals out of the text; the blank.
    QStringList fields;
    QString cur;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const QChar c = mask.at(i);
        if (c == QLatin1Char('\\') && i + 1 < mask.size()) {
            cur += c;
            cur += mask.at(++i);
        } else if (c == QLatin1Char(';')) {
            fields << cur;
            cur.clear();
        } else {
            cur += c;
        }
    }
    fields << cur;
    const QString body = fields.value(0);
    if (fields.size() > 1 && fields.at(1).trimmed() == QLatin1String("0")) keepLiterals_ = false;
    if (fields.size() > 2 && !fields.at(2).isEmpty()) blank_ = fields.at(2).at(0);

    static const QString qtSpecial = QStringLiteral("AaNnXx90Dd#HhBb><!{}[]\\;");
    QString qt;
    auto literal = [&](QChar ch) {
        Slot s;
        s.kind = Slot::Literal;
        s.ch = ch;
        slots_ << s;
        if (qtSpecial.contains(ch)) qt += QLatin1Char('\\');
        qt += ch;
    };
    auto input = [&](Slot::Kind k, bool required, QChar qtChar) {
        Slot s;
        s.kind = k;
        s.required = required;
        slots_ << s;
        qt += qtChar;
    };
    for (qsizetype i = 0; i < body.size(); ++i) {
        const QChar c = body.at(i);
        switch (c.unicode()) {
        case '\\':
            if (i + 1 < body.size()) literal(body.at(++i));
            break;
        case '!': break;
        case '>':
            if (i + 1 < body.size() && body.at(i + 1) == QLatin1Char('<')) { qt += QLatin1Char('!'); ++i; }
            else qt += QLatin1Char('>');
            break;
        case '<': qt += QLatin1Char('<'); break;
        case 'L': input(Slot::Letter, true, QLatin1Char('a')); break;
        case 'l': input(Slot::Letter, false, QLatin1Char('a')); break;
        case 'A': input(Slot::AlphaNum, true, QLatin1Char('n')); break;
        case 'a': input(Slot::AlphaNum, false, QLatin1Char('n')); break;
        case 'C': input(Slot::Any, true, QLatin1Char('x')); break;
        case 'c': input(Slot::Any, false, QLatin1Char('x')); break;
        case '0': input(Slot::Digit, true, QLatin1Char('0')); break;
        case '9': input(Slot::Digit, false, QLatin1Char('0')); break;
        case '#': input(Slot::DigitOrSign, false, QLatin1Char('#')); break;
        case '/': literal(QLatin1Char('-')); break;
        case '_': literal(QLatin1Char(' ')); break;
        default: literal(c); break;
        }
    }
    if (slots_.isEmpty()) {
        setInputMask(QString());
        return;
    }
    setInputMask(qt + QLatin1Char(';') + blank_);
    setText(keep);
    setModified(false);
}

bool MaskEdit::fits(const Slot& s, QChar c) const
{
    switch (s.kind) {
    case Slot::Digit: return c.isDigit();
    case Slot::DigitOrSign: return c.isDigit() || c == QLatin1Char('+') || c == QLatin1Char('-');
    case Slot::Letter: return c.isLetter();
    case Slot::AlphaNum: return c.isLetterOrNumber();
    case Slot::Any: return c.isPrint() && c != QLatin1Char(' ');
    case Slot::Literal: break;
    }
    return false;
}

// Fills the positions one for one from t: a blank or a character the position
// does not take leaves it empty; a literal met early (the '-' of "1985-3-7")
// leaves the rest of its run empty and lines up with the mask's literal.
QString MaskEdit::fill(const QString& given) const
{
    const QString t = asciiDigits(given);
    QString out;
    qsizetype ti = 0;
    for (qsizetype i = 0; i < slots_.size(); ++i) {
        const Slot& s = slots_.at(i);
        if (s.kind == Slot::Literal) {
            out += s.ch;
            if (ti < t.size() && t.at(ti) == s.ch) ++ti;
            continue;
        }
        if (ti >= t.size()) {
            out += blank_;
            continue;
        }
        const QChar c = t.at(ti);
        if (c == QLatin1Char(' ') || c == blank_) {
            out += blank_;
            ++ti;
        } else if (fits(s, c)) {
            out += c;
            ++ti;
        } else {
            qsizetype j = i + 1;
            while (j < slots_.size() && slots_.at(j).kind != Slot::Literal) ++j;
            out += blank_;
            if (!(j < slots_.size() && slots_.at(j).ch == c)) ++ti;
        }
    }
    return out;
}

QString MaskEdit::text() const
{
    if (slots_.isEmpty()) return QLineEdit::text();
    const QString d = displayText();
    QString out;
    for (qsizetype i = 0; i < slots_.size(); ++i) {
        const Slot& s = slots_.at(i);
        if (s.kind == Slot::Literal) {
            if (keepLiterals_) out += s.ch;
            continue;
        }
        const QChar c = i < d.size() ? d.at(i) : blank_;
        out += c == blank_ ? QLatin1Char(' ') : c;
    }
    return out;
}

void MaskEdit::setText(const QString& t)
{
    if (slots_.isEmpty()) {
        QLineEdit::setText(t);
        return;
    }
    QLineEdit::setText(fill(t));
}

bool MaskEdit::isComplete() const
{
    const QString d = displayText();
    for (qsizetype i = 0; i < slots_.size(); ++i) {
        const Slot& s = slots_.at(i);
        if (s.kind != Slot::Literal && s.required && (i >= d.size() || d.at(i) == blank_ || d.at(i) == QLatin1Char(' ')))
            return false;
    }
    return true;
}

void MaskEdit::focusInEvent(QFocusEvent* e)
{
    // A message box or popup coming and going is no new visit.
    const bool visit = e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason;
    if (visit && !reEnter_) oldText_ = displayText();
    if (visit) reEnter_ = false;
    QLineEdit::focusInEvent(e);
}

void MaskEdit::focusOutEvent(QFocusEvent* e)
{
    QLineEdit::focusOutEvent(e);
    if (slots_.isEmpty() || e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason) return;
    if (isModified()) validateLater();
}

// Runs once the focus has settled: a dialog closed by the click that took the
// focus away has nothing left to refuse.
void MaskEdit::validateLater()
{
    // A timer's handler has no caller to take an error: the default error handler does.
    QTimer::singleShot(0, this, [this] { guarded(window(), [this] {
        // Taken back already (a check of the whole dialog put the focus here): said once is enough.
        if (!isVisible() || !isEnabled() || !isModified() || hasFocus()) return;
        const QString refusal = !isComplete() ? invalidInputText() : leaveCheck ? leaveCheck() : QString();
        if (refusal.isEmpty()) return;
        reEnter_ = true;
        setFocus(Qt::OtherFocusReason);
        if (isComplete()) info(refusal, window());
        else showError(refusal, this);
    }); });
}

void MaskEdit::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape && !slots_.isEmpty() && isModified()) {
        QLineEdit::setText(oldText_);
        setModified(false);
        e->accept();
        return;
    }
    QLineEdit::keyPressEvent(e);
}

// ---------------------------------------------------------------- ComboBox

ComboBox::ComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    wireLineEdit();
    // Picking from the list (mouse, or Up/Down while the list is closed).
    connect(this, &QComboBox::activated, this, [this] { guarded(window(), onChange); });
}

void ComboBox::wireLineEdit()
{
    QLineEdit* le = lineEdit();
    if (!le) return;
    // What is typed stays as typed: no completion from the list.
    setCompleter(nullptr);
    connect(le, &QLineEdit::textEdited, this, [this] { guarded(window(), onChange); });
}

void ComboBox::setDropDownList(bool fixed)
{
    if (fixed == !isEditable()) return;
    const QString t = text();
    setEditable(!fixed);
    if (!fixed) {
        setInsertPolicy(QComboBox::NoInsert);
        wireLineEdit();
        lineEdit()->setText(t);
    } else {
        setCurrentIndex(findText(t, Qt::MatchExactly | Qt::MatchCaseSensitive));
    }
}

QString ComboBox::text() const
{
    if (QLineEdit* le = lineEdit()) return le->text();
    const int i = currentIndex();
    return i >= 0 ? itemText(i) : QString();
}

void ComboBox::setText(const QString& t)
{
    const int i = findText(t, Qt::MatchExactly | Qt::MatchCaseSensitive);
    setCurrentIndex(i);
    if (QLineEdit* le = lineEdit()) {
        if (le->text() != t) le->setText(t);
    }
}

// Qt makes the first item current when a list gets its first item, which
// would rewrite the text; the text and the current item stay as they were.
void ComboBox::keepText(const QString& t, int index)
{
    if (currentIndex() != index) setCurrentIndex(index);
    if (QLineEdit* le = lineEdit()) {
        if (le->text() != t) le->setText(t);
    }
}

void ComboBox::addItem(const QString& t)
{
    const QString keep = text();
    const int index = currentIndex();
    QComboBox::addItem(t);
    keepText(keep, index);
}

void ComboBox::addItems(const QStringList& l)
{
    const QString keep = text();
    const int index = currentIndex();
    QComboBox::addItems(l);
    keepText(keep, index);
}

void ComboBox::clearItems()
{
    const QString keep = text();
    QComboBox::clear();
    if (QLineEdit* le = lineEdit()) le->setText(keep);
}

QStringList ComboBox::items() const
{
    QStringList l;
    for (int i = 0; i < count(); ++i) l << itemText(i);
    return l;
}

// ---------------------------------------------------------------- Memo

Memo::Memo(QWidget* parent) : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, [this] { guarded(window(), onChange); });
}

// ---------------------------------------------------------------- Button

Button::Button(const QString& caption, QWidget* parent) : QPushButton(caption, parent)
{
    setAutoDefault(false);
    setDefault(false);
    connect(this, &QAbstractButton::clicked, this, [this] { guarded(window(), onClick); });
}

void Button::keyPressEvent(QKeyEvent* e)
{
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && (e->modifiers() & ~Qt::KeypadModifier) == 0) {
        if (isEnabled()) click();
        e->accept();
        return;
    }
    QPushButton::keyPressEvent(e);
}

// ---------------------------------------------------------------- DateTimePicker

namespace {
// Qt's own range for a date box.
const QDate kFirstDate(1752, 9, 14);
const QDate kLastDate(9999, 12, 31);
}

DateTimePicker::DateTimePicker(QWidget* parent) : QDateEdit(parent)
{
    setCalendarPopup(true);
    // The calendar is a window of its own and would take the system's locale: its month and day names are Chinese.
    calendarWidget()->setLocale(QLocale(QLocale::Chinese, QLocale::China));
    setDisplayFormat(QString::fromLatin1(text::kShortDateFormat));
    setDateRange(kFirstDate, kLastDate);
    setDate(QDate(2000, 1, 1));
    lineEdit()->installEventFilter(this);
}

bool DateTimePicker::eventFilter(QObject* o, QEvent* e)
{
    // A click marks the whole part it lands on, so the digits typed next
    // replace it: left as a cursor inside "2000", a typed year would make a
    // five-digit one and be refused, while two-digit parts happened to work.
    if (o == lineEdit() && e->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton && !lineEdit()->hasSelectedText())
        setSelectedSection(currentSection());
    return QDateEdit::eventFilter(o, e);
}

QString DateTimePicker::text() const { return db::formatDate(date()); }

QDate DateTimePicker::dateOf(const QString& t)
{
    const QDate d = db::toDate(t);
    // The box would quietly show its first day instead, and a change would store that.
    if (d < kFirstDate || d > kLastDate)
        throw db::Error(QStringLiteral("日期 %1 超出了日期框能显示的范围（%2 至 %3）")
                            .arg(t, db::formatDate(kFirstDate), db::formatDate(kLastDate)));
    return d;
}

void DateTimePicker::setText(const QString& t) { setDate(dateOf(t)); }

}
