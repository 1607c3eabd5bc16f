// The employee dialog: a new employee (OpenMode 0) and the employee browse's
// current one (1); the hire of an applicant is in test_yp.
#include "employees.h"
#include "personnel/U_xygdj.h"
#include "personnel/U_ygxxll.h"
#include "platform/image/image.h"
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QTest>

namespace {

class XygdjTest : public hrtest::HrTest {
protected:
    void SetUp() override
    {
        HrTest::SetUp();
        db->exec("insert into 民族表 values ('汉族'),('回族'); insert into 部门表 values ('001','研发部');");
    }

    // The dialog in OpenMode `mode`; true when it closed by itself.
    bool open(int mode, const std::function<void(Tfrm_xygdj*)>& drive)
    {
        session().OpenMode = mode;
        bool closed = false;
        hrtest::openDialog(*modal, frm_xygdj, [&](Tfrm_xygdj* f) {
            drive(f);
            QApplication::processEvents();
            closed = !f->isVisible();
        });
        return closed;
    }
    // 修改 in the employee browse, on its first row, as the operator reaches it.
    void fromBrowse(const std::function<void(Tfrm_xygdj*)>& drive)
    {
        hrtest::openDialog(*modal, frm_ygxill, [](Tfrm_ygxill* b) { b->BitBtn5->click(); }, drive);
    }
    void modify(const std::function<void(Tfrm_xygdj*)>& before)
    {
        fromBrowse([&](Tfrm_xygdj* f) {
            before(f);
            modal->answerYes();
            f->BitBtn5->click();
        });
    }

    // The 26 watched inputs with valid values; the combo boxes first, as set
    // from code they run no rule.
    static QList<std::pair<QWidget*, QString>> inputs(Tfrm_xygdj* f)
    {
        return {{f->ComboBox8, "男"}, {f->ComboBox1, "汉族"}, {f->ComboBox7, "已婚"}, {f->ComboBox9, "本科"},
                {f->ComboBox2, "党员"}, {f->ComboBox3, "技术"}, {f->ComboBox4, "研发部"}, {f->ComboBox5, "经理"},
                {f->ComboBox6, "工程师"}, {f->MaskEdit3, "1970-01-01"}, {f->MaskEdit4, "010-12345678"},
                {f->MaskEdit5, "2001-07-01"}, {f->MaskEdit2, "2024-03-04"}, {f->MaskEdit1, "2002-08-09"},
                {f->Edit1, "mr001"}, {f->Edit6, "北京大学"}, {f->Edit7, "计算机"}, {f->Edit8, "围棋"},
                {f->Edit13, "zs@example.com"}, {f->Edit9, "13900000000"}, {f->Edit5, "北京"},
                {f->Edit10, "1101051980"}, {f->Edit12, "海淀区"}, {f->Edit15, "5"}, {f->Edit16, "admin"},
                {f->Edit2, "张三"}};
    }
    static void fillAll(Tfrm_xygdj* f) { hrtest::setTexts(inputs(f)); }

    static QImage picture(int w, int h)
    {
        QImage im(w, h, QImage::Format_RGB32);
        im.fill(QColor(200, 180, 40));
        QPainter(&im).fillRect(0, 0, w / 2, h / 3, QColor(220, 20, 20));   // a corner shows flips
        return im;
    }
    static void expectMove(QWidget* from, int key, QWidget* to)
    {
        from->setFocus();
        hrtest::pressKey(from, key);
        EXPECT_EQ(QApplication::focusWidget(), to) << from->objectName().toStdString() << " " << key;
    }
    static QImage rgb(const QImage& i) { return i.convertToFormat(QImage::Format_RGB32); }
    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile f(db->dir() + QLatin1Char('/') + name);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
    QByteArray storedPhoto(const QString& bh)
    {
        return QByteArray::fromHex(db->scalar("select hex(zp) from 人事表 where bh='" + bh + "'").toLatin1());
    }

    // A resigned employee, so the columns 修改 leaves alone hold values; a join date stored without zeros.
    void seedEmployee(const QByteArray& zp)
    {
        db->exec(QStringLiteral(
            "insert into 人事表 values ('mr007','王芳','女','110105198507230026','1999-09-09','汉族','已婚','群众',"
            "'上海','    -        ','13800000000','wf@example.com','上海市','复旦大学','数学','本科','钢琴',"
            "'2008-2-3',6,X'%1','研发部','会计','主管','会计师','2010-01-02','  简历一\n',"
            "'2010-01-03','admin','是','2020-05-06',NULL,NULL)").arg(QString::fromLatin1(zp.toHex())));
    }
    QStringList employeeRows() { return db->rows("select * from 人事表"); }
};

}

TEST_F(XygdjTest, ProposesNumbersFromTheStoredOnes)
{
    // Past mr999 the text maximum stays mr999; only "mr" + digits keys count beyond it.
    const std::pair<const char*, const char*> cases[] = {
        {"", "mr001"}, {"('mr001'),('mr008')", "mr009"}, {"('mr009')", "mr010"}, {"('mr099'),('mr050')", "mr100"},
        {"('mr999'),('mr1000'),('mr5000a'),('MR6000'),('mr7000 ')", "mr1001"}};
    for (const auto& [rows, expected] : cases) {
        db->exec("delete from 人事表");
        if (*rows) db->exec("insert into 人事表 (bh) values " + QString::fromLatin1(rows));
        open(0, [&](Tfrm_xygdj* f) {
            f->BitBtn2->click();
            f->BitBtn2->click();   // nothing is reserved: the same number again
            EXPECT_EQ(f->Edit1->text(), QString::fromLatin1(expected)) << rows;
        });
    }
    EXPECT_TRUE(modal->messages.isEmpty());

    // A largest number that is not "mr" and digits: the error, and 编号 stays.
    db->exec("insert into 人事表 (bh) values ('mrx1')");
    EXPECT_FALSE(open(0, [&](Tfrm_xygdj* f) {
        f->Edit1->setText("mr777");
        f->BitBtn2->click();
        EXPECT_EQ(f->Edit1->text(), "mr777");
    }));
    ASSERT_EQ(modal->messages.size(), 1);
    EXPECT_EQ(modal->messages[0].icon, ui::Icon::Error);
    EXPECT_TRUE(modal->messages[0].text.contains("x1"));
}

// A deleted employee's rows keep his number; given again, the newcomer
// would be paid from his template.
TEST_F(XygdjTest, ADeletedEmployeesNumberIsNotProposedWhileHisRecordsHoldIt)
{
    db->exec("insert into 人事表 (bh) values ('mr001'),('mr002')");
    const std::pair<const char*, const char*> cases[] = {
        {"insert into 工资模板 (员工编号, 员工姓名, 基本工资) values ('mr003','王五',9000)", "mr004"},
        {"insert into 考核表 (员工编号, 考核月份) values ('mr005','2026-11'),('mr3000x','2026-11'),('MR4000','2026-11')",
         "mr006"},
        {"insert into 合同表 (合同编号, 员工编号) values ('2026001','mr2000')", "mr2001"}};
    for (const auto& [sql, expected] : cases) {
        db->exec(QString::fromUtf8(sql));
        open(0, [&](Tfrm_xygdj* f) {
            f->BitBtn2->click();
            EXPECT_EQ(f->Edit1->text(), QString::fromLatin1(expected)) << sql;
        });
    }
    // Employees still on the books above every such number go on as before.
    db->exec("insert into 人事表 (bh) values ('mr2500')");
    open(0, [&](Tfrm_xygdj* f) {
        f->BitBtn2->click();
        EXPECT_EQ(f->Edit1->text(), "mr2501");
    });
    EXPECT_TRUE(modal->messages.isEmpty());
}

TEST_F(XygdjTest, SaveInsertsEveryColumnAndClearsTheInputs)
{
    EXPECT_TRUE(open(0, [&](Tfrm_xygdj* f) {
        EXPECT_EQ(f->MaskEdit1->text(), QDate::currentDate().toString("yyyy-MM-dd"));
        EXPECT_EQ(f->ComboBox1->items(), (QStringList{"汉族", "回族"}));
        EXPECT_EQ(f->ComboBox1->text(), "");
        fillAll(f);
        // 联系电话 untouched; 身份证号 sets 出生日期; 参加工作时间 is stored as typed, never converted.
        hrtest::setTexts({{f->MaskEdit4, ""}, {f->Edit2, "  张三 "}, {f->Edit10, " 110105198005120011 "},
                          {f->MaskEdit5, "2001- 2-03"}, {f->Edit15, " 12"}, {f->Memo1, "  2000 入职\n2005 升职  \n"}});
        f->BitBtn1->click();
        // editclear leaves 出生日期, 参加工作时间 and the lists alone.
        EXPECT_EQ(f->Edit1->text() + f->Edit15->text() + f->ComboBox1->text() + f->Memo1->text(), "");
        EXPECT_EQ(f->MaskEdit4->text(), "    -        ");
        EXPECT_EQ(f->MaskEdit1->text() + f->MaskEdit2->text() + f->MaskEdit3->text() + f->MaskEdit5->text(),
                  "1999-01-011999-01-011980-05-122001- 2-03");
        EXPECT_EQ(f->ComboBox1->items().size(), 2);
        EXPECT_FALSE(f->BitBtn1->isEnabled());
    }));
    ASSERT_EQ(modal->texts(), QStringList{"保存成功！"});
    EXPECT_EQ(modal->messages[0].icon, ui::Icon::Information);
    EXPECT_EQ(employeeRows(), QStringList{
        "mr001|张三|男|110105198005120011|1980-05-12|汉族|已婚|党员|北京|    -        |13900000000|zs@example.com|"
        "海淀区|北京大学|计算机|本科|围棋|2001- 2-03|12|<blob 0>|研发部|技术|经理|工程师|2002-08-09|"
        "  2000 入职\n2005 升职  \n|2024-03-04|admin|否|<null>|<null>|<null>"});
    EXPECT_EQ(db->rows("select typeof(gl), typeof(zp) from 人事表"), QStringList{"integer|blob"});
}

TEST_F(XygdjTest, ValuesThatCannotBeStoredAreRefusedBeforeAnythingIsWrittenAndEveryInputStays)
{
    struct Case { ui::MaskEdit* Tfrm_xygdj::*date; ui::Edit* Tfrm_xygdj::*edit; const char* text; const char* message; };
    const Case cases[] = {
        {nullptr, &Tfrm_xygdj::Edit15, "3年", "工龄必须是整数"},
        {nullptr, &Tfrm_xygdj::Edit15, "1.5", "工龄必须是整数"},
        {&Tfrm_xygdj::MaskEdit3, nullptr, "2023-02-30", "出生日期必须是有效的日期"},
        {&Tfrm_xygdj::MaskEdit1, nullptr, "2023-02-30", "调入时间必须是有效的日期"},
        {&Tfrm_xygdj::MaskEdit2, nullptr, "2023-13-01", "登记日期必须是有效的日期"},
        {&Tfrm_xygdj::MaskEdit5, nullptr, "2023-02-29", "参加工作时间必须是有效的日期"},
        {&Tfrm_xygdj::MaskEdit3, nullptr, "", "出生日期必须是有效的日期"},
        {nullptr, &Tfrm_xygdj::Edit10, "110105200002300011", "身份证号中的出生日期2000-02-30不存在"},
        {nullptr, &Tfrm_xygdj::Edit10, "110105000230001", "身份证号中的出生日期1900-02-30不存在"},
    };
    for (int mode : {0, 2}) {
        for (const Case& c : cases) {
            modal->clear();
            EXPECT_FALSE(open(mode, [&](Tfrm_xygdj* f) {
                fillAll(f);
                QWidget* input = c.date ? static_cast<QWidget*>(f->*c.date) : f->*c.edit;
                ui::setControlText(input, QString::fromUtf8(c.text));
                QStringList before;
                for (const auto& [w, text] : inputs(f)) before << ui::controlText(w);
                f->BitBtn1->click();
                QStringList after;
                for (const auto& [w, text] : inputs(f)) after << ui::controlText(w);
                EXPECT_EQ(after, before);
                EXPECT_EQ(QApplication::focusWidget(), input) << c.message;
            })) << c.message;
            EXPECT_EQ(modal->texts(), QStringList{QString::fromUtf8(c.message)});
            EXPECT_EQ(modal->messages[0].icon, ui::Icon::Information);
        }
    }
    EXPECT_EQ(db->count("人事表"), 0);

    // The database refuses the row: its fixed text, and the operator's inputs stay for another try.
    db->exec("create trigger refuse before insert on 人事表 begin select raise(abort, '磁盘已满'); end");
    modal->clear();
    EXPECT_TRUE(open(0, [&](Tfrm_xygdj* f) {
        fillAll(f);
        f->BitBtn1->click();
        EXPECT_TRUE(f->isVisible());
        EXPECT_EQ(f->Edit2->text() + f->Edit1->text() + f->Edit15->text(), "张三mr0015");
        db->exec("drop trigger refuse");
        f->BitBtn1->click();
    }));
    EXPECT_EQ(modal->texts(), (QStringList{"系统出错！", "保存成功！"}));
    EXPECT_TRUE(modal->messages[0].detail.contains("磁盘已满"));
    EXPECT_EQ(db->rows("select bh, xm, gl from 人事表"), QStringList{"mr001|张三|5"});
}

TEST_F(XygdjTest, ADateInputRefusesADayThatDoesNotExistWhenItIsLeft)
{
    open(0, [&](Tfrm_xygdj* f) {
        // 保存 disabled, so Enter moves on.
        f->MaskEdit1->setFocus();
        f->MaskEdit1->selectAll();
        hrtest::typeText(f->MaskEdit1, "20230230");
        hrtest::pressKey(f->MaskEdit1, Qt::Key_Return);
        QApplication::processEvents();
        EXPECT_EQ(modal->texts(), QStringList{"调入时间必须是有效的日期"});
        EXPECT_EQ(QApplication::focusWidget(), f->MaskEdit1);
        EXPECT_EQ(f->MaskEdit1->text(), "2023-02-30");
        // Put right, it lets the focus go.
        f->MaskEdit1->setCursorPosition(8);
        hrtest::typeText(f->MaskEdit1, "28");
        hrtest::pressKey(f->MaskEdit1, Qt::Key_Return);
        QApplication::processEvents();
        EXPECT_EQ(QApplication::focusWidget(), f->Edit16);
        EXPECT_EQ(modal->texts().size(), 1);

        // Left for 保存 with the mouse: refused once, by the save's own check.
        fillAll(f);
        f->MaskEdit2->setFocus();
        f->MaskEdit2->setCursorPosition(5);
        hrtest::typeText(f->MaskEdit2, "02-30");
        QTest::mouseClick(f->BitBtn1, Qt::LeftButton);
        QApplication::processEvents();
        EXPECT_EQ(modal->texts(), (QStringList{"调入时间必须是有效的日期", "登记日期必须是有效的日期"}));
        EXPECT_EQ(QApplication::focusWidget(), f->MaskEdit2);
        EXPECT_TRUE(f->isVisible());
    });
    EXPECT_EQ(db->count("人事表"), 0);
}

TEST_F(XygdjTest, SaveIsEnabledOnlyWhileEveryWatchedInputHasTextAndIdCardSetsBirthDate)
{
    open(0, [&](Tfrm_xygdj* f) {
        EXPECT_FALSE(f->BitBtn1->isEnabled());
        for (const auto& [w, text] : inputs(f)) {
            if (qobject_cast<ui::MaskEdit*>(w)) continue;   // never empty
            const std::string name = w->objectName().toStdString();
            fillAll(f);
            ui::setControlText(w, QString());
            ui::Edit* other = w == f->Edit16 ? f->Edit8 : f->Edit16;
            other->setText("x");
            EXPECT_FALSE(f->BitBtn1->isEnabled()) << name;
            // A blank is content; a combo box set from code waits for the next change elsewhere.
            ui::setControlText(w, " ");
            if (qobject_cast<ui::ComboBox*>(w)) {
                EXPECT_FALSE(f->BitBtn1->isEnabled()) << name;
                other->setText("y");
            }
            EXPECT_TRUE(f->BitBtn1->isEnabled()) << name;
        }
        // Typed by the operator, a combo box runs the rule itself.
        f->ComboBox6->setText(QString());
        f->Edit16->setText("z");
        hrtest::typeText(f->ComboBox6, "gg");
        EXPECT_TRUE(f->BitBtn1->isEnabled());
        f->BitBtn4->click();   // 取消 clears 编号
        EXPECT_FALSE(f->BitBtn1->isEnabled());

        // 身份证号 (emptied by 取消) sets 出生日期 as it is typed: at 15 characters as 19yy-mm-dd, at 18 in full.
        QStringList seen;
        for (QChar c : "11010519850723001X") {
            hrtest::typeText(f->Edit10, QString(c));
            seen << f->MaskEdit3->text();
        }
        EXPECT_EQ(seen.mid(13, 5), (QStringList{"1970-01-01", "1919-85-07", "1919-85-07", "1919-85-07", "1985-07-23"}));
    });
}

TEST_F(XygdjTest, KeysWalkTheChainUntilSaveIsEnabled)
{
    open(0, [&](Tfrm_xygdj* f) {
        // Enter walks the inputs in this order and stops in 简历, whose keys stay
        // the memo's own while 保存 is disabled.
        const QList<QWidget*> chain = {f->Edit1, f->Edit2, f->ComboBox8, f->ComboBox1, f->MaskEdit3, f->ComboBox7,
                                       f->ComboBox9, f->ComboBox2, f->Edit6, f->Edit7, f->Edit8, f->Edit13,
                                       f->MaskEdit4, f->Edit9, f->Edit5, f->Edit10, f->Edit12, f->MaskEdit5,
                                       f->ComboBox3, f->Edit15, f->ComboBox4, f->ComboBox5, f->ComboBox6,
                                       f->MaskEdit1, f->Edit16, f->MaskEdit2, f->Memo1};
        f->Edit1->setFocus();
        for (QWidget* w : chain) {
            ASSERT_EQ(QApplication::focusWidget(), w) << w->objectName().toStdString();
            hrtest::pressKey(w, Qt::Key_Return);
        }
        EXPECT_EQ(QApplication::focusWidget(), f->Memo1);
        expectMove(f->Memo1, Qt::Key_Up, f->Memo1);
        // 保存 enabled: 简历 leads to it and back to 登记日期; Enter in an input presses it.
        fillAll(f);
        expectMove(f->Memo1, Qt::Key_Down, f->BitBtn1);
        expectMove(f->Memo1, Qt::Key_Up, f->MaskEdit2);
        EXPECT_EQ(db->count("人事表"), 0);
        hrtest::pressKey(f->Edit9, Qt::Key_Return);
    });
    EXPECT_EQ(db->count("人事表"), 1);
}

TEST_F(XygdjTest, PhotosAreStoredAsBitmapsOfTheSamePicture)
{
    const QImage original = picture(41, 57);   // odd width: padded rows
    const QString jpg = db->dir() + "/photo.jpg";
    ASSERT_TRUE(original.save(jpg, "JPG", 95));
    // The broken files and a cancel keep the picture.
    modal->files = QStringList{jpg, writeFile("bad.jpg", QByteArray("\xFF\xD8\xFF\xE0 not a jpeg")),
                               writeFile("bad.bmp", img::encodeBmp(original).left(40)), QString()};
    open(0, [&](Tfrm_xygdj* f) {
        fillAll(f);
        for (int i = 0; i < 4; ++i) f->Button1->click();
        EXPECT_EQ(rgb(f->picture()), rgb(img::loadPicture(jpg)));
        EXPECT_FALSE(f->Image1->pixmap().isNull());
        f->BitBtn1->click();
    });
    EXPECT_EQ(modal->fileRequests.last().title, "选择照片");
    EXPECT_EQ(modal->fileRequests.last().filter, "BMP|*.bmp|JPG|*.jpg");
    ASSERT_EQ(modal->messages.size(), 3);   // the two load errors, then 保存成功！
    EXPECT_EQ(modal->messages[0].icon, ui::Icon::Error);
    EXPECT_EQ(rgb(img::decodeBmp(storedPhoto("mr001"))), rgb(img::loadPicture(jpg)));
}

TEST_F(XygdjTest, ModifyWritesBackExactlyTheBrowseRow)
{
    const QStringList failed = {"确定要修改吗？", "修改失败"};
    {
        // The browse's list is empty, or closed: nothing is copied and no row is appended.
        Tfrm_ygxill browse(nullptr);
        ui::runSelect(Data1->ADOQuery1, "select * from 人事表");
        for (int i = 0; i < 2; ++i) {
            modal->clear();
            EXPECT_FALSE(open(1, [&](Tfrm_xygdj* f) {
                EXPECT_EQ(f->Edit15->text(), "0");
                f->Edit2->setText("无名");
                modal->answerYes();
                f->BitBtn5->click();
            }));
            EXPECT_EQ(modal->texts(), failed);
            Data1->ADOQuery1.close();
        }
        EXPECT_EQ(session().OpenMode, 0);
    }
    EXPECT_EQ(db->count("人事表"), 0);
    modal->clear();

    const QImage photo = picture(30, 40);
    const QByteArray photoBytes = img::encodeBmp(photo);
    seedEmployee(photoBytes);
    fromBrowse([&](Tfrm_xygdj* f) {
        EXPECT_EQ(f->windowTitle(), "员工信息修改");
        EXPECT_FALSE(f->BitBtn1->isVisible());
        EXPECT_TRUE(f->BitBtn6->isVisible() && !f->BitBtn6->isEnabled());
        EXPECT_EQ(f->ComboBox4->text(), "研发部");   // the lists are filled without changing it
        // The 18-character number replaced the loaded birth date; dates show with their zeros; show set none.
        EXPECT_EQ(f->MaskEdit3->text() + f->MaskEdit5->text() + f->MaskEdit1->text(), "1985-07-232008-02-032010-01-02");
        EXPECT_EQ(rgb(f->picture()), rgb(photo));
        // Enter in an input only moves on (保存 is hidden); 简历 leads to 修改.
        expectMove(f->Edit2, Qt::Key_Return, f->ComboBox8);
        expectMove(f->Memo1, Qt::Key_Return, f->BitBtn5);

        hrtest::setTexts({{f->Edit2, "  王小芳 "}, {f->Edit15, " 7 "}, {f->Memo1, "\n  简历二  \n"}});
        modal->answerNo();
        f->BitBtn5->click();
        EXPECT_TRUE(f->isVisible());
        EXPECT_EQ(db->scalar("select xm from 人事表"), "王芳");
        modal->answerYes();
        f->BitBtn5->click();
        EXPECT_FALSE(f->isVisible());
    });
    EXPECT_EQ(session().OpenMode, 0);
    EXPECT_EQ(modal->texts(), (QStringList{"确定要修改吗？", "确定要修改吗？", "修改成功"}));
    EXPECT_EQ(modal->messages[0].icon, ui::Icon::Question);
    // Trimmed texts (联系电话 too); 在职 state, resignation and the photo untouched.
    EXPECT_EQ(employeeRows(), QStringList{
        "mr007|王小芳|女|110105198507230026|1985-07-23|汉族|已婚|群众|上海|-|13800000000|wf@example.com|上海市|"
        "复旦大学|数学|本科|钢琴|2008-02-03|7|<blob " + QString::number(photoBytes.size()) +
        ">|研发部|会计|主管|会计师|2010-01-02|简历二|2010-01-03|admin|是|2020-05-06|<null>|<null>"});
    EXPECT_EQ(storedPhoto("mr007"), photoBytes);
    EXPECT_EQ(Data1->ADOQuery1.fieldText("xm"), "王小芳");   // the browse's list

    // A new photo replaces the stored one, as a bitmap of the same picture.
    const QString jpg = db->dir() + "/new.jpg";
    ASSERT_TRUE(picture(25, 35).save(jpg, "JPG", 90));
    modal->files << jpg;
    modify([](Tfrm_xygdj* f) { f->Button1->click(); });
    EXPECT_EQ(rgb(img::decodeBmp(storedPhoto("mr007"))), rgb(img::loadPicture(jpg)));
    EXPECT_EQ(modal->lastText(), "修改成功");

    // A stored photo that does not decode shows as none and is written back as it was.
    const QByteArray odd("BM not a bitmap");
    db->exec("update 人事表 set zp = X'" + QString::fromLatin1(odd.toHex()) + "'");
    modify([](Tfrm_xygdj* f) { EXPECT_FALSE(f->hasPicture()); });
    EXPECT_EQ(modal->lastText(), "修改成功");
    EXPECT_EQ(storedPhoto("mr007"), odd);

    // A value that cannot be stored: refused before the question, the dialog stays with it.
    const QStringList before = employeeRows();
    modal->clear();
    fromBrowse([](Tfrm_xygdj* f) {
        f->Edit15->setText("七");
        f->BitBtn5->click();
        EXPECT_TRUE(f->isVisible());
        EXPECT_EQ(QApplication::focusWidget(), f->Edit15);
        EXPECT_EQ(f->Edit15->text(), "七");
    });
    EXPECT_EQ(modal->texts(), QStringList{"工龄必须是整数"});
    EXPECT_EQ(employeeRows(), before);
    // The database refuses: its fixed text, the dialog open with the inputs, the row and the browse's query as they were.
    db->exec("create trigger refuse before update on 人事表 begin select raise(abort, '只读'); end");
    modal->clear();
    fromBrowse([&](Tfrm_xygdj* f) {
        f->Edit2->setText("改名");
        modal->answerYes();
        f->BitBtn5->click();
        EXPECT_TRUE(f->isVisible());
        EXPECT_EQ(f->Edit2->text(), "改名");
    });
    EXPECT_EQ(modal->texts(), failed);
    EXPECT_EQ(employeeRows(), before);
    EXPECT_EQ(Data1->ADOQuery1.state(), db::Query::State::Browse);
    db->exec("drop trigger refuse");
    // The row went away underneath: nothing to update, nothing appended.
    modal->clear();
    modify([&](Tfrm_xygdj*) { db->exec("delete from 人事表"); });
    EXPECT_EQ(modal->texts(), failed);
    EXPECT_EQ(db->count("人事表"), 0);
}
