#pragma once
#include <QColor>
#include <QFileDevice>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVector>
#include <array>
#include "platform/diag/error.h"

// A report layout as read from a project file (format: docs/report-layout.md).
// Every measure is in millimetres.
namespace report {

// A layout or project that cannot be used; the message names the file and,
// where there is one, the key at fault.
class Error : public diag::MessageError {
public:
    using MessageError::MessageError;
};

// Layout files are small; anything larger is refused before it is read.
constexpr qint64 kMaxLayoutBytes = 1024 * 1024;

enum class BandKind { PageHeader, ColumnHeader, Detail, PageTotal, Summary, PageFooter, NoData };
constexpr int kBandCount = 6;   // the bands a layout defines (NoData is the engine's own)

// A piece of a text: literal, a named parameter or one of the page values.
struct TextPart {
    enum class Kind { Literal, Param, Page, Pages, Date };
    Kind kind = Kind::Literal;
    QString text;               // the literal, or the parameter's name
};

struct Item {
    enum class Type { Text, Image, Line };
    enum class Border { None, Box, Top, Bottom };
    enum class Format { Text, Number };

    Type type = Type::Text;
    QString key;                // where it stands in the file, for messages: "detail.items[3]"
    QRectF rect;                // within its band (for a card: within the card)
    QVector<TextPart> text;     // "text"
    QString field;              // "field": a column of the row
    QString sum;                // "sum": a column added up over the page or the report
    double size = 0;            // points; 0 = the layout's font size
    bool bold = false;
    Qt::Alignment align = Qt::AlignLeft;
    Format format = Format::Text;
    int decimals = -1;          // numbers: at most this many places; -1 as stored
    bool shrink = false;        // smaller type instead of cutting a text that does not fit
    double padding = 1;
    QColor color = Qt::black;
    QColor fill;                // invalid: none
    Border border = Border::None;
    double lineWidth = 0.2;
    bool dash = false;          // lines
};

struct Band {
    bool present = false;
    double height = 0;
    QVector<Item> items;
    QColor stripe;              // detail: fill of every second row
};

// The detail band as a grid of cards instead of a list of rows.
struct Cards {
    int across = 0;
    int down = 0;
    double width = 0;
    double gapX = 0;
    double gapY = 0;
    bool cutLines = false;
};

struct Layout {
    QString file;
    QString title;
    QString fileName;                           // start of the PDF export's proposed name
    QStringList params;                         // declared parameter names
    QPageSize::PageSizeId paper = QPageSize::A4;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QMarginsF margins{10, 10, 10, 10};
    QString fontFamily = QStringLiteral("WenQuanYi Micro Hei");
    double fontSize = 9;
    std::array<Band, kBandCount> bands;
    Cards cards;

    const Band& band(BandKind k) const { return bands[size_t(k)]; }
    bool isCards() const { return cards.across > 0; }
    QSizeF pageSize() const;                    // oriented
    QRectF contentRect() const;                 // inside the margins
    QPageLayout pageLayout() const;             // no margins: the engine places everything itself
    // The columns the layout reads, each with the first key naming it.
    QVector<QPair<QString, QString>> columns() const;
};

// Why a file could not be read or written, in the operator's words.
QString fileProblem(const QFileDevice& f, const QString& path);

// Both throw Error. parseLayout reads the text of a file already loaded.
Layout loadLayout(const QString& file);
Layout parseLayout(const QByteArray& json, const QString& file);

}
