#pragma once
#include "app/U_main.h"
#include "data/U_data.h"
#include "harness.h"
#include "personnel/U_xygdj.h"
#include "platform/image/image.h"
#include "platform/ui/controls.h"
#include "platform/ui/rowbind.h"
#include <QApplication>
#include <QFile>
#include <QPainter>

// The employee dialog with a main window behind it (OpenMode) and its
// openers' hooks empty unless a test sets them.
class XygdjTest : public hrtest::HrTest {
protected:
    void SetUp() override
    {
        HrTest::SetUp();
        mainWindow = std::make_unique<Tfrm_main>();
        resetHooks();
        db->exec(QStringLiteral("insert into 民族表 values ('汉族'),('回族'); insert into 部门表 values ('001','研发部');"));
    }
    void TearDown() override
    {
        resetHooks();
        mainWindow.reset();
        HrTest::TearDown();
    }
    static void resetHooks()
    {
        Tfrm_xygdj::browseEditvalue = nullptr;
        Tfrm_xygdj::applicantInputs = nullptr;
        Tfrm_xygdj::applicantDelete = nullptr;
    }

    // Opens the dialog in the standard way; true when it closed by itself.
    bool openDialog(int mode, const std::function<void(Tfrm_xygdj*)>& drive)
    {
        frm_main->OpenMode = mode;
        bool closed = false;
        modal->onDialog = [&](QDialog* d) {
            auto* f = qobject_cast<Tfrm_xygdj*>(d);
            EXPECT_EQ(f, frm_xygdj);
            QApplication::setActiveWindow(f);
            drive(f);
            QApplication::processEvents();
            closed = !f->isVisible();
        };
        ui::openDialog(frm_xygdj, frm_main);
        modal->onDialog = nullptr;
        return closed;
    }

    // The 26 watched inputs, valid values, combo boxes included (set from code,
    // they run no rule, so the last edit box comes after them).
    static QList<std::pair<QWidget*, QString>> inputs(Tfrm_xygdj* f)
    {
        return {{f->ComboBox8, "男"}, {f->ComboBox1, "汉族"}, {f->ComboBox7, "已婚"}, {f->ComboBox9, "本科"},
                {f->ComboBox2, "党员"}, {f->ComboBox3, "技术"}, {f->ComboBox4, "研发部"}, {f->ComboBox5, "经理"},
                {f->ComboBox6, "工程师"}, {f->MaskEdit3, "1980-05-12"}, {f->MaskEdit4, "010-12345678"},
                {f->MaskEdit5, "2001-07-01"}, {f->MaskEdit2, "2024-03-04"}, {f->MaskEdit1, "2002-08-09"},
                {f->Edit1, "mr001"}, {f->Edit6, "北京大学"}, {f->Edit7, "计算机"}, {f->Edit8, "围棋"},
                {f->Edit13, "zs@example.com"}, {f->Edit9, "13900000000"}, {f->Edit5, "北京"},
                {f->Edit10, "1101051980"}, {f->Edit12, "海淀区"}, {f->Edit15, "5"}, {f->Edit16, "admin"},
                {f->Edit2, "张三"}};
    }
    static void fillAll(Tfrm_xygdj* f)
    {
        for (const auto& [w, t] : inputs(f)) ui::setControlText(w, t);
    }

    static QImage picture(int w, int h)
    {
        QImage im(w, h, QImage::Format_RGB32);
        im.fill(QColor(200, 180, 40));
        QPainter(&im).fillRect(0, 0, w / 2, h / 3, QColor(220, 20, 20));   // a corner shows flips
        return im;
    }
    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile f(db->dir() + QLatin1Char('/') + name);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
    QByteArray storedPhoto(const QString& bh)
    {
        db::Query q(Data1->ADOConnection2, QStringLiteral("check"));
        q.setSql(QStringLiteral("select zp from 人事表 where bh=:a"));
        q.setParam(QStringLiteral("a"), db::Value::text(bh));
        q.open();
        return q.isEmpty() ? QByteArray() : q.field(QStringLiteral("zp")).toBlob();
    }
    static QImage rgb(const QImage& i) { return i.convertToFormat(QImage::Format_RGB32); }

    std::unique_ptr<Tfrm_main> mainWindow;
};
