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

// The same for a file, read as it stands (no journal or log beside it looked
// at or made) and left exactly as it is.
bool isSystemDatabase(const QString& path, QString* why = nullptr);

// Whether a database holds exactly the schema the program makes: the same
// tables, indexes and constraints, written the same, and nothing else.
bool hasSystemSchema(sqlite3* handle);

// For a database with the program's schema: the name of the first CHECK
// constraint that a stored row breaks ("csrq_date"), empty if none. A
// read-only handle's integrity check leaves these out. db::Error if the rows
// cannot be read.
QString brokenCheck(sqlite3* handle);

// Readies the database file before the program's connection first opens it.
// The file is read as it stands, and one that is not this system's is
// refused (db::Error) with nothing made or changed beside it. A rollback
// journal left by a writer that was killed is rolled back, which only a
// read-write handle can do. Hidden copies a crashed backup or restore left in
// the file's folder go. A missing file is left for the connection to report.
void readyDatabaseFile(const QString& path);

}
