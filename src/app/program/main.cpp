#include "app/U_flash.h"
#include "app/U_main.h"
#include "data/U_data.h"
#include "platform/diag/log.h"
#include "platform/ui/errors.h"
#include "platform/ui/locale.h"
#include "platform/ui/modal.h"
#include <QApplication>

int main(int argc, char** argv)
{
    ui::Application app(argc, argv);
    ui::installChineseTranslations();

    frm_flash = new Tfrm_flash();
    frm_flash->showNow();

    // The task-bar name of the program (window class); the message boxes take
    // the same title from the modal seam.
    QApplication::setApplicationName(ui::applicationTitle());
    // Under the data folder of that name: ~/.local/share/人力资源管理系统/failures.log
    diag::startLogFile();

    frm_main = new Tfrm_main();
    Data1 = new TData1();
    registerTaskDialogs();

    delete frm_flash;
    frm_flash = nullptr;

    // Showing the main window runs the login first; when the login ends the
    // program, that happens before any message loop could notice it.
    frm_main->showMaximized();
    int rc = 0;
    if (!applicationEnding()) rc = app.exec();

    delete frm_main;
    delete Data1;
    Data1 = nullptr;
    return rc;
}
