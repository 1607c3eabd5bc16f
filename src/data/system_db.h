#pragma once
#include <QString>

struct sqlite3;

namespace data {

// Whether a database holds this system's tables, each with the columns the
// schema gives it, in its order (statements insert without naming columns).
// Other tables may be there too. `why` (when given) says what is wrong: the
// engine's complaint about a file that is no database, or the first table
// missing or different. Only reads.
bool isSystemDatabase(sqlite3* handle, QString* why = nullptr);

// The same for a file, opened read-only and left exactly as it is.
bool isSystemDatabase(const QString& path, QString* why = nullptr);

// Readies the database file before the program's connection first opens it.
// The file is read as it stands, and one that is not this system's is
// refused (db::Error) with nothing made or changed beside it. A rollback
// journal left by a writer that was killed is rolled back, which only a
// read-write handle can do. Hidden copies a crashed backup or restore left in
// the file's folder go. A missing file is left for the connection to report.
void readyDatabaseFile(const QString& path);

}
