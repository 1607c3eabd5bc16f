#include "app/U_about.h"
#include "app/U_login.h"
#include "app/U_main.h"
#include "harness.h"
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QTest>
#include <QToolButton>

namespace {

const QString kQuestion = QStringLiteral("真的要退出系统吗？");
const QString kCaption = QStringLiteral("澄岚人力资源管理系统");

// A main window that is up after a login, as every menu action finds it.
class MainTest : public hrtest::HrTest {
protected:
    void SetUp() override
    {
        HrTest::SetUp();
        Tfrm_Login::resetSession();
        resetApplicationEnding();
        clearTaskOpeners();
        registerTaskDialogs();
        db->exec(QStringLiteral("insert into 操作员信息表 values ('admin', 'admin')"));
        main = std::make_unique<Tfrm_main>();
        main->OpenMode = 2;
        modal->onDialog = [](QDialog* d) {
            auto* l = qobject_cast<Tfrm_Login*>(d);
            l->Edit1->setText(QStringLiteral("admin"));
            l->Edit2->setText(QStringLiteral("admin"));
            l->SpeedButton1Click();
        };
        main->show();
        QApplication::processEvents();
        modal->onDialog = nullptr;
        modal->dialogsShown.clear();
    }
    void TearDown() override
    {
        main.reset();
        clearTaskOpeners();
        HrTest::TearDown();
    }
    std::unique_ptr<Tfrm_main> main;
};

TEST_F(MainTest, FirstShowResetsOpenModeAndLogsInOnce)
{
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->OpenMode, 0);
    EXPECT_EQ(main->windowTitle(), kCaption);
    EXPECT_EQ(frm_main, main.get());

    main->OpenMode = 1;
    main->hide();
    main->show();
    EXPECT_TRUE(modal->dialogsShown.isEmpty());
    EXPECT_EQ(main->OpenMode, 1);
}

TEST_F(MainTest, ExitQuestionFromMenuAndToolBar)
{
    for (int viaToolBar = 0; viaToolBar < 2; ++viaToolBar) {
        modal->clear();
        modal->answerNo();
        if (viaToolBar)
            QTest::mouseClick(main->toolButton(11), Qt::LeftButton);
        else
            main->menuItem(QStringLiteral("N11"))->trigger();
        ASSERT_EQ(modal->messages.size(), 1);
        const ui::MessageRequest m = modal->messages.front();
        EXPECT_EQ(m.text, kQuestion);
        EXPECT_EQ(m.caption, kCaption);
        EXPECT_EQ(m.icon, ui::Icon::Question);
        EXPECT_EQ(m.buttons, ui::Buttons::YesNo);
        EXPECT_EQ(m.owner, main.get());
        EXPECT_EQ(modal->quitCount, 0);
        EXPECT_TRUE(main->isVisible());
    }

    modal->clear();
    modal->answerYes();
    QTest::mouseClick(main->toolButton(11), Qt::LeftButton);
    EXPECT_EQ(modal->quitCount, 1);
    // Ending closes the windows; that close must not ask again.
    EXPECT_TRUE(main->close());
    EXPECT_EQ(modal->messages.size(), 1);
    EXPECT_EQ(modal->quitCount, 1);
}

TEST_F(MainTest, ClosingTheWindowAsksWithoutIcon)
{
    modal->answerNo();
    EXPECT_FALSE(main->close());
    ASSERT_EQ(modal->messages.size(), 1);
    EXPECT_EQ(modal->messages[0].text, kQuestion);
    EXPECT_EQ(modal->messages[0].caption, kCaption);
    EXPECT_EQ(modal->messages[0].icon, ui::Icon::None);
    EXPECT_EQ(modal->messages[0].buttons, ui::Buttons::YesNo);
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(modal->quitCount, 0);

    modal->answerYes();
    EXPECT_TRUE(main->close());
    EXPECT_EQ(modal->messages.size(), 2);
    EXPECT_EQ(modal->quitCount, 1);
    EXPECT_FALSE(main->isVisible());
}

TEST_F(MainTest, ItemsWithoutDialogStayVisibleButDisabled)
{
    clearTaskOpeners();
    for (const char* name : {"N7", "N8", "N9", "N10", "N50", "N39", "N14", "N3", "N26", "N24", "N32", "N59"}) {
        QAction* a = main->menuItem(QString::fromLatin1(name));
        ASSERT_NE(a, nullptr) << name;
        EXPECT_TRUE(a->isVisible()) << name;
        EXPECT_FALSE(a->isEnabled()) << name;
    }
    for (const char* name : {"N11", "N57", "N58"}) EXPECT_TRUE(main->menuItem(QString::fromLatin1(name))->isEnabled());
    for (int n = 1; n <= 10; ++n) EXPECT_FALSE(main->toolButton(n)->isEnabled()) << n;
    EXPECT_TRUE(main->toolButton(11)->isEnabled());

    // A disabled item does nothing even when run by name.
    main->runMenuItem(QStringLiteral("N59"));
    EXPECT_TRUE(modal->dialogsShown.isEmpty());
}

TEST_F(MainTest, ToolButtonsRunTheirMenuItems)
{
    QStringList ran;
    const QStringList items = {"N7", "N3", "N27", "N28", "N29", "N30", "N24", "N25", "N39", "N50"};
    for (const QString& item : items)
        setTaskOpener(item, [&ran, item, this](QWidget* owner) {
            EXPECT_EQ(owner, main.get());
            ran << item;
        });
    for (int n = 1; n <= 10; ++n) {
        ASSERT_TRUE(main->toolButton(n)->isEnabled()) << n;
        QTest::mouseClick(main->toolButton(n), Qt::LeftButton);
    }
    EXPECT_EQ(ran, items);
    main->menuItem(QStringLiteral("N27"))->trigger();
    EXPECT_EQ(ran.last(), QStringLiteral("N27"));
}

TEST_F(MainTest, ToolBarShowsBothRowsOfButtons)
{
    main->resize(1024, 768);
    QApplication::processEvents();
    QToolButton* first = main->toolButton(1);
    QToolButton* sixth = main->toolButton(6);
    QToolButton* seventh = main->toolButton(7);
    EXPECT_EQ(first->size(), QSize(77, 52));
    EXPECT_EQ(first->iconSize(), QSize(32, 32));
    EXPECT_EQ(first->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_EQ(sixth->y(), first->y());
    EXPECT_GT(sixth->x(), first->x());
    EXPECT_EQ(seventh->x(), first->x());
    EXPECT_GE(seventh->y(), first->y() + 52);
    EXPECT_GE(main->ToolBar1->height(), 2 * 52);
    for (int n = 1; n <= 11; ++n) EXPECT_TRUE(main->toolButton(n)->isVisible()) << n;
}

TEST_F(MainTest, ErrorInAMenuActionIsShownAndTheWindowStays)
{
    setTaskOpener(QStringLiteral("N7"), [](QWidget*) { throw std::runtime_error("broken dialog"); });
    main->menuItem(QStringLiteral("N7"))->trigger();
    ASSERT_EQ(modal->messages.size(), 1);
    EXPECT_TRUE(modal->messages[0].text.contains(QStringLiteral("broken dialog")));
    EXPECT_TRUE(main->isVisible());
}

TEST_F(MainTest, EachUseCreatesAFreshDialog)
{
    QList<QDialog*> seen;
    modal->onDialog = [&](QDialog* d) {
        EXPECT_EQ(frm_about, d);
        seen << d;
        auto* a = qobject_cast<Tfrm_about*>(d);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->windowTitle(), QStringLiteral("关于"));
        QTest::mouseClick(a->BitBtn1, Qt::LeftButton);
        EXPECT_FALSE(a->isVisible());
    };
    main->menuItem(QStringLiteral("N59"))->trigger();
    EXPECT_EQ(frm_about, nullptr);
    main->menuItem(QStringLiteral("N59"))->trigger();
    EXPECT_EQ(frm_about, nullptr);
    EXPECT_EQ(seen.size(), 2);

    // Nothing typed into one opening survives into the next.
    QStringList found;
    modal->onDialog = [&](QDialog* d) {
        auto* l = qobject_cast<Tfrm_Login*>(d);
        found << l->Edit1->text();
        l->Edit1->setText(QStringLiteral("typed"));
        l->SpeedButton2Click();
    };
    main->menuItem(QStringLiteral("N10"))->trigger();
    main->menuItem(QStringLiteral("N10"))->trigger();
    EXPECT_EQ(found, (QStringList{QString(), QString()}));
    EXPECT_EQ(frm_Login, nullptr);
    EXPECT_EQ(modal->quitCount, 0);
}

}
