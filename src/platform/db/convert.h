#pragma once
#include "platform/text/text.h"

// The one place where texts become numbers or dates and back.
namespace db {

// The strict parsers and the formats of the text unit.
using text::formatDate;
using text::formatNumber;
using text::parseDate;
using text::parseInteger;
using text::parseNumber;
// The same, throwing db::Error (texts::notANumber, notAnInteger, notADate).
double toNumber(const QString& text);
int64_t toInteger(const QString& text);
QDate toDate(const QString& text);

}
