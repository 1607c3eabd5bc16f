#pragma once
#include "platform/db/value.h"
#include "platform/report/layout.h"
#include <QDate>
#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QPageLayout>
#include <QVector>
#include <optional>
#include <vector>

class QPainter;
class QPaintDevice;
class QPagedPaintDevice;

namespace db { class Query; }

namespace report {

// The rows handed to a report: the columns its layout reads, in the order
// the dataset held them when they were taken.
class Table {
public:
    Table() = default;
    explicit Table(const QStringList& columns);
    // Copies the query's rows now; a column the layout reads that the query
    // lacks is an Error naming the file and the key. A closed query gives no rows.
    static Table fromQuery(const db::Query& q, const Layout& layout);

    void addRow(const QVector<db::Value>& row);     // one value per column
    int rowCount() const { return rows_; }
    int column(const QString& name) const;          // -1 if absent
    const db::Value& at(int row, int col) const { return cols_[size_t(col)][size_t(row)]; }
    // The cell as a number: integers and reals, and texts that read as one.
    bool number(int row, int col, double* out) const;

private:
    QStringList names_;
    std::vector<std::vector<db::Value>> cols_;
    int rows_ = 0;
};

// Which rows each page holds and where every band goes (millimetres on the page).
struct PageSpan {
    int first = 0;
    int count = 0;
    bool summary = false;
};

struct Placement {
    BandKind band;
    int row = -1;        // detail: the row shown
    QRectF rect;
};

class Plan {
public:
    Plan(const Layout& layout, int rows);
    int pageCount() const { return int(pages_.size()); }
    int rowsPerPage() const { return perPage_; }
    const PageSpan& page(int i) const { return pages_[size_t(i)]; }
    QVector<Placement> place(int page) const;

private:
    double rowsHeight(int n) const;     // height of n detail rows (or the card rows they fill)

    std::array<double, kBandCount> height_{};
    QRectF content_;
    Cards cards_;
    int perPage_ = 1;
    std::vector<PageSpan> pages_;
};

// A layout with its rows and parameters, ready to paint page by page.
class Document {
public:
    Document(Layout layout, Table table, QHash<QString, QString> params, QDate printDate = QDate::currentDate());
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    const Layout& layout() const { return layout_; }
    const Table& table() const { return table_; }
    const Plan& plan() const { return plan_; }
    int pageCount() const { return plan_.pageCount(); }
    QPageLayout pageLayout() const { return layout_.pageLayout(); }
    QString param(const QString& name) const { return params_.value(name); }

    // The text an item of a band shows on a page (row: the detail row).
    QString itemText(const Item& item, BandKind band, int page, int row = -1) const;
    double total(const QString& column, int page) const;   // page -1: the whole report

    // Paints one page; the painter's origin is the paper's top-left corner
    // and its device's resolution gives the scale.
    void paintPage(QPainter& painter, int page) const;
    // Pages from..to (0-based, inclusive) on a printer or PDF writer.
    bool print(QPagedPaintDevice* device, int from, int to, QString* error) const;

private:
    QString numberText(double v, int decimals) const;
    struct Face;
    struct Ink;
    void paintItem(QPainter& p, Ink& ink, const Item& it, BandKind band, const QRectF& at, int page, int row,
                   double k) const;

    Layout layout_;
    Table table_;
    QHash<QString, QString> params_;
    QDate date_;
    Plan plan_;
    QHash<QString, double> grandTotals_;
    // What painting needs of an item, found once: its column, its font and
    // the font's metrics on the device last painted on.
    struct Shaped {
        QList<QGlyphRun> runs;      // placed from the line's top-left corner
        double width = 0;
        double height = 0;
    };
    struct Face {
        int column = -1;
        QFont font;
        std::optional<QFontMetricsF> metrics;
        QHash<QString, Shaped> shaped;
        Shaped once;                // a long text, shaped for its one use
    };
    const Shaped& shape(Face& face, const QString& text, QPaintDevice* device) const;
    mutable QHash<const Item*, Face> faces_;
    mutable int facesDpi_ = 0;
};

// Whether a PDF may be written to path: a new file, an empty one or an
// earlier PDF. False with *error set for anything else.
bool mayWritePdfTo(const QString& path, QString* error);

// The whole document as a PDF file with its fonts embedded. The file is
// replaced only when writing succeeds, and only when mayWritePdfTo allows it.
// False with *error set otherwise.
bool writePdf(const Document& doc, const QString& path, QString* error);
// Pages from..to (0-based, inclusive) only.
bool writePdf(const Document& doc, const QString& path, int from, int to, QString* error);

}
