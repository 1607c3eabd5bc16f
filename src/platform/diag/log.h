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

// The text of an exception as the log and the default error handler show it.
QString causeText(std::exception_ptr e);

}
