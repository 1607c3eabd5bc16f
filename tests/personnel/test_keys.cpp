// The one rule of generated keys: prefix, then the largest serial + 1 in at least three digits.
#include "data/keys.h"
#include "platform/db/error.h"
#include <gtest/gtest.h>
#include <limits>

TEST(Keys, NextSerialIsZeroFilledToThreeDigitsAndRefusesWhatCannotFollow)
{
    EXPECT_EQ(keys::next("mr", std::nullopt), "mr001");
    EXPECT_EQ(keys::next("yp", 8), "yp009");
    EXPECT_EQ(keys::next("2026", 99), "2026100");
    EXPECT_EQ(keys::next("", 999), "1000");
    const int64_t top = std::numeric_limits<int64_t>::max();
    EXPECT_EQ(keys::next("", top - 1), QString::number(top));
    for (int64_t bad : {top, int64_t(-1)}) {
        try {
            keys::next("mr", bad);
            ADD_FAILURE() << bad;
        } catch (const db::Error& e) {
            EXPECT_TRUE(e.message().contains("无法给出下一个编号")) << e.message().toStdString();
        }
    }

    EXPECT_EQ(keys::digits(u"0042"), 42);
    EXPECT_EQ(keys::digits(u"9223372036854775807"), top);
    for (const char16_t* notDigits : {u"", u" 1", u"1a", u"-1", u"+1", u"１", u"9223372036854775808"})
        EXPECT_FALSE(keys::digits(notDigits)) << QString::fromUtf16(notDigits).toStdString();
}
