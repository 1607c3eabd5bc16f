#include "harness.h"
#include "platform/ui/controls.h"
#include "platform/ui/errors.h"
#include "platform/ui/form.h"
#include "platform/ui/modal.h"
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>
#include <stdexcept>

namespace {

using hrtest::ScriptedModal;

void showActive(QWidget* w)
{
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
}

QWidget* focused() { return QApplication::focusWidget(); }

// Presses a key in the widget that has the focus, as the operator would.
void press(int key)
{
    ASSERT_NE(focused(), nullptr);
    QTest::keyClick(focused(), static_cast<Qt::Key>(key));
}

// A dialog with one input of each kind in its chain, and a spare edit box.
struct ChainForm : ui::Form {
    ui::Edit* a = new ui::Edit(this);
    ui::MaskEdit* m = new ui::MaskEdit(this);
    ui::ComboBox* c = new ui::ComboBox(this);
    ui::Memo* memo = new ui::Memo(this);
    ui::Edit* b = new ui::Edit(this);
    ui::Edit* spare = new ui::Edit(this);
    ui::Button* ok = new ui::Button(QStringLiteral("保存"), this);
    QPushButton* plain = new QPushButton(QStringLiteral("其它"), this);   // Qt's auto-default kind
    int okClicks = 0;
    int plainClicks = 0;
    int shows = 0;
    int closes = 0;
    bool throwOnShow = false;

    ChainForm()
    {
        auto* lay = new QVBoxLayout(this);
        for (QWidget* w : {static_cast<QWidget*>(a), static_cast<QWidget*>(m), static_cast<QWidget*>(c),
                           static_cast<QWidget*>(memo), static_cast<QWidget*>(b), static_cast<QWidget*>(spare),
                           static_cast<QWidget*>(ok), static_cast<QWidget*>(plain)})
            lay->addWidget(w);
        m->setEditMask(QStringLiteral("!9999/99/00;1;_"));
        m->setText(QStringLiteral("1975-01-01"));
        c->addItems({QStringLiteral("男"), QStringLiteral("女")});
        ok->onClick = [this] { ++okClicks; };
        connect(plain, &QPushButton::clicked, this, [this] { ++plainClicks; });
        setFocusChain({a, m, c, memo, b});
    }
    void FormShow() override
    {
        ++shows;
        if (throwOnShow) throw std::runtime_error("show failed");
    }
    void FormClose() override { ++closes; }
};

TEST(UiForm, EnterDownUpWalkThePerKindChain)
{
    ScriptedModal modal;
    ChainForm f;
    showActive(&f);
    f.a->setFocus();

    press(Qt::Key_Return);
    EXPECT_EQ(focused(), f.m);
    press(Qt::Key_Down);
    EXPECT_EQ(focused(), f.c);
    press(Qt::Key_Up);              // a combo box keeps Up for its list
    EXPECT_EQ(focused(), f.c);
    press(Qt::Key_Down);            // and Down
    EXPECT_EQ(focused(), f.c);
    EXPECT_EQ(f.c->text(), QStringLiteral("男"));
    press(Qt::Key_Return);
    EXPECT_EQ(focused(), f.memo);
    press(Qt::Key_Return);          // a memo takes Enter as a new line
    EXPECT_EQ(focused(), f.memo);
    EXPECT_EQ(f.memo->text(), QStringLiteral("\n"));
    press(Qt::Key_Down);
    EXPECT_EQ(focused(), f.b);
    press(Qt::Key_Return);          // the last input has nowhere to go
    EXPECT_EQ(focused(), f.b);
    press(Qt::Key_Up);
    EXPECT_EQ(focused(), f.memo);
    press(Qt::Key_Up);
    EXPECT_EQ(focused(), f.c);

    // Disabled and hidden inputs are skipped both ways.
    f.memo->setEnabled(false);
    f.m->hide();
    f.a->setFocus();
    press(Qt::Key_Return);
    EXPECT_EQ(focused(), f.c);
    press(Qt::Key_Return);
    EXPECT_EQ(focused(), f.b);
    press(Qt::Key_Up);
    EXPECT_EQ(focused(), f.c);
    f.b->setFocus();
    f.c->setEnabled(false);
    press(Qt::Key_Up);
    EXPECT_EQ(focused(), f.a);
    press(Qt::Key_Up);              // the first input has nothing before it
    EXPECT_EQ(focused(), f.a);
    EXPECT_TRUE(modal.messages.isEmpty());
}

TEST(UiForm, PerWidgetKeysOverrideTheKind)
{
    ChainForm f;
    f.setFocusKeys(f.a, ui::Form::Keys::None);
    f.setFocusKeys(f.memo, ui::Form::Keys::EnterAndDown);
    f.setFocusKeys(f.m, ui::Form::Keys::EnterOnly);
    f.setUpKey(f.c, true);
    f.setUpKey(f.b, false);
    showActive(&f);

    f.a->setFocus();
    press(Qt::Key_Return);
    EXPECT_EQ(focused(), f.a);
    f.m->setFocus();
    press(Qt::Key_Down);
    EXPECT_EQ(focused(), f.m);
    press(Qt::Key_Up);
    EXPECT_EQ(focused(), f.a);
    f.c->setFocus();
    press(Qt::Key_Up);
    EXPECT_EQ(focused(), f.m);
    f.memo->setFocus();
    press(Qt::Key_Return);
    EXPECT_EQ(focused(), f.b);
    EXPECT_EQ(f.memo->text(), QString());
    press(Qt::Key_Up);
    EXPECT_EQ(focused(), f.b);
}

TEST(UiForm, ChainKeyHookRunsFirst)
{
    struct Hooked : ChainForm {
        QList<int> keys;
        bool chainKeyDown(QWidget* input, int key) override
        {
            if (input != memo) return false;
            keys << key;
            return key == Qt::Key_Down;   // swallow Down in the memo
        }
    } f;
    showActive(&f);
    f.memo->setFocus();
    press(Qt::Key_Down);
    EXPECT_EQ(focused(), f.memo);
    press(Qt::Key_Up);
    EXPECT_EQ(focused(), f.c);
    EXPECT_EQ(f.keys, (QList<int>{Qt::Key_Down, Qt::Key_Up}));
}

TEST(UiForm, EnterPressesTheDefaultButtonOnlyWhileVisibleAndEnabled)
{
    ScriptedModal modal;
    ChainForm f;
    showActive(&f);

    // No default button: Enter walks or does nothing, never Qt's auto-default.
    f.spare->setFocus();
    press(Qt::Key_Return);
    f.b->setFocus();
    press(Qt::Key_Return);
    EXPECT_EQ(f.plainClicks, 0);
    EXPECT_EQ(f.okClicks, 0);
    EXPECT_TRUE(f.isVisible());

    f.setDefaultButton(f.ok);
    f.a->setFocus();
    press(Qt::Key_Return);
    EXPECT_EQ(f.okClicks, 1);
    EXPECT_EQ(focused(), f.a);      // pressed instead of moving on
    f.spare->setFocus();            // outside the chain too
    press(Qt::Key_Return);
    EXPECT_EQ(f.okClicks, 2);
    f.c->setFocus();
    press(Qt::Key_Return);
    EXPECT_EQ(f.okClicks, 3);
    f.memo->setFocus();             // not a single-line input
    press(Qt::Key_Return);
    EXPECT_EQ(f.okClicks, 3);
    f.m->setFocus();
    press(Qt::Key_Down);            // Down still walks
    EXPECT_EQ(focused(), f.c);
    EXPECT_EQ(f.okClicks, 3);

    f.ok->setEnabled(false);
    f.a->setFocus();
    press(Qt::Key_Return);
    EXPECT_EQ(focused(), f.m);
    f.ok->setEnabled(true);
    f.ok->hide();
    press(Qt::Key_Return);
    EXPECT_EQ(focused(), f.c);
    f.spare->setFocus();
    press(Qt::Key_Return);
    EXPECT_EQ(f.okClicks, 3);
    EXPECT_EQ(f.plainClicks, 0);

    // A key sent straight to an input that is not focused counts the same.
    f.ok->show();
    QTest::keyClick(f.b, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(f.okClicks, 4);
    EXPECT_TRUE(modal.messages.isEmpty());
}

TEST(UiForm, EscDoesNothingWithoutCancelButton)
{
    ScriptedModal modal;
    ChainForm f;
    showActive(&f);
    f.spare->setFocus();
    press(Qt::Key_Escape);
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.closes, 0);

    auto* cancel = new ui::Button(QStringLiteral("退出"), &f);
    cancel->show();   // added to a shown dialog
    int cancels = 0;
    cancel->onClick = [&] { ++cancels; f.close(); };
    f.setCancelButton(cancel);
    cancel->setEnabled(false);
    press(Qt::Key_Escape);
    EXPECT_TRUE(f.isVisible());
    cancel->setEnabled(true);
    press(Qt::Key_Escape);
    EXPECT_EQ(cancels, 1);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.closes, 1);
    EXPECT_EQ(f.result(), QDialog::Rejected);
}

TEST(UiForm, ShowAndCloseHandlersRunOncePerShowAndClose)
{
    ScriptedModal modal;
    ChainForm f;
    f.show();
    EXPECT_EQ(f.shows, 1);
    f.close();
    EXPECT_EQ(f.closes, 1);
    f.show();
    f.accept();
    EXPECT_EQ(f.shows, 2);
    EXPECT_EQ(f.closes, 2);
    EXPECT_EQ(f.result(), QDialog::Accepted);

    // An error in the show handler is reported and the dialog stays up.
    f.throwOnShow = true;
    f.show();
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(modal.lastText(), QStringLiteral("show failed"));
    f.done(7);
    EXPECT_EQ(f.closes, 3);
    EXPECT_EQ(f.result(), 7);
}

// ---------------------------------------------------------------- openDialog

struct Probe : ui::Form {
    static Probe* seenInConstructor;
    static bool fail;
    static int destroyed;
    Probe(QWidget* owner, int code) : ui::Form(owner), code(code)
    {
        seenInConstructor = probeGlobal();
        if (fail) throw std::runtime_error("cannot create");
    }
    ~Probe() override { ++destroyed; }
    static Probe* probeGlobal();
    int code;
};
Probe* frm_probe = nullptr;
Probe* Probe::seenInConstructor = nullptr;
bool Probe::fail = false;
int Probe::destroyed = 0;
Probe* Probe::probeGlobal() { return frm_probe; }

TEST(UiOpenDialog, GlobalLivesExactlyAsLongAsTheDialog)
{
    ScriptedModal modal;
    Probe::fail = false;
    Probe::destroyed = 0;
    Probe* during = nullptr;
    modal.onDialog = [&](QDialog* d) {
        during = frm_probe;
        EXPECT_EQ(d, frm_probe);
        d->done(static_cast<Probe*>(d)->code);
    };
    const int r = ui::openDialog(frm_probe, nullptr, 5);
    EXPECT_EQ(r, 5);
    EXPECT_NE(Probe::seenInConstructor, nullptr);
    EXPECT_EQ(Probe::seenInConstructor, during);
    EXPECT_EQ(frm_probe, nullptr);
    EXPECT_EQ(Probe::destroyed, 1);
    EXPECT_EQ(modal.dialogsShown.size(), 1);

    Probe::fail = true;
    EXPECT_THROW(ui::openDialog(frm_probe, nullptr, 1), std::runtime_error);
    EXPECT_EQ(frm_probe, nullptr);
    EXPECT_EQ(Probe::destroyed, 1);
    EXPECT_EQ(modal.dialogsShown.size(), 1);
    Probe::fail = false;
}

// ---------------------------------------------------------------- the modal seam

TEST(UiModal, ConveniencesUseTheSystemsCaptionsAndIcons)
{
    ScriptedModal modal;
    ui::info(QStringLiteral("添加成功"));
    ui::warning(QStringLiteral("此信息已经使用，不能删除！"));
    ui::plain(QStringLiteral("恢复成功"));
    modal.answerYes();
    EXPECT_TRUE(ui::ask(QStringLiteral("真的要删除吗？")));
    modal.answerNo();
    EXPECT_FALSE(ui::ask(QStringLiteral("确定没有其它金额或扣额吗？"), nullptr, QStringLiteral("月工资结算")));
    ASSERT_EQ(modal.messages.size(), 5);
    const QVector<std::tuple<QString, ui::Icon, ui::Buttons>> expected = {
        {QStringLiteral("提示"), ui::Icon::Information, ui::Buttons::Ok},
        {QStringLiteral("警告"), ui::Icon::Warning, ui::Buttons::Ok},
        {QStringLiteral("人力资源管理系统"), ui::Icon::None, ui::Buttons::Ok},
        {QStringLiteral("提示"), ui::Icon::Question, ui::Buttons::YesNo},
        {QStringLiteral("月工资结算"), ui::Icon::Question, ui::Buttons::YesNo},
    };
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(modal.messages[i].caption, std::get<0>(expected[i])) << i;
        EXPECT_EQ(modal.messages[i].icon, std::get<1>(expected[i])) << i;
        EXPECT_EQ(modal.messages[i].buttons, std::get<2>(expected[i])) << i;
    }

    modal.files << QStringLiteral("/tmp/a.bak");
    EXPECT_EQ(ui::saveFileName(nullptr, QStringLiteral("备份"), QStringLiteral("备份文件|*.bak"), QStringLiteral("bak")),
              QStringLiteral("/tmp/a.bak"));
    EXPECT_EQ(ui::openFileName(nullptr, QString(), QStringLiteral("BMP|*.bmp")), QString());
    ASSERT_EQ(modal.fileRequests.size(), 2);
    EXPECT_TRUE(modal.fileRequests[0].save);
    EXPECT_EQ(modal.fileRequests[0].defaultExt, QStringLiteral("bak"));
    EXPECT_FALSE(modal.fileRequests[1].save);

    ui::quitApplication();
    EXPECT_EQ(modal.quitCount, 1);
    EXPECT_FALSE(ui::quitRequested());   // the scripted seam took it
}

TEST(UiModal, FiltersConvertToQtForm)
{
    EXPECT_EQ(ui::toQtFilter(QStringLiteral("BMP|*.bmp|JPG|*.jpg")), QStringLiteral("BMP (*.bmp);;JPG (*.jpg)"));
    EXPECT_EQ(ui::toQtFilter(QStringLiteral("图片|*.bmp;*.jpg")), QStringLiteral("图片 (*.bmp *.jpg)"));
    EXPECT_EQ(ui::toQtFilter(QStringLiteral("*.bak|*.bak")), QStringLiteral("*.bak (*.bak)"));
    EXPECT_EQ(ui::toQtFilter(QStringLiteral("All")), QStringLiteral("All (*)"));
    EXPECT_EQ(ui::toQtFilter(QString()), QString());
}

// Runs act on the modal window once it is up; a window that never gets
// answered is closed so that the test cannot hang.
void whenModal(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, act] {
        QWidget* w = QApplication::activeModalWidget();
        if (w) act(w);
        if (w || ++*tries > 300) {
            timer->stop();
            timer->deleteLater();
            if (QWidget* still = QApplication::activeModalWidget(); still && still == w) {
                ADD_FAILURE() << "modal window left open";
                still->close();
            }
        }
    });
    timer->start(10);
}

// The real windows: a box is found on the screen while it runs and answered there.
TEST(UiModal, DefaultHandlerShowsChineseButtonsAndTheRequestedIcon)
{
    ASSERT_FALSE(ui::quitRequested());
    QString caption, text;
    QStringList buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    auto answer = [&](const QString& click) {
        whenModal([&, click](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            caption = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons.clear();
            for (QAbstractButton* b : box->buttons()) buttons << b->text();
            for (QAbstractButton* b : box->buttons())
                if (b->text() == click) b->click();
        });
    };

    answer(QStringLiteral("是"));
    EXPECT_TRUE(ui::ask(QStringLiteral("真的要删除吗？")));
    EXPECT_EQ(caption, QStringLiteral("提示"));
    EXPECT_EQ(text, QStringLiteral("真的要删除吗？"));
    EXPECT_EQ(icon, QMessageBox::Question);
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("否"), QStringLiteral("是")}));

    answer(QStringLiteral("否"));
    EXPECT_FALSE(ui::ask(QStringLiteral("确定要修改吗？")));

    answer(QStringLiteral("确定"));
    ui::plain(QStringLiteral("恢复成功"));
    EXPECT_EQ(caption, QStringLiteral("人力资源管理系统"));
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(buttons, QStringList{QStringLiteral("确定")});

    answer(QStringLiteral("确定"));
    ui::showError(QStringLiteral("出错了"));
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(caption, QStringLiteral("人力资源管理系统"));

    QStringList filters;
    whenModal([&](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(fd, nullptr);
        filters = fd->nameFilters();
        fd->reject();
    });
    EXPECT_EQ(ui::openFileName(nullptr, QStringLiteral("打开"), QStringLiteral("BMP|*.bmp|JPG|*.jpg")), QString());
    EXPECT_EQ(filters, (QStringList{QStringLiteral("BMP (*.bmp)"), QStringLiteral("JPG (*.jpg)")}));
}

}
