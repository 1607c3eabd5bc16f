#pragma once
#include "platform/db/connection.h"
#include "platform/db/value.h"
#include <QObject>
#include <QList>
#include <QStringList>
#include <memory>
#include <utility>

namespace db {

class Table;
class Rows;

// Named parameters of one statement: {{"a", Value::text(x)}, {"bb", v}}.
using Params = QList<std::pair<QString, Value>>;

// A shared query: SQL text replaced before each use, named parameters
// (":a", matched by the engine's own reading of the text, without regard to
// case), a SELECT opened into rows read whole with an exact count and a
// current row, and edit/post/delete that reach exactly the table row read.
//
// Usage, the one way of running a statement:
//   q.close(); q.clearSql(); q.addSql("select * from 部门表 where 部门名称=:a");
//   q.setParam("a", Value::text(name)); q.open();
//
// Every failure is a db::Error in Chinese; the query's name goes with it to
// the log (Error::context), not to the operator.
//
// Rows can be changed only when the text is "select * from <table>", perhaps
// followed by "where ..." or "order by ...": the query then reads
// "rowid, *" of that table itself and writes by rowid. Every other SELECT is
// read-only. For a table with BLOB columns only the size of each blob is
// read; its bytes come from the table row when its value is asked for.
class Query : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };

    Query(Connection& conn, QString name, QObject* parent = nullptr);
    ~Query() override;

    const QString& name() const { return name_; }
    Connection& connection() { return conn_; }

    // SQL text (lines joined with "\n", one statement). Changing it closes
    // nothing by itself (callers close first) and drops the parameter values.
    // The text is prepared when first needed (a parameter set, an open) and
    // the statement kept until the text changes.
    void clearSql();
    void addSql(const QString& line);
    void setSql(const QString& text);       // clearSql + addSql
    QString sql() const;
    QStringList paramNames() const;         // lower-case, in order of first use

    // Parameter by name (with or without the ':'); Error if the name is not
    // in the current text, or if the text is refused by the engine. Opening
    // or executing with a parameter never given a value is an Error.
    void setParam(const QString& name, const Value& v);
    Value param(const QString& name) const;   // Null if not given yet

    // Open a SELECT into a snapshot; current row is the first. Closes first
    // if open. Error on failure (also for a statement that returns no rows,
    // which is then not run), leaving the query closed.
    void open();
    // Run a statement that returns no rows; returns the rows changed. The
    // snapshot of an open query is left as it is.
    int execSql();
    void close();                            // discards a pending edit
    bool isOpen() const;
    bool active() const { return isOpen(); }
    State state() const { return state_; }

    // Navigation (Error when closed). Moving while a row is being edited
    // posts it first (or drops it if nothing was set).
    int recordCount() const;
    bool isEmpty() const { return recordCount() == 0; }
    int recNo() const;                       // 0-based current row, -1 if none or closed
    void setRecNo(int row);                  // Error if out of range
    // eof: next() found no further row (the last row stays current), after
    // last(), or empty. bof: first(), prior() found no earlier row, or empty.
    bool eof() const;
    bool bof() const;
    void first();
    void next();
    void prior();
    void last();

    // Fields of the current row (Error when closed or unknown name). A query
    // with no rows reads Null; while editing, a field reads its pending value.
    QStringList fieldNames() const;
    int fieldCount() const;
    int fieldIndex(const QString& name) const;   // -1 if unknown or closed; case-insensitive
    Value field(const QString& name) const;      // Null-aware
    QString fieldText(const QString& name) const { return field(name).toText(); }
    Value value(int row, int col) const;         // for grids; Error out of range
    // The same cell as a number without making a Value, for loops over many
    // rows: true with *out set when it holds an integer or a real; false for
    // any other value, which value() then reads. Error out of range.
    bool numberAt(int row, int col, double* out) const;
    // Memory held by the rows read (0 when closed).
    size_t bytes() const;

    // Changing the current row. edit() on a query with no rows starts a new
    // row (state Insert) and post() inserts it; the new row joins the
    // snapshot at the end and becomes current. Error if the rows cannot be
    // changed (see above).
    void edit();
    void append();                               // explicit new row
    // Only in Edit/Insert. A text for a column of REAL affinity goes through the strict number
    // parser (Error for "1e999", "1e-400", "1,000", ""), and is kept as a real.
    void setField(const QString& name, const Value& v);
    // Writes only the fields set, to the row with the rowid read and only
    // while it still holds every value read (a blob left unread: its size);
    // then shows what the table holds. Error if it fails (state stays
    // Edit/Insert, values pending); RowChanged, with nothing written, when the
    // row is gone or holds other values. Nothing to do in Browse.
    void post();
    void cancel();
    // Deletes the table row with the rowid read while it still holds the
    // values read (RowChanged otherwise). Error if no current row; the next
    // row becomes current (the previous one after the last). In Insert state
    // it just drops the new row.
    void deleteRow();
    // The table rowid of a row, to find that very row again after the
    // current row has moved (Error out of range or if rows cannot be changed).
    int64_t rowId(int row) const;

signals:
    // Observers (grids): structure or all rows changed (open, close, re-open).
    void reset();
    void rowChanged(int row);
    void rowInserted(int row);
    void rowRemoved(int row);
    void currentChanged(int row);

private:
    friend Rows select(Connection& conn, const QString& sql, const Params& params);
    struct Impl;
    Connection& conn_;
    QString name_;
    State state_ = State::Inactive;
    std::unique_ptr<Impl> d_;
};

// The rows a SELECT returned, all read when it ran: no current row, nothing
// to change, no signals. Cheap to copy (the rows are shared). Large blobs
// are read from the table when their value is asked for, as in a Query.
class Rows {
public:
    Rows() = default;
    int count() const;
    bool isEmpty() const { return count() == 0; }
    int columnCount() const;
    QStringList names() const;
    int index(const QString& name) const;                // -1 if unknown; case-insensitive
    Value value(int row, int col) const;                 // Error out of range
    Value value(int row, const QString& name) const;     // Error for an unknown name
    // The first row's value, Null when there is no row: a look-up that
    // takes the first match. Error for an unknown name.
    Value first(const QString& name) const;
    // An integer or real cell as a number without making a Value (see Query).
    bool numberAt(int row, int col, double* out) const;
    // The table row behind a row of "select * from <table> ..." (Error otherwise).
    int64_t rowid(int row) const;
    size_t bytes() const;                                // memory held by the rows

private:
    friend Rows select(Connection& conn, const QString& sql, const Params& params);
    explicit Rows(std::shared_ptr<const Table> t) : t_(std::move(t)) {}
    void check(int row, int col) const;
    std::shared_ptr<const Table> t_;
};

// One statement with its parameters, for code that needs no shared query:
// select() runs a SELECT and returns its rows; exec() runs any other
// statement and returns the rows it changed. Same rules and errors as a
// Query (every marker needs its value; one statement only). The statement
// is prepared for this one run: code that runs one text over and over keeps
// a local Query instead.
Rows select(Connection& conn, const QString& sql, const Params& params = {});
int exec(Connection& conn, const QString& sql, const Params& params = {});

}

namespace db {

// Close, replace the text with one statement and open it.
void runSelect(Query& q, const QString& sql);

}
