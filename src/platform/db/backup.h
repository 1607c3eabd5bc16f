#pragma once
#include <QString>
#include <functional>
#include <memory>

struct sqlite3;

// Whole-database copies through the engine's online backup.
namespace db {

struct HandleCloser {
    void operator()(sqlite3* h) const;
};
// An engine handle of its own, closed when it goes.
using Handle = std::unique_ptr<sqlite3, HandleCloser>;

// Opens a database file only to read it: nothing is written to it or created
// beside it (no journal, no lock files), and the file is taken as it stands.
// Error if it is not a regular file or cannot be opened.
Handle openReadOnly(const QString& path);

// The database's page size ("main").
int pageSize(sqlite3* h);

// The engine's integrity check; Error with its first complaint unless "ok".
void checkIntegrity(sqlite3* h);

// A copy in pieces takes this many pages at a time.
inline constexpr int kPiecePages = 16384;

// Copies the whole of database `from` over database `to` ("main" of each) in
// one transaction of `to`: it ends holding all of `from`, the pages still in
// `from`'s write-ahead log included, or keeps what it had. Error with the
// engine's text. With beforePiece the copy goes in pieces, and beforePiece
// runs before each with the number of pages still to copy: the piece that
// takes the last of them commits. By throwing it stops the copy, which then
// leaves `to` as it was.
void copyDatabase(sqlite3* from, sqlite3* to, const std::function<void(int pagesLeft)>& beforePiece = {});

// Asks the system to start writing a file's changed pages to the disk, each
// time start() is called, without waiting: a flush after a long write then
// has little left to do. Does nothing if the file cannot be opened.
class WriteBack {
public:
    explicit WriteBack(const QString& path);
    ~WriteBack();
    WriteBack(const WriteBack&) = delete;
    WriteBack& operator=(const WriteBack&) = delete;
    void start();
private:
    int fd_ = -1;
};

// Writes a consistent copy of `from` (the program's own database, read through
// a memory map meanwhile) to `path`: into a temporary file beside it, which
// `verify` may inspect (by throwing it refuses the copy), then flushed to disk
// and renamed over `path`. On any failure `path` keeps what it held and the
// temporary file is removed. The copy is a plain database file (no
// write-ahead log), so it reads back without creating anything beside it.
void saveCopy(sqlite3* from, const QString& path, const std::function<void(sqlite3* copy)>& verify = {});

}
