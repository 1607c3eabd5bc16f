#include "platform/db/snapshot.h"
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

}

namespace {

QString quoteIdent(const QString& name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString fromUtf8(const char* s) { return s ? QString::fromUtf8(s) : QString(); }

}

Snapshot::Snapshot(sqlite3_stmt* st, int first, bool withRowid)
    : cols_(sqlite3_column_count(st) - first), first_(first), hasRowid_(withRowid)
{
    if (withRowid) {
        table_ = fromUtf8(sqlite3_column_table_name(st, first - 1));
        schema_ = fromUtf8(sqlite3_column_database_name(st, first - 1));
    }
    origins_.resize(size_t(cols_));
    for (int c = 0; c < cols_; ++c) {
        const QString name = fromUtf8(sqlite3_column_name(st, first + c));
        names_ << name;
        const QString key = name.toLower();
        if (!byName_.contains(key)) byName_.insert(key, c);
        // Only a plain column of the rowid's own table can be written back.
        if (hasRowid_ && fromUtf8(sqlite3_column_table_name(st, first + c)) == table_
            && fromUtf8(sqlite3_column_database_name(st, first + c)) == schema_)
            origins_[size_t(c)] = fromUtf8(sqlite3_column_origin_name(st, first + c));
    }
}

int Snapshot::index(const QString& name) const { return byName_.value(name.toLower(), -1); }

QString Snapshot::quotedTable() const { return quoteIdent(schema_) + QLatin1Char('.') + quoteIdent(table_); }

void Snapshot::store(size_t i, sqlite3_stmt* st, int c, bool append)
{
    uint8_t kind = kNull;
    uint64_t word = 0;
    switch (sqlite3_column_type(st, c)) {
    case SQLITE_INTEGER: {
        kind = kInteger;
        const sqlite3_int64 v = sqlite3_column_int64(st, c);
        std::memcpy(&word, &v, sizeof word);
        break;
    }
    case SQLITE_FLOAT: {
        kind = kReal;
        const double v = sqlite3_column_double(st, c);
        std::memcpy(&word, &v, sizeof word);
        break;
    }
    case SQLITE_TEXT: {
        kind = kText;
        const unsigned char* p = sqlite3_column_text(st, c);
        word = arena_.put(p, uint32_t(sqlite3_column_bytes(st, c)));
        break;
    }
    case SQLITE_BLOB: {
        kind = kBlob;
        const void* p = sqlite3_column_blob(st, c);
        word = arena_.put(p, uint32_t(sqlite3_column_bytes(st, c)));
        break;
    }
    default: break;
    }
    if (append) {
        kinds_.push_back(kind);
        words_.push_back(word);
    } else {
        kinds_[i] = kind;
        words_[i] = word;
    }
}

void Snapshot::appendFrom(sqlite3_stmt* st)
{
    for (int c = 0; c < cols_; ++c) store(0, st, first_ + c, true);
    if (hasRowid_) rowids_.push_back(sqlite3_column_int64(st, first_ - 1));
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
    for (size_t k = 0; k < cols.size(); ++k) store(cell(row, cols[k]), st, int(k), false);
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
    default: return Value();
    }
}

int Snapshot::bindCell(sqlite3_stmt* st, int param, int row, int col) const
{
    const size_t i = cell(row, col);
    const uint64_t w = words_[i];
    switch (kinds_[i]) {
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
