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

void logCause(const QString& what, std::exception_ptr e)
{
    qCWarning(lcFailure).noquote() << what << ":" << causeText(e);
}

}
