#include "harness.h"
#include "platform/ui/controls.h"
#include "platform/ui/errors.h"
#include "platform/ui/form.h"
#include "platform/ui/modal.h"
#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QMessageBox>
#include <QScrollArea>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <stdexcept>

namespace {

using hrtest::ScriptedModal;

QWidget* focused() { return QApplication::focusWidget(); }

// A dialog with one input of each kind in its chain, a spare edit box and a
// plain push button of Qt's auto-default kind.
struct ChainForm : ui::Form {
    ui::Edit* a = new ui::Edit(this);
    ui::MaskEdit* m = new ui::MaskEdit(this);
    ui::ComboBox* c = new ui::ComboBox(this);
    ui::Memo* memo = new ui::Memo(this);
    ui::Edit* b = new ui::Edit(this);
    ui::Edit* spare = new ui::Edit(this);
    ui::Button* ok = new ui::Button(QStringLiteral("保存"), this);
    QPushButton* plain = new QPushButton(QStringLiteral("其它"), this);
    int okClicks = 0, plainClicks = 0, shows = 0, closes = 0;
    bool throwOnShow = false;

    ChainForm()
    {
        auto* lay = new QVBoxLayout(this);
        for (QWidget* w : std::initializer_list<QWidget*>{a, m, c, memo, b, spare, ok, plain}) lay->addWidget(w);
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
    void showActive()
    {
        show();
        activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(this));
    }
    // Presses each key in the focused widget, as the operator would, and
    // checks where the focus went.
    void walk(QWidget* from, std::initializer_list<std::pair<int, QWidget*>> steps)
    {
        from->setFocus();
        for (auto [key, want] : steps) {
            QTest::keyClick(focused(), static_cast<Qt::Key>(key));
            EXPECT_EQ(focused(), want) << "key " << std::hex << key << " towards " << want->metaObject()->className();
        }
    }
};

constexpr int Ret = Qt::Key_Return, Down = Qt::Key_Down, Up = Qt::Key_Up;

TEST(UiForm, EnterDownUpWalkTheChainByKindOfInput)
{
    ScriptedModal modal;
    ChainForm f;
    f.showActive();
    // Combo boxes keep Up and Down for their list, memos keep Enter for a new line.
    f.walk(f.a, {{Ret, f.m}, {Down, f.c}, {Up, f.c}, {Down, f.c}, {Ret, f.memo}, {Ret, f.memo},
                 {Down, f.b}, {Ret, f.b}, {Up, f.memo}, {Up, f.c}});
    EXPECT_EQ(f.memo->text(), QStringLiteral("\n"));

    // Disabled and hidden inputs are skipped both ways; the ends stay put.
    f.memo->setEnabled(false);
    f.m->hide();
    f.walk(f.a, {{Ret, f.c}, {Ret, f.b}, {Up, f.c}});
    f.c->setEnabled(false);
    f.walk(f.b, {{Up, f.a}, {Up, f.a}});
    EXPECT_TRUE(modal.messages.isEmpty());
}

TEST(UiForm, PerWidgetKeysAndTheDialogsOwnHookComeFirst)
{
    struct Hooked : ChainForm {
        QList<int> keys;
        bool chainKeyDown(QWidget* input, int key) override
        {
            if (input != b) return false;
            keys << key;
            return key == Qt::Key_Down;   // swallows Down
        }
    } f;
    f.setFocusKeys(f.a, ui::Form::Keys::None);
    f.setFocusKeys(f.memo, ui::Form::Keys::EnterAndDown);
    f.setUpKey(f.c, true);
    f.showActive();
    f.walk(f.a, {{Ret, f.a}, {Down, f.a}});
    f.walk(f.c, {{Up, f.m}});
    f.walk(f.memo, {{Ret, f.b}, {Down, f.b}, {Up, f.memo}});
    EXPECT_EQ(f.keys, (QList<int>{Down, Up}));
}

TEST(UiForm, EnterAndEscUseOnlyTheButtonsTheDialogNames)
{
    ScriptedModal modal;
    ChainForm f;
    f.showActive();
    f.walk(f.spare, {{Ret, f.spare}, {Qt::Key_Escape, f.spare}});   // never Qt's auto-default
    f.walk(f.b, {{Ret, f.b}});
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.plainClicks + f.okClicks, 0);

    f.setDefaultButton(f.ok);
    f.walk(f.a, {{Ret, f.a}});   // pressed instead of moving on
    f.walk(f.spare, {{Ret, f.spare}});   // outside the chain too
    f.walk(f.c, {{Ret, f.c}});
    f.walk(f.memo, {{Ret, f.memo}});   // not a single-line input
    f.walk(f.m, {{Down, f.c}});
    EXPECT_EQ(f.okClicks, 3);
    f.ok->setEnabled(false);
    f.walk(f.a, {{Ret, f.m}});
    f.ok->setEnabled(true);
    f.ok->hide();
    f.walk(f.a, {{Ret, f.m}});
    EXPECT_EQ(f.okClicks, 3);
    f.ok->show();
    QTest::keyClick(f.b, Qt::Key_Enter, Qt::KeypadModifier);   // sent to an input without focus
    EXPECT_EQ(f.okClicks, 4);
    EXPECT_EQ(f.plainClicks, 0);

    auto* cancel = new ui::Button(QStringLiteral("退出"), &f);
    cancel->show();
    cancel->onClick = [&] { f.close(); };
    f.setCancelButton(cancel);
    cancel->setEnabled(false);
    QTest::keyClick(focused(), Qt::Key_Escape);
    EXPECT_TRUE(f.isVisible());
    cancel->setEnabled(true);
    QTest::keyClick(focused(), Qt::Key_Escape);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.result(), QDialog::Rejected);
    EXPECT_TRUE(modal.messages.isEmpty());
}

TEST(UiForm, ShowAndCloseHandlersRunOnceEachAndAFailingShowIsReported)
{
    ScriptedModal modal;
    ChainForm f;
    f.show();
    f.close();
    f.show();
    f.accept();
    EXPECT_EQ(f.shows, 2);
    EXPECT_EQ(f.closes, 2);
    f.throwOnShow = true;
    f.show();
    EXPECT_TRUE(f.isVisible());   // stays up
    EXPECT_EQ(modal.texts(), QStringList{QStringLiteral("show failed")});
    f.done(7);
    EXPECT_EQ(f.closes, 3);
    EXPECT_EQ(f.result(), 7);
}

struct Probe : ui::Form {
    static inline Probe* seenInConstructor = nullptr;
    static inline bool fail = false;
    static inline int destroyed = 0;
    Probe(QWidget* owner, int code);
    ~Probe() override { ++destroyed; }
    int code;
};
Probe* frm_probe = nullptr;
Probe::Probe(QWidget* owner, int code) : ui::Form(owner), code(code)
{
    seenInConstructor = frm_probe;
    if (fail) throw std::runtime_error("cannot create");
}

TEST(UiOpenDialog, GlobalLivesExactlyAsLongAsTheDialog)
{
    ScriptedModal modal;
    Probe::destroyed = 0;
    modal.onDialog = [&](QDialog* d) {
        EXPECT_EQ(d, frm_probe);
        EXPECT_EQ(Probe::seenInConstructor, nullptr);   // published once the dialog exists
        d->done(frm_probe->code);
    };
    EXPECT_EQ(ui::openDialog(frm_probe, nullptr, 5), 5);
    EXPECT_EQ(frm_probe, nullptr);
    EXPECT_EQ(Probe::destroyed, 1);

    Probe::fail = true;
    EXPECT_THROW(ui::openDialog(frm_probe, nullptr, 1), std::runtime_error);
    Probe::fail = false;
    EXPECT_EQ(frm_probe, nullptr);
    EXPECT_EQ(modal.dialogsShown.size(), 1);
}

// An exception that no handler caught (in a paint, in a timer) reaches the
// default error handler once the event is over, never from inside the paint;
// a burst of them shows one box, every one is logged, and the program goes on.
TEST(UiDefaultHandler, AnExceptionEscapingAnEventIsShownAfterItOnceAndTheProgramGoesOn)
{
    ScriptedModal modal;
    hrtest::FailureLog log;
    struct Faulty : QWidget {
        int paints = 0;
        bool fail = false;
        void paintEvent(QPaintEvent*) override
        {
            ++paints;
            if (fail) throw std::runtime_error("paint failed");
        }
    } w;
    w.resize(60, 40);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QApplication::processEvents();
    w.fail = true;
    const int painted = w.paints;
    w.repaint();
    w.repaint();
    EXPECT_EQ(w.paints, painted + 2);
    EXPECT_TRUE(modal.messages.isEmpty());   // not from inside the paint
    QApplication::processEvents();
    ASSERT_EQ(modal.texts(), QStringList{QStringLiteral("paint failed")});
    EXPECT_EQ(modal.messages[0].owner, &w);
    EXPECT_EQ(modal.messages[0].icon, ui::Icon::Error);
    EXPECT_GE(log.lines.size(), 2);
    // Drawn again right after its box (the box uncovered it): logged, no box again.
    w.repaint();
    QApplication::processEvents();
    EXPECT_EQ(modal.messages.size(), 1);
    EXPECT_GE(log.lines.size(), 3);

    w.fail = false;
    const int before = w.paints;
    w.repaint();
    EXPECT_GT(w.paints, before);   // paints again as before

    modal.clear();
    QTimer::singleShot(0, [] { throw std::runtime_error("timer failed"); });
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_EQ(modal.texts(), QStringList{QStringLiteral("timer failed")});
}

// The default seam shows real boxes: each one is found on the screen while it
// runs and answered there; what it showed is checked once it has returned.
TEST(UiModal, BoxesHaveTheSystemsCaptionsIconsAndChineseButtons)
{
    ASSERT_FALSE(ui::quitRequested());
    QString wanted, shown;   // shown: caption|icon|buttons|the one clicked
    int width = 0;
    Qt::WindowFlags flags;
    QString detail;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        poll.stop();
        QStringList buttons;
        QAbstractButton* pick = nullptr;
        for (QAbstractButton* b : box->buttons()) {
            buttons << b->text();
            if (b->text() == wanted) pick = b;
        }
        buttons.sort();
        width = box->width();
        flags = box->windowFlags();
        detail = box->detailedText();
        shown = QStringLiteral("%1|%2|%3|%4")
                    .arg(box->windowTitle())
                    .arg(box->icon())
                    .arg(buttons.join(','), pick ? wanted : QString());
        pick ? pick->click() : box->reject();
    });
    const auto answer = [&](const QString& click) {
        wanted = click;
        shown.clear();
        poll.start();
    };
    answer(QStringLiteral("是"));
    EXPECT_TRUE(ui::ask(QStringLiteral("真的要删除吗？")));
    EXPECT_EQ(shown, QStringLiteral("提示|%1|否,是|是").arg(QMessageBox::Question));
    answer(QStringLiteral("否"));
    EXPECT_FALSE(ui::ask(QStringLiteral("确定吗？"), nullptr, QStringLiteral("月工资结算")));
    EXPECT_EQ(shown, QStringLiteral("月工资结算|%1|否,是|否").arg(QMessageBox::Question));

    const std::tuple<void (*)(const QString&, QWidget*), const char*, QMessageBox::Icon> boxes[] = {
        {ui::info, "提示", QMessageBox::Information}, {ui::warning, "警告", QMessageBox::Warning},
        {ui::plain, "人力资源管理系统", QMessageBox::NoIcon}, {ui::showError, "人力资源管理系统", QMessageBox::Critical}};
    for (const auto& [show, wantCaption, wantIcon] : boxes) {
        answer(QStringLiteral("确定"));
        show(QStringLiteral("完成"), nullptr);
        EXPECT_EQ(shown, QStringLiteral("%1|%2|确定|确定").arg(QString::fromUtf8(wantCaption)).arg(wantIcon));
        // A dialog's frame, wide enough for its caption however short the text.
        EXPECT_GE(width, ui::kMessageBoxMinWidth) << wantCaption;
        EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
        EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
        EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    }
    // A fixed failure text with its cause one click away.
    answer(QStringLiteral("确定"));
    ui::failedBecause(QStringLiteral("恢复失败"), QStringLiteral("所选文件不是本系统的数据库"), nullptr,
                      ui::applicationTitle(), ui::Icon::None);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("人力资源管理系统|%1|").arg(QMessageBox::NoIcon))) << shown.toStdString();
    EXPECT_EQ(detail, QStringLiteral("所选文件不是本系统的数据库"));
    // Wider, for the cause's pane: a long cause reads in lines, not in words.
    EXPECT_GE(width, ui::kMessageBoxDetailWidth);
    EXPECT_EQ(ui::toQtFilter(QStringLiteral("BMP|*.bmp|图片|*.bmp;*.jpg")),
              QStringLiteral("BMP (*.bmp);;图片 (*.bmp *.jpg)"));
    EXPECT_EQ(ui::toQtFilter(QStringLiteral("All")), QStringLiteral("All (*)"));
}

// A description that already shows its patterns shows them once, and the
// file dialog still filters by them.
TEST(UiModal, FileFiltersShowTheirPatternsOnceAndStillFilter)
{
    const QString backup = ui::toQtFilter(QStringLiteral("备份文件(*.bak)|*.bak"));
    EXPECT_EQ(backup, QStringLiteral("备份文件(*.bak)"));
    EXPECT_EQ(ui::toQtFilter(QStringLiteral("图片 (*.jpg; *.bmp)|*.bmp;*.jpg")), QStringLiteral("图片 (*.jpg; *.bmp)"));
    // Other patterns than the description shows: the real ones in their own pair.
    EXPECT_EQ(ui::toQtFilter(QStringLiteral("位图(*.bmp)|*.bmp;*.dib")), QStringLiteral("位图(*.bmp) (*.bmp *.dib)"));
    EXPECT_EQ(ui::toQtFilter(QStringLiteral("(说明)|*.txt")), QStringLiteral("(说明) (*.txt)"));

    QFileDialog dlg(nullptr, QString(), QString(), backup);
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    auto* files = dlg.findChild<QFileSystemModel*>();
    ASSERT_TRUE(files);
    EXPECT_EQ(files->nameFilters(), QStringList{QStringLiteral("*.bak")});
    EXPECT_EQ(dlg.nameFilters(), QStringList{backup});
}

}

namespace {

// A dialog placed by hand, as most of the system's are: a fixed size, a
// button at its lower right corner, inputs in a tab order of their own.
struct BigForm : ui::Form {
    ui::Edit* first = new ui::Edit(this);
    ui::Edit* second = new ui::Edit(this);
    ui::Button* save = new ui::Button(QStringLiteral("保存"), this);
    QLabel* hiddenNote = new QLabel(QStringLiteral("说明"), this);
    BigForm()
    {
        setFixedSize(699, 676);
        first->setGeometry(400, 20, 120, 22);
        second->setGeometry(20, 20, 120, 22);
        save->setGeometry(600, 640, 75, 25);
        hiddenNote->hide();
        setTabOrder(first, second);
        setTabOrder(second, save);
    }
};

}

// A dialog larger than the screen's room scrolls inside a window that fits;
// every control is still in it, in its place and tab order, and reachable.
TEST(UiFitToScreen, ALargerDialogScrollsWithinTheRoomThereIs)
{
    const QRect scale2(0, 0, 960, 540 - 30);   // 1920 x 1080 at scale factor 2, less a panel
    BigForm big;
    ASSERT_TRUE(ui::fitToScreen(&big, scale2));
    EXPECT_LE(big.width(), scale2.width());
    EXPECT_LE(big.height() + 30, scale2.height());
    EXPECT_TRUE(scale2.contains(big.geometry()));
    auto* scroll = big.findChild<QScrollArea*>();
    ASSERT_TRUE(scroll);
    for (QWidget* w : std::initializer_list<QWidget*>{big.first, big.second, big.save, big.hiddenNote})
        EXPECT_EQ(w->parentWidget(), scroll->widget()) << w->metaObject()->className();
    EXPECT_EQ(big.save->geometry(), QRect(600, 640, 75, 25));   // within the scrolled content
    EXPECT_EQ(big.first->nextInFocusChain(), big.second);
    EXPECT_TRUE(big.hiddenNote->isHidden());

    big.show();
    QApplication::processEvents();
    EXPECT_FALSE(big.save->isHidden());
    scroll->ensureWidgetVisible(big.save);
    const QRect seen(big.save->mapTo(scroll->viewport(), QPoint()), big.save->size());
    EXPECT_TRUE(scroll->viewport()->rect().contains(seen));

    // One that fits is left as it was; placed partly off the screen, it
    // moves just far enough to be seen whole.
    ChainForm small;
    small.resize(701, 440);
    small.move(144, 20);
    EXPECT_FALSE(ui::fitToScreen(&small, scale2));
    EXPECT_FALSE(small.findChild<QScrollArea*>());
    EXPECT_EQ(small.a->parentWidget(), &small);
    EXPECT_EQ(small.size(), QSize(701, 440));
    EXPECT_EQ(small.pos(), QPoint(144, 20));
    small.move(144, 124);
    ui::fitToScreen(&small, scale2);
    EXPECT_EQ(small.x(), 144);
    EXPECT_LE(small.y() + small.height(), scale2.bottom());
}

// A dialog laid out by a layout whose least size is too big: the layout moves
// into the scrolled part and the dialog shrinks to the room.
TEST(UiFitToScreen, LaidOutDialogsScrollToo)
{
    QDialog dlg;
    auto* lay = new QVBoxLayout(&dlg);
    auto* tall = new QLabel(QStringLiteral("表格"), &dlg);
    tall->setMinimumSize(900, 800);
    auto* ok = new QPushButton(QStringLiteral("确定"), &dlg);
    lay->addWidget(tall);
    lay->addWidget(ok);
    dlg.adjustSize();
    const QRect room(0, 0, 1280, 720);
    ASSERT_TRUE(ui::fitToScreen(&dlg, room));
    EXPECT_LE(dlg.height(), room.height());
    auto* scroll = dlg.findChild<QScrollArea*>();
    ASSERT_TRUE(scroll);
    EXPECT_EQ(scroll->widget()->layout(), lay);
    EXPECT_TRUE(scroll->widget()->isAncestorOf(ok));
}

// Every Form does it by itself when first shown on a screen too small for it.
TEST(UiFitToScreen, AFormFitsItsScreenWhenShown)
{
    BigForm big;
    big.setFixedSize(5000, 4000);   // larger than any screen a test runs on
    big.save->move(4900, 3950);
    big.show();
    QApplication::processEvents();
    const QRect avail = big.screen()->availableGeometry();
    EXPECT_TRUE(avail.contains(big.geometry()));
    EXPECT_TRUE(big.findChild<QScrollArea*>());
    EXPECT_TRUE(big.isAncestorOf(big.save));
}
