#include "harness.h"
#include "pipe.h"
#include "platform/diag/error.h"
#include "platform/diag/log.h"
#include "platform/ui/errors.h"
#include "platform/ui/modal.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

QString readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Writes into a folder of its own, never into the operator's data folder.
class FailureLogFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        folder = dir.filePath(QStringLiteral("数据/日志"));   // made when missing
        path = diag::startLogFile(folder);
    }
    void TearDown() override { diag::stopLogFile(); }
    QTemporaryDir dir;
    QString folder, path;
};

}

// What a failure box shows as its detail, and what the default error handler
// shows, also lands in the file, so it can be read without a terminal.
TEST_F(FailureLogFile, FixedTextBoxesAndTheDefaultHandlerWriteTheirCauses)
{
    ASSERT_EQ(path, QDir(folder).filePath(QStringLiteral("failures.log")));
    EXPECT_EQ(diag::logFilePath(), path);
    hrtest::ScriptedModal modal;
    hrtest::FailureLog quiet;
    try {
        throw diag::MessageError(QStringLiteral("磁盘已满"));
    } catch (...) {
        ui::failed(QStringLiteral("考核记录保存"), QStringLiteral("保存失败"));
    }
    ui::guarded(nullptr, [] { throw std::runtime_error("database is locked"); });
    ASSERT_EQ(modal.messages.size(), 2);
    EXPECT_EQ(modal.messages[0].detail, QStringLiteral("磁盘已满"));

    const QStringList lines = readAll(path).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << readAll(path).toStdString();
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("考核记录保存 : 磁盘已满"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("database is locked"))) << lines[1].toStdString();
    // Each line starts with the time it was written.
    EXPECT_TRUE(QDateTime::fromString(lines[0].left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss")).isValid());
    EXPECT_EQ(quiet.lines.size(), 2);   // stderr keeps them as before
    EXPECT_EQ(diag::causeText(std::make_exception_ptr(std::bad_alloc())), QStringLiteral("内存不足"));
    EXPECT_EQ(diag::causeText(nullptr), QStringLiteral("（没有异常）"));
}

// The file never grows past its bound: the older half moves aside once, the
// oldest is dropped; a huge cause is cut rather than flooding the file.
TEST_F(FailureLogFile, StaysBoundedKeepingOneOlderFile)
{
    hrtest::FailureLog quiet;
    const QString cause(1000, QChar(u'错'));
    const qint64 lineBytes = 3000 + 40;
    const int perFile = int(diag::kLogFileLimit / lineBytes);
    for (int i = 0; i < perFile * 2 + 10; ++i) diag::logFailure(QStringLiteral("第%1次").arg(i), cause);
    const QString older = path + QStringLiteral(".1");
    ASSERT_TRUE(QFile::exists(older));
    EXPECT_LE(QFileInfo(path).size(), diag::kLogFileLimit);
    EXPECT_LE(QFileInfo(older).size(), diag::kLogFileLimit);
    EXPECT_GT(QFileInfo(older).size(), diag::kLogFileLimit - lineBytes);
    // The newest line is in the current file; the first ones are gone.
    EXPECT_TRUE(readAll(path).contains(QStringLiteral("第%1次").arg(perFile * 2 + 9)));
    EXPECT_FALSE(readAll(older).contains(QStringLiteral("第0次 ")));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 2);

    diag::logFailure(QStringLiteral("巨大"), QString(int(diag::kLogFileLimit), QLatin1Char('x')));
    EXPECT_LE(QFileInfo(path).size(), diag::kLogFileLimit);
    EXPECT_TRUE(readAll(path).contains(QStringLiteral("巨大 : xxx")));

    // A pipe in the file's place drops the line at once instead of stalling the program.
    ASSERT_TRUE(QFile::remove(path));
    hrtest::NamedPipe pipe(path);
    ASSERT_TRUE(pipe.made);
    diag::logFailure(QStringLiteral("管道"), QStringLiteral("无人读取"));
    EXPECT_FALSE(pipe.finish());
}

// Without a file the log goes on as before, and a folder that cannot be made
// leaves it so: nothing is shown, nothing throws.
TEST(FailureLogFileOff, NoFolderNoFile)
{
    diag::stopLogFile();
    EXPECT_TRUE(diag::logFilePath().isEmpty());
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_TRUE(diag::startLogFile(dir.filePath(QStringLiteral("file/sub"))).isEmpty());
    hrtest::FailureLog quiet;
    diag::logFailure(QStringLiteral("甲"), QStringLiteral("乙"));
    EXPECT_EQ(quiet.lines.size(), 1);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("file")});
}
