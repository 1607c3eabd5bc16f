#include "personnel/U_tj.h"
#include "data/U_data.h"
#include "platform/ui/controls.h"
#include "platform/ui/errors.h"
#include "platform/ui/modal.h"
#include "platform/ui/rowbind.h"
#include "platform/text/text.h"
#include <QLabel>

Tfrm_cxtj* frm_cxtj = nullptr;

QString searchColumn(const QString& condition)
{
    if (condition == QStringLiteral("姓名")) return QStringLiteral("xm");
    if (condition == QStringLiteral("编号")) return QStringLiteral("bh");
    return {};
}

Tfrm_cxtj::Tfrm_cxtj(QWidget* owner) : ui::Form(owner)
{
    setObjectName(QStringLiteral("frm_cxtj"));
    setWindowTitle(QStringLiteral("设置查询条件"));
    // Outer size 293 x 132: a 3-pixel dialog frame and a 19-pixel caption
    // leave a client area of 287 x 107.
    setFixedSize(287, 107);

    Label1 = new QLabel(QStringLiteral("查询条件："), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(12, 22, 64, 16);
    ComboBox1 = new ui::ComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems({QStringLiteral("编号"), QStringLiteral("姓名")});
    ComboBox1->setGeometry(78, 18, 80, 24);
    Label2 = new QLabel(QStringLiteral("="), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(164, 22, 10, 16);
    Edit1 = new ui::Edit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(178, 18, 96, 24);

    BitBtn1 = new ui::Button(QStringLiteral("确定"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(52, 64, 75, 25);
    BitBtn2 = new ui::Button(QStringLiteral("取消"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(160, 64, 75, 25);
    setDefaultButton(BitBtn1);
    setCancelButton(BitBtn2);
    setTabOrder(ComboBox1, Edit1);
    setTabOrder(Edit1, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);

    // The dialog closes with its result whatever the search did, also after
    // a database error has been shown.
    BitBtn1->onClick = [this] {
        ui::guarded(this, [this] { BitBtn1Click(); });
        accept();
    };
    BitBtn2->onClick = [this] { BitBtn2Click(); };

    ui::centerOnScreen(this);
}

void Tfrm_cxtj::BitBtn1Click()
{
    const QString value = text::trim(Edit1->text());
    const QString column = searchColumn(ComboBox1->text());
    // Only the two known columns ever reach the statement; any other
    // condition counts as none and leaves the opener's list alone.
    if (column.isEmpty() || value.isEmpty()) {
        ui::info(QStringLiteral("请设置查询条件！"), this);
        return;
    }
    auto& q = Data1->ADOpublic;
    q.close();
    q.clearSql();
    q.addSql(QStringLiteral("select * from 人事表 where"));
    q.addSql(column);
    q.addSql(QStringLiteral("= :a"));
    q.setParam(QStringLiteral("a"), db::Value::text(value));
    q.open();
}

void Tfrm_cxtj::BitBtn2Click() { reject(); }
