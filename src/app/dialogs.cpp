// The task dialogs the main window's menu and tool bar open, one line each:
// the menu item's name and the dialog's global instance.
#include "app/U_about.h"
#include "app/U_login.h"
#include "app/U_main.h"

void registerTaskDialogs()
{
    setTaskOpener(QStringLiteral("N10"), dialogOpener(frm_Login));
    setTaskOpener(QStringLiteral("N59"), dialogOpener(frm_about));
}
