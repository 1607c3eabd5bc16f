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

// The engine's integrity check; Error with its first complaint unless "ok".
void checkIntegrity(sqlite3* h);

// Copies the whole of database `from` over database `to` ("main" of each) in
// one transaction of `to`: it ends holding all of `from`, the pages still in
// `from`'s write-ahead log included, or keeps what it had. Error with the
// engine's text.
void copyDatabase(sqlite3* from, sqlite3* to);

// Writes a consistent copy of `from` to `path`: into a temporary file beside
// it, which `verify` may inspect (by throwing it refuses the copy), then
// flushed to disk and renamed over `path`. On any failure `path` keeps what it
// held and the temporary file is removed. The copy is a plain database file
// (no write-ahead log), so it reads back without creating anything beside it.
void saveCopy(sqlite3* from, const QString& path, const std::function<void(sqlite3* copy)>& verify = {});

}
