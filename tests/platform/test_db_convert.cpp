#include "platform/db/convert.h"
#include "platform/db/error.h"
#include "platform/db/value.h"
#include <gtest/gtest.h>
#include <random>
#include <sqlite3.h>

using db::Value;

namespace {

std::string s(const QString& q) { return q.toStdString(); }

}

TEST(DbConvert, NumbersShowWithoutSpuriousFractionOrExponent)
{
    const std::pair<double, const char*> cases[] = {
        {200.0, "200"},       {21.75, "21.75"},     {0.03, "0.03"},   {-3.5, "-3.5"},
        {-0.0, "0"},          {0.1 + 0.2, "0.30000000000000004"},     {1234567.891, "1234567.891"},
        {1e-6, "0.000001"},   {1e-7, "1e-7"},       {1e20, "100000000000000000000"},
        {1e21, "1e+21"},      {-2.5e-9, "-2.5e-9"}, {4500.1, "4500.1"}, {1.0 / 3, "0.3333333333333333"},
    };
    for (const auto& [v, text] : cases) EXPECT_EQ(s(db::formatNumber(v)), text) << v;
}

TEST(DbConvert, FormattedNumbersReadBackExactly)
{
    std::mt19937_64 gen(42);
    std::uniform_real_distribution<double> money(-1e7, 1e7);
    std::uniform_int_distribution<int> exponent(-300, 300);
    for (int i = 0; i < 5000; ++i) {
        const double a = std::round(money(gen) * 100) / 100;                    // amounts in cents
        const double b = std::ldexp(money(gen), exponent(gen) / 4);             // anything
        for (double v : {a, b}) {
            const auto back = db::parseNumber(db::formatNumber(v));
            ASSERT_TRUE(back.has_value()) << s(db::formatNumber(v));
            EXPECT_EQ(*back, v) << s(db::formatNumber(v));
        }
    }
}

TEST(DbConvert, ParseNumberIsStrict)
{
    const std::pair<const char*, double> good[] = {
        {"22", 22},   {" 22 ", 22}, {"\t-3\n", -3}, {"+4", 4},   {".5", 0.5},   {"0.5", 0.5},
        {"1e3", 1000}, {"1E-2", 0.01}, {"5.", 5},   {"-0", 0},   {"007", 7},    {"1.5e+2", 150},
    };
    for (const auto& [text, v] : good) {
        const auto r = db::parseNumber(QString::fromUtf8(text));
        ASSERT_TRUE(r.has_value()) << text;
        EXPECT_EQ(*r, v) << text;
    }
    const char* bad[] = {"",    "   ", "abc", "1,500", "1a",  "-",      "+",     ".",    "inf", "nan",
                         "INF", "0x10", "1e", "1e+",   "1 2", "--1",    "1.2.3", "e5",   "$5",  "1_000",
                         "１２", "12　" /* full-width digits, ideographic space */};
    for (const char* text : bad) EXPECT_FALSE(db::parseNumber(QString::fromUtf8(text)).has_value()) << text;

    EXPECT_EQ(db::toNumber(QStringLiteral(" 3.25")), 3.25);
    try {
        db::toNumber(QStringLiteral("1,500"));
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_EQ(s(e.message()), "'1,500' is not a valid floating point value.");
    }
}

// Text given to a number column is converted by the database itself; the
// program's own parser must accept and refuse the same ordinary texts.
TEST(DbConvert, ParserAgreesWithTheDatabasesOwnConversion)
{
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &h), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(h, "CREATE TABLE t (x REAL) STRICT", nullptr, nullptr, nullptr), SQLITE_OK);
    const char* texts[] = {"22",  " 22 ", "-3",  "+4", ".5",  "0.5",   "1e3", "2.5E-3", "1.",  "100000",
                           "",    "  ",   "abc", "1,500", "inf", "nan", "0x10", "1e",   "12abc", "1 2", "-"};
    for (const char* text : texts) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(h, "INSERT INTO t VALUES (?) RETURNING x", -1, &st, nullptr);
        sqlite3_bind_text(st, 1, text, -1, SQLITE_STATIC);
        const bool stored = sqlite3_step(st) == SQLITE_ROW;
        const double engine = stored ? sqlite3_column_double(st, 0) : 0;
        sqlite3_finalize(st);
        const auto ours = db::parseNumber(QString::fromUtf8(text));
        EXPECT_EQ(ours.has_value(), stored) << "'" << text << "'";
        if (ours && stored) EXPECT_EQ(*ours, engine) << text;
    }
    sqlite3_close(h);
}

TEST(DbConvert, IntegersAreWholeNumbersOnly)
{
    EXPECT_EQ(db::toInteger(QStringLiteral(" 42 ")), 42);
    EXPECT_EQ(db::toInteger(QStringLiteral("-7")), -7);
    EXPECT_EQ(db::toInteger(QStringLiteral("9223372036854775807")), INT64_MAX);
    for (const char* bad : {"", "4.5", "4.0", "1e3", "abc", "9223372036854775808", "0x1F", "+"}) {
        try {
            db::toInteger(QString::fromUtf8(bad));
            ADD_FAILURE() << bad;
        } catch (const db::Error& e) {
            EXPECT_EQ(s(e.message()), "'" + std::string(bad) + "' is not a valid integer value.");
        }
    }
}

TEST(DbConvert, DatesAreIsoWithBlanksToleratedAndImpossibleDatesRefused)
{
    EXPECT_EQ(db::parseDate(QStringLiteral("1999-01-01")), QDate(1999, 1, 1));
    EXPECT_EQ(db::parseDate(QStringLiteral("1999- 1- 1")), QDate(1999, 1, 1));
    EXPECT_EQ(db::parseDate(QStringLiteral(" 2024-2 -29 ")), QDate(2024, 2, 29));
    for (const char* bad : {"2023-02-29", "2023-02-30", "2023-13-01", "2023-00-10", "2023-01-00", "1999/01/01",
                            "99-01-01", "    -  -  ", "", "1999-01", "1999-01-01-01", "1999-0a-01", "0000-01-01",
                            "1999-001-01", "1999-01-01 12:00"})
        EXPECT_FALSE(db::parseDate(QString::fromUtf8(bad)).has_value()) << bad;

    EXPECT_EQ(s(db::formatDate(QDate(2005, 3, 7))), "2005-03-07");
    EXPECT_EQ(s(db::formatDate(QDate())), "");
    try {
        db::toDate(QStringLiteral("2023-02-30"));
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_EQ(s(e.message()), "'2023-02-30' is not a valid date");
    }
}

TEST(DbValue, TextAndConversionsOfEachKind)
{
    EXPECT_EQ(s(Value().toText()), "");
    EXPECT_EQ(s(Value::real(200.0).toText()), "200");
    EXPECT_EQ(s(Value::integer(-12).toText()), "-12");
    EXPECT_EQ(s(Value::date(QDate(2001, 9, 3)).toText()), "2001-09-03");
    EXPECT_EQ(s(Value::blob(QByteArray("\0x", 2)).toText()), "(BLOB)");

    // An empty text is a value, not Null.
    EXPECT_FALSE(Value::text(QString()).isNull());
    EXPECT_EQ(Value::text(QString()).kind(), Value::Kind::Text);

    EXPECT_EQ(Value::text(QStringLiteral(" 12.5 ")).toReal(), 12.5);
    EXPECT_EQ(Value::real(3.0).toInteger(), 3);
    EXPECT_EQ(Value::text(QStringLiteral("1999- 2- 3")).toDate(), QDate(1999, 2, 3));
    EXPECT_THROW(Value().toReal(), db::Error);
    EXPECT_THROW(Value().toInteger(), db::Error);
    EXPECT_THROW(Value::text(QStringLiteral("abc")).toReal(), db::Error);
    EXPECT_THROW(Value::real(2.5).toInteger(), db::Error);
    EXPECT_THROW(Value::real(1e300).toInteger(), db::Error);
    EXPECT_THROW(Value::date(QDate()).toDate(), db::Error);
    EXPECT_TRUE(Value().toBlob().isEmpty());

    EXPECT_EQ(Value::integer(2), Value::real(2.0));
    EXPECT_NE(Value::text(QStringLiteral("2")), Value::integer(2));
    EXPECT_NE(Value::text(QString()), Value());
    EXPECT_EQ(Value(), Value::null());
}
