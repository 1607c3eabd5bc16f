#include "app/U_dwxx.h"
#include "data/U_data.h"
#include "platform/ui/controls.h"
#include "platform/ui/modal.h"
#include "platform/ui/speedbar.h"
#include "platform/text/text.h"
#include <QFrame>
#include <QGroupBox>
#include <QLabel>

Tfrm_dwxx* frm_dwxx = nullptr;

Tfrm_dwxx::Tfrm_dwxx(QWidget* owner) : ui::Form(owner)
{
    setObjectName(QStringLiteral("frm_dwxx"));
    setWindowTitle(QStringLiteral("单位信息录入"));
    setFixedSize(432, 287);

    auto* bar = new ui::SpeedBar(this, QSize(50, 52));
    bar->setGeometry(0, 0, width(), 63);
    bar->setContentsMargins(2, 4, 2, 7);
    SpeedButton2 = bar->addButton(QStringLiteral("修改"));
    SpeedButton4 = bar->addButton(QStringLiteral("保存"));
    SpeedButton5 = bar->addButton(QStringLiteral("取消"));
    bar->addDivider();
    SpeedButton6 = bar->addButton(QStringLiteral("退出"));

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(0, 63, width(), height() - 63);
    GroupBox1 = new QGroupBox(QStringLiteral("单位信息"), Panel1);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    QFont f(QStringLiteral("SimSun"));
    f.setPixelSize(14);
    GroupBox1->setFont(f);
    GroupBox1->setGeometry(8, 8, 417, 214);

    auto edit = [this](const char* name, const QString& caption, int x, int y, int w) {
        auto* l = new QLabel(caption, GroupBox1);
        l->setObjectName(QStringLiteral("Label%1").arg(QLatin1String(name).right(1)));
        l->move(x, y + 3);
        auto* e = new ui::Edit(GroupBox1);
        e->setObjectName(QLatin1String(name));
        e->setFrame(false);
        e->setGeometry(x + 72, y, w, 20);
        return e;
    };
    Edit1 = edit("Edit1", QStringLiteral("单位名称："), 24, 20, 313);
    Edit2 = edit("Edit2", QStringLiteral("法    人："), 24, 52, 113);
    Edit3 = edit("Edit3", QStringLiteral("创建日期："), 224, 52, 113);
    Edit4 = edit("Edit4", QStringLiteral("单位电话："), 24, 84, 113);
    Edit5 = edit("Edit5", QStringLiteral("单位邮箱："), 224, 84, 113);
    Edit6 = edit("Edit6", QStringLiteral("单位地址："), 24, 116, 313);
    auto* l7 = new QLabel(QStringLiteral("单位介绍："), GroupBox1);
    l7->setObjectName(QStringLiteral("Label7"));
    l7->move(24, 151);
    Memo1 = new ui::Memo(GroupBox1);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(96, 148, 313, 53);

    SpeedButton2->onClick = [this] { SpeedButton2Click(); };
    SpeedButton4->onClick = [this] { SpeedButton4Click(); };
    SpeedButton5->onClick = [this] { SpeedButton5Click(); };
    SpeedButton6->onClick = [this] { SpeedButton6Click(); };

    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, Edit3);
    setTabOrder(Edit3, Edit4);
    setTabOrder(Edit4, Edit5);
    setTabOrder(Edit5, Edit6);
    setTabOrder(Edit6, Memo1);
    Edit1->setFocus();
    ui::centerOnScreen(this);
}

ui::FieldControls Tfrm_dwxx::fields() const
{
    return {{QStringLiteral("单位名称"), Edit1}, {QStringLiteral("法人"), Edit2},     {QStringLiteral("创建日期"), Edit3},
            {QStringLiteral("单位电话"), Edit4}, {QStringLiteral("单位邮箱"), Edit5}, {QStringLiteral("单位地址"), Edit6},
            {QStringLiteral("单位介绍"), Memo1}};
}

void Tfrm_dwxx::FormShow()
{
    auto& q = Data1->ADOQYdwxx;
    db::runSelect(q, QStringLiteral("select * from 单位信息表"));
    if (q.field(QStringLiteral("单位名称")).isNull())
        ui::info(QStringLiteral("数据库中没有数据，请添加数据！"), this);
    else
        editvalue();
}

void Tfrm_dwxx::SpeedButton4Click()
{
    if (Edit1->text().isEmpty()) return;
    auto& q = Data1->ADOQYdwxx;
    if (!q.field(QStringLiteral("单位名称")).isNull()) {
        ui::info(QStringLiteral("单位信息已经存在，不能添加，如有需要请对已有信息修改！"), this);
        return;
    }
    try {
        // Beside the dialog's query, which stays open on the stored rows: a
        // refused insert must leave 保存 and 修改 something to work on.
        const char* names[] = {"a", "b", "c", "d", "e", "f", "g"};
        const ui::FieldControls f = fields();
        db::Params params;
        for (int i = 0; i < 7; ++i)
            params.append({QLatin1String(names[i]), db::Value::text(text::trim(ui::controlText(f[i].control)))});
        // The check above saw the table when the dialog opened; another copy
        // of the program may have stored the record since.
        if (db::exec(q.connection(), QStringLiteral("insert into 单位信息表 select :a,:b,:c,:d,:e,:f,:g "
                                                    "where (select 单位名称 from 单位信息表 limit 1) is null"),
                     params) == 0) {
            db::runSelect(q, QStringLiteral("select * from 单位信息表"));   // what was typed stays
            ui::info(QStringLiteral("单位信息已经存在，不能添加，如有需要请对已有信息修改！"), this);
            return;
        }
        ui::info(QStringLiteral("添加成功"), this);
        FormShow();
        editvalue();
    } catch (...) {
        ui::failed(QStringLiteral("单位信息添加"), QStringLiteral("添加失败"), this);
    }
}

void Tfrm_dwxx::SpeedButton2Click()
{
    // The record is the root of the department trees: an empty name would cut them off.
    if (text::trim(Edit1->text()).isEmpty()) {
        ui::info(QStringLiteral("请输入单位名称"), this);
        return;
    }
    ui::postInputs(Data1->ADOQYdwxx, fields());
    ui::info(QStringLiteral("修改成功"), this);
    editvalue();
}

void Tfrm_dwxx::SpeedButton5Click() { editclear(); }

void Tfrm_dwxx::SpeedButton6Click() { close(); }

void Tfrm_dwxx::editvalue()
{
    ui::showCurrentRow(Data1->ADOQYdwxx, fields());
    // Long texts in the narrow boxes show from their start.
    for (auto* e : {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6}) e->setCursorPosition(0);
}

void Tfrm_dwxx::editclear() { ui::clearControls(fields()); }
