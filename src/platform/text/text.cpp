#include "platform/text/text.h"
#include <QStringList>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace text {

namespace {

bool isBlank(QChar c) { return c.unicode() <= 0x20; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

}

std::optional<std::string> asciiCore(const QString& text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && isBlank(text[b])) ++b;
    while (e > b && isBlank(text[e - 1])) --e;
    if (b == e) return std::nullopt;
    std::string s;
    s.reserve(size_t(e - b));
    for (qsizetype i = b; i < e; ++i) {
        const char16_t u = text[i].unicode();
        if (u >= 0x80) return std::nullopt;
        s.push_back(char(u));
    }
    return s;
}

QString trim(const QString& s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s.at(b))) ++b;
    while (e > b && isBlank(s.at(e - 1))) --e;
    if (b == 0 && e == s.size()) return s;
    return s.mid(b, e - b);
}

QString formatNumber(double v)
{
    if (std::isnan(v)) return QStringLiteral("NAN");
    if (std::isinf(v)) return v > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (v == 0) return QStringLiteral("0");   // also -0

    // Shortest digits that read back as v, then laid out by hand so that
    // amounts never show an exponent and whole numbers show no fraction.
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    const std::string s(buf, r.ptr);
    const bool neg = s[0] == '-';
    const size_t ePos = s.find('e');
    std::string digits;
    for (size_t i = neg ? 1 : 0; i < ePos; ++i)
        if (s[i] != '.') digits.push_back(s[i]);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    const int exp = std::stoi(s.substr(ePos + 1));

    std::string out = neg ? "-" : "";
    if (exp >= 21 || exp < -6) {
        out += digits[0];
        if (digits.size() > 1) { out += '.'; out += digits.substr(1); }
        out += 'e';
        out += exp < 0 ? '-' : '+';
        out += std::to_string(std::abs(exp));
    } else if (exp >= 0) {
        const size_t intLen = size_t(exp) + 1;
        if (digits.size() <= intLen) {
            out += digits;
            out.append(intLen - digits.size(), '0');
        } else {
            out += digits.substr(0, intLen);
            out += '.';
            out += digits.substr(intLen);
        }
    } else {
        out += "0.";
        out.append(size_t(-exp - 1), '0');
        out += digits;
    }
    return QString::fromLatin1(out.data(), qsizetype(out.size()));
}

QString formatAmount(double v, int decimals)
{
    if (!std::isfinite(v)) return formatNumber(v);
    std::string s;
    if (std::fabs(v) < 1e15) {
        char buf[32];   // to_chars: the C locale's point whatever the system's locale
        const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
        s.assign(buf, r.ptr);
        // Zeros after the point only: with no places there is none.
        if (s.find('.') != std::string::npos) {
            while (s.back() == '0') s.pop_back();
            if (s.back() == '.') s.pop_back();
        }
    } else {
        // Past 1e15 a double has no cents: the shortest digits that read back
        // as v, padded with zeros (1e23 -> 1 and 23 zeros, not 99999999999999991611392).
        char buf[64];
        const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific);
        const std::string sci(buf, r.ptr);
        const size_t e = sci.find('e');
        std::string digits;
        for (size_t i = 0; i < e; ++i)
            if (sci[i] != '.') digits.push_back(sci[i]);
        const size_t intLen = size_t(std::stoi(sci.substr(e + 1))) + 1;   // >= 16 here
        if (digits.size() < intLen) digits.append(intLen - digits.size(), '0');
        else if (digits.size() > intLen) digits.insert(intLen, 1, '.');
        if (const size_t dot = digits.find('.'); dot != std::string::npos)
            digits.erase(std::min(digits.size(), decimals > 0 ? dot + 1 + size_t(decimals) : dot));
        s = (v < 0 ? "-" : "") + digits;
    }
    if (s == "-0") s = "0";
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

std::optional<double> parseNumber(const QString& text)
{
    const auto core = asciiCore(text);
    if (!core) return std::nullopt;
    const std::string& s = *core;
    size_t i = 0;
    if (s[i] == '+' || s[i] == '-') ++i;
    size_t intDigits = 0, fracDigits = 0;
    while (i < s.size() && isDigit(s[i])) { ++i; ++intDigits; }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) { ++i; ++fracDigits; }
    }
    if (intDigits + fracDigits == 0) return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        size_t expDigits = 0;
        while (i < s.size() && isDigit(s[i])) { ++i; ++expDigits; }
        if (expDigits == 0) return std::nullopt;
    }
    if (i != s.size()) return std::nullopt;

    // from_chars takes no '+'; the grammar above already rules out what
    // it would otherwise accept on its own (hex, inf, nan).
    const char* first = s.data() + (s[0] == '+' ? 1 : 0);
    const char* last = s.data() + s.size();
    double v = 0;
    const auto res = std::from_chars(first, last, v);
    if (res.ec != std::errc() || res.ptr != last) return std::nullopt;
    return v;
}

std::optional<int64_t> parseInteger(const QString& text)
{
    if (const auto core = asciiCore(text)) {
        // from_chars takes a '-' but no '+'.
        const bool plus = core->size() > 1 && (*core)[0] == '+' && (*core)[1] != '-';
        const char* last = core->data() + core->size();
        int64_t v = 0;
        const auto [end, err] = std::from_chars(core->data() + (plus ? 1 : 0), last, v);
        if (err == std::errc() && end == last) return v;
    }
    return std::nullopt;
}

std::optional<QDate> parseDate(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('-'));
    if (parts.size() != 3) return std::nullopt;
    int n[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        const auto core = asciiCore(parts[k]);
        // A year of fewer than four digits is a typing slip, not year 99.
        if (!core || (k == 0 ? core->size() != 4 : core->size() > 2)) return std::nullopt;
        for (char c : *core) {
            if (c < '0' || c > '9') return std::nullopt;
            n[k] = n[k] * 10 + (c - '0');
        }
    }
    const QDate d(n[0], n[1], n[2]);
    return d.isValid() ? std::optional(d) : std::nullopt;
}

QString formatDate(const QDate& d) { return d.isValid() ? d.toString(QString::fromLatin1(kShortDateFormat)) : QString(); }

}
