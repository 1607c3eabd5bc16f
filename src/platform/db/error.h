#pragma once
#include "platform/diag/error.h"
#include <QString>

struct sqlite3;

namespace db {

// Every failure of the database layer. The message is Chinese, for the
// operator; the context (the query's name, the engine's own text) goes to
// the log only. Callers that must tell one failure from another look at
// code() and constraint(), never at the text.
class Error : public diag::MessageError {
public:
    explicit Error(const QString& message, int code = 0, QString constraint = QString(), QString context = QString())
        : MessageError(message, std::move(context)), code_(code), constraint_(std::move(constraint)) {}
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

// The engine's refusal `code` with its text as an Error: a Chinese sentence
// by the kind of failure (for a named CHECK, what the schema's naming says it
// checks: "<column>_date", "<column>_finite"), the extended code, the failed
// constraint, and `context` and the engine's text for the log.
Error engineError(int code, const QString& engineText, const QString& context = QString());
// The same for the last failure on h.
Error engineError(sqlite3* h, const QString& context = QString());

}

}
