#pragma once

#include "schema.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace gudang {

class Database;

// A prepared statement; finalised when it goes out of scope.
class Statement
{
public:
    Statement(Database &db, const char *sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    sqlite3_stmt *get() const { return m_stmt; }
    // Steps once; true while a row is available. Failures throw AppError.
    bool step();
    void reset();

private:
    Database &m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

// One SQLite database file, opened once per process and shared by every record source on it,
// so that writes through several record sources can take part in one transaction.
class Database
{
public:
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // Opens an existing file; a missing or unreadable file fails. Never creates or empties it.
    static std::shared_ptr<Database> open(const QString &path);
    // Creates the file with its folder and the tables of its role when they are missing; a
    // table of a later schema version is added to an existing file (the journal with an opening
    // balance per code), and the file's version set.
    static void create(const QString &path, DbRole role);
    // An existing file of an earlier schema version is brought up to this program's.
    static void upgrade(const QString &path, DbRole role);

    const QString &path() const { return m_path; }
    sqlite3 *handle() const { return m_db; }

    void exec(const char *sql);
    // Before a write outside a transaction: after a failure that a fresh connection may cure
    // (read-only, full, busy, an I/O error) or on a connection that SQLite opened read-only,
    // the connection is opened anew, so that the same action works once the cause is gone.
    // Statements prepared on the old connection must be prepared again: generation() changes.
    void readyForWrite();
    int generation() const { return m_generation; }
    // Throws AppError for an SQLite result code; `what` says what was being done.
    [[noreturn]] void fail(int rc, const QString &what) const;

    bool inTransaction() const { return m_transaction != nullptr; }
    // Record sources register how to take back a change of their snapshot; the actions run
    // in reverse order when the transaction is rolled back.
    void addUndo(std::function<void()> undo);

    // All-or-nothing: BEGIN IMMEDIATE on construction, ROLLBACK (and undo of the snapshots)
    // on destruction unless commit() succeeded.
    class Transaction
    {
    public:
        explicit Transaction(Database &db);
        ~Transaction();
        Transaction(const Transaction &) = delete;
        Transaction &operator=(const Transaction &) = delete;
        void commit();

    private:
        friend class Database;
        Database &m_db;
        std::vector<std::function<void()>> m_undo;
        bool m_done = false;
    };

private:
    Database(QString path, sqlite3 *db);
    static bool tableExists(Database &db, const char *table);
    static sqlite3 *openHandle(const QString &path, bool create);
    // Runs a statement that is prepared on first use and kept.
    void runKept(std::unique_ptr<Statement> &kept, const char *sql);

    QString m_path;
    sqlite3 *m_db = nullptr;
    Transaction *m_transaction = nullptr;
    mutable bool m_stale = false; // a write failed in a way a fresh connection may cure
    int m_generation = 0;
    std::unique_ptr<Statement> m_begin, m_commit;
};

} // namespace gudang
