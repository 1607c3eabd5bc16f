#pragma once
#include "app/U_login.h"
#include "app/ending.h"
#include "data/session.h"
#include "platform/ui/form.h"
#include <QHash>
#include <QMainWindow>
#include <QVector>
#include <functional>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QMenuBar;
class QStatusBar;
class QToolButton;
class PictureBox;

// What a menu item (or the tool button standing for it) does: usually opens
// one task dialog in the standard way, owned by the main window.
using TaskOpener = std::function<void(QWidget* owner)>;

// Wires the menu item named menuItemName ("N7", "N59", ...) and the tool
// button mapped to it. An item without an opener stays visible and disabled.
// Takes effect at once, also on a main window that already exists.
void setTaskOpener(const QString& menuItemName, TaskOpener f);
TaskOpener taskOpener(const QString& menuItemName);
void clearTaskOpeners();

// The opener of a dialog class with its global instance variable, e.g.
//   setTaskOpener("N59", dialogOpener(frm_about));
template <class T>
TaskOpener dialogOpener(T*& global)
{
    T** g = &global;
    return [g](QWidget* owner) { ui::openDialog(*g, owner); };
}

// Registers the openers of every task dialog of the program. Defined in
// dialogs.cpp, which only the program and the application tests link.
void registerTaskDialogs();

// The application's main window. OpenMode tells the applicant and employee
// dialogs why they were opened: 0 new record, 1 a browse's current row, 2 hire.
class Tfrm_main : public QMainWindow, public LoginHost {
    Q_OBJECT
public:
    explicit Tfrm_main(QWidget* parent = nullptr);
    ~Tfrm_main() override;

    // Kept in the shared session, so the personnel dialogs reach it without the main window.
    int& OpenMode = session().OpenMode;

    static QString caption();    // "澄岚人力资源管理系统"

    // Status bar panels 0..6.
    void setStatusText(int panel, const QString& text);
    QString statusText(int panel) const;

    // Menu items by name ("N7"; separators too), tool buttons by number 1..11.
    QAction* menuItem(const QString& name) const;
    QToolButton* toolButton(int n) const;
    // The menu item a tool button stands for ("N7" for 1, ...; "N11" for 11).
    static QString toolButtonItem(int n);

    // Enables exactly the items that have something to do.
    void refreshTasks();

    void FormShow();
    // Who logged in and when, in status panels 1, 3 and 5.
    void showLogin(const QString& operatorName, const QDateTime& at) override;
    void N11Click();
    void ToolButton11Click() { N11Click(); }
    void N57Click();
    void N58Click();
    // Database backup and restore, each with its file dialog and message.
    void SpeedButton4Click();
    void SpeedButton5Click();
    void N50Click() { SpeedButton4Click(); }
    void N39Click() { SpeedButton5Click(); }
    void ToolButton10Click() { SpeedButton4Click(); }
    void ToolButton9Click() { SpeedButton5Click(); }
    // Any menu item by name, as a click on it would (disabled items do nothing).
    void runMenuItem(const QString& name);

    QMenuBar* MainMenu1 = nullptr;
    QFrame* Panel1 = nullptr;
    QWidget* ToolBar1 = nullptr;
    PictureBox* Image1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;

    void setVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void buildMenu();
    void buildToolBar();
    void buildStatusBar();
    bool hasBuiltInHandler(const QString& name) const;

    QHash<QString, QAction*> items_;
    QVector<QToolButton*> buttons_;
    QVector<QLabel*> panels_;
    bool shownOnce_ = false;
};

extern Tfrm_main* frm_main;
