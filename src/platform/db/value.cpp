#include "platform/db/value.h"
#include "platform/db/convert.h"
#include "platform/db/error.h"
#include "platform/db/texts.h"

namespace db {

namespace {

[[noreturn]] void cannotConvert(Value::Kind from, const QString& to)
{
    // In the order of Value::Kind.
    const QString kinds[] = {texts::nullKind(), texts::integerKind(), texts::realKind(),
                             texts::textKind(), texts::dateKind(), texts::blobKind()};
    throw Error(texts::cannotConvert(kinds[int(from)], to));
}

}

Value Value::blob(int64_t size, std::function<QByteArray()> read)
{
    Value x(Kind::Blob);
    x.lazy_ = std::make_shared<Lazy>(Lazy{size, std::move(read), std::nullopt});
    return x;
}

const QByteArray& Value::asBlob() const
{
    if (!lazy_) return b_;
    if (!lazy_->bytes) lazy_->bytes = lazy_->read();
    return *lazy_->bytes;
}

int64_t Value::blobSize() const { if (kind_ != Kind::Blob) return 0; return lazy_ ? lazy_->size : b_.size(); }

Value Value::integer(int64_t v) { return Value(Kind::Integer, v); }

Value Value::real(double v) { return Value(Kind::Real, 0, v); }

Value Value::text(const QString& v) { return Value(Kind::Text, 0, 0, v.isNull() ? QString(QLatin1String("")) : v); }

// "" for an invalid date; binding refuses it.
Value Value::date(const QDate& v) { return Value(Kind::Date, 0, 0, formatDate(v)); }

Value Value::blob(const QByteArray& v) { return Value(Kind::Blob, 0, 0, QString(), v); }

QString Value::toText() const
{
    switch (kind_) {
    case Kind::Null: return QString();
    case Kind::Integer: return QString::number(i_);
    case Kind::Real: return formatNumber(d_);
    case Kind::Text:
    case Kind::Date: return s_;
    case Kind::Blob: return QStringLiteral("(BLOB)");
    }
    return QString();
}

double Value::toReal() const
{
    switch (kind_) {
    case Kind::Integer: return double(i_);
    case Kind::Real: return d_;
    case Kind::Text: return toNumber(s_);
    default: cannotConvert(kind_, texts::realKind());
    }
}

QByteArray Value::toBlob() const
{
    switch (kind_) {
    case Kind::Null: return QByteArray();
    case Kind::Blob: return lazy_ && !lazy_->bytes ? lazy_->read() : asBlob();
    case Kind::Text: return s_.toUtf8();
    default: cannotConvert(kind_, texts::blobKind());
    }
}

bool Value::operator==(const Value& o) const
{
    if (kind_ == Kind::Integer && o.kind_ == Kind::Real) return double(i_) == o.d_;
    if (kind_ == Kind::Real && o.kind_ == Kind::Integer) return d_ == double(o.i_);
    if (kind_ != o.kind_) return false;
    switch (kind_) {
    case Kind::Null: return true;
    case Kind::Integer: return i_ == o.i_;
    case Kind::Real: return d_ == o.d_;
    case Kind::Text:
    case Kind::Date: return s_ == o.s_;
    case Kind::Blob: return blobSize() == o.blobSize() && asBlob() == o.asBlob();
    }
    return false;
}

}
