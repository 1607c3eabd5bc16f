#include "platform/diag/log.h"
#include "platform/diag/error.h"
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>
#include <new>

Q_LOGGING_CATEGORY(lcFailure, "hrms.failure")

namespace diag {

namespace {

QMutex g_fileLock;
QString g_file;

// One cause of many megabytes (a whole statement, a dump) must not push every
// other line out of the file.
constexpr qsizetype kMaxLineChars = 16 * 1024;

void appendToFile(const QString& line)
{
    QMutexLocker lock(&g_fileLock);
    if (g_file.isEmpty()) return;
    QByteArray bytes = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")).toUtf8()
                       + line.left(kMaxLineChars).toUtf8() + '\n';
    // Failing to write the log must never become a failure of its own: it is dropped.
    // So is a line for a name that is no plain file: a pipe would keep the program waiting.
    const QFileInfo fi(g_file);
    if (fi.exists() && !fi.isFile()) return;
    if (fi.exists() && fi.size() + bytes.size() > kLogFileLimit) {
        const QString older = g_file + QStringLiteral(".1");
        QFile::remove(older);
        if (!QFile::rename(g_file, older)) QFile::remove(g_file);
    }
    QFile f(g_file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) return;
    f.write(bytes);
}

}

QString causeText(std::exception_ptr e)
{
    if (!e) return QStringLiteral("（没有异常）");
    try {
        std::rethrow_exception(e);
    } catch (const MessageError& x) {
        return x.message();
    } catch (const std::bad_alloc&) {
        return QStringLiteral("内存不足");   // what() would say "std::bad_alloc"
    } catch (const std::exception& x) {
        return QString::fromUtf8(x.what());
    } catch (...) {
        return QStringLiteral("未知异常");
    }
}

void logFailure(const QString& what, const QString& cause)
{
    qCWarning(lcFailure).noquote() << what << ":" << cause;
    appendToFile(what + QStringLiteral(" : ") + cause);
}

// The log also gets what the operator is not shown: the failure's context.
QString contextText(std::exception_ptr e)
{
    if (!e) return QString();
    try {
        std::rethrow_exception(e);
    } catch (const MessageError& x) {
        return x.context();
    } catch (...) {
        return QString();
    }
}

void logCause(const QString& what, std::exception_ptr e)
{
    const QString context = contextText(e);
    logFailure(what, context.isEmpty() ? causeText(e) : causeText(e) + QStringLiteral(" [") + context + QLatin1Char(']'));
}

QString startLogFile(const QString& folder)
{
    const QString dir = folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) : folder;
    QMutexLocker lock(&g_fileLock);
    g_file.clear();
    if (dir.isEmpty() || !QDir().mkpath(dir)) return {};
    g_file = QDir(dir).filePath(QStringLiteral("failures.log"));
    return g_file;
}

void stopLogFile()
{
    QMutexLocker lock(&g_fileLock);
    g_file.clear();
}

QString logFilePath()
{
    QMutexLocker lock(&g_fileLock);
    return g_file;
}

}
