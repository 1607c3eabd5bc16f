#pragma once
// What the personnel tests share: a small company and ways to drive the dialogs.
#include "data/U_data.h"
#include "data/session.h"
#include "harness.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include "platform/ui/form.h"
#include "platform/ui/rowbind.h"
#include "print.h"
#include <QApplication>
#include <QDate>
#include <QTreeWidget>
#include <type_traits>

namespace hrtest {

// Five employees over three departments, one resigned, two sharing a number, one in no department.
inline void seedCompany(TestDb& db)
{
    db.exec("insert into 单位信息表 (单位名称) values ('澄岚公司')");
    db.exec("insert into 部门表 values ('001','研发部'),('002','财务部'),('003','研发部'),('004',' 后勤部 ')");
    db.exec("insert into 人事表 (bh,xm,xb,mz,jg,whcd,ssbm,sflz,csrq,zw,zc) values "
            "('mr001','张三','男','汉族','北京','本科','研发部','否','1980-05-12','经理','工程师'),"
            "('mr002','李四','女','回族','上海','大专','财务部','否','1985-07-23','会计','会计师'),"
            "('mr002','李四二','男','汉族','北京','硕士','研发部','否','1990-01-02','职员','助工'),"
            "('mr010','王五','男','汉族','天津','本科','研发部','是','1975-12-31','职员','工程师'),"
            "('mr011','赵六','女','汉族','北京','本科',' 后勤部 ','否',NULL,NULL,NULL)");
}

// The dialog class a driver takes.
template <class F> struct DriverOf : DriverOf<decltype(&F::operator())> {};
template <class C, class R, class W> struct DriverOf<R (C::*)(W*) const> { using type = W; };

// Opens a dialog as the program does. Each dialog shown meanwhile, nested ones
// too, goes to the driver taking its class and closes when that returns.
template <class T, class... F>
void openDialog(ScriptedModal& modal, T*& global, F... drivers)
{
    modal.onDialog = [&](QDialog* d) {
        QApplication::setActiveWindow(d);
        auto handTo = [d](auto& f) {
            if (auto* w = qobject_cast<typename DriverOf<std::decay_t<decltype(f)>>::type*>(d)) f(w);
        };
        (handTo(drivers), ...);
    };
    ui::openDialog(global, nullptr);
    modal.onDialog = nullptr;
}

inline QStringList gridColumn(const QTableView* grid, int col)
{
    QStringList l;
    for (int r = 0; r < grid->model()->rowCount(); ++r) l << grid->model()->index(r, col).data().toString();
    return l;
}

// A field of every row, leaving the current row where it is.
inline QStringList fieldTexts(const db::Query& q, const QString& field)
{
    QStringList l;
    for (int r = 0; r < q.recordCount(); ++r) l << q.value(r, q.fieldIndex(field)).toText();
    return l;
}

// Each input's text set from code, as a dialog sets it.
inline void setTexts(const QList<std::pair<QWidget*, QString>>& inputs)
{
    for (const auto& [w, text] : inputs) ui::setControlText(w, text);
}

// Selects the node with this text and clicks it as the operator would.
inline void clickNode(QTreeWidget* tree, const QString& text)
{
    const auto found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(found.size(), 1) << text.toStdString();
    tree->setCurrentItem(found[0]);
    emit tree->itemClicked(found[0], 0);
}

}
