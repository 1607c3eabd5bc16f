// Operators, password change, company record, backup and restore.
#include "app/U_czy.h"
#include "app/U_dwxx.h"
#include "app/U_login.h"
#include "app/U_main.h"
#include "app/U_xgmm.h"
#include "data/U_data.h"
#include "harness.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include "platform/ui/locale.h"
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QToolButton>

namespace {

const QString kOperators = QStringLiteral("select * from 操作员信息表 order by rowid");
const QString kCompany = QStringLiteral("select * from 单位信息表 order by rowid");

class SystemTest : public hrtest::HrTest {
protected:
    void SetUp() override
    {
        HrTest::SetUp();
        db->exec("insert into 操作员信息表 values ('admin', 'secret'), ('dup', '1'), ('dup', '2')");
    }
};

void fillCompany(Tfrm_dwxx* d, const QStringList& values)
{
    QList<QWidget*> inputs = {d->Edit1, d->Edit2, d->Edit3, d->Edit4, d->Edit5, d->Edit6, d->Memo1};
    for (int i = 0; i < inputs.size(); ++i) ui::setControlText(inputs[i], values.value(i));
}

// Presses a button and gives the last message shown.
QString pressed(hrtest::ScriptedModal& modal, ui::Button* button)
{
    button->click();
    return modal.lastText();
}

}

TEST_F(SystemTest, OperatorEditsReachExactlyTheSelectedRowAndNeverStoreAnEmptyName)
{
    auto d = hrtest::shown<Tfrm_gly>();
    const auto press = [&](ui::Button* button, const QString& name, const QString& pwd) {
        d->Edit1->setText(name);
        d->Edit2->setText(pwd);
        return pressed(*modal, button);
    };
    EXPECT_EQ(d->DBGrid1->model()->rowCount(), 3);
    // Empty boxes at opening: 修改 writes nothing.
    for (const QString& name : {QString(), QStringLiteral("   ")})
        EXPECT_EQ(press(d->SpeedButton2, name, ""), "请输入操作员名称");
    // Nor a password the login could never take (an empty box is refused there).
    d->DBGrid1->clickRow(0);
    for (const QString& pwd : {QString(), QStringLiteral("  ")})
        EXPECT_EQ(press(d->SpeedButton2, "admin", pwd), "请输入操作员密码");
    EXPECT_EQ(db->rows(kOperators), (QStringList{"admin|secret", "dup|1", "dup|2"}));

    d->DBGrid1->clickRow(2);
    EXPECT_EQ(d->Edit1->text() + d->Edit2->text(), "dup2");
    EXPECT_EQ(press(d->SpeedButton2, " dup2 ", " 二 "), "修改成功");
    EXPECT_EQ(db->rows(kOperators), (QStringList{"admin|secret", "dup|1", "dup2|二"}));
    EXPECT_TRUE(d->Edit1->text().isEmpty() && d->Edit2->text().isEmpty());

    // 添加: blanks are no name; an existing name, compared trimmed, is refused.
    modal->clear();
    press(d->SpeedButton1, "  ", "x");
    press(d->SpeedButton1, "新人", "");
    press(d->SpeedButton1, "新人", "   ");
    press(d->SpeedButton1, " admin ", "x");
    EXPECT_EQ(modal->texts(), (QStringList{"请输入操作员名称", "请输入操作员密码", "请输入操作员密码", "操作员已经存在！"}));
    EXPECT_EQ(d->DBGrid1->model()->rowCount(), 1);
    EXPECT_TRUE(d->Edit1->text().isEmpty() && d->Edit2->text().isEmpty());
    EXPECT_EQ(press(d->SpeedButton1, " 新人 ", " p1 "), "添加成功");
    EXPECT_EQ(db->rows(kOperators).last(), "新人|p1");
    EXPECT_EQ(d->DBGrid1->model()->rowCount(), 4);

    // 删除 asks; No keeps the row, Yes removes exactly it; both empty the boxes.
    const auto remove = [&](int row) {
        d->DBGrid1->clickRow(row);
        return pressed(*modal, d->SpeedButton3);
    };
    modal->answerNo();
    EXPECT_EQ(remove(1), "确定要删除吗？");
    EXPECT_TRUE(d->Edit1->text().isEmpty());
    EXPECT_EQ(db->count("操作员信息表"), 4);
    modal->answerYes();
    remove(1);
    EXPECT_EQ(db->rows(kOperators), (QStringList{"admin|secret", "dup2|二", "新人|p1"}));

    // The last operator stays: nobody could log in again without one.
    for (int i = 0; i < 2; ++i) {
        modal->answerYes();
        remove(0);
    }
    modal->clear();
    remove(0);
    EXPECT_EQ(modal->texts(), (QStringList{"至少要保留一个操作员，不能删除"}));
    EXPECT_EQ(db->count("操作员信息表"), 1);
    EXPECT_TRUE(d->Edit1->text().isEmpty());

    // Nor the last one who can log in, beside operators of an older file who cannot.
    db->exec("insert into 操作员信息表 values ('旧', ''), (' 空格 ', 'x'), (null, 'y')");
    d->FormShow();
    modal->clear();
    remove(0);
    EXPECT_EQ(modal->texts(), (QStringList{"至少要保留一个操作员，不能删除"}));
    for (int i = 0; i < 3; ++i) {
        modal->answerYes();
        remove(1);
    }
    EXPECT_EQ(db->rows(kOperators), QStringList{"新人|p1"});
}

// Two copies of the program deleting the last two operators at once: the
// second delete, answered after the first went through, is refused, and
// somebody can still log in.
TEST_F(SystemTest, TwoCopiesDeletingAtOnceNeverLeaveNoOperatorToLogIn)
{
    db->exec("delete from 操作员信息表 where 操作员名称 = 'dup'");
    db->exec("insert into 操作员信息表 values ('other', 'pw')");
    auto d = hrtest::shown<Tfrm_gly>();
    d->DBGrid1->clickRow(0);
    modal->whileAsking = [&] { db->exec("delete from 操作员信息表 where 操作员名称 = 'other'"); };
    modal->answerYes();
    EXPECT_EQ(pressed(*modal, d->SpeedButton3), "至少要保留一个操作员，不能删除");
    EXPECT_EQ(db->rows(kOperators), QStringList{"admin|secret"});
}

TEST_F(SystemTest, CompanyRecordIsOneRowThatAnEmptyNameNeverOverwrites)
{
    auto d = hrtest::shown<Tfrm_dwxx>();
    EXPECT_EQ(modal->texts(), QStringList{"数据库中没有数据，请添加数据！"});
    d->SpeedButton4->click();   // no name: silently nothing
    fillCompany(d.get(), {" 澄岚 ", " 张三", "2001", "", "hr@example.com", "北京", " 软件\n公司 "});
    // A refused insert keeps the texts, and 保存 can simply be pressed again.
    db->exec("create trigger refuse before insert on 单位信息表 begin select raise(abort, 'refused'); end");
    EXPECT_EQ(pressed(*modal, d->SpeedButton4), "添加失败");
    db->exec("drop trigger refuse");
    EXPECT_EQ(d->Edit1->text(), " 澄岚 ");
    EXPECT_EQ(pressed(*modal, d->SpeedButton4), "添加成功");
    EXPECT_EQ(db->rows(kCompany), QStringList{"澄岚|张三|2001||hr@example.com|北京|软件\n公司"});
    EXPECT_EQ(d->Edit1->text(), "澄岚");
    EXPECT_EQ(pressed(*modal, d->SpeedButton4), "单位信息已经存在，不能添加，如有需要请对已有信息修改！");

    // 取消 empties the boxes; 修改 then refuses instead of blanking the record.
    d->SpeedButton5->click();
    EXPECT_TRUE(d->Edit1->text().isEmpty() && d->Memo1->text().isEmpty());
    EXPECT_EQ(pressed(*modal, d->SpeedButton2), "请输入单位名称");
    fillCompany(d.get(), {"  ", "李四"});
    EXPECT_EQ(pressed(*modal, d->SpeedButton2), "请输入单位名称");
    EXPECT_EQ(db->count("单位信息表"), 1);
    EXPECT_EQ(db->scalar("select 单位名称 || 法人 from 单位信息表"), "澄岚张三");

    fillCompany(d.get(), {"澄岚科技 ", "李四"});
    EXPECT_EQ(pressed(*modal, d->SpeedButton2), "修改成功");
    EXPECT_EQ(db->rows(kCompany), QStringList{"澄岚科技|李四|||||"});
    EXPECT_EQ(d->Edit1->text(), "澄岚科技");

    // Changed meanwhile by another program: the operator reads why, without
    // the internal query name, which the log keeps.
    db->exec("update 单位信息表 set 法人 = '王五'");
    fillCompany(d.get(), {"澄岚", "赵六"});
    hrtest::FailureLog log;
    EXPECT_EQ(pressed(*modal, d->SpeedButton2), "该记录已被修改，请重新打开");
    ASSERT_EQ(log.lines.size(), 1);
    EXPECT_TRUE(log.lines[0].contains("ADOQYdwxx")) << log.lines[0].toStdString();
    EXPECT_EQ(db->rows(kCompany), QStringList{"澄岚科技|王五|||||"});
}

// Another copy of the program stored the record after this dialog opened on
// the empty table: neither 保存 nor 修改 adds a second record beside it, and
// what was typed stays for the operator to decide.
TEST_F(SystemTest, ARecordAnotherCopyStoredMeanwhileIsNeverDoubled)
{
    auto d = hrtest::shown<Tfrm_dwxx>();
    db->exec("insert into 单位信息表 values ('澄岚', '张三', '', '', '', '', '')");
    fillCompany(d.get(), {"别家", "李四"});
    EXPECT_EQ(pressed(*modal, d->SpeedButton2), "该记录已被修改，请重新打开");
    EXPECT_EQ(pressed(*modal, d->SpeedButton4), "单位信息已经存在，不能添加，如有需要请对已有信息修改！");
    EXPECT_EQ(db->rows(kCompany), QStringList{"澄岚|张三|||||"});
    EXPECT_EQ(d->Edit1->text(), "别家");
    // Told so, the operator changes the stored record.
    EXPECT_EQ(pressed(*modal, d->SpeedButton2), "修改成功");
    EXPECT_EQ(db->rows(kCompany), QStringList{"别家|李四|||||"});
}

// From the main window, as the operator works: a new operator, a new
// password and a login with it, the company record, a backup, changes, a
// restore that brings the old data back.
TEST_F(SystemTest, OperatorPasswordLoginCompanyBackupAndRestoreFromTheMainWindow)
{
    clearTaskOpeners();
    registerTaskDialogs();
    Tfrm_Login::resetSession();
    resetApplicationEnding();
    auto main = std::make_unique<Tfrm_main>();
    auto run = [&](const QString& item, std::function<void(QDialog*)> steps) {
        modal->onDialog = std::move(steps);
        main->runMenuItem(item);
        modal->onDialog = nullptr;
    };
    auto login = [](const QString& name, const QString& pwd) {
        return [=](QDialog* d) {
            auto* l = static_cast<Tfrm_Login*>(d);
            l->Edit1->setText(name);
            l->Edit2->setText(pwd);
            l->SpeedButton1->click();
        };
    };
    modal->onDialog = login("admin", "secret");
    main->show();
    QApplication::processEvents();

    run("N8", [](QDialog* d) {
        auto* g = static_cast<Tfrm_gly*>(d);
        g->Edit1->setText("张");
        g->Edit2->setText("old");
        g->SpeedButton1->click();
    });
    modal->clear();
    ASSERT_TRUE(ui::installChineseTranslations());   // as the program does
    run("N9", [&](QDialog* d) {
        auto* x = static_cast<Tfrm_xgmm*>(d);
        EXPECT_EQ(x->BitBtn2->text(), "取消");   // the toolkit's cancel, in Chinese
        const auto press = [&](const QString& a, const QString& b, const QString& c, const QString& e) {
            x->Edit1->setText(a);
            x->Edit2->setText(b);
            x->Edit3->setText(c);
            x->Edit4->setText(e);
            x->BitBtn3->click();
        };
        press("张", "wrong", "n", "m");
        press("张", "old", " new ", " new");
        press("张", "old", "  ", "  ");   // matching, but no password the login could take
        EXPECT_TRUE(x->isVisible());
        press(" 张 ", " old ", " new ", " new ");
        EXPECT_FALSE(x->isVisible());
    });
    EXPECT_EQ(modal->texts(), (QStringList{"操作员名称或密码错误！", "两次密码输入不一至！", "请输入新密码", "密码修改成功"}));
    // Stored as the login compares it, so it can be typed again.
    run("N10", login("张", "new"));
    EXPECT_EQ(main->statusText(1), "张");

    run("N7", [](QDialog* d) {
        auto* c = static_cast<Tfrm_dwxx*>(d);
        fillCompany(c, {"澄岚", "张三"});
        c->SpeedButton4->click();
    });
    const QStringList operators = db->rows(kOperators);
    const QStringList company = db->rows(kCompany);

    // Backup: the save dialog, the hourglass only while it runs, the message.
    const QString bak = db->dir() + "/备份";
    modal->files << QString() << bak;
    modal->clear();
    main->runMenuItem("N50");   // cancelled: nothing at all
    EXPECT_TRUE(modal->messages.isEmpty());
    QTest::mouseClick(main->toolButton(10), Qt::LeftButton);
    ASSERT_EQ(modal->fileRequests.size(), 2);
    const ui::FileRequest& r = modal->fileRequests.last();
    EXPECT_TRUE(r.save);
    EXPECT_EQ(r.title + r.filter + r.defaultExt, "请选择备份路径备份文件(*.bak)|*.bakbak");
    EXPECT_EQ(modal->texts(), QStringList{"数据备份成功"});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    run("N7", [](QDialog* d) {
        auto* c = static_cast<Tfrm_dwxx*>(d);
        c->Edit1->setText("改名");
        c->SpeedButton2->click();
    });
    db->exec("delete from 操作员信息表 where 操作员名称 = '张'");
    ASSERT_NE(db->rows(kCompany), company);

    // Restore: the open dialog as it stands, plain boxes with the program's title.
    modal->clear();
    modal->files << bak;
    QTest::mouseClick(main->toolButton(9), Qt::LeftButton);
    EXPECT_EQ(modal->fileRequests.last().title, QString());
    ASSERT_EQ(modal->messages.size(), 1);
    EXPECT_EQ(modal->messages[0].caption + modal->messages[0].text, "人力资源管理系统恢复成功");
    EXPECT_EQ(modal->messages[0].icon, ui::Icon::None);
    EXPECT_EQ(db->rows(kOperators), operators);
    EXPECT_EQ(db->rows(kCompany), company);

    // Failures: a file that is no backup, a folder that does not exist.
    QFile text(db->dir() + "/readme.bak");
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a database");
    text.close();
    modal->clear();
    modal->files << text.fileName() << db->dir() + "/missing/x.bak";
    main->runMenuItem("N39");
    main->runMenuItem("N50");
    ASSERT_EQ(modal->messages.size(), 2);
    EXPECT_EQ(modal->messages[0].caption + modal->messages[0].text, "人力资源管理系统恢复失败");
    EXPECT_EQ(modal->messages[1].caption + modal->messages[1].text, "数据库备份数据库备份失败，请检查备份的路径或网络状态！");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(db->rows(kCompany), company);

    main.reset();
    clearTaskOpeners();
}
