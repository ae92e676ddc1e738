#include "pgdatabase.h"
#include "core/apperror.h"
#include "core/locations.h"
#include "core/value.h"
#include "libpq.h"
#include "store/address.h"
#include "store/tableaccess.h"

#include <QRegularExpression>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>
#include <poll.h>
#include <thread>

namespace gudang {

namespace {

std::map<QString, std::weak_ptr<PgDatabase>> &pool()
{
    static std::map<QString, std::weak_ptr<PgDatabase>> p;
    return p;
}

std::atomic<int> connectionsOpened { 0 };

// Whether a connection that waited is still open and idle: what the server sent meanwhile (a
// notice, or the end of the socket when it was restarted) is read first.
bool stillOpen(PGconn *conn)
{
    if (pq().PQstatus(conn) != CONNECTION_OK)
        return false;
    pollfd fd { pq().PQsocket(conn), POLLIN, 0 };
    if (fd.fd >= 0 && ::poll(&fd, 1, 0) > 0 && pq().PQconsumeInput(conn) == 0)
        return false;
    return pq().PQstatus(conn) == CONNECTION_OK && !pq().PQisBusy(conn)
        && pq().PQtransactionStatus(conn) == PQTRANS_IDLE;
}

// Connections kept for the next user of the same connection string: given back by a reader
// or by the program's connection when nobody held it any more, or opened ahead as a spare. A
// few are kept, the oldest closed first; those left are closed when the process ends.
class Keeper
{
public:
    static Keeper &instance()
    {
        // Never destroyed: a reader may give back its connection while the process ends. The
        // connections kept are closed at exit, while libpq is still there.
        static Keeper *keeper = [] {
            pq(); // loaded before, so still there when the connections are closed at exit
            auto *k = new Keeper;
            std::atexit([] { instance().closeAll(); });
            made().store(k);
            return k;
        }();
        return *keeper;
    }
    // The keeper, when a connection was ever kept by this process.
    static std::atomic<Keeper *> &made()
    {
        static std::atomic<Keeper *> keeper { nullptr };
        return keeper;
    }

    // A sound idle connection kept for the connection string, the spare being opened when
    // there is one (it is nearly there), or null.
    PGconn *take(const QString &conninfo)
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            for (auto it = m_kept.rbegin(); it != m_kept.rend(); ++it) {
                if (it->first != conninfo)
                    continue;
                PGconn *conn = it->second;
                m_kept.erase(std::next(it).base());
                lock.unlock();
                // The answer to what was sent on its way back (see giveBack()).
                while (PGresult *r = pq().PQgetResult(conn))
                    pq().PQclear(r);
                if (stillOpen(conn))
                    return conn;
                pq().PQfinish(conn);
                lock.lock();
                break; // look again from the newest
            }
            if (std::none_of(m_kept.begin(), m_kept.end(),
                             [&](const auto &k) { return k.first == conninfo; })) {
                if (!m_opening.count(conninfo))
                    return nullptr;
                m_ready.wait(lock);
            }
        }
    }

    void give(const QString &conninfo, PGconn *conn, bool wasOpening = false)
    {
        PGconn *closed = nullptr;
        {
            std::lock_guard lock(m_mutex);
            // A spare arriving is no longer being opened, and kept, in one step: whoever waits
            // for the spares (closeAll()) sees it either opening or kept.
            if (wasOpening)
                m_opening.erase(m_opening.find(conninfo));
            if (conn)
                m_kept.emplace_back(conninfo, conn);
            if (m_kept.size() > kKept) {
                closed = m_kept.front().second;
                m_kept.erase(m_kept.begin());
            }
        }
        m_ready.notify_all();
        if (closed)
            pq().PQfinish(closed);
    }

    // While the program's connection is open, `count` connections are kept ready beside it:
    // opened now, and anew when one is closed instead of given back.
    void keepSpares(const QString &conninfo, int count)
    {
        {
            std::lock_guard lock(m_mutex);
            if (count > 0)
                m_spares[conninfo] = count;
            else
                m_spares.erase(conninfo);
        }
        openSpares(conninfo, count);
    }
    void replaceClosed(const QString &conninfo)
    {
        int count = 0;
        {
            std::lock_guard lock(m_mutex);
            const auto it = m_spares.find(conninfo);
            count = it == m_spares.end() ? 0 : it->second;
        }
        openSpares(conninfo, count);
    }

    // Opens connections ahead on other threads, until `count` are kept or being opened.
    void openSpares(const QString &conninfo, int count)
    {
        int more = 0;
        {
            std::lock_guard lock(m_mutex);
            const auto have = std::count_if(m_kept.begin(), m_kept.end(),
                                            [&](const auto &k) { return k.first == conninfo; })
                + m_opening.count(conninfo);
            more = std::max(0, count - int(have));
            for (int i = 0; i < more; ++i)
                m_opening.insert(conninfo);
        }
        for (int i = 0; i < more; ++i) {
            std::thread([this, conninfo] {
                PGconn *conn = nullptr;
                try {
                    conn = PgDatabase::connect(conninfo);
                    warm(conn);
                } catch (const AppError &) {
                    // The one who needs it opens one and hears why it failed.
                }
                give(conninfo, conn, true);
            }).detach();
        }
    }

    // A new server process reads the catalogue on its first query of each table (several
    // milliseconds a table); a spare does it for the stock tables while nobody waits for it,
    // so a screen's first read does not. A table the role may not read costs nothing more.
    static void warm(PGconn *conn)
    {
        for (const char *table : { "tbrgkeluar", "tbarang", "tstok" }) {
            const QByteArray sql = QByteArray("SELECT ") + kPgRowId + " FROM " + table
                + " ORDER BY " + kPgRowId + " LIMIT 0";
            pq().PQclear(pq().PQexec(conn, sql.constData()));
        }
    }

    // Closes every connection kept, once the spares being opened have arrived.
    void closeAll()
    {
        std::vector<std::pair<QString, PGconn *>> kept;
        {
            std::unique_lock lock(m_mutex);
            m_ready.wait(lock, [this] { return m_opening.empty(); });
            kept.swap(m_kept);
        }
        for (auto &k : kept)
            pq().PQfinish(k.second);
    }

private:
    static constexpr size_t kKept = 6;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::vector<std::pair<QString, PGconn *>> m_kept; // oldest first
    std::multiset<QString> m_opening;
    std::map<QString, int> m_spares; // spares wanted, by connection string
};

// A connection for the connection string: a kept one (`kept` says so), or a new one.
PGconn *connection(const QString &conninfo, bool *kept)
{
    if (PGconn *conn = Keeper::instance().take(conninfo)) {
        *kept = true;
        return conn;
    }
    *kept = false;
    return PgDatabase::connect(conninfo);
}

// Gives a connection back to be kept when it is open and idle, or open with its transaction
// being taken back; closes it otherwise.
void giveBack(const QString &conninfo, PGconn *conn)
{
    bool ending = false;
    if (pq().PQstatus(conn) == CONNECTION_OK) {
        const PGTransactionStatusType state = pq().PQtransactionStatus(conn);
        // A transaction left open is ended on the connection's way back; whoever takes it next
        // reads the answer (nobody waits for it now).
        if (state == PQTRANS_INTRANS || state == PQTRANS_INERROR)
            ending = pq().PQsendQuery(conn, "ROLLBACK") == 1;
    }
    if (ending ? pq().PQstatus(conn) == CONNECTION_OK : stillOpen(conn)) {
        Keeper::instance().give(conninfo, conn);
    } else {
        // A reader stopped in the middle of a table (its screen closed), or the server closed
        // it: one is opened in its place meanwhile.
        pq().PQfinish(conn);
        Keeper::instance().replaceClosed(conninfo);
    }
}

QString serverName(const QString &conninfo)
{
    return serverDisplayName(serverAddress(conninfo));
}

QString errorText(const char *message)
{
    return QString::fromUtf8(message).trimmed();
}

// Dates and numbers as the program reads them; a session that cannot be set so is not used
// (dates would arrive in another form).
QString setUpSession(PGconn *conn)
{
    pq().PQsetNoticeProcessor(
        conn, [](void *, const char *) {}, nullptr);
    PGresult *r = pq().PQexec(conn, "SET DateStyle TO 'ISO, YMD'; SET extra_float_digits TO 1");
    const bool ok = pq().PQresultStatus(r) == PGRES_COMMAND_OK;
    const QString why = errorText(r ? pq().PQresultErrorMessage(r) : pq().PQerrorMessage(conn));
    pq().PQclear(r);
    return ok ? QString() : why;
}

AppError lostConnection(PGconn *conn)
{
    return AppError(
        QStringLiteral("Hubungan ke server database terputus: %1.\nYang sedang disimpan tidak "
                       "tersimpan sama sekali; ulangi setelah server dapat dihubungi lagi.")
            .arg(errorText(pq().PQerrorMessage(conn))),
        AppError::Kind::ConnectionLost, QByteArrayLiteral("08006"));
}

// A change whose answer the lost connection took: the server may have saved it or not.
QString unsureText()
{
    return QStringLiteral("Hubungan ke server database terputus sebelum server menjawab: "
                          "tersimpan atau tidaknya perubahan ini tidak diketahui. Periksa "
                          "datanya setelah server dapat dihubungi lagi sebelum mengulanginya.");
}

} // namespace

AppError serverError(pg_result *r, pg_conn *conn)
{
    if (pq().PQstatus(conn) != CONNECTION_OK)
        return lostConnection(conn);
    const QByteArray state = r ? QByteArray(pq().PQresultErrorField(r, PG_DIAG_SQLSTATE)) : "";
    const QString text = errorText(r ? pq().PQresultErrorMessage(r) : pq().PQerrorMessage(conn));
    const QString detail
        = r ? QString::fromUtf8(pq().PQresultErrorField(r, PG_DIAG_MESSAGE_DETAIL)) : QString();
    // The server's refusal in the program's words, the server's own after it.
    auto said = [&](const QString &what, AppError::Kind kind) {
        return AppError(QStringLiteral("%1\n(Server: %2)").arg(what, shortQuote(text)), kind, state,
                        detail.isEmpty() ? text : detail);
    };
    if (state == "23505")
        return said(QStringLiteral("Nilai itu sudah ada di server; data tidak disimpan."),
                    AppError::Kind::Unique);
    if (state == "42501")
        return said(QStringLiteral("Server database menolak: pengguna database ini tidak berhak "
                                   "melakukannya. Minta pengelola server memberi hak itu."),
                    AppError::Kind::Permission);
    if (state == "40001" || state == "40P01")
        return said(QStringLiteral("Server database tidak dapat menjalankan perubahan ini "
                                   "bersamaan dengan perubahan dari komputer lain; tidak ada "
                                   "yang disimpan. Ulangi."),
                    AppError::Kind::Serialization);
    if (state == "53100" || state.startsWith("53"))
        return said(QStringLiteral("Disk atau memori server database penuh; tidak ada yang "
                                   "disimpan. Minta pengelola server mengosongkan ruang, lalu "
                                   "ulangi."),
                    AppError::Kind::DiskFull);
    if (state.startsWith("08") || state == "57P01" || state == "57P02" || state == "57P03")
        return said(QStringLiteral("Hubungan ke server database terputus; yang sedang disimpan "
                                   "tidak tersimpan sama sekali. Ulangi setelah server dapat "
                                   "dihubungi lagi."),
                    AppError::Kind::ConnectionLost);
    return AppError(QStringLiteral("Perintah database gagal: %1.").arg(shortQuote(text)),
                    AppError::Kind::General, state, detail.isEmpty() ? text : detail);
}

int PgResult::rows() const
{
    return pq().PQntuples(m_r.get());
}

bool PgResult::isNull(int row, int column) const
{
    return pq().PQgetisnull(m_r.get(), row, column);
}

QByteArray PgResult::bytes(int row, int column) const
{
    return QByteArray(pq().PQgetvalue(m_r.get(), row, column),
                      pq().PQgetlength(m_r.get(), row, column));
}

void PgResult::clear(pg_result *r)
{
    pq().PQclear(r);
}

// BEGIN goes with the transaction's first statement; ROLLBACK (and the rollback actions) on
// destruction unless commit() succeeded.
class PgDatabase::Tx final : public Transaction
{
public:
    explicit Tx(std::shared_ptr<PgDatabase> db)
        : Transaction(*db)
        , m_db(std::move(db))
    {
        if (m_db->m_transaction)
            throw AppError(QStringLiteral("Transaksi database sudah berjalan."));
        m_db->ready();
        m_db->m_beginPending = true; // sent with the first statement
        m_db->m_transaction = this;
    }
    ~Tx() override
    {
        if (committed())
            return;
        m_db->m_later.clear();
        if (m_db->m_beginPending)
            m_db->m_beginPending = false; // nothing was sent
        else if (pq().PQstatus(m_db->m_conn) == CONNECTION_OK)
            pq().PQclear(pq().PQexec(m_db->m_conn, "ROLLBACK"));
        m_db->m_transaction = nullptr;
        takeBack();
    }
    void commit() override
    {
        try {
            if (!m_db->m_later.empty())
                m_db->together(
                    { QByteArray(), QByteArrayLiteral("COMMIT"), {}, {}, {} }); // one round trip
            else if (m_db->m_beginPending)
                m_db->m_beginPending = false; // nothing to commit
            else
                m_db->check(pq().PQexec(m_db->m_conn, "COMMIT"));
        } catch (const AppError &e) {
            // The COMMIT went; its answer did not come: the server may have kept all of it.
            if (e.kind() != AppError::Kind::ConnectionLost)
                throw;
            m_db->m_later.clear();
            m_db->m_beginPending = false;
            m_db->m_transaction = nullptr;
            markCommitted(); // nothing to take back here: the server has decided
            throw AppError(unsureText(), AppError::Kind::Unsure, e.sqlState(), e.detail());
        }
        markCommitted();
        m_db->m_transaction = nullptr;
    }

private:
    std::shared_ptr<PgDatabase> m_db;
};

PgDatabase::PgDatabase(QString conninfo, pg_conn *conn)
    : m_conninfo(std::move(conninfo))
    , m_address(serverAddress(m_conninfo))
    , m_conn(conn)
{ }

PgDatabase::~PgDatabase()
{
    Keeper::instance().keepSpares(m_conninfo, 0);
    // Kept for the next one who opens the server; its prepared statements go with this.
    if (!m_prepared.empty() && stillOpen(m_conn))
        pq().PQclear(pq().PQexec(m_conn, "DEALLOCATE ALL"));
    giveBack(m_conninfo, m_conn);
}

namespace {

// Seconds a connection may take when the address does not say (connect_timeout).
constexpr int kConnectSeconds = 5;

int connectSeconds(const QByteArray &info)
{
    int seconds = kConnectSeconds;
    if (PQconninfoOption *options = pq().PQconninfoParse(info.constData(), nullptr)) {
        for (PQconninfoOption *o = options; o->keyword; ++o) {
            if (QByteArray(o->keyword) == "connect_timeout" && o->val && *o->val) {
                bool ok = false;
                const int given = QByteArray(o->val).toInt(&ok);
                if (ok && given > 0)
                    seconds = std::max(2, given); // as libpq reads it
            }
        }
        pq().PQconninfoFree(options);
    }
    return seconds;
}

// The server's SQLSTATE in a connection's error, which libpq writes after the severity when
// its errors are verbose ("FATAL:  28P01: ..."); empty when the server said nothing (it could
// not be reached).
QByteArray connectState(const QByteArray &message)
{
    static const QRegularExpression said(
        QStringLiteral("(?:FATAL|ERROR|PANIC):\\s+([0-9A-Z]{5}):"));
    const QRegularExpressionMatch m = said.match(QString::fromUtf8(message));
    return m.hasMatch() ? m.captured(1).toLatin1() : QByteArray();
}

} // namespace

AppError connectError(const QString &conninfo, const QByteArray &state, const QString &why,
                      bool needsPassword)
{
    const QString where = serverName(conninfo);
    const auto error = [&](const QString &text, AppError::Kind kind, const QByteArray &code) {
        return AppError(text, kind, code, why);
    };
    // Decided by the server's SQLSTATE and libpq's password status, never by the words.
    if (state == "28P01" || (state.isEmpty() && needsPassword))
        return error(
            QStringLiteral("Server database (%1) menolak nama atau password ini.").arg(where),
            AppError::Kind::CannotOpen, QByteArrayLiteral("28P01"));
    if (state == "28000")
        return error(QStringLiteral("Server database (%1) tidak mengenal user ini atau tidak "
                                    "mengizinkannya masuk (dinonaktifkan).")
                         .arg(where),
                     AppError::Kind::CannotOpen, state);
    if (state == "42501")
        return error(QStringLiteral("User ini tidak berhak masuk ke database toko di %1: sudah "
                                    "dinonaktifkan, atau user toko lain.")
                         .arg(where),
                     AppError::Kind::CannotOpen, state);
    if (state == "3D000")
        return error(QStringLiteral("Database toko tidak ada di %1: periksa nama database "
                                    "(dbname) pada alamat server.")
                         .arg(where),
                     AppError::Kind::CannotOpen, state);
    if (state == "53300")
        return error(QStringLiteral("Server database (%1) sedang penuh: terlalu banyak komputer "
                                    "tersambung. Coba lagi sebentar lagi.")
                         .arg(where),
                     AppError::Kind::CannotOpen, state);
    return error(QStringLiteral("Server database tidak dapat dihubungi (%1): %2\nPeriksa "
                                "server dan jaringannya, lalu coba lagi.")
                     .arg(where, why),
                 AppError::Kind::CannotOpen, state);
}

pg_conn *PgDatabase::connect(const QString &conninfo)
{
    const QByteArray info = conninfo.toUtf8();
    const int seconds = connectSeconds(info);
    const QByteArray timeout = QByteArray::number(seconds);
    // The address comes last, so that what it says itself holds.
    const char *keys[]
        = { "application_name", "client_encoding", "connect_timeout", "dbname", nullptr };
    const char *values[] = { "gudang", "UTF8", timeout.constData(), info.constData(), nullptr };
    PGconn *conn = pq().PQconnectStartParams(keys, values, 1);
    ++connectionsOpened;
    if (!conn)
        throw AppError(QStringLiteral("Server database tidak dapat dihubungi: memori habis."),
                       AppError::Kind::CannotOpen);
    pq().PQsetErrorVerbosity(conn, PQERRORS_VERBOSE);
    // Step by step, with the time limit kept here: a host that does not answer does not hold
    // the window for the system's own TCP wait.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    PostgresPollingStatusType state = PGRES_POLLING_WRITING;
    bool timedOut = false;
    while (pq().PQstatus(conn) != CONNECTION_BAD && state != PGRES_POLLING_OK
           && state != PGRES_POLLING_FAILED) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd fd { pq().PQsocket(conn), short(state == PGRES_POLLING_READING ? POLLIN : POLLOUT),
                    0 };
        const int ready = fd.fd < 0 ? 1 : ::poll(&fd, 1, int(left.count()));
        if (ready == 0) {
            timedOut = true;
            break;
        }
        if (ready < 0 && errno != EINTR)
            break;
        state = pq().PQconnectPoll(conn);
    }
    if (timedOut || pq().PQstatus(conn) != CONNECTION_OK) {
        const QByteArray message = pq().PQerrorMessage(conn);
        const bool needsPassword = pq().PQconnectionNeedsPassword(conn) == 1;
        pq().PQfinish(conn);
        throw connectError(conninfo, timedOut ? QByteArray() : connectState(message),
                           timedOut ? QStringLiteral("tidak menjawab dalam %1 detik").arg(seconds)
                                    : errorText(message.constData()),
                           needsPassword);
    }
    pq().PQsetErrorVerbosity(conn, PQERRORS_DEFAULT);
    if (const QString why = setUpSession(conn); !why.isEmpty()) {
        pq().PQfinish(conn);
        throw AppError(QStringLiteral("Sesi server database tidak dapat disiapkan (%1): %2")
                           .arg(serverName(conninfo), why),
                       AppError::Kind::CannotOpen);
    }
    return conn;
}

int PgDatabase::connectionsMade()
{
    return connectionsOpened.load();
}

PgReadConnection::PgReadConnection(const QString &conninfo)
    : m_conninfo(conninfo)
    , m_conn(connection(conninfo, &m_waited))
{ }

pg_result *PgReadConnection::first(const QByteArray &sql)
{
    const bool waited = std::exchange(m_waited, false);
    PGresult *r = pq().PQexec(m_conn, sql.constData());
    if (!waited || pq().PQstatus(m_conn) == CONNECTION_OK)
        return r;
    pq().PQclear(r);
    pq().PQfinish(std::exchange(m_conn, nullptr));
    m_conn = PgDatabase::connect(m_conninfo);
    return pq().PQexec(m_conn, sql.constData());
}

PgReadConnection::~PgReadConnection()
{
    giveBack(m_conninfo, m_conn);
}

void PgDatabase::closeKept()
{
    if (Keeper *keeper = Keeper::made().load())
        keeper->closeAll();
}

std::shared_ptr<PgDatabase> PgDatabase::open(const QString &conninfo)
{
    auto &p = pool();
    if (auto db = p[conninfo].lock())
        return db;
    bool kept = false;
    std::shared_ptr<PgDatabase> db(new PgDatabase(conninfo, connection(conninfo, &kept)));
    p[conninfo] = db;
    // The tables a screen reads want connections of their own while they are read on behind
    // it: the goods-out screen reads three. They are opened meanwhile.
    Keeper::instance().keepSpares(conninfo, 3);
    return db;
}

void PgDatabase::valueLastMovement(Transaction &, std::optional<double> price)
{
    // Nobody reads its answer: it goes with the transaction's next statement or its commit.
    execKeptLater(
        "gudang_nilai", "SELECT gudang_nilai($1)",
        { price ? std::optional<QByteArray>(QByteArray::number(*price, 'g', 17)) : std::nullopt });
}

std::unique_ptr<TableAccess> PgDatabase::table(const TableDef &table)
{
    return openServerTable(std::static_pointer_cast<PgDatabase>(shared_from_this()), table);
}

std::unique_ptr<Transaction> PgDatabase::begin()
{
    return std::make_unique<Tx>(std::static_pointer_cast<PgDatabase>(shared_from_this()));
}

void PgDatabase::ready()
{
    if (m_transaction) {
        if (pq().PQstatus(m_conn) != CONNECTION_OK)
            throw lostConnection(m_conn);
        return;
    }
    // A server that was restarted (or an idle timeout, a failover, the end of an SSL session)
    // closed the connection meanwhile: what it sent, or the end of the socket, says so before
    // a command is sent in vain.
    // (A server stopped sends its farewell, then the end: both are read.)
    for (int look = 0; look < 3 && pq().PQstatus(m_conn) == CONNECTION_OK; ++look) {
        pollfd fd { pq().PQsocket(m_conn), POLLIN, 0 };
        if (fd.fd < 0 || ::poll(&fd, 1, 0) <= 0)
            break;
        if (pq().PQconsumeInput(m_conn) == 0) {
            reconnect();
            break;
        }
    }
    if (pq().PQstatus(m_conn) != CONNECTION_OK)
        reconnect();
}

void PgDatabase::reconnect()
{
    m_prepared.clear();
    PGconn *fresh = connect(m_conninfo); // throws, and this one stays closed, when it fails
    pq().PQfinish(std::exchange(m_conn, fresh));
}

PgResult PgDatabase::check(pg_result *r)
{
    PgResult result(r);
    const ExecStatusType status = r ? pq().PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_COPY_IN
        || status == PGRES_COPY_OUT)
        return result;
    if (pq().PQstatus(m_conn) != CONNECTION_OK)
        m_prepared.clear();
    throw serverError(r, m_conn);
}

struct ParamArrays
{
    explicit ParamArrays(const PgParams &params)
    {
        for (const auto &p : params) {
            values.push_back(p ? p->constData() : nullptr);
            lengths.push_back(p ? int(p->size()) : 0);
        }
    }
    std::vector<const char *> values;
    std::vector<int> lengths;
};

PgResult PgDatabase::exec(const QByteArray &sql, const PgParams &params)
{
    return again(
        [&] {
            ready();
            if (!m_later.empty())
                together({ QByteArray(), QByteArrayLiteral("SELECT 1"), {}, {}, {} });
            sendPendingBegin();
            if (params.empty())
                return check(pq().PQexec(m_conn, sql.constData()));
            ParamArrays a(params);
            return check(pq().PQexecParams(m_conn, sql.constData(), int(params.size()), nullptr,
                                           a.values.data(), a.lengths.data(), nullptr, 0));
        },
        sql);
}

PgResult PgDatabase::execOnce(const QByteArray &sql, const PgParams &params, const QByteArray &name)
{
    if (m_transaction)
        return name.isEmpty() ? exec(sql, params) : execKept(name, sql, params);
    ready();
    try {
        if (!name.isEmpty()) // prepared once per connection, in the same round trip
            return together({ name, toPrepare(name, sql), params, {}, {} });
        ParamArrays a(params);
        return check(pq().PQexecParams(m_conn, sql.constData(), int(params.size()), nullptr,
                                       a.values.data(), a.lengths.data(), nullptr, 0));
    } catch (const AppError &e) {
        if (e.kind() != AppError::Kind::ConnectionLost)
            throw;
        m_prepared.clear();
        throw AppError(unsureText(), AppError::Kind::Unsure, e.sqlState(), e.detail());
    }
}

PgResult PgDatabase::execKept(const QByteArray &name, const QByteArray &sql, const PgParams &params)
{
    return again(
        [&] {
            ready();
            return together({ name, toPrepare(name, sql), params, {}, {} });
        },
        sql);
}

void PgDatabase::execKeptLater(const QByteArray &name, const QByteArray &sql,
                               const PgParams &params, Wording said, Taking took)
{
    if (!m_transaction) {
        again(
            [&] {
                ready();
                PgResult r = together({ name, toPrepare(name, sql), params, said, {} });
                if (took)
                    took(r);
                return r;
            },
            sql);
        return;
    }
    ready();
    m_later.push_back({ name, toPrepare(name, sql), params, std::move(said), std::move(took) });
}

QByteArray PgDatabase::toPrepare(const QByteArray &name, const QByteArray &sql) const
{
    if (m_prepared.count(name))
        return QByteArray();
    for (const Statement &s : m_later) {
        if (s.name == name && !s.sql.isEmpty())
            return QByteArray(); // prepared by a statement waiting before it
    }
    return sql;
}

PgResult PgDatabase::together(Statement last)
{
    std::vector<Statement> all;
    all.reserve(m_later.size() + 2);
    if (m_beginPending)
        all.push_back({ QByteArray(), QByteArrayLiteral("BEGIN"), {}, {}, {} });
    for (Statement &s : m_later)
        all.push_back(std::move(s));
    m_later.clear();
    m_beginPending = false;
    all.push_back(std::move(last));
    if (all.size() == 1 && !all.front().said && !all.front().took
        && (all.front().name.isEmpty() || all.front().sql.isEmpty())) {
        const Statement &s = all.front();
        if (s.name.isEmpty())
            return check(pq().PQexec(m_conn, s.sql.constData()));
        ParamArrays a(s.params);
        return check(pq().PQexecPrepared(m_conn, s.name.constData(), int(s.params.size()),
                                         a.values.data(), a.lengths.data(), nullptr, 0));
    }
    pq().PQenterPipelineMode(m_conn);
    for (const Statement &s : all) {
        if (s.name.isEmpty()) {
            pq().PQsendQueryParams(m_conn, s.sql.constData(), 0, nullptr, nullptr, nullptr, nullptr,
                                   0);
            continue;
        }
        if (!s.sql.isEmpty()) // prepared first, in the same round trip
            pq().PQsendPrepare(m_conn, s.name.constData(), s.sql.constData(), 0, nullptr);
        ParamArrays a(s.params);
        pq().PQsendQueryPrepared(m_conn, s.name.constData(), int(s.params.size()), a.values.data(),
                                 a.lengths.data(), nullptr, 0);
    }
    pq().PQpipelineSync(m_conn);
    // One result per message (a preparation, a statement), each followed by a null; then the
    // sync's.
    auto next = [this] {
        if (pq().PQstatus(m_conn) != CONNECTION_OK)
            return PgResult(nullptr);
        PGresult *r = pq().PQgetResult(m_conn);
        PgResult result(r);
        while (r && (r = pq().PQgetResult(m_conn)) != nullptr)
            pq().PQclear(r);
        return result;
    };
    std::vector<PgResult> results;
    for (const Statement &s : all) {
        if (!s.name.isEmpty() && !s.sql.isEmpty()) {
            PgResult prepared = next();
            if (prepared.get() && pq().PQresultStatus(prepared.get()) == PGRES_COMMAND_OK)
                m_prepared.insert(s.name);
            else if (prepared.get()
                     && pq().PQresultStatus(prepared.get()) != PGRES_PIPELINE_ABORTED) {
                results.push_back(std::move(prepared)); // its failure stands for the statement
                next();
                continue;
            }
        }
        results.push_back(next());
    }
    PGresult *sync = pq().PQstatus(m_conn) == CONNECTION_OK ? pq().PQgetResult(m_conn) : nullptr;
    pq().PQclear(sync);
    pq().PQexitPipelineMode(m_conn);
    // The first failure is the one to say; those after it were not run.
    for (size_t i = 0; i < all.size(); ++i) {
        PGresult *r = results[i].release();
        try {
            if (i + 1 == all.size())
                return check(r);
            const PgResult taken = check(r);
            if (all[i].took)
                all[i].took(taken);
        } catch (const AppError &e) {
            if (all[i].said)
                throw all[i].said(e);
            throw;
        }
    }
    throw serverError(nullptr, m_conn);
}

// A command that found the connection gone, where nothing of it can have taken effect (outside
// a transaction, only reads are sent; a transaction's first statement goes with its BEGIN): the
// connection is opened anew and the command sent once more, so that the first action after a
// restart of the server works at the first try.
PgResult PgDatabase::again(const std::function<PgResult()> &command, const QByteArray &sql)
{
    // Statements waiting to be sent are not sent again: a lost connection took them. Outside
    // a transaction only a read is sent again: a change may have been done before the
    // connection went.
    const bool read = sql.trimmed().left(6).toUpper() == "SELECT";
    const bool fresh = ((!m_transaction && read) || m_beginPending) && m_later.empty();
    const bool pending = m_beginPending;
    try {
        return command();
    } catch (const AppError &e) {
        if (!fresh || e.kind() != AppError::Kind::ConnectionLost)
            throw;
    }
    m_beginPending = pending;
    m_prepared.clear();
    if (m_transaction && !m_beginPending)
        throw lostConnection(m_conn);
    reconnect();
    return command();
}

void PgDatabase::sendPendingBegin()
{
    if (!m_beginPending)
        return;
    m_beginPending = false;
    check(pq().PQexec(m_conn, "BEGIN"));
}

QByteArray pgColumn(const ColumnDef &column)
{
    return '"' + column.name.toLower().toUtf8() + '"';
}

QByteArray pgType(const ColumnDef &column)
{
    switch (column.kind) {
    case ColumnKind::Text:
        return column.maxLength > 0 ? "varchar(" + QByteArray::number(column.maxLength) + ')'
                                    : QByteArrayLiteral("text");
    case ColumnKind::Number:
        return QByteArrayLiteral("double precision");
    case ColumnKind::Date:
        return QByteArrayLiteral("timestamp(0) without time zone");
    case ColumnKind::AutoNumber:
        return QByteArrayLiteral("integer");
    }
    return QByteArray();
}

} // namespace gudang
