#include "platform/db/query.h"
#include "platform/db/convert.h"
#include "platform/db/error.h"
#include "platform/db/texts.h"
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace db {

namespace {

[[noreturn]] void fail(const QString& query, const QString& message) { throw Error(message, 0, QString(), query); }

QString quoteIdent(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

// A statement of the layer's own, finalized when it goes.
struct Statement {
    sqlite3_stmt* st = nullptr;
    Statement() = default;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() { sqlite3_finalize(st); }
};

// Prepares one statement; false with nothing prepared if the engine refuses
// it or more than one statement follows (comments and ';' may).
bool prepareOne(sqlite3* h, const QString& sql, sqlite3_stmt** out, bool* more)
{
    const QByteArray u = sql.toUtf8();
    const char* tail = nullptr;
    *more = false;
    if (sqlite3_prepare_v2(h, u.constData(), int(u.size()), out, &tail) != SQLITE_OK) return false;
    const char* end = u.constData() + u.size();
    if (*out && tail && tail < end) {
        sqlite3_stmt* next = nullptr;
        const int rc = sqlite3_prepare_v2(h, tail, int(end - tail), &next, nullptr);
        *more = rc != SQLITE_OK || next != nullptr;
        sqlite3_finalize(next);
    }
    if (*more) {
        sqlite3_finalize(*out);
        *out = nullptr;
        return false;
    }
    return true;
}

// The one form of text whose rows can be changed: "select * from <table>",
// then nothing, or a condition, or an order. The table's name as written,
// then the rest of the text.
std::optional<std::pair<QString, QString>> plainSelect(const QString& sql)
{
    static const QRegularExpression form(
        QStringLiteral(R"re(^\s*select\s+\*\s+from\s+("(?:[^"]|"")+"|[^\s,;()"'`\[\]]+)((?:\s+(?:where|order\s+by)\b.*)?\s*;?\s*)$)re"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = form.match(sql);
    if (!m.hasMatch()) return std::nullopt;
    return std::pair(m.captured(1), m.captured(2));
}

QString unquoted(const QString& name)
{
    if (name.size() >= 2 && name.startsWith(QLatin1Char('"')))
        return name.mid(1, name.size() - 2).replace(QLatin1String("\"\""), QLatin1String("\""));
    return name;
}

}

// ---- the rows read ----

// The rows of one SELECT, column by column: each cell's kind, and its value
// in the vector of that kind (texts as their UTF-8 bytes). A vector holds
// rows up to the last cell of its kind, so a column of one kind costs that
// kind alone.
class Table {
public:
    // Sized: a blob left in the table, its size kept in `ints`.
    enum Kind : uint8_t { Null, Integer, Real, Text, Blob, Sized };

    struct Column {
        QString name;
        bool real = false;    // REAL affinity: a text set goes through the strict parser
        bool sized = false;   // read as length(): the bytes stay in the table
        std::vector<uint8_t> kinds;
        std::vector<int64_t> ints;
        std::vector<double> reals;
        std::vector<std::string> bytes;
    };

    std::vector<Column> cols;
    std::vector<int64_t> rowids;   // when rows can be changed
    QString table;                // the table they can be changed in; empty: read-only
    std::weak_ptr<Connection> conn;

    int rowCount() const { return int(count_); }

    int index(const QString& name) const
    {
        for (size_t c = 0; c < cols.size(); ++c)
            if (QString::compare(cols[c].name, name, Qt::CaseInsensitive) == 0) return int(c);
        return -1;
    }

    // Cells of `row` from the statement's columns first, first + 1, ...
    void set(size_t row, sqlite3_stmt* st, int first)
    {
        for (size_t c = 0; c < cols.size(); ++c) {
            Column& col = cols[c];
            const int i = first + int(c);
            uint8_t kind = Null;
            switch (sqlite3_column_type(st, i)) {
            case SQLITE_INTEGER:
                kind = col.sized ? Sized : Integer;
                put(col.ints, row, sqlite3_column_int64(st, i));
                break;
            case SQLITE_FLOAT:
                kind = Real;
                put(col.reals, row, sqlite3_column_double(st, i));
                break;
            case SQLITE_TEXT:
            case SQLITE_BLOB: {
                kind = sqlite3_column_type(st, i) == SQLITE_TEXT ? Text : Blob;
                const char* p = kind == Text ? reinterpret_cast<const char*>(sqlite3_column_text(st, i))
                                             : static_cast<const char*>(sqlite3_column_blob(st, i));
                const int n = sqlite3_column_bytes(st, i);
                put(col.bytes, row, p ? std::string(p, size_t(n)) : std::string());
                break;
            }
            default: break;
            }
            put(col.kinds, row, kind);
        }
    }

    void append(sqlite3_stmt* st, int first)
    {
        if (!table.isEmpty()) rowids.push_back(sqlite3_column_int64(st, 0));
        set(count_++, st, first);
    }

    int appendEmpty(int64_t rowid)
    {
        rowids.push_back(rowid);
        for (Column& col : cols) col.kinds.push_back(Null);
        return int(count_++);
    }

    void remove(int row)
    {
        const auto erase = [row](auto& v) {
            if (size_t(row) < v.size()) v.erase(v.begin() + row);
        };
        for (Column& col : cols) {
            erase(col.kinds);
            erase(col.ints);
            erase(col.reals);
            erase(col.bytes);
        }
        erase(rowids);
        --count_;
    }

    Value value(int row, int c) const;

    bool numberAt(int row, int c, double* out) const
    {
        const Column& col = cols[size_t(c)];
        switch (col.kinds[size_t(row)]) {
        case Integer: *out = double(col.ints[size_t(row)]); return true;
        case Real: *out = col.reals[size_t(row)]; return true;
        default: return false;
        }
    }

    // Binds the cell as it was read, for comparing with the table; a blob
    // left in the table binds its size.
    void bind(sqlite3_stmt* st, int param, int row, int c) const
    {
        const Column& col = cols[size_t(c)];
        const size_t r = size_t(row);
        switch (col.kinds[r]) {
        case Integer:
        case Sized: sqlite3_bind_int64(st, param, col.ints[r]); break;
        case Real: sqlite3_bind_double(st, param, col.reals[r]); break;
        case Text:
            sqlite3_bind_text64(st, param, col.bytes[r].data(), col.bytes[r].size(), SQLITE_TRANSIENT, SQLITE_UTF8);
            break;
        case Blob: sqlite3_bind_blob64(st, param, col.bytes[r].data(), col.bytes[r].size(), SQLITE_TRANSIENT); break;
        default: sqlite3_bind_null(st, param);
        }
    }

    size_t bytes() const
    {
        size_t n = rowids.size() * sizeof(int64_t);
        for (const Column& col : cols) {
            n += col.kinds.size() + (col.ints.size() + col.reals.size()) * 8 + col.bytes.size() * sizeof(std::string);
            for (const std::string& s : col.bytes)
                if (s.capacity() > 15) n += s.capacity() + 1;
        }
        return n;
    }

private:
    template <class V, class T>
    static void put(V& v, size_t row, T&& x)
    {
        if (row < v.size()) {
            v[row] = std::forward<T>(x);
            return;
        }
        if (row > v.size()) v.resize(row);
        v.push_back(std::forward<T>(x));
    }

    size_t count_ = 0;
};

namespace {

// A blob left in its table row, read when its value is first asked for.
class TableBlob final : public Value::BlobSource {
public:
    TableBlob(std::weak_ptr<Connection> conn, QString table, QString column, int64_t rowid, int64_t size)
        : conn_(std::move(conn)), table_(std::move(table)), column_(std::move(column)), rowid_(rowid), size_(size) {}
    int64_t size() const override { return size_; }

protected:
    QByteArray read() const override
    {
        const std::shared_ptr<Connection> c = conn_.lock();
        if (!c) throw Error(texts::connectionClosed(column_));
        return c->readBlob(table_, column_, rowid_, size_);
    }

private:
    std::weak_ptr<Connection> conn_;
    QString table_, column_;
    int64_t rowid_, size_;
};

}

Value Table::value(int row, int c) const
{
    const Column& col = cols[size_t(c)];
    const size_t r = size_t(row);
    switch (col.kinds[r]) {
    case Integer: return Value::integer(col.ints[r]);
    case Real: return Value::real(col.reals[r]);
    case Text: return Value::text(QString::fromUtf8(col.bytes[r].data(), qsizetype(col.bytes[r].size())));
    case Blob: return Value::blob(QByteArray(col.bytes[r].data(), qsizetype(col.bytes[r].size())));
    case Sized:
        if (col.ints[r] == 0) return Value::blob(QByteArray());
        return Value::blob(std::make_shared<TableBlob>(conn, table, col.name, rowids[r], col.ints[r]));
    default: return Value();
    }
}

// ---- the query ----

struct Query::Impl final : Connection::StatementHolder {
    QStringList lines;
    // The current text, prepared when first needed, kept until it changes.
    sqlite3_stmt* stmt = nullptr;
    QString table;         // rows can be changed in this table (the text's plain form)
    QString selectList;    // what that statement reads: "rowid, ..."
    std::vector<bool> sized;   // by column after the rowid: read as its length
    std::vector<QString> paramNames;              // by index - 1, without the marker, lower case
    std::vector<std::optional<Value>> values;     // by index - 1; stay while the text does
    std::shared_ptr<Table> rows;
    int cur = -1;
    bool eof = true;
    bool bof = true;
    std::vector<std::optional<Value>> pending;    // by column while editing
    int pendingCount = 0;

    void releaseStatements() override
    {
        sqlite3_finalize(stmt);
        stmt = nullptr;
    }
    void textChanged()
    {
        releaseStatements();
        table.clear();
        sized.clear();
        paramNames.clear();
        values.clear();
    }
    void clearPending()
    {
        pending.assign(rows ? rows->cols.size() : 0, std::nullopt);
        pendingCount = 0;
    }

    void prepare(const QString& query, Connection& conn);
    void bindParams(const QString& query, sqlite3* h);
    void requireOpen(const QString& query) const
    {
        if (!rows) fail(query, texts::notOpen());
    }
    int requireField(const QString& query, const QString& name) const
    {
        requireOpen(query);
        const int i = rows->index(name);
        if (i < 0) fail(query, texts::noSuchField(name));
        return i;
    }
    void requireWritable(const QString& query) const
    {
        if (rows->table.isEmpty()) fail(query, texts::readOnlyQuery());
    }
    void leaveEdit(Query& q)
    {
        if (q.state() != State::Edit && q.state() != State::Insert) return;
        if (pendingCount > 0) q.post();
        else q.cancel();
    }
};

Query::Query(Connection& conn, QString name, QObject* parent)
    : QObject(parent), conn_(conn), name_(std::move(name)), d_(std::make_unique<Impl>())
{
    conn_.attach(d_.get());
}

Query::~Query()
{
    conn_.detach(d_.get());
    d_->releaseStatements();
}

// ---- SQL text and parameters ----

void Query::clearSql()
{
    d_->lines.clear();
    d_->textChanged();
}

void Query::addSql(const QString& line)
{
    d_->lines << line;
    d_->textChanged();
}

void Query::setSql(const QString& text)
{
    clearSql();
    addSql(text);
}

QString Query::sql() const { return d_->lines.join(QLatin1Char('\n')); }

// The columns of a table as the file holds them now (the engine checks
// its schema when a statement steps, not when it is prepared): each name
// with whether it is declared BLOB. None for anything but a table or view.
static std::vector<std::pair<QString, bool>> columnsOf(sqlite3* h, const QString& table)
{
    std::vector<std::pair<QString, bool>> cols;
    Statement s;
    if (sqlite3_prepare_v2(h, "SELECT name, type FROM pragma_table_info(?)", -1, &s.st, nullptr) != SQLITE_OK) return cols;
    const QByteArray t = table.toUtf8();
    sqlite3_bind_text(s.st, 1, t.constData(), int(t.size()), SQLITE_STATIC);
    while (sqlite3_step(s.st) == SQLITE_ROW) {
        const char* type = reinterpret_cast<const char*>(sqlite3_column_text(s.st, 1));
        cols.emplace_back(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s.st, 0))),
                          type && sqlite3_stricmp(type, "BLOB") == 0);
    }
    return cols;
}

// The plain form reads the table's rowid first, then its columns; a BLOB
// column by its length only. Any other text, or one the engine refuses in
// that form (a view), runs as written and is read-only.
void Query::Impl::prepare(const QString& query, Connection& conn)
{
    if (stmt) return;
    sqlite3* h = conn.handle();
    const QString text = lines.join(QLatin1Char('\n'));
    bool more = false;
    sized.clear();
    if (const auto plain = plainSelect(text)) {
        const QString name = unquoted(plain->first);
        const auto cols = columnsOf(h, name);
        QStringList list{QStringLiteral("rowid")};
        for (const auto& [col, blob] : cols) {
            list << (blob ? QStringLiteral("length(%1) AS %1").arg(quoteIdent(col)) : quoteIdent(col));
            sized.push_back(blob);
        }
        // Without a blob, "*" follows the table should its columns change.
        if (std::find(sized.begin(), sized.end(), true) == sized.end()) list = QStringList{QStringLiteral("rowid, *")};
        selectList = list.join(QStringLiteral(", "));
        const QString sql = QStringLiteral("SELECT ") + selectList + QStringLiteral(" FROM ") + plain->first + plain->second;
        if (!cols.empty() && prepareOne(h, sql, &stmt, &more) && stmt) table = name;
    }
    if (!stmt) {
        table.clear();
        sized.clear();
        if (!prepareOne(h, text, &stmt, &more)) {
            if (more) fail(query, texts::oneStatement());
            throw detail::engineError(h, query);
        }
        if (!stmt) fail(query, texts::noStatement());
    }
    const int n = sqlite3_bind_parameter_count(stmt);
    paramNames.assign(size_t(n), QString());
    for (int i = 1; i <= n; ++i)
        if (const char* name = sqlite3_bind_parameter_name(stmt, i))
            paramNames[size_t(i - 1)] = QString::fromUtf8(name + 1).toLower();
    values.resize(size_t(n));
}

QStringList Query::paramNames() const
{
    d_->prepare(name_, conn_);
    QStringList names;
    for (const QString& n : d_->paramNames)
        if (!n.isEmpty() && !names.contains(n)) names << n;
    return names;
}

// A parameter's name as the text writes it and as a caller gives it, with
// or without its ':', the same without regard to case.
static QString keyOf(const QString& name)
{
    const QStringView key = QStringView(name).mid(name.startsWith(QLatin1Char(':')) ? 1 : 0);
    for (QChar c : key)
        if (c.isUpper()) return key.toString().toLower();
    return key.toString();
}

// Every parameter of that name, whatever the case it is written in.
void Query::setParam(const QString& name, const Value& v)
{
    d_->prepare(name_, conn_);
    const QString key = keyOf(name);
    bool found = false;
    for (size_t i = 0; i < d_->paramNames.size(); ++i) {
        if (d_->paramNames[i] == key) {
            d_->values[i] = v;
            found = true;
        }
    }
    if (!found) fail(name_, texts::noSuchParam(key));
}

Value Query::param(const QString& name) const
{
    d_->prepare(name_, conn_);
    const QString key = keyOf(name);
    for (size_t i = 0; i < d_->paramNames.size(); ++i)
        if (d_->paramNames[i] == key) return d_->values[i] ? *d_->values[i] : Value();
    fail(name_, texts::noSuchParam(key));
}

// Binds one value; `what` names it in messages. The engine copies texts and
// bytes: nothing bound depends on the lifetime of the Value.
template <class What>
static void bindValue(const QString& query, sqlite3* h, sqlite3_stmt* st, int i, const Value& v, const What& what)
{
    int rc = SQLITE_OK;
    switch (v.kind()) {
    case Value::Kind::Null: rc = sqlite3_bind_null(st, i); break;
    case Value::Kind::Integer: rc = sqlite3_bind_int64(st, i, v.asInteger()); break;
    case Value::Kind::Real:
        // The engine would store NaN as Null without a word.
        if (!std::isfinite(v.asReal())) fail(query, texts::notFinite(what()));
        rc = sqlite3_bind_double(st, i, v.asReal());
        break;
    case Value::Kind::Text:
    case Value::Kind::Date: {
        if (v.kind() == Value::Kind::Date && !v.asDate().isValid()) fail(query, texts::invalidDate(what()));
        // UTF-8 cannot hold half a surrogate pair: the library would store "?"
        // instead, making two different texts (passwords) one.
        if (!v.asText().isValidUtf16()) fail(query, texts::loneSurrogate(what()));
        const QByteArray u = v.asText().toUtf8();
        rc = sqlite3_bind_text64(st, i, u.constData(), sqlite3_uint64(u.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
    }
    case Value::Kind::Blob: {
        // No bytes is a zero-length value, not Null: binding a null pointer would make it Null.
        const QByteArray& b = v.asBlob();
        rc = b.isEmpty() ? sqlite3_bind_zeroblob(st, i, 0)
                         : sqlite3_bind_blob64(st, i, b.constData(), sqlite3_uint64(b.size()), SQLITE_TRANSIENT);
        break;
    }
    }
    if (rc != SQLITE_OK) throw detail::engineError(h, query);
}

// Every parameter must have been given a value: an unset one is a fault of
// the caller, never a silent Null.
void Query::Impl::bindParams(const QString& query, sqlite3* h)
{
    for (size_t i = 0; i < values.size(); ++i) {
        const QString& name = paramNames[i];
        if (!values[i]) fail(query, texts::paramUnset(name.isEmpty() ? QStringLiteral("?") : name));
        bindValue(query, h, stmt, int(i + 1), *values[i], [&] { return texts::param(name); });
    }
}

// ---- running statements ----

void Query::open()
{
    close();
    d_->prepare(name_, conn_);
    sqlite3* h = conn_.handle();
    sqlite3_stmt* st = d_->stmt;
    if (sqlite3_column_count(st) == 0) fail(name_, texts::returnsNoRows());
    d_->bindParams(name_, h);

    // The first step prepares the statement again if the schema changed,
    // and "*" may then stand for other columns: they are read after it.
    int rc = sqlite3_step(st);
    auto t = std::make_shared<Table>();
    t->table = d_->table;
    t->conn = conn_.weak();
    const int first = t->table.isEmpty() ? 0 : 1;
    t->cols.reserve(size_t(sqlite3_column_count(st)));
    for (int i = first; i < sqlite3_column_count(st); ++i) {
        Table::Column col;
        col.name = QString::fromUtf8(sqlite3_column_name(st, i));
        const char* type = sqlite3_column_decltype(st, i);
        col.real = type
            && (sqlite3_stricmp(type, "REAL") == 0 || sqlite3_stricmp(type, "FLOAT") == 0
                || sqlite3_stricmp(type, "DOUBLE") == 0 || sqlite3_stricmp(type, "DOUBLE PRECISION") == 0);
        col.sized = first && size_t(i - 1) < d_->sized.size() && d_->sized[size_t(i - 1)];
        t->cols.push_back(std::move(col));
    }
    for (; rc == SQLITE_ROW; rc = sqlite3_step(st)) t->append(st, first);
    if (rc != SQLITE_DONE) {
        const Error e = detail::engineError(h, name_);
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
        throw e;
    }
    sqlite3_reset(st);   // releases the read lock at once
    sqlite3_clear_bindings(st);

    d_->rows = std::move(t);
    d_->clearPending();
    state_ = State::Browse;
    d_->cur = d_->rows->rowCount() > 0 ? 0 : -1;
    d_->bof = true;
    d_->eof = d_->rows->rowCount() == 0;
    emit reset();
    emit currentChanged(d_->cur);
}

int Query::execSql()
{
    d_->prepare(name_, conn_);
    sqlite3* h = conn_.handle();
    sqlite3_stmt* st = d_->stmt;
    d_->bindParams(name_, h);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {}
    if (rc != SQLITE_DONE) {
        const Error e = detail::engineError(h, name_);
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
        throw e;
    }
    const int changed = sqlite3_stmt_readonly(st) ? 0 : sqlite3_changes(h);
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    return changed;
}

void Query::close()
{
    const bool wasOpen = d_->rows != nullptr;
    d_->rows.reset();
    d_->clearPending();
    d_->cur = -1;
    d_->eof = d_->bof = true;
    state_ = State::Inactive;
    if (wasOpen) emit reset();
}

bool Query::isOpen() const { return d_->rows != nullptr; }

// ---- navigation ----

int Query::recordCount() const
{
    d_->requireOpen(name_);
    return d_->rows->rowCount();
}

int Query::recNo() const { return d_->rows ? d_->cur : -1; }

void Query::setRecNo(int row)
{
    d_->requireOpen(name_);
    if (row < 0 || row >= d_->rows->rowCount()) fail(name_, texts::rowOutOfRange(row, d_->rows->rowCount()));
    d_->leaveEdit(*this);
    d_->bof = d_->eof = false;
    if (row != d_->cur) {
        d_->cur = row;
        emit currentChanged(row);
    }
}

bool Query::eof() const
{
    d_->requireOpen(name_);
    return d_->eof;
}

bool Query::bof() const
{
    d_->requireOpen(name_);
    return d_->bof;
}

void Query::first()
{
    d_->requireOpen(name_);
    d_->leaveEdit(*this);
    const int n = d_->rows->rowCount();
    if (n > 0 && d_->cur != 0) {
        d_->cur = 0;
        emit currentChanged(0);
    }
    d_->bof = true;
    d_->eof = n == 0;
}

void Query::next()
{
    d_->requireOpen(name_);
    d_->leaveEdit(*this);
    if (d_->cur + 1 < d_->rows->rowCount()) {
        ++d_->cur;
        d_->bof = d_->eof = false;
        emit currentChanged(d_->cur);
    } else {
        d_->eof = true;
    }
}

void Query::prior()
{
    d_->requireOpen(name_);
    d_->leaveEdit(*this);
    if (d_->cur > 0) {
        --d_->cur;
        d_->bof = d_->eof = false;
        emit currentChanged(d_->cur);
    } else {
        d_->bof = true;
    }
}

void Query::last()
{
    d_->requireOpen(name_);
    d_->leaveEdit(*this);
    const int n = d_->rows->rowCount();
    if (n > 0 && d_->cur != n - 1) {
        d_->cur = n - 1;
        emit currentChanged(d_->cur);
    }
    d_->bof = n == 0;
    d_->eof = true;
}

// ---- fields ----

QStringList Query::fieldNames() const
{
    d_->requireOpen(name_);
    QStringList names;
    for (const Table::Column& c : d_->rows->cols) names << c.name;
    return names;
}

int Query::fieldCount() const
{
    d_->requireOpen(name_);
    return int(d_->rows->cols.size());
}

int Query::fieldIndex(const QString& name) const { return d_->rows ? d_->rows->index(name) : -1; }

Value Query::field(const QString& name) const
{
    const int c = d_->requireField(name_, name);
    if (state_ == State::Edit || state_ == State::Insert) {
        if (d_->pending[size_t(c)]) return *d_->pending[size_t(c)];
        if (state_ == State::Insert) return Value();
    }
    // An empty result reads as Null, as callers that test for Null expect.
    if (d_->cur < 0) return Value();
    return d_->rows->value(d_->cur, c);
}

Value Query::value(int row, int col) const
{
    d_->requireOpen(name_);
    if (row < 0 || row >= d_->rows->rowCount() || col < 0 || col >= fieldCount())
        fail(name_, texts::cellOutOfRange(row, col));
    if (state_ == State::Edit && row == d_->cur && d_->pending[size_t(col)]) return *d_->pending[size_t(col)];
    return d_->rows->value(row, col);
}

bool Query::numberAt(int row, int col, double* out) const
{
    d_->requireOpen(name_);
    if (row < 0 || row >= d_->rows->rowCount() || col < 0 || col >= fieldCount())
        fail(name_, texts::cellOutOfRange(row, col));
    if (state_ == State::Edit && row == d_->cur && d_->pending[size_t(col)]) {
        const Value& v = *d_->pending[size_t(col)];
        if (v.kind() == Value::Kind::Integer) *out = double(v.asInteger());
        else if (v.kind() == Value::Kind::Real) *out = v.asReal();
        else return false;
        return true;
    }
    return d_->rows->numberAt(row, col, out);
}

size_t Query::bytes() const { return d_->rows ? d_->rows->bytes() : 0; }

// ---- changes ----

void Query::edit()
{
    d_->requireOpen(name_);
    if (state_ == State::Edit || state_ == State::Insert) return;
    d_->requireWritable(name_);
    d_->clearPending();
    state_ = d_->cur < 0 ? State::Insert : State::Edit;
}

void Query::append()
{
    d_->requireOpen(name_);
    d_->leaveEdit(*this);
    d_->requireWritable(name_);
    d_->clearPending();
    state_ = State::Insert;
}

void Query::setField(const QString& name, const Value& v)
{
    const int c = d_->requireField(name_, name);
    if (state_ != State::Edit && state_ != State::Insert) fail(name_, texts::notEditing());
    // A text for a number column goes through the strict parser: the engine
    // would take "1e999" for infinity and "1e-400" for 0 without a word.
    Value value = v;
    if (v.kind() == Value::Kind::Text && d_->rows->cols[size_t(c)].real) {
        const std::optional<double> x = parseNumber(v.asText());
        if (!x) fail(name_, texts::fieldNotANumber(name, v.asText()));
        value = Value::real(*x);
    }
    if (!d_->pending[size_t(c)]) ++d_->pendingCount;
    d_->pending[size_t(c)] = std::move(value);
}

namespace {

// "rowid = ?" and every column still as it was read; a blob left in the
// table compared by its size.
QString sameRow(const Table& t)
{
    QString where = QStringLiteral(" WHERE rowid = ?");
    for (const Table::Column& c : t.cols)
        where += c.sized ? QStringLiteral(" AND length(%1) IS ?").arg(quoteIdent(c.name))
                         : QStringLiteral(" AND %1 IS ?").arg(quoteIdent(c.name));
    return where;
}

void bindSameRow(const Table& t, sqlite3_stmt* st, int param, int row)
{
    sqlite3_bind_int64(st, param++, t.rowids[size_t(row)]);
    for (size_t c = 0; c < t.cols.size(); ++c) t.bind(st, param++, row, int(c));
}

}

// Reads the table row back, so that the rows show what the table now holds
// (the engine's conversions, defaults). A failure here leaves the rows as
// they were: the change itself is already stored.
static void refreshRow(Connection& conn, Table& t, const QString& selectList, int row)
{
    try {
        Connection::Run r(conn, QStringLiteral("SELECT ") + selectList + QStringLiteral(" FROM ") + quoteIdent(t.table)
                                    + QStringLiteral(" WHERE rowid = ?"));
        sqlite3_bind_int64(r.st, 1, t.rowids[size_t(row)]);
        if (sqlite3_step(r.st) == SQLITE_ROW) t.set(size_t(row), r.st, 1);
    } catch (const Error&) {
    }
}

void Query::post()
{
    d_->requireOpen(name_);
    if (state_ != State::Edit && state_ != State::Insert) return;
    Table& t = *d_->rows;
    QStringList cols;
    std::vector<const Value*> values;
    for (size_t c = 0; c < t.cols.size(); ++c) {
        if (!d_->pending[c]) continue;
        cols << quoteIdent(t.cols[c].name);
        values.push_back(&*d_->pending[c]);
    }
    sqlite3* h = conn_.handle();
    const QString table = quoteIdent(t.table);
    const auto bindValues = [&](sqlite3_stmt* st) {
        for (size_t k = 0; k < values.size(); ++k)
            bindValue(name_, h, st, int(k + 1), *values[k], [&] { return texts::field(unquoted(cols[qsizetype(k)])); });
    };

    if (state_ == State::Edit) {
        if (cols.isEmpty()) {
            cancel();
            return;
        }
        // The row is found by its rowid, and must still hold every value
        // that was read: a row changed meanwhile by someone else (settled,
        // say) is not written over from what the screen showed before.
        {
            Connection::Run w(conn_, QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ")
                                  + cols.join(QStringLiteral(" = ?, ")) + QStringLiteral(" = ?") + sameRow(t), name_);
            bindValues(w.st);
            bindSameRow(t, w.st, int(values.size()) + 1, d_->cur);
            w.done();
        }
        if (sqlite3_changes(h) == 0) throw RowChanged(texts::rowChanged(), 0, QString(), name_);
        refreshRow(conn_, t, d_->selectList, d_->cur);
        d_->clearPending();
        state_ = State::Browse;
        emit rowChanged(d_->cur);
        return;
    }

    QString sql = QStringLiteral("INSERT INTO ") + table;
    if (cols.isEmpty()) {
        sql += QStringLiteral(" DEFAULT VALUES");
    } else {
        QStringList marks;
        for (qsizetype k = 0; k < cols.size(); ++k) marks << QStringLiteral("?");
        sql += QStringLiteral(" (") + cols.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (")
            + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    {
        Connection::Run w(conn_, sql, name_);
        bindValues(w.st);
        w.done();
    }
    const int row = t.appendEmpty(sqlite3_last_insert_rowid(h));
    refreshRow(conn_, t, d_->selectList, row);
    d_->clearPending();
    state_ = State::Browse;
    d_->cur = row;
    d_->bof = d_->eof = false;
    emit rowInserted(row);
    emit currentChanged(row);
}

void Query::cancel()
{
    if (state_ != State::Edit && state_ != State::Insert) return;
    const bool wasEdit = state_ == State::Edit;
    d_->clearPending();
    state_ = State::Browse;
    if (wasEdit) emit rowChanged(d_->cur);
}

int64_t Query::rowId(int row) const
{
    d_->requireOpen(name_);
    if (row < 0 || row >= d_->rows->rowCount()) fail(name_, texts::rowOutOfRange(row, d_->rows->rowCount()));
    d_->requireWritable(name_);
    return d_->rows->rowids[size_t(row)];
}

void Query::deleteRow()
{
    d_->requireOpen(name_);
    if (state_ == State::Insert) {   // the new row was never stored
        cancel();
        return;
    }
    cancel();
    if (d_->cur < 0) fail(name_, texts::nothingToDelete());
    d_->requireWritable(name_);
    Table& t = *d_->rows;
    sqlite3* h = conn_.handle();
    {
        Connection::Run w(conn_, QStringLiteral("DELETE FROM ") + quoteIdent(t.table) + sameRow(t), name_);
        bindSameRow(t, w.st, 1, d_->cur);
        w.done();
    }
    if (sqlite3_changes(h) == 0) throw RowChanged(texts::rowChanged(), 0, QString(), name_);

    const int row = d_->cur;
    t.remove(row);
    const int n = t.rowCount();
    d_->cur = n == 0 ? -1 : std::min(row, n - 1);
    d_->bof = n == 0;
    d_->eof = n == 0;
    emit rowRemoved(row);
    emit currentChanged(d_->cur);
}

// ---- one statement, no shared query ----

Rows select(Connection& conn, const QString& sql, const Params& params)
{
    Query q(conn, QString());
    q.setSql(sql);
    for (const auto& [name, v] : params) q.setParam(name, v);
    q.open();
    return Rows(q.d_->rows);
}

int exec(Connection& conn, const QString& sql, const Params& params)
{
    Query q(conn, QString());
    q.setSql(sql);
    for (const auto& [name, v] : params) q.setParam(name, v);
    return q.execSql();
}

void runSelect(Query& q, const QString& sql)
{
    q.close();
    q.clearSql();
    q.addSql(sql);
    q.open();
}

int Rows::count() const { return t_ ? t_->rowCount() : 0; }

int Rows::columnCount() const { return t_ ? int(t_->cols.size()) : 0; }

QStringList Rows::names() const
{
    QStringList names;
    if (t_)
        for (const Table::Column& c : t_->cols) names << c.name;
    return names;
}

int Rows::index(const QString& name) const { return t_ ? t_->index(name) : -1; }

void Rows::check(int row, int col) const
{
    if (row < 0 || row >= count() || col < 0 || col >= columnCount()) fail(QString(), texts::cellOutOfRange(row, col));
}

Value Rows::value(int row, int col) const
{
    check(row, col);
    return t_->value(row, col);
}

Value Rows::value(int row, const QString& name) const
{
    const int c = index(name);
    if (c < 0) fail(QString(), texts::noSuchField(name));
    return value(row, c);
}

Value Rows::first(const QString& name) const
{
    const int c = index(name);
    if (c < 0) fail(QString(), texts::noSuchField(name));
    return count() > 0 ? t_->value(0, c) : Value();
}

bool Rows::numberAt(int row, int col, double* out) const
{
    check(row, col);
    return t_->numberAt(row, col, out);
}

int64_t Rows::rowid(int row) const
{
    check(row, 0);
    if (t_->table.isEmpty()) fail(QString(), texts::readOnlyQuery());
    return t_->rowids[size_t(row)];
}

size_t Rows::bytes() const { return t_ ? t_->bytes() : 0; }

}
