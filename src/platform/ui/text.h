#pragma once
#include <QString>

namespace ui {

// Removes characters <= U+0020 at both ends; U+3000 and U+00A0 are kept
// (QString::trimmed would strip them).
QString trim(const QString& s);

// The system's short date format and long time format.
inline constexpr const char* kShortDateFormat = "yyyy-MM-dd";
inline constexpr const char* kLongTimeFormat = "HH:mm:ss";

}
