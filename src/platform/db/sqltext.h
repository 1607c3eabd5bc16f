#pragma once
#include <QString>
#include <QStringList>
#include <vector>

// Reading the SQL text of a query the way the engine's tokenizer does, so that
// parameter markers and keywords inside literals, quoted names and comments
// are never mistaken for the real thing.
namespace db {

// A name for the engine in double quotes, inner quotes doubled: any table or
// column name, whatever characters it holds.
QString quoteIdent(const QString& name);

}

namespace db::detail {

struct SqlText {
    // The text handed to the engine: each ":name" marker rewritten in lower
    // case, so that ":D" and ":d" are one parameter.
    QString text;
    // Parameter names, lower case, without the colon, in order of first use.
    QStringList params;
    // A plain SELECT on one table (no DISTINCT, grouping, aggregate, join or
    // compound): its rows can carry the table's rowid.
    bool singleTable = false;
    // Where the select list starts in `text` (for the hidden rowid column).
    qsizetype selectListPos = -1;
    // Where "ORDER BY rowid" goes, so that rows come in the order they were
    // stored whatever index the engine scans; -1 if the text orders itself.
    qsizetype orderPos = -1;
    // Where the statement ends, before a closing ';' and comments.
    qsizetype endPos = -1;
    // A single-table SELECT that neither orders nor limits itself and has no
    // subquery among its columns: a SELECT over it reads the same rows, and
    // a column the engine says comes from the table is that column of the row.
    bool wrappable = false;
};

SqlText analyze(const QString& sql);

// The text of a single-table SELECT with the rowid as its first column,
// in stored order unless it orders itself.
QString withRowid(const SqlText& s, const char* columnName);

// withRowid read through a SELECT that leaves large blobs in the table, for a
// wrappable text (withRowid otherwise): the rowid, then the columns `names`
// (distinct), each of `blobs` Null where it holds a blob of more than `bytes`
// bytes; then for each of `blobs` in turn the size of such a blob, else Null.
QString withBlobSizes(const SqlText& s, const char* rowidColumn, const QStringList& names,
                      const std::vector<int>& blobs, int bytes);

}
