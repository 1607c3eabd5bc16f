#include "platform/db/error.h"
#include "platform/db/texts.h"
#include <QStringList>
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

// A column type of the engine's datatype refusal in the operator's words.
QString kindOf(const QString& engineType)
{
    if (engineType == QLatin1String("TEXT")) return texts::textKind();
    if (engineType == QLatin1String("REAL")) return texts::realKind();
    if (engineType == QLatin1String("INTEGER") || engineType == QLatin1String("INT")) return texts::integerKind();
    if (engineType == QLatin1String("BLOB")) return texts::blobKind();
    return engineType;
}

QString constraintText(int code, const QString& engine, const QString& constraint)
{
    switch (code) {
    case SQLITE_CONSTRAINT_CHECK: {
        static const QLatin1String date("_date"), finite("_finite");
        if (constraint.endsWith(date)) return texts::badDate(constraint.chopped(date.size()));
        if (constraint.endsWith(finite)) return texts::outOfRange(constraint.chopped(finite.size()));
        return texts::brokenRule(constraint);
    }
    case SQLITE_CONSTRAINT_DATATYPE: {
        // "cannot store TEXT value in REAL column 表.列"
        const QStringList w = engine.split(QLatin1Char(' '));
        if (w.size() >= 7) return texts::wrongType(constraint, kindOf(w[5]), kindOf(w[2]));
        return texts::brokenRule(constraint);
    }
    case SQLITE_CONSTRAINT_NOTNULL: return texts::notNull(constraint);
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY: return texts::duplicate(constraint);
    // A trigger's RAISE gives the schema's own words.
    default: return texts::brokenRule(constraint.isEmpty() ? engine : constraint);
    }
}

QString sentence(int code, const QString& engine, const QString& constraint)
{
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return texts::busy();
    case SQLITE_CONSTRAINT: return constraintText(code, engine, constraint);
    case SQLITE_FULL: return texts::diskFull();
    case SQLITE_READONLY: return texts::readOnlyFile();
    case SQLITE_IOERR: return texts::ioError();
    case SQLITE_CORRUPT: return texts::corrupt();
    case SQLITE_NOTADB: return texts::notADatabase();
    case SQLITE_CANTOPEN: return texts::cannotOpenFile();
    case SQLITE_PERM:
    case SQLITE_AUTH: return texts::noPermission();
    case SQLITE_NOMEM: return texts::noMemory();
    case SQLITE_TOOBIG: return texts::tooBig();
    case SQLITE_ERROR: return texts::badStatement();
    default: return texts::engineFailed(code);
    }
}

}

Error engineError(int code, const QString& engineText, const QString& context)
{
    const QString constraint = constraintOf(code, engineText);
    const QString log = context.isEmpty() ? engineText : context + QStringLiteral(": ") + engineText;
    return Error(sentence(code, engineText, constraint), code, constraint, log);
}

Error engineError(sqlite3* h, const QString& context)
{
    const int code = h ? sqlite3_extended_errcode(h) : SQLITE_NOMEM;
    return engineError(code, QString::fromUtf8(h ? sqlite3_errmsg(h) : sqlite3_errstr(code)), context);
}

}
