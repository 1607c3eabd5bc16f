#include "data/create_db.h"
#include "harness.h"
#include "platform/db/error.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>

using CreateDatabase = hrtest::HrTest;

TEST_F(CreateDatabase, NewFileHoldsTheSchemaOneOperatorAndTheNationalLists)
{
    const QString objects = "select type, name, sql from sqlite_master order by name";
    const QStringList schema = db->rows(objects);   // the test database is made from the schema
    ASSERT_TRUE(QFile::remove(db->path()));
    data::createDatabase(db->path(), "admin", "秘密 1");

    EXPECT_EQ(db->rows(objects), schema);
    const QStringList groups = db->rows("select 民族 from 民族表 order by rowid");
    EXPECT_EQ(QSet<QString>(groups.begin(), groups.end()).size(), 56);
    EXPECT_EQ(groups, data::ethnicGroups());
    EXPECT_EQ(db->rows("select * from 文化程度表 order by rowid"), data::educationLevels());
    EXPECT_EQ(db->rows("select * from 政治面貌表 order by rowid"), data::politicalStatuses());
    for (const QString& t : db->rows("select name from sqlite_master where type = 'table' and name not in "
                                     "('操作员信息表', '民族表', '文化程度表', '政治面貌表')"))
        EXPECT_EQ(db->count(t), 0) << t.toStdString();

    // A database made before is never touched.
    EXPECT_THROW(data::createDatabase(db->path(), "second", "x"), db::Error);
    EXPECT_EQ(db->rows("select * from 操作员信息表"), QStringList{"admin|秘密 1"});
}

TEST_F(CreateDatabase, RefusalsLeaveNothingBehindAndTheToolReportsThem)
{
    const QDir dir(db->dir());
    const auto create = [&](const QString& file, const char* name = "admin", const char* password = "admin") {
        data::createDatabase(dir.filePath(file), QString::fromUtf8(name), QString::fromUtf8(password));
    };
    // Someone else's file is never touched.
    QFile other(dir.filePath("notes.mdb"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly) && other.write("keep me") == 7);
    other.close();
    EXPECT_THROW(create("notes.mdb"), db::Error);
    ASSERT_TRUE(other.open(QIODevice::ReadOnly));
    EXPECT_EQ(other.readAll(), QByteArray("keep me"));

    // The journal cannot be made, so the first write fails part-way.
    const QString path = dir.filePath("blocked.mdb");
    ASSERT_TRUE(dir.mkdir("blocked.mdb-journal"));
    try {
        create("blocked.mdb");
        ADD_FAILURE() << "created despite the blocked journal";
    } catch (const db::Error& e) {
        EXPECT_TRUE(e.message().contains(path)) << e.what();   // the message names the file
    }
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_TRUE(QFileInfo(path + "-journal").isDir()) << "someone else's folder was removed";
    EXPECT_THROW(create("no/such/folder/x.mdb"), db::Error);

    // An operator the login could never match (it trims what is typed) is refused up front.
    for (const auto& [name, password] :
         {std::pair{" admin", "admin"}, std::pair{"admin", "admin "}, std::pair{"", "admin"}, std::pair{"admin", ""}}) {
        EXPECT_THROW(create("x.mdb", name, password), db::Error) << name << "/" << password;
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("x.mdb")));
    }

    const QString tool = QCoreApplication::applicationDirPath() + "/mkdb";
    if (!QFileInfo(tool).isExecutable()) GTEST_SKIP() << "mkdb not built beside the tests";
    const auto run = [&](const QStringList& args, bool ok) {
        QProcess p;
        p.start(tool, args);
        EXPECT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitCode() == 0, ok) << args.join(' ').toStdString();
        return p.readAllStandardError();
    };
    run({dir.filePath("t.mdb"), "admin", "admin"}, true);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("t.mdb")));
    EXPECT_TRUE(run({dir.filePath("t.mdb"), "admin", "admin"}, false).contains("already exists"));
    run({dir.filePath("t.mdb")}, false);
}
