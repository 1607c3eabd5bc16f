#include "settings/U_kqlr.h"
#include "data/U_data.h"
#include "platform/db/convert.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include "platform/ui/modal.h"
#include "platform/ui/speedbar.h"
#include "platform/ui/text.h"
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

Tfrm_kqxx* frm_kqxx = nullptr;

Tfrm_kqxx::Tfrm_kqxx(QWidget* owner) : ui::Form(owner)
{
    setObjectName(QStringLiteral("frm_kqxx"));
    setWindowTitle(QStringLiteral("考勤设置"));

    // Panel and grid span the whole width: the grid needs every pixel for its columns.
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(2);
    auto* bar = new ui::SpeedBar(this);
    bar->setContentsMargins(4, 2, 4, 0);
    SpeedButton2 = bar->addButton(QStringLiteral("修改"));
    SpeedButton3 = bar->addButton(QStringLiteral("删除"));
    bar->addDivider();
    SpeedButton4 = bar->addButton(QStringLiteral("保存"));
    SpeedButton5 = bar->addButton(QStringLiteral("取消"));
    bar->addDivider();
    SpeedButton6 = bar->addButton(QStringLiteral("退出"));
    top->addWidget(bar);

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    auto* lines = new QVBoxLayout(panel);
    lines->setContentsMargins(6, 6, 6, 6);
    auto edit = [panel](const char* name) {
        auto* e = new ui::Edit(panel);
        e->setObjectName(QLatin1String(name));
        e->setText(QStringLiteral("0"));
        e->setMinimumWidth(36);
        return e;
    };
    Edit5 = edit("Edit5");
    Edit6 = edit("Edit6");
    Edit4 = edit("Edit4");
    Edit1 = edit("Edit1");
    Edit3 = edit("Edit3");
    // Each line lays out on its own: the second line's labels are the long ones.
    auto line = [panel, lines](std::initializer_list<std::pair<QString, ui::Edit*>> items) {
        auto* h = new QHBoxLayout;
        h->setSpacing(4);
        for (const auto& [text, e] : items) {
            h->addWidget(new QLabel(text, panel));
            h->addWidget(e, 1);
        }
        lines->addLayout(h);
    };
    line({{QStringLiteral("全勤奖："), Edit5}, {QStringLiteral("出勤天数："), Edit6}, {QStringLiteral("几倍："), Edit4}});
    line({{QStringLiteral("迟到早退次数："), Edit1}, {QStringLiteral("月平均工作天数："), Edit3}});
    top->addWidget(panel);

    DBGrid1 = new ui::DBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setQuery(&Data1->ADOQYkqxx);
    ui::fitColumns(DBGrid1);
    top->addWidget(DBGrid1, 1);

    setTabOrder(Edit5, Edit6);
    setTabOrder(Edit6, Edit4);
    setTabOrder(Edit4, Edit1);
    setTabOrder(Edit1, Edit3);
    setTabOrder(Edit3, DBGrid1);
    setFocusChain({Edit5, Edit6, Edit4, Edit1, Edit3});

    SpeedButton2->onClick = [this] { SpeedButton2Click(); };
    SpeedButton3->onClick = [this] { SpeedButton3Click(); };
    SpeedButton4->onClick = [this] { SpeedButton4Click(); };
    SpeedButton5->onClick = [this] { SpeedButton5Click(); };
    SpeedButton6->onClick = [this] { SpeedButton6Click(); };
    DBGrid1->onCellClick = [this] { DBGrid1CellClick(); };

    resize(373, 328);
    ui::centerOnScreen(this);
}

ui::FieldControls Tfrm_kqxx::fields() const
{
    return {{QStringLiteral("全勤奖"), Edit5},
            {QStringLiteral("出勤天数"), Edit6},
            {QStringLiteral("迟到早退次数"), Edit1},
            {QStringLiteral("月平均工作天数"), Edit3},
            {QStringLiteral("几倍"), Edit4}};
}

// Blanks count as content here; only a box with no text at all is empty.
bool Tfrm_kqxx::anyEmpty() const
{
    for (auto* e : {Edit1, Edit3, Edit4, Edit5, Edit6})
        if (e->text().isEmpty()) return true;
    return false;
}

void Tfrm_kqxx::FormShow()
{
    auto& q = Data1->ADOQYkqxx;
    ui::runSelect(q, QStringLiteral("select * from 考勤表"));
    if (!q.field(QStringLiteral("月平均工作天数")).isNull())
        editvalue();
    else
        Edit3->setText(QString());
}

void Tfrm_kqxx::SpeedButton4Click()
{
    if (anyEmpty()) {
        ui::info(QStringLiteral("请详细设置考勤信息"), this);
        return;
    }
    auto& q = Data1->ADOQYkqxx;
    if (!q.field(QStringLiteral("全勤奖")).isNull()) {
        ui::info(QStringLiteral("考勤信息已经存在，不能重复添加，如有需要请修改信息！"), this);
        return;
    }
    try {
        q.close();
        q.clearSql();
        q.addSql(QStringLiteral("insert into 考勤表 values (:a,:b,:c,:d,:e)"));
        q.setParam(QStringLiteral("a"), db::Value::real(db::toNumber(ui::trim(Edit5->text()))));
        q.setParam(QStringLiteral("b"), db::Value::text(ui::trim(Edit6->text())));
        q.setParam(QStringLiteral("c"), db::Value::real(db::toNumber(ui::trim(Edit1->text()))));
        q.setParam(QStringLiteral("d"), db::Value::text(ui::trim(Edit3->text())));
        q.setParam(QStringLiteral("e"), db::Value::real(db::toNumber(ui::trim(Edit4->text()))));
        q.execSql();
        FormShow();
        editclear();
        ui::info(QStringLiteral("添加成功"), this);
    } catch (...) {
        ui::info(QStringLiteral("系统出错！"), this);
    }
}

void Tfrm_kqxx::SpeedButton2Click()
{
    // Empty boxes would blank the rules row: the same test as 保存 comes first.
    if (anyEmpty()) {
        ui::info(QStringLiteral("请详细设置考勤信息"), this);
        return;
    }
    ui::postTrimmedTexts(Data1->ADOQYkqxx, fields());
    ui::info(QStringLiteral("修改成功"), this);
}

void Tfrm_kqxx::SpeedButton3Click()
{
    ui::askDeleteCurrentRow(Data1->ADOQYkqxx, this);
    editclear();
}

void Tfrm_kqxx::SpeedButton5Click() { editclear(); }

void Tfrm_kqxx::SpeedButton6Click() { close(); }

void Tfrm_kqxx::DBGrid1CellClick()
{
    if (!Data1->ADOQYkqxx.isEmpty()) editvalue();
}

void Tfrm_kqxx::editvalue() { ui::showCurrentRow(Data1->ADOQYkqxx, fields()); }

void Tfrm_kqxx::editclear() { ui::clearControls(fields()); }
