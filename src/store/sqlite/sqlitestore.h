#pragma once

#include "core/apperror.h"
#include "store/reportquery.h"
#include "store/store.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace gudang {

class SqliteStore;

// A prepared statement; finalised when it goes out of scope.
class Statement
{
public:
    Statement(SqliteStore &db, const char *sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    sqlite3_stmt *get() const { return m_stmt; }
    // Steps once; true while a row is available. Failures throw AppError.
    bool step();
    void reset();

private:
    SqliteStore &m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

// One SQLite database file, opened once per process and shared by every record source and
// service on it.
class SqliteStore final : public Store
{
public:
    ~SqliteStore() override;
    SqliteStore(const SqliteStore &) = delete;
    SqliteStore &operator=(const SqliteStore &) = delete;

    // Opens an existing file; a missing or unreadable file fails. Never creates or empties it.
    static std::shared_ptr<SqliteStore> open(const QString &path);

    const QString &address() const override { return m_path; }
    bool isServer() const override { return false; }
    std::unique_ptr<TableAccess> table(const TableDef &table) override;
    std::unique_ptr<Transaction> begin() override;
    Transaction *openTransaction() const override { return m_transaction; }

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

    // A connection of the file for its creation (the folder and file may be new).
    static std::shared_ptr<SqliteStore> openForCreate(const QString &path);
    bool tableExists(const char *table);
    bool columnExists(const QString &table, const QString &column);

    void valueLastMovement(Transaction &tx, std::optional<double> price) override;

private:
    class Tx;
    SqliteStore(QString path, sqlite3 *db);
    static sqlite3 *openHandle(const QString &path, bool create);
    // Runs a statement that is prepared on first use and kept.
    void runKept(std::unique_ptr<Statement> &kept, const char *sql);

    QString m_path;
    sqlite3 *m_db = nullptr;
    Transaction *m_transaction = nullptr;
    mutable bool m_stale = false; // a write failed in a way a fresh connection may cure
    int m_generation = 0;
    std::unique_ptr<Statement> m_begin, m_commit;
    struct ValueStatements;
    std::unique_ptr<ValueStatements> m_values;
    int m_valuesGeneration = -1;
};

// The statements that value a journal row (sqlitevalues.cpp).
struct SqliteStore::ValueStatements
{
    explicit ValueStatements(SqliteStore &db);
    Statement journal, position, row, now, day, later;
};

// The kind of failure of an SQLite result code.
AppError::Kind sqliteKind(int rc);
// The failure said for the user: busy, full, read-only, damaged..., or SQLite's own words.
QString sqliteReason(int rc, sqlite3 *db);

// A report's query on a file (sqlitereport.cpp).
std::unique_ptr<ReportQuery> openSqliteReportQuery(const QString &path, const QString &sql,
                                                   const QueryParameters &parameters,
                                                   int secondsWithoutRow,
                                                   const QueryProgress &progress);

// A table access of a file's table (sqlitetable.cpp).
std::unique_ptr<TableAccess> openSqliteTable(std::shared_ptr<SqliteStore> store,
                                             const TableDef &table);

} // namespace gudang
