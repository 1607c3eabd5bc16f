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
// sound database of this system and is only read. A new database is built
// beside the current one from the program's own schema and the file's rows
// (a row the schema refuses refuses the file) while the file is checked;
// then, with no other connection left on the database, the current file is
// kept beside it under a name with the date and time and the new one takes
// its place in one rename, which completes or changes nothing. The shared queries that were open are opened again on the restored
// data. Returns the kept copy's path. db::Error on any failure (another
// program on the database among them), with the current data as they were.
QString restoreDatabase(TData1& d, const QString& file);

// Removes the hidden temporary copies (".<name>.XXXXXX") that a backup or
// restore interrupted by a crash left in `folder`: only files of this user,
// written before this run of the program began, and empty, unwritten or
// holding a database, and not named with six letters of one case at the end
// (".places.sqlite" is another program's). Nothing else is touched.
void removeLeftoverCopies(const QString& folder);

// Where restoreDatabase keeps the current database: beside `live`, named
// with the moment, and never over an existing file.
QString safetyCopyPath(const QString& live);

}
