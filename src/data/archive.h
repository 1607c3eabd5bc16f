#pragma once
#include <QString>

class TData1;

// Backup files of the database and their restore.
namespace data {

// Writes a consistent copy of the data module's database to `file`, checked
// before it takes that name: `file` holds the complete copy or what it held
// before. db::Error on any failure.
void backupDatabase(TData1& d, const QString& file);

// Replaces the whole database with the contents of `file`, which must be a
// sound database of this system and is only read. The file is copied beside
// the database and checked; then, with no other connection left on the
// database, the current file is kept beside it under a name with the date and
// time and the copy takes its place in one rename, which completes or changes
// nothing. The shared queries that were open are opened again on the restored
// data. Returns the kept copy's path. db::Error on any failure (another
// program on the database among them), with the current data as they were.
QString restoreDatabase(TData1& d, const QString& file);

// Where restoreDatabase keeps the current database: beside `live`, named
// with the moment, and never over an existing file.
QString safetyCopyPath(const QString& live);

}
