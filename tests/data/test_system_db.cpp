#include "data/U_data.h"
#include "data/create_db.h"
#include "data/system_db.h"
#include "platform/db/error.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void sql(const QString& path, const char* statements)
{
    sqlite3* h = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &h);
    EXPECT_EQ(sqlite3_exec(h, statements, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(h);
    sqlite3_close(h);
}

// What the program says when it first reaches the file ("" if it opens).
std::string openingError(const QString& path)
{
    TData1 data(path);
    data.ADOpublic.setSql(QStringLiteral("select * from 部门表"));
    try {
        data.ADOpublic.open();
    } catch (const db::Error& e) {
        return e.message().toStdString();
    }
    return {};
}

}

// A file put in place of the database that is not one of this system's is
// refused by name and left exactly as it was, before anything is written.
TEST(SystemDatabase, ForeignFilesAreRefusedAndLeftByteForByte)
{
    QTemporaryDir dir;
    const auto path = [&](const char* name) { return dir.filePath(QString::fromUtf8(name)); };
    data::createDatabase(path("ours.mdb"), "admin", "admin");
    QFile::copy(path("ours.mdb"), path("truncated.mdb"));
    QFile::resize(path("truncated.mdb"), QFileInfo(path("ours.mdb")).size() / 2);
    for (const auto& [name, text] : {std::pair{"empty.mdb", ""}, {"text.mdb", "姓名,部门\n张三,财务部\n"}}) {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(text) >= 0);
    }
    sql(path("other.mdb"), "create table customers (id INTEGER, name TEXT); insert into customers values (1, 'x')");
    QFile::copy(path("ours.mdb"), path("changed.mdb"));
    sql(path("changed.mdb"), "drop table 部门表; create table 部门表 (部门名称 TEXT, 部门编号 TEXT)");

    const std::pair<const char*, const char*> foreign[] = {
        {"empty.mdb", "文件里没有任何表"}, {"text.mdb", "文件不是数据库文件"}, {"other.mdb", "没有表"},
        {"truncated.mdb", "数据库文件已损坏"}, {"changed.mdb", "表 部门表 的字段与本系统的不同"}};
    for (const auto& [name, why] : foreign) {
        SCOPED_TRACE(name);
        const QByteArray before = contents(path(name));
        const std::string error = openingError(path(name));
        EXPECT_EQ(error.rfind(path(name).toStdString() + " 不是本系统的数据库文件（", 0), 0u) << error;
        EXPECT_NE(error.find(why), std::string::npos) << error;
        QString reason;
        EXPECT_FALSE(data::isSystemDatabase(path(name), &reason));
        EXPECT_NE(reason.toStdString().find(why), std::string::npos) << reason.toStdString();
        EXPECT_TRUE(contents(path(name)) == before);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 6);   // no journal left beside any of them

    // The system's own file opens, also with tables of its own added.
    sql(path("ours.mdb"), "create table 备忘 (t TEXT)");
    EXPECT_TRUE(data::isSystemDatabase(path("ours.mdb")));
    EXPECT_EQ(openingError(path("ours.mdb")), "");
}
