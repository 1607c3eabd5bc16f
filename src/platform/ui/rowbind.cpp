#include "platform/ui/rowbind.h"
#include "platform/db/convert.h"
#include "platform/db/query.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbgrid.h"
#include "platform/ui/modal.h"
#include "platform/text/text.h"
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <stdexcept>

namespace ui {

QString controlText(const QWidget* w)
{
    if (auto* m = qobject_cast<const MaskEdit*>(w)) return m->text();
    if (auto* d = qobject_cast<const DateTimePicker*>(w)) return d->text();
    if (auto* e = qobject_cast<const QLineEdit*>(w)) return e->text();
    if (auto* c = qobject_cast<const ComboBox*>(w)) return c->text();
    if (auto* c = qobject_cast<const QComboBox*>(w)) return c->currentText();
    if (auto* m = qobject_cast<const QPlainTextEdit*>(w)) return m->toPlainText();
    throw std::logic_error("control without text");
}

void setControlText(QWidget* w, const QString& text)
{
    if (auto* m = qobject_cast<MaskEdit*>(w)) return m->setText(text);
    if (auto* d = qobject_cast<DateTimePicker*>(w)) return d->setText(text);
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->setText(text);
    if (auto* c = qobject_cast<ComboBox*>(w)) return c->setText(text);
    if (auto* c = qobject_cast<QComboBox*>(w)) return c->setCurrentText(text);
    if (auto* m = qobject_cast<QPlainTextEdit*>(w)) return m->setPlainText(text);
    throw std::logic_error("control without text");
}

void addItemsFrom(ComboBox* box, db::Query& q, const QString& sql, const QString& column)
{
    runSelect(q, sql);
    for (q.first(); !q.eof(); q.next()) box->addItem(q.fieldText(column));
}

void showCurrentRow(const db::Query& q, const FieldControls& controls)
{
    for (const auto& fc : controls) setControlText(fc.control, q.field(fc.field).toText());
}

void clearControls(const FieldControls& controls)
{
    for (const auto& fc : controls) setControlText(fc.control, QString());
}

db::Value inputValue(const FieldControl& fc, bool trimmed)
{
    const QString t = trimmed ? text::trim(controlText(fc.control)) : controlText(fc.control);
    return fc.as == As::Number ? db::Value::real(db::toNumber(t)) : db::Value::text(t);
}

void postInputs(db::Query& q, const FieldControls& controls, bool trimmed)
{
    FieldValues values;
    for (const auto& fc : controls) values.append({fc.field, inputValue(fc, trimmed)});
    writeRow(q, values);
}

void writeRow(db::Query& q, const FieldValues& values)
{
    q.edit();
    try {
        for (const auto& [field, value] : values) q.setField(field, value);
        q.post();
    } catch (...) {
        // The grid must not go on showing values that were not stored.
        q.cancel();
        throw;
    }
}

bool askDeleteCurrentRow(db::Query& q, QWidget* owner, const QString& question)
{
    if (!ask(question, owner)) return false;
    q.deleteRow();
    return true;
}

void fitColumns(DBGrid* grid)
{
    auto fit = [grid] {
        for (int c = 0; c < grid->model()->columnCount(); ++c) {
            grid->resizeColumnToContents(c);
            grid->setColumnWidth(c, grid->columnWidth(c) + 4);
        }
    };
    // Connected after the grid's own handler, so this runs once the grid has set its widths.
    QObject::connect(grid->query(), &db::Query::reset, grid, fit);
    fit();
}

void centerOnScreen(QWidget* w)
{
    QScreen* s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    if (!s) return;
    QRect r = w->frameGeometry();
    r.moveCenter(s->availableGeometry().center());
    w->move(r.topLeft());
}

}
