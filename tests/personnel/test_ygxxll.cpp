// The employee browse: queries, delete, edit through the employee dialog, work cards.
#include "data/U_data.h"
#include "data/session.h"
#include "employees.h"
#include "print.h"
#include "personnel/U_xygdj.h"
#include "personnel/U_ygxxll.h"
#include "platform/image/image.h"
#include "platform/report/report.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QTreeWidget>

namespace {

class YgxxllTest : public hrtest::HrTest {
protected:
    void SetUp() override
    {
        HrTest::SetUp();
        hrtest::seedCompany(*db);
    }
    void TearDown() override
    {
        report::RvProject::executeHook = nullptr;
        HrTest::TearDown();
    }

    // Opens the browse as the menu does and drives it.
    void browse(const std::function<void(Tfrm_ygxill*)>& drive)
    {
        modal->onDialog = [&](QDialog* d) {
            auto* f = qobject_cast<Tfrm_ygxill*>(d);
            ASSERT_EQ(f, frm_ygxill);
            drive(f);
        };
        ui::openDialog(frm_ygxill, nullptr);
        modal->onDialog = nullptr;
        EXPECT_EQ(session().OpenMode, 0);
    }
    static QStringList names()
    {
        QStringList l;
        db::Query& q = Data1->ADOQuery1;
        for (int r = 0; r < q.recordCount(); ++r) l << q.value(r, q.fieldIndex("xm")).toText();
        return l;
    }
    static void query(Tfrm_ygxill* f, const QString& condition, const QString& value, bool prefix = false)
    {
        f->ComboBox1->setText(condition);
        f->Edit1->setText(value);
        (prefix ? f->BitBtn2 : f->BitBtn1)->click();
    }
};

}

TEST_F(YgxxllTest, ExactAndPrefixQueries)
{
    browse([&](Tfrm_ygxill* f) {
        EXPECT_EQ(names().size(), 5);
        EXPECT_EQ(f->TreeView1->topLevelItem(0)->childCount(), 3);

        query(f, "", "张三");
        query(f, "姓名", "");
        EXPECT_EQ(modal->texts(), (QStringList{"请设置查询条件", "请输入要查询的内容"}));
        EXPECT_EQ(names().size(), 5);

        query(f, "姓名", " 张三 ");
        EXPECT_EQ(names(), QStringList{"张三"});
        query(f, "编号", "mr010");   // resigned employees are found too
        EXPECT_EQ(names(), QStringList{"王五"});
        // A condition that is none of the six runs nothing, not even on the last column.
        modal->clear();
        query(f, "姓名 ", "mr001");
        query(f, "bh", "mr001", true);
        EXPECT_EQ(modal->texts(), (QStringList{"请设置查询条件", "请设置查询条件"}));
        EXPECT_EQ(names(), QStringList{"王五"});

        query(f, "编号", "mr00", true);
        EXPECT_EQ(names(), (QStringList{"张三", "李四", "李四二"}));
        query(f, "籍贯", "北", true);
        EXPECT_EQ(names().size(), 3);
        // Typed wildcards act as wildcards.
        query(f, "编号", "m%1", true);
        EXPECT_EQ(names(), (QStringList{"张三", "王五", "赵六"}));
        query(f, "编号", "mr0_1", true);
        EXPECT_EQ(names(), (QStringList{"张三", "赵六"}));

        // A quote is only a character of the value.
        for (const char* v : {"x' or '1'='1", "'; delete from 人事表; --"}) {
            query(f, "姓名", v);
            EXPECT_EQ(names().size(), 0);
            query(f, "文化程度", v, true);
            EXPECT_EQ(names().size(), 0);
        }
        EXPECT_EQ(db->count("人事表"), 5);
    });
}

TEST_F(YgxxllTest, DeleteAndModifyActOnTheRowShownOnly)
{
    browse([&](Tfrm_ygxill* f) {
        // Nothing listed: nothing asked, no employee dialog.
        query(f, "编号", "zz");
        Data1->ADOQuery1.close();
        for (int i = 0; i < 2; ++i) {
            f->BitBtn6->click();
            f->BitBtn5->click();
            query(f, "编号", "zz");
        }
        EXPECT_TRUE(modal->messages.isEmpty());
        EXPECT_EQ(modal->dialogsShown, QStringList{"Tfrm_ygxill"});

        query(f, "编号", "mr002");
        f->DBGrid1->clickRow(1);
        modal->answerNo();
        f->BitBtn6->click();
        EXPECT_EQ(db->count("人事表"), 5);
        modal->answerYes();
        f->BitBtn6->click();
        EXPECT_EQ(modal->texts(), (QStringList{"真的要删除吗？", "真的要删除吗？"}));
        EXPECT_EQ(modal->messages[0].icon, ui::Icon::Question);
        EXPECT_EQ(names(), QStringList{"李四"});
        EXPECT_EQ(db->rows("select xm from 人事表 where bh='mr002'"), QStringList{"李四"});
    });
    EXPECT_EQ(db->count("人事表"), 4);
}

TEST_F(YgxxllTest, ModifyRoundTripThroughTheEmployeeDialog)
{
    QImage im(40, 50, QImage::Format_RGB32);
    im.fill(QColor(30, 120, 200));
    QPainter(&im).fillRect(0, 0, 20, 10, Qt::red);
    const QByteArray photo = img::encodeBmp(im);
    // Dates stored without zeros; an 18-character identity number; a photo.
    db->exec("delete from 人事表");
    db->exec(QStringLiteral(
        "insert into 人事表 values ('mr007','王芳','女','110105198507230026','1999-09-09','汉族','已婚','群众',"
        "'上海','021-12345678','13800000000','wf@example.com','上海市','复旦大学','数学','本科','钢琴',"
        "'2008-7-1',6,X'%1','研发部','会计','主管','会计师','2010-01-02','简历',"
        "'2010-01-03','admin','是','2020-05-06',NULL,NULL),"
        "('mr008','钱七','男','','1970-01-01','','','','','','','','','','','','','2001-2-30',0,X'0102',"
        "'','','','','2001-02-03','','2001-02-03','','否',NULL,NULL,NULL)").arg(QString::fromLatin1(photo.toHex())));

    auto modify = [&](Tfrm_ygxill* f, int row, const std::function<void(Tfrm_xygdj*)>& edit) {
        f->DBGrid1->clickRow(row);
        modal->onDialog = [&](QDialog* d) {
            auto* e = qobject_cast<Tfrm_xygdj*>(d);
            ASSERT_TRUE(e);
            EXPECT_EQ(session().OpenMode, 1);
            edit(e);
            modal->answerYes();
            e->BitBtn5->click();
        };
        f->BitBtn5->click();
        EXPECT_EQ(session().OpenMode, 0);
    };
    browse([&](Tfrm_ygxill* f) {
        modify(f, 0, [&](Tfrm_xygdj* e) {
            EXPECT_EQ(e->windowTitle(), "员工信息修改");
            EXPECT_EQ(e->Edit1->text() + e->Edit2->text() + e->ComboBox4->text(), "mr007王芳研发部");
            EXPECT_EQ(e->MaskEdit3->text(), "1985-07-23");   // from the identity number
            EXPECT_EQ(e->MaskEdit5->text(), "2008-07-01");
            EXPECT_TRUE(e->hasPicture());
            e->Edit2->setText("王芳芳");
        });
        EXPECT_EQ(names(), QStringList({"王芳芳", "钱七"}));
        // A photo that does not decode, a join date that is no date: the copy goes on.
        modify(f, 1, [&](Tfrm_xygdj* e) {
            EXPECT_FALSE(e->hasPicture());
            EXPECT_EQ(e->Edit2->text(), "钱七");
            EXPECT_EQ(e->MaskEdit2->text(), "2001-02-03");
        });
    });
    EXPECT_EQ(modal->texts(), (QStringList{"确定要修改吗？", "修改成功", "确定要修改吗？", "修改成功"}));
    EXPECT_EQ(db->rows("select xm, csrq, cjgzsj, sflz, lzrq from 人事表"),
              (QStringList{"王芳芳|1985-07-23|2008-07-01|是|2020-05-06", "钱七|1970-01-01|2001-02-30|否|<null>"}));
    EXPECT_EQ(db->rows("select hex(zp) from 人事表"),
              (QStringList{QString::fromLatin1(photo.toHex().toUpper()), "0102"}));
    EXPECT_FALSE(Tfrm_xygdj::browseEditvalue);
}

TEST_F(YgxxllTest, WorkCardsOfTheListShown)
{
    QString project;
    QStringList handed;
    QHash<QString, QString> params;
    report::RvProject::executeHook = [&](const report::RvProject& p) {
        project = p.ProjectFile;
        params = p.params();
        db::Query* q = p.dataSet();
        handed.clear();
        for (q->first(); !q->eof(); q->next()) handed << q->fieldText("bh") + q->fieldText("xm");
    };
    browse([&](Tfrm_ygxill* f) {
        const auto items = f->TreeView1->findItems("研发部", Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(items.size(), 1);
        f->TreeView1->setCurrentItem(items[0]);
        f->TreeView1Click();
        f->BitBtn4->click();
    });
    EXPECT_EQ(handed, (QStringList{"mr001张三", "mr002李四二", "mr010王五"}));
    EXPECT_EQ(project, report::programFolder() + "gzz");
    EXPECT_EQ(params.value("单位名称"), "澄岚公司");
    EXPECT_TRUE(modal->messages.isEmpty());
}
