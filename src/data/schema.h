#pragma once

namespace data {
// The statements that create the 17 empty tables (src/data/schema.sql).
const char* schemaSql();
}
