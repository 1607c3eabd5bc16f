#pragma once
#include <QLoggingCategory>
#include <QString>
#include <exception>

Q_DECLARE_LOGGING_CATEGORY(lcFailure)

namespace diag {

// Where a guard shows the operator a fixed text ("保存失败", "系统出错！") and
// drops the exception, the exception's own text goes to the log under the
// category "hrms.failure", so that an operator's report can be traced.
// Call inside the catch block; `what` names the operation ("税率表添加").
void logCause(const QString& what, std::exception_ptr e = std::current_exception());

// A failure already put into words (the default error handler's message).
void logFailure(const QString& what, const QString& cause);

// The text of an exception as the log and the default error handler show it.
QString causeText(std::exception_ptr e);

// From now on every failure is also appended to `folder`/failures.log (the
// folder is made when missing); empty `folder` means the application's data
// folder (QStandardPaths::AppDataLocation). A program started from a desktop
// menu has no terminal, so this file is where the causes can be found. The
// file is kept below kLogFileLimit: past it, it becomes failures.log.1 (the
// older one is dropped) and a new file starts. Returns the file's path, or ""
// when no folder can be had (the log then stays on stderr only).
inline constexpr qint64 kLogFileLimit = qint64(2) << 20;
QString startLogFile(const QString& folder = {});
// Stops writing to the file (tests).
void stopLogFile();
QString logFilePath();

}
