#include "platform/report/layout.h"
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <initializer_list>

namespace report {

namespace {

const char* const kBandKeys[kBandCount] = {"pageHeader", "columnHeader", "detail", "pageTotal", "summary", "pageFooter"};

struct Paper {
    const char* name;
    QPageSize::PageSizeId id;
};
const Paper kPapers[] = {{"A3", QPageSize::A3}, {"A4", QPageSize::A4},       {"A5", QPageSize::A5},
                         {"B5", QPageSize::B5}, {"Letter", QPageSize::Letter}, {"Legal", QPageSize::Legal}};

// Reads one file's JSON; every complaint names the file and the key.
class Reader {
public:
    explicit Reader(QString file) : file_(std::move(file)) {}

    [[noreturn]] void fail(const QString& what) const
    {
        throw Error(QStringLiteral("报表文件 %1 有误：%2").arg(file_, what));
    }
    [[noreturn]] void fail(const QString& key, const QString& what) const
    {
        fail(QStringLiteral("“%1”%2").arg(key, what));
    }

    static QString join(const QString& path, const QString& key)
    {
        return path.isEmpty() ? key : path + QLatin1Char('.') + key;
    }

    void onlyKeys(const QJsonObject& o, const QString& path, std::initializer_list<const char*> allowed) const
    {
        for (auto it = o.begin(); it != o.end(); ++it) {
            bool known = false;
            for (const char* a : allowed)
                if (it.key() == QLatin1String(a)) known = true;
            if (known) continue;
            if (path.isEmpty()) fail(QStringLiteral("有未知的项“%1”").arg(it.key()));
            fail(path, QStringLiteral("中有未知的项“%1”").arg(it.key()));
        }
    }

    QJsonObject object(const QJsonObject& o, const QString& path, const char* key, bool required) const
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined()) {
            if (required) fail(join(path, QLatin1String(key)), QStringLiteral("缺少"));
            return {};
        }
        if (!v.isObject()) fail(join(path, QLatin1String(key)), QStringLiteral("应为对象 { … }"));
        return v.toObject();
    }

    double number(const QJsonObject& o, const QString& path, const char* key, double def, double lo, double hi,
                  bool required = false) const
    {
        const QJsonValue v = o.value(QLatin1String(key));
        const QString k = join(path, QLatin1String(key));
        if (v.isUndefined()) {
            if (required) fail(k, QStringLiteral("缺少"));
            return def;
        }
        if (!v.isDouble()) fail(k, QStringLiteral("应为数字"));
        const double d = v.toDouble();
        if (!std::isfinite(d) || d < lo || d > hi)
            fail(k, QStringLiteral("应在 %1 到 %2 之间").arg(lo).arg(hi));
        return d;
    }

    int integer(const QJsonObject& o, const QString& path, const char* key, int def, int lo, int hi,
                bool required = false) const
    {
        const double d = number(o, path, key, def, lo, hi, required);
        if (d != std::floor(d)) fail(join(path, QLatin1String(key)), QStringLiteral("应为整数"));
        return int(d);
    }

    QString text(const QJsonObject& o, const QString& path, const char* key, const QString& def = {}) const
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined()) return def;
        if (!v.isString()) fail(join(path, QLatin1String(key)), QStringLiteral("应为文字"));
        return v.toString();
    }

    bool flag(const QJsonObject& o, const QString& path, const char* key) const
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined()) return false;
        if (!v.isBool()) fail(join(path, QLatin1String(key)), QStringLiteral("应为 true 或 false"));
        return v.toBool();
    }

    QColor color(const QJsonObject& o, const QString& path, const char* key, const QColor& def) const
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined()) return def;
        const QString s = v.toString();
        // Only "#rrggbb": names depend on the library's list.
        if (!v.isString() || s.size() != 7 || !s.startsWith(QLatin1Char('#')) || !QColor::isValidColorName(s))
            fail(join(path, QLatin1String(key)), QStringLiteral("应为 #rrggbb 形式的颜色"));
        return QColor(s);
    }

    template <class T>
    T choice(const QJsonObject& o, const QString& path, const char* key, T def,
             std::initializer_list<std::pair<const char*, T>> options) const
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined()) return def;
        QStringList names;
        for (const auto& [n, val] : options) {
            if (v.toString() == QLatin1String(n)) return val;
            names << QLatin1String(n);
        }
        fail(join(path, QLatin1String(key)), QStringLiteral("应为 %1 之一").arg(names.join(QStringLiteral("、"))));
    }

    const QString& file() const { return file_; }

private:
    QString file_;
};

QVector<TextPart> parseText(const Reader& r, const QString& key, const QString& s, const QStringList& params)
{
    QVector<TextPart> parts;
    QString lit;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c == QLatin1Char('}')) r.fail(key, QStringLiteral("中有多余的“}”"));
        if (c != QLatin1Char('{')) {
            lit += c;
            continue;
        }
        const qsizetype end = s.indexOf(QLatin1Char('}'), i + 1);
        if (end < 0) r.fail(key, QStringLiteral("中的“{”没有配对的“}”"));
        const QString name = s.mid(i + 1, end - i - 1);
        TextPart p;
        if (name == QLatin1String("#page")) p.kind = TextPart::Kind::Page;
        else if (name == QLatin1String("#pages")) p.kind = TextPart::Kind::Pages;
        else if (name == QLatin1String("#date")) p.kind = TextPart::Kind::Date;
        else if (params.contains(name)) p.kind = TextPart::Kind::Param;
        else r.fail(key, QStringLiteral("中的“{%1}”不是已声明的参数（params）").arg(name));
        p.text = name;
        if (!lit.isEmpty()) parts.push_back({TextPart::Kind::Literal, lit});
        lit.clear();
        parts.push_back(p);
        i = end;
    }
    if (!lit.isEmpty()) parts.push_back({TextPart::Kind::Literal, lit});
    return parts;
}

Item parseItem(const Reader& r, const QJsonObject& o, const QString& key, BandKind band, double bandWidth,
               double bandHeight, double nextX, const QStringList& params)
{
    r.onlyKeys(o, key, {"type", "x", "y", "w", "h", "text", "field", "sum", "size", "bold", "align", "format",
                        "decimals", "shrink", "padding", "color", "fill", "border", "lineWidth", "dash"});
    Item it;
    it.key = key;
    it.type = r.choice(o, key, "type", Item::Type::Text,
                       {{"text", Item::Type::Text}, {"image", Item::Type::Image}, {"line", Item::Type::Line}});
    // An item without "x" follows the one before it, so a row of cells needs widths only.
    const double x = r.number(o, key, "x", nextX, 0, 2000);
    const double y = r.number(o, key, "y", 0, 0, 2000);
    const double w = r.number(o, key, "w", bandWidth - x, it.type == Item::Type::Line ? -2000 : 0, 2000);
    const double h = r.number(o, key, "h", it.type == Item::Type::Line ? 0 : bandHeight - y,
                              it.type == Item::Type::Line ? -2000 : 0, 2000);
    it.rect = QRectF(x, y, w, h);
    if (it.type != Item::Type::Line && (w < 0 || h < 0 || x + w > bandWidth + 0.01 || y + h > bandHeight + 0.01))
        r.fail(key, QStringLiteral("超出了所在区的范围（宽 %1，高 %2 毫米）").arg(bandWidth).arg(bandHeight));

    const bool hasText = o.contains(QLatin1String("text"));
    const bool hasField = o.contains(QLatin1String("field"));
    const bool hasSum = o.contains(QLatin1String("sum"));
    if (int(hasText) + int(hasField) + int(hasSum) > 1)
        r.fail(key, QStringLiteral("只能有 text、field、sum 三者之一"));
    if (hasText) it.text = parseText(r, key + QStringLiteral(".text"), r.text(o, key, "text"), params);
    it.field = r.text(o, key, "field");
    it.sum = r.text(o, key, "sum");
    if (hasField && it.field.isEmpty()) r.fail(key + QStringLiteral(".field"), QStringLiteral("不能为空"));
    if (hasSum && it.sum.isEmpty()) r.fail(key + QStringLiteral(".sum"), QStringLiteral("不能为空"));
    if (hasField && band != BandKind::Detail)
        r.fail(key + QStringLiteral(".field"), QStringLiteral("只能用在 detail 区"));
    if (hasSum && band != BandKind::PageTotal && band != BandKind::Summary)
        r.fail(key + QStringLiteral(".sum"), QStringLiteral("只能用在 pageTotal 或 summary 区"));

    it.size = r.number(o, key, "size", 0, 3, 72);
    it.bold = r.flag(o, key, "bold");
    it.align = r.choice(o, key, "align", Qt::Alignment(Qt::AlignLeft),
                        {{"left", Qt::Alignment(Qt::AlignLeft)},
                         {"center", Qt::Alignment(Qt::AlignHCenter)},
                         {"right", Qt::Alignment(Qt::AlignRight)}});
    it.format = r.choice(o, key, "format", Item::Format::Text,
                         {{"text", Item::Format::Text}, {"number", Item::Format::Number}});
    it.decimals = r.integer(o, key, "decimals", -1, 0, 10);
    if (o.contains(QLatin1String("decimals")) && it.format != Item::Format::Number)
        r.fail(key + QStringLiteral(".decimals"), QStringLiteral("只用于 \"format\": \"number\""));
    it.shrink = r.flag(o, key, "shrink");
    it.padding = r.number(o, key, "padding", 1, 0, 50);
    it.color = r.color(o, key, "color", Qt::black);
    it.fill = r.color(o, key, "fill", QColor());
    it.border = r.choice(o, key, "border", Item::Border::None,
                         {{"none", Item::Border::None}, {"box", Item::Border::Box},
                          {"top", Item::Border::Top}, {"bottom", Item::Border::Bottom}});
    it.lineWidth = r.number(o, key, "lineWidth", 0.2, 0.05, 5);
    it.dash = r.flag(o, key, "dash");

    switch (it.type) {
    case Item::Type::Image:
        if (!hasField) r.fail(key, QStringLiteral("是图片，需要 field（图片所在的字段）"));
        break;
    case Item::Type::Line:
        if (hasText || hasField || hasSum) r.fail(key, QStringLiteral("是线条，不能有 text、field 或 sum"));
        break;
    case Item::Type::Text:
        break;
    }
    return it;
}

Band parseBand(const Reader& r, const QJsonObject& root, BandKind kind, double width, double pageHeight,
               const QStringList& params, Cards* cards)
{
    const QString key = QLatin1String(kBandKeys[int(kind)]);
    Band b;
    if (!root.contains(key)) {
        if (kind == BandKind::Detail) r.fail(key, QStringLiteral("缺少"));
        return b;
    }
    const QJsonObject o = r.object(root, QString(), kBandKeys[int(kind)], true);
    if (kind == BandKind::Detail) r.onlyKeys(o, key, {"height", "items", "stripe", "cards"});
    else r.onlyKeys(o, key, {"height", "items"});
    b.present = true;
    b.height = r.number(o, key, "height", 0, 1, pageHeight, true);
    if (kind == BandKind::Detail) {
        b.stripe = r.color(o, key, "stripe", QColor());
        if (o.contains(QLatin1String("cards"))) {
            const QString ck = key + QStringLiteral(".cards");
            const QJsonObject c = r.object(o, key, "cards", true);
            r.onlyKeys(c, ck, {"across", "down", "width", "gapX", "gapY", "cutLines"});
            cards->across = r.integer(c, ck, "across", 1, 1, 20, true);
            cards->down = r.integer(c, ck, "down", 1, 1, 20, true);
            cards->width = r.number(c, ck, "width", 0, 1, width, true);
            cards->gapX = r.number(c, ck, "gapX", 0, 0, width);
            cards->gapY = r.number(c, ck, "gapY", 0, 0, pageHeight);
            cards->cutLines = r.flag(c, ck, "cutLines");
            width = cards->width;
        }
    }
    const QJsonValue items = o.value(QLatin1String("items"));
    if (items.isUndefined()) return b;
    if (!items.isArray()) r.fail(key + QStringLiteral(".items"), QStringLiteral("应为列表 [ … ]"));
    const QJsonArray a = items.toArray();
    double nextX = 0;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const QString ik = QStringLiteral("%1.items[%2]").arg(key).arg(i);
        if (!a.at(i).isObject()) r.fail(ik, QStringLiteral("应为对象 { … }"));
        Item it = parseItem(r, a.at(i).toObject(), ik, kind, width, b.height, nextX, params);
        nextX = it.rect.right();
        b.items.push_back(std::move(it));
    }
    return b;
}

} // namespace

QSizeF Layout::pageSize() const
{
    const QSizeF s = QPageSize(paper).size(QPageSize::Millimeter);
    return orientation == QPageLayout::Landscape ? s.transposed() : s;
}

QRectF Layout::contentRect() const
{
    const QSizeF s = pageSize();
    return QRectF(margins.left(), margins.top(), s.width() - margins.left() - margins.right(),
                  s.height() - margins.top() - margins.bottom());
}

QPageLayout Layout::pageLayout() const
{
    return QPageLayout(QPageSize(paper), orientation, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

QVector<QPair<QString, QString>> Layout::columns() const
{
    QVector<QPair<QString, QString>> out;
    auto add = [&out](const QString& col, const QString& key) {
        for (const auto& p : out)
            if (p.first == col) return;
        out.push_back({col, key});
    };
    for (const Band& b : bands)
        for (const Item& it : b.items) {
            if (!it.field.isEmpty()) add(it.field, it.key + QStringLiteral(".field"));
            if (!it.sum.isEmpty()) add(it.sum, it.key + QStringLiteral(".sum"));
        }
    return out;
}

Layout parseLayout(const QByteArray& json, const QString& file)
{
    const Reader r(file);
    QJsonParseError pe{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &pe);
    if (pe.error != QJsonParseError::NoError) {
        const QByteArray head = json.left(pe.offset);
        const int line = int(head.count('\n')) + 1;
        const int col = int(pe.offset - (head.lastIndexOf('\n') + 1)) + 1;
        r.fail(QStringLiteral("不是有效的 JSON，第 %1 行第 %2 列：%3").arg(line).arg(col).arg(pe.errorString()));
    }
    if (!doc.isObject()) r.fail(QStringLiteral("最外层应为对象 { … }"));
    const QJsonObject root = doc.object();
    r.onlyKeys(root, QString(), {"version", "title", "fileName", "params", "page", "font", "pageHeader", "columnHeader", "detail",
                                 "pageTotal", "summary", "pageFooter"});
    if (r.integer(root, QString(), "version", 0, 0, 1000, true) != 1)
        r.fail(QStringLiteral("version"), QStringLiteral("应为 1"));

    Layout l;
    l.file = file;
    l.title = r.text(root, QString(), "title");
    l.fileName = r.text(root, QString(), "fileName");
    const QJsonValue params = root.value(QLatin1String("params"));
    if (!params.isUndefined()) {
        if (!params.isArray()) r.fail(QStringLiteral("params"), QStringLiteral("应为文字的列表"));
        for (const QJsonValue& v : params.toArray()) {
            const QString p = v.toString();
            if (!v.isString() || p.isEmpty() || p.contains(QLatin1Char('{')) || p.contains(QLatin1Char('}'))
                || p.startsWith(QLatin1Char('#')))
                r.fail(QStringLiteral("params"), QStringLiteral("中的参数名应为不含花括号、不以 # 开头的文字"));
            l.params << p;
        }
    }

    const QJsonObject page = r.object(root, QString(), "page", false);
    r.onlyKeys(page, QStringLiteral("page"), {"paper", "orientation", "margins"});
    const QString paper = r.text(page, QStringLiteral("page"), "paper", QStringLiteral("A4"));
    bool found = false;
    QStringList names;
    for (const Paper& p : kPapers) {
        names << QLatin1String(p.name);
        if (paper == QLatin1String(p.name)) {
            l.paper = p.id;
            found = true;
        }
    }
    if (!found)
        r.fail(QStringLiteral("page.paper"),
               QStringLiteral("的值“%1”不可用，可用：%2").arg(paper, names.join(QStringLiteral("、"))));
    l.orientation = r.choice(page, QStringLiteral("page"), "orientation", QPageLayout::Portrait,
                             {{"portrait", QPageLayout::Portrait}, {"landscape", QPageLayout::Landscape}});
    const QJsonObject m = r.object(page, QStringLiteral("page"), "margins", false);
    const QString mk = QStringLiteral("page.margins");
    r.onlyKeys(m, mk, {"left", "top", "right", "bottom"});
    l.margins = QMarginsF(r.number(m, mk, "left", 10, 0, 100), r.number(m, mk, "top", 10, 0, 100),
                          r.number(m, mk, "right", 10, 0, 100), r.number(m, mk, "bottom", 10, 0, 100));
    const QRectF content = l.contentRect();
    if (content.width() < 20 || content.height() < 20)
        r.fail(QStringLiteral("page.margins"), QStringLiteral("留给内容的地方太小"));

    const QJsonObject font = r.object(root, QString(), "font", false);
    r.onlyKeys(font, QStringLiteral("font"), {"family", "size"});
    l.fontFamily = r.text(font, QStringLiteral("font"), "family", l.fontFamily);
    l.fontSize = r.number(font, QStringLiteral("font"), "size", l.fontSize, 3, 72);

    for (int k = 0; k < kBandCount; ++k)
        l.bands[size_t(k)] = parseBand(r, root, BandKind(k), content.width(), content.height(), l.params, &l.cards);

    // Every page must hold its headers, footer and page total, one detail row
    // and, on the last page, the summary.
    const Cards& c = l.cards;
    double fixed = 0;
    for (const Band& b : l.bands) fixed += b.height;
    if (fixed > content.height() + 0.01)
        r.fail(QStringLiteral("各区（pageHeader、columnHeader、detail、pageTotal、summary、pageFooter）的高度之和 %1 毫米超出了页面内容的高度 %2 毫米")
                   .arg(fixed)
                   .arg(content.height()));
    if (l.isCards()) {
        const double gridW = c.across * c.width + (c.across - 1) * c.gapX;
        const double gridH = c.down * l.band(BandKind::Detail).height + (c.down - 1) * c.gapY;
        if (gridW > content.width() + 0.01)
            r.fail(QStringLiteral("detail.cards"), QStringLiteral("的卡片横向排不下（需 %1 毫米，可用 %2 毫米）").arg(gridW).arg(content.width()));
        const double rest = content.height() - l.band(BandKind::PageHeader).height - l.band(BandKind::ColumnHeader).height
                            - l.band(BandKind::PageTotal).height - l.band(BandKind::PageFooter).height;
        if (gridH > rest + 0.01)
            r.fail(QStringLiteral("detail.cards"), QStringLiteral("的卡片纵向排不下（需 %1 毫米，可用 %2 毫米）").arg(gridH).arg(rest));
    }
    return l;
}

QString fileProblem(const QFileDevice& f, const QString& path)
{
    // Qt passes the C library's words on, English under most settings.
    const QFileInfo fi(path);
    switch (f.error()) {
    case QFileDevice::OpenError:
        if (!fi.absoluteDir().exists()) return QStringLiteral("文件夹不存在");
        if (fi.isDir()) return QStringLiteral("这是一个文件夹");
        return QStringLiteral("无法打开，可能没有权限");
    case QFileDevice::PermissionsError: return QStringLiteral("没有权限");
    case QFileDevice::ReadError: return QStringLiteral("读取出错");
    case QFileDevice::WriteError:
        // Also how a file that may not be replaced is refused before anything is written.
        if (fi.exists() && !fi.isWritable()) return QStringLiteral("文件是只读的");
        return QStringLiteral("写入出错，磁盘可能已满");
    case QFileDevice::ResourceError: return QStringLiteral("写入出错，磁盘可能已满");
    default: return QStringLiteral("文件出错（%1）").arg(int(f.error()));
    }
}

Layout loadLayout(const QString& file)
{
    const QFileInfo fi(file);
    if (!fi.exists() || fi.isDir()) throw Error(QStringLiteral("找不到报表文件 %1").arg(file));
    // A pipe or a device would hold the program up before a byte is read.
    if (!fi.isFile()) throw Error(QStringLiteral("报表文件 %1 不是普通文件").arg(file));
    if (fi.size() > kMaxLayoutBytes)
        throw Error(QStringLiteral("报表文件 %1 过大（%2 字节，最多 %3 字节）").arg(file).arg(fi.size()).arg(kMaxLayoutBytes));
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("无法读取报表文件 %1：%2").arg(file, fileProblem(f, file)));
    // Read no more than the bound, even if the file grew since it was measured.
    const QByteArray bytes = f.read(kMaxLayoutBytes + 1);
    if (f.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("无法读取报表文件 %1：%2").arg(file, fileProblem(f, file)));
    if (bytes.size() > kMaxLayoutBytes)
        throw Error(QStringLiteral("报表文件 %1 过大（超过 %2 字节）").arg(file).arg(kMaxLayoutBytes));
    return parseLayout(bytes, file);
}

}
