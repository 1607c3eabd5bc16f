// The salary browse: months, and what the salary report is handed.
#include "data/U_data.h"
#include "harness.h"
#include "print.h"
#include "payroll/U_gzda.h"
#include "platform/report/report.h"
#include "platform/ui/controls.h"
#include <QScopeGuard>

using GzdaTest = hrtest::HrTest;

TEST_F(GzdaTest, MonthsGridAndPrint)
{
    db->exec("insert into 单位信息表 (单位名称) values ('澄岚公司')");
    // 2024-01 settled on its first row only, 2024-02 not settled.
    db->exec("insert into 工资表 (gzyf, ygbh, yfgz) values ('2024-01','mr001',3000),('2024-02','mr001',NULL),"
             "('2024-01','mr002',NULL),('2024-02','mr002',2500)");
    QList<QStringList> printed;
    report::RvProject::executeHook = [&](const report::RvProject& p) {
        QStringList rows;
        db::Query* q = p.dataSet();
        for (q->first(); !q->eof(); q->next()) rows << q->fieldText("gzyf") + " " + q->fieldText("ygbh");
        printed << QStringList{p.ProjectFile, p.params().value("单位名称"), p.params().value("月份")} + rows;
    };
    const auto unhook = qScopeGuard([] { report::RvProject::executeHook = nullptr; });
    const QString project = report::programFolder() + "gzt";
    modal->onDialog = [&](QDialog*) {
        Tfrm_gzll& f = *frm_gzll;
        db::Query& q = Data1->gzt;
        EXPECT_EQ(f.ComboBox1->items(), (QStringList{"2024-01", "2024-02"}));
        EXPECT_EQ(q.recordCount(), 4);

        // Right after opening, with no month: every row, settled or not.
        f.BitBtn2->click();
        ASSERT_EQ(printed.size(), 1);
        EXPECT_EQ(printed[0], (QStringList{project, "澄岚公司", "", "2024-01 mr001", "2024-02 mr001",
                                           "2024-01 mr002", "2024-02 mr002"}));

        // Typed months list as typed; 打印 trims and prints the settled month whole.
        hrtest::typeText(f.ComboBox1, " 2024-01");
        EXPECT_EQ(q.recordCount(), 0);
        f.BitBtn2->click();
        ASSERT_EQ(printed.size(), 2);
        EXPECT_EQ(printed[1], (QStringList{project, "澄岚公司", "2024-01", "2024-01 mr001", "2024-01 mr002"}));
        EXPECT_EQ(q.recordCount(), 2);

        // Not settled, or no such month: the message and no report.
        for (const char* m : {"2024-02", "2099-01"}) {
            f.ComboBox1->setText(m);
            f.BitBtn2->click();
        }
        EXPECT_EQ(printed.size(), 2);
        EXPECT_EQ(q.recordCount(), 0);
    };
    ui::openDialog(frm_gzll, nullptr);
    EXPECT_EQ(modal->texts(), (QStringList{"该月工资没有结算，请结算后再打印", "该月工资没有结算，请结算后再打印"}));
    EXPECT_EQ(modal->messages[0].icon, ui::Icon::Information);
}
