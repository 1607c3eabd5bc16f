#pragma once
#include <QString>
#include <memory>

struct sqlite3;

namespace db {

// The one connection of the program. Opens lazily with the first statement,
// read-write, never creating the file: a missing file is an Error that names
// the file and the cause. WAL journal, synchronous=FULL, busy timeout.
class Connection {
public:
    static constexpr const char* kDefaultPath = "./db_corvelin_Data.mdb";

    explicit Connection(QString path = QString::fromLatin1(kDefaultPath));
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const QString& path() const { return path_; }
    bool isOpen() const { return db_ != nullptr; }
    sqlite3* handle();          // opens on first use; throws Error
    void close();               // finalizes cached statements too

    // Statements that return no rows, run directly (no parameters).
    void exec(const QString& sql);

    // Transactions. Nested use goes through savepoints.
    void begin();
    void commit();
    void rollback();
    bool inTransaction() const;
    void savepoint(const QString& name);
    void release(const QString& name);
    void rollbackTo(const QString& name);   // and releases it

    // Last error text of the engine, for messages.
    QString lastError() const;

private:
    QString path_;
    sqlite3* db_ = nullptr;
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
