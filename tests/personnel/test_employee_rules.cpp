#include "personnel/employee_rules.h"
#include "platform/db/error.h"
#include <gtest/gtest.h>

using namespace personnel;

TEST(EmployeeNumber, GoesOnPastThreeDigitsAndRefusesMalformedKeys)
{
    // Text comparison keeps mr999 the largest once mr1000 exists.
    const db::Value largest = db::Value::text(QStringLiteral("mr999"));
    EXPECT_EQ(nextEmployeeNumber(largest, {"mr999", "mr1000", "mr0500"}), QStringLiteral("mr1001"));
    EXPECT_EQ(nextEmployeeNumber(largest, {"mr5000a", "MR5000", "mr", "mr-5000", "mr 5000", "xy5000"}),
              QStringLiteral("mr1000"));
    EXPECT_EQ(largestMrSerial({"mr99999999999999999999999", "mr7"}), 7);
    // Only the part after the first two characters counts; blanks around do not.
    EXPECT_EQ(nextEmployeeNumber(db::Value::text(QStringLiteral(" xx041 ")), {}), QStringLiteral("mr042"));
    for (const char* bad : {"mrabc", "mr", "", "mr1.5", "mr12x"})
        EXPECT_THROW(nextEmployeeNumber(db::Value::text(QString::fromLatin1(bad)), {"mr1000"}), db::Error) << bad;
}

TEST(IdentityCard, BirthDateFromFifteenOrEighteenCharacters)
{
    EXPECT_EQ(birthDateFromIdCard("11010519850723001X"), QStringLiteral("1985-07-23"));
    EXPECT_EQ(birthDateFromIdCard(" 110105850723001\t"), QStringLiteral("1985-07-23"));
    EXPECT_EQ(birthDateFromIdCard("ABCDEFGHIJKLMNOPQR"), QStringLiteral("GHIJ-KL-MN"));   // not validated
    // Characters, not UTF-16 units: six outside the basic plane take twelve.
    EXPECT_EQ(birthDateFromIdCard(QString::fromUcs4(U"\U00020000\U00020001\U00020002\U00020003\U00020004\U00020005"
                                                    U"19850723001X")),
              QStringLiteral("1985-07-23"));
    for (const char* other : {"", "1101051985072300", "11010519850723001", "1101051985072300123"})
        EXPECT_EQ(birthDateFromIdCard(QString::fromLatin1(other)), std::nullopt) << other;
}
