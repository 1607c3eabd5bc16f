#pragma once
#include "platform/text/text.h"
#include <QDate>
#include <QString>
#include <optional>

// The one place where texts become numbers or dates and back.
namespace db {

// The strict parser and the number format of the text unit.
using text::formatNumber;
using text::parseNumber;
// parseNumber, throwing db::Error (texts::notANumber)
double toNumber(const QString& text);
// Whole numbers only (no fraction), same tolerance of blanks;
// throws db::Error (texts::notAnInteger)
int64_t toInteger(const QString& text);

// "yyyy-MM-dd" with blanks tolerated around each number ("1999- 1- 1" ok);
// a four-digit year, one or two digits for month and day; impossible dates
// (2023-02-30) and anything else refused.
std::optional<QDate> parseDate(const QString& text);
// The same, throwing db::Error (texts::notADate)
QDate toDate(const QString& text);

QString formatDate(const QDate& d); // "yyyy-MM-dd"

}
