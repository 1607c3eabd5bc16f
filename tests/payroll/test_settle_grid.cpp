// A grid on the salary query follows a settlement: it is told once, after
// the month is written, and points at the month's first row.
#include "data/U_data.h"
#include "harness.h"
#include "payroll/salary_month.h"
#include "platform/ui/dbgrid.h"

namespace {
class SettleGrid : public hrtest::HrTest {};
}

TEST_F(SettleGrid, GridOnTheSalaryQueryShowsTheSettledMonth)
{
    db->exec("insert into 工资表 values "
             "('2024-01','mr001','张三',2000,0,0,0,0,0,0,0,0,0,0,null,null,null,''),"
             "('2024-01','mr002','李四',3000.5,0,0,0,0,100,0,0,0,0,0,null,null,null,''),"
             "('2024-02','mr001','张三',9,0,0,0,0,0,0,0,0,0,0,null,null,null,'')");
    db::Query& q = Data1->ADOQYgzb;
    q.setSql(QStringLiteral("select * from 工资表 where gzyf=:aaa"));
    q.setParam("aaa", db::Value::text(QStringLiteral("2024-01")));
    q.open();
    q.last();
    ui::DBGrid grid;
    grid.setQuery(&q);
    const QAbstractItemModel* m = grid.model();
    const int yfgz = q.fieldIndex(QStringLiteral("yfgz"));
    const int sfgz = q.fieldIndex(QStringLiteral("sfgz"));
    // What the grid shows of the first row each time it is told to start over.
    QStringList shown;
    QObject::connect(m, &QAbstractItemModel::modelReset, [&] { shown << m->data(m->index(0, yfgz)).toString(); });

    const payroll::SettleResult r = payroll::settleMonth(QStringLiteral("2024-01"));
    ASSERT_EQ(r.status, payroll::SettleStatus::Settled);
    EXPECT_EQ(r.written, 2);
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.last(), "2000");
    EXPECT_EQ(q.recNo(), 0);
    EXPECT_TRUE(q.bof());
    EXPECT_FALSE(q.eof());
    EXPECT_EQ(grid.currentIndex().row(), 0);
    ASSERT_EQ(m->rowCount(), 2);
    EXPECT_EQ(m->data(m->index(0, yfgz)).toString(), "2000");
    EXPECT_EQ(m->data(m->index(1, yfgz)).toString(), "3000");   // half to even
    EXPECT_EQ(m->data(m->index(1, sfgz)).toString(), "2900");
    EXPECT_EQ(db->rows(QStringLiteral("select yfgz, ykgz, sfgz from 工资表 order by rowid")),
              (QStringList{"2000|0|2000", "3000|100|2900", "<null>|<null>|<null>"}));
}
