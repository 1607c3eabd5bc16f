#include "platform/db/convert.h"
#include "platform/db/error.h"
#include "platform/db/texts.h"

namespace db {

double toNumber(const QString& text) { if (auto v = parseNumber(text)) return *v; throw Error(texts::notANumber(text)); }

int64_t toInteger(const QString& text) { if (auto v = parseInteger(text)) return *v; throw Error(texts::notAnInteger(text)); }

QDate toDate(const QString& text) { if (auto d = parseDate(text)) return *d; throw Error(texts::notADate(text)); }

}
