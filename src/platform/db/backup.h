#pragma once
#include "platform/db/connection.h"
#include <QString>
#include <functional>

// Whole-database copies, made page for page from the database file.
namespace db {

// Opens a database file only to read it: nothing is written to it or created
// beside it (no journal, no lock files), and the file is taken as it stands.
// Error if it is not a regular file or cannot be opened.
Handle openReadOnly(const QString& path);

// The engine's integrity check; Error with its first complaint unless "ok".
void checkIntegrity(sqlite3* h);

// A file written under a hidden temporary name beside its final one, and
// given that name only once it is complete and on the disk: the final name
// holds either the whole new file or what it held before. The temporary file
// goes unless installed.
class PendingFile {
public:
    // Error if the folder is missing or takes no new file.
    explicit PendingFile(const QString& finalPath);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    const QString& path() const { return temp_; }

    // Writes the pages of database `from` ("main", as its file holds them)
    // while `check` runs on the calling thread; `from` is read through the
    // engine's own handle on its file, on a thread of its own, and must not
    // change or be used meanwhile. With plainHeader the copy is marked a plain
    // database file (no write-ahead log), so it reads back without creating
    // anything beside it. Error from the check first, then from the copy.
    void copyDatabase(sqlite3* from, const std::function<void()>& check, bool plainHeader);
    // The permission bits, owner and group of an existing file, as far as
    // this user may set them.
    void copyModeOf(const QString& file);
    void flush();      // onto the disk; Error
    void install();    // flushed, then renamed over the final name; Error

private:
    QString final_, temp_;
    int fd_ = -1;
    bool flushed_ = false;
    bool installed_ = false;
};

// Gives `file`, the database file of `live`, a second name `kept`, flushed
// to the disk; where the file system has no such names the pages of `live`
// are copied there instead, so `live` must hold the file still (locked).
// Error if `kept` exists or cannot be made.
void keepUnderSecondName(sqlite3* live, const QString& file, const QString& kept);

// Writes a consistent copy of `live` (a database this program has open) to
// `path` as a plain database file, through a PendingFile. The pages still in
// the write-ahead log are moved into the file first, and writers of other
// connections wait until the pages are read. Meanwhile `check` may inspect the
// same data through a read-only handle of its own; by throwing it refuses the
// copy. Error on any failure, with `path` as it was.
void saveCopy(sqlite3* live, const QString& path, const std::function<void(sqlite3* data)>& check = {});

}
