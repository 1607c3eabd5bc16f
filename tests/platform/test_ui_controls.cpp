#include "harness.h"
#include "platform/db/error.h"
#include "platform/ui/controls.h"
#include "platform/ui/locale.h"
#include "platform/ui/errors.h"
#include "platform/ui/form.h"
#include "platform/ui/rowbind.h"
#include "platform/text/text.h"
#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QTest>
#include <stdexcept>

namespace {

using hrtest::ScriptedModal;

const QString kDateMask = QStringLiteral("!9999/99/00;1;_");
const QString kPhoneMask = QStringLiteral("9999-99999999;1;_");

void showActive(QWidget* w)
{
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
}

// Moves the focus away from the input and says where it ended.
QWidget* leaveFor(QWidget* other)
{
    other->setFocus();
    QApplication::processEvents();
    return QApplication::focusWidget();
}

TEST(UiTrim, RemovesControlCharsAndBlanksAtBothEndsOnlyAndRowBindingReadsNumbersStrictly)
{
    const QString wide = QString(QChar(0x3000)) + QStringLiteral("李") + QChar(0x00a0);   // content, not blanks
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral(" \t\r\n张三\n\t "), QStringLiteral("张三")},
        {QStringLiteral("  a b  "), QStringLiteral("a b")},
        {QChar(0x01) + QStringLiteral("x") + QChar(0x1f), QStringLiteral("x")},
        {QStringLiteral(" \t\n "), QString()},
        {QLatin1Char(' ') + wide + QLatin1Char(' '), wide},
    };
    for (const auto& [in, want] : cases) EXPECT_EQ(text::trim(in), want) << in.toStdString();

    // Row binding: numbers are read strictly, texts trimmed unless asked.
    ui::Edit e;
    const ui::FieldControl number{"n", &e, ui::As::Number}, text{"t", &e};
    e.setText(" 1.5e3 ");
    EXPECT_EQ(ui::inputValue(number), db::Value::real(1500));
    EXPECT_EQ(ui::inputValue(text), db::Value::text("1.5e3"));
    EXPECT_EQ(ui::inputValue(text, false), db::Value::text(" 1.5e3 "));
    e.setText("1e999");
    EXPECT_THROW(ui::inputValue(number), db::Error);
}

TEST(UiMaskEdit, TextKeepsLiteralsCodeFillsPositionsOneForOneAndTheOperatorCannotLeaveARequiredBlank)
{
    ui::MaskEdit phone;
    phone.setEditMask(kPhoneMask);
    EXPECT_EQ(phone.text(), QStringLiteral("    -        "));   // never empty
    EXPECT_TRUE(phone.isComplete());   // every position optional
    phone.setText(QStringLiteral("010-12345678"));
    EXPECT_EQ(phone.text(), QStringLiteral("010 -12345678"));

    ui::MaskEdit date;
    date.setEditMask(kDateMask);
    EXPECT_EQ(date.displayText(), QStringLiteral("____-__-__"));
    EXPECT_FALSE(date.isComplete());
    QStringList seen;
    date.onChange = [&] { seen << date.text(); };
    const std::pair<const char*, const char*> cases[] = {
        {"1999-01-01", "1999-01-01"}, {"1999-01-01", "1999-01-01"}, {"1985-3-7", "1985-3 -7 "},
        {"19ab-01-01", "19  -01-01"}, {"2001-02-03 10:11:12", "2001-02-03"}, {"20010203", "2001-02-03"},
        {"", "    -  -  "},
    };
    for (const auto& [in, want] : cases) {
        date.setText(QString::fromUtf8(in));
        EXPECT_EQ(date.text(), QString::fromUtf8(want)) << in;
    }
    // The handler sees each new text once; setting the same positions again is no change.
    EXPECT_EQ(seen, (QStringList{"1999-01-01", "1985-3 -7 ", "19  -01-01", "2001-02-03", "    -  -  "}));

    // The operator types digits only and cannot leave a required blank.
    ScriptedModal modal;
    ui::Form form;
    auto* typed = new ui::MaskEdit(&form);
    auto* other = new ui::Edit(&form);
    typed->setEditMask(kDateMask);
    int changes = 0;
    typed->onChange = [&] { ++changes; };
    showActive(&form);
    typed->setFocus();
    typed->setCursorPosition(0);
    QTest::keyClicks(typed, QStringLiteral("1985a/03x07"));
    EXPECT_EQ(typed->text(), QStringLiteral("1985-03-07"));
    EXPECT_EQ(changes, 8);   // one for each digit, none for the refused keys

    // Set from code and left untouched: leaving is fine even with a blank day.
    typed->setText(QStringLiteral("1975-01-"));
    typed->setFocus();
    EXPECT_EQ(leaveFor(other), other);

    typed->setText(QStringLiteral("1975-01-01"));
    typed->setFocus();
    typed->setCursorPosition(10);
    QTest::keyClick(typed, Qt::Key_Backspace);
    QTest::keyClick(typed, Qt::Key_Backspace);
    EXPECT_EQ(leaveFor(other), typed);
    ASSERT_EQ(modal.messages.size(), 1);
    EXPECT_EQ(modal.messages[0].text, ui::MaskEdit::invalidInputText());
    EXPECT_EQ(modal.messages[0].icon, ui::Icon::Error);
    // Esc gives back the text the input had when it was entered, and is spent there.
    QTest::keyClick(typed, Qt::Key_Escape);
    EXPECT_EQ(typed->text(), QStringLiteral("1975-01-01"));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(leaveFor(other), other);
    EXPECT_EQ(modal.messages.size(), 1);

    // A leave check that fails is the default error handler's, not carried out of the timer.
    typed->leaveCheck = []() -> QString { throw std::runtime_error("check failed"); };
    typed->setFocus();
    typed->setCursorPosition(9);
    QTest::keyClicks(typed, QStringLiteral("2"));
    EXPECT_EQ(leaveFor(other), other);
    EXPECT_EQ(modal.lastText(), QStringLiteral("check failed"));
    EXPECT_EQ(modal.messages.back().icon, ui::Icon::Error);
}

// Full-width digits (a Chinese input method in its full-width mode), typed,
// pasted or set from code, are the same digits: a date so typed is a date.
TEST(UiMaskEdit, DigitsOfAnyScriptAreKeptAsAsciiDigits)
{
    ScriptedModal modal;
    ui::Form form;
    auto* date = new ui::MaskEdit(&form);
    auto* phone = new ui::MaskEdit(&form);
    auto* other = new ui::Edit(&form);
    date->setEditMask(kDateMask);
    phone->setEditMask(kPhoneMask);
    QStringList seen;
    date->onChange = [&] { seen << date->text(); };
    date->leaveCheck = [&] { return text::parseDate(date->text()) ? QString() : QStringLiteral("不是日期"); };
    showActive(&form);

    date->setFocus();
    date->setCursorPosition(0);
    hrtest::typeText(date, QStringLiteral("１９８５０３０７"));
    EXPECT_EQ(date->text(), QStringLiteral("1985-03-07"));
    EXPECT_EQ(seen.size(), 8);
    // As an input method commits it.
    date->setCursorPosition(8);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("０９"));
    QApplication::sendEvent(date, &commit);
    EXPECT_EQ(date->text(), QStringLiteral("1985-03-09"));
    EXPECT_FALSE(seen.join(QString()).contains(QChar(0xff11)));   // the handler never sees the wide form
    EXPECT_EQ(leaveFor(other), other);
    EXPECT_TRUE(modal.messages.isEmpty());

    phone->setFocus();
    phone->selectAll();
    QApplication::clipboard()->setText(QStringLiteral("０７５５-１２３４５６７８"));
    phone->paste();
    EXPECT_EQ(phone->text(), QStringLiteral("0755-12345678"));
    EXPECT_TRUE(phone->isModified());

    date->setText(QStringLiteral("２０２４-０２-２９"));
    EXPECT_EQ(date->text(), QStringLiteral("2024-02-29"));
    date->setText(QString(QChar(0x0661)) + QStringLiteral("999-01-01"));   // Arabic-Indic one
    EXPECT_EQ(date->text(), QStringLiteral("1999-01-01"));
}

TEST(UiHandlers, EditButtonAndComboBoxHandlersRunUnderTheDefaultErrorHandler)
{
    ScriptedModal modal;
    ui::Edit e;
    QStringList seen;
    e.onChange = [&] { seen << e.text(); };
    e.setText(QStringLiteral("ab"));
    e.setText(QStringLiteral("ab"));
    QTest::keyClicks(&e, QStringLiteral("x"));
    EXPECT_EQ(seen, (QStringList{"ab", "abx"}));
    e.onChange = [] { throw db::Error(QStringLiteral("'x' 不是有效的日期")); };
    e.setText(QStringLiteral("z"));   // must not throw out of the signal
    EXPECT_EQ(e.text(), QStringLiteral("z"));

    ui::Button b(QStringLiteral("保存"));
    EXPECT_FALSE(b.autoDefault());
    int clicks = 0;
    b.onClick = [&] { if (++clicks == 1) throw std::runtime_error("disk full"); };
    b.click();
    QTest::keyClick(&b, Qt::Key_Return);   // Enter or Space on the focused button presses it
    QTest::keyClick(&b, Qt::Key_Space);
    EXPECT_EQ(clicks, 3);

    EXPECT_TRUE(ui::guarded(nullptr, [] {}));
    EXPECT_FALSE(ui::guarded(nullptr, [] { throw 42; }));
    ASSERT_EQ(modal.messages.size(), 3);
    EXPECT_EQ(modal.messages[0].text, QStringLiteral("'x' 不是有效的日期"));
    EXPECT_EQ(modal.messages[1].text, QStringLiteral("disk full"));
    EXPECT_FALSE(modal.messages[2].text.isEmpty());
    for (const auto& m : modal.messages) {
        EXPECT_EQ(m.caption, QStringLiteral("人力资源管理系统"));
        EXPECT_EQ(m.icon, ui::Icon::Error);
        EXPECT_EQ(m.buttons, ui::Buttons::Ok);
    }

    // Combo boxes: only the operator fires onChange, and the text survives the items.
    modal.clear();
    ui::Form form;
    auto* c = new ui::ComboBox(&form);
    QStringList picked;
    c->onChange = [&] { picked << c->text(); };
    const QStringList items{QStringLiteral("汉族"), QStringLiteral("回族")};
    c->addItems(items);
    EXPECT_EQ(c->text(), QString());   // Qt would select item 0
    EXPECT_EQ(c->currentIndex(), -1);
    c->setText(QStringLiteral("回族"));
    EXPECT_EQ(c->currentIndex(), 1);
    c->setText(QStringLiteral("其它"));
    c->clearItems();
    c->addItems(items);
    EXPECT_EQ(c->text(), QStringLiteral("其它"));
    EXPECT_TRUE(picked.isEmpty());

    showActive(&form);
    c->setFocus();
    c->setText(QString());
    // Chinese text as the input method sends it: a key event with text only.
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("壮"));
    QApplication::sendEvent(c, &press);
    QTest::keyClick(c, Qt::Key_Return);
    EXPECT_EQ(c->items(), items);   // typed text is never added to the list
    c->setText(QStringLiteral("汉族"));
    QTest::keyClick(c, Qt::Key_Down);   // the list closed: picks the next item
    EXPECT_EQ(picked, (QStringList{"壮", "回族"}));
    c->onChange = [] { throw std::runtime_error("bad pick"); };
    emit c->activated(0);
    EXPECT_EQ(modal.texts(), QStringList{QStringLiteral("bad pick")});

    // A fixed list holds only its items.
    c->setDropDownList(true);
    c->setText(QStringLiteral("离异"));
    EXPECT_EQ(c->text(), QString());
    c->setText(QStringLiteral("回族"));
    EXPECT_EQ(c->text(), QStringLiteral("回族"));
}

}

TEST(UiLocale, QtsOwnDialogTextsSpeakChinese)
{
    ASSERT_TRUE(ui::installChineseTranslations());
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Look in:"));
    EXPECT_NE(QCoreApplication::translate("QWidgetTextControl", "&Copy"), QStringLiteral("&Copy"));
    // The date picker's calendar names its months and days in Chinese too, whatever the system's locale.
    ui::DateTimePicker picker;
    EXPECT_EQ(picker.calendarWidget()->locale().standaloneMonthName(12), QStringLiteral("十二月"));
    EXPECT_EQ(picker.text(), QStringLiteral("2000-01-01"));
}

// One click into a part of the date and the digits typed replace that part:
// the year as well as the month and the day.
TEST(UiDatePicker, AClickThenTypingReplacesTheClickedPart)
{
    ui::DateTimePicker picker;
    picker.resize(160, 28);
    picker.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&picker));
    picker.setText(QStringLiteral("2000-01-01"));
    QLineEdit* line = picker.findChild<QLineEdit*>();
    ASSERT_TRUE(line);
    // Where the operator points: within the digits of each part of "2000-01-01".
    const auto at = [&](int chars) {
        line->setCursorPosition(chars);
        const QRect r = line->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        return QPoint(r.center().x(), line->height() / 2);
    };
    const std::tuple<int, const char*, const char*> cases[] = {
        {2, "2025", "2025-01-01"},   // the year, clicked between its digits
        {6, "07", "2025-07-01"},
        {9, "15", "2025-07-15"},
        {4, "1999", "1999-07-15"},   // the year clicked at its end
    };
    for (const auto& [chars, typed, want] : cases) {
        QTest::mouseClick(line, Qt::LeftButton, Qt::NoModifier, at(chars));
        QTest::keyClicks(line, QString::fromLatin1(typed));
        QTest::keyClick(line, Qt::Key_Tab);
        EXPECT_EQ(picker.text(), QString::fromLatin1(want)) << typed;
        picker.setFocus();
    }
}

// A stored date the picker cannot show is refused by name, never shown as the
// picker's first day for a change to store; the picker keeps what it showed.
TEST(UiDatePicker, AStoredDateOutsideItsRangeIsRefusedNotReplaced)
{
    ui::DateTimePicker picker;
    picker.setText(QStringLiteral("2024-02-29"));
    for (const char* t : {"1700-05-06", "0001-01-01", "", "2024-02-30", "0000-00-00"}) {
        EXPECT_THROW(picker.setText(QString::fromLatin1(t)), db::Error) << t;
        EXPECT_EQ(picker.text(), QStringLiteral("2024-02-29")) << t;
    }
    for (const char* t : {"1752-09-14", "9999-12-31"}) {
        picker.setText(QString::fromLatin1(t));
        EXPECT_EQ(picker.text(), QString::fromLatin1(t));
    }
}
