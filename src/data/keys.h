#pragma once
#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

// Generated keys: a fixed prefix ("mr", "yp", a four-digit year, or none)
// followed by a serial written with at least three digits.
namespace keys {

// The number a run of ASCII digits spells; none for an empty text, any other
// character, or a number beyond 64 bits.
std::optional<int64_t> digits(QStringView text);

// prefix followed by largest + 1, zero-filled to three digits ("mr" and 8 give
// "mr009", 99 gives "mr100", 999 gives "mr1000"); prefix and "001" when nothing
// is stored yet. db::Error when the next serial would not fit.
QString next(const QString& prefix, std::optional<int64_t> largest);

}
