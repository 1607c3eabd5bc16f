#include "payroll/U_gzda.h"
#include "data/U_data.h"
#include "data/company.h"
#include "payroll/salary_grid.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include "platform/ui/modal.h"
#include "platform/ui/rowbind.h"
#include "platform/text/text.h"
#include <QHBoxLayout>
#include <QVBoxLayout>

Tfrm_gzll* frm_gzll = nullptr;

namespace {

void openMonth(const QString& sql, const QString& param, const QString& month)
{
    db::Query& q = Data1->gzt;
    q.close();
    q.setSql(sql);
    q.setParam(param, db::Value::text(month));
    q.open();
}

}

Tfrm_gzll::Tfrm_gzll(QWidget* owner) : ui::Form(owner)
{
    setObjectName(QStringLiteral("frm_gzll"));
    setWindowTitle(QStringLiteral("工资档案浏览"));

    ComboBox1 = new ui::ComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setMinimumWidth(160);
    BitBtn2 = new ui::Button(QStringLiteral("打印"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn1 = new ui::Button(QStringLiteral("退出"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    for (ui::Button* b : {BitBtn2, BitBtn1}) b->setMinimumWidth(80);

    DBGrid1 = new ui::DBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setQuery(&Data1->gzt);
    DBGrid1->setColumns(salaryGridColumns(64));

    auto* row = new QHBoxLayout;
    row->setContentsMargins(8, 8, 8, 8);
    row->setSpacing(12);
    row->addWidget(ComboBox1);
    row->addStretch(1);
    row->addWidget(BitBtn2);
    row->addWidget(BitBtn1);
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    top->addLayout(row);
    top->addWidget(DBGrid1, 1);
    setTabOrder(ComboBox1, BitBtn2);
    setTabOrder(BitBtn2, BitBtn1);
    setTabOrder(BitBtn1, DBGrid1);

    ComboBox1->onChange = [this] { ComboBox1Change(); };
    BitBtn2->onClick = [this] { BitBtn2Click(); };
    BitBtn1->onClick = [this] { close(); };

    resize(696, 477);
    ui::centerOnScreen(this);
}

void Tfrm_gzll::FormShow()
{
    ComboBox1->clearItems();
    ComboBox1->setText(QString());
    ui::addItemsFrom(ComboBox1, Data1->ADOpublic, QStringLiteral("select distinct gzyf from 工资表"), QStringLiteral("gzyf"));
    ui::runSelect(Data1->gzt, QStringLiteral("select * from 工资表"));
}

void Tfrm_gzll::ComboBox1Change()
{
    openMonth(QStringLiteral("select * from 工资表 where gzyf=:a"), QStringLiteral("a"), ComboBox1->text());
}

void Tfrm_gzll::BitBtn2Click()
{
    const QString month = text::trim(ComboBox1->text());
    // No month: whatever the grid shows.
    if (month.isEmpty()) return print(month);
    openMonth(QStringLiteral("select * from 工资表 where gzyf=:aaa"), QStringLiteral("aaa"), month);
    if (Data1->gzt.field(QStringLiteral("yfgz")).isNull()) {
        ui::info(QStringLiteral("该月工资没有结算，请结算后再打印"), this);
        return;
    }
    print(month);
}

void Tfrm_gzll::print(const QString& month)
{
    RvProject1.ProjectFile = report::programFolder() + QStringLiteral("gzt");
    RvProject1.setDataSet(&Data1->gzt);
    RvProject1.setParam(QStringLiteral("单位名称"), companyName(Data1->ADOpublic));
    RvProject1.setParam(QStringLiteral("月份"), month);
    RvProject1.Execute(this);
}
