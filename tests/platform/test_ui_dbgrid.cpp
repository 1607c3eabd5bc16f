#include "data/U_data.h"
#include "harness.h"
#include "platform/ui/dbgrid.h"
#include <QHeaderView>
#include <QSignalSpy>
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
        grid->resize(500, 300);
        grid->setQuery(q);
    }
    void run(const QString& sql)
    {
        q->close();
        q->setSql(sql);
        q->open();
    }
    QString cell(int row, int col) const { return grid->model()->index(row, col).data().toString(); }
    QString title(int col) const { return grid->model()->headerData(col, Qt::Horizontal).toString(); }
    // Rows x columns, and the grid's current row.
    QString shape() const
    {
        const QAbstractItemModel* m = grid->model();
        return QStringLiteral("%1x%2@%3").arg(m->rowCount()).arg(m->columnCount()).arg(gridRow());
    }
    int gridRow() const { return grid->currentIndex().row(); }

    db::Query* q = nullptr;
    std::unique_ptr<ui::DBGrid> grid = std::make_unique<ui::DBGrid>();
};

TEST_F(UiDBGrid, FollowsOpenReopenPostInsertDeleteAndClose)
{
    EXPECT_EQ(shape(), "0x0@-1");
    run(QStringLiteral("select * from 个人所得税税率表 order by 级别号"));
    EXPECT_EQ(shape(), "4x4@0");
    EXPECT_EQ(title(3), QStringLiteral("税率"));
    EXPECT_EQ(cell(3, 2), QStringLiteral("20000"));   // REAL without ".0"
    EXPECT_TRUE(grid->model()->index(0, 3).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight);

    q->setRecNo(2);
    EXPECT_EQ(gridRow(), 2);
    q->edit();
    q->setField(QStringLiteral("税率"), db::Value::real(0.25));
    QSignalSpy redrawn(grid->model(), &QAbstractItemModel::dataChanged);
    q->post();
    EXPECT_EQ(redrawn.count(), 1);
    EXPECT_EQ(cell(2, 3), QStringLiteral("0.25"));
    q->deleteRow();
    EXPECT_EQ(shape(), "3x4@2");
    EXPECT_EQ(cell(2, 0), QStringLiteral("4"));   // the next row moved up
    q->append();
    q->setField(QStringLiteral("级别号"), db::Value::integer(9));
    q->post();
    EXPECT_EQ(shape(), "4x4@3");
    EXPECT_EQ(cell(3, 0), QStringLiteral("9"));
    EXPECT_EQ(cell(3, 1), QString());   // Null shows nothing
    while (q->recordCount() > 0) q->deleteRow();
    EXPECT_EQ(shape(), "0x4@-1");

    // Another statement on the same query: its own columns, in its order.
    db->exec(QStringLiteral("insert into 个人所得税税率表 values (3, 2000, 5000, 0.15), (4, 5000, 20000, 0.2)"));
    run(QStringLiteral("select 税率, 级别号 from 个人所得税税率表 order by 级别号 desc"));
    EXPECT_EQ(shape(), "2x2@0");
    EXPECT_EQ(title(0), QStringLiteral("税率"));
    EXPECT_EQ(cell(0, 1), QStringLiteral("4"));
    q->close();
    EXPECT_EQ(shape(), "0x0@-1");
}

TEST_F(UiDBGrid, ClicksAndKeysMoveTheQueryBeforeTheHandler)
{
    run(QStringLiteral("select * from 个人所得税税率表 order by 级别号"));
    QStringList seen;
    grid->onCellClick = [&] { seen << q->fieldText(QStringLiteral("级别号")); };
    grid->clickRow(2);
    grid->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(grid.get()));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                      grid->visualRect(grid->model()->index(1, 1)).center());
    EXPECT_EQ(seen, (QStringList{"3", "2"}));

    // Keys, the row indicator and another button move the query's row and are shown as a click.
    QTest::keyClick(grid.get(), Qt::Key_Down);
    EXPECT_EQ(q->recNo(), 2);
    QTest::keyClick(grid.get(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(q->recNo(), 3);
    QHeaderView* indicator = grid->verticalHeader();
    QTest::mouseClick(indicator->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(4, indicator->sectionViewportPosition(0) + indicator->sectionSize(0) / 2));
    EXPECT_EQ(q->recNo(), 0);
    QTest::mouseClick(grid->viewport(), Qt::RightButton, Qt::NoModifier,
                      grid->visualRect(grid->model()->index(1, 1)).center());
    EXPECT_EQ(seen, (QStringList{"3", "2", "3", "4", "1", "2"}));
    // A press on a row let go below the rows makes no click, but the row has moved.
    const QPoint third = grid->visualRect(grid->model()->index(2, 1)).center();
    QTest::mousePress(grid->viewport(), Qt::LeftButton, Qt::NoModifier, third);
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(third.x(), grid->viewport()->height() - 2));
    EXPECT_EQ(seen.mid(6), (QStringList{"3"}));
    seen.clear();
    q->first();   // moved by code: the grid follows, and marks the row
    EXPECT_EQ(gridRow(), 0);
    EXPECT_EQ(grid->model()->headerData(0, Qt::Vertical).toString(), QStringLiteral("▶"));
    EXPECT_EQ(grid->model()->headerData(1, Qt::Vertical).toString(), QString());

    // A failing handler is reported; the row has moved all the same.
    grid->onCellClick = [] { throw std::runtime_error("handler failed"); };
    grid->clickRow(3);
    EXPECT_EQ(q->recNo(), 3);
    EXPECT_EQ(modal->lastText(), QStringLiteral("handler failed"));
}

TEST_F(UiDBGrid, GivenColumnsBitmapsAndLeavingAQuery)
{
    grid->setColumns({{QStringLiteral("税率"), QStringLiteral("税率(%)"), 80},
                      {QStringLiteral("级别号"), QStringLiteral("级别"), -1},
                      {QStringLiteral("没有"), QStringLiteral("空"), 40}});
    EXPECT_EQ(shape(), "0x3@-1");   // titles even while closed
    run(QStringLiteral("select * from 个人所得税税率表 order by 级别号"));
    EXPECT_EQ(title(0), QStringLiteral("税率(%)"));
    EXPECT_EQ(cell(0, 0), QStringLiteral("0.05"));
    EXPECT_EQ(cell(0, 1), QStringLiteral("1"));
    EXPECT_EQ(cell(0, 2), QString());
    EXPECT_EQ(grid->columnWidth(0), 80);

    grid->setColumns({});
    db->exec(QStringLiteral("insert into 人事表 (bh, zp, jl) values ('mr001', x'424d00', '一行\n二行'),"
                            " ('mr002', null, null)"));
    db::Query& staff = Data1->ADOQuery1;
    grid->setQuery(&staff);
    staff.setSql(QStringLiteral("select bh, zp, jl from 人事表"));
    staff.open();
    EXPECT_EQ(cell(0, 1), QStringLiteral("(BLOB)"));
    EXPECT_EQ(cell(1, 1), QString());
    EXPECT_EQ(cell(0, 2), QStringLiteral("一行 二行"));   // a cell is one line
    run(QStringLiteral("select 级别号 from 个人所得税税率表"));   // the query it left
    EXPECT_EQ(title(0), QStringLiteral("bh"));
}

}

namespace {

// A grid on a table of its own: a name and an amount.
class UiDBGridLook : public hrtest::HrTest {
protected:
    void SetUp() override
    {
        HrTest::SetUp();
        db->exec(QStringLiteral("create table 金额 (mc text, je real)"));
        db->exec(QStringLiteral("insert into 金额 values ('加班费', 2068.9655172413795), ('上限', 1e23),"
                                " ('结算', 3195.4), ('整数', 3000), ('负', -12.345), ('零头', -0.001), ('小', 1e-7)"));
        q = &Data1->ADOpublic;
        q->setSql(QStringLiteral("select * from 金额"));
        q->open();
        grid->resize(500, 300);
        grid->setQuery(q);
        grid->show();
        QApplication::processEvents();
    }
    QString cell(int row, int col) const { return grid->model()->index(row, col).data().toString(); }
    db::Query* q = nullptr;
    std::unique_ptr<ui::DBGrid> grid = std::make_unique<ui::DBGrid>();
};

}

// Amounts read as amounts: to the cent, plain digits; the row keeps its value.
TEST_F(UiDBGridLook, RealColumnsShowAtMostTwoDecimalsInPlainDigits)
{
    const QStringList want = {"2068.97", "100000000000000000000000", "3195.4", "3000", "-12.35", "0", "0"};
    for (int r = 0; r < want.size(); ++r) EXPECT_EQ(cell(r, 1), want[r]) << r;
    q->first();
    EXPECT_EQ(q->field(QStringLiteral("je")).toReal(), 2068.9655172413795);   // stored as it was
    EXPECT_EQ(q->fieldText(QStringLiteral("je")), QStringLiteral("2068.9655172413795"));   // what an input is filled with

    // Whole units: the zeros of the number itself stay.
    grid->setDecimals(QStringLiteral("je"), 0);
    const QStringList whole = {"2069", "100000000000000000000000", "3195", "3000", "-12", "0", "0"};
    for (int r = 0; r < whole.size(); ++r) EXPECT_EQ(cell(r, 1), whole[r]) << r;
    db->exec(QStringLiteral("insert into 金额 values ('大', 1234567890123456.5)"));   // past the cents
    q->close();
    q->open();
    EXPECT_EQ(cell(7, 1), QStringLiteral("1234567890123456"));
}

// The last column reaches the right edge, so a click anywhere on a row picks
// that row; a value edited into a column widens it at once.
TEST_F(UiDBGridLook, TheLastColumnFillsTheGridAndWidthsFollowEditedValues)
{
    QHeaderView* header = grid->horizontalHeader();
    EXPECT_EQ(header->length(), grid->viewport()->width());
    QStringList seen;
    grid->onCellClick = [&] { seen << q->fieldText(QStringLiteral("mc")); };
    const int y = grid->rowViewportPosition(2) + grid->rowHeight(2) / 2;
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(grid->viewport()->width() - 3, y));
    EXPECT_EQ(q->recNo(), 2);
    EXPECT_EQ(seen, QStringList{"结算"});

    // A longer name than any the grid opened with.
    const QString longer = QStringLiteral("技术研究开发部第一项目组");
    q->edit();
    q->setField(QStringLiteral("mc"), db::Value::text(longer));
    q->post();
    QApplication::processEvents();
    EXPECT_GE(grid->columnWidth(0), grid->fontMetrics().horizontalAdvance(longer) + 6);
    EXPECT_EQ(header->length(), grid->viewport()->width());   // still filled, nothing beyond
}
