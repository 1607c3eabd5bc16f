#pragma once
#include <QString>
#include <stdexcept>
#include <utility>

namespace diag {

// A failure whose message is meant for the operator as it stands; what() is
// the same text in UTF-8. The layers' own errors (db, img, report) derive from it.
// The context (an internal name, the engine's own text) is for the log only.
class MessageError : public std::runtime_error {
public:
    explicit MessageError(const QString& message, QString context = QString())
        : std::runtime_error(message.toStdString()), msg_(message), context_(std::move(context)) {}
    const QString& message() const { return msg_; }
    const QString& context() const { return context_; }

private:
    QString msg_;
    QString context_;
};

}
