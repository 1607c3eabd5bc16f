#pragma once
#include "platform/db/value.h"
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

struct sqlite3_stmt;

namespace db {

namespace detail {

// A growable array in fixed blocks: growing never copies what is stored and
// never needs the old and the new array at once.
template <class T, int Shift = 12>
class Chunked {
public:
    static constexpr size_t kBlock = size_t(1) << Shift;

    void push_back(T v)
    {
        if ((size_ >> Shift) == blocks_.size()) blocks_.push_back(std::make_unique_for_overwrite<T[]>(kBlock));
        blocks_[size_ >> Shift][size_ & (kBlock - 1)] = v;
        ++size_;
    }
    T& operator[](size_t i) { return blocks_[i >> Shift][i & (kBlock - 1)]; }
    const T& operator[](size_t i) const { return blocks_[i >> Shift][i & (kBlock - 1)]; }
    size_t size() const { return size_; }
    size_t bytes() const { return blocks_.size() * kBlock * sizeof(T); }

private:
    std::vector<std::unique_ptr<T[]>> blocks_;
    size_t size_ = 0;
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

private:
    static constexpr size_t kBlock = size_t(1) << 20;
    std::vector<std::unique_ptr<char[]>> blocks_;
    size_t used_ = 0, cap_ = 0, allocated_ = 0, next_ = 4096;
};

}

// The rows a query read, compact: one kind byte and one 8-byte word per cell
// (the number itself, or a reference into the byte arena); strings are made
// only when a value is asked for. Rows are reached through an order list so
// that a delete moves four bytes a row and nothing else.
class Snapshot {
public:
    enum Kind : uint8_t { kNull, kInteger, kReal, kText, kBlob };

    // Columns of the statement from `first` on; with a rowid column (the
    // statement's column first - 1) when `withRowid`.
    Snapshot(sqlite3_stmt* st, int first, bool withRowid);

    int columnCount() const { return cols_; }
    int rowCount() const { return int(order_.size()); }
    const QStringList& names() const { return names_; }
    int index(const QString& name) const;   // case-insensitive, -1 if unknown

    // The table the rows come from ("" if none) and each column's name in it
    // ("" for a computed column).
    const QString& table() const { return table_; }
    QString quotedTable() const;   // "schema"."table", for statements
    const QString& origin(int col) const { return origins_[size_t(col)]; }
    bool hasRowid() const { return hasRowid_; }
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
    bool isNull(int row, int col) const { return kinds_[cell(row, col)] == kNull; }
    // Binds the cell exactly as it was read (for comparisons with the table).
    int bindCell(sqlite3_stmt* st, int param, int row, int col) const;

    size_t bytes() const;

private:
    size_t cell(int row, int col) const { return size_t(order_[size_t(row)]) * size_t(cols_) + size_t(col); }
    void store(size_t cellIndex, sqlite3_stmt* st, int stmtCol, bool append);

    int cols_ = 0;
    int first_ = 0;
    bool hasRowid_ = false;
    QStringList names_;
    QHash<QString, int> byName_;
    QString table_, schema_;
    std::vector<QString> origins_;

    detail::Chunked<uint8_t> kinds_;
    detail::Chunked<uint64_t> words_;
    detail::Arena arena_;
    detail::Chunked<int64_t> rowids_;   // by physical row
    std::vector<uint32_t> order_;       // visible row -> physical row
    uint32_t physical_ = 0;
};

}
