#include "platform/diag/log.h"
#include "platform/diag/error.h"

Q_LOGGING_CATEGORY(lcFailure, "hrms.failure")

namespace diag {

QString causeText(std::exception_ptr e)
{
    if (!e) return QStringLiteral("(no exception)");
    try {
        std::rethrow_exception(e);
    } catch (const MessageError& x) {
        return x.message();
    } catch (const std::exception& x) {
        return QString::fromUtf8(x.what());
    } catch (...) {
        return QStringLiteral("unknown exception");
    }
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
    if (context.isEmpty()) qCWarning(lcFailure).noquote() << what << ":" << causeText(e);
    else qCWarning(lcFailure).noquote() << what << ":" << causeText(e) << "[" + context + "]";
}

}
