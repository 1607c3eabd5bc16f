#include "settings/reference_rows.h"
#include "data/U_data.h"
#include "platform/ui/modal.h"

void warningInfo(const QString& text, QWidget* owner)
{
    ui::failedBecause(text, QString(), owner, QStringLiteral("警告"));
}

bool deleteUnlessInUse(db::Query& q, const QString& column, const QString& employeeColumn, QWidget* owner)
{
    // The row the grid shows as current is the one deleted, so its value is the one tested.
    if (!q.isOpen() || q.isEmpty()) return false;
    const auto inUse = [&] {
        auto& used = Data1->ADOQYygxx;
        used.close();
        used.setSql(QStringLiteral("select %1 from 人事表 where %1 = :a").arg(employeeColumn));
        used.setParam(QStringLiteral("a"), q.field(column));
        used.open();
        return !used.isEmpty();
    };
    if (!inUse()) {
        if (!ui::ask(QStringLiteral("真的要删除吗？"), owner)) return false;
        // Tested again under the write lock: while the question waited,
        // another copy of the program may have given the value to an employee.
        db::Transaction tx(q.connection());
        if (!inUse()) {
            q.deleteRow();
            tx.commit();
            return true;
        }
    }
    warningInfo(QStringLiteral("此信息已经使用，不能删除！"), owner);
    return false;
}
