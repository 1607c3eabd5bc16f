#pragma once
#include "platform/db/query.h"
#include "platform/db/value.h"
#include <QList>
#include <QString>
#include <utility>

class QWidget;

// The routine work of a dialog whose inputs mirror the current row of its
// grid's shared query: show the row, empty the inputs, write them back, delete.
namespace ui {

class ComboBox;
class DBGrid;

// A field's kind of value: Number for a numeric column, whose text must
// read as a number (the database would turn "1e999" into infinity).
enum class As { Text, Number };

// One input and the field it shows.
struct FieldControl {
    QString field;
    QWidget* control;
    As as = As::Text;
};
using FieldControls = QList<FieldControl>;

// Text of an edit box, masked edit, combo box or memo, as typed; of a date
// picker, its date as "yyyy-MM-dd".
QString controlText(const QWidget* w);
// Sets that text from code (an edit box's onChange fires, a combo box's does
// not); a date picker takes a date text and refuses anything else (db::Error).
void setControlText(QWidget* w, const QString& text);

// Close, replace the text with one statement and open it (the data layer's).
using db::runSelect;
// Runs the select on q and adds each row's `column`, in order, to the box's list.
void addItemsFrom(ComboBox* box, db::Query& q, const QString& sql, const QString& column);

// Copies the current row into the inputs (Null and no row give empty texts).
void showCurrentRow(const db::Query& q, const FieldControls& controls);
void clearControls(const FieldControls& controls);

// What an input gives its field: the trimmed text (as typed, untrimmed, if
// asked), or for a number the value of the strict parser (db::Error for
// anything else, infinities and values that would round to zero included).
db::Value inputValue(const FieldControl& fc, bool trimmed = true);

// Reads every input (a bad number raises db::Error before anything changes),
// then edits the current row (a query without rows starts a new one), sets the
// fields and posts through writeRow.
void postInputs(db::Query& q, const FieldControls& controls, bool trimmed = true);

// Edits the current row (a query without rows starts a new one), sets the
// values and posts. A refusal cancels the edit, so no grid shows values the
// table does not hold, and passes on.
using FieldValues = QList<std::pair<QString, db::Value>>;
void writeRow(db::Query& q, const FieldValues& values);

// Asks the question (Yes/No, question icon) and on Yes deletes exactly the
// current row. Returns whether the operator said Yes.
bool askDeleteCurrentRow(db::Query& q, QWidget* owner, const QString& question = QStringLiteral("真的要删除吗？"));

// Sizes the grid's columns to their titles and values, with a narrow margin,
// each time its query is opened again, so that a small dialog shows them all.
void fitColumns(DBGrid* grid);

// Puts a top-level window in the middle of its screen.
void centerOnScreen(QWidget* w);

}
