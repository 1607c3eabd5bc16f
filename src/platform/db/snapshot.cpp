#include "platform/db/snapshot.h"
#include "platform/db/sqltext.h"
#include "platform/db/error.h"
#include <algorithm>
#include <sqlite3.h>

namespace db {

namespace detail {

uint64_t Arena::put(const void* data, uint32_t n)
{
    const size_t need = sizeof(uint32_t) + n;
    if (blocks_.empty() || cap_ - used_ < need) {
        // Large values get a block of their own; the rest share blocks.
        const size_t size = need > next_ / 4 ? std::max(need, next_) : next_;
        next_ = std::min(kBlock, next_ * 2);
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
        if (blocks_.size() == 1) firstSize_ = size;
        allocated_ += size;
        used_ = 0;
        cap_ = size;
    }
    char* p = blocks_.back().get() + used_;
    std::memcpy(p, &n, sizeof(uint32_t));
    if (n) std::memcpy(p + sizeof(uint32_t), data, n);
    const uint64_t ref = (uint64_t(blocks_.size() - 1) << 32) | uint64_t(used_);
    used_ += need;
    return ref;
}

void Arena::clear()
{
    if (blocks_.size() > 1) blocks_.resize(1);
    used_ = 0;
    cap_ = allocated_ = blocks_.empty() ? 0 : firstSize_;
    next_ = std::min(kBlock, std::max(kFirst, firstSize_) * 2);
}

}

namespace {

QString fromUtf8(const char* s) { return s ? QString::fromUtf8(s) : QString(); }

// The engine's rule for a declared type: REAL affinity unless INT, a text
// or BLOB type decides first.
bool realAffinity(const char* declared)
{
    if (!declared) return false;
    const QByteArray t = QByteArray(declared).toUpper();
    if (t.contains("INT") || t.contains("CHAR") || t.contains("CLOB") || t.contains("TEXT") || t.contains("BLOB"))
        return false;
    return t.contains("REAL") || t.contains("FLOA") || t.contains("DOUB");
}

bool blobAffinity(const char* declared)
{
    if (!declared) return false;   // no type: mostly texts and numbers
    const QByteArray t = QByteArray(declared).toUpper();
    return t.contains("BLOB") && !t.contains("INT") && !t.contains("CHAR") && !t.contains("CLOB") && !t.contains("TEXT");
}

size_t nameHash(QStringView s)
{
    uint32_t h = 2166136261u;
    const char16_t* p = s.utf16();
    for (qsizetype i = 0; i < s.size(); ++i) h = (h ^ p[i]) * 16777619u;
    return h;
}

}

std::shared_ptr<Shape> Shape::read(sqlite3_stmt* st, int first, bool withRowid)
{
    auto s = std::make_shared<Shape>();
    s->cols = sqlite3_column_count(st) - first;
    s->first = first;
    s->hasRowid = withRowid;
    if (withRowid) {
        s->table = fromUtf8(sqlite3_column_table_name(st, first - 1));
        s->schema = fromUtf8(sqlite3_column_database_name(st, first - 1));
    }
    s->origins.resize(size_t(s->cols));
    s->realColumn.assign(size_t(s->cols), 0);
    s->lazyColumn.assign(size_t(s->cols), 0);
    for (int c = 0; c < s->cols; ++c) {
        const QString name = fromUtf8(sqlite3_column_name(st, first + c));
        s->names << name;
        s->lowerNames.push_back(name.toLower());
        // Only a plain column of the rowid's own table can be written back.
        if (withRowid && fromUtf8(sqlite3_column_table_name(st, first + c)) == s->table
            && fromUtf8(sqlite3_column_database_name(st, first + c)) == s->schema)
            s->origins[size_t(c)] = fromUtf8(sqlite3_column_origin_name(st, first + c));
        if (!s->origins[size_t(c)].isEmpty()) {
            s->writable.push_back(c);
            s->realColumn[size_t(c)] = realAffinity(sqlite3_column_decltype(st, first + c));
            s->lazyColumn[size_t(c)] = 1;
            if (blobAffinity(sqlite3_column_decltype(st, first + c))) s->blobColumns.push_back(c);
        }
    }
    // Column names are asked for once a row by some loops: a table with
    // twice the slots finds one in a probe or two. The first of equal names wins.
    size_t room = 8;
    while (room < 2 * size_t(s->cols)) room *= 2;
    s->nameSlots.assign(room, -1);
    for (int c = 0; c < s->cols; ++c) {
        size_t i = nameHash(s->lowerNames[size_t(c)]) & (room - 1);
        while (s->nameSlots[i] >= 0 && !detail::sameText(s->lowerNames[size_t(s->nameSlots[i])], s->lowerNames[size_t(c)]))
            i = (i + 1) & (room - 1);
        if (s->nameSlots[i] < 0) s->nameSlots[i] = c;
    }
    s->sameOrigin.assign(size_t(s->cols), -1);
    for (int c : s->writable)
        for (int k : s->writable)
            if (s->origins[size_t(k)] == s->origins[size_t(c)]) {
                s->sameOrigin[size_t(c)] = k;
                break;
            }
    return s;
}

int Shape::index(const QString& name) const
{
    // Names are mostly asked for as they are spelt: no lower-case copy then.
    const auto find = [&](const QString& key) {
        const size_t mask = nameSlots.size() - 1;
        for (size_t i = nameHash(key) & mask;; i = (i + 1) & mask) {
            const int c = nameSlots[i];
            if (c < 0 || detail::sameText(lowerNames[size_t(c)], key)) return c;
        }
    };
    const int c = find(name);
    return c >= 0 ? c : find(name.toLower());
}

bool Shape::sameColumns(const Shape& o) const
{
    return cols == o.cols && first == o.first && hasRowid == o.hasRowid && names == o.names && table == o.table
        && schema == o.schema && origins == o.origins && realColumn == o.realColumn && lazyColumn == o.lazyColumn
        && blobColumns == o.blobColumns;
}

QString Shape::quotedTable() const { return quoteIdent(schema) + QLatin1Char('.') + quoteIdent(table); }

Snapshot::Snapshot(std::shared_ptr<const Shape> shape)
    : shape_(std::move(shape)), cols_(shape_->cols), first_(shape_->first)
{
}

void Snapshot::reuse(const std::shared_ptr<const Shape>& shape)
{
    if (shape_ != shape) shape_ = shape;
    cols_ = shape_->cols;
    first_ = shape_->first;
    kinds_.clear();
    words_.clear();
    arena_.clear();
    rowids_.clear();
    order_.clear();
    physical_ = 0;
}

namespace {

// A cell as the snapshot keeps it: its kind, and the number itself or the
// reference of its bytes (a large blob of a lazy column: its size). With
// mayKeep, kind and word come in as the cell was: bytes equal to those are
// not stored again. The column's value is read directly: the connection
// takes no lock (it is used from one thread).
inline void readCell(sqlite3_value* v, detail::Arena& arena, uint8_t& kind, uint64_t& word, bool lazy,
                     bool mayKeep = false)
{
    const int type = sqlite3_value_type(v);
    switch (type) {
    case SQLITE_INTEGER: {
        kind = Snapshot::kInteger;
        const sqlite3_int64 n = sqlite3_value_int64(v);
        std::memcpy(&word, &n, sizeof word);
        return;
    }
    case SQLITE_FLOAT: {
        kind = Snapshot::kReal;
        const double d = sqlite3_value_double(v);
        std::memcpy(&word, &d, sizeof word);
        return;
    }
    case SQLITE_TEXT:
    case SQLITE_BLOB: {
        const bool text = type == SQLITE_TEXT;
        if (!text && lazy) {
            const uint32_t n = uint32_t(sqlite3_value_bytes(v));
            if (n > Snapshot::kLazyBlobBytes) {
                kind = Snapshot::kLazyBlob;
                word = n;
                return;
            }
        }
        const uint8_t k = text ? Snapshot::kText : Snapshot::kBlob;
        const void* p = text ? static_cast<const void*>(sqlite3_value_text(v)) : sqlite3_value_blob(v);
        const uint32_t n = uint32_t(sqlite3_value_bytes(v));
        // Refreshing a row does not make the arena grow.
        if (mayKeep && kind == k) {
            uint32_t old = 0;
            const char* q = arena.get(word, &old);
            if (old == n && (n == 0 || std::memcmp(q, p, n) == 0)) return;
        }
        word = arena.put(p, n);   // may throw: the kind follows the bytes
        kind = k;
        return;
    }
    default:
        kind = Snapshot::kNull;
        word = 0;
        return;
    }
}

// The bytes of a lazy cell, read from its table row when first asked for.
class TableBlob final : public Value::BlobSource {
public:
    TableBlob(std::weak_ptr<Connection> conn, QString schema, QString table, QString column, int64_t rowid, int64_t size)
        : conn_(std::move(conn)), schema_(std::move(schema)), table_(std::move(table)), column_(std::move(column)),
          rowid_(rowid), size_(size)
    {
    }
    int64_t size() const override { return size_; }

protected:
    QByteArray read() const override
    {
        const std::shared_ptr<Connection> c = conn_.lock();
        if (!c) throw Error(QStringLiteral("字段 %1：数据库连接已关闭，无法读取").arg(column_));
        return c->readBlob(schema_, table_, column_, rowid_, size_);
    }

private:
    std::weak_ptr<Connection> conn_;
    QString schema_, table_, column_;
    int64_t rowid_, size_;
};

}

void Snapshot::appendFrom(sqlite3_stmt* st)
{
    // The row's cells in one piece where they fit in the current blocks.
    const size_t start = kinds_.size();
    uint8_t* kinds = kinds_.extend(size_t(cols_));
    uint64_t* words = words_.extend(size_t(cols_));
    const char* lazy = shape_->lazyColumn.data();
    if (kinds && words) {
        for (int c = 0; c < cols_; ++c)
            readCell(sqlite3_column_value(st, first_ + c), arena_, kinds[c], words[c], lazy[c]);
    } else {
        for (int c = 0; c < cols_; ++c) {
            uint8_t kind;
            uint64_t word;
            readCell(sqlite3_column_value(st, first_ + c), arena_, kind, word, lazy[c]);
            if (kinds) kinds[c] = kind;
            else kinds_.push_back(kind);
            if (words) words[c] = word;
            else words_.push_back(word);
        }
    }
    for (const auto& [c, size] : shape_->sizes) {
        if (sqlite3_column_type(st, size) == SQLITE_NULL) continue;
        kinds_[start + size_t(c)] = kLazyBlob;
        words_[start + size_t(c)] = uint64_t(sqlite3_column_int64(st, size));
    }
    if (shape_->hasRowid) rowids_.push_back(sqlite3_column_int64(st, first_ - 1));
    order_.push_back(physical_++);
}

int Snapshot::appendEmpty(int64_t rowid)
{
    for (int c = 0; c < cols_; ++c) {
        kinds_.push_back(kNull);
        words_.push_back(0);
    }
    rowids_.push_back(rowid);
    order_.push_back(physical_++);
    return rowCount() - 1;
}

void Snapshot::refreshFrom(int row, sqlite3_stmt* st, const std::vector<int>& cols)
{
    const size_t first = cell(row, 0);
    uint8_t* kinds = kinds_.span(first, size_t(cols_));
    uint64_t* words = words_.span(first, size_t(cols_));
    if (kinds && words) {   // the row in one piece, as it mostly is
        for (size_t k = 0; k < cols.size(); ++k) {
            const size_t c = size_t(cols[k]);
            readCell(sqlite3_column_value(st, int(k)), arena_, kinds[c], words[c], shape_->lazyColumn[c], true);
        }
        return;
    }
    for (size_t k = 0; k < cols.size(); ++k) {
        const size_t i = first + size_t(cols[k]);
        uint8_t kind = kinds_[i];
        uint64_t word = words_[i];
        readCell(sqlite3_column_value(st, int(k)), arena_, kind, word, shape_->lazyColumn[size_t(cols[k])], true);
        kinds_[i] = kind;
        words_[i] = word;
    }
}

void Snapshot::removeRow(int row) { order_.erase(order_.begin() + row); }

Value Snapshot::value(int row, int col) const
{
    const size_t i = cell(row, col);
    const uint64_t w = words_[i];
    switch (kinds_[i]) {
    case kInteger: {
        int64_t v;
        std::memcpy(&v, &w, sizeof v);
        return Value::integer(v);
    }
    case kReal: {
        double v;
        std::memcpy(&v, &w, sizeof v);
        return Value::real(v);
    }
    case kText: {
        uint32_t n = 0;
        const char* p = arena_.get(w, &n);
        return Value::text(QString::fromUtf8(p, qsizetype(n)));
    }
    case kBlob: {
        uint32_t n = 0;
        const char* p = arena_.get(w, &n);
        return Value::blob(QByteArray(p, qsizetype(n)));
    }
    case kLazyBlob:
        return Value::blob(std::make_shared<TableBlob>(conn_, shape_->schema, shape_->table,
                                                       shape_->origins[size_t(col)], rowid(row), int64_t(w)));
    default: return Value();
    }
}

int Snapshot::bindCell(sqlite3_stmt* st, int param, int row, int col) const
{
    const size_t i = cell(row, col);
    const uint64_t w = words_[i];
    switch (kinds_[i]) {
    case kLazyBlob: return sqlite3_bind_int64(st, param, sqlite3_int64(w));
    case kInteger: {
        int64_t v;
        std::memcpy(&v, &w, sizeof v);
        return sqlite3_bind_int64(st, param, v);
    }
    case kReal: {
        double v;
        std::memcpy(&v, &w, sizeof v);
        return sqlite3_bind_double(st, param, v);
    }
    case kText: {
        uint32_t n = 0;
        const char* p = arena_.get(w, &n);
        return sqlite3_bind_text(st, param, p, int(n), SQLITE_TRANSIENT);
    }
    case kBlob: {
        uint32_t n = 0;
        const char* p = arena_.get(w, &n);
        return n ? sqlite3_bind_blob(st, param, p, int(n), SQLITE_TRANSIENT) : sqlite3_bind_zeroblob(st, param, 0);
    }
    default: return sqlite3_bind_null(st, param);
    }
}

size_t Snapshot::bytes() const
{
    return kinds_.bytes() + words_.bytes() + arena_.bytes() + rowids_.bytes() + order_.capacity() * sizeof(uint32_t);
}

}
