#include "platform/db/sqltext.h"
#include <gtest/gtest.h>

using db::detail::analyze;

TEST(DbSqlText, MarkersAreFoundOutsideLiteralsQuotedNamesAndComments)
{
    const auto a = analyze(QStringLiteral(
        "select * from t where a=:A and b=':b' and \"c:c\"=:aa -- :x\n and [d :y]=:D /* :z */ and e=':''q' or f=:a"));
    EXPECT_EQ(a.params, (QStringList{QStringLiteral("a"), QStringLiteral("aa"), QStringLiteral("d")}));
    // Markers reach the engine in lower case; literals keep their case.
    EXPECT_TRUE(a.text.contains(QStringLiteral("a=:a and")));
    EXPECT_TRUE(a.text.contains(QStringLiteral("[d :y]=:d")));
    EXPECT_TRUE(a.text.contains(QStringLiteral("b=':b'")));
}

TEST(DbSqlText, MarkersNextToOtherTokens)
{
    EXPECT_EQ(analyze(QStringLiteral("insert into 部门表 values(:a,:b)")).params,
              (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(analyze(QStringLiteral("select :a||:aaa||:AA")).params,
              (QStringList{QStringLiteral("a"), QStringLiteral("aaa"), QStringLiteral("aa")}));
    // A marker may be followed by a Chinese character: the engine reads it as part of the name.
    EXPECT_EQ(analyze(QStringLiteral("select :a人")).params, QStringList{QStringLiteral("a人")});
    EXPECT_TRUE(analyze(QStringLiteral("select 'x:a' || \"y:b\"")).params.isEmpty());
    EXPECT_TRUE(analyze(QStringLiteral("select 1 -- :a")).params.isEmpty());
    EXPECT_TRUE(analyze(QStringLiteral("select 1 /* :a")).params.isEmpty());
    EXPECT_TRUE(analyze(QStringLiteral("select ' :a")).params.isEmpty());   // unterminated literal
}

TEST(DbSqlText, OnlyPlainSingleTableSelectsCarryTheRowid)
{
    const char* plain[] = {
        "select * from 人事表",
        "SELECT bh, xm FROM 人事表 WHERE bh = :a ORDER BY bh",
        "select * from 人事表 p where p.bh like 'mr%'",
        "select * from \"工资表\" as g limit 10",
        "select all * from 部门表;",
        "select * from 人事表 where ssbm in (select 部门名称 from 部门表 group by 部门名称)",
        "select * from 人事表 where bh = (select max(bh) from 人事表)",
        "select (select count(*) from 部门表) as n, bh from 人事表",
        "select * from 人事表 where ssbm in ('a', 'b')",
        "select * from main.人事表",
    };
    for (const char* sql : plain) EXPECT_TRUE(analyze(QString::fromUtf8(sql)).singleTable) << sql;

    const char* other[] = {
        "select distinct ssbm from 人事表",
        "select count(*) from 人事表",
        "select max(bh) as ss from 人事表",
        "select ssbm, sum(gl) from 人事表 group by ssbm",
        "select * from 人事表, 部门表",
        "select * from 人事表 join 部门表 on ssbm = 部门名称",
        "select * from 人事表 natural join 部门表",
        "select * from (select * from 人事表)",
        "select bh from 人事表 union select 员工编号 from 考核表",
        "select row_number() over () from 人事表",
        "select 1",
        "insert into 部门表 values (:a, :b)",
        "delete from 部门表 where 部门编号 = :a",
        "with x as (select * from 人事表) select * from x",
        "select * from 人事表 order by count(*)",
    };
    for (const char* sql : other) EXPECT_FALSE(analyze(QString::fromUtf8(sql)).singleTable) << sql;
}

TEST(DbSqlText, RowidGoesBeforeTheSelectListAndOrdersUnorderedRows)
{
    const auto rewrite = [](const char* sql) { return db::detail::withRowid(analyze(QString::fromUtf8(sql)), "r").toStdString(); };
    EXPECT_EQ(rewrite("select * from 部门表 where 部门名称=:A"),
              "select rowid AS \"r\", * from 部门表 where 部门名称=:a ORDER BY rowid ");
    EXPECT_EQ(rewrite("select * from 部门表 -- all\n"), "select rowid AS \"r\", * from 部门表 ORDER BY rowid  -- all\n");
    EXPECT_EQ(rewrite("select * from 部门表;"), "select rowid AS \"r\", * from 部门表 ORDER BY rowid ;");
    EXPECT_EQ(rewrite("select * from 部门表 where x in (select y from t order by y limit 1) limit 5"),
              "select rowid AS \"r\", * from 部门表 where x in (select y from t order by y limit 1)  ORDER BY rowid limit 5");
    EXPECT_EQ(rewrite("select * from 部门表 order by 部门编号"), "select rowid AS \"r\", * from 部门表 order by 部门编号");
}
