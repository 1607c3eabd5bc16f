#include "platform/shell/shell.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// PATH holds only a temporary folder of fake programs for the test's duration.
class ShellOpen : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bin_.isValid());
        ASSERT_TRUE(out_.isValid());
        oldPath_ = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin_.path()));
    }
    void TearDown() override { qputenv("PATH", oldPath_); }

    // A program that records its own name in the output folder when run.
    void addProgram(const QString& name, bool executable = true)
    {
        QFile f(bin_.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\necho started > '" + QFile::encodeName(out_.filePath(name)) + "'\n");
        f.close();
        f.setPermissions(executable ? QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                    : QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    bool ran(const QString& name)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000) {
            if (QFileInfo::exists(out_.filePath(name))) return true;
            QThread::msleep(20);
        }
        return false;
    }
    QStringList allRun() { return QDir(out_.path()).entryList(QDir::Files); }

    QTemporaryDir bin_, out_;
    QByteArray oldPath_;
};

}   // namespace

TEST_F(ShellOpen, NotepadAndCalcStartTheFirstDesktopProgramFound)
{
    addProgram(QStringLiteral("mousepad"));
    addProgram(QStringLiteral("featherpad"));
    addProgram(QStringLiteral("gedit"), false);   // not executable: skipped
    addProgram(QStringLiteral("xcalc"));

    EXPECT_TRUE(shell::open(QStringLiteral("notepad.exe")));
    EXPECT_TRUE(ran(QStringLiteral("mousepad")));
    EXPECT_TRUE(shell::open(QStringLiteral("CALC.EXE")));
    EXPECT_TRUE(ran(QStringLiteral("xcalc")));
    QThread::msleep(100);
    EXPECT_EQ(allRun(), (QStringList{QStringLiteral("mousepad"), QStringLiteral("xcalc")}));
}

TEST_F(ShellOpen, NothingToStartIsAQuietFalse)
{
    addProgram(QStringLiteral("gedit"));
    EXPECT_FALSE(shell::open(QStringLiteral("calc.exe")));
    EXPECT_FALSE(shell::open(QStringLiteral("winword.exe")));
    QThread::msleep(100);
    EXPECT_TRUE(allRun().isEmpty());
}
