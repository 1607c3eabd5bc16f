#include "platform/ui/errors.h"
#include "platform/diag/error.h"
#include "platform/diag/log.h"
#include "platform/ui/modal.h"

namespace ui {

QString exceptionText(const std::exception& e)
{
    if (auto* m = dynamic_cast<const diag::MessageError*>(&e)) return m->message();
    return QString::fromUtf8(e.what());
}

void showError(const QString& message, QWidget* owner)
{
    MessageRequest r;
    r.owner = owner;
    r.caption = applicationTitle();
    r.text = message;
    r.icon = Icon::Error;
    r.buttons = Buttons::Ok;
    ui::message(r);
}

void showException(const std::exception& e, QWidget* owner) { showError(exceptionText(e), owner); }

bool guarded(QWidget* owner, const std::function<void()>& f)
{
    if (!f) return true;
    try {
        f();
        return true;
    } catch (const std::exception& e) {
        // Reporting must not throw into the event loop either.
        try {
            diag::logCause(QStringLiteral("默认错误处理"));
            showException(e, owner);
        } catch (...) {}
    } catch (...) {
        try {
            diag::logFailure(QStringLiteral("默认错误处理"), QStringLiteral("未知错误"));
            showError(QStringLiteral("未知错误"), owner);
        } catch (...) {}
    }
    return false;
}

}
