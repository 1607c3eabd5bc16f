#include "data/create_db.h"

#include "data/schema.h"
#include "platform/db/error.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace data {

namespace {

// The 56 officially recognised ethnic groups, in the order of the national standard.
const char* const kEthnicGroups[] = {
    "汉族", "蒙古族", "回族", "藏族", "维吾尔族", "苗族", "彝族", "壮族", "布依族", "朝鲜族",
    "满族", "侗族", "瑶族", "白族", "土家族", "哈尼族", "哈萨克族", "傣族", "黎族", "傈僳族",
    "佤族", "畲族", "高山族", "拉祜族", "水族", "东乡族", "纳西族", "景颇族", "柯尔克孜族", "土族",
    "达斡尔族", "仫佬族", "羌族", "布朗族", "撒拉族", "毛南族", "仡佬族", "锡伯族", "阿昌族", "普米族",
    "塔吉克族", "怒族", "乌孜别克族", "俄罗斯族", "鄂温克族", "德昂族", "保安族", "裕固族", "京族", "塔塔尔族",
    "独龙族", "鄂伦春族", "赫哲族", "门巴族", "珞巴族", "基诺族",
};
static_assert(std::size(kEthnicGroups) == 56);

const char* const kEducationLevels[] = {"小学", "初中", "高中", "中专", "大专", "本科", "硕士研究生", "博士研究生"};
const char* const kPoliticalStatuses[] = {"中共党员", "中共预备党员", "共青团员", "民主党派", "无党派人士", "群众"};

template <size_t N>
QStringList toList(const char* const (&items)[N])
{
    QStringList l;
    for (const char* s : items) l << QString::fromUtf8(s);
    return l;
}

// The login trims what is typed, so a name or password with blanks at either
// end (or none at all) could never be matched: refuse it here instead.
bool loginCanMatch(const QString& s)
{
    return !s.isEmpty() && s.front().unicode() > 0x20 && s.back().unicode() > 0x20;
}

// The file is built under a hidden name beside the target and takes the
// target's name only when complete: a tool killed half way leaves no file
// there that the program would refuse to start on.
class Builder {
public:
    explicit Builder(const QString& path) : path_(path) {}
    ~Builder()
    {
        if (h_) sqlite3_close(h_);
    }

    void open()
    {
        const QFileInfo target(path_);
        if (target.exists() || target.isSymLink()) refuseExisting();
        QByteArray pattern = QFile::encodeName(target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
        const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd < 0) fail(QString::fromLocal8Bit(std::strerror(errno)));
        // Made for its owner alone; the database is made as any new file is.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
        ::close(fd);
        temp_ = pattern;
        if (sqlite3_open_v2(temp_.constData(), &h_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            fail(QStringLiteral("cannot open the new file"));
        // Thrown away unless complete: no journal beside it, one flush at the end.
        exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF");
    }

    void exec(const char* sql)
    {
        char* err = nullptr;
        if (sqlite3_exec(h_, sql, nullptr, nullptr, &err) != SQLITE_OK) {
            const QString msg = QString::fromUtf8(err ? err : sqlite3_errmsg(h_));
            sqlite3_free(err);
            fail(msg);
        }
    }

    void insert(const char* sql, const QStringList& values)
    {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(h_, sql, -1, &st, nullptr) != SQLITE_OK) fail(QString::fromUtf8(sqlite3_errmsg(h_)));
        for (int i = 0; i < values.size(); ++i) {
            const QByteArray v = values[i].toUtf8();
            sqlite3_bind_text(st, i + 1, v.constData(), int(v.size()), SQLITE_TRANSIENT);
        }
        const int rc = sqlite3_step(st);
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE) fail(QString::fromUtf8(sqlite3_errmsg(h_)));
    }

    void finish()
    {
        if (sqlite3_close(h_) != SQLITE_OK) fail(QString::fromUtf8(sqlite3_errmsg(h_)));
        h_ = nullptr;
        const int fd = ::open(temp_.constData(), O_RDONLY | O_CLOEXEC);
        const int err = fd < 0 || ::fsync(fd) != 0 ? errno : 0;
        if (fd >= 0) ::close(fd);
        if (err) fail(QString::fromLocal8Bit(std::strerror(err)));
        // A second name, never a rename: a file made there meanwhile stays as it is.
        if (::link(temp_.constData(), QFile::encodeName(path_).constData()) != 0) {
            if (errno == EEXIST) refuseExisting();
            fail(QString::fromLocal8Bit(std::strerror(errno)));
        }
        discard();
        const int dir = ::open(QFile::encodeName(QFileInfo(path_).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }

    // Removes the hidden file; the target's name was never given to a half-made one.
    void discard()
    {
        if (h_) {
            sqlite3_close(h_);
            h_ = nullptr;
        }
        if (!temp_.isEmpty()) ::unlink(temp_.constData());
        temp_.clear();
    }

    [[noreturn]] void fail(const QString& why) { throw db::Error(QStringLiteral("cannot create %1: %2").arg(path_, why)); }
    [[noreturn]] void refuseExisting() { throw db::Error(QStringLiteral("%1 already exists; it is left as it is").arg(path_)); }

private:
    QString path_;
    QByteArray temp_;
    sqlite3* h_ = nullptr;
};

}   // namespace

const QStringList& ethnicGroups()
{
    static const QStringList l = toList(kEthnicGroups);
    return l;
}

const QStringList& educationLevels()
{
    static const QStringList l = toList(kEducationLevels);
    return l;
}

const QStringList& politicalStatuses()
{
    static const QStringList l = toList(kPoliticalStatuses);
    return l;
}

void createDatabase(const QString& path, const QString& operatorName, const QString& password)
{
    if (path.isEmpty()) throw db::Error(QStringLiteral("no database file given"));
    if (!loginCanMatch(operatorName))
        throw db::Error(QStringLiteral("the operator name must not be empty or begin or end with blanks"));
    if (!loginCanMatch(password))
        throw db::Error(QStringLiteral("the password must not be empty or begin or end with blanks"));

    Builder b(path);
    try {
        b.open();
        // The schema's file settings (auto_vacuum) take only outside a transaction.
        b.exec(schemaSql());
        b.exec("BEGIN IMMEDIATE");
        b.insert("insert into 操作员信息表 (操作员名称, 操作员密码) values (?, ?)", {operatorName, password});
        for (const QString& v : ethnicGroups()) b.insert("insert into 民族表 (民族) values (?)", {v});
        for (const QString& v : educationLevels()) b.insert("insert into 文化程度表 (文化程度) values (?)", {v});
        for (const QString& v : politicalStatuses()) b.insert("insert into 政治面貌表 (政治面貌) values (?)", {v});
        b.exec("COMMIT");
        b.finish();
    } catch (...) {
        b.discard();
        throw;
    }
}

}
