#include "app/U_login.h"
#include "app/U_main.h"
#include "app/picture.h"
#include "data/U_data.h"
#include "harness.h"
#include <QApplication>
#include <QDate>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {

const QString kRetry = QStringLiteral("用户名或密码错误，请重新输入！");
const QString kRefused = QStringLiteral("您无权使用本系统！");

class LoginTest : public hrtest::HrTest {
protected:
    void SetUp() override
    {
        HrTest::SetUp();
        Tfrm_Login::resetSession();
        resetApplicationEnding();
        clearTaskOpeners();
        registerTaskDialogs();
        db->exec(QStringLiteral("insert into 操作员信息表 values ('admin', 'secret')"));
        db->exec(QStringLiteral("insert into 操作员信息表 values ('王芳', '123')"));
        main = std::make_unique<Tfrm_main>();
    }
    void TearDown() override
    {
        main.reset();
        clearTaskOpeners();
        HrTest::TearDown();
    }

    // Shows the main window; its login is driven by the given steps.
    void start(const std::function<void(Tfrm_Login*)>& steps)
    {
        drive(steps);
        main->show();
        QApplication::processEvents();
    }
    void relogin(const std::function<void(Tfrm_Login*)>& steps)
    {
        drive(steps);
        main->runMenuItem(QStringLiteral("N10"));
    }
    void drive(const std::function<void(Tfrm_Login*)>& steps)
    {
        modal->onDialog = [steps](QDialog* d) {
            auto* l = qobject_cast<Tfrm_Login*>(d);
            ASSERT_NE(l, nullptr);
            EXPECT_EQ(frm_Login, l);
            steps(l);
        };
    }

    static void attempt(Tfrm_Login* l, const QString& name, const QString& pwd)
    {
        l->Edit1->setText(name);
        l->Edit2->setText(pwd);
        QTest::mouseClick(l->SpeedButton1, Qt::LeftButton);
    }

    std::unique_ptr<Tfrm_main> main;
};

TEST_F(LoginTest, SuccessfulLoginShowsMainWindowAndFillsStatusPanels)
{
    bool closedAfterLogin = false;
    start([&](Tfrm_Login* l) {
        attempt(l, QStringLiteral("admin"), QStringLiteral("secret"));
        closedAfterLogin = !l->isVisible();
    });
    EXPECT_TRUE(closedAfterLogin);
    EXPECT_TRUE(modal->messages.isEmpty());
    EXPECT_EQ(modal->quitCount, 0);
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(frm_Login, nullptr);
    EXPECT_TRUE(Tfrm_Login::LoggedIn);
    EXPECT_EQ(Tfrm_Login::OperatorName, QStringLiteral("admin"));

    EXPECT_EQ(main->statusText(0), QStringLiteral("操作员："));
    EXPECT_EQ(main->statusText(1), QStringLiteral("admin"));
    EXPECT_EQ(main->statusText(2), QStringLiteral("今天日期："));
    EXPECT_EQ(main->statusText(3), QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    EXPECT_EQ(main->statusText(4), QStringLiteral("登录时间："));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$")).match(main->statusText(5)).hasMatch())
        << main->statusText(5).toStdString();
    EXPECT_EQ(main->statusText(6), QStringLiteral("澄岚人力资源管理系统"));
}

TEST_F(LoginTest, NameAndPasswordAreTrimmedButBlanksAloneAreNotEmpty)
{
    start([&](Tfrm_Login* l) {
        attempt(l, QStringLiteral("   "), QStringLiteral("secret"));
        EXPECT_EQ(modal->lastText(), kRetry);   // passes the empty test, fails the check
        EXPECT_TRUE(l->Edit1->text().isEmpty());
        EXPECT_TRUE(l->Edit2->text().isEmpty());
        attempt(l, QStringLiteral("  admin \t"), QStringLiteral(" secret  "));
    });
    EXPECT_EQ(modal->messages.size(), 1);
    EXPECT_EQ(main->statusText(1), QStringLiteral("admin"));
    EXPECT_EQ(Tfrm_Login::LoginAttempts, 2);
}

TEST_F(LoginTest, ThreeWrongPairsEndTheProgramBeforeTheMainWindowShows)
{
    bool stillOpenAfterSecond = false, closedAfterThird = false;
    start([&](Tfrm_Login* l) {
        attempt(l, QStringLiteral("admin"), QStringLiteral("x"));
        attempt(l, QStringLiteral("admin"), QStringLiteral("y"));
        stillOpenAfterSecond = l->isVisible();
        attempt(l, QStringLiteral("admin"), QStringLiteral("z"));
        closedAfterThird = !l->isVisible();
    });
    EXPECT_EQ(modal->texts(), (QStringList{kRetry, kRetry, kRefused}));
    for (const auto& m : modal->messages) {
        EXPECT_EQ(m.caption, QStringLiteral("提示"));
        EXPECT_EQ(m.icon, ui::Icon::Information);
    }
    EXPECT_TRUE(stillOpenAfterSecond);
    EXPECT_TRUE(closedAfterThird);
    EXPECT_EQ(modal->quitCount, 1);
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(applicationEnding());
}

TEST_F(LoginTest, RefusalsForEmptyBoxesCountAsAttempts)
{
    start([&](Tfrm_Login* l) {
        attempt(l, QString(), QStringLiteral("secret"));
        attempt(l, QStringLiteral("admin"), QStringLiteral("bad"));
        attempt(l, QStringLiteral("admin"), QStringLiteral("bad"));
    });
    EXPECT_EQ(modal->texts(), (QStringList{QStringLiteral("请输入用户名"), kRetry, kRefused}));
    EXPECT_EQ(modal->quitCount, 1);
    EXPECT_FALSE(main->isVisible());
}

TEST_F(LoginTest, EmptyPasswordIsRefusedAndCounted)
{
    start([&](Tfrm_Login* l) {
        attempt(l, QStringLiteral("admin"), QString());
        EXPECT_EQ(modal->lastText(), QStringLiteral("请输入密码"));
        EXPECT_EQ(l->Edit1->text(), QStringLiteral("admin"));   // nothing cleared
        attempt(l, QStringLiteral("admin"), QStringLiteral("secret"));
    });
    EXPECT_EQ(Tfrm_Login::LoginAttempts, 2);
    EXPECT_TRUE(main->isVisible());
}

TEST_F(LoginTest, ReloginAddsToTheCountOfTheRun)
{
    start([&](Tfrm_Login* l) { attempt(l, QStringLiteral("admin"), QStringLiteral("secret")); });
    ASSERT_TRUE(main->isVisible());
    relogin([&](Tfrm_Login* l) {
        attempt(l, QStringLiteral("admin"), QStringLiteral("bad"));
        EXPECT_TRUE(l->isVisible());
        attempt(l, QStringLiteral("admin"), QStringLiteral("bad"));
    });
    EXPECT_EQ(modal->texts(), (QStringList{kRetry, kRefused}));
    EXPECT_EQ(modal->quitCount, 1);
}

TEST_F(LoginTest, ReloginReplacesTheOperatorAndCancelKeepsEverything)
{
    start([&](Tfrm_Login* l) { attempt(l, QStringLiteral("admin"), QStringLiteral("secret")); });
    main->setStatusText(5, QStringLiteral("old"));

    relogin([&](Tfrm_Login* l) { QTest::mouseClick(l->SpeedButton2, Qt::LeftButton); });
    EXPECT_EQ(modal->quitCount, 0);
    EXPECT_EQ(main->statusText(1), QStringLiteral("admin"));
    EXPECT_EQ(main->statusText(5), QStringLiteral("old"));

    // Closed some other way, after a login: just closes.
    relogin([&](Tfrm_Login* l) { l->close(); });
    EXPECT_EQ(modal->quitCount, 0);
    EXPECT_TRUE(main->isVisible());

    relogin([&](Tfrm_Login* l) { attempt(l, QStringLiteral("王芳"), QStringLiteral("123")); });
    EXPECT_EQ(main->statusText(1), QStringLiteral("王芳"));
    EXPECT_EQ(Tfrm_Login::OperatorName, QStringLiteral("王芳"));
    EXPECT_NE(main->statusText(5), QStringLiteral("old"));
    EXPECT_EQ(modal->quitCount, 0);
    EXPECT_TRUE(modal->messages.isEmpty());
}

TEST_F(LoginTest, LeavingBeforeTheFirstLoginEndsTheProgramOnce)
{
    start([&](Tfrm_Login* l) { QTest::mouseClick(l->SpeedButton2, Qt::LeftButton); });
    EXPECT_EQ(modal->quitCount, 1);
    EXPECT_FALSE(main->isVisible());

    main.reset();
    resetApplicationEnding();
    modal->quitCount = 0;
    main = std::make_unique<Tfrm_main>();
    start([&](Tfrm_Login* l) { l->close(); });
    EXPECT_EQ(modal->quitCount, 1);
    EXPECT_FALSE(main->isVisible());
}

TEST_F(LoginTest, EnterDownAndUpWalkTheBoxesAndLogIn)
{
    start([&](Tfrm_Login* l) {
        l->activateWindow();
        QApplication::setActiveWindow(l);
        l->Edit1->setFocus();
        hrtest::typeText(l->Edit1, QStringLiteral("admin"));
        hrtest::pressKey(l->Edit1, Qt::Key_Up);
        EXPECT_TRUE(l->Edit1->hasFocus());
        hrtest::pressKey(l->Edit1, Qt::Key_Return);
        EXPECT_TRUE(l->Edit2->hasFocus());
        hrtest::pressKey(l->Edit2, Qt::Key_Up);
        EXPECT_TRUE(l->Edit1->hasFocus());
        hrtest::pressKey(l->Edit1, Qt::Key_Down);
        EXPECT_TRUE(l->Edit2->hasFocus());
        hrtest::typeText(l->Edit2, QStringLiteral("wrong"));
        hrtest::pressKey(l->Edit2, Qt::Key_Down);   // an attempt
        EXPECT_EQ(modal->lastText(), kRetry);
        EXPECT_TRUE(l->Edit1->hasFocus());
        EXPECT_EQ(Tfrm_Login::LoginAttempts, 1);
        hrtest::typeText(l->Edit1, QStringLiteral("admin"));
        hrtest::typeText(l->Edit2, QStringLiteral("secret"));
        hrtest::pressKey(l->Edit2, Qt::Key_Return);
        EXPECT_FALSE(l->isVisible());
    });
    EXPECT_EQ(Tfrm_Login::LoginAttempts, 2);
    EXPECT_TRUE(Tfrm_Login::LoggedIn);
    EXPECT_EQ(Tfrm_Login::OperatorName, QStringLiteral("admin"));
}

TEST_F(LoginTest, MissingDatabaseFileIsNamedAndTheAttemptStillCounts)
{
    const QString path = db->path();
    const QString saved = path + QStringLiteral(".away");
    ASSERT_TRUE(QFile::rename(path, saved));
    start([&](Tfrm_Login* l) {
        for (int i = 0; i < 3; ++i) {
            attempt(l, QStringLiteral("admin"), QStringLiteral("secret"));
            ASSERT_EQ(modal->messages.size(), i + 1);
            const ui::MessageRequest m = modal->messages.back();
            EXPECT_TRUE(m.text.contains(QStringLiteral("db_corvelin_Data.mdb"))) << m.text.toStdString();
            EXPECT_TRUE(m.text.contains(QStringLiteral("不存在"))) << m.text.toStdString();
            EXPECT_EQ(m.icon, ui::Icon::Error);
            EXPECT_TRUE(l->isVisible());
        }
        // Through the keyboard the error is shown the same way, never thrown on.
        hrtest::pressKey(l->Edit2, Qt::Key_Return);
        EXPECT_EQ(modal->messages.size(), 4);
        EXPECT_EQ(Tfrm_Login::LoginAttempts, 4);
        EXPECT_FALSE(Tfrm_Login::LoggedIn);
        EXPECT_TRUE(main->statusText(1).isEmpty());
        EXPECT_EQ(modal->quitCount, 0);

        // Once the file is back, a wrong pair meets a count already past three.
        Data1->ADOConnection2.close();
        ASSERT_TRUE(QFile::rename(saved, path));
        attempt(l, QStringLiteral("admin"), QStringLiteral("bad"));
        EXPECT_EQ(modal->lastText(), kRefused);
    });
    EXPECT_EQ(modal->quitCount, 1);
    EXPECT_FALSE(main->isVisible());
}

TEST_F(LoginTest, UnreadableDatabaseFileIsNamed)
{
    QFile f(db->path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray(4096, 'x'));
    f.close();
    start([&](Tfrm_Login* l) {
        attempt(l, QStringLiteral("admin"), QStringLiteral("secret"));
        ASSERT_EQ(modal->messages.size(), 1);
        EXPECT_TRUE(modal->lastText().contains(QStringLiteral("db_corvelin_Data.mdb"))) << modal->lastText().toStdString();
        EXPECT_TRUE(l->isVisible());
        QTest::mouseClick(l->SpeedButton2, Qt::LeftButton);
    });
    EXPECT_EQ(Tfrm_Login::LoginAttempts, 1);
    EXPECT_FALSE(main->isVisible());
}

TEST_F(LoginTest, BoxesAndButtonsLieOnThePicture)
{
    start([&](Tfrm_Login* l) {
        const QImage pic = l->Image1->picture();
        ASSERT_EQ(pic.size(), QSize(332, 212));
        EXPECT_EQ(l->size(), QSize(332, 212));
        // The edit boxes cover white boxes of the picture, the buttons its faces.
        for (QWidget* w : {static_cast<QWidget*>(l->Edit1), static_cast<QWidget*>(l->Edit2)}) {
            const QRect r = w->geometry().adjusted(3, 3, -3, -3);
            for (QPoint p : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight(), r.center()})
                EXPECT_GT(qGray(pic.pixel(p)), 225) << w->objectName().toStdString() << " at " << p.x() << "," << p.y();
        }
        for (QWidget* w : {static_cast<QWidget*>(l->SpeedButton1), static_cast<QWidget*>(l->SpeedButton2)}) {
            EXPECT_FALSE(w->isHidden());
            EXPECT_TRUE(l->Image1->geometry().contains(w->geometry()));
        }
        QTest::mouseClick(l->SpeedButton2, Qt::LeftButton);
    });
}

}
