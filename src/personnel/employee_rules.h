#pragma once
#include "platform/db/value.h"
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// Rules of the employee record that need no window.
namespace personnel {

// The number part of the largest stored employee number, as the proposal
// reads it: the trimmed key without its first two characters, as a whole
// number. A key that does not end in one raises db::Error.
int64_t employeeSerial(const QString& largestKey);

// The largest n among the keys written "mr" followed by digits only.
// Text comparison ranks "mr999" above "mr1000", so the proposal needs this
// to go on past three digits.
std::optional<int64_t> largestMrSerial(const QStringList& keys);

// "mr" and serial + 1, padded with zeros to three digits.
QString formatEmployeeNumber(int64_t serial);

// The next employee number from the database's largest key (Null for an
// empty table) and the stored keys of the "mr" + digits form.
QString nextEmployeeNumber(const db::Value& largestKey, const QStringList& mrKeys);

// The birth date "yyyy-mm-dd" held in an identity-card number: characters
// 7 to 14 of an 18-character number, "19" and characters 7 to 12 of a
// 15-character one; blanks around the number do not count. Other lengths
// hold none. The characters are taken as they are, not validated.
std::optional<QString> birthDateFromIdCard(const QString& idCard);

}
