#include "platform/shell/shell.h"
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QSignalSpy>
#include <QTemporaryDir>
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
    // Waits for the started program's record to appear, not for a fixed time.
    QFileSystemWatcher watcher({out.path()});
    QSignalSpy changed(&watcher, &QFileSystemWatcher::directoryChanged);
    const auto ran = [&] {
        const QDeadlineTimer deadline(5000);
        while (QDir(out.path()).isEmpty() && !deadline.hasExpired()) changed.wait(int(deadline.remainingTime()));
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
