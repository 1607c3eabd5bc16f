#pragma once

struct sqlite3;

namespace data {

// Whether h holds a database of this system: it passes the engine's integrity
// check and holds the 17 tables exactly as the compiled-in schema makes them
// (columns, their order and types, strictness). db::Error naming what differs.
void checkSystemDatabase(sqlite3* h);

}
