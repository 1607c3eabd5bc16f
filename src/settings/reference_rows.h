#pragma once
#include <QString>

class QWidget;
namespace db { class Query; }

// What the reference-list and department dialogs share.

// Information box captioned "警告" (information icon, as the system's others).
void warningInfo(const QString& text, QWidget* owner);

// 删除 of a reference dialog: unless the grid's current row's `column` value
// is held by an employee record, in service or resigned (人事表.employeeColumn;
// refused with "此信息已经使用，不能删除！"), asks and on Yes deletes exactly
// that row. Without a current row (empty or closed list) nothing is asked.
// Returns whether the row was deleted.
bool deleteUnlessInUse(db::Query& q, const QString& column, const QString& employeeColumn, QWidget* owner);
