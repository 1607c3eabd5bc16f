#include "platform/db/error.h"
#include <sqlite3.h>

namespace db::detail {

namespace {

// What the engine names after the colon of a constraint message:
// "CHECK constraint failed: jbgz_finite",
// "NOT NULL constraint failed: 部门表.部门名称",
// "cannot store TEXT value in REAL column 考勤表.全勤奖".
QString constraintOf(int code, const QString& message)
{
    if ((code & 0xff) != SQLITE_CONSTRAINT) return QString();
    if (code == SQLITE_CONSTRAINT_DATATYPE) {
        const qsizetype at = message.lastIndexOf(QLatin1Char(' '));
        return at < 0 ? QString() : message.mid(at + 1);
    }
    const qsizetype at = message.indexOf(QLatin1String(": "));
    return at < 0 ? QString() : message.mid(at + 2);
}

}

Error engineError(sqlite3* h, const QString& context)
{
    const int code = h ? sqlite3_extended_errcode(h) : SQLITE_MISUSE;
    QString message = h ? QString::fromUtf8(sqlite3_errmsg(h)) : QString::fromUtf8(sqlite3_errstr(code));
    const QString constraint = constraintOf(code, message);
    if (code == SQLITE_CONSTRAINT_CHECK) {
        // The engine would only quote the check's name.
        static const QLatin1String date("_date"), finite("_finite");
        if (constraint.endsWith(date))
            message = QStringLiteral("字段 %1 的日期无效：只能保存 yyyy-MM-dd 形式的真实日期")
                          .arg(constraint.chopped(date.size()));
        else if (constraint.endsWith(finite))
            message = QStringLiteral("字段 %1 的数值超出范围").arg(constraint.chopped(finite.size()));
    }
    if (!context.isEmpty()) message = context + QStringLiteral(": ") + message;
    return Error(message, code, constraint);
}

}
