#include "platform/shell/shell.h"
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

// PATH holds only a folder of fake programs that record their own name when run.
TEST(ShellOpen, NotepadAndCalcStartTheFirstDesktopProgramFoundOrQuietlyNothing)
{
    QTemporaryDir bin, out;
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()));
    const auto add = [&](const char* name, bool executable = true) {
        QFile f(bin.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\necho started > '" + QFile::encodeName(out.filePath(QString::fromLatin1(name))) + "'\n");
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                         (executable ? QFileDevice::ExeOwner : QFileDevice::Permissions()));
    };
    const auto ran = [&] {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000 && QDir(out.path()).isEmpty()) QThread::msleep(20);
        QThread::msleep(100);
        return QDir(out.path()).entryList(QDir::Files);
    };

    add("gedit", false);   // not executable: skipped
    add("mousepad");
    add("featherpad");
    EXPECT_FALSE(shell::open(QStringLiteral("calc.exe")));
    EXPECT_FALSE(shell::open(QStringLiteral("winword.exe")));
    EXPECT_TRUE(shell::open(QStringLiteral("notepad.exe")));
    EXPECT_EQ(ran(), QStringList{QStringLiteral("mousepad")});
    add("xcalc");
    EXPECT_TRUE(shell::open(QStringLiteral("CALC.EXE")));
    QFile::remove(out.filePath(QStringLiteral("mousepad")));
    EXPECT_EQ(ran(), QStringList{QStringLiteral("xcalc")});
    qputenv("PATH", oldPath);
}
