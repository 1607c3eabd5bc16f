#include "harness.h"
#include "data/U_data.h"
#include "platform/ui/dbgrid.h"
#include <QApplication>
#include <QHeaderView>
#include <QTest>
#include <stdexcept>

namespace {

class UiDBGrid : public hrtest::HrTest {
protected:
    void SetUp() override
    {
        HrTest::SetUp();
        db->exec(QStringLiteral("insert into 个人所得税税率表 values (1, 0, 500, 0.05), (2, 500, 2000, 0.1),"
                                " (3, 2000, 5000, 0.15), (4, 5000, 20000, 0.2)"));
        q = &Data1->ADOQYsl;
        grid = new ui::DBGrid;
        grid->resize(500, 300);
        grid->setQuery(q);
    }
    void TearDown() override
    {
        delete grid;
        HrTest::TearDown();
    }

    void run(const QString& sql)
    {
        q->close();
        q->setSql(sql);
        q->open();
    }
    QString cell(int row, int col) const { return grid->model()->index(row, col).data().toString(); }
    QString title(int col) const { return grid->model()->headerData(col, Qt::Horizontal).toString(); }
    int rows() const { return grid->model()->rowCount(); }
    int cols() const { return grid->model()->columnCount(); }
    int gridRow() const { return grid->currentIndex().row(); }

    db::Query* q = nullptr;
    ui::DBGrid* grid = nullptr;
};

TEST_F(UiDBGrid, FollowsOpenReopenAndClose)
{
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(cols(), 0);

    run(QStringLiteral("select * from 个人所得税税率表 order by 级别号"));
    ASSERT_EQ(rows(), 4);
    ASSERT_EQ(cols(), 4);
    EXPECT_EQ(title(0), QStringLiteral("级别号"));
    EXPECT_EQ(title(3), QStringLiteral("税率"));
    EXPECT_EQ(cell(0, 2), QStringLiteral("500"));      // REAL without ".0"
    EXPECT_EQ(cell(1, 3), QStringLiteral("0.1"));
    EXPECT_EQ(cell(3, 2), QStringLiteral("20000"));
    const int align = grid->model()->index(0, 3).data(Qt::TextAlignmentRole).toInt();
    EXPECT_TRUE(align & Qt::AlignRight);
    EXPECT_EQ(gridRow(), 0);
    EXPECT_EQ(grid->model()->headerData(0, Qt::Vertical).toString(), QStringLiteral("▶"));

    // Another statement on the same query: its own columns, in its order.
    run(QStringLiteral("select 税率, 级别号 from 个人所得税税率表 where 级别号 > 2 order by 级别号 desc"));
    ASSERT_EQ(cols(), 2);
    EXPECT_EQ(title(0), QStringLiteral("税率"));
    EXPECT_EQ(title(1), QStringLiteral("级别号"));
    ASSERT_EQ(rows(), 2);
    EXPECT_EQ(cell(0, 1), QStringLiteral("4"));
    EXPECT_EQ(cell(1, 0), QStringLiteral("0.15"));

    q->close();
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(cols(), 0);
    EXPECT_EQ(gridRow(), -1);

    run(QStringLiteral("select * from 个人所得税税率表 where 级别号 = 99"));
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(cols(), 4);
}

TEST_F(UiDBGrid, FollowsPostInsertAndDelete)
{
    run(QStringLiteral("select * from 个人所得税税率表 order by 级别号"));
    q->setRecNo(2);
    EXPECT_EQ(gridRow(), 2);
    q->edit();
    q->setField(QStringLiteral("税率"), db::Value::real(0.25));
    q->post();
    EXPECT_EQ(cell(2, 3), QStringLiteral("0.25"));
    EXPECT_EQ(db->scalar(QStringLiteral("select 税率 from 个人所得税税率表 where 级别号 = 3")), QStringLiteral("0.25"));

    q->deleteRow();
    ASSERT_EQ(rows(), 3);
    EXPECT_EQ(cell(2, 0), QStringLiteral("4"));    // the next row moved up
    EXPECT_EQ(gridRow(), q->recNo());
    EXPECT_EQ(q->fieldText(QStringLiteral("级别号")), QStringLiteral("4"));

    q->append();
    q->setField(QStringLiteral("级别号"), db::Value::integer(9));
    q->post();
    ASSERT_EQ(rows(), 4);
    EXPECT_EQ(gridRow(), q->recNo());
    EXPECT_EQ(cell(gridRow(), 0), QStringLiteral("9"));
    EXPECT_EQ(cell(gridRow(), 1), QString());     // Null shows nothing

    // Deleting the last rows one by one leaves an empty grid with its columns.
    while (q->recordCount() > 0) q->deleteRow();
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(cols(), 4);
    EXPECT_EQ(gridRow(), -1);
    EXPECT_EQ(db->count(QStringLiteral("个人所得税税率表")), 0);
}

TEST_F(UiDBGrid, ClicksAndKeysMoveTheQueryBeforeTheHandler)
{
    run(QStringLiteral("select * from 个人所得税税率表 order by 级别号"));
    QStringList seen;
    grid->onCellClick = [&] { seen << q->fieldText(QStringLiteral("级别号")); };

    grid->clickRow(2);
    EXPECT_EQ(q->recNo(), 2);
    EXPECT_EQ(seen, QStringList{QStringLiteral("3")});

    grid->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(grid));
    const QRect r = grid->visualRect(grid->model()->index(1, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    EXPECT_EQ(q->recNo(), 1);
    EXPECT_EQ(seen.last(), QStringLiteral("2"));

    // Keys move the query's row but are no cell click.
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(q->recNo(), 2);
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(q->recNo(), 3);
    EXPECT_EQ(seen.size(), 2);

    // The query moved by code: the grid follows.
    q->first();
    EXPECT_EQ(gridRow(), 0);
    q->next();
    EXPECT_EQ(gridRow(), 1);
    EXPECT_EQ(grid->model()->headerData(1, Qt::Vertical).toString(), QStringLiteral("▶"));
    EXPECT_EQ(grid->model()->headerData(0, Qt::Vertical).toString(), QString());

    // A failing handler is reported; the row has moved all the same.
    grid->onCellClick = [] { throw std::runtime_error("handler failed"); };
    grid->clickRow(3);
    EXPECT_EQ(q->recNo(), 3);
    EXPECT_EQ(modal->lastText(), QStringLiteral("handler failed"));
}

TEST_F(UiDBGrid, GivenColumnsAndBitmaps)
{
    grid->setColumns({{QStringLiteral("税率"), QStringLiteral("税率(%)"), 80},
                      {QStringLiteral("级别号"), QStringLiteral("级别"), -1},
                      {QStringLiteral("没有"), QStringLiteral("空"), 40}});
    EXPECT_EQ(cols(), 3);   // titles even while closed
    EXPECT_EQ(rows(), 0);
    run(QStringLiteral("select * from 个人所得税税率表 order by 级别号"));
    ASSERT_EQ(cols(), 3);
    EXPECT_EQ(title(0), QStringLiteral("税率(%)"));
    EXPECT_EQ(title(1), QStringLiteral("级别"));
    EXPECT_EQ(cell(0, 0), QStringLiteral("0.05"));
    EXPECT_EQ(cell(0, 1), QStringLiteral("1"));
    EXPECT_EQ(cell(0, 2), QString());
    EXPECT_EQ(grid->columnWidth(0), 80);
    EXPECT_EQ(grid->columnWidth(2), 40);

    grid->setColumns({});
    db->exec(QStringLiteral("insert into 人事表 (bh, xm, zp, jl) values ('mr001', '张三', x'424d00', '一行\n二行'),"
                            " ('mr002', '李四', null, null)"));
    grid->setQuery(&Data1->ADOQuery1);
    Data1->ADOQuery1.close();
    Data1->ADOQuery1.setSql(QStringLiteral("select bh, zp, jl from 人事表"));
    Data1->ADOQuery1.open();
    EXPECT_EQ(cell(0, 1), QStringLiteral("(BLOB)"));
    EXPECT_EQ(cell(1, 1), QString());
    EXPECT_EQ(cell(0, 2), QStringLiteral("一行 二行"));   // a cell is one line

    // The grid no longer listens to the query it left.
    run(QStringLiteral("select 级别号 from 个人所得税税率表"));
    EXPECT_EQ(cols(), 3);
    EXPECT_EQ(title(0), QStringLiteral("bh"));
}

}
