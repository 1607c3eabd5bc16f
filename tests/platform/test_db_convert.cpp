#include "dbtest.h"
#include "platform/db/convert.h"
#include <optional>
#include <random>
#include <sqlite3.h>

using namespace dbtest;

namespace {

// What the database makes of a text stored in a REAL column (nullopt: refused).
std::optional<double> engineNumber(sqlite3* h, const char* text)
{
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h, "INSERT INTO t VALUES (?) RETURNING x", -1, &st, nullptr);
    sqlite3_bind_text(st, 1, text, -1, SQLITE_STATIC);
    std::optional<double> r;
    if (sqlite3_step(st) == SQLITE_ROW) r = sqlite3_column_double(st, 0);
    sqlite3_finalize(st);
    return r;
}

}

TEST(DbConvert, NumbersShowWithoutSpuriousFractionReadBackExactlyAndParseAsTheDatabaseDoes)
{
    const std::pair<double, const char*> cases[] = {
        {200.0, "200"}, {21.75, "21.75"}, {-0.0, "0"}, {0.1 + 0.2, "0.30000000000000004"}, {1e-6, "0.000001"},
        {1e-7, "1e-7"}, {1e20, "100000000000000000000"}, {1e21, "1e+21"}, {1.0 / 3, "0.3333333333333333"},
    };
    for (const auto& [v, text] : cases) EXPECT_EQ(s(db::formatNumber(v)), text) << v;

    std::mt19937_64 gen(42);
    std::uniform_real_distribution<double> money(-1e7, 1e7);
    std::uniform_int_distribution<int> exponent(-1200, 1200);
    for (int i = 0; i < 3000; ++i) {
        for (double v : {std::round(money(gen) * 100) / 100, std::ldexp(money(gen), exponent(gen) / 4)}) {
            const auto back = db::parseNumber(db::formatNumber(v));
            ASSERT_TRUE(back && *back == v) << s(db::formatNumber(v));
        }
    }

    // Text given to a number column is converted by the database itself: the
    // program's own parser accepts and refuses the same texts.
    const std::pair<const char*, std::optional<double>> texts[] = {
        {"22", 22}, {" 22 ", 22}, {"\t-3\n", -3}, {"+4", 4}, {".5", 0.5}, {"5.", 5}, {"1E-2", 0.01},
        {"1.5e+2", 150}, {"007", 7}, {"", {}}, {"   ", {}}, {"abc", {}}, {"1,500", {}}, {"1a", {}}, {"-", {}},
        {".", {}}, {"inf", {}}, {"nan", {}}, {"0x10", {}}, {"1e", {}}, {"1 2", {}}, {"--1", {}}, {"1.2.3", {}},
        {"e5", {}}, {"１２", {}}, {"12　", {}} /* full-width digits, ideographic space */,
    };
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &h), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(h, "CREATE TABLE t (x REAL) STRICT", nullptr, nullptr, nullptr), SQLITE_OK);
    for (const auto& [text, want] : texts) {
        EXPECT_EQ(db::parseNumber(QString::fromUtf8(text)), want) << "'" << text << "'";
        EXPECT_EQ(engineNumber(h, text), want) << "database, '" << text << "'";
    }
    sqlite3_close(h);

    EXPECT_EQ(db::toNumber(QStringLiteral(" 3.25")), 3.25);
    EXPECT_EQ(errorOf([] { db::toNumber(QStringLiteral("1,500")); }), "'1,500' 不是有效的数字");
    EXPECT_EQ(db::toInteger(QStringLiteral(" -42 ")), -42);
    EXPECT_EQ(db::toInteger(QStringLiteral("9223372036854775807")), INT64_MAX);
    for (const char* bad : {"", "4.5", "4.0", "1e3", "9223372036854775808", "0x1F"})
        EXPECT_EQ(errorOf([&] { db::toInteger(QString::fromUtf8(bad)); }),
                  "'" + std::string(bad) + "' 不是有效的整数");
}

TEST(DbConvert, DatesAreIsoWithBlanksToleratedImpossibleDatesRefusedAndValuesConvertOrRefuseClearly)
{
    const std::pair<const char*, QDate> cases[] = {
        {"1999-01-01", {1999, 1, 1}}, {"1999- 1- 1", {1999, 1, 1}}, {" 2024-2 -29 ", {2024, 2, 29}},
        {"2023-02-29", {}}, {"2023-02-30", {}}, {"2023-13-01", {}}, {"2023-00-10", {}}, {"2023-01-00", {}},
        {"1999/01/01", {}}, {"99-01-01", {}}, {"    -  -  ", {}}, {"", {}}, {"1999-01", {}}, {"1999-0a-01", {}},
        {"1999-01-01-01", {}},
        {"0000-01-01", {}}, {"1999-001-01", {}}, {"1999-01-01 12:00", {}},
    };
    for (const auto& [text, want] : cases)
        EXPECT_EQ(db::parseDate(QString::fromUtf8(text)).value_or(QDate()), want) << text;
    EXPECT_EQ(s(db::formatDate(QDate(2005, 3, 7))), "2005-03-07");
    EXPECT_EQ(s(db::formatDate(QDate())), "");
    EXPECT_EQ(errorOf([] { db::toDate(QStringLiteral("2023-02-30")); }), "'2023-02-30' 不是有效的日期（应为 yyyy-MM-dd 形式的真实日期）");

    EXPECT_EQ(s(Value::date(QDate(2001, 9, 3)).toText()), "2001-09-03");
    EXPECT_NE(Value::text(QString()), Value());   // '' is a value, not Null
    EXPECT_EQ(Value::text(QStringLiteral(" 12.5 ")).toReal(), 12.5);
    for (const Value& bad : {Value(), Value::text(QStringLiteral("abc"))}) EXPECT_THROW(bad.toReal(), db::Error);
    EXPECT_EQ(Value::integer(2), Value::real(2.0));
    EXPECT_NE(Value::text(QStringLiteral("2")), Value::integer(2));
}
