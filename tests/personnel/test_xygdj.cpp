// The employee dialog registering a new employee (OpenMode 0).
#include "xygdj_fixture.h"
#include <QDate>
#include <QLabel>

TEST_F(XygdjTest, ProposesNumbersFromTheStoredOnes)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", "mr001"}, {"('mr001'),('mr008')", "mr009"}, {"('mr009')", "mr010"},
        {"('mr099'),('mr050')", "mr100"}, {"('mr999'),('mr1000')", "mr1001"}};
    for (const auto& [rows, expected] : cases) {
        db->exec(QStringLiteral("delete from 人事表"));
        if (*rows) db->exec(QStringLiteral("insert into 人事表 (bh) values ") + QString::fromLatin1(rows));
        openDialog(0, [&](Tfrm_xygdj* f) {
            f->BitBtn2->click();
            f->BitBtn2->click();   // nothing is reserved: the same number again
            EXPECT_EQ(f->Edit1->text(), QString::fromLatin1(expected)) << rows;
        });
    }
    EXPECT_TRUE(modal->messages.isEmpty());

    // A largest number that is not "mr" and digits: the error, and 编号 stays.
    db->exec(QStringLiteral("insert into 人事表 (bh) values ('mrx1')"));
    EXPECT_FALSE(openDialog(0, [&](Tfrm_xygdj* f) {
        f->Edit1->setText(QStringLiteral("mr777"));
        f->BitBtn2->click();
        EXPECT_EQ(f->Edit1->text(), QStringLiteral("mr777"));
    }));
    ASSERT_EQ(modal->messages.size(), 1);
    EXPECT_EQ(modal->messages[0].icon, ui::Icon::Error);
    EXPECT_TRUE(modal->messages[0].text.contains(QStringLiteral("x1")));
}

TEST_F(XygdjTest, SaveInsertsEveryColumnAndClearsTheInputs)
{
    const bool closed = openDialog(0, [&](Tfrm_xygdj* f) {
        const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
        for (ui::MaskEdit* m : {f->MaskEdit1, f->MaskEdit2, f->MaskEdit3, f->MaskEdit5}) EXPECT_EQ(m->text(), today);
        EXPECT_EQ(f->ComboBox1->items(), (QStringList{"汉族", "回族"}));
        EXPECT_EQ(f->ComboBox1->text(), QString());
        EXPECT_EQ(f->Memo1->text(), QString(30, QLatin1Char('\n')));
        fillAll(f);
        f->MaskEdit4->setText(QString());                        // 联系电话 untouched
        f->Edit2->setText(QStringLiteral("  张三 "));
        f->Edit10->setText(QStringLiteral(" 110105198005120011 "));
        f->MaskEdit5->setText(QStringLiteral("2001-02-30"));     // stored as text, never converted
        f->Edit15->setText(QStringLiteral(" 12"));
        f->Memo1->setText(QStringLiteral("  2000 入职\n2005 升职  \n"));
        f->BitBtn1->click();
        // editclear, which leaves 出生日期, 参加工作时间 and the lists
        EXPECT_EQ(f->Edit1->text(), QString());
        EXPECT_EQ(f->Edit15->text(), QString());
        EXPECT_EQ(f->MaskEdit4->text(), QStringLiteral("    -        "));
        EXPECT_EQ(f->MaskEdit1->text() + f->MaskEdit2->text(), QStringLiteral("1999-01-011999-01-01"));
        EXPECT_EQ(f->MaskEdit3->text() + f->MaskEdit5->text(), QStringLiteral("1980-05-122001-02-30"));
        EXPECT_EQ(f->ComboBox1->text() + f->ComboBox8->text() + f->Memo1->text(), QString());
        EXPECT_EQ(f->ComboBox1->items().size(), 2);
        EXPECT_FALSE(f->BitBtn1->isEnabled());
    });
    EXPECT_TRUE(closed);
    EXPECT_EQ(frm_main->OpenMode, 0);
    ASSERT_EQ(modal->texts(), QStringList{"保存成功！"});
    EXPECT_EQ(modal->messages[0].caption, QStringLiteral("提示"));
    EXPECT_EQ(modal->messages[0].icon, ui::Icon::Information);

    const QStringList rows = db->rows(QStringLiteral("select * from 人事表"));
    ASSERT_EQ(rows.size(), 1);
    const QStringList got = rows[0].split(QLatin1Char('|'));
    const QStringList expected = {
        "mr001", "张三", "男", "110105198005120011", "1980-05-12", "汉族", "已婚", "党员", "北京", "    -        ",
        "13900000000", "zs@example.com", "海淀区", "北京大学", "计算机", "本科", "围棋", "2001-02-30", "12",
        "<blob 0>", "研发部", "技术", "经理", "工程师", "2002-08-09", "  2000 入职\n2005 升职  \n", "2024-03-04",
        "admin", "否", "<null>", "<null>", "<null>"};
    ASSERT_EQ(got.size(), 32);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(got[i], expected[i]) << "column " << i + 1;
    EXPECT_EQ(db->rows(QStringLiteral("select typeof(gl), typeof(zp) from 人事表")), QStringList{"integer|blob"});
}

TEST_F(XygdjTest, RefusedValuesWriteNothingAndClose)
{
    // 工龄 not a whole number: the conversion's own error, not the dialog's.
    EXPECT_TRUE(openDialog(0, [&](Tfrm_xygdj* f) {
        fillAll(f);
        f->Edit15->setText(QStringLiteral("3年"));
        f->BitBtn1->click();
    }));
    ASSERT_EQ(modal->messages.size(), 1);
    EXPECT_EQ(modal->messages[0].icon, ui::Icon::Error);
    EXPECT_TRUE(modal->messages[0].text.contains(QStringLiteral("3年")));
    // An impossible date in any of the three converted inputs.
    for (ui::MaskEdit* Tfrm_xygdj::*date : {&Tfrm_xygdj::MaskEdit3, &Tfrm_xygdj::MaskEdit1, &Tfrm_xygdj::MaskEdit2}) {
        modal->clear();
        EXPECT_TRUE(openDialog(0, [&](Tfrm_xygdj* f) {
            fillAll(f);
            (f->*date)->setText(QStringLiteral("2023-02-30"));
            f->BitBtn1->click();
        }));
        EXPECT_EQ(modal->texts(), QStringList{"系统出错！"});
        EXPECT_EQ(modal->messages.value(0).icon, ui::Icon::Information);
    }
    EXPECT_EQ(db->count(QStringLiteral("人事表")), 0);
    EXPECT_EQ(frm_main->OpenMode, 0);
}

TEST_F(XygdjTest, SaveIsEnabledOnlyWhileEveryWatchedInputHasText)
{
    openDialog(0, [&](Tfrm_xygdj* f) {
        EXPECT_FALSE(f->BitBtn1->isEnabled());
        for (const auto& [w, text] : inputs(f)) {
            if (qobject_cast<ui::MaskEdit*>(w)) continue;   // never empty
            fillAll(f);
            ui::setControlText(w, QString());
            ui::Edit* other = w == f->Edit16 ? f->Edit8 : f->Edit16;
            other->setText(QStringLiteral("x"));
            EXPECT_FALSE(f->BitBtn1->isEnabled()) << w->objectName().toStdString();
            // A blank is content; a combo box set from code waits for the next change elsewhere.
            ui::setControlText(w, QStringLiteral(" "));
            if (qobject_cast<ui::ComboBox*>(w)) {
                EXPECT_FALSE(f->BitBtn1->isEnabled()) << w->objectName().toStdString();
                other->setText(QStringLiteral("y"));
            }
            EXPECT_TRUE(f->BitBtn1->isEnabled()) << w->objectName().toStdString();
        }
        // Typed by the operator, a combo box runs the rule itself.
        f->ComboBox6->setText(QString());
        f->Edit16->setText(QStringLiteral("z"));
        hrtest::typeText(f->ComboBox6, QStringLiteral("gg"));
        EXPECT_TRUE(f->BitBtn1->isEnabled());
        f->BitBtn4->click();   // 取消 clears 编号
        EXPECT_FALSE(f->BitBtn1->isEnabled());
    });
}

TEST_F(XygdjTest, IdentityCardSetsTheBirthDateAsItIsTyped)
{
    openDialog(0, [&](Tfrm_xygdj* f) {
        f->MaskEdit3->setText(QStringLiteral("1970-01-01"));
        f->Edit10->setFocus();
        const QString digits = QStringLiteral("11010519850723001X");
        QStringList seen;
        for (QChar c : digits) {
            hrtest::typeText(f->Edit10, QString(c));
            seen << f->MaskEdit3->text();
        }
        // Unchanged until 15 characters, read as 19yy-mm-dd there, then as 18.
        EXPECT_EQ(seen.mid(13, 5), (QStringList{"1970-01-01", "1919-85-07", "1919-85-07", "1919-85-07", "1985-07-23"}));
    });
}

TEST_F(XygdjTest, KeysWalkTheChainUntilSaveIsEnabled)
{
    openDialog(0, [&](Tfrm_xygdj* f) {
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
        // 保存 disabled: in 简历 the keys are the memo's own.
        EXPECT_EQ(QApplication::focusWidget(), f->Memo1);
        hrtest::pressKey(f->Memo1, Qt::Key_Up);
        EXPECT_EQ(QApplication::focusWidget(), f->Memo1);
        // Up goes back from edit boxes, not from combo boxes or the first input; Down moves on in edits only.
        const std::tuple<QWidget*, int, QWidget*> moves[] = {
            {f->Edit2, Qt::Key_Up, f->Edit1}, {f->Edit1, Qt::Key_Up, f->Edit1}, {f->Edit1, Qt::Key_Down, f->Edit2},
            {f->MaskEdit3, Qt::Key_Up, f->ComboBox1}, {f->ComboBox1, Qt::Key_Up, f->ComboBox1},
            {f->ComboBox1, Qt::Key_Down, f->ComboBox1}, {f->MaskEdit1, Qt::Key_Up, f->ComboBox6}};
        for (const auto& [from, key, to] : moves) {
            from->setFocus();
            hrtest::pressKey(from, key);
            EXPECT_EQ(QApplication::focusWidget(), to) << from->objectName().toStdString() << " " << key;
        }
        // 保存 enabled: 简历 leads to it and back to 登记日期.
        fillAll(f);
        f->Memo1->setFocus();
        hrtest::pressKey(f->Memo1, Qt::Key_Down);
        EXPECT_EQ(QApplication::focusWidget(), f->BitBtn1);
        f->Memo1->setFocus();
        hrtest::pressKey(f->Memo1, Qt::Key_Up);
        EXPECT_EQ(QApplication::focusWidget(), f->MaskEdit2);
        EXPECT_EQ(db->count(QStringLiteral("人事表")), 0);
        // ...and Enter in an input presses it.
        hrtest::pressKey(f->Edit9, Qt::Key_Return);
    });
    EXPECT_EQ(db->count(QStringLiteral("人事表")), 1);
}

TEST_F(XygdjTest, PhotosAreStoredAsBitmapsOfTheSamePicture)
{
    const QImage original = picture(41, 57);   // odd width: padded rows
    const QString bmp = writeFile(QStringLiteral("photo.bmp"), img::encodeBmp(original));
    const QString jpg = db->dir() + QStringLiteral("/photo.jpg");
    ASSERT_TRUE(original.save(jpg, "JPG", 95));
    const QString badJpg = writeFile(QStringLiteral("bad.jpg"), QByteArray("\xFF\xD8\xFF\xE0 not a jpeg"));
    const QString badBmp = writeFile(QStringLiteral("bad.bmp"), img::encodeBmp(original).left(40));

    const std::pair<QString, QImage> cases[] = {{bmp, original}, {jpg, img::loadPicture(jpg)}};
    for (const auto& [file, shown] : cases) {
        modal->clear();
        modal->files = QStringList{file, badJpg, badBmp, QString()};
        openDialog(0, [&](Tfrm_xygdj* f) {
            fillAll(f);
            for (int i = 0; i < 4; ++i) f->Button1->click();   // the broken files and a cancel keep the picture
            EXPECT_EQ(rgb(f->picture()), rgb(shown));
            EXPECT_FALSE(f->Image1->pixmap().isNull());
            f->Edit1->setText(file.right(3));
            f->BitBtn1->click();
        });
        EXPECT_EQ(modal->fileRequests.last().title, QStringLiteral("选择照片"));
        EXPECT_EQ(modal->fileRequests.last().filter, QStringLiteral("BMP|*.bmp|JPG|*.jpg"));
        ASSERT_EQ(modal->messages.size(), 3);   // the two load errors, then 保存成功！
        EXPECT_EQ(modal->messages[0].icon, ui::Icon::Error);
        const QImage back = img::decodeBmp(storedPhoto(file.right(3)));
        EXPECT_EQ(back.size(), QSize(41, 57));
        EXPECT_EQ(rgb(back), rgb(shown)) << file.toStdString();
    }
}
