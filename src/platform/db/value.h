#pragma once
#include <QByteArray>
#include <QDate>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace db {

// A value as it travels between dialogs and the database: what a parameter is
// given and what a field holds. Dates travel as Date and are stored as
// ISO "yyyy-MM-dd" text; bitmaps as the BMP file bytes.
class Value {
public:
    enum class Kind { Null, Integer, Real, Text, Date, Blob };

    Value() = default;                      // Null
    static Value null() { return Value(); }
    static Value integer(int64_t v);
    static Value real(double v);
    static Value text(const QString& v);    // "" stays "", never Null
    static Value date(const QDate& v);      // invalid date -> Error at bind time
    static Value blob(const QByteArray& v); // empty array = no bytes (stored as zero-length blob)
    // A large blob a query keeps unread (its row and size only): `read`
    // gives the bytes from the table when they are first asked for, then
    // they are kept; db::Error when they cannot be read as they were
    // (db::RowChanged when the row changed meanwhile).
    static Value blob(int64_t size, std::function<QByteArray()> read);

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }

    // Display text: Null -> "", REAL without a spurious ".0" (200.0 -> "200"),
    // dates "yyyy-MM-dd", blobs "(BLOB)".
    QString toText() const;
    // Numeric reading; Null and non-numeric text raise Error (parsed as parseNumber does).
    double toReal() const;
    // Null -> empty; a lazy blob not read yet is read afresh, not kept (photos printed once).
    QByteArray toBlob() const;
    int64_t blobSize() const;    // bytes of a blob without reading them; 0 for any other kind

    // Raw access
    int64_t asInteger() const { return i_; }
    double asReal() const { return d_; }
    const QString& asText() const { return s_; }   // a Date gives its ISO text, "" if invalid
    const QByteArray& asBlob() const;

    bool operator==(const Value& o) const;
    bool operator!=(const Value& o) const { return !(*this == o); }

private:
    explicit Value(Kind k, int64_t i = 0, double d = 0, QString s = QString(), QByteArray b = QByteArray())
        : kind_(k), i_(i), d_(d), s_(std::move(s)), b_(std::move(b)) {}
    Kind kind_ = Kind::Null;
    int64_t i_ = 0;
    double d_ = 0;
    QString s_;
    QByteArray b_;
    struct Lazy {
        int64_t size;
        std::function<QByteArray()> read;
        std::optional<QByteArray> bytes;
    };
    std::shared_ptr<Lazy> lazy_;   // shared by copies: read once
};

}
