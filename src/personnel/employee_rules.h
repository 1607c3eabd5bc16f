#pragma once
#include "platform/db/value.h"
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace db { class Connection; }

// Rules of the personnel records that need no window.
namespace personnel {

// Keys made of a prefix and a serial ("mr001", "yp001").

// The number part of the largest stored key, as the proposal reads it: the
// trimmed key less as many leading characters as the prefix has, as a whole
// number. A key that does not end in one raises db::Error naming it.
int64_t keySerial(const QString& prefix, const QString& largestKey);

// The largest n among the keys written prefix followed by digits only.
// Text comparison ranks "mr999" above "mr1000", so the proposal needs this
// to go on past three digits.
std::optional<int64_t> largestSerial(const QString& prefix, const QStringList& keys);

// The next key from the database's largest key (Null for an empty table)
// and the stored keys of the prefix + digits form.
QString nextKey(const QString& prefix, const db::Value& largestKey, const QStringList& prefixedKeys);

// The next key of table.column: the text maximum "select max(<column>) as ss
// From <table> ", then the numeric one.
QString proposeKey(db::Connection& conn, const QString& table, const QString& column, const QString& prefix);

// The next employee number: as proposeKey on 人事表.bh, but never a number that
// a deleted employee's template, assessments or contracts still hold.
QString proposeEmployeeNumber(db::Connection& conn);

// The birth date "yyyy-mm-dd" held in an identity-card number: characters
// 7 to 14 of an 18-character number, "19" and characters 7 to 12 of a
// 15-character one; blanks around the number do not count. Other lengths
// hold none. The characters are taken as they are, not validated.
std::optional<QString> birthDateFromIdCard(const QString& idCard);

// A stored date as the masked date inputs take it: a four-digit year, then
// month and day of one or two digits, separated by anything but digits,
// becomes "yyyy-MM-dd" with zeros put in (the mask fills position by
// position, so "1990-1-5" would come out scrambled). Other texts stay as
// they are.
QString dateInputText(const db::Value& stored);

}
