#include "personnel/U_khgl.h"
#include "data/U_data.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include "platform/ui/modal.h"
#include "platform/ui/speedbar.h"
#include "platform/ui/text.h"
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

Tfrm_khgl* frm_khgl = nullptr;

Tfrm_khgl::Tfrm_khgl(QWidget* owner) : ui::Form(owner)
{
    setObjectName(QStringLiteral("frm_khgl"));
    setWindowTitle(QStringLiteral("考核管理"));

    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(4, 4, 4, 4);
    auto* bar = new ui::SpeedBar(this, QSize(50, 52));
    SpeedButton4 = bar->addButton(QStringLiteral("保存"));
    SpeedButton1 = bar->addButton(QStringLiteral("修改"));
    SpeedButton2 = bar->addButton(QStringLiteral("删除"));
    bar->addDivider();   // ToolButton1
    SpeedButton6 = bar->addButton(QStringLiteral("退出"));
    top->addWidget(bar);

    auto* panel = new QFrame(this);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    auto label = [](const QString& t, QWidget* p) { return new QLabel(t, p); };
    auto edit = [](const char* name, const QString& text, QWidget* p) {
        auto* e = new ui::Edit(p);
        e->setObjectName(QLatin1String(name));
        e->setText(text);
        return e;
    };

    GroupBox1 = new QGroupBox(panel);
    auto* g1 = new QGridLayout(GroupBox1);
    ComboBox1 = new ui::ComboBox(GroupBox1);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    const QString zero = QStringLiteral("0");
    Edit1 = edit("Edit1", zero, GroupBox1);
    Edit2 = edit("Edit2", zero, GroupBox1);
    Edit3 = edit("Edit3", zero, GroupBox1);
    Edit4 = edit("Edit4", zero, GroupBox1);
    Edit5 = edit("Edit5", zero, GroupBox1);
    Edit6 = edit("Edit6", zero, GroupBox1);
    g1->addWidget(label(QStringLiteral("员工编号："), GroupBox1), 0, 0, Qt::AlignRight);
    g1->addWidget(ComboBox1, 0, 1);
    g1->addWidget(label(QStringLiteral("出勤天数："), GroupBox1), 1, 0, Qt::AlignRight);
    g1->addWidget(Edit1, 1, 1);
    g1->addWidget(label(QStringLiteral("请假天数："), GroupBox1), 1, 2, Qt::AlignRight);
    g1->addWidget(Edit2, 1, 3);
    g1->addWidget(label(QStringLiteral("迟到次数："), GroupBox1), 1, 4, Qt::AlignRight);
    g1->addWidget(Edit3, 1, 5);
    g1->addWidget(label(QStringLiteral("早退次数："), GroupBox1), 2, 0, Qt::AlignRight);
    g1->addWidget(Edit4, 2, 1);
    g1->addWidget(label(QStringLiteral("旷工天数："), GroupBox1), 2, 2, Qt::AlignRight);
    g1->addWidget(Edit5, 2, 3);
    g1->addWidget(label(QStringLiteral("加班时数："), GroupBox1), 2, 4, Qt::AlignRight);
    g1->addWidget(Edit6, 2, 5);
    for (int c : {1, 3, 5}) g1->setColumnStretch(c, 1);
    panelLayout->addWidget(GroupBox1);

    GroupBox2 = new QGroupBox(panel);
    auto* g2 = new QGridLayout(GroupBox2);
    ComboBox2 = new ui::ComboBox(GroupBox2);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->addItems({QStringLiteral("优秀"), QStringLiteral("良好"), QStringLiteral("一般"), QStringLiteral("差")});
    Edit7 = edit("Edit7", QString(), GroupBox2);
    Edit8 = edit("Edit8", QString(), GroupBox2);
    Edit9 = edit("Edit9", QString(), GroupBox2);
    Memo1 = new ui::Memo(GroupBox2);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setFixedSize(465, 33);
    g2->addWidget(label(QStringLiteral("考核等级："), GroupBox2), 0, 0, Qt::AlignRight);
    g2->addWidget(ComboBox2, 0, 1);
    g2->addWidget(label(QStringLiteral("考核分值："), GroupBox2), 0, 2, Qt::AlignRight);
    g2->addWidget(Edit7, 0, 3);
    g2->addWidget(label(QStringLiteral("考核人："), GroupBox2), 1, 0, Qt::AlignRight);
    g2->addWidget(Edit8, 1, 1);
    g2->addWidget(label(QStringLiteral("考核月份："), GroupBox2), 1, 2, Qt::AlignRight);
    g2->addWidget(Edit9, 1, 3);
    g2->addWidget(label(QStringLiteral("考核评价："), GroupBox2), 2, 0, Qt::AlignRight | Qt::AlignTop);
    g2->addWidget(Memo1, 2, 1, 1, 3, Qt::AlignLeft);
    g2->setColumnStretch(1, 1);
    g2->setColumnStretch(3, 1);
    panelLayout->addWidget(GroupBox2);
    top->addWidget(panel);

    DBGrid1 = new ui::DBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setQuery(&Data1->ADOQYkhgl);
    ui::fitColumns(DBGrid1);
    top->addWidget(DBGrid1, 1);

    QWidget* order[] = {ComboBox1, Edit1, Edit2, Edit3, Edit4, Edit5, Edit6,
                        ComboBox2, Edit7, Edit8, Edit9, Memo1, DBGrid1};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    SpeedButton4->onClick = [this] { SpeedButton4Click(); };
    SpeedButton1->onClick = [this] { SpeedButton1Click(); };
    SpeedButton2->onClick = [this] { SpeedButton2Click(); };
    SpeedButton6->onClick = [this] { SpeedButton6Click(); };
    DBGrid1->onCellClick = [this] { DBGrid1CellClick(); };

    resize(646, 576);
    ui::centerOnScreen(this);
}

ui::FieldControls Tfrm_khgl::fields() const
{
    return {{QStringLiteral("员工编号"), ComboBox1}, {QStringLiteral("出勤天数"), Edit1},
            {QStringLiteral("请假天数"), Edit2},     {QStringLiteral("迟到次数"), Edit3},
            {QStringLiteral("早退次数"), Edit4},     {QStringLiteral("旷工天数"), Edit5},
            {QStringLiteral("加班时数"), Edit6},     {QStringLiteral("考核等级"), ComboBox2},
            {QStringLiteral("考核分值"), Edit7},     {QStringLiteral("考核人"), Edit8},
            {QStringLiteral("考核月份"), Edit9},     {QStringLiteral("考核评价"), Memo1}};
}

void Tfrm_khgl::FormShow()
{
    ComboBox1->clearItems();
    ComboBox1->setText(QString());
    ui::runSelect(Data1->ADOQYkhgl, QStringLiteral("select * from 考核表"));
    auto& p = Data1->ADOpublic;
    ui::runSelect(p, QStringLiteral("select bh from 人事表"));
    for (p.first(); !p.eof(); p.next()) ComboBox1->addItem(p.field(QStringLiteral("bh")).toText());
}

void Tfrm_khgl::SpeedButton4Click()
{
    auto& q = Data1->ADOQYkhgl;
    try {
        q.close();
        q.clearSql();
        q.addSql(QStringLiteral("insert into 考核表 values (:a,:b,:c,:d,:e,:f,:g,:h,:i,:j,:k,:l)"));
        const auto controls = fields();
        for (int i = 0; i < controls.size(); ++i)
            q.setParam(QString(QChar(u'a' + i)), db::Value::text(ui::trim(ui::controlText(controls[i].control))));
        // The six figures reach numeric columns: a text the database cannot read
        // as a number fails the insert instead of being stored.
        q.execSql();
        ui::info(QStringLiteral("保存成功"), this);
        FormShow();
    } catch (...) {
        ui::info(QStringLiteral("保存失败"), this);
    }
}

void Tfrm_khgl::SpeedButton1Click()
{
    ui::postTrimmedTexts(Data1->ADOQYkhgl, fields());
    ui::info(QStringLiteral("修改成功"), this);
}

void Tfrm_khgl::SpeedButton2Click() { ui::askDeleteCurrentRow(Data1->ADOQYkhgl, this); }

void Tfrm_khgl::SpeedButton6Click() { close(); }

void Tfrm_khgl::DBGrid1CellClick()
{
    if (!Data1->ADOQYkhgl.isEmpty()) editvalue();
}

void Tfrm_khgl::editvalue() { ui::showCurrentRow(Data1->ADOQYkhgl, fields()); }
