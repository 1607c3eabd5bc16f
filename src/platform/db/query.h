#pragma once
#include "platform/db/connection.h"
#include "platform/db/value.h"
#include <QObject>
#include <QStringList>
#include <memory>

namespace db {

class Snapshot;

// A shared query: SQL text replaced before each use, named parameters
// (":a", matched whole and without regard to case), a SELECT opened into a
// snapshot with an exact row count and a current row, and edit/post/delete
// that reach exactly the table row the snapshot read (by rowid).
//
// Usage, the one way of running a statement:
//   q.close(); q.clearSql(); q.addSql("select * from 部门表 where 部门名称=:a");
//   q.setParam("a", Value::text(name)); q.open();
class Query : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };

    Query(Connection& conn, QString name, QObject* parent = nullptr);
    ~Query() override;

    const QString& name() const { return name_; }
    Connection& connection() { return conn_; }

    // SQL text. Changing it closes nothing by itself (callers close first)
    // and drops the parameter values.
    void clearSql();
    void addSql(const QString& line);
    void setSql(const QString& text);       // clearSql + addSql
    QString sql() const;
    QStringList paramNames() const;         // lower-case, in order of first use

    // Parameter by name; Error if the name is not in the current text.
    void setParam(const QString& name, const Value& v);
    Value param(const QString& name) const;

    // Open a SELECT into a snapshot; current row is the first. Error on failure,
    // leaving the query closed.
    void open();
    // Run a statement that returns no rows; returns the rows changed.
    int execSql();
    void close();                            // discards a pending edit
    bool isOpen() const;
    bool active() const { return isOpen(); }
    State state() const { return state_; }

    // Navigation (Error when closed).
    int recordCount() const;
    bool isEmpty() const { return recordCount() == 0; }
    int recNo() const;                       // 0-based current row, -1 if none
    void setRecNo(int row);
    bool eof() const;                        // past the last row (or empty)
    bool bof() const;
    void first();
    void next();
    void prior();
    void last();

    // Fields of the current row (Error when closed, unknown name, or no row).
    QStringList fieldNames() const;
    int fieldCount() const;
    int fieldIndex(const QString& name) const;   // -1 if unknown; case-insensitive
    Value field(const QString& name) const;      // Null-aware
    QString fieldText(const QString& name) const { return field(name).toText(); }
    Value value(int row, int col) const;         // for grids

    // Changing the current row. edit() on a query with no rows starts a new
    // row (state Insert) and post() inserts it.
    void edit();
    void append();                               // explicit new row
    void setField(const QString& name, const Value& v);
    void post();      // Error if it fails (state stays Edit, values pending) or reaches no row
    void cancel();
    void deleteRow(); // Error if no current row or no table row was deleted; next row becomes current

signals:
    // Observers (grids): structure or all rows changed (open, close, re-open).
    void reset();
    void rowChanged(int row);
    void rowInserted(int row);
    void rowRemoved(int row);
    void currentChanged(int row);

private:
    struct Impl;
    Connection& conn_;
    QString name_;
    State state_ = State::Inactive;
    std::unique_ptr<Impl> d_;
};

}
