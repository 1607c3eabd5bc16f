#include "data/U_data.h"
#include "harness.h"
#include "platform/db/error.h"
#include "platform/db/query.h"
#include <sqlite3.h>

using SchemaTest = hrtest::HrTest;

TEST_F(SchemaTest, DateAndAmountColumnsRefuseWhatIsNoRealValueByANamedCheck)
{
    // Text the engine reads as a number out of range would be stored as infinity.
    const QStringList amounts = db->rows("select m.name || '|' || p.name from sqlite_master m, pragma_table_info(m.name) p "
                                         "where m.type = 'table' and p.type = 'REAL'");
    EXPECT_EQ(amounts.size(), 31);
    struct Kind { QStringList columns; QString check, message; QStringList bad; QString good; };
    const Kind kinds[] = {
        {{"人事表|csrq", "人事表|drsj", "人事表|djrq", "人事表|lzrq", "人事表|fzrq", "合同表|登记日期", "合同表|合同开始日期",
          "合同表|合同结束日期"}, "_date", "的日期无效：只能保存 yyyy-MM-dd 形式的真实日期",
         {"2023-02-30", "2023-2-3", "2023/02/03", "abc", "", "2023-02-03 10:00"}, "2024-02-29"},
        {amounts, "_finite", "的数值超出范围", {"1e999", "-1e309"}, "-1.5e300"}};
    db::Query& q = Data1->ADOpublic;
    for (const Kind& k : kinds) {
        for (const QString& column : k.columns) {
            const QStringList tc = column.split('|');
            q.setSql(QStringLiteral("insert into %1 (%2) values (:a)").arg(tc[0], tc[1]));
            for (const QString& bad : k.bad) {
                q.setParam("a", db::Value::text(bad));
                try {
                    q.execSql();
                    ADD_FAILURE() << column.toStdString() << " took " << bad.toStdString();
                } catch (const db::Error& e) {
                    EXPECT_EQ(std::pair(e.code(), e.constraint()), std::pair(SQLITE_CONSTRAINT_CHECK, tc[1] + k.check));
                    EXPECT_EQ(e.message(), QStringLiteral("字段 %1 %2").arg(tc[1], k.message));
                }
            }
            for (const db::Value& good : {db::Value::text(k.good), db::Value()}) {
                q.setParam("a", good);
                EXPECT_EQ(q.execSql(), 1) << column.toStdString();
            }
        }
    }
}

TEST_F(SchemaTest, DataModuleHasItsQueriesAllClosedOnOneUnopenedConnection)
{
    const auto queries = Data1->findChildren<db::Query*>(QString(), Qt::FindDirectChildrenOnly);
    EXPECT_FALSE(queries.isEmpty());
    for (db::Query* q : queries) {
        EXPECT_TRUE(!q->isOpen() && q->state() == db::Query::State::Inactive && &q->connection() == &Data1->ADOConnection2)
            << q->name().toStdString();
    }
    EXPECT_FALSE(Data1->ADOConnection2.isOpen());
    EXPECT_EQ(Data1->ADOConnection2.path(), db->path());
}
