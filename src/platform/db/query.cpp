#include "platform/db/query.h"
#include "platform/db/convert.h"
#include "platform/db/error.h"
#include "platform/db/snapshot.h"
#include "platform/db/sqltext.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <sqlite3.h>

namespace db {

namespace {

constexpr const char* kRowidColumn = "__rowid__";

// A post or delete whose row is gone or holds other values than were read.
const QString kRowChangedText = QStringLiteral("该记录已被修改，请重新打开");

[[noreturn]] void fail(const QString& query, const QString& message)
{
    throw Error(message, 0, QString(), query);
}

// The engine's refusal, named after the query.
[[noreturn]] void failEngine(const QString& query, sqlite3* h)
{
    throw detail::engineError(h, query);
}

// Is the rest of the text after the first statement empty (blanks, comments, ';')?
bool nothingFollows(sqlite3* h, const char* tail, const char* end)
{
    if (!tail || tail >= end) return true;
    sqlite3_stmt* st = nullptr;
    const int rc = sqlite3_prepare_v2(h, tail, int(end - tail), &st, nullptr);
    const bool empty = rc == SQLITE_OK && st == nullptr;
    sqlite3_finalize(st);
    return empty;
}

bool firstColumnIsRowid(sqlite3_stmt* st)
{
    if (sqlite3_column_count(st) < 1) return false;
    const char* origin = sqlite3_column_origin_name(st, 0);
    const char* table = sqlite3_column_table_name(st, 0);
    return origin && table && sqlite3_stricmp(origin, "rowid") == 0;
}

}

struct Query::Impl final : Connection::StatementHolder {
    QStringList lines;
    // The reading of the text, kept while clearSql + addSql give the same
    // text again, as a query run once per row does.
    mutable std::optional<detail::SqlText> parsed;
    mutable QStringList parsedFrom;
    mutable bool linesChanged = true;
    mutable qsizetype paramHint = 0;            // where the next parameter name is looked for first
    std::vector<std::optional<Value>> values;   // by position in the parameter names

    // The last statement run, kept for the next run of the same text.
    sqlite3_stmt* stmt = nullptr;
    QString stmtText;
    bool stmtRowid = false;
    bool stmtSized = false;        // lists the columns the schema had (withBlobSizes)
    std::vector<int> stmtParams;   // its parameter i + 1 -> position in the names; -1 none
    // Its columns, until the engine prepares it again for a changed schema.
    std::shared_ptr<const Shape> shape;
    int shapeReprepares = -1;

    std::unique_ptr<Snapshot> snap;
    std::unique_ptr<Snapshot> spare;   // a small closed one, its memory for the next open
    int cur = -1;
    bool eof = true;
    bool bof = true;
    // By column, while editing; outside an edit every one is empty, and the
    // vector stays for the next edit.
    std::vector<std::optional<Value>> pending;
    std::vector<int> pendingCols;                // the columns set, each once
    std::vector<int> postCols;                   // the columns a post writes (kept for its memory)

    void startEdit(int columns)
    {
        if (pending.size() != size_t(columns)) {
            pending.assign(size_t(columns), std::nullopt);
            pendingCols.clear();
        }
    }
    void clearPending()
    {
        for (int c : pendingCols) pending[size_t(c)].reset();
        pendingCols.clear();
    }

    void releaseStatements() override
    {
        sqlite3_finalize(stmt);
        stmt = nullptr;
        stmtText.clear();
        stmtRowid = false;
        stmtSized = false;
        stmtParams.clear();
        shape.reset();
        shapeReprepares = -1;
    }

    const detail::SqlText& sql() const
    {
        if (linesChanged) reread();
        return *parsed;
    }
    void reread() const
    {
        if (!parsed || !sameLines(parsedFrom, lines)) {
            parsed = detail::analyze(lines.join(QLatin1Char('\n')));
            parsedFrom = lines;
        }
        linesChanged = false;
    }

    static bool sameLines(const QStringList& a, const QStringList& b)
    {
        if (a.size() != b.size()) return false;
        for (qsizetype i = 0; i < a.size(); ++i)
            if (!detail::sameText(a[i], b[i])) return false;
        return true;
    }

    void textChanged()
    {
        linesChanged = true;
        values.clear();
    }

    int paramIndex(const QString& name) const;
    const std::shared_ptr<const Shape>& shapeOf(sqlite3_stmt* st, int first);

    void prepare(const QString& query, Connection& conn);
    void readShape(sqlite3* h, const detail::SqlText& s);
    void bindParams(const QString& query, sqlite3* h);
    int start(const QString& query, Connection& conn, bool rows);
    bool current(sqlite3* h, int rc);
    void requireOpen(const QString& query) const;
    int requireField(const QString& query, const QString& name) const;
    void requireWritable(const QString& query) const;
    void leaveEdit(Query& q);
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

QStringList Query::paramNames() const { return d_->sql().params; }

static QString paramKey(const QString& name)
{
    return (name.startsWith(QLatin1Char(':')) ? name.mid(1) : name).toLower();
}

int Query::Impl::paramIndex(const QString& name) const
{
    const QStringList& names = sql().params;
    QStringView n(name);
    if (n.startsWith(QLatin1Char(':'))) n = n.mid(1);
    // Names are mostly given in the text's order and spelling: the one after
    // the last found is tried first, and no lower-case copy is made.
    const qsizetype count = names.size();
    qsizetype i = paramHint < count ? paramHint : 0;
    for (qsizetype k = 0; k < count; ++k) {
        if (detail::sameText(names[i], n)) {
            paramHint = i + 1;
            return int(i);
        }
        if (++i == count) i = 0;
    }
    const QString key = n.toString().toLower();
    for (qsizetype i = 0; i < names.size(); ++i)
        if (detail::sameText(names[i], key)) return int(i);
    return -1;
}

void Query::setParam(const QString& name, const Value& v)
{
    const int i = d_->paramIndex(name);
    if (i < 0) fail(name_, QStringLiteral("参数 :%1 不存在").arg(paramKey(name)));
    if (d_->values.size() <= size_t(i)) d_->values.resize(size_t(d_->sql().params.size()));
    d_->values[size_t(i)] = v;
}

Value Query::param(const QString& name) const
{
    const int i = d_->paramIndex(name);
    if (i < 0) fail(name_, QStringLiteral("参数 :%1 不存在").arg(paramKey(name)));
    return size_t(i) < d_->values.size() && d_->values[size_t(i)] ? *d_->values[size_t(i)] : Value();
}

static int bindText(sqlite3_stmt* st, int i, const QString& text)
{
    const QByteArray u = text.toUtf8();
    return sqlite3_bind_text64(st, i, u.constData(), sqlite3_uint64(u.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
}

// Binds one value; what() names it in messages, made only when one is needed.
// The engine copies texts and bytes (SQLITE_TRANSIENT): nothing bound depends
// on the lifetime of the Value.
template <class What>
static void bindValue(const QString& query, sqlite3* h, sqlite3_stmt* st, int i, const Value& v, const What& what)
{
    int rc = SQLITE_OK;
    switch (v.kind()) {
    case Value::Kind::Null: rc = sqlite3_bind_null(st, i); break;
    case Value::Kind::Integer: rc = sqlite3_bind_int64(st, i, v.asInteger()); break;
    case Value::Kind::Real:
        // The engine would store NaN as Null without a word.
        if (!std::isfinite(v.asReal())) fail(query, QStringLiteral("%1 不是有效的数字").arg(what()));
        rc = sqlite3_bind_double(st, i, v.asReal());
        break;
    case Value::Kind::Text:
        // UTF-8 cannot hold half a surrogate pair: the library would store "?"
        // instead, making two different texts (passwords) one.
        if (!v.asText().isValidUtf16())
            fail(query, QStringLiteral("%1 含有无效字符（不成对的 UTF-16 代理项），不能保存或比较").arg(what()));
        rc = bindText(st, i, v.asText());
        break;
    case Value::Kind::Date:
        if (!v.asDate().isValid()) fail(query, QStringLiteral("%1 的日期无效").arg(what()));
        rc = bindText(st, i, v.asText());
        break;
    case Value::Kind::Blob: {
        // No bytes is a zero-length value, not Null: binding a null pointer would make it Null.
        const QByteArray& b = v.asBlob();
        rc = b.isEmpty() ? sqlite3_bind_zeroblob(st, i, 0)
                         : sqlite3_bind_blob64(st, i, b.constData(), sqlite3_uint64(b.size()), SQLITE_TRANSIENT);
        break;
    }
    }
    if (rc != SQLITE_OK) failEngine(query, h);
}

// ---- running statements ----

// Prepares the current text, or readies the statement kept from the last run
// of the same text. A plain single-table SELECT gets the hidden rowid column.
void Query::Impl::prepare(const QString& query, Connection& conn)
{
    Impl& d = *this;
    sqlite3* h = conn.handle();
    const detail::SqlText& s = d.sql();
    if (d.stmt && detail::sameText(d.stmtText, s.text)) {
        sqlite3_reset(d.stmt);
        return;
    }
    d.releaseStatements();
    // Which value each parameter of the statement takes, found once.
    const auto mapParams = [&] {
        const int n = sqlite3_bind_parameter_count(d.stmt);
        d.stmtParams.assign(size_t(n), -1);
        for (int i = 1; i <= n; ++i) {
            const char* name = sqlite3_bind_parameter_name(d.stmt, i);
            if (name && name[0] == ':') d.stmtParams[size_t(i - 1)] = int(s.params.indexOf(QString::fromUtf8(name + 1)));
        }
    };

    if (s.singleTable) {
        const QByteArray u = detail::withRowid(s, kRowidColumn).toUtf8();
        sqlite3_stmt* st = nullptr;
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(h, u.constData(), int(u.size()), &st, &tail) == SQLITE_OK && st
            && firstColumnIsRowid(st) && nothingFollows(h, tail, u.constData() + u.size())) {
            d.stmt = st;
            d.stmtText = s.text;
            d.stmtRowid = true;
            d.readShape(h, s);
            mapParams();
            return;
        }
        // A view, or something the text reader took for a table: run it as written, read-only.
        sqlite3_finalize(st);
    }

    const QByteArray u = s.text.toUtf8();
    sqlite3_stmt* st = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(h, u.constData(), int(u.size()), &st, &tail) != SQLITE_OK) {
        sqlite3_finalize(st);
        failEngine(query, h);
    }
    if (!st) fail(query, QStringLiteral("没有要执行的 SQL 语句"));
    if (!nothingFollows(h, tail, u.constData() + u.size())) {
        sqlite3_finalize(st);
        fail(query, QStringLiteral("一次只能执行一条 SQL 语句"));
    }
    d.stmt = st;
    d.stmtText = s.text;
    d.stmtRowid = false;
    mapParams();
}

// Do two statements name the same table columns, but for the columns given?
static bool sameOrigins(sqlite3_stmt* a, sqlite3_stmt* b, int first, int cols, const std::vector<int>& except)
{
    const auto same = [](const char* x, const char* y) { return x == y || (x && y && std::strcmp(x, y) == 0); };
    for (int c = 0; c < cols; ++c) {
        if (std::find(except.begin(), except.end(), c) != except.end()) continue;
        if (!same(sqlite3_column_origin_name(a, first + c), sqlite3_column_origin_name(b, first + c))
            || !same(sqlite3_column_table_name(a, first + c), sqlite3_column_table_name(b, first + c)))
            return false;
    }
    return true;
}

// The columns of the rowid statement just prepared. A plain SELECT of BLOB
// columns is then read through withBlobSizes: stepping never reads the bytes
// of a large blob, nor, for the columns stored behind it, the pages it fills.
// The columns stay those of the statement as written, which is kept if the
// engine refuses the other or would give other columns.
void Query::Impl::readShape(sqlite3* h, const detail::SqlText& s)
{
    std::shared_ptr<Shape> sh = Shape::read(stmt, 1, true);
    bool sized = s.wrappable && !sh->blobColumns.empty();
    for (int c = 0; sized && c < sh->cols; ++c)
        if (sh->index(sh->names[c]) != c) sized = false;   // equal names: the outer SELECT could not tell them apart
    sqlite3_stmt* st = nullptr;
    if (sized) {
        const QByteArray u =
            detail::withBlobSizes(s, kRowidColumn, sh->names, sh->blobColumns, int(Snapshot::kLazyBlobBytes)).toUtf8();
        if (sqlite3_prepare_v2(h, u.constData(), int(u.size()), &st, nullptr) != SQLITE_OK || !st
            || sqlite3_column_count(st) != 1 + sh->cols + int(sh->blobColumns.size())
            || !sameOrigins(stmt, st, 1, sh->cols, sh->blobColumns)) {
            sqlite3_finalize(st);
            st = nullptr;
        }
    }
    if (st) {
        for (size_t k = 0; k < sh->blobColumns.size(); ++k)
            sh->sizes.emplace_back(sh->blobColumns[k], 1 + sh->cols + int(k));
        sqlite3_finalize(stmt);
        stmt = st;
        stmtSized = true;
    }
    shape = std::move(sh);
    shapeReprepares = sqlite3_stmt_status(stmt, SQLITE_STMTSTATUS_REPREPARE, 0);
}

// Every parameter of the statement must have been given a value: an
// unset one is a fault of the caller, never a silent Null.
void Query::Impl::bindParams(const QString& query, sqlite3* h)
{
    Impl& d = *this;
    const int n = int(d.stmtParams.size());
    for (int i = 1; i <= n; ++i) {
        const int k = d.stmtParams[size_t(i - 1)];
        if (k < 0 || size_t(k) >= d.values.size() || !d.values[size_t(k)]) {
            const char* name = sqlite3_bind_parameter_name(d.stmt, i);
            if (!name || name[0] != ':')
                fail(query, QStringLiteral("参数 %1 没有赋值").arg(QString::fromUtf8(name ? name : "?")));
            fail(query, QStringLiteral("参数 :%1 没有赋值").arg(QString::fromUtf8(name + 1)));
        }
        bindValue(query, h, d.stmt, i, *d.values[size_t(k)],
                  [&] { return QStringLiteral("参数 :%1").arg(sql().params[k]); });
    }
}

// Has a statement that lists the columns the schema had (stmtSized) the
// columns of the text as written still, after a first step that gave `rc`?
// The engine prepares a statement again for a changed schema, and also for
// the value of a parameter (a LIKE pattern).
bool Query::Impl::current(sqlite3* h, int rc)
{
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return false;
    const int reprepares = sqlite3_stmt_status(stmt, SQLITE_STMTSTATUS_REPREPARE, 0);
    if (reprepares == shapeReprepares) return true;
    const QByteArray u = detail::withRowid(sql(), kRowidColumn).toUtf8();
    sqlite3_stmt* st = nullptr;
    const bool same = sqlite3_prepare_v2(h, u.constData(), int(u.size()), &st, nullptr) == SQLITE_OK && st
        && Shape::read(st, 1, true)->sameColumns(*shape);
    sqlite3_finalize(st);
    if (same) shapeReprepares = reprepares;
    return same;
}

// Prepares and binds the text and takes the first step (`rows`: Error for a
// statement that returns none, which is then not run). A statement that
// lists the columns the schema had and no longer has them, or that fails, is
// made afresh once.
int Query::Impl::start(const QString& query, Connection& conn, bool rows)
{
    for (bool retry = true;; retry = false) {
        prepare(query, conn);
        bindParams(query, conn.handle());
        if (rows && sqlite3_column_count(stmt) <= (stmtRowid ? 1 : 0)) fail(query, QStringLiteral("语句不返回数据集"));
        const int rc = sqlite3_step(stmt);
        if (!retry || !stmtSized || current(conn.handle(), rc)) return rc;
        releaseStatements();
    }
}

// The columns are read after the statement's first step: a statement whose
// tables changed since it was prepared is prepared again by that step, and
// may have other columns then. One that lists the columns itself keeps the
// shape made with it (start() sees that it still holds).
const std::shared_ptr<const Shape>& Query::Impl::shapeOf(sqlite3_stmt* st, int first)
{
    const int reprepares = sqlite3_stmt_status(st, SQLITE_STMTSTATUS_REPREPARE, 0);
    if (!shape || (!stmtSized && reprepares != shapeReprepares)) {
        shape = Shape::read(st, first, stmtRowid);
        shapeReprepares = reprepares;
    }
    return shape;
}

void Query::open()
{
    close();
    int rc = d_->start(name_, conn_, true);
    sqlite3* h = conn_.handle();
    sqlite3_stmt* st = d_->stmt;
    const int first = d_->stmtRowid ? 1 : 0;

    std::unique_ptr<Snapshot> snap;
    for (;; rc = sqlite3_step(st)) {
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            const Error e = detail::engineError(h, name_);
            sqlite3_reset(st);
            throw e;
        }
        if (!snap) {
            if (d_->spare) {
                snap = std::move(d_->spare);
                snap->reuse(d_->shapeOf(st, first));
            } else {
                snap = std::make_unique<Snapshot>(d_->shapeOf(st, first));
            }
            snap->setConnection(conn_.weak());
        }
        if (rc == SQLITE_DONE) break;
        snap->appendFrom(st);
    }
    sqlite3_reset(st);   // releases the read lock at once
    sqlite3_clear_bindings(st);   // and the copies of the values

    d_->snap = std::move(snap);
    state_ = State::Browse;
    d_->cur = d_->snap->rowCount() > 0 ? 0 : -1;
    d_->bof = true;
    d_->eof = d_->snap->rowCount() == 0;
    emit reset();
    emit currentChanged(d_->cur);
}

int Query::execSql()
{
    int rc = d_->start(name_, conn_, false);
    sqlite3* h = conn_.handle();
    sqlite3_stmt* st = d_->stmt;
    for (;; rc = sqlite3_step(st)) {
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) {
            const Error e = detail::engineError(h, name_);
            sqlite3_reset(st);
            throw e;
        }
    }
    const int changed = sqlite3_stmt_readonly(st) ? 0 : sqlite3_changes(h);
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    return changed;
}

void Query::close()
{
    const bool wasOpen = d_->snap != nullptr;
    constexpr size_t kSpareBytes = 64 * 1024;
    if (wasOpen && d_->snap->bytes() <= kSpareBytes) d_->spare = std::move(d_->snap);
    d_->snap.reset();
    d_->clearPending();
    d_->cur = -1;
    d_->eof = d_->bof = true;
    state_ = State::Inactive;
    if (wasOpen) emit reset();
}

bool Query::isOpen() const { return d_->snap != nullptr; }

// ---- navigation ----

void Query::Impl::requireOpen(const QString& query) const
{
    if (!snap) fail(query, QStringLiteral("数据集没有打开"));
}

int Query::recordCount() const
{
    d_->requireOpen(name_);
    return d_->snap->rowCount();
}

int Query::recNo() const { return d_->snap ? d_->cur : -1; }

// Moving off a row being edited saves it first, or drops an edit that
// changed nothing, as the grid expects when the operator clicks away.
void Query::Impl::leaveEdit(Query& q)
{
    if (q.state() != State::Edit && q.state() != State::Insert) return;
    if (!pendingCols.empty()) q.post();
    else q.cancel();
}

void Query::setRecNo(int row)
{
    d_->requireOpen(name_);
    if (row < 0 || row >= d_->snap->rowCount())
        fail(name_, QStringLiteral("行号 %1 超出范围（共 %2 行）").arg(row).arg(d_->snap->rowCount()));
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
    const int n = d_->snap->rowCount();
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
    if (d_->cur + 1 < d_->snap->rowCount()) {
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
    const int n = d_->snap->rowCount();
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
    return d_->snap->names();
}

int Query::fieldCount() const
{
    d_->requireOpen(name_);
    return d_->snap->columnCount();
}

int Query::fieldIndex(const QString& name) const { return d_->snap ? d_->snap->index(name) : -1; }

int Query::Impl::requireField(const QString& query, const QString& name) const
{
    requireOpen(query);
    const int i = snap->index(name);
    if (i < 0) fail(query, QStringLiteral("字段 '%1' 不存在").arg(name));
    return i;
}

Value Query::field(const QString& name) const
{
    const int c = d_->requireField(name_, name);
    if (state_ == State::Edit || state_ == State::Insert) {
        if (d_->pending[size_t(c)]) return *d_->pending[size_t(c)];
        if (state_ == State::Insert) return Value();
    }
    // An empty result reads as Null, as callers that test for Null expect.
    if (d_->cur < 0) return Value();
    return d_->snap->value(d_->cur, c);
}

Value Query::value(int row, int col) const
{
    d_->requireOpen(name_);
    if (row < 0 || row >= d_->snap->rowCount() || col < 0 || col >= d_->snap->columnCount())
        fail(name_, QStringLiteral("单元格 (%1, %2) 超出范围").arg(row).arg(col));
    if (state_ == State::Edit && row == d_->cur && d_->pending[size_t(col)]) return *d_->pending[size_t(col)];
    return d_->snap->value(row, col);
}

bool Query::numberAt(int row, int col, double* out) const
{
    d_->requireOpen(name_);
    if (row < 0 || row >= d_->snap->rowCount() || col < 0 || col >= d_->snap->columnCount())
        fail(name_, QStringLiteral("单元格 (%1, %2) 超出范围").arg(row).arg(col));
    if (state_ == State::Edit && row == d_->cur && d_->pending[size_t(col)]) {
        const Value& v = *d_->pending[size_t(col)];
        if (v.kind() == Value::Kind::Integer) *out = double(v.asInteger());
        else if (v.kind() == Value::Kind::Real) *out = v.asReal();
        else return false;
        return true;
    }
    return d_->snap->numberAt(row, col, out);
}

size_t Query::bytes() const { return d_->snap ? d_->snap->bytes() : 0; }

// ---- changes ----

void Query::Impl::requireWritable(const QString& query) const
{
    if (!snap->hasRowid())
        fail(query, QStringLiteral("此查询的数据不能修改（它不是对单个表的简单查询）"));
}

void Query::edit()
{
    d_->requireOpen(name_);
    if (state_ == State::Edit || state_ == State::Insert) return;
    d_->requireWritable(name_);
    d_->startEdit(d_->snap->columnCount());
    state_ = d_->cur < 0 ? State::Insert : State::Edit;
}

void Query::append()
{
    d_->requireOpen(name_);
    d_->leaveEdit(*this);
    d_->requireWritable(name_);
    d_->startEdit(d_->snap->columnCount());
    state_ = State::Insert;
}

void Query::setField(const QString& name, const Value& v)
{
    const int c = d_->requireField(name_, name);
    if (state_ != State::Edit && state_ != State::Insert) fail(name_, QStringLiteral("数据集不在编辑状态"));
    if (d_->snap->origin(c).isEmpty()) fail(name_, QStringLiteral("字段 '%1' 不是表中的列，不能修改").arg(name));
    // A text for a number column goes through the strict parser: the engine
    // would take "1e999" for infinity and "1e-400" for 0 without a word.
    Value value = v;
    if (v.kind() == Value::Kind::Text && d_->snap->shape().realColumn[size_t(c)]) {
        const std::optional<double> x = parseNumber(v.asText());
        if (!x) fail(name_, QStringLiteral("字段 %1 的值 '%2' 不是有效的数字").arg(name, v.asText()));
        value = Value::real(*x);
    }
    if (!d_->pending[size_t(c)]) d_->pendingCols.push_back(c);
    d_->pending[size_t(c)] = std::move(value);
}

// The statements that write a snapshot's rows back, by kind and the columns
// they name. Made once for a shape; the connection keeps them prepared.
enum class WriteKind { Refresh, Update, Insert, Delete };

// An Update or Delete compares every column with what was read; a blob left
// unread (`lazy`) is compared by its size.
static Shape::Write& writeStatement(const Shape& shape, WriteKind kind, const std::vector<int>& cols,
                                    const std::vector<int>& lazy = {})
{
    for (Shape::Write& w : shape.writes)
        if (w.kind == int(kind) && w.cols == cols && w.lazy == lazy) return w;
    if (shape.writes.size() >= 64) shape.writes.clear();   // an odd caller setting ever new columns

    const QString table = shape.quotedTable();
    const auto column = [&](int c) { return quoteIdent(shape.origins[size_t(c)]); };
    const auto unchanged = [&] {
        QString where;
        for (int c : shape.writable) {
            if (std::find(lazy.begin(), lazy.end(), c) == lazy.end())
                where += QStringLiteral(" AND ") + column(c) + QStringLiteral(" IS ?");
            else
                where += QStringLiteral(" AND typeof(%1) = 'blob' AND length(%1) = ?").arg(column(c));
        }
        return where;
    };
    QStringList parts;
    QString sql;
    switch (kind) {
    case WriteKind::Refresh:
        for (int c : shape.writable) parts << column(c);
        sql = QStringLiteral("SELECT ") + parts.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + table
            + QStringLiteral(" WHERE rowid = ?");
        break;
    case WriteKind::Update: {
        // The row is found by its rowid, and must still hold every value
        // that was read: a row changed meanwhile by someone else (settled,
        // say) is not written over from what the screen showed before.
        for (int c : cols) parts << column(c) + QStringLiteral(" = ?");
        sql = QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") + parts.join(QStringLiteral(", "))
            + QStringLiteral(" WHERE rowid = ?") + unchanged();
        break;
    }
    case WriteKind::Insert:
        sql = QStringLiteral("INSERT INTO ") + table;
        if (cols.empty()) {
            sql += QStringLiteral(" DEFAULT VALUES");
        } else {
            QStringList marks;
            for (int c : cols) {
                parts << column(c);
                marks << QStringLiteral("?");
            }
            sql += QStringLiteral(" (") + parts.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (")
                + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
        }
        break;
    case WriteKind::Delete:
        // By rowid, and only while the row still holds what was read.
        sql = QStringLiteral("DELETE FROM ") + table + QStringLiteral(" WHERE rowid = ?") + unchanged();
        break;
    }
    shape.writes.push_back({int(kind), cols, lazy, sql.toUtf8(), {}});
    return shape.writes.back();
}

// The columns of a row whose blobs were left unread; mostly none.
static std::vector<int> lazyCells(const Snapshot& snap, int row)
{
    std::vector<int> lazy;
    for (int c : snap.shape().writable)
        if (snap.isLazy(row, c)) lazy.push_back(c);
    return lazy;
}

// A lease of the statement, found through its hint.
struct WriteLease : Connection::Cached {
    WriteLease(Connection& c, Shape::Write& w) : Cached(c, w.text, &w.hint) {}
};

// Reads the table row back into the snapshot, so that it shows what the
// table now holds (the engine's conversions, defaults). A failure here leaves
// the snapshot as it was: the change itself is already stored.
static void refreshRow(Connection& conn, Snapshot& snap, int row)
{
    const Shape& shape = snap.shape();
    if (shape.writable.empty()) return;
    WriteLease s(conn, writeStatement(shape, WriteKind::Refresh, {}));
    if (!s.st()) return;
    sqlite3_bind_int64(s.st(), 1, snap.rowid(row));
    if (sqlite3_step(s.st()) == SQLITE_ROW) snap.refreshFrom(row, s.st(), shape.writable);
}

static sqlite3_stmt* statementOf(const QString& query, sqlite3* h, const Connection::Cached& s)
{
    if (!s.st()) failEngine(query, h);
    return s.st();
}

static void stepOne(const QString& query, sqlite3* h, sqlite3_stmt* st)
{
    if (sqlite3_step(st) != SQLITE_DONE) failEngine(query, h);
}

void Query::post()
{
    d_->requireOpen(name_);
    if (state_ != State::Edit && state_ != State::Insert) return;
    Snapshot& snap = *d_->snap;

    // Changed columns; two result columns of one table column write once, the last set wins.
    const Shape& shape = snap.shape();
    std::vector<int>& cols = d_->postCols;
    cols.clear();
    for (int c = snap.columnCount() - 1; c >= 0; --c) {
        if (!d_->pending[size_t(c)]) continue;
        const auto same = [&](int k) { return shape.sameOrigin[size_t(k)] == shape.sameOrigin[size_t(c)]; };
        if (std::none_of(cols.begin(), cols.end(), same)) cols.insert(cols.begin(), c);
    }
    sqlite3* h = conn_.handle();
    const auto fieldName = [&](int c) { return [&snap, c] { return QStringLiteral("字段 %1").arg(snap.names()[c]); }; };

    if (state_ == State::Edit) {
        if (cols.empty()) {
            d_->clearPending();
            state_ = State::Browse;
            return;
        }
        {
            WriteLease s(conn_, writeStatement(snap.shape(), WriteKind::Update, cols, lazyCells(snap, d_->cur)));
            sqlite3_stmt* st = statementOf(name_, h, s);
            int p = 1;
            for (int c : cols) bindValue(name_, h, st, p++, *d_->pending[size_t(c)], fieldName(c));
            sqlite3_bind_int64(st, p++, snap.rowid(d_->cur));
            for (int c : shape.writable) snap.bindCell(st, p++, d_->cur, c);
            stepOne(name_, h, st);
        }
        if (sqlite3_changes(h) == 0) throw RowChanged(kRowChangedText, 0, QString(), name_);
        refreshRow(conn_, snap, d_->cur);
        d_->clearPending();
        state_ = State::Browse;
        emit rowChanged(d_->cur);
        return;
    }

    {
        WriteLease s(conn_, writeStatement(snap.shape(), WriteKind::Insert, cols));
        sqlite3_stmt* st = statementOf(name_, h, s);
        int p = 1;
        for (int c : cols) bindValue(name_, h, st, p++, *d_->pending[size_t(c)], fieldName(c));
        stepOne(name_, h, st);
    }
    const int row = snap.appendEmpty(sqlite3_last_insert_rowid(h));
    refreshRow(conn_, snap, row);
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
    if (row < 0 || row >= d_->snap->rowCount())
        fail(name_, QStringLiteral("行号 %1 超出范围（共 %2 行）").arg(row).arg(d_->snap->rowCount()));
    d_->requireWritable(name_);
    return d_->snap->rowid(row);
}

void Query::deleteRow()
{
    d_->requireOpen(name_);
    if (state_ == State::Insert) {   // the new row was never stored
        cancel();
        return;
    }
    cancel();
    Snapshot& snap = *d_->snap;
    if (d_->cur < 0) fail(name_, QStringLiteral("没有可删除的记录"));
    d_->requireWritable(name_);

    sqlite3* h = conn_.handle();
    {
        WriteLease s(conn_, writeStatement(snap.shape(), WriteKind::Delete, {}, lazyCells(snap, d_->cur)));
        sqlite3_stmt* st = statementOf(name_, h, s);
        int p = 1;
        sqlite3_bind_int64(st, p++, snap.rowid(d_->cur));
        for (int c : snap.shape().writable) snap.bindCell(st, p++, d_->cur, c);
        stepOne(name_, h, st);
    }
    if (sqlite3_changes(h) == 0) throw RowChanged(kRowChangedText, 0, QString(), name_);

    const int row = d_->cur;
    snap.removeRow(row);
    const int n = snap.rowCount();
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
    return Rows(std::move(q.d_->snap));
}

int exec(Connection& conn, const QString& sql, const Params& params)
{
    Query q(conn, QString());
    q.setSql(sql);
    for (const auto& [name, v] : params) q.setParam(name, v);
    return q.execSql();
}

int Rows::count() const { return s_ ? s_->rowCount() : 0; }

int Rows::columnCount() const { return s_ ? s_->columnCount() : 0; }

QStringList Rows::names() const { return s_ ? s_->names() : QStringList(); }

int Rows::index(const QString& name) const { return s_ ? s_->index(name) : -1; }

void Rows::check(int row, int col) const
{
    if (row < 0 || row >= count() || col < 0 || col >= columnCount())
        fail(QString(), QStringLiteral("单元格 (%1, %2) 超出范围").arg(row).arg(col));
}

Value Rows::value(int row, int col) const
{
    check(row, col);
    return s_->value(row, col);
}

Value Rows::value(int row, const QString& name) const
{
    const int c = index(name);
    if (c < 0) fail(QString(), QStringLiteral("字段 '%1' 不存在").arg(name));
    return value(row, c);
}

Value Rows::first(const QString& name) const
{
    const int c = index(name);
    if (c < 0) fail(QString(), QStringLiteral("字段 '%1' 不存在").arg(name));
    return count() > 0 ? s_->value(0, c) : Value();
}

bool Rows::numberAt(int row, int col, double* out) const
{
    check(row, col);
    return s_->numberAt(row, col, out);
}

int64_t Rows::rowid(int row) const
{
    check(row, 0);
    if (!s_->hasRowid()) fail(QString(), QStringLiteral("此查询的行没有 rowid（它不是对单个表的简单查询）"));
    return s_->rowid(row);
}

size_t Rows::bytes() const { return s_ ? s_->bytes() : 0; }

}
