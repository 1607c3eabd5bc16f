#include "platform/ui/errors.h"
#include "platform/diag/error.h"
#include "platform/diag/log.h"
#include "platform/ui/modal.h"
#include <QPointer>
#include <QWidget>

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

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* e)
{
    try {
        return QApplication::notify(receiver, e);
    } catch (...) {
        // Never throws itself: an exception must not reach Qt's loop.
        try {
            QString text = QStringLiteral("未知错误");
            try {
                throw;
            } catch (const std::exception& ex) {
                text = exceptionText(ex);
            } catch (...) {
            }
            diag::logCause(QStringLiteral("默认错误处理"));
            if (reporting_ || (text == lastText_ && sinceLast_.isValid() && sinceLast_.elapsed() < kQuietMs))
                return false;
            reporting_ = true;
            lastText_ = text;
            auto* w = receiver && receiver->isWidgetType() ? static_cast<QWidget*>(receiver)->window() : nullptr;
            QPointer<QWidget> owner(w);
            QMetaObject::invokeMethod(
                this,
                [this, text, owner] {
                    try {
                        showError(text, owner.data());
                    } catch (...) {}
                    reporting_ = false;
                    sinceLast_.start();
                },
                Qt::QueuedConnection);
        } catch (...) {}
        return false;
    }
}

}
