// Applicants: registration, the browse, 修改, 删除 and the hire through the employee dialog.
#include "employees.h"
#include "personnel/U_xygdj.h"
#include "personnel/U_yp.h"
#include "personnel/U_ypll.h"

namespace {

class YpTest : public hrtest::HrTest {
protected:
    void SetUp() override
    {
        HrTest::SetUp();
        db->exec("insert into 民族表 values ('汉族'),('回族'); insert into 文化程度表 values ('本科'),('硕士');");
    }
    // The applicant dialog alone: OpenMode 0 registers, 1 shows the current row of Data1->yp.
    template <class... F>
    void applicant(int mode, F... drivers)
    {
        session().OpenMode = mode;
        hrtest::openDialog(*modal, frm_yp, drivers...);
    }
    // The browse, its row `row` opened with 浏览.
    template <class... F>
    void fromBrowse(int row, F... drivers)
    {
        auto browse = [row](Tfrm_ypll* b) {
            b->DBGrid1->clickRow(row);
            b->BitBtn1->click();
        };
        hrtest::openDialog(*modal, frm_ypll, browse, drivers...);
    }

    // Four applicants, the second and third with the same number and values.
    void seed()
    {
        db->exec("insert into 应聘信息表 values "
                 "('yp001','张三','男','1980-05-12','汉族','010-1','zs@a.cn','北京','北大','数学','本科','围棋','读书','C++','2000 入职'),"
                 "('yp002','李四','女','1985-01-02','回族','010-2','ls@a.cn','上海','复旦','物理','硕士','钢琴','旅游','Qt','2005 入职'),"
                 "('yp002','李四','女','1985-01-02','回族','010-2','ls@a.cn','上海','复旦','物理','硕士','钢琴','旅游','Qt','2005 入职'),"
                 "('yp003','王五','男','1990-03-04','汉族','010-3','ww@a.cn','广州','中大','化学','本科','跑步','电影','SQL','2010 入职')");
    }
    QStringList rowids() { return db->rows("select rowid from 应聘信息表 order by rowid"); }
};

}

TEST_F(YpTest, KeyboardRegistrationStoresEveryColumnTrimmed)
{
    applicant(0, [&](Tfrm_yp* f) {
        EXPECT_EQ(f->MaskEdit1->text(), QDate::currentDate().toString("yyyy-MM-dd"));
        EXPECT_EQ(f->ComboBox1->items(), (QStringList{"汉族", "回族"}));
        f->BitBtn1->setFocus();
        hrtest::pressKey(f->BitBtn1, Qt::Key_Return);
        f->Edit1->setFocus();
        hrtest::pressKey(f->Edit1, Qt::Key_Return);
        const std::pair<QWidget*, QString> typed[] = {
            {f->Edit2, "  张三 "}, {f->ComboBox2, "男"}, {f->ComboBox1, "汉族"}, {f->MaskEdit1, "19800512"},
            {f->Edit6, "010-1"}, {f->Edit7, "zs@a.cn"}, {f->Edit8, "围棋"}, {f->Edit9, "读书"}, {f->Edit10, "北京"},
            {f->Edit11, "北大"}, {f->Edit12, "数学"}, {f->ComboBox3, "本科"}, {f->Memo1, "C++ "}};
        for (const auto& [w, text] : typed) {
            ASSERT_EQ(QApplication::focusWidget(), w) << w->objectName().toStdString();
            if (w == f->MaskEdit1) f->MaskEdit1->setCursorPosition(0);
            hrtest::typeText(w, text);
            hrtest::pressKey(w, w == f->Memo1 ? Qt::Key_Down : Qt::Key_Return);
        }
        ASSERT_EQ(QApplication::focusWidget(), f->Memo2);
        hrtest::typeText(f->Memo2, "2000 入职");
        hrtest::pressKey(f->Memo2, Qt::Key_Return);   // a new line, no move
        hrtest::pressKey(f->Memo2, Qt::Key_Down);
        ASSERT_EQ(QApplication::focusWidget(), f->BitBtn2);
        hrtest::pressKey(f->BitBtn2, Qt::Key_Return);
        EXPECT_FALSE(f->isVisible());
    });
    EXPECT_EQ(modal->texts(), QStringList{"保存成功"});
    EXPECT_EQ(db->rows("select * from 应聘信息表"),
              QStringList{"yp001|张三|男|1980-05-12|汉族|010-1|zs@a.cn|北京|北大|数学|本科|围棋|读书|C++|2000 入职"});
}

TEST_F(YpTest, NumbersPastYp999AndSaveEnabledExactlyWhileTheTwelveInputsHaveText)
{
    // The numbering rule is the employees' (test_xygdj); here its prefix, table and column.
    db->exec("insert into 应聘信息表 (编号) values ('yp009'),('yp999'),('yp1000'),('yp12x'),('YP5000')");
    applicant(0, [&](Tfrm_yp* f) {
        f->BitBtn1->click();
        EXPECT_EQ(f->Edit1->text(), "yp1001");
        const QList<QWidget*> texts = {f->Edit1, f->Edit2, f->Memo1, f->Edit6, f->Edit7,
                                       f->Edit8, f->Edit9, f->Edit10, f->Edit11, f->Edit12};
        for (QWidget* w : texts) ui::setControlText(w, "x");
        // The operator's 性别 and 民族 count at once; 文化程度, 出生日期, 工作经历 play no part.
        hrtest::typeText(f->ComboBox2, "男");
        EXPECT_FALSE(f->BitBtn2->isEnabled());
        hrtest::typeText(f->ComboBox1, "汉");
        EXPECT_TRUE(f->BitBtn2->isEnabled());
        for (QWidget* w : texts) {
            ui::setControlText(w, "");
            EXPECT_FALSE(f->BitBtn2->isEnabled()) << w->objectName().toStdString();
            ui::setControlText(w, " ");   // a blank counts
            EXPECT_TRUE(f->BitBtn2->isEnabled()) << w->objectName().toStdString();
        }
        hrtest::pressKey(f->ComboBox2, Qt::Key_Backspace);
        EXPECT_FALSE(f->BitBtn2->isEnabled());
        hrtest::typeText(f->ComboBox2, "女");
        // 工作经历 leads to 保存 while it is enabled; 取消 disables it again.
        f->Memo2->setFocus();
        hrtest::pressKey(f->Memo2, Qt::Key_Down);
        EXPECT_EQ(QApplication::focusWidget(), f->BitBtn2);
        f->BitBtn4->click();
        EXPECT_FALSE(f->BitBtn2->isEnabled());
        f->BitBtn2->click();
    });
    EXPECT_EQ(db->count("应聘信息表"), 5);
    EXPECT_TRUE(modal->messages.isEmpty());

    // The number proposed is taken meanwhile by another copy of the program:
    // no second yp1001, and the inputs stay for the next number.
    applicant(0, [&](Tfrm_yp* f) {
        f->BitBtn1->click();
        for (QWidget* w : QList<QWidget*>{f->Edit2, f->Memo1, f->Edit6, f->Edit7, f->Edit8, f->Edit9, f->Edit10, f->Edit11, f->Edit12})
            ui::setControlText(w, "x");
        hrtest::typeText(f->ComboBox2, "男");
        hrtest::typeText(f->ComboBox1, "汉");
        db->exec("insert into 应聘信息表 (编号, 姓名) values ('yp1001', '别人')");
        f->BitBtn2->click();
        EXPECT_TRUE(f->isVisible());
        EXPECT_EQ(f->Edit2->text(), "x");
        f->BitBtn1->click();
        f->BitBtn2->click();
    });
    EXPECT_EQ(modal->texts(), (QStringList{"编号yp1001已经存在，应聘信息没有保存，请重新添加！", "保存成功"}));
    EXPECT_EQ(db->rows("select 编号, 姓名 from 应聘信息表 where 编号 in ('yp1001', 'yp1002')"),
              (QStringList{"yp1001|别人", "yp1002|x"}));
}

TEST_F(YpTest, ABirthDateThatDoesNotExistIsRefusedAndTheInputsStay)
{
    // Registering: refused when the input is left and again at 保存; nothing written, the dialog open.
    applicant(0, [&](Tfrm_yp* f) {
        f->BitBtn1->click();
        for (QWidget* w : QList<QWidget*>{f->Edit2, f->Memo1, f->Edit6, f->Edit7, f->Edit8, f->Edit9, f->Edit10,
                                          f->Edit11, f->Edit12})
            ui::setControlText(w, "x");
        hrtest::typeText(f->ComboBox2, "男");
        hrtest::typeText(f->ComboBox1, "汉");
        f->MaskEdit1->setFocus();
        f->MaskEdit1->setCursorPosition(0);
        hrtest::typeText(f->MaskEdit1, "19990229");
        hrtest::pressKey(f->MaskEdit1, Qt::Key_Return);
        QApplication::processEvents();
        EXPECT_EQ(QApplication::focusWidget(), f->MaskEdit1);
        f->BitBtn2->click();
        EXPECT_TRUE(f->isVisible());
        EXPECT_EQ(QApplication::focusWidget(), f->MaskEdit1);
        EXPECT_EQ(f->MaskEdit1->text() + f->Edit1->text() + f->Edit2->text(), "1999-02-29yp001x");
    });
    EXPECT_EQ(modal->texts(), (QStringList{"出生日期必须是有效的日期", "出生日期必须是有效的日期"}));
    EXPECT_EQ(db->count("应聘信息表"), 0);

    // Modifying a stored applicant: the row and the browse's list as they were.
    seed();
    const QStringList rows = db->rows("select * from 应聘信息表");
    modal->clear();
    fromBrowse(0, [&](Tfrm_yp* f) {
        f->Edit2->setText("张小三");
        f->MaskEdit1->setText("1980-02-30");
        f->BitBtn3->click();
        EXPECT_TRUE(f->isVisible());
        EXPECT_EQ(f->Edit2->text(), "张小三");
    });
    EXPECT_EQ(modal->texts(), QStringList{"出生日期必须是有效的日期"});
    EXPECT_EQ(db->rows("select * from 应聘信息表"), rows);
    EXPECT_EQ(Data1->yp.fieldText("姓名"), "张三");
}

TEST_F(YpTest, ModifyAndDeleteActOnExactlyTheApplicantShown)
{
    // An empty list: 删除 and a double click do nothing; 浏览 opens a new-record dialog.
    hrtest::openDialog(*modal, frm_ypll, [](Tfrm_ypll* b) {
        b->BitBtn2->click();
        b->DBGrid1DblClick();
        b->BitBtn1->click();
    }, [](Tfrm_yp* f) { EXPECT_FALSE(f->applicantLoaded()); });
    EXPECT_EQ(modal->dialogsShown, (QStringList{"Tfrm_ypll", "Tfrm_yp"}));
    EXPECT_TRUE(modal->messages.isEmpty());

    seed();
    QStringList rows = db->rows("select * from 应聘信息表");
    // Once the dialog closes the browse lists the applicants again, on the first.
    auto browse = [](Tfrm_ypll* b) {
        b->DBGrid1->clickRow(3);
        b->BitBtn1->click();
        EXPECT_EQ(Data1->yp.recNo(), 0);
        EXPECT_EQ(hrtest::gridColumn(b->DBGrid1, 1).value(3), "王小五");
    };
    hrtest::openDialog(*modal, frm_ypll, browse, [&](Tfrm_yp* f) {
        EXPECT_TRUE(f->BitBtn3->isVisible() && f->BitBtn7->isVisible() && !f->BitBtn2->isVisible());
        EXPECT_EQ(f->Edit1->text() + f->MaskEdit1->text() + f->ComboBox3->text() + f->Memo2->text(),
                  "yp0031990-03-04本科2010 入职");
        f->Memo2->setFocus();
        hrtest::pressKey(f->Memo2, Qt::Key_Return);
        EXPECT_EQ(QApplication::focusWidget(), f->BitBtn3);
        hrtest::setTexts({{f->Edit2, "  王小五 "}, {f->Memo1, "SQL\nQt\n"}});
        Data1->yp.setRecNo(0);   // the shared query moved: 修改 still writes the applicant shown
        f->BitBtn3->click();
        EXPECT_FALSE(f->isVisible());
    });
    EXPECT_EQ(modal->texts(), QStringList{"修改成功"});
    rows[3] = "yp003|王小五|男|1990-03-04|汉族|010-3|ww@a.cn|广州|中大|化学|本科|跑步|电影|SQL\nQt|2010 入职";
    EXPECT_EQ(db->rows("select * from 应聘信息表"), rows);

    // The row went away underneath: 修改失败, the dialog stays, the browse's query as stored.
    modal->clear();
    fromBrowse(0, [&](Tfrm_yp* f) {
        db->exec("delete from 应聘信息表 where rowid = 1");
        f->Edit2->setText("无名");
        f->BitBtn3->click();
        EXPECT_TRUE(f->isVisible());
        EXPECT_EQ(Data1->yp.state(), db::Query::State::Browse);
        EXPECT_EQ(Data1->yp.fieldText("姓名"), "张三");
    });
    EXPECT_EQ(modal->texts(), QStringList{"修改失败"});

    modal->clear();
    hrtest::openDialog(*modal, frm_ypll, [](Tfrm_ypll* b) {
        b->DBGrid1->clickRow(1);
        b->BitBtn1->click();
        // The browse's own 删除: the row now current (yp003), without a question.
        EXPECT_EQ(Data1->yp.fieldText("编号"), "yp003");
        b->BitBtn2->click();
    }, [&](Tfrm_yp* f) {
        modal->answerNo();
        f->BitBtn6->click();
        EXPECT_TRUE(f->isVisible());
        modal->answerYes();
        f->BitBtn6->click();
        EXPECT_FALSE(f->isVisible());
    });
    EXPECT_EQ(modal->texts(), (QStringList{"真的要删除吗？", "真的要删除吗？"}));
    EXPECT_EQ(rowids(), QStringList{"2"});
    EXPECT_EQ(session().OpenMode, 0);
}

TEST_F(YpTest, HireCopiesTheApplicantAndRemovesExactlyItOnlyAfterASave)
{
    seed();
    db->exec("insert into 人事表 (bh) values ('mr004')");
    auto hire = [](Tfrm_yp* f) {
        f->BitBtn7->click();
        EXPECT_FALSE(f->isVisible());
    };
    auto fill = [](Tfrm_xygdj* x) {
        EXPECT_EQ(session().OpenMode, 2);
        for (ui::ComboBox* c : {x->ComboBox7, x->ComboBox2, x->ComboBox3, x->ComboBox4, x->ComboBox5, x->ComboBox6})
            c->setText("x");
        for (ui::Edit* e : {x->Edit9, x->Edit5, x->Edit12, x->Edit16, x->Edit10}) e->setText("y");
    };
    auto save = [&](Tfrm_xygdj* x) {
        fill(x);
        Data1->yp.setRecNo(0);   // the shared query moved: the hired applicant goes all the same
        x->BitBtn1->click();
    };
    fromBrowse(2, hire, save);
    EXPECT_EQ(modal->texts(), QStringList{"保存成功！"});
    const QString today = QDate::currentDate().toString("yyyy-MM-dd");
    EXPECT_EQ(db->rows("select bh, xm, xb, mz, whcd, csrq, dzyx, byyx, zy, tc, djrq, cjgzsj, drsj, sflz from 人事表 "
                       "where bh <> 'mr004'"),
              QStringList{"mr005|李四|女|回族|硕士|1985-01-02|ls@a.cn|复旦|物理|钢琴|" + today + "|" + today +
                          "|1975-01-01|否"});
    EXPECT_EQ(rowids(), (QStringList{"1", "2", "4"}));   // its duplicate stays
    EXPECT_EQ(session().OpenMode, 0);

    // Leaving the employee dialog, or a save that fails: nothing changes, and the applicant dialog closes.
    modal->clear();
    fromBrowse(0, hire, [](Tfrm_xygdj* x) { x->BitBtn3->click(); });
    fromBrowse(0, hire, [&](Tfrm_xygdj* x) {
        fill(x);
        x->MaskEdit3->setText("1990-02-30");
        x->BitBtn1->click();
        EXPECT_TRUE(x->isVisible());
        EXPECT_EQ(x->MaskEdit3->text(), "1990-02-30");
    });
    db->exec("create trigger refuse before insert on 人事表 begin select raise(abort, '只读'); end");
    fromBrowse(0, hire, [&](Tfrm_xygdj* x) {
        fill(x);
        x->BitBtn1->click();
        EXPECT_TRUE(x->isVisible());
    });
    db->exec("drop trigger refuse");
    EXPECT_EQ(modal->texts(), (QStringList{"出生日期必须是有效的日期", "系统出错！"}));
    EXPECT_EQ(db->count("人事表"), 2);
    EXPECT_EQ(rowids(), (QStringList{"1", "2", "4"}));

    // The proposed number taken meanwhile by another copy of the program: no second mr006, the applicant stays.
    modal->clear();
    fromBrowse(0, hire, [&](Tfrm_xygdj* x) {
        fill(x);
        EXPECT_EQ(x->Edit1->text(), "mr006");
        db->exec("insert into 人事表 (bh, xm) values ('mr006', '别人')");
        x->BitBtn1->click();
    });
    EXPECT_EQ(modal->texts(), QStringList{"编号mr006已经存在，员工信息没有保存，请重新添加！"});
    EXPECT_EQ(db->rows("select xm from 人事表 where bh = 'mr006'"), QStringList{"别人"});
    EXPECT_EQ(rowids(), (QStringList{"1", "2", "4"}));
    db->exec("delete from 人事表 where bh = 'mr006'");

    // Without the browse beneath, the hire still removes exactly its applicant.
    ui::runSelect(Data1->yp, "select * from 应聘信息表");
    Data1->yp.setRecNo(1);
    applicant(1, hire, save);
    EXPECT_EQ(rowids(), (QStringList{"1", "4"}));
    EXPECT_EQ(db->count("人事表"), 3);
    EXPECT_EQ(session().OpenMode, 0);
}

TEST_F(YpTest, AHireSavesTheEmployeeOnlyTogetherWithTheApplicantsRemoval)
{
    // Another copy of the program changes or removes the applicant while the
    // employee dialog is open: no employee beside an applicant still waiting
    // (to be hired twice), nor one hired from a row that is gone.
    seed();
    const QStringList changes = {"update 应聘信息表 set 联系电话 = '020-9' where rowid = 4",
                                 "delete from 应聘信息表 where rowid = 4"};
    for (const QString& change : changes) {
        modal->clear();
        fromBrowse(3, [](Tfrm_yp* f) { f->BitBtn7->click(); }, [&](Tfrm_xygdj* x) {
            for (ui::ComboBox* c : {x->ComboBox7, x->ComboBox2, x->ComboBox3, x->ComboBox4, x->ComboBox5, x->ComboBox6})
                c->setText("x");
            for (ui::Edit* e : {x->Edit9, x->Edit5, x->Edit12, x->Edit16, x->Edit10}) e->setText("y");
            db->exec(change);
            x->BitBtn1->click();
            EXPECT_TRUE(x->isVisible());
            EXPECT_EQ(x->Edit2->text(), "王五");
        });
        EXPECT_EQ(modal->texts(), QStringList{"系统出错！"}) << change.toStdString();
        EXPECT_FALSE(modal->messages[0].detail.isEmpty());
        EXPECT_EQ(db->count("人事表"), 0) << change.toStdString();
        if (change == changes[0]) {   // as the other copy left it, to be hired afresh
            EXPECT_EQ(db->rows("select 联系电话 from 应聘信息表 where rowid = 4"), QStringList{"020-9"});
        }
    }
    EXPECT_EQ(rowids(), (QStringList{"1", "2", "3"}));
}
