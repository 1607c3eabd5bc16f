#pragma once
#include <QString>
#include <stdexcept>

namespace diag {

// A failure whose message is meant for the operator as it stands; what() is
// the same text in UTF-8. The layers' own errors (db, img, report) derive from it.
class MessageError : public std::runtime_error {
public:
    explicit MessageError(const QString& message) : std::runtime_error(message.toStdString()), msg_(message) {}
    const QString& message() const { return msg_; }

private:
    QString msg_;
};

}
