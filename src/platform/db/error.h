#pragma once
#include <QString>
#include <stdexcept>

namespace db {

// Every failure of the database layer. what() is UTF-8 so the default
// error handler can show it as it stands.
class Error : public std::runtime_error {
public:
    explicit Error(const QString& message) : std::runtime_error(message.toStdString()), msg_(message) {}
    const QString& message() const { return msg_; }
private:
    QString msg_;
};

}
