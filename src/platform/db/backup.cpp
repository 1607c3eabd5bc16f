#include "platform/db/backup.h"
#include "platform/db/error.h"
#include "platform/db/texts.h"
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace db {

namespace {

QString systemText(int err) { return texts::systemError(err, QString::fromLocal8Bit(std::strerror(err))); }

void exec(sqlite3* h, const char* sql)
{
    if (sqlite3_exec(h, sql, nullptr, nullptr, nullptr) != SQLITE_OK) throw detail::engineError(h);
}

// First column of the first row as text.
QString scalar(sqlite3* h, const char* sql)
{
    const Statement st = prepare(h, QString::fromLatin1(sql));
    const int rc = sqlite3_step(st.get());
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) throw detail::engineError(h);
    return rc == SQLITE_ROW ? QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0))) : QString();
}

// Flushes a folder's entries to the disk; some file systems refuse, and the
// entry stands anyway.
void syncFolder(const QString& dir)
{
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// The engine's own handle on the database file. Reading through another
// descriptor would be no better: closing it would drop every lock the
// process holds on the file, the engine's included.
sqlite3_file* fileOf(sqlite3* h)
{
    sqlite3_file* f = nullptr;
    if (sqlite3_file_control(h, "main", SQLITE_FCNTL_FILE_POINTER, &f) != SQLITE_OK || !f || !f->pMethods)
        throw Error(QStringLiteral("无法读取数据库文件"));
    return f;
}

constexpr int64_t kChunk = 8 << 20;
constexpr int64_t kWriteBackRun = 64 << 20;

void writePages(sqlite3_file* from, int64_t size, int fd, const QString& path, const std::atomic<bool>& stop,
                bool plainHeader)
{
    std::vector<char> buf(size_t(std::min(size, kChunk)));
    int64_t started = 0;
    for (int64_t off = 0; off < size && !stop; off += kChunk) {
        const int n = int(std::min(kChunk, size - off));
        const int rc = from->pMethods->xRead(from, buf.data(), n, off);
        if (rc == SQLITE_IOERR_SHORT_READ) throw Error(QStringLiteral("数据库文件不完整"));
        if (rc != SQLITE_OK) throw detail::engineError(rc, QString::fromUtf8(sqlite3_errstr(rc)));
        // Bytes 18 and 19 name the journal: 1 for a plain file, 2 for a write-ahead log.
        if (off == 0 && plainHeader && n > 19) buf[18] = buf[19] = 1;
        for (int done = 0; done < n;) {
            const ssize_t w = ::pwrite(fd, buf.data() + done, size_t(n - done), off + done);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) throw Error(QStringLiteral("%1：%2").arg(path, systemText(w < 0 ? errno : ENOSPC)));
            done += int(w);
        }
        // The disk starts on what is written while the rest is read, so the
        // flush at the end has little left to do; in large runs, as small
        // ones keep the disk's queue short.
        if (const int64_t end = off + n; end - started >= kWriteBackRun || end == size) {
            ::sync_file_range(fd, started, end - started, SYNC_FILE_RANGE_WRITE);
            started = end;
        }
    }
}

// The file alone holds the whole database once the log is empty, and while
// this connection's write transaction is open no other adds to the log.
void holdStill(sqlite3* h)
{
    const QString log = QString::fromUtf8(sqlite3_db_filename(h, "main")) + QStringLiteral("-wal");
    for (int attempt = 1;; ++attempt) {
        sqlite3_wal_checkpoint_v2(h, "main", SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        exec(h, "BEGIN IMMEDIATE");
        if (QFileInfo(log).size() == 0) return;
        exec(h, "ROLLBACK");
        if (attempt == 3) throw Error(QStringLiteral("数据库正被其他连接读写，日志无法清空"));
    }
}

void endTransaction(sqlite3* h)
{
    if (!sqlite3_get_autocommit(h)) sqlite3_exec(h, "ROLLBACK", nullptr, nullptr, nullptr);
}

}

Handle openReadOnly(const QString& path)
{
    const QFileInfo fi(path);
    if (!fi.exists()) throw Error(QStringLiteral("文件 %1 不存在").arg(path));
    // A folder, a pipe or a device is no database, and opening a pipe would wait forever.
    if (!fi.isFile()) throw Error(QStringLiteral("%1 不是普通文件").arg(path));
    // immutable: no locks, no journal or log looked for or created beside the file.
    const QByteArray uri = QByteArrayLiteral("file:")
        + QFile::encodeName(fi.absoluteFilePath()).toPercentEncoding("/") + QByteArrayLiteral("?immutable=1");
    Handle h;
    try {
        h = openHandle(uri, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
    } catch (const Error& e) {
        throw Error(QStringLiteral("无法打开 %1：%2").arg(path, e.message()), e.code(), QString(), e.context());
    }
    // Reading the schema tells a database from any other file.
    try {
        scalar(h.get(), "SELECT count(*) FROM sqlite_schema");
    } catch (const Error& e) {
        throw Error(QStringLiteral("无法读取 %1：%2").arg(path, e.message()), e.code(), QString(), e.context());
    }
    return h;
}

void checkIntegrity(sqlite3* h)
{
    const QString result = scalar(h, "PRAGMA integrity_check(1)");
    if (result != QLatin1String("ok")) throw Error(QStringLiteral("数据库损坏：%1").arg(result));
}

PendingFile::PendingFile(const QString& finalPath) : final_(QFileInfo(finalPath).absoluteFilePath())
{
    const QFileInfo target(final_);
    const QString dir = target.absolutePath();
    if (!QFileInfo(dir).isDir()) throw Error(QStringLiteral("文件夹 %1 不存在").arg(dir));
    if (target.exists() && !target.isFile()) throw Error(QStringLiteral("%1 不是普通文件").arg(finalPath));
    // Hidden, beside the target: the rename stays on one file system.
    QByteArray pattern = QFile::encodeName(dir + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0) throw Error(QStringLiteral("不能在 %1 中写入：%2").arg(dir, systemText(errno)));
    temp_ = QFile::decodeName(pattern);
}

PendingFile::~PendingFile()
{
    ::close(fd_);
    if (!installed_) ::unlink(QFile::encodeName(temp_).constData());
}

void PendingFile::copyDatabase(sqlite3* from, const std::function<void()>& check, bool plainHeader)
{
    const int64_t size = scalar(from, "PRAGMA main.page_size").toLongLong()
        * scalar(from, "PRAGMA main.page_count").toLongLong();
    sqlite3_file* file = fileOf(from);
    // The space first: a full disk fails here rather than after most of the copy.
    if (size > 0 && ::fallocate(fd_, 0, 0, size) != 0 && errno == ENOSPC)
        throw Error(QStringLiteral("%1：%2").arg(temp_, systemText(ENOSPC)));

    std::atomic<bool> stop{false};
    std::exception_ptr copyError, checkError;
    std::thread worker([&] {
        try {
            writePages(file, size, fd_, temp_, stop, plainHeader);
        } catch (...) {
            copyError = std::current_exception();
        }
    });
    try {
        if (check) check();
    } catch (...) {
        checkError = std::current_exception();
        stop = true;
    }
    worker.join();
    if (checkError) std::rethrow_exception(checkError);
    if (copyError) std::rethrow_exception(copyError);
}

void PendingFile::copyModeOf(const QString& file)
{
    struct stat st {};
    if (::stat(QFile::encodeName(file).constData(), &st) != 0) return;
    // Owner first: changing it may clear the set-id bits set after.
    if (::fchown(fd_, st.st_uid, st.st_gid) != 0 && ::fchown(fd_, uid_t(-1), st.st_gid) != 0) {
        // Another user's file: the copy stays this user's.
    }
    ::fchmod(fd_, st.st_mode & 07777);
}

void PendingFile::flush()
{
    if (flushed_) return;
    if (::fsync(fd_) != 0) throw Error(QStringLiteral("%1：%2").arg(temp_, systemText(errno)));
    flushed_ = true;
}

void PendingFile::install()
{
    flush();
    if (::rename(QFile::encodeName(temp_).constData(), QFile::encodeName(final_).constData()) != 0)
        throw Error(QStringLiteral("%1：%2").arg(final_, systemText(errno)));
    installed_ = true;
    // The new name itself survives a power cut only once the folder is flushed.
    syncFolder(QFileInfo(final_).absolutePath());
}

void keepUnderSecondName(sqlite3* live, const QString& file, const QString& kept)
{
    if (::link(QFile::encodeName(file).constData(), QFile::encodeName(kept).constData()) == 0) {
        syncFolder(QFileInfo(kept).absolutePath());
        return;
    }
    if (errno == EEXIST) throw Error(QStringLiteral("%1 已经存在").arg(kept));
    PendingFile copy(kept);
    copy.copyDatabase(live, {}, true);
    copy.copyModeOf(file);
    copy.install();
}

void saveCopy(sqlite3* live, const QString& path, const std::function<void(sqlite3* data)>& check)
{
    PendingFile out(path);
    // A backup written over an older one keeps who may read it.
    if (QFileInfo(path).isFile()) out.copyModeOf(path);
    holdStill(live);
    try {
        Handle data;
        if (check) data = openHandle(sqlite3_db_filename(live, "main"), SQLITE_OPEN_READONLY);
        out.copyDatabase(live, [&] { if (check) check(data.get()); }, true);
    } catch (...) {
        endTransaction(live);
        throw;
    }
    // Other writers may go on while the copy goes to the disk.
    endTransaction(live);
    out.install();
}

}
