#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace db {

// A name as an SQL identifier, in double quotes.
QString quoteIdent(const QString& name);

struct HandleCloser {
    void operator()(sqlite3* h) const;
};
// An engine handle of its own, closed when it goes.
using Handle = std::unique_ptr<sqlite3, HandleCloser>;

// Opens a database file (a name or a URI) with the engine's open `flags`,
// extended result codes on and the busy timeout set; the engine's Error if
// it cannot.
Handle openHandle(const QByteArray& file, int flags);

struct StatementCloser {
    void operator()(sqlite3_stmt* st) const;
};
// A prepared statement of its own, finalized when it goes.
using Statement = std::unique_ptr<sqlite3_stmt, StatementCloser>;

// The one statement of `sql` on h; null for a text of comments only. Error
// if the engine refuses it or another statement follows. `context` goes
// with a failure to the log (a query's name).
Statement prepare(sqlite3* h, const QString& sql, const QString& context = QString());
// Steps a statement that returns no rows; Error on failure.
void runToEnd(sqlite3_stmt* st, const QString& context = QString());

// The one connection of the program. Opens lazily with the first statement,
// read-write, never creating the file: a missing file is an Error that names
// the file and the cause. The file is looked at read-only first, and one that
// is no database (or fails the file check) is refused untouched. WAL journal,
// synchronous=FULL, busy timeout. Used from one thread only.
class Connection {
public:
    // Something that keeps prepared statements of this connection (a query).
    // Closing the connection finalizes them first, so the engine never sees a
    // statement outlive its database handle.
    class StatementHolder {
    public:
        virtual void releaseStatements() = 0;
    protected:
        ~StatementHolder() = default;
    };

    static constexpr const char* kDefaultPath = "./db_corvelin_Data.mdb";

    explicit Connection(QString path = QString::fromLatin1(kDefaultPath));
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const QString& path() const { return path_; }

    // Whether the file is one this connection may write to, asked on a
    // read-only handle before it is opened for writing; `why` says what is
    // wrong. Without a check any SQLite database will do.
    using FileCheck = std::function<bool(sqlite3* readOnly, QString* why)>;
    void setFileCheck(FileCheck check) { fileCheck_ = std::move(check); }

    bool isOpen() const { return db_ != nullptr; }
    sqlite3* handle();          // opens on first use; throws Error
    void close();               // finalizes the queries' statements first
    // As close(), but the handle stays open and goes to the caller, with
    // whatever transaction and locks it holds; null if none is open.
    sqlite3* takeHandle();

    // Statements that return no rows, run directly (no parameters).
    void exec(const QString& sql);

    // Transactions (begin takes the write lock at once, waiting up to the busy
    // timeout). begin() inside a transaction is an Error: nested use goes
    // through savepoints, which also work outside a transaction.
    void begin();
    void commit();
    void rollback();
    bool inTransaction() const;
    void savepoint(const QString& name);
    void release(const QString& name);
    void rollbackTo(const QString& name);   // and releases it

    // For values read later (large blobs): a pointer that expires with the connection.
    std::weak_ptr<Connection> weak() const { return self_; }
    // The bytes of one blob cell, read with the engine's blob reader.
    // db::RowChanged when the row is gone or the cell is no longer a blob of
    // `size` bytes.
    QByteArray readBlob(const QString& table, const QString& column, int64_t rowid, int64_t size);

    void attach(StatementHolder* h);
    void detach(StatementHolder* h);

private:
    void inspect() const;
    QString path_;
    FileCheck fileCheck_;
    sqlite3* db_ = nullptr;
    std::vector<StatementHolder*> holders_;
    std::shared_ptr<Connection> self_{this, [](Connection*) {}};   // owns nothing
};

// Commits on commit(), rolls back if destroyed before.
class Transaction {
public:
    explicit Transaction(Connection& c) : c_(c) { c_.begin(); }
    ~Transaction() { if (!done_) { try { c_.rollback(); } catch (...) {} } }
    void commit() { c_.commit(); done_ = true; }
private:
    Connection& c_;
    bool done_ = false;
};

// Savepoint: rolled back to (and released) if destroyed before release().
class Savepoint {
public:
    Savepoint(Connection& c, QString name) : c_(c), name_(std::move(name)) { c_.savepoint(name_); }
    ~Savepoint() { if (!done_) { try { c_.rollbackTo(name_); } catch (...) {} } }
    void release() { c_.release(name_); done_ = true; }
private:
    Connection& c_;
    QString name_;
    bool done_ = false;
};

}
