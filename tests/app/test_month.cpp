// One company's month from the main window: what each dialog leaves behind is
// what the next one reads.
#include "app/U_login.h"
#include "app/U_main.h"
#include "data/U_data.h"
#include "harness.h"
#include "payroll/U_gzb.h"
#include "payroll/U_gzda.h"
#include "payroll/U_gzsz.h"
#include "personnel/U_khgl.h"
#include "personnel/U_ygdd.h"
#include "personnel/U_xygdj.h"
#include "personnel/U_yp.h"
#include "personnel/U_ypll.h"
#include "personnel/U_yglz.h"
#include "personnel/U_ygxxll.h"
#include "platform/report/preview.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include "print.h"
#include "settings/U_bmxx.h"
#include <QCheckBox>
#include <QProcess>
#include <QTreeWidget>

namespace {

void setTexts(const QList<std::pair<QWidget*, QString>>& inputs)
{
    for (const auto& [w, text] : inputs) ui::setControlText(w, text);
}

class MonthTest : public hrtest::HrTest {
protected:
    void SetUp() override
    {
        HrTest::SetUp();
        clearTaskOpeners();
        registerTaskDialogs();
        Tfrm_Login::resetSession();
        resetApplicationEnding();
        db->exec("insert into 操作员信息表 values ('admin', 'admin'); insert into 单位信息表 (单位名称) values ('澄岚公司');"
                 "insert into 部门表 values ('001', '研发部'), ('002', '财务部');"
                 "insert into 个人所得税税率表 values (1, 0, 3000, 0.05), (2, 3000, 100000, 0.1);"
                 "insert into 考勤表 values (300, 22, 3, 20, 2);"
                 "insert into 人事表 (bh, xm, ssbm, sflz) values ('mr001', '张三', '研发部', '否'),"
                 "('mr002', '李四', '研发部', '否'), ('mr003', '王五', '财务部', '否')");
        main = std::make_unique<Tfrm_main>();
        modal->onDialog = [](QDialog* d) {
            auto* l = static_cast<Tfrm_Login*>(d);
            l->Edit1->setText("admin");
            l->Edit2->setText("admin");
            l->SpeedButton1->click();
        };
        main->show();
        QApplication::processEvents();
        modal->onDialog = nullptr;
    }
    void TearDown() override
    {
        main.reset();
        clearTaskOpeners();
        HrTest::TearDown();
    }
    // A menu item; the dialog it opens goes to `steps` as its own class.
    template <class T>
    void run(const char* item, const std::function<void(T&)>& steps)
    {
        modal->clear();
        modal->onDialog = [&](QDialog* d) {
            auto* t = qobject_cast<T*>(d);
            ASSERT_NE(t, nullptr) << item;
            steps(*t);
        };
        main->runMenuItem(QString::fromLatin1(item));
        modal->onDialog = nullptr;
    }
    std::unique_ptr<Tfrm_main> main;
};

}

TEST_F(MonthTest, AMonthFromTheMenusWithARenamedDepartmentAResignationADeleteAndARestore)
{
    // The department renamed: employees keep the name they hold.
    run<Tfrm_bmxx>("N14", [&](Tfrm_bmxx& d) {
        d.DBGrid1->clickRow(0);
        d.SpeedButton2->click();
        d.Edit2->setText("技术部");
        d.SpeedButton4->click();
    });
    EXPECT_EQ(modal->texts(), QStringList{"修改成功"});
    EXPECT_EQ(db->rows("select * from 部门表"), (QStringList{"001|技术部", "002|财务部"}));
    EXPECT_EQ(db->scalar("select count(*) from 人事表 where ssbm = '研发部'"), "2");

    // 李四 transferred into the renamed department, which the transfer offers.
    run<Tfrm_ygdd>("N28", [&](Tfrm_ygdd& d) {
        EXPECT_EQ(d.ComboBox1->items(), (QStringList{"技术部", "财务部"}));
        d.DBGrid1->clickRow(1);
        ASSERT_EQ(d.Edit2->text(), "李四");
        d.BitBtn3->click();
        d.ComboBox1->setText("技术部");
        d.BitBtn2->click();
    });
    EXPECT_EQ(modal->texts(), QStringList{"修改成功"});
    EXPECT_EQ(db->rows("select bh, ssbm from 人事表"), (QStringList{"mr001|研发部", "mr002|技术部", "mr003|财务部"}));

    // The month's assessments and the templates, typed into their dialogs.
    run<Tfrm_khgl>("N36", [&](Tfrm_khgl& d) {
        for (const char* bh : {"mr001", "mr002", "mr003"}) {
            d.ComboBox1->setText(bh);
            setTexts({{d.Edit1, "22"}, {d.Edit3, "0"}, {d.Edit4, "0"}, {d.Edit5, "0"}, {d.Edit6, "10"},
                      {d.Edit9, "2026-11"}});
            d.SpeedButton4->click();
        }
    });
    EXPECT_EQ(modal->texts(), (QStringList{"保存成功", "保存成功", "保存成功"}));
    run<Tfrm_gzsz>("N24", [&](Tfrm_gzsz& d) {
        for (const auto& [bh, pay] : {std::pair{"mr001", "2000"}, {"mr002", "4000"}, {"mr003", "9000"}}) {
            d.ComboBox1->setText(bh);
            d.ComboBox1Change();
            setTexts({{d.Edit1, pay}, {d.Edit2, "200"}, {d.Edit3, "300"}, {d.Edit4, "0.08"}, {d.Edit5, "0.02"},
                      {d.Edit6, "0.01"}});
            d.BitBtn1->click();
        }
    });
    EXPECT_EQ(modal->texts(), (QStringList{"保存成功", "保存成功", "保存成功"}));
    EXPECT_EQ(db->rows("select 员工编号, 员工姓名, 扣税级别 from 工资模板"),
              (QStringList{"mr001|张三|1", "mr002|李四|2", "mr003|王五|2"}));

    // 王五 resigns after his assessment, and his record is then deleted.
    run<Tfrm_yglz>("N29", [&](Tfrm_yglz& d) {
        const auto node = d.TreeView1->findItems("财务部", Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(node.size(), 1);
        d.TreeView1->setCurrentItem(node[0]);
        emit d.TreeView1->itemClicked(node[0], 0);
        ASSERT_EQ(d.Edit2->text(), "王五");
        modal->answerYes();
        d.SpeedButton4->click();
    });
    EXPECT_EQ(db->scalar("select sflz from 人事表 where bh = 'mr003'"), "是");
    run<Tfrm_ygxill>("N26", [&](Tfrm_ygxill& d) {
        d.DBGrid1->clickRow(2);
        ASSERT_EQ(Data1->ADOQuery1.fieldText("bh"), "mr003");
        modal->answerYes();
        d.BitBtn6->click();
    });
    EXPECT_EQ(db->count("人事表"), 2);

    // An applicant hired: never 王五's number, whose template would pay him.
    db->exec("insert into 应聘信息表 values ('yp001','赵六','女','1990-03-04','汉族','010-3','zl@a.cn','广州','中大',"
             "'化学','本科','跑步','电影','SQL','2010 入职')");
    modal->clear();
    modal->onDialog = [&](QDialog* d) {
        if (auto* b = qobject_cast<Tfrm_ypll*>(d)) {
            b->DBGrid1->clickRow(0);
            b->BitBtn1->click();
        } else if (auto* a = qobject_cast<Tfrm_yp*>(d)) {
            a->BitBtn7->click();
        } else if (auto* x = qobject_cast<Tfrm_xygdj*>(d)) {
            EXPECT_EQ(x->Edit1->text(), "mr004");
            for (ui::ComboBox* c : {x->ComboBox7, x->ComboBox2, x->ComboBox3, x->ComboBox4, x->ComboBox5, x->ComboBox6})
                c->setText("技术部");
            for (ui::Edit* e : {x->Edit9, x->Edit5, x->Edit12, x->Edit16, x->Edit10}) e->setText("1");
            x->BitBtn1->click();
        }
    };
    main->runMenuItem("N33");
    modal->onDialog = nullptr;
    EXPECT_EQ(modal->texts(), QStringList{"保存成功！"});
    EXPECT_EQ(db->rows("select bh, xm, ssbm from 人事表"), (QStringList{"mr001|张三|研发部", "mr002|李四|技术部", "mr004|赵六|技术部"}));
    EXPECT_EQ(db->count("应聘信息表"), 0);

    // Generated and settled: the resigned and deleted 王五 is paid for his month.
    run<Tfrm_gzb>("N25", [&](Tfrm_gzb& d) {
        EXPECT_EQ(d.ComboBox1->items(), QStringList{"2026-11"});
        d.ComboBox1->setText("2026-11");
        d.Button3->click();
        // 李四's bonus, added to his row before the month is settled.
        d.DBGrid1->clickRow(1);
        d.CheckBox1->setChecked(true);
        setTexts({{d.Edit2, "100"}, {d.Edit3, "奖金"}});
        d.BitBtn1->click();
        modal->answerYes();
        d.Button1->click();
    });
    EXPECT_EQ(modal->texts(), (QStringList{"确定没有其它金额或扣额吗？", "结算完毕"}));
    // 张三: 2000 + 250 + 200 + 300 = 2750 gross; 160 + 40 + 20 + 100 = 320 deducted.
    const QStringList settled = db->rows("select ygbh, ygxm, yfgz, ykgz, sfgz from 工资表 where gzyf = '2026-11'");
    EXPECT_EQ(settled, (QStringList{"mr001|张三|2750|320|2430", "mr002|李四|5100|840|4260", "mr003|王五|10625|1890|8735"}));

    // A template changed afterwards leaves the settled month as it was.
    db->exec("update 工资模板 set 基本工资 = 1 where 员工编号 = 'mr001'");

    // The browse prints the settled month to a PDF file.
    const QString pdf = db->dir() + "/工资.pdf";
    modal->clear();
    modal->files << pdf;
    modal->onDialog = [&](QDialog* d) {
        if (auto* b = qobject_cast<Tfrm_gzll*>(d)) {
            b->ComboBox1->setText("2026-11");
            b->BitBtn2->click();
        } else if (auto* preview = qobject_cast<report::PreviewDialog*>(d)) {
            preview->exportPdf();
        }
    };
    main->runMenuItem("N32");
    modal->onDialog = nullptr;
    EXPECT_TRUE(modal->messages.isEmpty()) << modal->lastText().toStdString();
    QProcess text;
    text.start("pdftotext", {"-layout", pdf, "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString printed = QString::fromUtf8(text.readAllStandardOutput());
    for (const char* s : {"澄岚公司 2026-11 工资表", "张三", "李四", "王五", "奖金", "2430", "4260", "8735", "15425"})
        EXPECT_TRUE(printed.contains(QString::fromUtf8(s))) << s << "\n" << printed.toStdString();

    // A backup, the month cancelled, then the restore brings it back whole.
    const QString bak = db->dir() + "/月末.bak";
    modal->files << bak;
    main->runMenuItem("N50");
    EXPECT_EQ(modal->texts(), QStringList{"数据备份成功"});
    run<Tfrm_gzb>("N25", [&](Tfrm_gzb& d) {
        d.ComboBox1->setText("2026-11");
        d.Button2->click();
    });
    EXPECT_EQ(db->count("工资表"), 0);
    modal->files << bak;
    main->runMenuItem("N39");
    EXPECT_EQ(modal->texts(), QStringList{"恢复成功"});
    EXPECT_EQ(db->rows("select ygbh, ygxm, yfgz, ykgz, sfgz from 工资表 where gzyf = '2026-11'"), settled);
    run<Tfrm_gzb>("N25", [&](Tfrm_gzb& d) {
        EXPECT_EQ(Data1->ADOQYgzb.recordCount(), 3);
        d.ComboBox1->setText("2026-11");
        modal->answerYes();
        d.Button1->click();
    });
    EXPECT_EQ(modal->lastText(), "该月工资已结算，请不要重复结算");
}
