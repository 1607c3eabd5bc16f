#pragma once
#include "platform/diag/error.h"
#include <QString>

struct sqlite3;

namespace db {

// Every failure of the database layer. what() is UTF-8 so the default
// error handler can show it as it stands. Callers that must tell one
// failure from another look at code() and constraint(), never at the text.
class Error : public diag::MessageError {
public:
    explicit Error(const QString& message, int code = 0, QString constraint = QString())
        : MessageError(message), code_(code), constraint_(std::move(constraint)) {}
    // The engine's extended result code (SQLITE_CONSTRAINT_CHECK, SQLITE_BUSY,
    // ...) when the engine refused; 0 for a fault the layer found itself.
    int code() const { return code_; }
    // The constraint that failed: a CHECK's name ("jbgz_finite"), or
    // "table.column" of a NOT NULL, UNIQUE or column-type refusal; else empty.
    const QString& constraint() const { return constraint_; }

private:
    int code_;
    QString constraint_;
};

// A post or delete whose table row is gone or no longer holds the values the
// query read: nothing was written.
class RowChanged : public Error {
public:
    using Error::Error;
};

namespace detail {

// The engine's last error on h as an Error: its extended code, the failed
// constraint, and a message in the operator's terms where the schema's
// naming tells what a constraint checks ("<column>_date", "<column>_finite").
// context, when given, goes in front ("ADOQuery1: ...").
Error engineError(sqlite3* h, const QString& context = QString());

}

}
