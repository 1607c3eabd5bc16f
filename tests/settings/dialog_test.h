#pragma once
#include "data/U_data.h"
#include "harness.h"
#include "print.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include <QApplication>
#include <QHeaderView>
#include <functional>

// A settings dialog of type D shown on the test database.
template <class D>
class DialogTest : public hrtest::HrTest {
protected:
    std::unique_ptr<D> dlg;

    void TearDown() override
    {
        dlg.reset();
        HrTest::TearDown();
    }
    // The old dialog goes first: both would share the grid's query.
    void open(const std::function<D*()>& make = [] { return new D(nullptr); })
    {
        dlg.reset();
        dlg.reset(make());
        dlg->show();
        QApplication::processEvents();
    }
    // Clicks the row (none: -1), then presses the button.
    void click(ui::Button* b, int row = -1)
    {
        if (row >= 0) dlg->DBGrid1->clickRow(row);
        b->click();
    }
    QString cell(int row, int col) const
    {
        const auto* m = dlg->DBGrid1->model();
        return m->data(m->index(row, col)).toString();
    }
    QStringList stored(const QString& table) { return db->rows("select * from " + table + " order by rowid"); }
    bool columnsFit() const { return dlg->DBGrid1->horizontalHeader()->length() <= dlg->DBGrid1->viewport()->width(); }
    bool lastWasError() const { return !modal->messages.isEmpty() && modal->messages.back().icon == ui::Icon::Error; }
    QString lastWithCaption() const
    {
        return modal->messages.isEmpty() ? QString() : modal->messages.back().text + "/" + modal->messages.back().caption;
    }
};
