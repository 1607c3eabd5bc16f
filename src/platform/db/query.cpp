#include "platform/db/query.h"
#include "platform/db/error.h"
#include "platform/db/snapshot.h"
#include "platform/db/sqltext.h"
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <sqlite3.h>

namespace db {

namespace {

constexpr const char* kRowidColumn = "__rowid__";

[[noreturn]] void fail(const QString& query, const QString& message)
{
    throw Error(query + QStringLiteral(": ") + message);
}

// A statement prepared for one use and finalized with it.
struct OneShot {
    sqlite3_stmt* st = nullptr;
    OneShot() = default;
    OneShot(const OneShot&) = delete;
    OneShot& operator=(const OneShot&) = delete;
    ~OneShot() { sqlite3_finalize(st); }
};

QString quoteIdent(const QString& name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

// The engine's words; a failed date check is put in the operator's terms,
// since the engine would only quote the check itself.
QString engineMessage(sqlite3* h)
{
    const QString m = QString::fromUtf8(sqlite3_errmsg(h));
    static const QRegularExpression dateCheck(
        QStringLiteral("^CHECK constraint failed: (.+?) IS NULL OR date\\("));
    const auto match = dateCheck.match(m);
    if (match.hasMatch())
        return QStringLiteral("字段 %1 的日期无效：只能保存 yyyy-MM-dd 形式的真实日期").arg(match.captured(1));
    return m;
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
    mutable std::optional<detail::SqlText> parsed;
    std::map<QString, Value> values;   // by lower-case name

    // The last statement run, kept for the next run of the same text.
    sqlite3_stmt* stmt = nullptr;
    QString stmtText;
    bool stmtRowid = false;

    std::unique_ptr<Snapshot> snap;
    int cur = -1;
    bool eof = true;
    bool bof = true;
    std::vector<std::optional<Value>> pending;   // by column, while editing

    void releaseStatements() override
    {
        sqlite3_finalize(stmt);
        stmt = nullptr;
        stmtText.clear();
        stmtRowid = false;
    }

    const detail::SqlText& sql() const
    {
        if (!parsed) parsed = detail::analyze(lines.join(QLatin1Char('\n')));
        return *parsed;
    }

    void textChanged()
    {
        parsed.reset();
        values.clear();
    }

    void prepare(const QString& query, Connection& conn);
    void bindParams(const QString& query, sqlite3* h);
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

void Query::setParam(const QString& name, const Value& v)
{
    const QString key = paramKey(name);
    if (!d_->sql().params.contains(key)) fail(name_, QStringLiteral("参数 :%1 不存在").arg(key));
    d_->values[key] = v;
}

Value Query::param(const QString& name) const
{
    const QString key = paramKey(name);
    if (!d_->sql().params.contains(key)) fail(name_, QStringLiteral("参数 :%1 不存在").arg(key));
    const auto it = d_->values.find(key);
    return it == d_->values.end() ? Value() : it->second;
}

// Binds one value; `what` names it in messages.
static void bindValue(const QString& query, sqlite3* h, sqlite3_stmt* st, int i, const Value& v, const QString& what)
{
    int rc = SQLITE_OK;
    switch (v.kind()) {
    case Value::Kind::Null: rc = sqlite3_bind_null(st, i); break;
    case Value::Kind::Integer: rc = sqlite3_bind_int64(st, i, v.asInteger()); break;
    case Value::Kind::Real:
        // The engine would store NaN as Null without a word.
        if (!std::isfinite(v.asReal())) fail(query, QStringLiteral("%1 不是有效的数字").arg(what));
        rc = sqlite3_bind_double(st, i, v.asReal());
        break;
    case Value::Kind::Text: {
        const QByteArray u = v.asText().toUtf8();
        rc = sqlite3_bind_text(st, i, u.constData(), int(u.size()), SQLITE_TRANSIENT);
        break;
    }
    case Value::Kind::Date: {
        if (!v.asDate().isValid()) fail(query, QStringLiteral("%1 的日期无效").arg(what));
        const QByteArray u = v.asText().toUtf8();
        rc = sqlite3_bind_text(st, i, u.constData(), int(u.size()), SQLITE_TRANSIENT);
        break;
    }
    case Value::Kind::Blob: {
        // No bytes is a zero-length value, not Null: binding a null pointer would make it Null.
        const QByteArray& b = v.asBlob();
        rc = b.isEmpty() ? sqlite3_bind_zeroblob(st, i, 0)
                         : sqlite3_bind_blob(st, i, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        break;
    }
    }
    if (rc != SQLITE_OK) fail(query, engineMessage(h));
}

// ---- running statements ----

// Prepares the current text, or readies the statement kept from the last run
// of the same text. A plain single-table SELECT gets the hidden rowid column.
void Query::Impl::prepare(const QString& query, Connection& conn)
{
    Impl& d = *this;
    sqlite3* h = conn.handle();
    const detail::SqlText& s = d.sql();
    if (d.stmt && d.stmtText == s.text) {
        sqlite3_reset(d.stmt);
        sqlite3_clear_bindings(d.stmt);
        return;
    }
    d.releaseStatements();

    if (s.singleTable) {
        const QByteArray u = detail::withRowid(s, kRowidColumn).toUtf8();
        sqlite3_stmt* st = nullptr;
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(h, u.constData(), int(u.size()), &st, &tail) == SQLITE_OK && st
            && firstColumnIsRowid(st) && nothingFollows(h, tail, u.constData() + u.size())) {
            d.stmt = st;
            d.stmtText = s.text;
            d.stmtRowid = true;
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
        fail(query, engineMessage(h));
    }
    if (!st) fail(query, QStringLiteral("没有要执行的 SQL 语句"));
    if (!nothingFollows(h, tail, u.constData() + u.size())) {
        sqlite3_finalize(st);
        fail(query, QStringLiteral("一次只能执行一条 SQL 语句"));
    }
    d.stmt = st;
    d.stmtText = s.text;
    d.stmtRowid = false;
}

// Every parameter of the statement must have been given a value: an
// unset one is a fault of the caller, never a silent Null.
void Query::Impl::bindParams(const QString& query, sqlite3* h)
{
    Impl& d = *this;
    const int n = sqlite3_bind_parameter_count(d.stmt);
    for (int i = 1; i <= n; ++i) {
        const char* name = sqlite3_bind_parameter_name(d.stmt, i);
        if (!name || name[0] != ':')
            fail(query, QStringLiteral("参数 %1 没有赋值").arg(QString::fromUtf8(name ? name : "?")));
        const QString key = QString::fromUtf8(name + 1);
        const auto it = d.values.find(key);
        if (it == d.values.end()) fail(query, QStringLiteral("参数 :%1 没有赋值").arg(key));
        bindValue(query, h, d.stmt, i, it->second, QStringLiteral("参数 :%1").arg(key));
    }
}

void Query::open()
{
    close();
    d_->prepare(name_, conn_);
    sqlite3* h = conn_.handle();
    sqlite3_stmt* st = d_->stmt;
    d_->bindParams(name_, h);
    const int first = d_->stmtRowid ? 1 : 0;
    if (sqlite3_column_count(st) <= first) fail(name_, QStringLiteral("语句不返回数据集"));

    auto snap = std::make_unique<Snapshot>(st, first, d_->stmtRowid);
    for (;;) {
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW) {
            snap->appendFrom(st);
        } else if (rc == SQLITE_DONE) {
            break;
        } else {
            const QString msg = engineMessage(h);
            sqlite3_reset(st);
            fail(name_, msg);
        }
    }
    sqlite3_reset(st);   // releases the read lock at once

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
    d_->prepare(name_, conn_);
    sqlite3* h = conn_.handle();
    sqlite3_stmt* st = d_->stmt;
    d_->bindParams(name_, h);
    for (;;) {
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) {
            const QString msg = engineMessage(h);
            sqlite3_reset(st);
            fail(name_, msg);
        }
    }
    const int changed = sqlite3_stmt_readonly(st) ? 0 : sqlite3_changes(h);
    sqlite3_reset(st);
    return changed;
}

void Query::close()
{
    const bool wasOpen = d_->snap != nullptr;
    d_->snap.reset();
    d_->pending.clear();
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
    if (std::any_of(pending.begin(), pending.end(), [](const auto& v) { return v.has_value(); })) q.post();
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
    d_->pending.assign(size_t(d_->snap->columnCount()), std::nullopt);
    state_ = d_->cur < 0 ? State::Insert : State::Edit;
}

void Query::append()
{
    d_->requireOpen(name_);
    d_->leaveEdit(*this);
    d_->requireWritable(name_);
    d_->pending.assign(size_t(d_->snap->columnCount()), std::nullopt);
    state_ = State::Insert;
}

void Query::setField(const QString& name, const Value& v)
{
    const int c = d_->requireField(name_, name);
    if (state_ != State::Edit && state_ != State::Insert) fail(name_, QStringLiteral("数据集不在编辑状态"));
    if (d_->snap->origin(c).isEmpty()) fail(name_, QStringLiteral("字段 '%1' 不是表中的列，不能修改").arg(name));
    d_->pending[size_t(c)] = v;
}

// Reads the table row back into the snapshot, so that it shows what the
// table now holds (the engine's conversions, defaults). A failure here leaves
// the snapshot as it was: the change itself is already stored.
static void refreshRow(sqlite3* h, Snapshot& snap, int row)
{
    std::vector<int> cols;
    QStringList names;
    for (int c = 0; c < snap.columnCount(); ++c) {
        if (snap.origin(c).isEmpty()) continue;
        cols.push_back(c);
        names << quoteIdent(snap.origin(c));
    }
    if (cols.empty()) return;
    const QByteArray sql = (QStringLiteral("SELECT ") + names.join(QStringLiteral(", ")) + QStringLiteral(" FROM ")
                            + snap.quotedTable() + QStringLiteral(" WHERE rowid = ?"))
                               .toUtf8();
    OneShot s;
    if (sqlite3_prepare_v2(h, sql.constData(), int(sql.size()), &s.st, nullptr) != SQLITE_OK) return;
    sqlite3_bind_int64(s.st, 1, snap.rowid(row));
    if (sqlite3_step(s.st) == SQLITE_ROW) snap.refreshFrom(row, s.st, cols);
}

static void prepareOne(const QString& query, sqlite3* h, OneShot& s, const QString& sql)
{
    const QByteArray u = sql.toUtf8();
    if (sqlite3_prepare_v2(h, u.constData(), int(u.size()), &s.st, nullptr) != SQLITE_OK) fail(query, engineMessage(h));
}

static void stepOne(const QString& query, sqlite3* h, OneShot& s)
{
    if (sqlite3_step(s.st) != SQLITE_DONE) fail(query, engineMessage(h));
}

void Query::post()
{
    d_->requireOpen(name_);
    if (state_ != State::Edit && state_ != State::Insert) return;
    Snapshot& snap = *d_->snap;

    // Changed columns; two result columns of one table column write once, the last set wins.
    std::vector<int> cols;
    for (int c = snap.columnCount() - 1; c >= 0; --c) {
        if (!d_->pending[size_t(c)]) continue;
        const bool dup = std::any_of(cols.begin(), cols.end(), [&](int k) { return snap.origin(k) == snap.origin(c); });
        if (!dup) cols.insert(cols.begin(), c);
    }
    sqlite3* h = conn_.handle();

    if (state_ == State::Edit) {
        if (cols.empty()) {
            d_->pending.clear();
            state_ = State::Browse;
            return;
        }
        // The row is found by its rowid, and must still hold what was read
        // in the columns being changed: a change made meanwhile by someone
        // else is not overwritten unseen.
        QStringList sets, checks;
        for (int c : cols) {
            sets << quoteIdent(snap.origin(c)) + QStringLiteral(" = ?");
            checks << quoteIdent(snap.origin(c)) + QStringLiteral(" IS ?");
        }
        OneShot s;
        prepareOne(name_, h, s,
                   QStringLiteral("UPDATE ") + snap.quotedTable() + QStringLiteral(" SET ") + sets.join(QStringLiteral(", "))
                       + QStringLiteral(" WHERE rowid = ? AND ") + checks.join(QStringLiteral(" AND ")));
        int p = 1;
        for (int c : cols)
            bindValue(name_, h, s.st, p++, *d_->pending[size_t(c)], QStringLiteral("字段 %1").arg(snap.names()[c]));
        sqlite3_bind_int64(s.st, p++, snap.rowid(d_->cur));
        for (int c : cols) snap.bindCell(s.st, p++, d_->cur, c);
        stepOne(name_, h, s);
        if (sqlite3_changes(h) == 0)
            fail(name_, QStringLiteral("没有找到要修改的记录：它已被删除，或已被他人修改"));
        refreshRow(h, snap, d_->cur);
        d_->pending.clear();
        state_ = State::Browse;
        emit rowChanged(d_->cur);
        return;
    }

    QString sql = QStringLiteral("INSERT INTO ") + snap.quotedTable();
    if (cols.empty()) {
        sql += QStringLiteral(" DEFAULT VALUES");
    } else {
        QStringList names, marks;
        for (int c : cols) {
            names << quoteIdent(snap.origin(c));
            marks << QStringLiteral("?");
        }
        sql += QStringLiteral(" (") + names.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (")
            + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    OneShot s;
    prepareOne(name_, h, s, sql);
    int p = 1;
    for (int c : cols)
        bindValue(name_, h, s.st, p++, *d_->pending[size_t(c)], QStringLiteral("字段 %1").arg(snap.names()[c]));
    stepOne(name_, h, s);
    const int row = snap.appendEmpty(sqlite3_last_insert_rowid(h));
    refreshRow(h, snap, row);
    d_->pending.clear();
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
    d_->pending.clear();
    state_ = State::Browse;
    if (wasEdit) emit rowChanged(d_->cur);
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

    // By rowid, and only while the row still holds what was read.
    QStringList checks;
    std::vector<int> cols;
    for (int c = 0; c < snap.columnCount(); ++c) {
        if (snap.origin(c).isEmpty()) continue;
        cols.push_back(c);
        checks << QStringLiteral(" AND ") + quoteIdent(snap.origin(c)) + QStringLiteral(" IS ?");
    }
    sqlite3* h = conn_.handle();
    OneShot s;
    prepareOne(name_, h, s, QStringLiteral("DELETE FROM ") + snap.quotedTable() + QStringLiteral(" WHERE rowid = ?") + checks.join(QString()));
    int p = 1;
    sqlite3_bind_int64(s.st, p++, snap.rowid(d_->cur));
    for (int c : cols) snap.bindCell(s.st, p++, d_->cur, c);
    stepOne(name_, h, s);
    if (sqlite3_changes(h) == 0) fail(name_, QStringLiteral("没有找到要删除的记录：它已被删除，或已被他人修改"));

    const int row = d_->cur;
    snap.removeRow(row);
    const int n = snap.rowCount();
    d_->cur = n == 0 ? -1 : std::min(row, n - 1);
    d_->bof = n == 0;
    d_->eof = n == 0;
    emit rowRemoved(row);
    emit currentChanged(d_->cur);
}

}
