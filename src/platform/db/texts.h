#pragma once
#include <QString>
#include <cerrno>

// Every text of the data layer that can reach the operator, in one place.
// The engine's own (English) text never stands alone in a box: it goes to
// the log beside one of these.
namespace db::texts {

// Converting texts and values.
inline QString notANumber(const QString& t) { return QStringLiteral("'%1' 不是有效的数字").arg(t); }
inline QString notAnInteger(const QString& t) { return QStringLiteral("'%1' 不是有效的整数").arg(t); }
inline QString notADate(const QString& t) { return QStringLiteral("'%1' 不是有效的日期（应为 yyyy-MM-dd 形式的真实日期）").arg(t); }
// Kinds of value, for cannotConvert.
inline QString nullKind() { return QStringLiteral("空值"); }
inline QString integerKind() { return QStringLiteral("整数"); }
inline QString realKind() { return QStringLiteral("数字"); }
inline QString textKind() { return QStringLiteral("文本"); }
inline QString dateKind() { return QStringLiteral("日期"); }
inline QString blobKind() { return QStringLiteral("二进制数据"); }
inline QString cannotConvert(const QString& from, const QString& to)
{
    return QStringLiteral("%1不能转换为%2").arg(from, to);
}

// The engine's refusals, by what went wrong.
inline QString busy() { return QStringLiteral("数据库正被其他程序使用，没有写入任何数据。请关闭占用数据库的程序或稍后再试。"); }
inline QString badDate(const QString& column)
{
    return QStringLiteral("字段 %1 的日期无效：只能保存 yyyy-MM-dd 形式的真实日期").arg(column);
}
inline QString outOfRange(const QString& column) { return QStringLiteral("字段 %1 的数值超出范围").arg(column); }
inline QString wrongType(const QString& column, const QString& holds, const QString& given)
{
    return QStringLiteral("字段 %1 只能保存%2，不能保存%3").arg(column, holds, given);
}
inline QString notNull(const QString& column) { return QStringLiteral("字段 %1 不能为空").arg(column); }
inline QString duplicate(const QString& column) { return QStringLiteral("字段 %1 的值已经存在").arg(column); }
inline QString brokenRule(const QString& rule) { return QStringLiteral("数据不符合数据库的规则 %1").arg(rule); }
inline QString diskFull() { return QStringLiteral("磁盘空间不足，没有写入任何数据"); }
inline QString readOnlyFile() { return QStringLiteral("数据库文件只读，不能写入"); }
inline QString ioError() { return QStringLiteral("读写数据库文件时出错（输入/输出错误）"); }
inline QString corrupt() { return QStringLiteral("数据库文件已损坏"); }
inline QString notADatabase() { return QStringLiteral("文件不是数据库文件"); }
inline QString cannotOpenFile() { return QStringLiteral("无法打开数据库文件"); }
inline QString noPermission() { return QStringLiteral("没有访问数据库文件的权限"); }
inline QString noMemory() { return QStringLiteral("内存不足"); }
inline QString tooBig() { return QStringLiteral("数据太大，无法保存"); }
inline QString badStatement() { return QStringLiteral("数据库无法执行此语句（表或字段不存在，或语句有误）"); }
inline QString engineFailed(int code) { return QStringLiteral("数据库操作失败（错误代码 %1）").arg(code); }

// A failure of the operating system (errno), the system's own words kept for unusual ones.
inline QString systemError(int err, const QString& own)
{
    switch (err) {
    case ENOSPC: return QStringLiteral("磁盘空间不足");
    case EDQUOT: return QStringLiteral("超出磁盘配额");
    case EACCES:
    case EPERM: return QStringLiteral("没有访问权限");
    case EROFS: return QStringLiteral("文件系统只读");
    case ENOENT: return QStringLiteral("文件或文件夹不存在");
    case EIO: return QStringLiteral("输入/输出错误");
    default: return QStringLiteral("系统错误 %1（%2）").arg(err).arg(own);
    }
}

// The connection.
inline QString fileMissing(const QString& path, const QString& cwd)
{
    return QStringLiteral("数据库文件 %1 不存在（当前工作目录：%2）").arg(path, cwd);
}
inline QString cannotOpen(const QString& path, const QString& why)
{
    return QStringLiteral("无法打开数据库文件 %1：%2").arg(path, why);
}
inline QString foreignFile(const QString& path, const QString& why)
{
    return QStringLiteral("%1 不是本系统的数据库文件（%2）").arg(path, why);
}
inline QString nestedTransaction() { return QStringLiteral("事务已经开始：嵌套的事务请使用保存点"); }
inline QString connectionClosed(const QString& column) { return QStringLiteral("字段 %1：数据库连接已关闭，无法读取").arg(column); }

// Queries.
inline QString rowChanged() { return QStringLiteral("该记录已被修改，请重新打开"); }
inline QString noSuchParam(const QString& name) { return QStringLiteral("参数 :%1 不存在").arg(name); }
inline QString paramUnset(const QString& name) { return QStringLiteral("参数 :%1 没有赋值").arg(name); }
inline QString param(const QString& name) { return QStringLiteral("参数 :%1").arg(name); }
inline QString field(const QString& name) { return QStringLiteral("字段 %1").arg(name); }
inline QString notFinite(const QString& what) { return QStringLiteral("%1 不是有效的数字").arg(what); }
inline QString loneSurrogate(const QString& what)
{
    return QStringLiteral("%1 含有无效字符（不成对的 UTF-16 代理项），不能保存或比较").arg(what);
}
inline QString invalidDate(const QString& what) { return QStringLiteral("%1 的日期无效").arg(what); }
inline QString noStatement() { return QStringLiteral("没有要执行的 SQL 语句"); }
inline QString oneStatement() { return QStringLiteral("一次只能执行一条 SQL 语句"); }
inline QString returnsNoRows() { return QStringLiteral("语句不返回数据集"); }
inline QString notOpen() { return QStringLiteral("数据集没有打开"); }
inline QString noSuchField(const QString& name) { return QStringLiteral("字段 '%1' 不存在").arg(name); }
inline QString rowOutOfRange(int row, int count) { return QStringLiteral("行号 %1 超出范围（共 %2 行）").arg(row).arg(count); }
inline QString cellOutOfRange(int row, int col) { return QStringLiteral("单元格 (%1, %2) 超出范围").arg(row).arg(col); }
inline QString readOnlyQuery() { return QStringLiteral("此查询的数据不能修改（只有对单个表的 select * 查询可以修改）"); }
inline QString notEditing() { return QStringLiteral("数据集不在编辑状态"); }
inline QString fieldNotANumber(const QString& name, const QString& t)
{
    return QStringLiteral("字段 %1 的值 '%2' 不是有效的数字").arg(name, t);
}
inline QString nothingToDelete() { return QStringLiteral("没有可删除的记录"); }

}
