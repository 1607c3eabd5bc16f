// The employee dialog opened by the employee browse (OpenMode 1) and by the
// applicant dialog to hire (OpenMode 2), with stand-ins for those callers.
#include "xygdj_fixture.h"
#include <QDate>

namespace {

class XygdjModesTest : public XygdjTest {
protected:
    void SetUp() override
    {
        XygdjTest::SetUp();
        // What the browse's editvalue does: its current row into the inputs, in its order, then the photo.
        Tfrm_xygdj::browseEditvalue = [this] {
            ++editvalueCalls;
            Tfrm_xygdj* f = frm_xygdj;
            ui::showCurrentRow(Data1->ADOQuery1,
                {{"bh", f->Edit1}, {"xm", f->Edit2}, {"xb", f->ComboBox8}, {"mz", f->ComboBox1}, {"csrq", f->MaskEdit3},
                 {"hyzk", f->ComboBox7}, {"whcd", f->ComboBox9}, {"zzmm", f->ComboBox2}, {"byyx", f->Edit6},
                 {"zy", f->Edit7}, {"tc", f->Edit8}, {"dzyx", f->Edit13}, {"lxdh", f->MaskEdit4}, {"sjhm", f->Edit9},
                 {"jg", f->Edit5}, {"sfzh", f->Edit10}, {"jtdz", f->Edit12}, {"cjgzsj", f->MaskEdit5},
                 {"gz", f->ComboBox3}, {"gl", f->Edit15}, {"ssbm", f->ComboBox4}, {"zw", f->ComboBox5},
                 {"zc", f->ComboBox6}, {"djrq", f->MaskEdit2}, {"djr", f->Edit16}, {"drsj", f->MaskEdit1},
                 {"jl", f->Memo1}});
            f->loadStoredPhoto(Data1->ADOQuery1.field(QStringLiteral("zp")));
        };
    }

    // A resigned employee, so the columns 修改 leaves alone hold values; the browse lists it.
    void seedEmployee(const QByteArray& zp)
    {
        db->exec(QStringLiteral(
            "insert into 人事表 values ('mr007','王芳','女','110105198507230026','1999-09-09','汉族','已婚','群众',"
            "'上海','    -        ','13800000000','wf@example.com','上海市','复旦大学','数学','本科','钢琴',"
            "'2008-07-01',6,X'%1','研发部','会计','主管','会计师','2010-01-02','  简历一\n',"
            "'2010-01-03','admin','是','2020-05-06',NULL,NULL)").arg(QString::fromLatin1(zp.toHex())));
        ui::runSelect(Data1->ADOQuery1, QStringLiteral("select * from 人事表"));
    }
    QStringList employeeRows() { return db->rows(QStringLiteral("select * from 人事表")); }

    int editvalueCalls = 0;
};

const ApplicantInputs kApplicant{" 赵六", "男", "回族", "大专", "1990-02-03", "zl@example.com", "清华大学", "物理", "跑步"};

}

TEST_F(XygdjModesTest, EditLoadsTheBrowseRowAndModifyWritesItBack)
{
    const QImage photo = picture(30, 40);
    seedEmployee(img::encodeBmp(photo));
    const bool closed = openDialog(1, [&](Tfrm_xygdj* f) {
        EXPECT_EQ(f->windowTitle(), QStringLiteral("员工信息修改"));
        EXPECT_FALSE(f->BitBtn1->isVisible());
        EXPECT_TRUE(f->BitBtn6->isVisible() && !f->BitBtn6->isEnabled());
        EXPECT_TRUE(f->BitBtn2->x() < f->BitBtn6->x() && f->BitBtn6->x() < f->BitBtn5->x());   // 保存's place
        EXPECT_FALSE(f->BitBtn2->isEnabled() || f->BitBtn4->isEnabled());
        EXPECT_EQ(f->ComboBox4->text(), QStringLiteral("研发部"));
        EXPECT_EQ(f->ComboBox4->items(), QStringList{"研发部"});
        // The 18-character number replaced the loaded birth date; show set no dates.
        EXPECT_EQ(f->MaskEdit3->text() + f->MaskEdit1->text(), QStringLiteral("1985-07-232010-01-02"));
        EXPECT_EQ(rgb(f->picture()), rgb(photo));
        // Enter in an input only moves on (保存 is hidden); 简历 leads to 修改.
        f->Edit2->setFocus();
        hrtest::pressKey(f->Edit2, Qt::Key_Return);
        EXPECT_EQ(QApplication::focusWidget(), f->ComboBox8);
        f->Memo1->setFocus();
        hrtest::pressKey(f->Memo1, Qt::Key_Return);
        EXPECT_EQ(QApplication::focusWidget(), f->BitBtn5);

        f->Edit2->setText(QStringLiteral("  王小芳 "));
        f->Edit15->setText(QStringLiteral(" 7 "));
        f->Memo1->setText(QStringLiteral("\n  简历二  \n"));
        modal->answerNo();
        f->BitBtn5->click();
        EXPECT_TRUE(f->isVisible());
        EXPECT_EQ(employeeRows().value(0).section(QLatin1Char('|'), 1, 1), QStringLiteral("王芳"));
        modal->answerYes();
        f->BitBtn5->click();
    });
    EXPECT_TRUE(closed);
    EXPECT_EQ(editvalueCalls, 1);
    EXPECT_EQ(frm_main->OpenMode, 0);
    EXPECT_EQ(modal->texts(), (QStringList{"确定要修改吗？", "确定要修改吗？", "修改成功"}));
    EXPECT_EQ(modal->messages[0].icon, ui::Icon::Question);
    EXPECT_EQ(modal->messages[0].buttons, ui::Buttons::YesNo);
    // Trimmed texts (联系电话 too); 在职 state, resignation and the photo untouched.
    EXPECT_EQ(employeeRows(), QStringList{
        "mr007|王小芳|女|110105198507230026|1985-07-23|汉族|已婚|群众|上海|-|13800000000|wf@example.com|上海市|"
        "复旦大学|数学|本科|钢琴|2008-07-01|7|<blob " + QString::number(img::encodeBmp(photo).size()) +
        ">|研发部|会计|主管|会计师|2010-01-02|简历二|2010-01-03|admin|是|2020-05-06|<null>|<null>"});
    EXPECT_EQ(storedPhoto(QStringLiteral("mr007")), img::encodeBmp(photo));
    EXPECT_EQ(Data1->ADOQuery1.fieldText(QStringLiteral("xm")), QStringLiteral("王小芳"));   // the browse's grid
}

TEST_F(XygdjModesTest, ModifyKeepsAnUnreadablePhotoOrStoresANewOne)
{
    const QByteArray odd("BM not a bitmap");
    seedEmployee(odd);
    openDialog(1, [&](Tfrm_xygdj* f) {
        EXPECT_FALSE(f->hasPicture());
        modal->answerYes();
        f->BitBtn5->click();
    });
    EXPECT_EQ(storedPhoto(QStringLiteral("mr007")), odd);

    const QString jpg = db->dir() + QStringLiteral("/new.jpg");
    ASSERT_TRUE(picture(25, 35).save(jpg, "JPG", 90));
    modal->files << jpg;
    openDialog(1, [&](Tfrm_xygdj* f) {
        f->Button1->click();
        modal->answerYes();
        f->BitBtn5->click();
    });
    EXPECT_EQ(rgb(img::decodeBmp(storedPhoto(QStringLiteral("mr007")))), rgb(img::loadPicture(jpg)));
    EXPECT_EQ(modal->texts(), (QStringList{"确定要修改吗？", "修改成功", "确定要修改吗？", "修改成功"}));
}

TEST_F(XygdjModesTest, ModifyWithoutAnUpdatableRowStoresNothing)
{
    auto modify = [&](const std::function<void(Tfrm_xygdj*)>& before) {
        modal->clear();
        EXPECT_TRUE(openDialog(1, [&](Tfrm_xygdj* f) {
            before(f);
            modal->answerYes();
            f->BitBtn5->click();
        }));
        EXPECT_EQ(modal->lastText(), QStringLiteral("修改失败"));
        EXPECT_EQ(modal->messages.last().icon, ui::Icon::Information);
    };
    // The browse's list is empty, or was never opened: no row is appended.
    ui::runSelect(Data1->ADOQuery1, QStringLiteral("select * from 人事表"));
    modify([](Tfrm_xygdj* f) { f->Edit2->setText(QStringLiteral("无名")); });
    Data1->ADOQuery1.close();
    modify([](Tfrm_xygdj* f) { f->Edit2->setText(QStringLiteral("无名")); });
    EXPECT_EQ(editvalueCalls, 0);
    EXPECT_EQ(db->count(QStringLiteral("人事表")), 0);

    // A value the column refuses: the row and the browse's query as they were.
    seedEmployee(QByteArray());
    const QStringList before = employeeRows();
    modify([](Tfrm_xygdj* f) { f->Edit15->setText(QStringLiteral("七")); });
    EXPECT_EQ(employeeRows(), before);
    EXPECT_EQ(Data1->ADOQuery1.state(), db::Query::State::Browse);
    // The row went away underneath: nothing to update, nothing appended.
    ui::runSelect(Data1->ADOQuery1, QStringLiteral("select * from 人事表"));
    modify([&](Tfrm_xygdj*) { db->exec(QStringLiteral("delete from 人事表")); });
    EXPECT_EQ(db->count(QStringLiteral("人事表")), 0);
}

TEST_F(XygdjModesTest, HireCopiesTheApplicantAndDeletesItOnlyAfterASave)
{
    db->exec(QStringLiteral("insert into 人事表 (bh) values ('mr004')"));
    Tfrm_xygdj::applicantInputs = [] { return kApplicant; };
    QList<QObject*> senders;
    QStringList messagesAtDelete;
    Tfrm_xygdj::applicantDelete = [&](QObject* sender) {
        senders << sender;
        messagesAtDelete = modal->texts();
    };
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    QObject* save = nullptr;
    EXPECT_TRUE(openDialog(2, [&](Tfrm_xygdj* f) {
        EXPECT_EQ(f->windowTitle(), QStringLiteral("新员工登记"));
        const QStringList shown = {f->Edit1->text(), f->Edit2->text(), f->ComboBox8->text(), f->ComboBox1->text(),
                                   f->ComboBox9->text(), f->MaskEdit3->text(), f->Edit13->text(), f->Edit6->text(),
                                   f->Edit7->text(), f->Edit8->text(), f->MaskEdit2->text(), f->MaskEdit5->text(),
                                   f->MaskEdit1->text()};
        EXPECT_EQ(shown, (QStringList{"mr005", " 赵六", "男", "回族", "大专", "1990-02-03", "zl@example.com",
                                      "清华大学", "物理", "跑步", today, today, "1975-01-01"}));
        EXPECT_TRUE(f->BitBtn2->isEnabled() && !f->BitBtn5->isEnabled());
        for (ui::ComboBox* c : {f->ComboBox7, f->ComboBox2, f->ComboBox3, f->ComboBox4, f->ComboBox5, f->ComboBox6})
            c->setText(QStringLiteral("x"));
        for (ui::Edit* e : {f->Edit9, f->Edit5, f->Edit12, f->Edit16}) e->setText(QStringLiteral("y"));
        f->Edit10->setText(QStringLiteral("120101199104050011"));   // replaces the applicant's birth date
        save = f->BitBtn1;
        f->BitBtn1->click();
    }));
    EXPECT_EQ(senders, QList<QObject*>{save});
    EXPECT_EQ(messagesAtDelete, QStringList{"保存成功！"});
    EXPECT_EQ(db->rows(QStringLiteral("select xm, csrq, drsj, sflz from 人事表 where bh='mr005'")),
              QStringList{"赵六|1991-04-05|1975-01-01|否"});

    // A failed insert, or leaving by 退出, keeps the applicant.
    senders.clear();
    modal->clear();
    openDialog(2, [&](Tfrm_xygdj* f) {
        fillAll(f);
        f->MaskEdit3->setText(QStringLiteral("1990-02-30"));
        f->BitBtn1->click();
    });
    openDialog(2, [&](Tfrm_xygdj* f) { f->BitBtn3->click(); });
    EXPECT_TRUE(senders.isEmpty());
    EXPECT_EQ(modal->texts(), QStringList{"系统出错！"});
    EXPECT_EQ(db->count(QStringLiteral("人事表")), 2);
    EXPECT_EQ(frm_main->OpenMode, 0);
}
