#include "platform/db/sqltext.h"
#include <gtest/gtest.h>

using db::detail::analyze;

namespace {
QStringList params(const char* sql) { return analyze(QString::fromUtf8(sql)).params; }
}

TEST(DbSqlText, MarkersAreWholeNamesOutsideLiteralsQuotedNamesAndComments)
{
    const auto a = analyze(QStringLiteral(
        "select * from t where a=:A and b=':b' and \"c:c\"=:aa -- :x\n and [d :y]=:D /* :z */ and e=':''q' or f=:a"));
    EXPECT_EQ(a.params, (QStringList{"a", "aa", "d"}));
    // Markers reach the engine in lower case; literals keep their case.
    EXPECT_TRUE(a.text.contains(QStringLiteral("a=:a and")));
    EXPECT_TRUE(a.text.contains(QStringLiteral("[d :y]=:d")));
    EXPECT_TRUE(a.text.contains(QStringLiteral("b=':b'")));

    EXPECT_EQ(params("insert into 部门表 values(:a,:b)"), (QStringList{"a", "b"}));
    EXPECT_EQ(params("select :a||:aaa||:AA"), (QStringList{"a", "aaa", "aa"}));
    EXPECT_EQ(params("select :a人"), QStringList{"a人"});   // the engine reads it as one name
    for (const char* none : {"select 1 /* :a", "select ' :a"})   // unterminated
        EXPECT_TRUE(params(none).isEmpty()) << none;
}

TEST(DbSqlText, OnlyPlainSingleTableSelectsCarryTheRowidAndOnlyUnorderedUnlimitedOnesAreWrapped)
{
    for (const char* sql : {"SELECT bh, xm FROM 人事表 WHERE bh = :a ORDER BY bh",
                            "select * from \"工资表\" as g limit 10",
                            "select * from 人事表 where ssbm in (select 部门名称 from 部门表 group by 部门名称)",
                            "select (select count(*) from 部门表) as n, bh from 人事表",
                            "select * from main.人事表;"})
        EXPECT_TRUE(analyze(QString::fromUtf8(sql)).singleTable) << sql;

    for (const char* sql : {"select distinct ssbm from 人事表", "select max(bh) as ss from 人事表",
                            "select ssbm, sum(gl) from 人事表 group by ssbm", "select * from 人事表, 部门表",
                            "select * from 人事表 join 部门表 on ssbm = 部门名称", "select * from (select * from 人事表)",
                            "select bh from 人事表 union select 员工编号 from 考核表",
                            "select row_number() over () from 人事表", "select 1",
                            "delete from 部门表 where 部门编号 = :a", "with x as (select * from 人事表) select * from x",
                            "select * from 人事表 order by count(*)"})
        EXPECT_FALSE(analyze(QString::fromUtf8(sql)).singleTable) << sql;

    // An outer select reads the same rows only when the text neither orders nor limits.
    using db::detail::withRowid;
    const auto a = analyze(QStringLiteral("select xm, zp as 照片 from 人事表 where ssbm in (select 部门名称 from 部门表); -- x"));
    EXPECT_TRUE(a.wrappable);
    EXPECT_TRUE(a.text.left(a.endPos).endsWith(QStringLiteral("部门表)")));
    // The rowid's order goes after a closing parenthesis, not inside it.
    EXPECT_TRUE(withRowid(analyze(QStringLiteral("select * from t where a = (:a)")), "r").endsWith(") ORDER BY rowid "));

    EXPECT_TRUE(analyze(QStringLiteral("select * from 人事表 where ssbm = :a")).wrappable);
    for (const char* sql : {"select * from 人事表 order by bh", "select * from 人事表 limit 5",
                            "select (select zp from 人事表 where bh = 'mr1') as p, bh from 人事表",
                            "select * from (select * from 人事表)"})
        EXPECT_FALSE(analyze(QString::fromUtf8(sql)).wrappable) << sql;
}
