#pragma once
#include "platform/db/connection.h"
#include "platform/db/value.h"
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

struct sqlite3_stmt;

namespace db {

namespace detail {

// Exact equality of two texts, code unit by code unit, without the library's
// general comparison (it shows in loops that run once a row).
inline bool sameText(QStringView a, QStringView b)
{
    const qsizetype n = a.size();
    if (n != b.size()) return false;
    const char16_t* p = a.utf16();
    const char16_t* q = b.utf16();
    if (p == q) return true;   // one shared text
    if (n <= 8) {              // names: no library call
        for (qsizetype i = 0; i < n; ++i)
            if (p[i] != q[i]) return false;
        return true;
    }
    return p[0] == q[0] && std::memcmp(p, q, size_t(n) * sizeof(char16_t)) == 0;
}

// A growable array in fixed blocks: growing never copies more than the first
// block and never needs the old and the new array at once. The first block
// starts small and doubles, so that a result of one row costs little.
template <class T, int Shift = 12>
class Chunked {
public:
    static constexpr size_t kBlock = size_t(1) << Shift;
    static constexpr size_t kFirst = 16;

    void push_back(T v)
    {
        if (size_ == cap_) grow();
        blocks_[size_ >> Shift][size_ & (kBlock - 1)] = v;
        ++size_;
    }
    // n more slots in one piece, or null when they would cross a block (then
    // push_back them one by one).
    T* extend(size_t n)
    {
        if (size_ + n > cap_) {
            if (cap_ < kBlock && size_ + n <= kBlock) {
                while (cap_ < size_ + n) grow();
            } else if (cap_ >= kBlock && size_ == cap_ && n <= kBlock) {
                grow();
            } else {
                return nullptr;
            }
        }
        const size_t offset = size_ & (kBlock - 1);
        if (offset + n > kBlock) return nullptr;
        T* p = &blocks_[size_ >> Shift][offset];
        size_ += n;
        return p;
    }
    // Slots i .. i + n - 1 in one piece, or null when they cross a block.
    T* span(size_t i, size_t n)
    {
        return (i & (kBlock - 1)) + n <= kBlock ? &blocks_[i >> Shift][i & (kBlock - 1)] : nullptr;
    }
    T& operator[](size_t i) { return blocks_[i >> Shift][i & (kBlock - 1)]; }
    const T& operator[](size_t i) const { return blocks_[i >> Shift][i & (kBlock - 1)]; }
    size_t size() const { return size_; }
    size_t bytes() const { return cap_ * sizeof(T); }
    // Empty again, keeping the first block.
    void clear()
    {
        if (blocks_.size() > 1) blocks_.resize(1);
        cap_ = blocks_.empty() ? 0 : std::min(cap_, kBlock);
        size_ = 0;
    }

private:
    void grow()
    {
        if (cap_ < kBlock) {
            const size_t n = cap_ == 0 ? std::min(kFirst, kBlock) : std::min(cap_ * 2, kBlock);
            auto b = std::make_unique_for_overwrite<T[]>(n);
            if (size_) std::memcpy(b.get(), blocks_[0].get(), size_ * sizeof(T));
            if (blocks_.empty()) blocks_.push_back(std::move(b));
            else blocks_[0] = std::move(b);
            cap_ = n;
        } else {
            blocks_.push_back(std::make_unique_for_overwrite<T[]>(kBlock));
            cap_ += kBlock;
        }
    }

    std::vector<std::unique_ptr<T[]>> blocks_;
    size_t size_ = 0, cap_ = 0;
};

// Bytes of texts and blobs, each behind its length, in blocks that grow up to
// 1 MB (a small result stays small). A value
// is known by a reference: block number in the high half, offset in the low.
class Arena {
public:
    uint64_t put(const void* data, uint32_t n);
    const char* get(uint64_t ref, uint32_t* n) const
    {
        const char* p = blocks_[size_t(ref >> 32)].get() + (ref & 0xffffffffu);
        std::memcpy(n, p, sizeof(uint32_t));
        return p + sizeof(uint32_t);
    }
    size_t bytes() const { return allocated_; }
    void clear();   // empty again, keeping the first block

private:
    static constexpr size_t kBlock = size_t(1) << 20;
    std::vector<std::unique_ptr<char[]>> blocks_;
    static constexpr size_t kFirst = 512;
    size_t used_ = 0, cap_ = 0, allocated_ = 0, next_ = kFirst, firstSize_ = 0;
};

}

// What the columns of a prepared statement are: their names, the table a
// rowid column names, each column's name in that table. Read once and shared
// by every snapshot of the statement, until the engine prepares it again.
struct Shape {
    // Columns of the statement from `first` on; with a rowid column (the
    // statement's column first - 1) when `withRowid`.
    static std::shared_ptr<Shape> read(sqlite3_stmt* st, int first, bool withRowid);

    int index(const QString& name) const;   // case-insensitive, -1 if unknown
    // The same columns of the same table, read and written alike.
    bool sameColumns(const Shape& o) const;
    QString quotedTable() const;            // "schema"."table", for statements

    int cols = 0;
    int first = 0;
    bool hasRowid = false;
    QStringList names;
    std::vector<QString> lowerNames;        // by column, for look-ups without regard to case
    std::vector<int> nameSlots;             // open addressing over lowerNames: column, -1 free
    QString table, schema;
    std::vector<QString> origins;           // "" for a computed column
    std::vector<int> writable;              // the columns with an origin
    std::vector<int> sameOrigin;            // the first column of the same origin; -1: none
    std::vector<char> realColumn;           // a column of the table with REAL affinity
    std::vector<char> lazyColumn;           // large blobs may stay unread (writable with a rowid)
    std::vector<int> blobColumns;           // the writable columns of BLOB affinity
    // Columns read by a statement that leaves their large blobs in the table:
    // the column (Null then), and the statement column holding such a blob's size.
    std::vector<std::pair<int, int>> sizes;

    // The statements that write rows back, made on first use (see query.cpp):
    // by kind and the columns they name.
    struct Write {
        int kind;
        std::vector<int> cols;
        std::vector<int> lazy;   // columns compared by the size of a blob left unread
        QByteArray text;
        Connection::CachedHint hint;
    };
    mutable std::deque<Write> writes;
};

// The rows a query read, compact: one kind byte and one 8-byte word per cell
// (the number itself, or a reference into the byte arena); strings are made
// only when a value is asked for. Rows are reached through an order list so
// that a delete moves four bytes a row and nothing else.
class Snapshot {
public:
    // kLazyBlob: a blob larger than kLazyBlobBytes in a column the rows can be
    // written back to; only its size is kept (in the cell's word), and its
    // bytes are read from the table row when its value is asked for.
    enum Kind : uint8_t { kNull, kInteger, kReal, kText, kBlob, kLazyBlob };
    static constexpr uint32_t kLazyBlobBytes = 4096;

    explicit Snapshot(std::shared_ptr<const Shape> shape);
    // Empty, for the rows of another run; the memory of a small result is kept.
    void reuse(const std::shared_ptr<const Shape>& shape);

    // The connection large blobs are read from later.
    void setConnection(std::weak_ptr<Connection> c) { conn_ = std::move(c); }

    const Shape& shape() const { return *shape_; }
    int columnCount() const { return shape_->cols; }
    int rowCount() const { return int(order_.size()); }
    const QStringList& names() const { return shape_->names; }
    int index(const QString& name) const { return shape_->index(name); }

    // The table the rows come from ("" if none) and each column's name in it
    // ("" for a computed column).
    const QString& table() const { return shape_->table; }
    QString quotedTable() const { return shape_->quotedTable(); }
    const QString& origin(int col) const { return shape_->origins[size_t(col)]; }
    bool hasRowid() const { return shape_->hasRowid; }
    int64_t rowid(int row) const { return rowids_[order_[size_t(row)]]; }

    // Appends the statement's current row.
    void appendFrom(sqlite3_stmt* st);
    // A new row with the given rowid, every cell Null, at the end.
    int appendEmpty(int64_t rowid);
    // Replaces the cells of `row` listed in `cols` with the statement's
    // columns 0, 1, ... in that order.
    void refreshFrom(int row, sqlite3_stmt* st, const std::vector<int>& cols);
    void removeRow(int row);

    Value value(int row, int col) const;
    // An integer or real cell as a number; false for any other.
    bool numberAt(int row, int col, double* out) const
    {
        const size_t i = cell(row, col);
        const uint64_t w = words_[i];
        switch (kinds_[i]) {
        case kInteger: {
            int64_t v;
            std::memcpy(&v, &w, sizeof v);
            *out = double(v);
            return true;
        }
        case kReal: std::memcpy(out, &w, sizeof w); return true;
        default: return false;
        }
    }
    bool isNull(int row, int col) const { return kinds_[cell(row, col)] == kNull; }
    bool isLazy(int row, int col) const { return kinds_[cell(row, col)] == kLazyBlob; }
    // Binds the cell exactly as it was read (for comparisons with the table);
    // a lazy blob binds its size. The engine copies the bytes.
    int bindCell(sqlite3_stmt* st, int param, int row, int col) const;

    size_t bytes() const;

private:
    size_t cell(int row, int col) const { return size_t(order_[size_t(row)]) * size_t(cols_) + size_t(col); }

    std::shared_ptr<const Shape> shape_;
    std::weak_ptr<Connection> conn_;
    int cols_ = 0;
    int first_ = 0;

    detail::Chunked<uint8_t> kinds_;
    detail::Chunked<uint64_t> words_;
    detail::Arena arena_;
    detail::Chunked<int64_t> rowids_;   // by physical row
    std::vector<uint32_t> order_;       // visible row -> physical row
    uint32_t physical_ = 0;
};

}
