#include "platform/ui/dbgrid.h"
#include "platform/db/query.h"
#include "platform/ui/errors.h"
#include "platform/text/text.h"
#include <QAbstractTableModel>
#include <QHash>
#include <QHeaderView>
#include <QMouseEvent>

namespace ui {

namespace {
constexpr int kMaxAutoWidth = 200;   // a long memo does not push every other column away
}

// The rows of a query as a table; every cell is read from the query's snapshot
// when the view asks for it.
class QueryModel : public QAbstractTableModel {
public:
    explicit QueryModel(QObject* parent) : QAbstractTableModel(parent) {}

    void bind(db::Query* q, const QVector<DBGrid::Column>& fixed)
    {
        beginResetModel();
        q_ = q;
        fixed_ = fixed;
        load();
        endResetModel();
    }

    void reload()
    {
        beginResetModel();
        load();
        endResetModel();
    }

    // The query reports changes after making them, so the counts are kept
    // here and moved in step with the notifications.
    void rowInserted(int row)
    {
        if (row < 0 || row > rows_ || actualRows() != rows_ + 1) return reload();
        beginInsertRows(QModelIndex(), row, row);
        ++rows_;
        endInsertRows();
    }

    void rowRemoved(int row)
    {
        if (row < 0 || row >= rows_ || actualRows() != rows_ - 1) return reload();
        beginRemoveRows(QModelIndex(), row, row);
        --rows_;
        endRemoveRows();
    }

    void rowChanged(int row)
    {
        if (row < 0 || row >= rows_ || cols_.isEmpty()) return;
        emit dataChanged(index(row, 0), index(row, int(cols_.size()) - 1));
    }

    void setCurrent(int row)
    {
        const int old = current_;
        current_ = row;
        if (old >= 0 && old < rows_) emit headerDataChanged(Qt::Vertical, old, old);
        if (row >= 0 && row < rows_) emit headerDataChanged(Qt::Vertical, row, row);
    }

    int widthOf(int col) const { return col >= 0 && col < cols_.size() ? cols_.at(col).width : -1; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(cols_.size());
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= rows_ || index.column() >= cols_.size()) return {};
        if (role != Qt::DisplayRole && role != Qt::TextAlignmentRole && role != Qt::ToolTipRole) return {};
        const int field = cols_.at(index.column()).field;
        if (!q_ || field < 0) return {};
        db::Value v;
        try {
            v = q_->value(index.row(), field);
        } catch (...) {
            return {};   // a view asking between the query's change and its notice
        }
        if (role == Qt::TextAlignmentRole) {
            const bool number = v.kind() == db::Value::Kind::Integer || v.kind() == db::Value::Kind::Real;
            return int(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
        }
        // Amounts to the cent and in plain digits; the value itself stays as stored.
        QString text = v.kind() == db::Value::Kind::Blob   ? QStringLiteral("(BLOB)")
                       : v.kind() == db::Value::Kind::Real ? text::formatAmount(v.asReal(), cols_.at(index.column()).decimals)
                                                           : v.toText();
        if (role == Qt::ToolTipRole) return text.size() > 40 ? QVariant(text) : QVariant();
        // A cell is one line: line breaks of a memo text show as blanks.
        text.replace(QLatin1String("\r\n"), QLatin1String(" "));
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        text.replace(QLatin1Char('\r'), QLatin1Char(' '));
        return text;
    }

    QVariant headerData(int section, Qt::Orientation o, int role) const override
    {
        if (role != Qt::DisplayRole) return {};
        if (o == Qt::Horizontal) return section >= 0 && section < cols_.size() ? QVariant(cols_.at(section).title) : QVariant();
        return section == current_ ? QVariant(QStringLiteral("▶")) : QVariant(QString());
    }

private:
    struct Col {
        int field = -1;     // index in the query's fields, -1 when it has none of that name
        QString title;
        int width = -1;
        int decimals = 2;
    };

    int actualRows() const
    {
        try {
            return q_ && q_->isOpen() ? q_->recordCount() : 0;
        } catch (...) {
            return 0;
        }
    }

    void load()
    {
        rows_ = 0;
        current_ = -1;
        cols_.clear();
        const bool open = q_ && q_->isOpen();
        try {
            if (!fixed_.isEmpty()) {
                for (const auto& c : fixed_) {
                    Col col;
                    col.field = open ? q_->fieldIndex(c.field) : -1;
                    col.title = c.title.isEmpty() ? c.field : c.title;
                    col.width = c.width;
                    col.decimals = decimals_.value(c.field, 2);
                    cols_ << col;
                }
            } else if (open) {
                const QStringList names = q_->fieldNames();
                for (int i = 0; i < names.size(); ++i) {
                    Col col;
                    col.field = i;
                    col.title = names.at(i);
                    col.decimals = decimals_.value(names.at(i), 2);
                    cols_ << col;
                }
            }
            if (open) {
                rows_ = q_->recordCount();
                current_ = q_->recNo();
            }
        } catch (...) {
            rows_ = 0;
            current_ = -1;
        }
    }

public:
    QHash<QString, int> decimals_;

private:
    QPointer<db::Query> q_;
    QVector<DBGrid::Column> fixed_;
    QVector<Col> cols_;
    int rows_ = 0;
    int current_ = -1;
};

DBGrid::DBGrid(QWidget* parent) : QTableView(parent)
{
    model_ = new QueryModel(this);
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    horizontalHeader()->setHighlightSections(false);
    // Columns are fitted to the rows on screen and a few more, not to thousands.
    horizontalHeader()->setResizeContentsPrecision(100);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The last column reaches the grid's right edge, so a click anywhere on a
    // row lands on a cell and selects the row. Its own width (set on opening
    // or by the dialog) is kept as the least it gets.
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int logical, int, int size) {
        if (filling_) return;
        if (logical == model_->columnCount() - 1) lastNatural_ = size;
        // Filled once the widths have settled (updateGeometries), not between
        // a dialog's measuring of a column and its setting of it.
    });
    verticalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("▶")) + 10);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);

    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { operatorMoved(current); });
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& i) { cellClicked(i); });
    connect(this, &QAbstractItemView::doubleClicked, this, [this] { guarded(window(), onDblClick); });
}

DBGrid::~DBGrid() = default;

void DBGrid::setQuery(db::Query* q)
{
    if (query_) disconnect(query_, nullptr, this, nullptr);
    query_ = q;
    if (q) {
        connect(q, &db::Query::reset, this, [this] { queryReset(); });
        connect(q, &db::Query::rowChanged, this, [this](int r) {
            model_->rowChanged(r);
            fitColumns();   // an edited value is not cut until the next opening
        });
        connect(q, &db::Query::rowInserted, this, [this](int r) {
            // Qt moves the view's current index while rows move; that is not the operator.
            syncing_ = true;
            model_->rowInserted(r);
            syncing_ = false;
            fitColumns();
            if (query_) followCurrent(query_->isOpen() ? query_->recNo() : -1);
        });
        connect(q, &db::Query::rowRemoved, this, [this](int r) {
            syncing_ = true;
            model_->rowRemoved(r);
            syncing_ = false;
            if (query_) followCurrent(query_->isOpen() ? query_->recNo() : -1);
        });
        connect(q, &db::Query::currentChanged, this, [this](int r) { followCurrent(r); });
        connect(q, &QObject::destroyed, this, [this] { queryReset(); });
    }
    queryReset();
}

void DBGrid::setDecimals(const QString& field, int decimals)
{
    model_->decimals_.insert(field, decimals);
    model_->reload();
}

void DBGrid::setColumns(const QVector<Column>& cols)
{
    columns_ = cols;
    queryReset();
}

void DBGrid::queryReset()
{
    syncing_ = true;
    model_->bind(query_, columns_);
    syncing_ = false;
    applyWidths();
    followCurrent(query_ && query_->isOpen() ? query_->recNo() : -1);
}

void DBGrid::fillLastColumn()
{
    const int last = model_->columnCount() - 1;
    if (last < 0) return;
    int others = 0;
    for (int c = 0; c < last; ++c) others += columnWidth(c);
    const int want = qMax(lastNatural_, viewport()->width() - others);
    if (want == columnWidth(last)) return;
    filling_ = true;
    setColumnWidth(last, want);
    filling_ = false;
}

void DBGrid::updateGeometries()
{
    QTableView::updateGeometries();
    fillLastColumn();   // the viewport may have changed (a scroll bar came or went)
}

void DBGrid::applyWidths()
{
    lastNatural_ = 0;
    const int n = model_->columnCount();
    for (int c = 0; c < n; ++c) {
        const int w = model_->widthOf(c);
        if (w > 0) {
            setColumnWidth(c, w);
        } else {
            // Room around the widest text on screen, within reason.
            resizeColumnToContents(c);
            setColumnWidth(c, qBound(48, columnWidth(c) + 12, kMaxAutoWidth));
        }
    }
}

// After an edit: a column whose texts no longer fit widens as an opening
// would have made it; none narrows under the operator's eyes.
void DBGrid::fitColumns()
{
    const int n = model_->columnCount();
    for (int c = 0; c < n; ++c) {
        if (model_->widthOf(c) > 0) continue;
        const int needed = qMax(sizeHintForColumn(c), horizontalHeader()->sectionSizeHint(c));
        const int now = columnWidth(c);
        if (needed > now && now < kMaxAutoWidth) setColumnWidth(c, qMin(needed + 12, kMaxAutoWidth));
    }
}

// The query moved its current row (code, open, post, delete): show it.
void DBGrid::followCurrent(int row)
{
    model_->setCurrent(row);
    syncing_ = true;
    if (row >= 0 && row < model_->rowCount() && model_->columnCount() > 0) {
        const int col = qMax(0, currentIndex().column());
        const QModelIndex idx = model_->index(row, qMin(col, model_->columnCount() - 1));
        selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(idx);
    } else {
        selectionModel()->clear();
    }
    syncing_ = false;
}

// The operator moved the grid's current row (click or keys): the query follows first.
void DBGrid::operatorMoved(const QModelIndex& current)
{
    if (syncing_ || !current.isValid() || !query_ || !query_->isOpen()) return;
    const int row = current.row();
    const bool moved = guarded(window(), [&] {
        if (query_->recNo() != row) query_->setRecNo(row);
    });
    // A refused move (a pending edit that cannot be saved) puts the grid back.
    if (!moved) {
        QMetaObject::invokeMethod(this, [this] { followCurrent(query_ && query_->isOpen() ? query_->recNo() : -1); },
                                  Qt::QueuedConnection);
    } else if (pressing_) {
        pressMoved_ = true;
    } else {
        pressMoved_ = false;
        if (onCellClick) guarded(window(), onCellClick);
    }
}

// Only a left press ends in a click; another button moves the row all the same.
void DBGrid::mousePressEvent(QMouseEvent* e)
{
    pressing_ = e->button() == Qt::LeftButton;
    QTableView::mousePressEvent(e);
    pressing_ = false;
}

// A press that moved the row but was let go off its cell makes no click: the
// dialog must still show the row that is now current.
void DBGrid::mouseReleaseEvent(QMouseEvent* e)
{
    QTableView::mouseReleaseEvent(e);
    if (!pressMoved_) return;
    pressMoved_ = false;
    if (onCellClick) guarded(window(), onCellClick);
}

void DBGrid::cellClicked(const QModelIndex& index)
{
    if (!index.isValid()) return;
    pressMoved_ = false;
    guarded(window(), [&] {
        if (query_ && query_->isOpen() && query_->recNo() != index.row()) query_->setRecNo(index.row());
        if (onCellClick) onCellClick();
    });
}

void DBGrid::clickRow(int row)
{
    if (row < 0 || row >= model_->rowCount() || model_->columnCount() == 0) return;
    const QModelIndex idx = model_->index(row, qMax(0, currentIndex().column()));
    pressing_ = true;
    setCurrentIndex(idx);
    pressing_ = false;
    cellClicked(idx);
}

}
