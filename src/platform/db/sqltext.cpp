#include "platform/db/sqltext.h"
#include <algorithm>
#include <vector>

namespace db {

QString quoteIdent(const QString& name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

}

namespace db::detail {

namespace {

enum class Tok { Word, Quoted, String, Number, Param, Punct };

struct Token {
    Tok kind;
    qsizetype pos;
    qsizetype len;
};

// As the engine sees identifier characters: anything outside ASCII counts.
bool idChar(char16_t c)
{
    return c == '_' || c == '$' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0x80;
}

bool isSpace(char16_t c) { return c <= 0x20; }

std::vector<Token> tokenize(const QString& s)
{
    std::vector<Token> out;
    const qsizetype n = s.size();
    auto at = [&](qsizetype i) -> char16_t { return i < n ? s[i].unicode() : 0; };
    qsizetype i = 0;
    while (i < n) {
        const char16_t c = at(i);
        const qsizetype start = i;
        if (isSpace(c)) { ++i; continue; }
        if (c == '-' && at(i + 1) == '-') {
            while (i < n && at(i) != '\n') ++i;
            continue;
        }
        if (c == '/' && at(i + 1) == '*') {
            i += 2;
            while (i < n && !(at(i) == '*' && at(i + 1) == '/')) ++i;
            i = std::min(n, i + 2);
            continue;
        }
        if (c == '\'' || c == '"' || c == '`' || c == '[') {
            const char16_t close = c == '[' ? u']' : c;
            ++i;
            while (i < n) {
                if (at(i) == close) {
                    if (close != ']' && at(i + 1) == close) { i += 2; continue; }
                    ++i;
                    break;
                }
                ++i;
            }
            out.push_back({c == '\'' ? Tok::String : Tok::Quoted, start, i - start});
            continue;
        }
        if (c == ':') {
            // Same rules as the engine: identifier characters, "::" inside.
            qsizetype j = i + 1;
            int ids = 0;
            while (j < n) {
                if (idChar(at(j))) { ++j; ++ids; }
                else if (at(j) == ':' && at(j + 1) == ':') j += 2;
                else break;
            }
            if (ids > 0) {
                out.push_back({Tok::Param, start, j - start});
                i = j;
                continue;
            }
            out.push_back({Tok::Punct, start, 1});
            ++i;
            continue;
        }
        if ((c >= '0' && c <= '9') || (c == '.' && at(i + 1) >= '0' && at(i + 1) <= '9')) {
            while (i < n && (idChar(at(i)) || at(i) == '.')) {
                if ((at(i) == 'e' || at(i) == 'E') && (at(i + 1) == '+' || at(i + 1) == '-')) ++i;
                ++i;
            }
            out.push_back({Tok::Number, start, i - start});
            continue;
        }
        if (idChar(c)) {
            while (i < n && idChar(at(i))) ++i;
            out.push_back({Tok::Word, start, i - start});
            continue;
        }
        out.push_back({Tok::Punct, start, 1});
        ++i;
    }
    return out;
}

class Reader {
public:
    Reader(const QString& s, const std::vector<Token>& t) : s_(s), t_(t) {}
    qsizetype size() const { return qsizetype(t_.size()); }
    const Token& operator[](qsizetype i) const { return t_[size_t(i)]; }
    QStringView view(qsizetype i) const { return QStringView(s_).mid(t_[size_t(i)].pos, t_[size_t(i)].len); }
    bool isWord(qsizetype i, const char* w) const
    {
        return i < size() && t_[size_t(i)].kind == Tok::Word && view(i).compare(QLatin1String(w), Qt::CaseInsensitive) == 0;
    }
    bool isWordIn(qsizetype i, std::initializer_list<const char*> ws) const
    {
        for (const char* w : ws)
            if (isWord(i, w)) return true;
        return false;
    }
    bool isPunct(qsizetype i, char16_t c) const
    {
        return i < size() && t_[size_t(i)].kind == Tok::Punct && s_[t_[size_t(i)].pos].unicode() == c;
    }
    bool isName(qsizetype i) const
    {
        return i < size() && (t_[size_t(i)].kind == Tok::Word || t_[size_t(i)].kind == Tok::Quoted);
    }

private:
    const QString& s_;
    const std::vector<Token>& t_;
};

struct Plain {
    qsizetype listPos = -1;    // start of the select list; -1: not a plain select
    qsizetype orderPos = -1;   // where an ORDER BY goes; -1: the statement has its own
    qsizetype endPos = -1;     // end of its last token, before a closing ';'
    bool limited = false;      // a LIMIT of its own
    bool listSubquery = false; // a subquery among its columns
};

// Finds whether the statement is a plain SELECT from one table, where its
// select list starts and where an ORDER BY would go. Anything unusual answers
// no: such a query is read-only.
Plain plainSelect(const Reader& r)
{
    const Plain no;
    qsizetype i = 0;
    if (!r.isWord(i, "select")) return no;
    ++i;
    if (r.isWord(i, "distinct")) return no;
    if (r.isWord(i, "all")) ++i;
    if (i >= r.size()) return no;
    const qsizetype listStart = i;
    bool ordered = false, listSubquery = false;
    qsizetype limit = -1, last = -1;

    // Parentheses that open a subquery: what is inside them is another
    // statement and says nothing about this one.
    std::vector<bool> parens;
    int subqueries = 0;
    qsizetype from = -1;
    for (qsizetype j = i; j < r.size(); ++j) {
        if (r.isPunct(j, '(')) {
            const bool sub = r.isWordIn(j + 1, {"select", "with", "values"});
            parens.push_back(sub);
            subqueries += sub;
            if (sub && from < 0) listSubquery = true;
            continue;
        }
        if (r.isPunct(j, ')')) {
            if (!parens.empty()) {
                subqueries -= parens.back();
                parens.pop_back();
            }
            if (subqueries == 0) last = j;   // "where a in (...)" ends here
            continue;
        }
        if (subqueries > 0) continue;
        if (!r.isPunct(j, ';')) last = j;
        if (r[j].kind != Tok::Word) {
            if (parens.empty() && from >= 0 && r.isPunct(j, ',')) return no;   // a join by comma
            continue;
        }
        if (parens.empty() && r.isWord(j, "order")) ordered = true;
        if (parens.empty() && limit < 0 && r.isWord(j, "limit")) limit = j;
        if (r.isWordIn(j, {"count", "sum", "avg", "min", "max", "total", "group_concat", "string_agg"})
            && r.isPunct(j + 1, '('))
            return no;
        if (r.isWordIn(j, {"over", "group", "having", "union", "intersect", "except", "join", "window", "values",
                           "natural"}))
            return no;
        if (from < 0 && parens.empty() && r.isWord(j, "from")) from = j;
    }
    if (from < 0) return no;

    qsizetype k = from + 1;
    if (!r.isName(k) || r.isWordIn(k, {"where", "order", "limit", "select"})) return no;
    ++k;
    if (r.isPunct(k, '.')) {          // schema.table
        if (!r.isName(k + 1)) return no;
        k += 2;
    }
    if (r.isWord(k, "as")) {
        if (!r.isName(k + 1)) return no;
        k += 2;
    } else if (r.isName(k) && !r.isWordIn(k, {"where", "order", "limit", "indexed", "not"})) {
        ++k;
    }
    if (k < r.size() && !r.isPunct(k, ';') && !r.isWordIn(k, {"where", "order", "limit"})) return no;

    Plain out;
    out.listPos = r[listStart].pos;
    out.endPos = r[last].pos + r[last].len;
    out.limited = limit >= 0;
    out.listSubquery = listSubquery;
    if (!ordered) out.orderPos = limit >= 0 ? r[limit].pos : out.endPos;
    return out;
}

}

SqlText analyze(const QString& sql)
{
    SqlText out;
    const std::vector<Token> tokens = tokenize(sql);
    out.text.reserve(sql.size());
    qsizetype copied = 0;
    for (const Token& t : tokens) {
        if (t.kind != Tok::Param) continue;
        const QString name = sql.mid(t.pos + 1, t.len - 1).toLower();
        out.text += QStringView(sql).mid(copied, t.pos - copied);
        out.text += QLatin1Char(':');
        out.text += name;
        copied = t.pos + t.len;
        if (!out.params.contains(name)) out.params << name;
    }
    out.text += QStringView(sql).mid(copied);

    // Lower-casing a marker may change its length (outside ASCII), so the
    // structure is read from the rewritten text.
    const std::vector<Token> rewritten = out.text.size() == sql.size() ? tokens : tokenize(out.text);
    const Reader r(out.text, rewritten);
    const Plain p = plainSelect(r);
    out.selectListPos = p.listPos;
    out.orderPos = p.orderPos;
    out.endPos = p.endPos;
    out.singleTable = p.listPos >= 0;
    out.wrappable = out.singleTable && p.orderPos == p.endPos && !p.limited && !p.listSubquery;
    return out;
}

QString withRowid(const SqlText& s, const char* columnName)
{
    if (!s.singleTable) return s.text;
    QString t = s.text;
    if (s.orderPos >= 0) t.insert(s.orderPos, QStringLiteral(" ORDER BY rowid "));
    t.insert(s.selectListPos, QStringLiteral("rowid AS \"%1\", ").arg(QLatin1String(columnName)));
    return t;
}

QString withBlobSizes(const SqlText& s, const char* rowidColumn, const QStringList& names,
                      const std::vector<int>& blobs, int bytes)
{
    if (!s.wrappable) return withRowid(s, rowidColumn);
    // Backquoted names are always names: one the inner statement lacks is an
    // error, never a string as a double-quoted one would become.
    const auto name = [](const QString& n) {
        QString q = n;
        q.replace(QLatin1Char('`'), QLatin1String("``"));
        return QLatin1Char('`') + q + QLatin1Char('`');
    };
    const QString rowid = name(QLatin1String(rowidColumn));
    QString inner = s.text.left(s.endPos);   // without a closing ';' or comment
    inner.insert(s.selectListPos, QStringLiteral("rowid AS ") + rowid + QStringLiteral(", "));

    // The engine reads type and length of a column named directly in typeof()
    // and length() without its bytes; the bytes are read only in the ELSE.
    QString cols = rowid, sizes;
    for (qsizetype c = 0; c < names.size(); ++c) {
        const QString n = name(names[c]);
        if (std::find(blobs.begin(), blobs.end(), int(c)) == blobs.end()) {
            cols += QStringLiteral(", ") + n;
            continue;
        }
        const QString large = QStringLiteral("typeof(") + n + QStringLiteral(") = 'blob' AND length(") + n
            + QStringLiteral(") > ") + QString::number(bytes);
        cols += QStringLiteral(", CASE WHEN ") + large + QStringLiteral(" THEN NULL ELSE ") + n + QStringLiteral(" END");
        sizes += QStringLiteral(", CASE WHEN ") + large + QStringLiteral(" THEN length(") + n + QStringLiteral(") END");
    }
    // The rows in stored order, as withRowid gives them; the engine merges the
    // two SELECTs into one (it would not with the ORDER BY inside).
    return QStringLiteral("SELECT ") + cols + sizes + QStringLiteral(" FROM (") + inner + QStringLiteral("\n) ORDER BY ")
        + rowid;
}

}
