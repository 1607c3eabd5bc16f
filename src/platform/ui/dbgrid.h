#pragma once
#include "platform/db/query.h"
#include <QPointer>
#include <QTableView>
#include <QVector>
#include <functional>

namespace ui {

class QueryModel;

// Read-only grid bound to a shared query: follows its open, close, re-open,
// post and delete; the current row follows clicks and keys before onCellClick runs.
// Columns in the query's order, titled with the column names unless given.
// A closed query shows no rows; a bitmap shows as "(BLOB)".
class DBGrid : public QTableView {
    Q_OBJECT
public:
    explicit DBGrid(QWidget* parent = nullptr);
    ~DBGrid() override;
    void setQuery(db::Query* q);
    db::Query* query() const { return query_; }

    struct Column { QString field; QString title; int width = -1; };
    // Fixed columns (field names, titles, widths); empty = all columns of the query.
    void setColumns(const QVector<Column>& cols);
    // Real values show rounded to two decimals (amounts); a column of factors
    // names its own precision here.
    void setDecimals(const QString& field, int decimals);

    // A click on a cell, or any other move of the current row by the operator
    // (keys, the row indicator, another mouse button, dragging over the rows):
    // the dialog shows the row the grid marks. Runs under the default error handler.
    std::function<void()> onCellClick;
    std::function<void()> onDblClick;    // the same

    // For tests: click the given row as the operator would.
    void clickRow(int row);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void updateGeometries() override;

private:
    void queryReset();
    void followCurrent(int row);
    void cellClicked(const QModelIndex& index);
    void operatorMoved(const QModelIndex& current);
    void applyWidths();
    void fitColumns();                   // the columns without a given width, to their texts
    void fillLastColumn();

    QPointer<db::Query> query_;
    QueryModel* model_ = nullptr;
    QVector<Column> columns_;
    bool syncing_ = false;               // the grid is following the query
    bool pressing_ = false;              // a press on a cell, whose click follows
    bool pressMoved_ = false;            // that press moved the row and no click has shown it yet
    bool filling_ = false;               // the grid is widening its last column
    int lastNatural_ = 0;                // the last column's width before filling
};

}
