#pragma once

#include "core/apperror.h"
#include "core/schema.h"
#include "store/reportquery.h"
#include "store/store.h"

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

// A server's refusal as an AppError in the program's words, of its kind, with the server's
// SQLSTATE and text: permission, a lost connection, a full disk, a unique value, two
// transactions that could not be kept apart, or any other.
AppError serverError(pg_result *result, pg_conn *conn);
// A connection that did not open, by the server's SQLSTATE (a wrong password 28P01, a role
// that does not exist or may not log in 28000, no right to the database 42501, no such
// database 3D000, too many connections 53300; none: not reached) and libpq's password status,
// each said in its own words; `why` is the server's or libpq's own.
AppError connectError(const QString &conninfo, const QByteArray &state, const QString &why,
                      bool needsPassword);

// One connection to a PostgreSQL server, opened once per process and connection string and
// shared by every record source and service on it; kept for the next opening when nobody
// holds it any more. A connection the server closed is opened
// anew before the next command outside a transaction; a connection lost in the middle of one
// fails that command, and the server has taken back all of it.
class PgDatabase final : public Store
{
public:
    ~PgDatabase() override;
    PgDatabase(const PgDatabase &) = delete;
    PgDatabase &operator=(const PgDatabase &) = delete;

    static std::shared_ptr<PgDatabase> open(const QString &conninfo);
    // A new connection; the caller finishes it with PQfinish. Failures throw AppError.
    static pg_conn *connect(const QString &conninfo);
    // Connections opened by this process so far.
    static int connectionsMade();
    // Closes the connections kept for later use (as the end of the process does).
    static void closeKept();

    const QString &address() const override { return m_address; }
    bool isServer() const override { return true; }
    std::unique_ptr<TableAccess> table(const TableDef &table) override;
    std::unique_ptr<Transaction> begin() override;
    Transaction *openTransaction() const override { return m_transaction; }
    void valueLastMovement(Transaction &tx, std::optional<double> price) override;

    pg_conn *handle() const { return m_conn; }
    const QString &conninfo() const { return m_conninfo; }

    // A read, or a statement of the open transaction: after a lost connection a read, and a
    // transaction's first statement (sent with its BEGIN), are sent once more on a new one.
    PgResult exec(const QByteArray &sql, const PgParams &params = {});
    // A statement that changes something on its own (outside a transaction): never sent again.
    // A connection lost before its answer came throws Kind::Unsure: it may have been done.
    // With a `name`, the statement is prepared on first use and kept, as execKept() does.
    PgResult execOnce(const QByteArray &sql, const PgParams &params = {},
                      const QByteArray &name = {});
    // Runs a statement that is prepared on first use under `name` and kept.
    PgResult execKept(const QByteArray &name, const QByteArray &sql, const PgParams &params);
    // Like execKept() inside the open transaction, for a statement whose result nobody reads:
    // it goes to the server with the transaction's next statement or its COMMIT, in one round
    // trip with them; its failure is said by that statement or the commit, and nothing of the
    // transaction stays. `said` words its failure, when given.
    using Wording = std::function<AppError(const AppError &)>;
    // `took` is given the statement's result once it has come.
    using Taking = std::function<void(const PgResult &)>;
    void execKeptLater(const QByteArray &name, const QByteArray &sql, const PgParams &params,
                       Wording said = {}, Taking took = {});

private:
    class Tx;
    PgDatabase(QString conninfo, pg_conn *conn);
    void ready();
    void reconnect();
    void sendPendingBegin();
    PgResult check(pg_result *r);
    struct Statement
    {
        QByteArray name; // a prepared statement's; empty: `sql` without parameters
        QByteArray sql; // with a name: prepared first, in the same round trip
        PgParams params;
        Wording said;
        Taking took;
    };
    // The statement's text when it still has to be prepared (on the connection, or by one
    // waiting to be sent); empty when it is.
    QByteArray toPrepare(const QByteArray &name, const QByteArray &sql) const;
    // The statements waiting (BEGIN first when it is pending), then this one, in one round
    // trip; the last one's result. The first that failed is thrown.
    PgResult together(Statement last);
    PgResult again(const std::function<PgResult()> &command, const QByteArray &sql);

    QString m_conninfo;
    QString m_address;
    pg_conn *m_conn = nullptr;
    Transaction *m_transaction = nullptr;
    bool m_beginPending = false; // a transaction began; BEGIN goes with its first statement
    std::set<QByteArray> m_prepared; // on the connection as it is now
    std::vector<Statement> m_later; // of the open transaction, not sent yet
};

// A connection for reading on its own (a whole table on the loading thread, a report's
// snapshot): a kept one when one is sound and idle (given back by an earlier reader, or by the
// program's connection, or opened ahead when the program's connection was opened), else a new
// one. It goes back to be kept when this reader is done with it and it is idle (a reader that
// stopped in the middle of a COPY, or a connection in trouble, is closed instead), so a screen
// opened again costs no new connection. Usable from any thread.
class PgReadConnection
{
public:
    explicit PgReadConnection(const QString &conninfo);
    ~PgReadConnection();
    PgReadConnection(const PgReadConnection &) = delete;
    PgReadConnection &operator=(const PgReadConnection &) = delete;
    pg_conn *get() const { return m_conn; }
    // A command; the first one on a connection that waited, and that the server closed
    // meanwhile without a sign, is sent once more on a new connection.
    pg_result *first(const QByteArray &sql);

private:
    QString m_conninfo;
    bool m_waited = false; // kept from before, not used since (before m_conn: set with it)
    pg_conn *m_conn = nullptr;
};

// A column's name on the server (folded to lower case, as unquoted SQL names it), quoted.
QByteArray pgColumn(const ColumnDef &column);
// The server's type of a column.
QByteArray pgType(const ColumnDef &column);
// The server's row identity of every table of ours: a column after the program's own.
inline constexpr const char *kPgRowId = "id_baris";

class CopySource;
// True when the table tpass on the server holds no row (pgschema.cpp).
bool serverHasNoUsers(const QString &conninfo);
// Copies the tables of a database (credentials and working tables, the credentials from a
// source of their own where they live apart) to the server in one transaction (pgschema.cpp).
QString copyToServer(CopySource *credentials, CopySource &working, const QString &conninfo);

// A table access of a server's table (pgtable.cpp).
std::unique_ptr<TableAccess> openServerTable(std::shared_ptr<PgDatabase> db, const TableDef &table);
// A report's query on a server (pgreport.cpp).
std::unique_ptr<ReportQuery> openServerReportQuery(const QString &conninfo, const QString &sql,
                                                   const QueryParameters &parameters,
                                                   int secondsWithoutRow,
                                                   const QueryProgress &progress);

} // namespace gudang
