// The main window and its login.
#include "app/U_login.h"
#include "app/U_main.h"
#include "data/U_data.h"
#include "harness.h"
#include "killed_writer.h"
#include <QAction>
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>

namespace {

const QString kRetry = QStringLiteral("用户名或密码错误，请重新输入！");
const QString kRefused = QStringLiteral("您无权使用本系统！");
using Steps = std::function<void(Tfrm_Login*)>;

class MainTest : public hrtest::HrTest {
protected:
    void SetUp() override
    {
        HrTest::SetUp();
        clearTaskOpeners();
        registerTaskDialogs();
        db->exec(QStringLiteral("insert into 操作员信息表 values ('admin', 'secret'), ('王芳', '123')"));
        restart();
    }
    void TearDown() override
    {
        main.reset();
        clearTaskOpeners();
        HrTest::TearDown();
    }
    // A new run of the program: fresh counter, fresh main window.
    void restart()
    {
        main.reset();
        Tfrm_Login::resetSession();
        resetApplicationEnding();
        modal->clear();
        modal->quitCount = 0;
        main = std::make_unique<Tfrm_main>();
    }
    // The login opened by the main window's first show, or by 重新登录: each
    // opening a fresh dialog named by the global only while it is open.
    void start(const Steps& steps, bool relogin = false)
    {
        modal->onDialog = [steps](QDialog* d) {
            ASSERT_EQ(frm_Login, d);
            EXPECT_TRUE(frm_Login->Edit1->text().isEmpty());
            steps(frm_Login);
        };
        if (relogin) {
            main->runMenuItem(QStringLiteral("N10"));
        } else {
            main->show();
            QApplication::processEvents();
        }
        modal->onDialog = nullptr;
        EXPECT_EQ(frm_Login, nullptr);
    }
    static void attempt(Tfrm_Login* l, const QString& name, const QString& pwd)
    {
        l->Edit1->setText(name);
        l->Edit2->setText(pwd);
        QTest::mouseClick(l->SpeedButton1, Qt::LeftButton);
    }
    static Steps login(const QString& name, const QString& pwd)
    {
        return [=](Tfrm_Login* l) { attempt(l, name, pwd); };
    }

    std::unique_ptr<Tfrm_main> main;
};

// Half a surrogate pair matches no other password ("a?b").
TEST_F(MainTest, TrimmedPairLogsInOnceFillsTheStatusPanelsAndResetsOpenMode)
{
    db->exec(QStringLiteral("insert into 操作员信息表 values ('张三', 'a?b')"));
    main->OpenMode = 2;
    start([&](Tfrm_Login* l) {
        attempt(l, "   ", "secret");   // blanks are no empty box
        EXPECT_EQ(modal->texts(), QStringList{kRetry});
        EXPECT_TRUE(l->Edit1->text().isEmpty() && l->Edit2->text().isEmpty());
        attempt(l, "张三", QStringLiteral("a") + QChar(0xDC00) + QStringLiteral("b"));
        EXPECT_TRUE(l->isVisible());
        attempt(l, "  张三 \t", " a?b  ");
        EXPECT_FALSE(l->isVisible());
    });
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->OpenMode, 0);
    ASSERT_EQ(modal->messages.size(), 2);
    EXPECT_TRUE(modal->lastText().contains("不成对的 UTF-16 代理项")) << modal->lastText().toStdString();
    EXPECT_EQ(modal->quitCount, 0);
    EXPECT_EQ(Tfrm_Login::LoginAttempts, 3);
    EXPECT_EQ(main->statusText(1), "张三");
    EXPECT_EQ(main->statusText(3), QDate::currentDate().toString("yyyy-MM-dd"));
    EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$").match(main->statusText(5)).hasMatch())
        << main->statusText(5).toStdString();

    // Shown again later: no second login, OpenMode left alone.
    main->OpenMode = 1;
    main->hide();
    main->show();
    EXPECT_EQ(modal->dialogsShown.size(), 1);
    EXPECT_EQ(main->OpenMode, 1);
}

TEST_F(MainTest, EveryPressCountsAndTheThirdFailureOrLeavingBeforeALoginEndsTheProgram)
{
    auto run = [&](const QList<std::pair<QString, QString>>& pairs, const QStringList& texts, bool ends) {
        SCOPED_TRACE(texts.join('/').toStdString());
        restart();
        QList<bool> open;
        start([&](Tfrm_Login* l) {
            for (const auto& [name, pwd] : pairs) {
                attempt(l, name, pwd);
                open << l->isVisible();
            }
        });
        EXPECT_EQ(modal->texts(), texts);
        EXPECT_EQ(open, QList<bool>(pairs.size() - 1, true) << false);
        EXPECT_EQ(modal->quitCount, ends ? 1 : 0);
        EXPECT_EQ(main->isVisible(), !ends);
    };
    run({{"admin", "x"}, {"admin", "y"}, {"admin", "z"}}, {kRetry, kRetry, kRefused}, true);
    run({{"", "secret"}, {"admin", "bad"}, {"admin", "bad"}}, {"请输入用户名", kRetry, kRefused}, true);
    run({{"admin", ""}, {"admin", "secret"}}, {"请输入密码"}, false);

    // Leaving before the first login ends the program too.
    for (const Steps& leave : {Steps([](Tfrm_Login* l) { QTest::mouseClick(l->SpeedButton2, Qt::LeftButton); }),
                               Steps([](Tfrm_Login* l) { l->close(); })}) {
        restart();
        start(leave);
        EXPECT_TRUE(modal->quitCount == 1 && !main->isVisible());
    }
}

TEST_F(MainTest, ReloginReplacesTheOperatorCancelKeepsItAndTheCountGoesOn)
{
    start(login("admin", "secret"));
    main->setStatusText(5, "old");
    // After a login, cancel or close only close the dialog.
    start([](Tfrm_Login* l) {
        l->Edit1->setText("typed");
        QTest::mouseClick(l->SpeedButton2, Qt::LeftButton);
    }, true);
    start([](Tfrm_Login* l) { l->close(); }, true);
    EXPECT_EQ(modal->quitCount, 0);
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->statusText(1) + main->statusText(5), "adminold");

    start(login("王芳", "123"), true);
    EXPECT_EQ(main->statusText(1), "王芳");
    EXPECT_NE(main->statusText(5), "old");
    EXPECT_TRUE(modal->messages.isEmpty());
    // Two presses made already: the first wrong pair is the third.
    start(login("admin", "bad"), true);
    EXPECT_EQ(modal->texts(), QStringList{kRefused});
    EXPECT_EQ(modal->quitCount, 1);
}

TEST_F(MainTest, EnterDownAndUpWalkTheLoginBoxesAndLogIn)
{
    start([&](Tfrm_Login* l) {
        QApplication::setActiveWindow(l);
        l->Edit1->setFocus();
        const std::tuple<QWidget*, int, QWidget*> moves[] = {
            {l->Edit1, Qt::Key_Up, l->Edit1}, {l->Edit1, Qt::Key_Return, l->Edit2},
            {l->Edit2, Qt::Key_Up, l->Edit1}, {l->Edit1, Qt::Key_Down, l->Edit2}};
        for (const auto& [from, key, to] : moves) {
            hrtest::pressKey(from, key);
            EXPECT_TRUE(to->hasFocus()) << from->objectName().toStdString() << " " << key;
        }
        hrtest::typeText(l->Edit1, "admin");
        hrtest::typeText(l->Edit2, "wrong");
        hrtest::pressKey(l->Edit2, Qt::Key_Down);   // an attempt
        EXPECT_EQ(modal->texts(), QStringList{kRetry});
        EXPECT_TRUE(l->Edit1->hasFocus());
        hrtest::typeText(l->Edit1, "admin");
        hrtest::typeText(l->Edit2, "secret");
        hrtest::pressKey(l->Edit2, Qt::Key_Return);
    });
    EXPECT_EQ(Tfrm_Login::LoginAttempts, 2);
    EXPECT_TRUE(main->isVisible());
}

TEST_F(MainTest, UnreadableOrMissingDatabaseFileIsNamedAndTheAttemptCounts)
{
    const QString path = db->path();
    const QString saved = path + ".away";
    ASSERT_TRUE(QFile::copy(path, saved));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray(4096, 'x'));
    f.close();
    start([&](Tfrm_Login* l) {
        attempt(l, "admin", "secret");
        EXPECT_TRUE(modal->lastText().contains("db_corvelin_Data.mdb")) << modal->lastText().toStdString();
        Data1->ADOConnection2.close();
        ASSERT_TRUE(QFile::remove(path));
        attempt(l, "admin", "secret");
        hrtest::pressKey(l->Edit2, Qt::Key_Return);   // through the keyboard: shown the same way
        ASSERT_EQ(modal->messages.size(), 3);
        for (const ui::MessageRequest& m : modal->messages.mid(1)) {
            EXPECT_TRUE(m.text.contains("db_corvelin_Data.mdb") && m.text.contains("不存在")) << m.text.toStdString();
            EXPECT_EQ(m.icon, ui::Icon::Error);
        }
        EXPECT_TRUE(l->isVisible());
        EXPECT_EQ(Tfrm_Login::LoginAttempts, 3);
        EXPECT_EQ(modal->quitCount, 0);
        // Once the file is back, a wrong pair meets a count already past three.
        Data1->ADOConnection2.close();
        ASSERT_TRUE(QFile::rename(saved, path));
        attempt(l, "admin", "bad");
        EXPECT_EQ(modal->lastText(), kRefused);
    });
    EXPECT_EQ(modal->quitCount, 1);
    EXPECT_FALSE(main->isVisible());
}

// Every file in the database's folder with its bytes.
static QMap<QString, QByteArray> folderBytes(const QString& dir)
{
    QMap<QString, QByteArray> all;
    for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::Hidden)) {
        QFile f(dir + "/" + name);
        all[name] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    return all;
}

// A writer killed mid-change leaves a journal that the read-only look at the
// file cannot roll back: the start-up rolls it back and logs in on the old
// data. A file that is not this system's is refused with nothing changed or
// made beside it, journal and all.
TEST_F(MainTest, StartUpRollsBackAKilledWritersJournalAndLeavesForeignFilesAsTheyAre)
{
    const QString path = db->path();
    Data1->ADOConnection2.close();
    const char* change =
        "update 操作员信息表 set 操作员密码 = 'changed'; "
        "insert into 部门表 with recursive n(i) as (select 1 union all select i + 1 from n where i < 2000) "
        "select hex(randomblob(200)), i from n";
    hrtest::killWriterMidTransaction(path, change);
    ASSERT_GT(QFileInfo(path + "-journal").size(), 0);
    start(login("admin", "secret"));
    EXPECT_TRUE(modal->messages.isEmpty()) << modal->lastText().toStdString();
    EXPECT_EQ(main->statusText(1), "admin");
    EXPECT_FALSE(QFileInfo::exists(path + "-journal"));
    EXPECT_EQ(db->count("部门表"), 0);

    const QByteArray ours = folderBytes(db->dir()).value("db_corvelin_Data.mdb");
    const std::function<void()> foreign[] = {
        // Another program's database, with its own killed writer's journal.
        [&] {
            sqlite3* h = nullptr;
            sqlite3_open(QFile::encodeName(path).constData(), &h);
            sqlite3_exec(h, "create table customers (id INTEGER, name TEXT)", nullptr, nullptr, nullptr);
            sqlite3_close(h);
            hrtest::killWriterMidTransaction(path, "insert into customers with recursive n(i) as (select 1 union all "
                                                   "select i + 1 from n where i < 3000) select i, hex(randomblob(300)) from n");
        },
        // A truncated file in log mode, which a read-only look would give a log and an index.
        [&] {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QByteArray head = ours.left(4096);
            head[18] = head[19] = 2;
            f.write(head);
        }};
    for (const auto& make : foreign) {
        restart();
        Data1->ADOConnection2.close();
        QDir(db->dir()).removeRecursively();
        QDir().mkpath(db->dir());
        make();
        const QMap<QString, QByteArray> before = folderBytes(db->dir());
        start(login("admin", "secret"));
        ASSERT_FALSE(modal->messages.isEmpty());
        EXPECT_TRUE(modal->messages.front().text.contains("不是本系统的数据库文件")) << modal->lastText().toStdString();
        EXPECT_FALSE(main->isVisible());
        EXPECT_TRUE(folderBytes(db->dir()) == before) << QStringList(folderBytes(db->dir()).keys()).join(' ').toStdString();
    }
}

TEST_F(MainTest, ItemsAndToolButtonsRunTheirDialogsOrStayDisabledAndExitAsksOnce)
{
    start(login("admin", "secret"));
    clearTaskOpeners();
    for (const char* name : {"N7", "N10", "N50", "N39", "N3", "N24", "N59"})
        EXPECT_TRUE(main->menuItem(name)->isVisible() && !main->menuItem(name)->isEnabled()) << name;
    for (int n = 1; n <= 10; ++n) EXPECT_FALSE(main->toolButton(n)->isEnabled()) << n;
    main->runMenuItem("N59");   // disabled: nothing even when run by name
    EXPECT_EQ(modal->dialogsShown.size(), 1);

    QStringList ran;
    const QStringList items = {"N7", "N3", "N27", "N28", "N29", "N30", "N24", "N25", "N39", "N50"};
    for (const QString& item : items)
        setTaskOpener(item, [&ran, item, this](QWidget* owner) {
            EXPECT_EQ(owner, main.get());
            ran << item;
        });
    for (int n = 1; n <= 10; ++n) QTest::mouseClick(main->toolButton(n), Qt::LeftButton);
    EXPECT_EQ(ran, items);

    // A failing action is shown; the window stays.
    setTaskOpener("N7", [](QWidget*) { throw std::runtime_error("broken dialog"); });
    main->menuItem("N7")->trigger();
    ASSERT_EQ(modal->messages.size(), 1);
    EXPECT_TRUE(modal->messages[0].text.contains("broken dialog"));
    EXPECT_TRUE(main->isVisible());

    // 退出系统 and its tool button ask with the question icon, the close box without.
    const std::pair<std::function<void()>, ui::Icon> ways[] = {
        {[&] { main->menuItem("N11")->trigger(); }, ui::Icon::Question},
        {[&] { QTest::mouseClick(main->toolButton(11), Qt::LeftButton); }, ui::Icon::Question},
        {[&] { main->close(); }, ui::Icon::None}};
    for (const auto& [exit, icon] : ways) {
        resetApplicationEnding();
        main->show();
        modal->clear();
        modal->quitCount = 0;
        modal->answerNo();
        exit();
        ASSERT_EQ(modal->messages.size(), 1);
        const ui::MessageRequest m = modal->messages.front();
        EXPECT_TRUE(m.text == "真的要退出系统吗？" && m.caption == "澄岚人力资源管理系统" && m.owner == main.get()
                    && m.icon == icon && m.buttons == ui::Buttons::YesNo);
        EXPECT_TRUE(modal->quitCount == 0 && main->isVisible());

        modal->answerYes();
        exit();
        EXPECT_EQ(modal->quitCount, 1);
        // Ending closes the windows; that close must not ask again.
        EXPECT_TRUE(main->close() && !main->isVisible());
        EXPECT_TRUE(modal->messages.size() == 2 && modal->quitCount == 1);
    }
}

}
