// The task dialogs the main window's menu and tool bar open, one line each:
// the menu item's name and the dialog's global instance.
#include "app/U_about.h"
#include "app/U_czy.h"
#include "app/U_dwxx.h"
#include "app/U_login.h"
#include "app/U_main.h"
#include "app/U_xgmm.h"
#include "payroll/U_gzb.h"
#include "payroll/U_gzda.h"
#include "payroll/U_gzsz.h"
#include "personnel/U_htgl.h"
#include "personnel/U_khgl.h"
#include "personnel/U_xygdj.h"
#include "personnel/U_ygdd.h"
#include "personnel/U_ygfz.h"
#include "personnel/U_yglz.h"
#include "personnel/U_ygxxll.h"
#include "personnel/U_yp.h"
#include "personnel/U_ypll.h"
#include "settings/U_bmxx.h"
#include "settings/U_gzxx.h"
#include "settings/U_kqlr.h"
#include "settings/U_sl.h"

void registerTaskDialogs()
{
    setTaskOpener(QStringLiteral("N7"), dialogOpener(frm_dwxx));
    setTaskOpener(QStringLiteral("N8"), dialogOpener(frm_gly));
    setTaskOpener(QStringLiteral("N9"), dialogOpener(frm_xgmm));
    setTaskOpener(QStringLiteral("N10"), dialogOpener(frm_Login));
    setTaskOpener(QStringLiteral("N14"), dialogOpener(frm_bmxx));
    setTaskOpener(QStringLiteral("N15"), dialogOpener(frm_gzxx));
    setTaskOpener(QStringLiteral("N16"), dialogOpener(frm_zcxx));
    setTaskOpener(QStringLiteral("N18"), dialogOpener(frm_whcd));
    setTaskOpener(QStringLiteral("N19"), dialogOpener(frm_zzmm));
    setTaskOpener(QStringLiteral("N20"), dialogOpener(frm_mzxx));
    setTaskOpener(QStringLiteral("N22"), dialogOpener(frm_sl));
    setTaskOpener(QStringLiteral("N23"), dialogOpener(frm_kqxx));
    setTaskOpener(QStringLiteral("N24"), dialogOpener(frm_gzsz));
    setTaskOpener(QStringLiteral("N25"), dialogOpener(frm_gzb));
    setTaskOpener(QStringLiteral("N3"), dialogOpener(frm_yp));
    setTaskOpener(QStringLiteral("N32"), dialogOpener(frm_gzll));
    setTaskOpener(QStringLiteral("N26"), dialogOpener(frm_ygxill));
    setTaskOpener(QStringLiteral("N27"), dialogOpener(frm_xygdj));
    setTaskOpener(QStringLiteral("N28"), dialogOpener(frm_ygdd));
    setTaskOpener(QStringLiteral("N29"), dialogOpener(frm_yglz));
    setTaskOpener(QStringLiteral("N30"), dialogOpener(frm_ygfz));
    setTaskOpener(QStringLiteral("N33"), dialogOpener(frm_ypll));
    setTaskOpener(QStringLiteral("N36"), dialogOpener(frm_khgl));
    setTaskOpener(QStringLiteral("N37"), dialogOpener(frm_htgl));
    setTaskOpener(QStringLiteral("N38"), dialogOpener(frm_zwxx));
    setTaskOpener(QStringLiteral("N59"), dialogOpener(frm_about));
    // Backup and restore open no dialog of their own: the main window runs them.
    setTaskOpener(QStringLiteral("N50"), [](QWidget* owner) { static_cast<Tfrm_main*>(owner)->N50Click(); });
    setTaskOpener(QStringLiteral("N39"), [](QWidget* owner) { static_cast<Tfrm_main*>(owner)->N39Click(); });
}
