#pragma once
#include "platform/db/connection.h"
#include "platform/db/value.h"
#include <QObject>
#include <QList>
#include <QStringList>
#include <memory>
#include <utility>
#include <vector>

namespace db {

class Table;
class Rows;

// Named parameters of one statement: {{"a", Value::text(x)}, {"bb", v}}.
using Params = QList<std::pair<QString, Value>>;

// A shared query: SQL text replaced before each use, named parameters (":a",
// found by the engine, without regard to case), a SELECT read whole with a
// current row, and edit/post/delete of exactly the table row read:
//   q.close(); q.clearSql(); q.addSql("select * from 部门表 where 部门名称=:a");
//   q.setParam("a", Value::text(name)); q.open();
// Failures are db::Errors in Chinese; the query's name goes to the log only.
// Rows can be changed only for "select * from <table> [where ...] [order by
// ...]": the query reads the table's rowid with its columns itself. Every
// other SELECT is read-only. A BLOB column is read by its size; the bytes
// come from the table row when the value is asked for.
class Query : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };

    Query(Connection& conn, QString name, QObject* parent = nullptr);
    ~Query() override;

    const QString& name() const { return name_; }
    Connection& connection() { return conn_; }

    // SQL text (lines joined with "\n", one statement), prepared when first
    // needed and kept until it changes. Changing it closes nothing (callers
    // close first) and drops the parameter values.
    void clearSql();
    void addSql(const QString& line);
    void setSql(const QString& text);       // clearSql + addSql
    QStringList paramNames() const;         // lower-case, in order of first use

    // By name, with or without the ':'; Error if the text has no such name
    // or the engine refuses the text. A parameter never given a value is an
    // Error at open or execSql.
    void setParam(const QString& name, const Value& v);

    // Opens a SELECT (closing first); the first row is current. Error on
    // failure, the query left closed; a statement without rows is not run.
    void open();
    // Runs a statement without rows; returns the rows changed. Rows read stay.
    int execSql();
    void close();                            // discards a pending edit
    bool isOpen() const;
    State state() const { return state_; }

    // Navigation (Error when closed). Moving off a row being edited posts it
    // (or drops the edit if nothing was set).
    int recordCount() const;
    bool isEmpty() const { return recordCount() == 0; }
    int recNo() const;                       // 0-based current row, -1 if none or closed
    void setRecNo(int row);                  // Error if out of range
    // eof: next() found no further row (the last row stays current), after
    // last(), or empty.
    bool eof() const;
    void first();
    void next();
    void last();

    // Fields of the current row (Error when closed or unknown): Null without
    // rows; while editing, the value set.
    QStringList fieldNames() const;
    int fieldCount() const;
    int fieldIndex(const QString& name) const;   // -1 if unknown or closed; case-insensitive
    Value field(const QString& name) const;      // Null-aware
    QString fieldText(const QString& name) const { return field(name).toText(); }
    Value value(int row, int col) const;         // for grids; Error out of range
    // Memory held by the rows read (0 when closed).
    size_t bytes() const;

    // edit() on a query without rows starts a new row (Insert); post() adds it at the end and makes it
    // current, while the query still finds no row (else RowChanged). Error if the rows cannot change.
    void edit();
    void append();                               // explicit new row
    // Only in Edit/Insert. A text for a REAL column goes through the strict
    // parser (Error for "1e999", "1e-400", "1,000", "") and becomes a real.
    void setField(const QString& name, const Value& v);
    // Writes the fields set to the row read, only while it holds every value
    // read, then shows what the table holds. Error: state and values stay;
    // RowChanged (nothing written) when the row is gone or changed.
    void post();
    void cancel();
    // Deletes the row read while it holds the values read (else RowChanged);
    // the next row becomes current. In Insert it drops the new row.
    void deleteRow();
    // The table rowid of a row (Error out of range or for read-only rows).
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

// The rows a SELECT returned: no current row, no changes, no signals; cheap
// to copy (shared). Blobs read as in a Query.
class Rows {
public:
    Rows() = default;
    int count() const;
    bool isEmpty() const { return count() == 0; }
    int index(const QString& name) const;                // -1 if unknown; case-insensitive
    Value value(int row, int col) const;                 // Error out of range
    // The first row's value, Null without rows. Error for an unknown name.
    Value first(const QString& name) const;
    // An integer or real cell as a number without making a Value; false for any other.
    bool numberAt(int row, int col, double* out) const;

private:
    friend Rows select(Connection& conn, const QString& sql, const Params& params);
    explicit Rows(std::shared_ptr<const Table> t) : t_(std::move(t)) {}
    void check(int row, int col) const;
    std::shared_ptr<const Table> t_;
};

// One statement its caller runs over and over (a month of rows): each name
// is found once, by the engine, and values bound by that place stay bound
// from run to run, checked as a Query checks them. Lives within one operation.
class Command {
public:
    Command(Connection& conn, const QString& sql);
    int index(const QString& name) const;   // ":name" as written; Error if none
    void bind(int index, const Value& v);
    int run();                              // the rows changed; Error if a parameter has no value
private:
    Statement st_;
    std::vector<bool> bound_;
};

// One statement with its parameters, without a shared query: select() returns
// the rows, exec() the rows changed. Same rules as a Query; prepared for this
// run only (code that runs one text over and over keeps a Command).
Rows select(Connection& conn, const QString& sql, const Params& params = {});
int exec(Connection& conn, const QString& sql, const Params& params = {});

// Close, replace the text with one statement and open it.
void runSelect(Query& q, const QString& sql);

}
