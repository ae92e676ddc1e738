#pragma once

#include "locations.h"
#include "schema.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

struct pg_conn;
struct pg_result;

namespace gudang {

// A result of the server; cleared when it goes out of scope.
class PgResult
{
public:
    PgResult() = default;
    explicit PgResult(pg_result *r)
        : m_r(r, &clear)
    { }
    pg_result *get() const { return m_r.get(); }
    pg_result *release() { return m_r.release(); }
    int rows() const;
    bool isNull(int row, int column) const;
    QByteArray bytes(int row, int column) const;
    QString text(int row, int column) const { return QString::fromUtf8(bytes(row, column)); }

private:
    static void clear(pg_result *r);
    std::unique_ptr<pg_result, void (*)(pg_result *)> m_r { nullptr, &clear };
};

using PgParams = std::vector<std::optional<QByteArray>>;

// One connection to a PostgreSQL server, opened once per process and connection string and
// shared by every record source on it, so that writes through several record sources can take
// part in one transaction. A connection the server closed is opened anew before the next
// command outside a transaction; a connection lost in the middle of one fails that command,
// and the server has taken back all of it.
class PgDatabase
{
public:
    ~PgDatabase();
    PgDatabase(const PgDatabase &) = delete;
    PgDatabase &operator=(const PgDatabase &) = delete;

    static std::shared_ptr<PgDatabase> open(const QString &conninfo);
    // A connection of its own (for reading a whole table on another thread); the caller
    // finishes it with PQfinish. Failures throw AppError.
    static pg_conn *connect(const QString &conninfo);

    pg_conn *handle() const { return m_conn; }
    const QString &conninfo() const { return m_conninfo; }

    PgResult exec(const QByteArray &sql, const PgParams &params = {});
    // Runs a statement that is prepared on first use under `name` and kept.
    PgResult execKept(const QByteArray &name, const QByteArray &sql, const PgParams &params);
    // SQLSTATE and detail of the last failed command.
    const QByteArray &lastState() const { return m_lastState; }
    const QString &lastDetail() const { return m_lastDetail; }

    bool inTransaction() const { return m_transaction != nullptr; }
    void addUndo(std::function<void()> undo);

    // All-or-nothing: BEGIN on construction, ROLLBACK (and undo of the snapshots) on
    // destruction unless commit() succeeded.
    class Transaction
    {
    public:
        explicit Transaction(PgDatabase &db);
        ~Transaction();
        Transaction(const Transaction &) = delete;
        Transaction &operator=(const Transaction &) = delete;
        void commit();

    private:
        friend class PgDatabase;
        PgDatabase &m_db;
        std::vector<std::function<void()>> m_undo;
        bool m_done = false;
    };

private:
    PgDatabase(QString conninfo, pg_conn *conn);
    void ready();
    void sendPendingBegin();
    PgResult check(pg_result *r, const QByteArray &sql);

    QString m_conninfo;
    pg_conn *m_conn = nullptr;
    Transaction *m_transaction = nullptr;
    bool m_beginPending = false; // a transaction began; BEGIN goes with its first statement
    std::set<QByteArray> m_prepared; // on the connection as it is now
    QByteArray m_lastState;
    QString m_lastDetail;
};

// A column's name on the server (folded to lower case, as unquoted SQL names it), quoted.
QByteArray pgColumn(const ColumnDef &column);
// The server's type of a column.
QByteArray pgType(const ColumnDef &column);
// The server's row identity of every table of ours: a column after the program's own.
inline constexpr const char *kPgRowId = "id_baris";

// The tables of ours on the server, all four in one database (credentials beside the
// working tables), and a schema version. Returns what it did, for the terminal; a database
// holding a table of ours with other columns is refused with AppError and nothing is created.
QString initServer(const QString &conninfo);
// Empty when the server holds every table of ours as the program needs it; otherwise what is
// missing or different, said for the user.
QString serverSchemaProblem(const QString &conninfo);
// Copies the four tables of a data folder to the server in one transaction, after creating
// the tables where they are missing. Refuses a server whose tables already hold rows. Returns
// the rows copied per table, for the terminal.
QString copyToServer(const Locations &from, const QString &conninfo);
// Brings the tables on a server of an earlier schema version up to this program's (the journal,
// with an opening balance per code).
void upgradeServer(const QString &conninfo);
// True when the table tpass on the server holds no row (the first-run window is due).
bool serverHasNoUsers(const QString &conninfo);

} // namespace gudang
