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

    std::function<void()> onCellClick;   // runs under the default error handler
    std::function<void()> onDblClick;    // the same
    // The operator moved the current row with a key (arrows, pages, Home, End): the same.
    std::function<void()> onKeyMove;

    // For tests: click the given row as the operator would.
    void clickRow(int row);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void queryReset();
    void followCurrent(int row);
    void cellClicked(const QModelIndex& index);
    void operatorMoved(const QModelIndex& current);
    void applyWidths();

    QPointer<db::Query> query_;
    QueryModel* model_ = nullptr;
    QVector<Column> columns_;
    bool syncing_ = false;               // the grid is following the query
    bool keying_ = false;                // a key press is moving the current row
};

}
