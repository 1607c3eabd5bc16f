#include "platform/db/query.h"
#include "platform/db/convert.h"
#include "platform/db/error.h"
#include "platform/db/texts.h"
#include <QMultiHash>
#include <QRegularExpression>
#include <algorithm>
#include <bit>
#include <cmath>
#include <deque>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <tuple>
#include <vector>

namespace db {

QString quoteIdent(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

namespace {

[[noreturn]] void fail(const QString& query, const QString& message) { throw Error(message, 0, QString(), query); }

// The one form whose rows can be changed: "select * from <table>", then
// nothing, a condition or an order. Gives the table's name (without quotes)
// and the rest of the text.
std::optional<std::pair<QString, QString>> plainSelect(const QString& sql)
{
    static const QRegularExpression form(
        QStringLiteral(R"re(^\s*select\s+\*\s+from\s+(?:"((?:[^"]|"")+)"|([^\s,;()"'`\[\]]+))((?:\s+(?:where|order\s+by)\b.*)?\s*;?\s*)$)re"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = form.match(sql);
    if (!m.hasMatch()) return std::nullopt;
    return std::pair(m.captured(1).replace(QLatin1String("\"\""), QLatin1String("\"")) + m.captured(2), m.captured(3));
}

bool realAffinity(const char* type)
{
    for (const char* t : {"REAL", "FLOAT", "DOUBLE", "DOUBLE PRECISION"})
        if (type && sqlite3_stricmp(type, t) == 0) return true;
    return false;
}

}

// ---- the rows read ----

// The rows of one SELECT, cell after cell, row after row: each cell's kind,
// and a number: the integer, the real's bits, the size of a blob left in the
// table, or the place in `bytes` of a text (UTF-8) or blob. Deques grow
// without moving what they hold.
class Table {
public:
    enum Kind : uint8_t { Null, Integer, Real, Text, Blob, Sized };

    struct Column {
        QString name;
        bool real = false;    // REAL affinity: a text set goes through the strict parser
        bool sized = false;   // read as length(): the bytes stay in the table
    };

    std::vector<Column> columns;
    std::deque<uint8_t> kinds;
    std::deque<int64_t> numbers;
    std::deque<std::string> bytes;
    std::deque<int64_t> rowids;   // when rows can be changed
    QString table;                // the table they can be changed in; empty: read-only
    std::weak_ptr<Connection> conn;

    int rowCount() const { return int(kinds.size() / columns.size()); }
    int columnCount() const { return int(columns.size()); }
    bool contains(int row, int col) const { return row >= 0 && row < rowCount() && col >= 0 && col < columnCount(); }

    int index(const QString& name) const
    {
        for (size_t c = 0; c < columns.size(); ++c)
            if (QString::compare(columns[c].name, name, Qt::CaseInsensitive) == 0) return int(c);
        return -1;
    }

    // A row of Nulls at the end; its rowid is kept when rows can be changed.
    int appendEmpty(int64_t rowid)
    {
        if (!table.isEmpty()) rowids.push_back(rowid);
        kinds.resize(kinds.size() + columns.size(), Null);
        numbers.resize(numbers.size() + columns.size());
        return rowCount() - 1;
    }

    // The statement's row; a table's rowid comes after the columns.
    void append(sqlite3_stmt* st)
    {
        set(appendEmpty(table.isEmpty() ? 0 : sqlite3_column_int64(st, columnCount())), st);
    }

    // The cells of `row` from the statement's first columns.
    void set(int row, sqlite3_stmt* st)
    {
        for (int c = 0; c < columnCount(); ++c)
            std::tie(kinds[cell(row, c)], numbers[cell(row, c)]) = read(st, c, columns[size_t(c)].sized);
    }

    // The row's bytes stay, unused: nothing else moves.
    void remove(int row)
    {
        kinds.erase(kinds.begin() + ptrdiff_t(cell(row, 0)), kinds.begin() + ptrdiff_t(cell(row + 1, 0)));
        numbers.erase(numbers.begin() + ptrdiff_t(cell(row, 0)), numbers.begin() + ptrdiff_t(cell(row + 1, 0)));
        rowids.erase(rowids.begin() + row);
    }

    Value value(int row, int c) const
    {
        const size_t at = cell(row, c);
        const int64_t n = numbers[at];
        switch (kinds[at]) {
        case Integer: return Value::integer(n);
        case Real: return Value::real(std::bit_cast<double>(n));
        case Text: return Value::text(QString::fromUtf8(bytes[size_t(n)].data(), qsizetype(bytes[size_t(n)].size())));
        case Blob: return Value::blob(QByteArray(bytes[size_t(n)].data(), qsizetype(bytes[size_t(n)].size())));
        case Sized: {
            if (n == 0) return Value::blob(QByteArray());
            // Read from the table row when the bytes are asked for.
            const QString column = columns[size_t(c)].name;
            return Value::blob(n, [conn = conn, table = table, column, rowid = rowids[size_t(row)], n] {
                const std::shared_ptr<Connection> live = conn.lock();
                if (!live) throw Error(texts::connectionClosed(column));
                return live->readBlob(table, column, rowid, n);
            });
        }
        default: return Value();
        }
    }

    bool numberAt(int row, int c, double* out) const
    {
        const size_t at = cell(row, c);
        if (kinds[at] == Integer) *out = double(numbers[at]);
        else if (kinds[at] == Real) *out = std::bit_cast<double>(numbers[at]);
        return kinds[at] == Integer || kinds[at] == Real;
    }

    // Binds the cell as it was read, for comparing with the table; a blob
    // left in the table binds its size.
    void bind(sqlite3_stmt* st, int param, int row, int c) const
    {
        const size_t at = cell(row, c);
        const int64_t n = numbers[at];
        switch (kinds[at]) {
        case Integer:
        case Sized: sqlite3_bind_int64(st, param, n); break;
        case Real: sqlite3_bind_double(st, param, std::bit_cast<double>(n)); break;
        case Text:
            sqlite3_bind_text64(st, param, bytes[size_t(n)].data(), bytes[size_t(n)].size(), SQLITE_TRANSIENT, SQLITE_UTF8);
            break;
        case Blob: sqlite3_bind_blob64(st, param, bytes[size_t(n)].data(), bytes[size_t(n)].size(), SQLITE_TRANSIENT); break;
        default: sqlite3_bind_null(st, param);
        }
    }

    size_t memory() const
    {
        size_t n = kinds.size() + (numbers.size() + rowids.size()) * 8 + bytes.size() * sizeof(std::string);
        for (const std::string& b : bytes)
            if (b.capacity() > 15) n += b.capacity() + 1;
        return n;
    }

private:
    size_t cell(int row, int c) const { return size_t(row) * columns.size() + size_t(c); }

    // One column of the statement's row as kind and number; bytes go to the end of `bytes`.
    std::pair<uint8_t, int64_t> read(sqlite3_stmt* st, int i, bool sized)
    {
        switch (sqlite3_column_type(st, i)) {
        case SQLITE_INTEGER: return {sized ? Sized : Integer, sqlite3_column_int64(st, i)};
        case SQLITE_FLOAT: return {Real, std::bit_cast<int64_t>(sqlite3_column_double(st, i))};
        case SQLITE_TEXT:
            bytes.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, i)), size_t(sqlite3_column_bytes(st, i)));
            return {Text, int64_t(bytes.size() - 1)};
        case SQLITE_BLOB: {
            const char* p = static_cast<const char*>(sqlite3_column_blob(st, i));
            bytes.emplace_back(p ? p : "", size_t(sqlite3_column_bytes(st, i)));
            return {Blob, int64_t(bytes.size() - 1)};
        }
        default: return {Null, 0};
        }
    }
};

// The columns of a table as the file holds them now (the engine looks at
// its schema when a statement steps, not when it is prepared); none for
// anything but a table or view. A BLOB column is read by its size.
static std::vector<Table::Column> columnsOf(Connection& conn, const QString& table)
{
    std::vector<Table::Column> cols;
    const Statement st = prepare(conn.handle(), QStringLiteral("SELECT name, type FROM pragma_table_info(?)"));
    sqlite3_bind_text(st.get(), 1, table.toUtf8().constData(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(st.get()) == SQLITE_ROW) {
        const char* type = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 1));
        cols.push_back({QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0))),
                        realAffinity(type), type && sqlite3_stricmp(type, "BLOB") == 0});
    }
    return cols;
}

// ---- the query ----

// A parameter's name without its marker, "?" for one without a name.
static QString nameOf(sqlite3_stmt* st, int index)
{
    const char* name = sqlite3_bind_parameter_name(st, index);
    return name ? QString::fromUtf8(name + 1) : QStringLiteral("?");
}

struct Query::Impl final : Connection::StatementHolder {
    QStringList lines;
    // The current text, prepared when first needed, kept until it changes.
    Statement stmt;
    QString table;                             // the plain form's table: rows can be changed
    QString selectList;                        // what the plain form reads: "..., rowid"
    std::vector<Table::Column> columns;        // the plain form's, before the rowid
    QMultiHash<QString, int> paramIndex;       // index - 1 by lower-case name (a statement may hold hundreds)
    std::vector<std::optional<Value>> values;  // by index - 1; kept while the text is
    std::shared_ptr<Table> rows;
    int cur = -1;
    bool eof = true;
    std::vector<std::optional<Value>> pending;   // by column while editing
    bool editOnNoRow = false;                    // Insert begun by edit() on no row

    void releaseStatements() override { stmt.reset(); }
    void textChanged() { releaseStatements(); values.clear(); }
    void clearPending() { pending.assign(rows ? rows->columns.size() : 0, std::nullopt); editOnNoRow = false; }
    void prepare(const QString& query, Connection& conn);
    void bindParams(const QString& query);
    void requireOpen(const QString& query) const { if (!rows) fail(query, texts::notOpen()); }
    int requireField(const QString& query, const QString& name) const
    {
        requireOpen(query);
        const int i = rows->index(name);
        if (i < 0) fail(query, texts::noSuchField(name));
        return i;
    }
    void requireWritable(const QString& query) const { if (rows->table.isEmpty()) fail(query, texts::readOnlyQuery()); }
    // Moving off a row being edited saves it first, or drops an edit that
    // changed nothing, as the grid expects when the operator clicks away.
    void leaveEdit(Query& q)
    {
        if (q.state() != State::Edit && q.state() != State::Insert) return;
        if (std::any_of(pending.begin(), pending.end(), [](const auto& v) { return v.has_value(); })) q.post();
        else q.cancel();
    }
    // Makes `row` current (-1: none); `atEof` as next() past the last row.
    void moveTo(Query& q, int row, bool atEof)
    {
        eof = atEof;
        if (row == cur) return;
        cur = row;
        emit q.currentChanged(row);
    }
};

Query::Query(Connection& conn, QString name, QObject* parent)
    : QObject(parent), conn_(conn), name_(std::move(name)), d_(std::make_unique<Impl>())
{
    conn_.attach(d_.get());
}

Query::~Query() { conn_.detach(d_.get()); d_->releaseStatements(); }

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

void Query::setSql(const QString& text) { clearSql(); addSql(text); }

// The plain form reads the table's columns as the table has them when the
// text is prepared, a BLOB column by its length, then its rowid: an order by
// position still counts the caller's columns. Any other
// text, or one the engine refuses in that form (a view), runs as written and
// is read-only.
void Query::Impl::prepare(const QString& query, Connection& conn)
{
    if (stmt) return;
    sqlite3* h = conn.handle();
    const QString text = lines.join(QLatin1Char('\n'));
    table.clear();
    columns.clear();
    if (const auto plain = plainSelect(text)) {
        auto cols = columnsOf(conn, plain->first);
        QStringList list;
        for (const Table::Column& c : cols)
            list << (c.sized ? QStringLiteral("length(%1) AS %1") : QStringLiteral("%1")).arg(quoteIdent(c.name));
        selectList = (list << QStringLiteral("rowid")).join(QStringLiteral(", "));
        const QString sql = QStringLiteral("SELECT %1 FROM %2").arg(selectList, quoteIdent(plain->first)) + plain->second;
        try {
            if (!cols.empty()) stmt = db::prepare(h, sql, query);
        } catch (const Error&) {
        }
        if (stmt) {
            table = plain->first;
            columns = std::move(cols);
        }
    }
    if (!stmt) stmt = db::prepare(h, text, query);
    if (!stmt) fail(query, texts::noStatement());
    values.resize(size_t(sqlite3_bind_parameter_count(stmt.get())));
    paramIndex.clear();
    for (int i = 1; i <= int(values.size()); ++i)
        if (sqlite3_bind_parameter_name(stmt.get(), i)) paramIndex.insert(nameOf(stmt.get(), i).toLower(), i - 1);
}

QStringList Query::paramNames() const
{
    d_->prepare(name_, conn_);
    QStringList names;
    for (int i = 1; i <= int(d_->values.size()); ++i)
        if (sqlite3_bind_parameter_name(d_->stmt.get(), i) && !names.contains(nameOf(d_->stmt.get(), i).toLower()))
            names << nameOf(d_->stmt.get(), i).toLower();
    return names;
}

// Every parameter of that name, whatever the case it is written in.
void Query::setParam(const QString& name, const Value& v)
{
    d_->prepare(name_, conn_);
    const QString key = (name.startsWith(QLatin1Char(':')) ? name.mid(1) : name).toLower();
    bool found = false;
    for (auto it = d_->paramIndex.constFind(key); it != d_->paramIndex.cend() && it.key() == key; ++it) {
        d_->values[size_t(*it)] = v;
        found = true;
    }
    if (!found) fail(name_, texts::noSuchParam(key));
}

// Binds one value; `what` names it in messages. The engine copies texts and
// bytes: nothing bound depends on the lifetime of the Value.
template <class What>
static void bindValue(const QString& query, sqlite3_stmt* st, int i, const Value& v, const What& what)
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
        if (v.kind() == Value::Kind::Date && v.asText().isEmpty()) fail(query, texts::invalidDate(what()));
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
    if (rc != SQLITE_OK) throw detail::engineError(sqlite3_db_handle(st), query);
}

// Every parameter must have been given a value: an unset one is a fault of
// the caller, never a silent Null.
void Query::Impl::bindParams(const QString& query)
{
    for (size_t i = 0; i < values.size(); ++i) {
        const auto name = [&] { return nameOf(stmt.get(), int(i + 1)).toLower(); };
        if (!values[i]) fail(query, texts::paramUnset(name()));
        bindValue(query, stmt.get(), int(i + 1), *values[i], [&] { return texts::param(name()); });
    }
}

// ---- running statements ----

// Readies the statement for its next run, which releases its read lock at
// once; Error if the last step `rc` failed.
static void finish(const QString& query, sqlite3_stmt* st, int rc, bool keepBindings = false)
{
    std::optional<Error> failed;
    if (rc != SQLITE_DONE) failed = detail::engineError(sqlite3_db_handle(st), query);
    sqlite3_reset(st);
    if (!keepBindings) sqlite3_clear_bindings(st);
    if (failed) throw *failed;
}

void Query::open()
{
    close();
    d_->prepare(name_, conn_);
    sqlite3_stmt* st = d_->stmt.get();
    if (sqlite3_column_count(st) == 0) fail(name_, texts::returnsNoRows());
    d_->bindParams(name_);

    // The first step prepares the statement again if the schema changed, and
    // a "*" of the caller's may then stand for other columns: read after it.
    int rc = sqlite3_step(st);
    auto t = std::make_shared<Table>();
    t->table = d_->table;
    t->conn = conn_.weak();
    t->columns = d_->columns;
    if (t->table.isEmpty()) {
        for (int i = 0; i < sqlite3_column_count(st); ++i)
            t->columns.push_back({QString::fromUtf8(sqlite3_column_name(st, i)), realAffinity(sqlite3_column_decltype(st, i))});
    }
    for (; rc == SQLITE_ROW; rc = sqlite3_step(st)) t->append(st);
    finish(name_, st, rc);

    d_->rows = std::move(t);
    d_->clearPending();
    state_ = State::Browse;
    d_->cur = d_->rows->rowCount() > 0 ? 0 : -1;
    d_->eof = d_->rows->rowCount() == 0;
    emit reset();
    emit currentChanged(d_->cur);
}

int Query::execSql()
{
    d_->prepare(name_, conn_);
    sqlite3_stmt* st = d_->stmt.get();
    d_->bindParams(name_);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {}
    finish(name_, st, rc);
    return sqlite3_stmt_readonly(st) ? 0 : sqlite3_changes(conn_.handle());
}

void Query::close()
{
    const bool wasOpen = d_->rows != nullptr;
    d_->rows.reset();
    d_->clearPending();
    d_->cur = -1;
    d_->eof = true;
    state_ = State::Inactive;
    if (wasOpen) emit reset();
}

bool Query::isOpen() const { return d_->rows != nullptr; }

// ---- navigation ----

int Query::recordCount() const { d_->requireOpen(name_); return d_->rows->rowCount(); }

int Query::recNo() const { return d_->rows ? d_->cur : -1; }

void Query::setRecNo(int row)
{
    d_->requireOpen(name_);
    if (row < 0 || row >= d_->rows->rowCount()) fail(name_, texts::rowOutOfRange(row, d_->rows->rowCount()));
    d_->leaveEdit(*this);
    d_->moveTo(*this, row, false);
}

bool Query::eof() const { d_->requireOpen(name_); return d_->eof; }

void Query::first()
{
    d_->requireOpen(name_);
    d_->leaveEdit(*this);
    const int n = d_->rows->rowCount();
    d_->moveTo(*this, n > 0 ? 0 : -1, n == 0);
}

void Query::next()
{
    d_->requireOpen(name_);
    d_->leaveEdit(*this);
    if (d_->cur + 1 < d_->rows->rowCount()) d_->moveTo(*this, d_->cur + 1, false);
    else d_->eof = true;
}

void Query::last()
{
    d_->requireOpen(name_);
    d_->leaveEdit(*this);
    const int n = d_->rows->rowCount();
    d_->moveTo(*this, n - 1, true);
}

// ---- fields ----

QStringList Query::fieldNames() const
{
    d_->requireOpen(name_);
    QStringList names;
    for (const Table::Column& c : d_->rows->columns) names << c.name;
    return names;
}

int Query::fieldCount() const { d_->requireOpen(name_); return d_->rows->columnCount(); }

int Query::fieldIndex(const QString& name) const { return d_->rows ? d_->rows->index(name) : -1; }

Value Query::field(const QString& name) const
{
    const int c = d_->requireField(name_, name);
    if (state_ == State::Edit || state_ == State::Insert) {
        if (d_->pending[size_t(c)]) return *d_->pending[size_t(c)];
        if (state_ == State::Insert) return Value();
    }
    // An empty result reads as Null, as callers that test for Null expect.
    return d_->cur < 0 ? Value() : d_->rows->value(d_->cur, c);
}

Value Query::value(int row, int col) const
{
    d_->requireOpen(name_);
    if (!d_->rows->contains(row, col)) fail(name_, texts::cellOutOfRange(row, col));
    if (state_ == State::Edit && row == d_->cur && d_->pending[size_t(col)]) return *d_->pending[size_t(col)];
    return d_->rows->value(row, col);
}

size_t Query::bytes() const { return d_->rows ? d_->rows->memory() : 0; }

// ---- changes ----

void Query::edit()
{
    d_->requireOpen(name_);
    if (state_ == State::Edit || state_ == State::Insert) return;
    d_->requireWritable(name_);
    d_->clearPending();
    state_ = d_->cur < 0 ? State::Insert : State::Edit;
    d_->editOnNoRow = state_ == State::Insert;
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
    if (v.kind() == Value::Kind::Text && d_->rows->columns[size_t(c)].real) {
        const std::optional<double> x = parseNumber(v.asText());
        if (!x) fail(name_, texts::fieldNotANumber(name, v.asText()));
        value = Value::real(*x);
    }
    d_->pending[size_t(c)] = std::move(value);
}

// "rowid = ?" and every column still as it was read (a blob left in the
// table by its size), then the values bound in that order from `param`.
static QString sameRow(const Table& t)
{
    QString where = QStringLiteral(" WHERE rowid = ?");
    for (const Table::Column& c : t.columns)
        where += (c.sized ? QStringLiteral(" AND length(%1) IS ?") : QStringLiteral(" AND %1 IS ?")).arg(quoteIdent(c.name));
    return where;
}

static void bindSameRow(const Table& t, sqlite3_stmt* st, int param, int row)
{
    sqlite3_bind_int64(st, param++, t.rowids[size_t(row)]);
    for (int c = 0; c < t.columnCount(); ++c) t.bind(st, param++, row, c);
}

// Reads the table row back, so that the rows show what the table now holds
// (the engine's conversions, defaults, triggers). A failure here leaves the
// rows as they were: the change itself is already stored.
static void refreshRow(Connection& conn, Table& t, const QString& selectList, int row)
{
    try {
        const Statement st = prepare(conn.handle(), QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(selectList, quoteIdent(t.table)));
        sqlite3_bind_int64(st.get(), 1, t.rowids[size_t(row)]);
        if (sqlite3_step(st.get()) == SQLITE_ROW) t.set(row, st.get());
    } catch (const Error&) {
    }
}

// Writes only the fields set. An edit reaches the row by its rowid, and only
// while it still holds every value that was read: a row changed meanwhile by
// someone else (settled, say) is not written over from what the screen
// showed before.
void Query::post()
{
    d_->requireOpen(name_);
    if (state_ != State::Edit && state_ != State::Insert) return;
    Table& t = *d_->rows;
    QStringList cols;
    for (size_t c = 0; c < t.columns.size(); ++c)
        if (d_->pending[c]) cols << quoteIdent(t.columns[c].name);
    if (state_ == State::Edit && cols.isEmpty()) {
        d_->clearPending();
        state_ = State::Browse;
        return;
    }
    // An edit of no row stores one only while the query still finds none, not
    // beside a row that another copy of the program stored meanwhile.
    if (state_ == State::Insert && d_->editOnNoRow) {
        d_->prepare(name_, conn_);
        d_->bindParams(name_);
        const int rc = sqlite3_step(d_->stmt.get());
        finish(name_, d_->stmt.get(), rc == SQLITE_ROW ? SQLITE_DONE : rc);
        if (rc == SQLITE_ROW) throw RowChanged(texts::rowChanged(), 0, QString(), name_);
    }
    const QString table = quoteIdent(t.table);
    QString sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table);
    if (state_ == State::Edit)
        sql = QStringLiteral("UPDATE %1 SET %2 = ?").arg(table, cols.join(QStringLiteral(" = ?, "))) + sameRow(t);
    else if (!cols.isEmpty())
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(table, cols.join(QStringLiteral(", ")), QStringList(cols.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
    const Statement w = prepare(conn_.handle(), sql, name_);
    int param = 0;
    for (size_t c = 0; c < t.columns.size(); ++c)
        if (d_->pending[c]) bindValue(name_, w.get(), ++param, *d_->pending[c], [&] { return texts::field(t.columns[c].name); });
    if (state_ == State::Edit) bindSameRow(t, w.get(), param + 1, d_->cur);
    runToEnd(w.get(), name_);
    sqlite3* h = conn_.handle();
    if (state_ == State::Edit && sqlite3_changes(h) == 0) throw RowChanged(texts::rowChanged(), 0, QString(), name_);
    const bool inserted = state_ == State::Insert;
    const int row = inserted ? t.appendEmpty(sqlite3_last_insert_rowid(h)) : d_->cur;
    refreshRow(conn_, t, d_->selectList, row);
    d_->clearPending();
    state_ = State::Browse;
    if (!inserted) {
        emit rowChanged(row);
    } else {
        emit rowInserted(row);
        d_->moveTo(*this, row, false);
    }
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
    const bool inserting = state_ == State::Insert;
    cancel();
    if (inserting) return;   // the new row was never stored
    if (d_->cur < 0) fail(name_, texts::nothingToDelete());
    d_->requireWritable(name_);
    Table& t = *d_->rows;
    const Statement w = prepare(conn_.handle(), QStringLiteral("DELETE FROM ") + quoteIdent(t.table) + sameRow(t), name_);
    bindSameRow(t, w.get(), 1, d_->cur);
    runToEnd(w.get(), name_);
    if (sqlite3_changes(conn_.handle()) == 0) throw RowChanged(texts::rowChanged(), 0, QString(), name_);
    const int row = d_->cur;
    t.remove(row);
    const int n = t.rowCount();
    d_->cur = n == 0 ? -1 : std::min(row, n - 1);
    d_->eof = n == 0;
    emit rowRemoved(row);
    emit currentChanged(d_->cur);
}

// ---- one statement, no shared query ----

Command::Command(Connection& conn, const QString& sql) : st_(prepare(conn.handle(), sql))
{
    if (!st_) fail(QString(), texts::noStatement());
    bound_.assign(size_t(sqlite3_bind_parameter_count(st_.get())), false);
}

int Command::index(const QString& name) const
{
    const int i = sqlite3_bind_parameter_index(st_.get(), (QLatin1Char(':') + name).toUtf8().constData());
    if (i == 0) fail(QString(), texts::noSuchParam(name));
    return i;
}

void Command::bind(int index, const Value& v)
{
    bindValue(QString(), st_.get(), index, v, [&] { return texts::param(nameOf(st_.get(), index)); });
    bound_[size_t(index - 1)] = true;
}

int Command::run()
{
    const auto unset = std::find(bound_.begin(), bound_.end(), false);
    if (unset != bound_.end()) fail(QString(), texts::paramUnset(nameOf(st_.get(), int(unset - bound_.begin()) + 1)));
    int rc;
    while ((rc = sqlite3_step(st_.get())) == SQLITE_ROW) {}
    finish(QString(), st_.get(), rc, true);
    return sqlite3_changes(sqlite3_db_handle(st_.get()));
}

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
int Rows::index(const QString& name) const { return t_ ? t_->index(name) : -1; }

void Rows::check(int row, int col) const
{
    if (!t_ || !t_->contains(row, col)) fail(QString(), texts::cellOutOfRange(row, col));
}

Value Rows::value(int row, int col) const { check(row, col); return t_->value(row, col); }

Value Rows::first(const QString& name) const
{
    const int c = index(name);
    if (c < 0) fail(QString(), texts::noSuchField(name));
    return count() > 0 ? t_->value(0, c) : Value();
}

bool Rows::numberAt(int row, int col, double* out) const { check(row, col); return t_->numberAt(row, col, out); }

}
