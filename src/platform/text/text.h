#pragma once
#include <QDate>
#include <QString>
#include <optional>
#include <string>

// Texts as the operator typed them, and the numbers in them: shared by the
// dialogs and by the rules that run without a window.
namespace text {

// Removes characters <= U+0020 at both ends; U+3000 and U+00A0 are kept
// (QString::trimmed would strip them).
QString trim(const QString& s);

// The text between leading and trailing blanks, as ASCII; nullopt if empty
// or if anything outside ASCII is left (full-width digits are not numbers).
std::optional<std::string> asciiCore(const QString& s);

// Shortest text that reads back as the same double, C locale, no ".0"
// for whole numbers, no exponent for ordinary money amounts:
// 200.0 -> "200", 21.75 -> "21.75", 0.03 -> "0.03". An exponent only below
// 1e-6 or from 1e21 on: 1e-7 -> "1e-7", 1e21 -> "1e+21"; -0 -> "0".
QString formatNumber(double v);

// A number as a grid shows it: rounded to at most two decimals, trailing
// zeros dropped, never an exponent: 2068.9655172413795 -> "2068.97",
// 3195.4 -> "3195.4", 1e23 -> "100000000000000000000000", -0.001 -> "0".
// `decimals` other than 2 serves factors such as a tax rate (0.035 is no 0.04).
QString formatAmount(double v, int decimals = 2);

// Strict C-locale parser: optional blanks (chars <= U+0020) around an optional
// sign, digits with an optional '.' fraction and optional exponent.
// Refuses "", blanks only, "abc", "1,500", "1a", "-", "inf", "nan", hex,
// full-width digits, and values out of the double range (also those that
// would round to zero, such as "1e-400").
std::optional<double> parseNumber(const QString& text);

// Whole numbers only (no fraction, no exponent), the same blanks and sign;
// nullopt outside the 64-bit range.
std::optional<int64_t> parseInteger(const QString& text);

// "yyyy-MM-dd" with blanks tolerated around each number ("1999- 1- 1" ok);
// a four-digit year, one or two digits for month and day; impossible dates
// (2023-02-30) and anything else refused.
std::optional<QDate> parseDate(const QString& text);
QString formatDate(const QDate& d);   // "yyyy-MM-dd"; "" for an invalid date

// The system's short date format and long time format.
inline constexpr const char* kShortDateFormat = "yyyy-MM-dd";
inline constexpr const char* kLongTimeFormat = "HH:mm:ss";

}
