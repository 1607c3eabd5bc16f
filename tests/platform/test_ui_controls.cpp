#include "harness.h"
#include "platform/db/error.h"
#include "platform/ui/controls.h"
#include "platform/ui/errors.h"
#include "platform/ui/form.h"
#include "platform/ui/text.h"
#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QVBoxLayout>
#include <stdexcept>

namespace {

using hrtest::ScriptedModal;

// Types characters QTest cannot map to keys (Chinese) as text events.
void typeChars(QWidget* w, const QString& s)
{
    for (QChar ch : s) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &release);
    }
}

void showActive(QWidget* w)
{
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
}

TEST(UiTrim, RemovesControlCharsAndBlanksAtBothEndsOnly)
{
    EXPECT_EQ(ui::trim(QStringLiteral(" \t\r\n张三\n\t ")), QStringLiteral("张三"));
    EXPECT_EQ(ui::trim(QStringLiteral("  a b  ")), QStringLiteral("a b"));
    EXPECT_EQ(ui::trim(QString(QChar(0x01)) + QStringLiteral("x") + QChar(0x1f)), QStringLiteral("x"));
    EXPECT_EQ(ui::trim(QStringLiteral(" \t\n ")), QString());
    EXPECT_EQ(ui::trim(QString()), QString());
    // Ideographic and no-break spaces are content.
    const QString wide = QString(QChar(0x3000)) + QStringLiteral("李") + QChar(0x00a0);
    EXPECT_EQ(ui::trim(QStringLiteral(" ") + wide + QStringLiteral(" ")), wide);
}

// ---------------------------------------------------------------- masked edit

TEST(UiMaskEdit, UntouchedTextsKeepLiteralsWithBlanks)
{
    ui::MaskEdit date;
    date.setEditMask(QStringLiteral("!9999/99/00;1;_"));
    EXPECT_EQ(date.text(), QStringLiteral("    -  -  "));
    EXPECT_EQ(date.displayText(), QStringLiteral("____-__-__"));
    EXPECT_FALSE(date.isComplete());

    ui::MaskEdit phone;
    phone.setEditMask(QStringLiteral("9999-99999999;1;_"));
    EXPECT_EQ(phone.text(), QStringLiteral("    -        "));
    EXPECT_EQ(phone.text().size(), 13);
    EXPECT_TRUE(phone.isComplete());   // every position optional

    phone.setText(QString());
    EXPECT_EQ(phone.text(), QStringLiteral("    -        "));
}

TEST(UiMaskEdit, TextFromCodeFillsPositionsAndFiresOnChange)
{
    ui::MaskEdit date;
    date.setEditMask(QStringLiteral("!9999/99/00;1;_"));
    int changes = 0;
    QStringList seen;
    date.onChange = [&] { ++changes; seen << date.text(); };

    date.setText(QStringLiteral("1999-01-01"));
    EXPECT_EQ(date.text(), QStringLiteral("1999-01-01"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(seen.value(0), QStringLiteral("1999-01-01"));   // the handler sees the new text
    EXPECT_TRUE(date.isComplete());

    date.setText(QStringLiteral("1999-01-01"));
    EXPECT_EQ(changes, 1);   // no change, no handler

    // Short parts line up with the separators.
    date.setText(QStringLiteral("1985-3-7"));
    EXPECT_EQ(date.text(), QStringLiteral("1985-3 -7 "));
    EXPECT_EQ(changes, 2);

    // Characters a digit position does not take leave it empty; extra ones are dropped.
    date.setText(QStringLiteral("19ab-01-01"));
    EXPECT_EQ(date.text(), QStringLiteral("19  -01-01"));
    date.setText(QStringLiteral("2001-02-03 10:11:12"));
    EXPECT_EQ(date.text(), QStringLiteral("2001-02-03"));
    date.setText(QStringLiteral("20010203"));
    EXPECT_EQ(date.text(), QStringLiteral("2001-02-03"));
    EXPECT_EQ(changes, 4);   // the same positions as before: no change
    date.setText(QString());
    EXPECT_EQ(date.text(), QStringLiteral("    -  -  "));
    EXPECT_EQ(changes, 5);

    ui::MaskEdit phone;
    phone.setEditMask(QStringLiteral("9999-99999999;1;_"));
    phone.setText(QStringLiteral("010-12345678"));
    EXPECT_EQ(phone.text(), QStringLiteral("010 -12345678"));
    phone.setText(QStringLiteral("    -        "));
    EXPECT_EQ(phone.text(), QStringLiteral("    -        "));
}

TEST(UiMaskEdit, OperatorTypesDigitsIntoDigitPositionsOnly)
{
    ScriptedModal modal;
    ui::Form form;
    auto* date = new ui::MaskEdit(&form);
    date->setEditMask(QStringLiteral("!9999/99/00;1;_"));
    new ui::Edit(&form);
    int changes = 0;
    date->onChange = [&] { ++changes; };
    showActive(&form);
    date->setFocus();
    date->setCursorPosition(0);

    QTest::keyClicks(date, QStringLiteral("1985a/03x07"));
    EXPECT_EQ(date->text(), QStringLiteral("1985-03-07"));
    EXPECT_EQ(changes, 8);   // one for each digit, none for the refused keys
    EXPECT_TRUE(modal.messages.isEmpty());
}

TEST(UiMaskEdit, ChangedDateWithBlankDayRefusesToLoseFocus)
{
    ScriptedModal modal;
    ui::Form form;
    auto* lay = new QVBoxLayout(&form);
    auto* date = new ui::MaskEdit;
    date->setEditMask(QStringLiteral("!9999/99/00;1;_"));
    auto* other = new ui::Edit;
    lay->addWidget(date);
    lay->addWidget(other);
    date->setText(QStringLiteral("1975-01-01"));
    showActive(&form);

    // Set from code and left untouched: leaving is fine even with a blank day.
    date->setText(QStringLiteral("1975-01-"));
    date->setFocus();
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), other);
    EXPECT_TRUE(modal.messages.isEmpty());

    date->setText(QStringLiteral("1975-01-01"));
    date->setFocus();
    date->setCursorPosition(10);
    QTest::keyClick(date, Qt::Key_Backspace);
    QTest::keyClick(date, Qt::Key_Backspace);
    EXPECT_EQ(date->text(), QStringLiteral("1975-01-  "));
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), date);
    ASSERT_EQ(modal.messages.size(), 1);
    EXPECT_EQ(modal.messages[0].text, ui::MaskEdit::invalidInputText());
    EXPECT_EQ(modal.messages[0].caption, QStringLiteral("人力资源管理系统"));
    EXPECT_EQ(modal.messages[0].icon, ui::Icon::Error);

    // Esc gives back the text the input had when it was first entered.
    QTest::keyClick(date, Qt::Key_Escape);
    EXPECT_EQ(date->text(), QStringLiteral("1975-01-01"));
    EXPECT_TRUE(form.isVisible());   // the key was spent on the input
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), other);
    EXPECT_EQ(modal.messages.size(), 1);

    // An optional position left blank is no reason to refuse.
    date->setFocus();
    date->setCursorPosition(0);
    QTest::keyClick(date, Qt::Key_Delete);
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), other);
    EXPECT_EQ(date->text(), QStringLiteral(" 975-01-01"));
    EXPECT_EQ(modal.messages.size(), 1);
}

// ---------------------------------------------------------------- edit, button

TEST(UiEdit, OnChangeFiresForCodeAndTypingAndIsGuarded)
{
    ScriptedModal modal;
    ui::Edit e;
    QStringList seen;
    e.onChange = [&] { seen << e.text(); };
    e.setText(QStringLiteral("ab"));
    e.setText(QStringLiteral("ab"));
    e.clear();
    EXPECT_EQ(seen, (QStringList{QStringLiteral("ab"), QString()}));

    QTest::keyClicks(&e, QStringLiteral("xy"));
    EXPECT_EQ(seen.size(), 4);
    EXPECT_EQ(seen.last(), QStringLiteral("xy"));

    e.onChange = [] { throw db::Error(QStringLiteral("'x' 不是有效的日期")); };
    e.setText(QStringLiteral("z"));   // must not throw out of the signal
    ASSERT_EQ(modal.messages.size(), 1);
    EXPECT_EQ(modal.messages[0].text, QStringLiteral("'x' 不是有效的日期"));
    EXPECT_EQ(e.text(), QStringLiteral("z"));
}

TEST(UiButton, NeverDefaultAndClickIsGuarded)
{
    ScriptedModal modal;
    ui::Button b(QStringLiteral("保存"));
    EXPECT_FALSE(b.autoDefault());
    EXPECT_FALSE(b.isDefault());
    int clicks = 0;
    b.onClick = [&] { ++clicks; throw std::runtime_error("disk full"); };
    b.click();
    EXPECT_EQ(clicks, 1);
    ASSERT_EQ(modal.messages.size(), 1);
    EXPECT_EQ(modal.messages[0].text, QStringLiteral("disk full"));
    EXPECT_EQ(modal.messages[0].caption, ui::applicationTitle());

    // Enter or Space on the focused button presses it.
    b.onClick = [&] { ++clicks; };
    QTest::keyClick(&b, Qt::Key_Return);
    QTest::keyClick(&b, Qt::Key_Space);
    EXPECT_EQ(clicks, 3);
}

// ---------------------------------------------------------------- combo box

TEST(UiComboBox, TextStaysWhenItemsAreAddedAndCodeNeverFiresOnChange)
{
    ui::ComboBox c;
    int changes = 0;
    c.onChange = [&] { ++changes; };
    EXPECT_TRUE(c.isEditable());
    EXPECT_EQ(c.text(), QString());

    c.addItems({QStringLiteral("男"), QStringLiteral("女")});
    EXPECT_EQ(c.text(), QString());
    EXPECT_EQ(c.currentIndex(), -1);
    c.addItem(QStringLiteral("未知"));
    EXPECT_EQ(c.text(), QString());
    EXPECT_EQ(c.items(), (QStringList{QStringLiteral("男"), QStringLiteral("女"), QStringLiteral("未知")}));

    c.setText(QStringLiteral("女"));
    EXPECT_EQ(c.text(), QStringLiteral("女"));
    EXPECT_EQ(c.currentIndex(), 1);
    c.setText(QStringLiteral("其它"));
    EXPECT_EQ(c.text(), QStringLiteral("其它"));
    EXPECT_EQ(c.currentIndex(), -1);

    // A typed-over text survives new items, and clearing the list.
    c.addItem(QStringLiteral("男"));
    EXPECT_EQ(c.text(), QStringLiteral("其它"));
    c.clearItems();
    EXPECT_EQ(c.text(), QStringLiteral("其它"));
    EXPECT_TRUE(c.items().isEmpty());
    c.addItem(QStringLiteral("汉族"));
    EXPECT_EQ(c.text(), QStringLiteral("其它"));
    c.setText(QString());
    EXPECT_EQ(changes, 0);
}

TEST(UiComboBox, OperatorTypingAndPickingFireOnChangeWithoutInserting)
{
    ScriptedModal modal;
    ui::Form form;
    auto* c = new ui::ComboBox(&form);
    c->addItems({QStringLiteral("汉族"), QStringLiteral("回族")});
    QStringList seen;
    c->onChange = [&] { seen << c->text(); };
    showActive(&form);
    c->setFocus();

    typeChars(c, QStringLiteral("壮"));
    EXPECT_EQ(seen, QStringList{QStringLiteral("壮")});
    QTest::keyClick(c, Qt::Key_Return);
    EXPECT_EQ(c->count(), 2);   // typed text is never added to the list
    EXPECT_EQ(c->text(), QStringLiteral("壮"));

    // Down while the list is closed picks the next item, as a pick.
    c->setText(QStringLiteral("汉族"));
    seen.clear();
    QTest::keyClick(c, Qt::Key_Down);
    EXPECT_EQ(c->text(), QStringLiteral("回族"));
    EXPECT_EQ(seen, QStringList{QStringLiteral("回族")});

    emit c->activated(0);
    EXPECT_EQ(seen.size(), 2);

    c->onChange = [] { throw std::runtime_error("bad pick"); };
    emit c->activated(0);
    EXPECT_EQ(modal.lastText(), QStringLiteral("bad pick"));
}

TEST(UiComboBox, DropDownListHoldsOnlyItems)
{
    ui::ComboBox c;
    int changes = 0;
    c.onChange = [&] { ++changes; };
    c.setDropDownList(true);
    EXPECT_FALSE(c.isEditable());
    c.addItems({QStringLiteral("未婚"), QStringLiteral("已婚")});
    EXPECT_EQ(c.text(), QString());
    EXPECT_EQ(c.currentIndex(), -1);
    c.setText(QStringLiteral("已婚"));
    EXPECT_EQ(c.text(), QStringLiteral("已婚"));
    c.setText(QStringLiteral("离异"));
    EXPECT_EQ(c.text(), QString());
    EXPECT_EQ(changes, 0);

    c.setDropDownList(false);
    c.setText(QStringLiteral("离异"));
    QTest::keyClicks(&c, QStringLiteral("x"));
    EXPECT_EQ(changes, 1);
}

// ---------------------------------------------------------------- default error handler

TEST(UiGuarded, ShowsTheExceptionTextAndReturnsFalse)
{
    ScriptedModal modal;
    EXPECT_TRUE(ui::guarded(nullptr, [] {}));
    EXPECT_TRUE(ui::guarded(nullptr, nullptr));
    EXPECT_FALSE(ui::guarded(nullptr, [] { throw db::Error(QStringLiteral("数据库文件不存在：./db_corvelin_Data.mdb")); }));
    EXPECT_FALSE(ui::guarded(nullptr, [] { throw std::runtime_error("'abc' is not a valid integer value."); }));
    EXPECT_FALSE(ui::guarded(nullptr, [] { throw 42; }));
    ASSERT_EQ(modal.messages.size(), 3);
    EXPECT_EQ(modal.messages[0].text, QStringLiteral("数据库文件不存在：./db_corvelin_Data.mdb"));
    EXPECT_EQ(modal.messages[1].text, QStringLiteral("'abc' is not a valid integer value."));
    EXPECT_FALSE(modal.messages[2].text.isEmpty());
    for (const auto& m : modal.messages) {
        EXPECT_EQ(m.caption, QStringLiteral("人力资源管理系统"));
        EXPECT_EQ(m.icon, ui::Icon::Error);
        EXPECT_EQ(m.buttons, ui::Buttons::Ok);
    }
}

}
