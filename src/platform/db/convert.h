#pragma once
#include <QDate>
#include <QString>
#include <optional>

// The one place where texts become numbers or dates and back.
namespace db {

// Shortest text that reads back as the same double, C locale, no ".0"
// for whole numbers, no exponent for ordinary money amounts:
// 200.0 -> "200", 21.75 -> "21.75", 0.03 -> "0.03". An exponent only below
// 1e-6 or from 1e21 on: 1e-7 -> "1e-7", 1e21 -> "1e+21"; -0 -> "0".
QString formatNumber(double v);

// Strict C-locale parser: optional blanks (chars <= U+0020) around an optional
// sign, digits with an optional '.' fraction and optional exponent.
// Refuses "", blanks only, "abc", "1,500", "1a", "-", "inf", "nan", hex,
// full-width digits, and values out of the double range. Accepts what the
// database itself converts when text is stored in a REAL column.
std::optional<double> parseNumber(const QString& text);
// The same, throwing db::Error("'<text>' is not a valid floating point value.")
double toNumber(const QString& text);
// Whole numbers only (no fraction), same tolerance of blanks;
// throws db::Error("'<text>' is not a valid integer value.")
int64_t toInteger(const QString& text);

// "yyyy-MM-dd" with blanks tolerated around each number ("1999- 1- 1" ok);
// a four-digit year, one or two digits for month and day; impossible dates
// (2023-02-30) and anything else refused.
std::optional<QDate> parseDate(const QString& text);
// The same, throwing db::Error("'<text>' is not a valid date")
QDate toDate(const QString& text);

QString formatDate(const QDate& d); // "yyyy-MM-dd"

}
