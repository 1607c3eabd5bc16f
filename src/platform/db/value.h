#pragma once
#include <QByteArray>
#include <QDate>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>
#include <optional>

namespace db {

// A value as it travels between dialogs and the database: what a parameter is
// given and what a field holds. Dates travel as Date and are stored as
// ISO "yyyy-MM-dd" text; bitmaps as the BMP file bytes.
class Value {
public:
    enum class Kind { Null, Integer, Real, Text, Date, Blob };

    // Where the bytes of a large blob come from: a query keeps such a cell
    // unread (its row and size only), and a Value of it reads the bytes from
    // the table when they are first asked for.
    class BlobSource {
    public:
        virtual ~BlobSource() = default;
        virtual int64_t size() const = 0;
        // Read once, then kept; db::Error when they cannot be read as they
        // were (db::RowChanged when the row changed meanwhile).
        const QByteArray& bytes() const;
    protected:
        virtual QByteArray read() const = 0;
    private:
        mutable std::optional<QByteArray> bytes_;
    };

    Value() = default;                      // Null
    static Value null() { return Value(); }
    static Value integer(int64_t v);
    static Value real(double v);
    static Value text(const QString& v);    // "" stays "", never Null
    static Value date(const QDate& v);      // invalid date -> Error at bind time
    static Value blob(const QByteArray& v); // empty array = no bytes (stored as zero-length blob)
    static Value blob(std::shared_ptr<const BlobSource> source);   // bytes read on demand

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }

    // Display text: Null -> "", REAL without a spurious ".0" (200.0 -> "200"),
    // dates "yyyy-MM-dd", blobs "(BLOB)".
    QString toText() const;
    // Numeric reading; Null and non-numeric text raise Error (parsed as parseNumber does).
    double toReal() const;
    int64_t toInteger() const;   // a REAL is truncated toward zero only if whole; else Error
    QDate toDate() const;        // from Date or ISO text; Error otherwise
    QByteArray toBlob() const;   // Null -> empty; a lazy blob reads its bytes
    int64_t blobSize() const;    // bytes of a blob without reading them; 0 for any other kind
    bool toBool() const;

    // Raw access
    int64_t asInteger() const { return i_; }
    double asReal() const { return d_; }
    const QString& asText() const { return s_; }   // a Date gives its ISO text
    const QByteArray& asBlob() const { return lazy_ ? lazy_->bytes() : b_; }
    const QDate& asDate() const { return dt_; }

    bool operator==(const Value& o) const;
    bool operator!=(const Value& o) const { return !(*this == o); }

private:
    explicit Value(Kind k) : kind_(k) {}
    Kind kind_ = Kind::Null;
    int64_t i_ = 0;
    double d_ = 0;
    QString s_;
    QByteArray b_;
    QDate dt_;
    std::shared_ptr<const BlobSource> lazy_;
};

}
