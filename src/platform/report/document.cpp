#include "platform/report/document.h"
#include "platform/db/convert.h"
#include "platform/db/error.h"
#include "platform/db/query.h"
#include "platform/diag/log.h"
#include "platform/image/image.h"
#include "platform/ui/modal.h"
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextLayout>
#include <cmath>

namespace report {

namespace {

constexpr double kEps = 1e-6;
// No cell shows more characters than this, not across the widest page in the
// smallest type: the rest of a longer text would cost time and memory for nothing.
constexpr qsizetype kMaxShownChars = 2000;
// Texts that repeat from cell to cell are short: amounts, months, departments.
constexpr qsizetype kMaxKeptChars = 64;
// A shrinking text keeps at least this size on one line before it tries two,
// and is never set smaller than the last.
constexpr double kReadablePt = 6;
constexpr double kSmallestPt = 4;

// Where text splits into two lines of nearly even width that each fit `width`
// (never inside a surrogate pair); 0 when there is no such place.
qsizetype twoLineCut(const QFontMetricsF& fm, const QString& text, double width)
{
    const double half = fm.horizontalAdvance(text) / 2;
    qsizetype lo = 1, hi = text.size() - 1;
    while (lo < hi) {   // the shortest first line at least half the width
        const qsizetype mid = (lo + hi) / 2;
        if (fm.horizontalAdvance(text.left(mid)) < half) lo = mid + 1;
        else hi = mid;
    }
    // A line does not start with a separating dot or closing punctuation
    // ("阿卜杜热合曼·" "买买提艾力") while another place will do.
    static const QString noStart = QStringLiteral("·・、，。：；！？）》」』】,.;:!?)");
    const bool dotAtLo = lo < text.size() && noStart.contains(text.at(lo));
    for (bool strict : {true, false}) {
        for (qsizetype cut : {dotAtLo ? lo + 1 : lo, lo, lo - 1, lo + 1}) {
            if (cut <= 0 || cut >= text.size() || text.at(cut).isLowSurrogate()) continue;
            if (strict && noStart.contains(text.at(cut))) continue;
            if (fm.horizontalAdvance(text.left(cut)) <= width && fm.horizontalAdvance(text.mid(cut)) <= width) return cut;
        }
    }
    return 0;
}

QString noDataText() { return QStringLiteral("无数据"); }

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QChar(0x3000); }

// A photo column holds BMP file bytes (or JPEG); anything unreadable shows as an empty frame.
// The bytes are read from the table when a page is painted, long after the
// rows were: a photo changed or gone since is unreadable too, not a failure
// thrown out of the painting. They are not kept: a card needs them once, and
// a whole staff's photos would take gigabytes.
QImage photo(const db::Value& v)
{
    if (v.kind() != db::Value::Kind::Blob) return {};
    try {
        const QByteArray b = v.toBlob();
        if (b.startsWith("BM")) return img::decodeBmp(b);
        if (b.startsWith("\xFF\xD8")) return img::decodeJpeg(b);
    } catch (const img::Error&) {
    } catch (const db::Error&) {
        diag::logCause(QStringLiteral("报表照片"));
    }
    return {};
}

} // namespace

// ---- rows ----

Table::Table(const QStringList& columns) : names_(columns), cols_(size_t(columns.size())) {}

Table Table::fromQuery(const db::Query& q, const Layout& layout)
{
    const auto wanted = layout.columns();
    QStringList names;
    for (const auto& c : wanted) names << c.first;
    Table t(names);
    if (!q.isOpen()) return t;
    std::vector<int> src;
    for (const auto& [col, key] : wanted) {
        const int i = q.fieldIndex(col);
        if (i < 0)
            throw Error(QStringLiteral("报表文件 %1 有误：“%2”所指的字段“%3”不在数据中").arg(layout.file, key, col));
        src.push_back(i);
    }
    const int n = q.recordCount();
    for (size_t c = 0; c < src.size(); ++c) {
        auto& out = t.cols_[c];
        out.reserve(size_t(n));
        for (int r = 0; r < n; ++r) out.push_back(q.value(r, src[c]));
    }
    t.rows_ = n;
    return t;
}

void Table::addRow(const QVector<db::Value>& row)
{
    for (size_t c = 0; c < cols_.size(); ++c) cols_[c].push_back(qsizetype(c) < row.size() ? row[qsizetype(c)] : db::Value());
    ++rows_;
}

int Table::column(const QString& name) const { return int(names_.indexOf(name)); }

bool Table::number(int row, int col, double* out) const
{
    const db::Value& v = at(row, col);
    switch (v.kind()) {
    case db::Value::Kind::Integer: *out = double(v.asInteger()); return true;
    case db::Value::Kind::Real: *out = v.asReal(); return true;
    case db::Value::Kind::Text:
        if (auto d = db::parseNumber(v.asText())) {
            *out = *d;
            return true;
        }
        return false;
    default: return false;
    }
}

// ---- pages ----

Plan::Plan(const Layout& layout, int rows) : content_(layout.contentRect()), cards_(layout.cards)
{
    for (int k = 0; k < kBandCount; ++k) height_[size_t(k)] = layout.bands[size_t(k)].present ? layout.bands[size_t(k)].height : 0;
    const double avail = content_.height() - height_[size_t(BandKind::PageHeader)] - height_[size_t(BandKind::ColumnHeader)]
                         - height_[size_t(BandKind::PageTotal)] - height_[size_t(BandKind::PageFooter)];
    const double dh = height_[size_t(BandKind::Detail)];
    perPage_ = cards_.across > 0 ? cards_.across * cards_.down : std::max(1, int(std::floor((avail + kEps) / dh)));
    if (rows <= 0) {
        pages_.push_back({0, 0, false});
        return;
    }
    pages_.reserve(size_t(rows / perPage_ + 2));
    for (int first = 0; first < rows; first += perPage_) pages_.push_back({first, std::min(perPage_, rows - first), false});
    if (!layout.band(BandKind::Summary).present) return;
    // The summary follows the last row; when it does not fit there, rows move
    // to a page of their own so the totals never stand alone.
    const double sh = height_[size_t(BandKind::Summary)];
    PageSpan last = pages_.back();
    int fit = last.count;   // rows that fit above the summary
    while (fit > 1 && rowsHeight(fit) + sh > avail + kEps) --fit;
    if (fit == last.count) {
        pages_.back().summary = true;
        return;
    }
    // No more rows move than fit above the summary; the page before keeps the rest.
    const int moved = std::min(last.count - fit, fit);
    pages_.back().count = last.count - moved;
    pages_.push_back({last.first + last.count - moved, moved, true});
}

double Plan::rowsHeight(int n) const
{
    const double dh = height_[size_t(BandKind::Detail)];
    if (cards_.across <= 0) return n * dh;
    const int lines = (n + cards_.across - 1) / cards_.across;
    return lines <= 0 ? 0 : lines * dh + (lines - 1) * cards_.gapY;
}

QVector<Placement> Plan::place(int page) const
{
    const PageSpan& s = pages_[size_t(page)];
    QVector<Placement> out;
    double y = content_.top();
    auto band = [&](BandKind k) {
        const double h = height_[size_t(k)];
        if (h <= 0) return;
        out.push_back({k, -1, QRectF(content_.left(), y, content_.width(), h)});
        y += h;
    };
    band(BandKind::PageHeader);
    band(BandKind::ColumnHeader);
    const double dh = height_[size_t(BandKind::Detail)];
    if (s.count == 0) {
        const double h = cards_.across > 0 ? 10.0 : dh;
        out.push_back({BandKind::NoData, -1, QRectF(content_.left(), y, content_.width(), h)});
        y += h;
    } else if (cards_.across > 0) {
        const double gridW = cards_.across * cards_.width + (cards_.across - 1) * cards_.gapX;
        const double x0 = content_.left() + (content_.width() - gridW) / 2;
        for (int i = 0; i < s.count; ++i) {
            const int c = i % cards_.across, r = i / cards_.across;
            out.push_back({BandKind::Detail, s.first + i,
                           QRectF(x0 + c * (cards_.width + cards_.gapX), y + r * (dh + cards_.gapY), cards_.width, dh)});
        }
        y += rowsHeight(s.count);
    } else {
        for (int i = 0; i < s.count; ++i)
            out.push_back({BandKind::Detail, s.first + i, QRectF(content_.left(), y + i * dh, content_.width(), dh)});
        y += s.count * dh;
    }
    if (s.count > 0) band(BandKind::PageTotal);
    if (s.summary) band(BandKind::Summary);
    const double fh = height_[size_t(BandKind::PageFooter)];
    if (fh > 0)
        out.push_back({BandKind::PageFooter, -1, QRectF(content_.left(), content_.bottom() - fh, content_.width(), fh)});
    return out;
}

// ---- document ----

Document::Document(Layout layout, Table table, QHash<QString, QString> params, QDate printDate)
    : layout_(std::move(layout)), table_(std::move(table)), params_(std::move(params)), date_(printDate),
      plan_(layout_, table_.rowCount())
{
    for (const Band& b : layout_.bands)
        for (const Item& it : b.items) {
            QFont f(layout_.fontFamily);
            f.setPointSizeF(it.size > 0 ? it.size : layout_.fontSize);
            f.setBold(it.bold);
            Face& face = faces_[&it];
            face.column = table_.column(it.field);
            face.font = f;
            if (!it.sum.isEmpty() && !grandTotals_.contains(it.sum)) grandTotals_.insert(it.sum, total(it.sum, -1));
        }
}

double Document::total(const QString& column, int page) const
{
    if (page < 0) {
        auto it = grandTotals_.constFind(column);
        if (it != grandTotals_.constEnd()) return *it;
    }
    const int col = table_.column(column);
    if (col < 0) return 0;
    int first = 0, count = table_.rowCount();
    if (page >= 0) {
        first = plan_.page(page).first;
        count = plan_.page(page).count;
    }
    // Compensated sum: a long column of cents adds up to the exact cents.
    double s = 0, c = 0, v = 0;
    for (int r = first; r < first + count; ++r) {
        if (!table_.number(r, col, &v)) continue;
        const double t = s + v;
        c += std::fabs(s) >= std::fabs(v) ? (s - t) + v : (v - t) + s;
        s = t;
    }
    return s + c;
}

QString Document::numberText(double v, int decimals) const
{
    if (decimals < 0) return db::formatNumber(v);
    QString s = QString::number(v, 'f', decimals);
    // Beyond fifteen digits the rounded text shows noise: formatNumber writes the rounded value.
    if (!(std::fabs(v) < std::pow(10.0, 15 - decimals))) return db::formatNumber(s.toDouble());
    // A column of amounts reads evenly: every value with the same places, 3195.40.
    if (s.startsWith(QLatin1Char('-')) && s.toDouble() == 0) s.remove(0, 1);   // no "-0.00"
    return s;
}

QString Document::itemText(const Item& it, BandKind band, int page, int row) const
{
    if (!it.field.isEmpty()) {
        const auto face = faces_.constFind(&it);
        const int col = face != faces_.constEnd() ? face->column : table_.column(it.field);
        if (col < 0 || row < 0 || row >= table_.rowCount()) return {};
        const db::Value& v = table_.at(row, col);
        if (it.format == Item::Format::Number
            && (v.kind() == db::Value::Kind::Integer || v.kind() == db::Value::Kind::Real))
            return numberText(v.kind() == db::Value::Kind::Real ? v.asReal() : double(v.asInteger()), it.decimals);
        return v.toText();
    }
    if (!it.sum.isEmpty()) return numberText(total(it.sum, band == BandKind::Summary ? -1 : page), it.decimals);

    // An empty parameter takes one blank beside it along, so "{单位名称} {月份} 工资表"
    // reads "单位 工资表" without a month.
    QString out;
    bool dropBlank = false;
    for (const TextPart& part : it.text) {
        QString s;
        switch (part.kind) {
        case TextPart::Kind::Literal: s = part.text; break;
        case TextPart::Kind::Param: s = params_.value(part.text); break;
        case TextPart::Kind::Page: s = QString::number(page + 1); break;
        case TextPart::Kind::Pages: s = QString::number(pageCount()); break;
        case TextPart::Kind::Date:
            s = QStringLiteral("%1年%2月%3日").arg(date_.year()).arg(date_.month()).arg(date_.day());
            break;
        }
        if (dropBlank && !s.isEmpty()) {
            if (isBlank(s.front())) s.remove(0, 1);
            else if (!out.isEmpty() && isBlank(out.back())) out.chop(1);
            dropBlank = false;
        }
        if (part.kind == TextPart::Kind::Param && s.isEmpty()) dropBlank = true;
        out += s;
    }
    if (dropBlank && !out.isEmpty() && isBlank(out.back())) out.chop(1);
    return out;
}

// Borders of a page, gathered by pen and drawn at the end with one stroke
// each: far less for a printer or a PDF file to take in than a pen per cell.
struct Document::Ink {
    struct Pen {
        QPen pen;
        QVector<QRectF> boxes;
        QVector<QLineF> lines;
    };
    QVector<Pen> pens;
    // The painter's text colour, set again only when it changes.
    QRgb color = 0;

    Pen& of(const QPen& pen)
    {
        for (Pen& p : pens)
            if (p.pen == pen) return p;
        pens.push_back({pen, {}, {}});
        return pens.back();
    }
    void draw(QPainter& p) const
    {
        p.setBrush(Qt::NoBrush);
        for (const Pen& s : pens) {
            p.setPen(s.pen);
            if (!s.boxes.isEmpty()) p.drawRects(s.boxes);
            if (!s.lines.isEmpty()) p.drawLines(s.lines);
        }
    }
};

const Document::Shaped& Document::shape(Face& face, const QString& text, QPaintDevice* device) const
{
    auto hit = face.shaped.constFind(text);
    if (hit != face.shaped.constEnd()) return *hit;
    QTextLayout layout(text, face.font, device);
    QTextOption o;
    o.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(o);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    Shaped shaped{layout.glyphRuns(), line.naturalTextWidth(), line.height()};
    if (text.size() > kMaxKeptChars) {
        face.once = std::move(shaped);
        return face.once;
    }
    if (face.shaped.size() >= 4096) face.shaped.clear();
    return *face.shaped.insert(text, std::move(shaped));
}

void Document::paintItem(QPainter& p, Ink& ink, const Item& it, BandKind band, const QRectF& at, int page,
                         int row, double k) const
{
    const QRectF mm = it.rect.translated(at.topLeft());
    const QRectF r(mm.x() * k, mm.y() * k, mm.width() * k, mm.height() * k);
    if (it.fill.isValid()) p.fillRect(r, it.fill);
    QPen pen(it.color, it.lineWidth * k, it.dash ? Qt::DashLine : Qt::SolidLine, Qt::FlatCap);
    switch (it.type) {
    case Item::Type::Line:
        p.setPen(pen);
        ink.color = 0;
        p.drawLine(r.topLeft(), QPointF(r.x() + r.width(), r.y() + r.height()));
        return;
    case Item::Type::Image: {
        const int col = faces_[&it].column;
        QImage img = col >= 0 && row >= 0 ? photo(table_.at(row, col)) : QImage();
        if (!img.isNull()) {
            // No more pixels than 300 dpi needs: a PDF carries what it is given.
            const double dpi = k * 25.4;
            const QSizeF room = r.size() * std::min(1.0, 300.0 / dpi);
            const QSize target = img.size().scaled(QSize(std::max(1, int(room.width())), std::max(1, int(room.height()))),
                                                   Qt::KeepAspectRatio);
            if (target.width() < img.width()) img = img.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            QSizeF shown = QSizeF(img.size()).scaled(r.size(), Qt::KeepAspectRatio);
            p.drawImage(QRectF(r.center().x() - shown.width() / 2, r.center().y() - shown.height() / 2, shown.width(),
                               shown.height()),
                        img);
        }
        break;
    }
    case Item::Type::Text: {
        QString text = itemText(it, band, page, row);
        if (text.isEmpty()) break;
        if (text.size() > kMaxShownChars) {
            const qsizetype n = text.at(kMaxShownChars - 1).isHighSurrogate() ? kMaxShownChars - 1 : kMaxShownChars;
            text = text.left(n) + QStringLiteral("…");
        }
        const QRectF inner = r.adjusted(it.padding * k, 0, -it.padding * k, 0);
        Face& face = faces_[&it];
        if (!face.metrics) face.metrics.emplace(face.font, p.device());
        if (ink.color != it.color.rgba()) {
            p.setPen(it.color);
            ink.color = it.color.rgba();
        }
        const double middle = inner.center().y();
        auto left = [&](double w) {
            if (it.align & Qt::AlignRight) return inner.right() - w;
            if (it.align & Qt::AlignHCenter) return inner.center().x() - w / 2;
            return inner.left();
        };
        // Most cells repeat a text seen before ("0", a month, a department):
        // each text is shaped once and its glyphs drawn again from then on.
        const Shaped& sh = shape(face, text, p.device());
        if (sh.width <= inner.width()) {
            const QPointF at(left(sh.width), middle - sh.height / 2);
            for (const QGlyphRun& run : sh.runs) p.drawGlyphRun(at, run);
            break;
        }
        QFont font = face.font;
        QFontMetricsF fm = *face.metrics;
        double w = sh.width;
        if (it.shrink) {
            // Smaller type down to a size still read at a glance; past it a
            // text (a long name or department) goes on two lines where the box
            // is tall enough and that keeps it larger than one line would.
            const double readable = std::min(font.pointSizeF(), kReadablePt);
            double pt = font.pointSizeF();
            auto smaller = [&](double floor) {
                while (w > inner.width() && pt - 0.5 >= floor - kEps) {
                    pt -= 0.5;
                    font.setPointSizeF(pt);
                    fm = QFontMetricsF(font, p.device());
                    w = fm.horizontalAdvance(text);
                }
            };
            smaller(readable);
            if (w > inner.width() && it.format == Item::Format::Text) {
                smaller(kSmallestPt);
                const double oneLine = w <= inner.width() ? pt : 0;
                QFont two = face.font;
                bool drawn = false;
                for (double t = face.font.pointSizeF(); t > oneLine + kEps && t >= kSmallestPt - kEps; t -= 0.5) {
                    two.setPointSizeF(t);
                    const QFontMetricsF tm(two, p.device());
                    if (2 * tm.height() > inner.height() + kEps || tm.horizontalAdvance(text) > 2 * inner.width()) continue;
                    const qsizetype cut = twoLineCut(tm, text, inner.width());
                    if (cut <= 0) continue;
                    p.setFont(two);
                    double base = middle - tm.height() + tm.ascent();
                    for (const QString& line : {text.left(cut), text.mid(cut)}) {
                        p.drawText(QPointF(left(tm.horizontalAdvance(line)), base), line);
                        base += tm.height();
                    }
                    drawn = true;
                    break;
                }
                if (drawn) break;
            }
            smaller(kSmallestPt);
        }
        if (w > inner.width()) {
            text = fm.elidedText(text, Qt::ElideRight, inner.width());
            w = fm.horizontalAdvance(text);
        }
        p.setFont(font);
        p.drawText(QPointF(left(w), middle + (fm.ascent() - fm.descent()) / 2), text);
        break;
    }
    }
    switch (it.border) {
    case Item::Border::Box: ink.of(pen).boxes.push_back(r); break;
    case Item::Border::Top: ink.of(pen).lines.push_back(QLineF(r.topLeft(), r.topRight())); break;
    case Item::Border::Bottom: ink.of(pen).lines.push_back(QLineF(r.bottomLeft(), r.bottomRight())); break;
    case Item::Border::None: break;
    }
}

void Document::paintPage(QPainter& p, int page) const
{
    const int dpi = p.device()->logicalDpiX();
    const double k = dpi / 25.4;
    if (dpi != facesDpi_) {
        for (Face& f : faces_) {
            f.metrics.reset();
            f.shaped.clear();
        }
        facesDpi_ = dpi;
    }
    Ink ink;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    const PageSpan& span = plan_.page(page);
    const Band& detail = layout_.band(BandKind::Detail);
    QVector<QRectF> cards;
    for (const Placement& pl : plan_.place(page)) {
        if (pl.band == BandKind::NoData) {
            QFont f(layout_.fontFamily);
            f.setPointSizeF(layout_.fontSize);
            p.setFont(f);
            p.setPen(Qt::black);
            const QRectF r(pl.rect.x() * k, pl.rect.y() * k, pl.rect.width() * k, pl.rect.height() * k);
            p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, noDataText());
            ink.color = 0;
            continue;
        }
        if (pl.band == BandKind::Detail) {
            if (layout_.isCards()) cards << pl.rect;
            if (detail.stripe.isValid() && !layout_.isCards() && (pl.row - span.first) % 2 == 1)
                p.fillRect(QRectF(pl.rect.x() * k, pl.rect.y() * k, pl.rect.width() * k, pl.rect.height() * k), detail.stripe);
        }
        for (const Item& it : layout_.band(pl.band).items) paintItem(p, ink, it, pl.band, pl.rect, page, pl.row, k);
    }
    ink.draw(p);
    if (layout_.isCards() && layout_.cards.cutLines && !cards.isEmpty()) {
        // Cut lines round every card, out to the page's printable edges
        // beside the first and the last card of a full row.
        const QRectF content = layout_.contentRect();
        const int across = layout_.cards.across;
        QVector<QLineF> cuts;
        for (qsizetype i = 0; i < cards.size(); ++i) {
            const QRectF r(cards[i].x() * k, cards[i].y() * k, cards[i].width() * k, cards[i].height() * k);
            const double left = i % across == 0 ? content.left() * k : r.left();
            const double right = i % across == across - 1 ? content.right() * k : r.right();
            cuts << QLineF(left, r.top(), right, r.top()) << QLineF(left, r.bottom(), right, r.bottom())
                 << QLineF(r.topLeft(), r.bottomLeft()) << QLineF(r.topRight(), r.bottomRight());
        }
        p.setPen(QPen(QColor(0x80, 0x80, 0x80), 0.15 * k, Qt::DashLine));
        p.drawLines(cuts);
    }
    p.restore();
}

bool Document::print(QPagedPaintDevice* device, int from, int to, QString* error) const
{
    from = std::max(0, from);
    to = std::min(to, pageCount() - 1);
    QPainter p;
    if (!p.begin(device)) {
        if (error) *error = QStringLiteral("无法开始输出");
        return false;
    }
    for (int i = from; i <= to; ++i) {
        if (i > from && !device->newPage()) {
            if (error) *error = QStringLiteral("无法开始新的一页");
            p.end();
            return false;
        }
        paintPage(p, i);
    }
    return p.end();
}

bool mayWritePdfTo(const QString& path, QString* error)
{
    // Only an earlier PDF (or an empty file) is replaced, never the database,
    // a backup or a photo named by a slip.
    if (!QFileInfo(path).isFile()) return true;
    QFile old(path);
    if (!old.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("无法读取 %1：%2").arg(path, fileProblem(old, path));
        return false;
    }
    if (old.size() > 0 && old.read(5) != "%PDF-") {
        if (error) *error = QStringLiteral("%1 不是PDF文件，没有覆盖它").arg(path);
        return false;
    }
    return true;
}

bool writePdf(const Document& doc, const QString& path, QString* error)
{
    return writePdf(doc, path, 0, doc.pageCount() - 1, error);
}

bool writePdf(const Document& doc, const QString& path, int from, int to, QString* error)
{
    // The export overwrites without asking.
    if (!mayWritePdfTo(path, error)) return false;
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        if (error) *error = QStringLiteral("无法写入 %1：%2").arg(path, fileProblem(f, path));
        return false;
    }
    {
        QPdfWriter w(&f);
        w.setPageLayout(doc.pageLayout());
        w.setTitle(doc.layout().title);
        w.setCreator(ui::applicationTitle());
        if (!doc.print(&w, from, to, error)) {
            f.cancelWriting();
            return false;
        }
    }
    // A full disk shows only here: the commit would put the cut-off file in place.
    if (!f.flush() || f.error() != QFileDevice::NoError) {
        if (error) *error = QStringLiteral("无法写入 %1：%2").arg(path, fileProblem(f, path));
        f.cancelWriting();
        return false;
    }
    if (!f.commit()) {
        if (error) *error = QStringLiteral("无法写入 %1：%2").arg(path, fileProblem(f, path));
        return false;
    }
    return true;
}

}
