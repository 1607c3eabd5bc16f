#include "platform/db/backup.h"
#include "platform/db/error.h"
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace db {

namespace {

QString engineText(sqlite3* h) { return QString::fromUtf8(sqlite3_errmsg(h)); }

void exec(sqlite3* h, const char* sql)
{
    char* err = nullptr;
    if (sqlite3_exec(h, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = err ? QString::fromUtf8(err) : engineText(h);
        sqlite3_free(err);
        throw Error(msg);
    }
}

// First column of the first row as text.
QString scalar(sqlite3* h, const char* sql)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(h, sql, -1, &st, nullptr) != SQLITE_OK) throw Error(engineText(h));
    const int rc = sqlite3_step(st);
    QString v;
    if (rc == SQLITE_ROW) v = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) throw Error(engineText(h));
    return v;
}

// Reads of the program's own database go through a memory map for the time
// of a copy: a whole-file copy reads every page once.
class MappedReads {
public:
    explicit MappedReads(sqlite3* h) : h_(h)
    {
        old_ = scalar(h_, "PRAGMA main.mmap_size");
        exec(h_, "PRAGMA main.mmap_size=1099511627776");
    }
    ~MappedReads()
    {
        try {
            exec(h_, ("PRAGMA main.mmap_size=" + old_.toLatin1()).constData());
        } catch (const Error&) {
        }
    }
    MappedReads(const MappedReads&) = delete;
    MappedReads& operator=(const MappedReads&) = delete;
private:
    sqlite3* h_;
    QString old_;
};

QString systemText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

// Flushes a file (or a folder's entries) to the disk.
void syncToDisk(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw Error(QStringLiteral("%1：%2").arg(path, systemText(errno)));
    const int rc = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    if (rc != 0) throw Error(QStringLiteral("%1：%2").arg(path, systemText(err)));
}

// Removes a temporary database file and whatever the engine made beside it, unless kept.
class TempFile {
public:
    explicit TempFile(QString path) : path_(std::move(path)) {}
    ~TempFile()
    {
        if (kept_) return;
        for (const char* suffix : {"", "-journal", "-wal", "-shm"}) QFile::remove(path_ + QLatin1String(suffix));
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const QString& path() const { return path_; }
    void keep() { kept_ = true; }
private:
    QString path_;
    bool kept_ = false;
};

}

WriteBack::WriteBack(const QString& path) : fd_(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC)) {}

WriteBack::~WriteBack()
{
    if (fd_ >= 0) ::close(fd_);
}

void WriteBack::start()
{
    if (fd_ >= 0) ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
}

void HandleCloser::operator()(sqlite3* h) const { sqlite3_close_v2(h); }

Handle openReadOnly(const QString& path)
{
    const QFileInfo fi(path);
    if (!fi.exists()) throw Error(QStringLiteral("文件 %1 不存在").arg(path));
    // A folder, a pipe or a device is no database, and opening a pipe would wait forever.
    if (!fi.isFile()) throw Error(QStringLiteral("%1 不是普通文件").arg(path));
    // immutable: no locks, no journal or log looked for or created beside the file.
    const QByteArray uri = QByteArrayLiteral("file:")
        + QFile::encodeName(fi.absoluteFilePath()).toPercentEncoding("/") + QByteArrayLiteral("?immutable=1");
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(uri.constData(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX,
                                   nullptr);
    Handle h(raw);
    if (rc != SQLITE_OK)
        throw Error(QStringLiteral("无法打开 %1：%2").arg(path, raw ? engineText(raw) : QString::fromUtf8(sqlite3_errstr(rc))));
    sqlite3_extended_result_codes(raw, 1);
    // Reading the schema tells a database from any other file.
    try {
        scalar(raw, "SELECT count(*) FROM sqlite_schema");
    } catch (const Error& e) {
        throw Error(QStringLiteral("无法读取 %1：%2").arg(path, e.message()));
    }
    return h;
}

int pageSize(sqlite3* h) { return scalar(h, "PRAGMA main.page_size").toInt(); }

void checkIntegrity(sqlite3* h)
{
    const QString result = scalar(h, "PRAGMA integrity_check(1)");
    if (result != QLatin1String("ok")) throw Error(QStringLiteral("数据库损坏：%1").arg(result));
}

void copyDatabase(sqlite3* from, sqlite3* to, const std::function<void(int pagesLeft)>& beforePiece)
{
    // A destination in write-ahead-log mode cannot change its page size; it
    // takes a copy of another page size in rollback mode and returns to the log.
    const bool relog = pageSize(from) != pageSize(to)
        && scalar(to, "PRAGMA main.journal_mode") == QLatin1String("wal");
    if (relog) exec(to, "PRAGMA main.journal_mode=DELETE");

    sqlite3_backup* b = sqlite3_backup_init(to, "main", from, "main");
    // A first step of no pages counts them and opens the destination's
    // transaction, which stays open until the piece with the last page commits.
    int rc = b ? sqlite3_backup_step(b, beforePiece ? 0 : -1) : sqlite3_errcode(to);
    QString failure;
    while (rc == SQLITE_OK) {
        try {
            if (beforePiece) beforePiece(sqlite3_backup_remaining(b));
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
            break;
        } catch (...) {
            failure = QStringLiteral("复制中止");
            break;
        }
        rc = sqlite3_backup_step(b, kPiecePages);
    }
    // finish rolls back whatever a failed or stopped copy wrote and names the cause.
    if (b) {
        const int fin = sqlite3_backup_finish(b);
        if (rc == SQLITE_DONE) rc = fin;
    }
    if (failure.isEmpty() && rc != SQLITE_DONE && rc != SQLITE_OK)
        failure = sqlite3_errcode(to) != SQLITE_OK ? engineText(to) : QString::fromUtf8(sqlite3_errstr(rc));

    if (relog) {
        try {
            exec(to, "PRAGMA main.journal_mode=WAL");
        } catch (const Error&) {
            // The copy stands; the file just stays in rollback mode.
        }
    }
    if (!failure.isEmpty()) throw Error(failure);
}

void saveCopy(sqlite3* from, const QString& path, const std::function<void(sqlite3* copy)>& verify)
{
    const QFileInfo target(path);
    const QString dir = target.absolutePath();
    if (!QFileInfo(dir).isDir()) throw Error(QStringLiteral("文件夹 %1 不存在").arg(dir));
    if (target.exists() && !target.isFile()) throw Error(QStringLiteral("%1 不是普通文件").arg(path));

    // Hidden, beside the target: the rename stays on one file system.
    QTemporaryFile made(dir + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
    made.setAutoRemove(false);
    if (!made.open()) throw Error(QStringLiteral("不能在 %1 中写入：%2").arg(dir, made.errorString()));
    TempFile tmp(made.fileName());
    made.close();

    {
        sqlite3* raw = nullptr;
        const int rc = sqlite3_open_v2(QFile::encodeName(tmp.path()).constData(), &raw,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
        Handle copy(raw);
        if (rc != SQLITE_OK)
            throw Error(raw ? engineText(raw) : QString::fromUtf8(sqlite3_errstr(rc)));
        sqlite3_extended_result_codes(raw, 1);
        // Nothing to protect in a file that goes if anything fails; it is
        // flushed once, as a whole, before it takes the target's name.
        exec(raw, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF");
        {
            MappedReads mapped(from);
            // The disk starts writing each piece while the next is copied,
            // so the flush at the end has little left to do.
            WriteBack written(tmp.path());
            copyDatabase(from, raw, [&written](int) { written.start(); });
        }
        // Read back without a memory map: a removable disk taken away would
        // end the program instead of failing the check.
        if (verify) verify(raw);
        // The source's log mode came with its first page: back to a plain file.
        exec(raw, "PRAGMA journal_mode=DELETE");
        sqlite3* h = copy.release();
        if (sqlite3_close(h) != SQLITE_OK) {
            sqlite3_close_v2(h);
            throw Error(QStringLiteral("%1 无法关闭").arg(tmp.path()));
        }
    }
    syncToDisk(tmp.path());
    if (::rename(QFile::encodeName(tmp.path()).constData(), QFile::encodeName(path).constData()) != 0)
        throw Error(QStringLiteral("%1：%2").arg(path, systemText(errno)));
    tmp.keep();
    // The new name itself survives a power cut only once the folder is flushed.
    try {
        syncToDisk(dir);
    } catch (const Error&) {
        // The copy is complete under its name; some file systems refuse this.
    }
}

}
