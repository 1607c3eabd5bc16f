#include "data/create_db.h"
#include "data/schema.h"
#include "platform/db/error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sqlite3.h>

namespace {

// Reads a finished file through its own connection, as the program would.
class Reader {
public:
    explicit Reader(const QString& path)
    {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &h_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
            ADD_FAILURE() << "cannot open " << path.toStdString();
    }
    ~Reader() { sqlite3_close(h_); }
    QStringList rows(const QString& sql)
    {
        QStringList out;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(h_, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sqlite3_errmsg(h_) << " in " << sql.toStdString();
            return out;
        }
        while (sqlite3_step(st) == SQLITE_ROW) {
            QStringList cols;
            for (int i = 0; i < sqlite3_column_count(st); ++i)
                cols << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)));
            out << cols.join(QLatin1Char('|'));
        }
        sqlite3_finalize(st);
        return out;
    }
    int count(const QString& table) { return rows(QStringLiteral("select count(*) from ") + table).value(0).toInt(); }

private:
    sqlite3* h_ = nullptr;
};

// The tables the schema makes, read from a scratch in-memory database.
QStringList schemaTables()
{
    sqlite3* h = nullptr;
    sqlite3_open(":memory:", &h);
    sqlite3_exec(h, data::schemaSql(), nullptr, nullptr, nullptr);
    QStringList names;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h, "select name from sqlite_master where type = 'table' order by name", -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    sqlite3_close(h);
    return names;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}   // namespace

TEST(CreateDatabase, NewFileHoldsOneOperatorAndTheNationalLists)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db_corvelin_Data.mdb"));
    data::createDatabase(path, QStringLiteral("admin"), QStringLiteral("秘密 1"));

    Reader r(path);
    const QStringList tables = schemaTables();
    ASSERT_EQ(tables.size(), 17);
    EXPECT_EQ(r.rows(QStringLiteral("select name from sqlite_master where type = 'table' order by name")), tables);

    EXPECT_EQ(r.rows(QStringLiteral("select * from 操作员信息表")), QStringList{QStringLiteral("admin|秘密 1")});

    const QStringList groups = r.rows(QStringLiteral("select 民族 from 民族表 order by rowid"));
    EXPECT_EQ(groups.size(), 56);
    EXPECT_EQ(QSet<QString>(groups.begin(), groups.end()).size(), 56) << "duplicates";
    EXPECT_EQ(groups.value(0), QStringLiteral("汉族"));
    EXPECT_EQ(groups.value(55), QStringLiteral("基诺族"));
    for (const QString& g : groups) EXPECT_TRUE(g.endsWith(QStringLiteral("族"))) << g.toStdString();

    EXPECT_EQ(r.rows(QStringLiteral("select * from 文化程度表 order by rowid")), data::educationLevels());
    EXPECT_EQ(data::educationLevels().size(), 8);
    EXPECT_EQ(r.rows(QStringLiteral("select * from 政治面貌表 order by rowid")), data::politicalStatuses());
    EXPECT_EQ(data::politicalStatuses().size(), 6);

    const QStringList filled = {QStringLiteral("操作员信息表"), QStringLiteral("民族表"), QStringLiteral("文化程度表"), QStringLiteral("政治面貌表")};
    for (const QString& t : tables)
        if (!filled.contains(t)) {
            EXPECT_EQ(r.count(t), 0) << t.toStdString();
        }
}

TEST(CreateDatabase, NeverTouchesAnExistingFile)
{
    QTemporaryDir dir;
    const QString other = dir.filePath(QStringLiteral("notes.mdb"));
    {
        QFile f(other);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep me");
    }
    EXPECT_THROW(data::createDatabase(other, QStringLiteral("admin"), QStringLiteral("admin")), db::Error);
    EXPECT_EQ(fileBytes(other), QByteArray("keep me"));

    const QString made = dir.filePath(QStringLiteral("made.mdb"));
    data::createDatabase(made, QStringLiteral("admin"), QStringLiteral("admin"));
    EXPECT_THROW(data::createDatabase(made, QStringLiteral("second"), QStringLiteral("x")), db::Error);
    Reader r(made);
    EXPECT_EQ(r.rows(QStringLiteral("select 操作员名称 from 操作员信息表")), QStringList{QStringLiteral("admin")});
}

TEST(CreateDatabase, FailureLeavesNoHalfMadeFile)
{
    QTemporaryDir dir;

    // The journal cannot be created, so the first write fails mid-way.
    const QString path = dir.filePath(QStringLiteral("blocked.mdb"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("blocked.mdb-journal")));
    try {
        data::createDatabase(path, QStringLiteral("admin"), QStringLiteral("admin"));
        ADD_FAILURE() << "created despite the blocked journal";
    } catch (const db::Error& e) {
        EXPECT_TRUE(e.message().contains(path)) << e.what();
    }
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_TRUE(QFileInfo(path + QStringLiteral("-journal")).isDir()) << "someone else's folder was removed";

    EXPECT_THROW(data::createDatabase(dir.filePath(QStringLiteral("no/such/folder/x.mdb")), QStringLiteral("a"), QStringLiteral("b")), db::Error);

    // An operator the login could never match (it trims what is typed) is refused up front.
    const QString p2 = dir.filePath(QStringLiteral("x.mdb"));
    for (const auto& [name, pass] : {std::pair{" admin", "admin"}, std::pair{"admin", "admin "}, std::pair{"", "admin"}, std::pair{"admin", ""}}) {
        EXPECT_THROW(data::createDatabase(p2, QString::fromUtf8(name), QString::fromUtf8(pass)), db::Error) << name << "/" << pass;
        EXPECT_FALSE(QFileInfo::exists(p2));
    }
}

TEST(CreateDatabase, ToolReportsFailureWithItsExitCode)
{
    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/mkdb");
    if (!QFileInfo(tool).isExecutable()) GTEST_SKIP() << "mkdb not built beside the tests";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.mdb"));

    QProcess p;
    p.start(tool, {path, QStringLiteral("admin"), QStringLiteral("admin")});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_TRUE(QFileInfo::exists(path));

    p.start(tool, {path, QStringLiteral("admin"), QStringLiteral("admin")});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_NE(p.exitCode(), 0);
    EXPECT_TRUE(p.readAllStandardError().contains("already exists"));

    p.start(tool, {path});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_NE(p.exitCode(), 0);
}
