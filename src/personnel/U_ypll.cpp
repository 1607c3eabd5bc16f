#include "personnel/U_ypll.h"
#include "data/session.h"
#include "data/U_data.h"
#include "personnel/U_yp.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include "platform/ui/rowbind.h"
#include <QFrame>
#include <QHBoxLayout>
#include <QVBoxLayout>

Tfrm_ypll* frm_ypll = nullptr;

Tfrm_ypll::Tfrm_ypll(QWidget* owner) : ui::Form(owner)
{
    setObjectName(QStringLiteral("frm_ypll"));
    setWindowTitle(QStringLiteral("应聘信息浏览"));

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::StyledPanel);
    auto* bar = new QHBoxLayout(Panel1);
    bar->setContentsMargins(8, 6, 8, 6);
    bar->setSpacing(12);
    BitBtn1 = new ui::Button(QStringLiteral("浏览"), Panel1);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = new ui::Button(QStringLiteral("删除"), Panel1);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn3 = new ui::Button(QStringLiteral("退出"), Panel1);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    for (ui::Button* b : {BitBtn1, BitBtn2, BitBtn3}) b->setMinimumWidth(84);
    bar->addWidget(BitBtn1);
    bar->addWidget(BitBtn2);
    bar->addStretch(1);
    bar->addWidget(BitBtn3);

    DBGrid1 = new ui::DBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setQuery(&Data1->yp);
    ui::fitColumns(DBGrid1);

    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(4, 4, 4, 4);
    top->addWidget(Panel1);
    top->addWidget(DBGrid1, 1);
    setTabOrder(DBGrid1, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);
    setTabOrder(BitBtn2, BitBtn3);
    DBGrid1->setFocus();   // arrows move through the applicants from the start

    BitBtn1->onClick = [this] { BitBtn1Click(); };
    BitBtn2->onClick = [this] { BitBtn2Click(); };
    BitBtn3->onClick = [this] { close(); };
    DBGrid1->onDblClick = [this] { DBGrid1DblClick(); };

    resize(980, 460);
    ui::centerOnScreen(this);
}

void Tfrm_ypll::FormShow() { ui::runSelect(Data1->yp, QStringLiteral("select * from 应聘信息表")); }

void Tfrm_ypll::FormClose() { session().OpenMode = 0; }

void Tfrm_ypll::BitBtn1Click() { editvalue(); }

void Tfrm_ypll::DBGrid1DblClick()
{
    if (!Data1->yp.isEmpty()) editvalue();
}

// The applicant dialog copies the current row itself while it is created.
void Tfrm_ypll::editvalue()
{
    session().OpenMode = 1;
    // A change there leaves this list out of date.
    if (ui::openDialog(frm_yp, this) == Tfrm_yp::Changed) FormShow();
}

void Tfrm_ypll::BitBtn2Click()
{
    // An empty list has nothing to delete.
    db::Query& q = Data1->yp;
    if (!q.isOpen() || q.recNo() < 0) return;
    q.deleteRow();
}
