#include "app/U_main.h"
#include "app/U_login.h"
#include "app/picture.h"
#include "data/U_data.h"
#include "data/archive.h"
#include "platform/shell/shell.h"
#include "platform/ui/errors.h"
#include "platform/ui/modal.h"
#include "platform/text/text.h"
#include <QCloseEvent>
#include <QDateTime>
#include <QFrame>
#include <QGuiApplication>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

Tfrm_main* frm_main = nullptr;

namespace {

QHash<QString, TaskOpener>& openers()
{
    static QHash<QString, TaskOpener> table;
    return table;
}

struct MenuItem {
    const char* name;
    const char* caption;   // "-" is a separator
};

struct TopMenu {
    const char* name;
    const char* caption;
    std::initializer_list<MenuItem> items;
};

// Top-level captions end in four blanks: that is how the menu bar spaces them.
const TopMenu kMenus[] = {
    {"txxi1", "系统管理    ",
     {{"N7", "单位信息"}, {"N12", "-"}, {"N8", "管理员设置"}, {"N9", "更改密码"}, {"N10", "重新登录"},
      {"N13", "-"}, {"N50", "数据备份"}, {"N39", "数据还原"}, {"N40", "-"}, {"N11", "退出系统"}}},
    {"N1", "信息设置    ",
     {{"N14", "部门信息"}, {"N15", "工种类型"}, {"N38", "职务类型"}, {"N16", "职称类型"}, {"N17", "-"},
      {"N18", "文化程度"}, {"N19", "政治面貌"}, {"N20", "民族类型"}, {"N21", "-"},
      {"N22", "所得税设置"}, {"N23", "考勤设置"}}},
    {"N2", "人事管理    ",
     {{"N3", "应聘登记"}, {"N27", "新员工登记"}, {"N34", "-"}, {"N28", "员工调动"}, {"N29", "员工离职"},
      {"N30", "员工复职"}, {"N31", "-"}, {"N36", "考核管理"}, {"N37", "合同管理"}, {"N35", "-"},
      {"N33", "应聘信息浏览"}, {"N26", "员工信息浏览"}}},
    {"N4", "工资管理    ", {{"N24", "工资档案设置"}, {"N25", "月工资结算"}, {"N32", "工资档案浏览"}}},
    {"N5", "工具    ", {{"N57", "记事本"}, {"N58", "记算器"}}},
    {"N6", "帮助    ", {{"N59", "关于"}}},
};

struct ToolItem {
    const char* caption;
    const char* item;
};

const ToolItem kTools[11] = {
    {"单位信息", "N7"},  {"应聘登记", "N3"}, {"新员工登记", "N27"}, {"员工调动", "N28"},
    {"员工离职", "N29"}, {"员工复职", "N30"}, {"工资设置", "N24"},  {"工资结算", "N25"},
    {"数据还原", "N39"}, {"数据备份", "N50"}, {"退出", "N11"},
};

struct Panel {
    const char* text;
    int width;
};

const Panel kPanels[7] = {
    {"操作员：", 60}, {"", 100}, {"今天日期：", 70}, {"", 100},
    {"登录时间：", 70}, {"", 100}, {"澄岚人力资源管理系统", 50},
};

// The exit question, captioned with the window's title; Yes ends the program.
bool confirmExit(QWidget* owner, ui::Icon icon)
{
    ui::MessageRequest r;
    r.owner = owner;
    r.caption = Tfrm_main::caption();
    r.text = QStringLiteral("真的要退出系统吗？");
    r.icon = icon;
    r.buttons = ui::Buttons::YesNo;
    return ui::message(r) == ui::Answer::Yes;
}

}

void setTaskOpener(const QString& menuItemName, TaskOpener f)
{
    if (f)
        openers().insert(menuItemName, std::move(f));
    else
        openers().remove(menuItemName);
    if (frm_main) frm_main->refreshTasks();
}

TaskOpener taskOpener(const QString& menuItemName) { return openers().value(menuItemName); }

void clearTaskOpeners()
{
    openers().clear();
    if (frm_main) frm_main->refreshTasks();
}

QString Tfrm_main::caption() { return QStringLiteral("澄岚人力资源管理系统"); }

Tfrm_main::Tfrm_main(QWidget* parent) : QMainWindow(parent)
{
    frm_main = this;
    setObjectName(QStringLiteral("frm_main"));
    setWindowTitle(caption());
    resize(697, 476);
    const QImage icon = loadAsset(QStringLiteral("icon"));
    if (!icon.isNull()) setWindowIcon(QIcon(QPixmap::fromImage(icon)));

    buildMenu();

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    // Lowered outer bevel, then one blank pixel before the contents.
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    auto* lay = new QVBoxLayout(Panel1);
    lay->setContentsMargins(2, 2, 2, 2);
    lay->setSpacing(0);
    buildToolBar();
    lay->addWidget(ToolBar1);
    Image1 = new PictureBox(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPicture(loadAsset(QStringLiteral("main_bg")));
    lay->addWidget(Image1, 1);
    setCentralWidget(Panel1);

    buildStatusBar();
    refreshTasks();
}

Tfrm_main::~Tfrm_main()
{
    if (frm_main == this) frm_main = nullptr;
}

void Tfrm_main::buildMenu()
{
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    for (const TopMenu& top : kMenus) {
        QMenu* menu = MainMenu1->addMenu(QString::fromUtf8(top.caption));
        menu->setObjectName(QString::fromLatin1(top.name));
        menu->menuAction()->setObjectName(QString::fromLatin1(top.name));
        for (const MenuItem& it : top.items) {
            const QString name = QString::fromLatin1(it.name);
            const QString text = QString::fromUtf8(it.caption);
            QAction* a = text == QLatin1String("-") ? menu->addSeparator() : menu->addAction(text);
            a->setObjectName(name);
            a->setParent(this);   // reachable by name from the window
            items_.insert(name, a);
            if (!a->isSeparator())
                connect(a, &QAction::triggered, this, [this, name] { runMenuItem(name); });
        }
    }
    setMenuBar(MainMenu1);
}

void Tfrm_main::buildToolBar()
{
    ToolBar1 = new QWidget(Panel1);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    auto* grid = new QGridLayout(ToolBar1);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    for (int i = 0; i < 11; ++i) {
        auto* b = new QToolButton(ToolBar1);
        b->setObjectName(QStringLiteral("ToolButton%1").arg(i + 1));
        b->setText(QString::fromUtf8(kTools[i].caption));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedSize(77, 52);
        b->setIconSize(QSize(32, 32));
        const QImage pic = loadAsset(QStringLiteral("tool%1").arg(i + 1, 2, 10, QLatin1Char('0')));
        if (!pic.isNull()) b->setIcon(QIcon(QPixmap::fromImage(pic)));
        const QString item = QString::fromLatin1(kTools[i].item);
        connect(b, &QToolButton::clicked, this, [this, item] { runMenuItem(item); });
        // The first row ends with the sixth button.
        const int row = i < 6 ? 0 : 1;
        grid->addWidget(b, row, row == 0 ? i : i - 6, Qt::AlignLeft | Qt::AlignTop);
        buttons_ << b;
    }
    grid->setColumnStretch(6, 1);
    ToolBar1->setFixedHeight(2 * 52);
}

void Tfrm_main::buildStatusBar()
{
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setFixedHeight(25);
    StatusBar1->setSizeGripEnabled(false);
    for (int i = 0; i < 7; ++i) {
        auto* l = new QLabel(QString::fromUtf8(kPanels[i].text), StatusBar1);
        l->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (i < 6) {
            l->setFixedWidth(kPanels[i].width);
            StatusBar1->addWidget(l);
        } else {
            // The last panel takes what is left of the bar.
            l->setMinimumWidth(kPanels[i].width);
            StatusBar1->addWidget(l, 1);
        }
        panels_ << l;
    }
    setStatusBar(StatusBar1);
}

void Tfrm_main::setStatusText(int panel, const QString& text)
{
    if (panel >= 0 && panel < panels_.size()) panels_[panel]->setText(text);
}

QString Tfrm_main::statusText(int panel) const
{
    return panel >= 0 && panel < panels_.size() ? panels_[panel]->text() : QString();
}

QAction* Tfrm_main::menuItem(const QString& name) const { return items_.value(name); }

QToolButton* Tfrm_main::toolButton(int n) const
{
    return n >= 1 && n <= buttons_.size() ? buttons_[n - 1] : nullptr;
}

QString Tfrm_main::toolButtonItem(int n)
{
    return n >= 1 && n <= 11 ? QString::fromLatin1(kTools[n - 1].item) : QString();
}

bool Tfrm_main::hasBuiltInHandler(const QString& name) const
{
    return name == QLatin1String("N11") || name == QLatin1String("N57") || name == QLatin1String("N58");
}

void Tfrm_main::refreshTasks()
{
    for (auto it = items_.cbegin(); it != items_.cend(); ++it) {
        if (it.value()->isSeparator()) continue;
        it.value()->setEnabled(hasBuiltInHandler(it.key()) || openers().contains(it.key()));
    }
    for (int n = 1; n <= buttons_.size(); ++n) {
        const QString item = toolButtonItem(n);
        buttons_[n - 1]->setEnabled(hasBuiltInHandler(item) || openers().contains(item));
    }
}

void Tfrm_main::runMenuItem(const QString& name)
{
    QAction* a = items_.value(name);
    if (!a || a->isSeparator() || !a->isEnabled()) return;
    ui::guarded(this, [&] {
        if (name == QLatin1String("N11")) {
            N11Click();
        } else if (name == QLatin1String("N57")) {
            N57Click();
        } else if (name == QLatin1String("N58")) {
            N58Click();
        } else if (TaskOpener f = openers().value(name)) {
            f(this);
        }
    });
}

void Tfrm_main::setVisible(bool visible)
{
    // The login runs before the window is first put on the screen; if it ends
    // the program, the window never shows at all.
    if (visible && !shownOnce_ && !isVisible()) {
        shownOnce_ = true;
        FormShow();
        if (applicationEnding()) return;
    }
    QMainWindow::setVisible(visible);
}

void Tfrm_main::FormShow()
{
    OpenMode = 0;
    // Nobody may reach the menus without the login: if it cannot even be
    // opened, the error is shown and the program ends.
    if (!ui::guarded(this, [this] { ui::openDialog(frm_Login, this); })) endApplication();
}

void Tfrm_main::showLogin(const QString& operatorName, const QDateTime& at)
{
    setStatusText(1, operatorName);
    setStatusText(3, at.date().toString(QString::fromLatin1(text::kShortDateFormat)));
    setStatusText(5, at.time().toString(QString::fromLatin1(text::kLongTimeFormat)));
}

void Tfrm_main::N11Click()
{
    if (confirmExit(this, ui::Icon::Question)) endApplication();
}

void Tfrm_main::closeEvent(QCloseEvent* e)
{
    // Once the program is ending (exit question, login) the close goes on unasked.
    if (applicationEnding()) {
        e->accept();
        return;
    }
    if (!confirmExit(this, ui::Icon::None)) {
        e->ignore();
        return;
    }
    e->accept();
    endApplication();
}

void Tfrm_main::N57Click() { shell::open(QStringLiteral("notepad.exe")); }
void Tfrm_main::N58Click() { shell::open(QStringLiteral("calc.exe")); }

namespace {

// The hourglass for as long as it lives.
struct WaitCursor {
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
};

}

void Tfrm_main::SpeedButton4Click()
{
    const QString file = ui::saveFileName(this, QStringLiteral("请选择备份路径"),
                                          QStringLiteral("备份文件(*.bak)|*.bak"), QStringLiteral("bak"));
    if (file.isEmpty()) return;
    try {
        {
            WaitCursor wait;
            data::backupDatabase(*Data1, file);
        }
        ui::info(QStringLiteral("数据备份成功"), this);
    } catch (...) {
        ui::failed(QStringLiteral("数据备份"), QStringLiteral("数据库备份失败，请检查备份的路径或网络状态！"), this,
                   QStringLiteral("数据库备份"));
    }
}

void Tfrm_main::SpeedButton5Click()
{
    try {
        const QString file = ui::openFileName(this, QString(), QString());
        if (file.isEmpty()) return;
        data::restoreDatabase(*Data1, file);
        ui::plain(QStringLiteral("恢复成功"), this);
    } catch (...) {
        ui::failed(QStringLiteral("数据还原"), QStringLiteral("恢复失败"), this, ui::applicationTitle(), ui::Icon::None);
    }
}
