// The server as the boundary: what a person of a store can do with psql, whatever the program
// does, and what the program does when the server shuts a person out. Run on the test server.
#include "app/startup.h"
#include "core/schema.h"
#include "screens/issue/frmkeluar.h"
#include "screens/shell/frmpas.h"
#include "screens/shell/frmutama.h"
#include "stock/stockservice.h"
#include "store/address.h"
#include "store/postgres/pgusers.h"
#include "store/serverusers.h"
#include "store/setup.h"
#include "support.h"
#include "users/users.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>
#include <arpa/inet.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace gudang;
using gudang::test::Env;
using gudang::test::ownerOf;
using gudang::test::uniqueName;

namespace {

void fill(Env &env)
{
    env.setCredentials({ { "admin", "rahasia" } });
    Env::exec(env.locations.workingPath(),
              QStringLiteral("INSERT INTO tbarang VALUES ('A1', 'Beras', '', '', 'sak');"
                             "INSERT INTO tbarang VALUES ('Z0', 'Kosong', '', '', 'sak');"
                             "INSERT INTO tstok VALUES ('A1', 10, 2);"
                             "INSERT INTO tstok VALUES ('Z0', 0, 0)"));
}

// A person added by the owner, with their own password (no change due).
QString person(Env &env, const char *prefix, Role role, const QString &password)
{
    const QString name = uniqueName(prefix);
    addUser(ownerOf(env), name, password, role);
    Env::exec(
        env.locations.workingPath(),
        QStringLiteral("UPDATE tpengguna SET ganti_password = 0 WHERE nama = '%1'").arg(name));
    return name;
}

// A psql of one's own: one session, each statement on its own, its rows or its error.
class Psql
{
public:
    Psql(const QString &conninfo, const QString &user, const QString &password)
    {
        const QByteArray info
            = (conninfo + QStringLiteral(" user=") + user + QStringLiteral(" password=") + password)
                  .toUtf8();
        m_conn = PQconnectdb(info.constData());
        PQsetNoticeProcessor(
            m_conn, [](void *, const char *) {}, nullptr);
    }
    ~Psql() { PQfinish(m_conn); }
    bool open() const { return PQstatus(m_conn) == CONNECTION_OK; }
    QString why() const { return QString::fromUtf8(PQerrorMessage(m_conn)); }
    PGconn *get() const { return m_conn; }
    // "ERROR: ..." or the rows, columns joined by '|', rows by '\n'.
    QString run(const QString &sql)
    {
        PGresult *r = PQexec(m_conn, sql.toUtf8().constData());
        QString out;
        const ExecStatusType s = PQresultStatus(r);
        if (s != PGRES_TUPLES_OK && s != PGRES_COMMAND_OK) {
            out = QStringLiteral("ERROR: ") + QString::fromUtf8(PQresultErrorMessage(r)).trimmed();
        } else {
            QStringList rows;
            for (int i = 0; i < PQntuples(r); ++i) {
                QStringList cols;
                for (int c = 0; c < PQnfields(r); ++c)
                    cols << (PQgetisnull(r, i, c) ? QStringLiteral("<null>")
                                                  : QString::fromUtf8(PQgetvalue(r, i, c)));
                rows << cols.join(QLatin1Char('|'));
            }
            out = rows.join(QLatin1Char('\n'));
        }
        PQclear(r);
        return out;
    }
    QString verifier(const QString &user, const QString &password)
    {
        char *v = PQencryptPasswordConn(m_conn, password.toUtf8().constData(),
                                        user.toUtf8().constData(), "scram-sha-256");
        const QString out = QString::fromUtf8(v);
        PQfreemem(v);
        return out;
    }

private:
    PGconn *m_conn = nullptr;
};

bool logsIn(const QString &conninfo, const QString &user, const QString &password)
{
    return Psql(conninfo, user, password).open();
}

// Temporary tables named as the tables and catalogs the functions read, holding what a
// cashier would like them to hold.
QStringList shadows(const QString &me, const QString &owner)
{
    return {
        // The session's own search path puts its temporary tables first.
        QStringLiteral("SET search_path = pg_temp, pg_catalog, public"),
        QStringLiteral("CREATE TEMP TABLE pg_roles (oid oid, rolname name, rolsuper boolean, "
                       "rolcreaterole boolean, rolcreatedb boolean, rolreplication boolean, "
                       "rolbypassrls boolean)"),
        QStringLiteral("INSERT INTO pg_temp.pg_roles VALUES (1, '%1', true, false, false, false, "
                       "false), (2, 'gudang', false, false, false, false, false)")
            .arg(me),
        QStringLiteral("CREATE TEMP TABLE pg_auth_members (roleid oid, member oid)"),
        QStringLiteral("CREATE TEMP TABLE pg_class (relname name, relnamespace oid, relowner oid)"),
        QStringLiteral("CREATE TEMP TABLE pg_namespace (oid oid, nspname name)"),
        QStringLiteral("CREATE TEMP TABLE pg_stat_activity (pid int, usename name, datname name)"),
        QStringLiteral("CREATE TEMP TABLE tpengguna (nama text, password text, peran text, aktif "
                       "float8, ganti_password float8)"),
        QStringLiteral("INSERT INTO pg_temp.tpengguna VALUES ('%1', NULL, 'pemilik', 1, 0), "
                       "('gudang', NULL, 'pemilik', 1, 0), ('%2', NULL, 'kasir', 1, 0)")
            .arg(me, owner),
        QStringLiteral("CREATE TEMP TABLE tpass (\"user\" text, password text)"),
        QStringLiteral("CREATE TEMP TABLE tstok (kode_barang text, jumlah_stok float8, "
                       "stok_minimum float8, id_baris bigint)"),
        QStringLiteral("INSERT INTO pg_temp.tstok VALUES ('A1', 1000, 0, 1)"),
        QStringLiteral("CREATE TEMP TABLE tbrgkeluar (no_keluar int, kode_barang text, tanggal "
                       "timestamp, jumlah float8, id_baris bigint)"),
        QStringLiteral("CREATE TEMP TABLE tmutasi (waktu timestamp, pengguna text, jenis text, "
                       "kode_barang text, perubahan float8, stok_akhir float8, no_keluar float8, "
                       "keterangan text, tanggal timestamp)"),
        QStringLiteral("CREATE TEMP TABLE tposting (token text, no_keluar float8, waktu "
                       "timestamp, pengguna text)"),
        QStringLiteral("INSERT INTO pg_temp.tposting VALUES ('tok-shadow-1', 99, now(), 'x')"),
        QStringLiteral("CREATE TEMP TABLE tlogmasuk (waktu timestamp, nama text, kejadian text, "
                       "oleh text, komputer text, keterangan text)"),
        QStringLiteral("CREATE TEMP TABLE gudang_skema (versi int)"),
        QStringLiteral("GRANT ALL ON ALL TABLES IN SCHEMA pg_temp TO PUBLIC"),
    };
}

QString storeRole(const QString &server)
{
    return Env::query(serverAddress(server), QStringLiteral("SELECT current_user")).value(0);
}

} // namespace

class TestBoundary : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!test::onServer())
            QSKIP("only on a server");
    }

    // No person makes temporary objects; and where an administrator let one, the server's
    // functions read none of them: the cashier stays a cashier, the owner's and the store
    // role's passwords stay theirs, a posting lowers the real stock and writes the real rows.
    void temporaryTablesChangeNothing()
    {
        Env env;
        fill(env);
        const QString server = env.locations.server();
        const QString kasir = person(env, "k", Role::Kasir, QStringLiteral("kasir1"));
        const QString owner = person(env, "p", Role::Pemilik, QStringLiteral("pemilik1"));
        const QString keeper = person(env, "g", Role::Gudang, QStringLiteral("gudang1"));
        for (const auto &[name, password] : { std::pair(kasir, QStringLiteral("kasir1")),
                                              std::pair(owner, QStringLiteral("pemilik1")),
                                              std::pair(keeper, QStringLiteral("gudang1")) }) {
            Psql as(server, name, password);
            QVERIFY2(as.open(), qPrintable(as.why()));
            QVERIFY(as.run(QStringLiteral("CREATE TEMP TABLE x (a int)"))
                        .contains(QStringLiteral("permission denied to create temporary tables")));
            QVERIFY(as.run(QStringLiteral("CREATE TABLE public.x (a int)"))
                        .contains(QStringLiteral("permission denied for schema public")));
        }
        // A server whose administrator granted temporary tables to everyone anyway.
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("DO $$BEGIN EXECUTE format('GRANT TEMPORARY ON DATABASE %I TO "
                                 "PUBLIC', current_database()); END$$"));
        const QString store = storeRole(server);
        const QStringList logBefore
            = Env::query(env.locations.credentialsPath(),
                         QStringLiteral("SELECT Nama, Kejadian FROM tlogmasuk ORDER BY No_Log"));
        {
            Psql as(server, kasir, QStringLiteral("kasir1"));
            for (const QString &sql : shadows(kasir, owner))
                QCOMPARE(as.run(sql).left(6), QString());
            const QString stolen = as.verifier(owner, QStringLiteral("dicuri"));
            for (const QString &target : { owner, store, keeper })
                QVERIFY(as.run(QStringLiteral("SELECT gudang_pengguna_sandi('%1', '%2', 0)")
                                   .arg(target, stolen))
                            .startsWith(QStringLiteral("ERROR:")));
            QVERIFY(
                as.run(QStringLiteral("SELECT gudang_pengguna_ubah('%1', 'pemilik', 1)").arg(kasir))
                    .contains(QStringLiteral("permission denied for function")));
            QVERIFY(as.run(QStringLiteral("SELECT gudang_pengguna_baru('x1', '%1', 'pemilik')")
                               .arg(stolen))
                        .contains(QStringLiteral("permission denied for function")));
            QCOMPARE(as.run(QStringLiteral("SELECT peran FROM gudang_peran()")),
                     QStringLiteral("kasir"));
            QCOMPARE(as.run(QStringLiteral("SELECT gudang_keluar_token('tok-shadow-1')")),
                     QStringLiteral("<null>"));
            // The posting: on the real stock of 10, not the shadow's 1000.
            QCOMPARE(as.run(QStringLiteral("SELECT hasil, stok FROM gudang_keluar('A1', "
                                           "'2026-12-03', 3, NULL, 'tok-shadow-2', NULL)")),
                     QStringLiteral("ok|10"));
            QVERIFY(as.run(QStringLiteral("SELECT gudang_catat('%1', 'user diubah', 'pc', 'x')")
                               .arg(owner))
                        .startsWith(QStringLiteral("ERROR:")));
        }
        {
            // The owner (a person) with a shadow naming the store's role one of its people.
            Psql as(server, owner, QStringLiteral("pemilik1"));
            for (const QString &sql : shadows(owner, kasir))
                QCOMPARE(as.run(sql).left(6), QString());
            const QString stolen = as.verifier(store, QStringLiteral("dicuri"));
            QVERIFY(as.run(QStringLiteral("SELECT gudang_pengguna_sandi('%1', '%2', 0)")
                               .arg(store, stolen))
                        .startsWith(QStringLiteral("ERROR:")));
            QVERIFY(
                as.run(QStringLiteral("SELECT gudang_pengguna_ubah('%1', 'pemilik', 1)").arg(store))
                    .startsWith(QStringLiteral("ERROR:")));
            QVERIFY(as.run(QStringLiteral("GRANT pg_execute_server_program TO %1").arg(owner))
                        .startsWith(QStringLiteral("ERROR:")));
        }
        const QString path = env.locations.workingPath();
        QCOMPARE(Env::query(path,
                            QStringLiteral("SELECT Jumlah_Stok FROM tstok WHERE Kode_Barang = "
                                           "'A1'")),
                 QStringList { QStringLiteral("7.0") });
        QCOMPARE(Env::query(path, QStringLiteral("SELECT Kode_Barang, Jumlah FROM tbrgkeluar")),
                 QStringList { QStringLiteral("A1|3.0") });
        QCOMPARE(Env::query(path,
                            QStringLiteral("SELECT Pengguna, Perubahan, Stok_Akhir FROM "
                                           "tmutasi WHERE Jenis = 'barang keluar'")),
                 QStringList { kasir + QStringLiteral("|-3.0|7.0") });
        QCOMPARE(Env::query(env.locations.credentialsPath(),
                            QStringLiteral("SELECT Nama, Kejadian FROM tlogmasuk ORDER BY No_Log")),
                 logBefore);
        QVERIFY(logsIn(server, owner, QStringLiteral("pemilik1")));
        QVERIFY(!logsIn(server, owner, QStringLiteral("dicuri")));
        QCOMPARE(Env::query(serverAddress(server),
                            QStringLiteral("SELECT count(*) FROM pg_auth_members m JOIN pg_roles g "
                                           "ON g.oid = m.roleid JOIN pg_roles u ON u.oid = "
                                           "m.member WHERE u.rolname IN ('%1', '%2') AND "
                                           "g.rolname LIKE 'pg\\_%'")
                                .arg(kasir, owner)),
                 QStringList { QStringLiteral("0") });
        // The functions' owners: neither a superuser nor the administrator; only the person
        // functions' may make roles.
        QCOMPARE(Env::query(serverAddress(server),
                            QStringLiteral("SELECT DISTINCT r.rolsuper, r.rolcanlogin, "
                                           "r.rolcreaterole FROM pg_proc p JOIN pg_roles r ON "
                                           "r.oid = p.proowner WHERE p.proname LIKE 'gudang\\_%' "
                                           "ORDER BY 3")),
                 (QStringList { QStringLiteral("f|f|f"), QStringLiteral("f|f|t") }));
        QCOMPARE(Env::query(serverAddress(server),
                            QStringLiteral("SELECT count(*) FROM pg_proc WHERE proname LIKE "
                                           "'gudang\\_%' AND prosecdef AND NOT (proconfig::text "
                                           "LIKE '%search_path=public, pg_temp%')")),
                 QStringList { QStringLiteral("0") });
    }

    // Two stores on one server: a person of one cannot connect to the other, through the
    // program or psql.
    void storesApartOnOneServer()
    {
        Env first;
        fill(first);
        Env second;
        fill(second);
        const QString kasir = person(first, "k", Role::Kasir, QStringLiteral("kasir1"));
        const QString owner = person(first, "p", Role::Pemilik, QStringLiteral("pemilik1"));
        QVERIFY(logsIn(first.locations.server(), kasir, QStringLiteral("kasir1")));
        for (const auto &[name, password] : { std::pair(kasir, QStringLiteral("kasir1")),
                                              std::pair(owner, QStringLiteral("pemilik1")) }) {
            Psql as(second.locations.server(), name, password);
            QVERIFY(!as.open());
            QVERIFY2(as.why().contains(QStringLiteral("permission denied for database")),
                     qPrintable(as.why()));
            const LoginResult login = logIn(second.locations, name, password);
            QCOMPARE(login.outcome, LoginResult::Disabled);
            QVERIFY(login.why.contains(QStringLiteral("bukan user toko ini")));
        }
        QCOMPARE(Env::query(second.locations.workingPath(),
                            QStringLiteral("SELECT Jumlah_Stok FROM tstok WHERE Kode_Barang = "
                                           "'A1'")),
                 QStringList { QStringLiteral("10.0") });
    }

    // A login is judged by the server's SQLSTATE, not its words: a mistyped database is said
    // as such and not counted toward the waits; a wrong password is; a server that does not
    // answer is given up within the connect timeout.
    void loginsByStatus()
    {
        Env env;
        fill(env);
        const QString kasir = person(env, "k", Role::Kasir, QStringLiteral("kasir1"));
        const Locations mistyped(env.locations.dataDir(),
                                 env.locations.server() + QStringLiteral(" dbname=tidakada"));
        for (int i = 0; i < 7; ++i) {
            const QString why
                = test::failureOf([&] { logIn(mistyped, kasir, QStringLiteral("kasir1")); });
            QVERIFY2(why.startsWith(QStringLiteral("Database toko tidak ada")), qPrintable(why));
        }
        QCOMPARE(logIn(env.locations, kasir, QStringLiteral("kasir1")).outcome,
                 LoginResult::LoggedIn);
        QCOMPARE(logIn(env.locations, kasir, QStringLiteral("salah")).outcome,
                 LoginResult::WrongPassword);
        // Nothing listens: at once; something that takes the connection and never answers:
        // within the address's connect_timeout.
        QString why = test::failureOf([&] {
            logIn(Locations(env.locations.dataDir(),
                            QStringLiteral("host=127.0.0.1 port=9 dbname=gudang")),
                  kasir, QStringLiteral("kasir1"));
        });
        QVERIFY2(why.startsWith(QStringLiteral("Server database tidak dapat dihubungi")),
                 qPrintable(why));
        // A socket that listens on loopback and never accepts: the connection is made, no
        // answer ever comes.
        const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in at {};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof at;
        QVERIFY(::bind(silent, reinterpret_cast<sockaddr *>(&at), sizeof at) == 0);
        QVERIFY(::listen(silent, 4) == 0);
        QVERIFY(::getsockname(silent, reinterpret_cast<sockaddr *>(&at), &length) == 0);
        QElapsedTimer timer;
        timer.start();
        why = test::failureOf([&] {
            logIn(Locations(env.locations.dataDir(),
                            QStringLiteral("host=127.0.0.1 port=%1 dbname=gudang "
                                           "connect_timeout=2 sslmode=disable")
                                .arg(ntohs(at.sin_port))),
                  kasir, QStringLiteral("kasir1"));
        });
        QVERIFY2(why.contains(QStringLiteral("tidak menjawab dalam 2 detik")), qPrintable(why));
        QVERIFY2(timer.elapsed() < 8000, qPrintable(QString::number(timer.elapsed())));
        ::close(silent);
    }

    // The server's posting takes one quantity, finite and not below 0, a date the goods-out
    // screen takes, and writes a token once.
    void serverPostingTrustsNoQuantity()
    {
        Env env;
        fill(env);
        const QString kasir = person(env, "k", Role::Kasir, QStringLiteral("kasir1"));
        Psql as(env.locations.server(), kasir, QStringLiteral("kasir1"));
        const auto post = [&](const QString &args) {
            return as.run(QStringLiteral("SELECT hasil, stok FROM gudang_keluar(%1)").arg(args));
        };
        QCOMPARE(post(QStringLiteral("'A1', '2020-01-01', 5000, NULL, 'token-q-1', NULL")),
                 QStringLiteral("kurang|10"));
        QCOMPARE(post(QStringLiteral("'A1', '2099-12-31', -900, NULL, 'token-q-2', NULL")),
                 QStringLiteral("bukan|<null>"));
        QCOMPARE(post(QStringLiteral("'A1', '2026-01-01', 'NaN', NULL, 'token-q-3', NULL")),
                 QStringLiteral("bukan|<null>"));
        QCOMPARE(post(QStringLiteral("'A1', '2026-01-01', 'Infinity', NULL, 'token-q-4', NULL")),
                 QStringLiteral("bukan|<null>"));
        QCOMPARE(post(QStringLiteral("'Z0', '2026-01-01', 777, NULL, 'token-q-5', NULL")),
                 QStringLiteral("kurang|0"));
        QVERIFY(post(QStringLiteral("'A1', '1500-01-01', 1, NULL, 'token-q-6', NULL"))
                    .contains(QStringLiteral("di luar jangkauan")));
        QVERIFY(post(QStringLiteral("'A1', '2026-01-01', 1, NULL, NULL, NULL"))
                    .contains(QStringLiteral("token posting tidak sah")));
        QCOMPARE(post(QStringLiteral("'A1', '2020-01-01', 0.25, NULL, 'token-q-7', NULL")),
                 QStringLiteral("ok|10"));
        // The same token again: written once, the row it wrote then.
        QCOMPARE(post(QStringLiteral("'A1', '2020-01-01', 0.25, NULL, 'token-q-7', NULL")),
                 QStringLiteral("sudah|10"));
        const QString path = env.locations.workingPath();
        QCOMPARE(Env::query(path, QStringLiteral("SELECT Kode_Barang, Jumlah FROM tbrgkeluar")),
                 QStringList { QStringLiteral("A1|0.25") });
        QCOMPARE(Env::query(path,
                            QStringLiteral("SELECT Jumlah_Stok FROM tstok WHERE Kode_Barang "
                                           "= 'A1'")),
                 QStringList { QStringLiteral("9.75") });
        QCOMPARE(Env::query(path,
                            QStringLiteral("SELECT Perubahan FROM tmutasi WHERE Jenis = "
                                           "'barang keluar'")),
                 QStringList { QStringLiteral("-0.25") });
        QCOMPARE(Env::query(path,
                            QStringLiteral("SELECT count(*), count(DISTINCT Token) FROM "
                                           "tposting")),
                 QStringList { QStringLiteral("1|1") });
        // The program's posting service with a token the server has: not written twice.
        auto out = openRecordSource(path, QStringLiteral("tbrgkeluar"));
        auto stock = openRecordSource(path, QStringLiteral("tstok"));
        StockService service(path, QStringLiteral("admin"));
        const PostingResult again = service.post(
            *out, *stock,
            { QStringLiteral("A1"), QDateTime(QDate(2020, 1, 1), QTime(0, 0)),
              QStringLiteral("0,25"), 0.25, std::nullopt, QStringLiteral("token-q-7") });
        QCOMPARE(again.outcome, PostingResult::Done);
        QVERIFY(again.notice.contains(QStringLiteral("sudah tersimpan")));
        QCOMPARE(Env::query(path, QStringLiteral("SELECT count(*) FROM tbrgkeluar")),
                 QStringList { QStringLiteral("1") });
        QCOMPARE(serverPostingOf(serverConninfo(path), QStringLiteral("token-q-7")), qint64(1));
        QCOMPARE(serverPostingOf(serverConninfo(path), QStringLiteral("tok-tidak-ada")),
                 std::optional<qint64>());
    }

    // Disabling a person ends their open sessions; the program on their workstation finds its
    // next command refused and goes back to the login window.
    void disabledMeansOut()
    {
        Env env;
        fill(env);
        const QString kasir = person(env, "k", Role::Kasir, QStringLiteral("kasir1"));
        Psql open(env.locations.server(), kasir, QStringLiteral("kasir1"));
        QVERIFY(open.open());
        App till(Locations(env.locations.dataDir(),
                           env.locations.server() + QStringLiteral(" user=") + kasir),
                 env.dialogs);
        prepareScreens(till);
        QVERIFY(startProgram(till, false));
        auto *pas = till.screens().find<frmpas>();
        QVERIFY(pas);
        test::activate(pas);
        pas->txtuser->setText(kasir);
        pas->txtpass->setText(QStringLiteral("kasir1"));
        QTest::mouseClick(pas->cmdok, Qt::LeftButton);
        QVERIFY(till.screens().isLoaded<frmutama>());
        QCOMPARE(till.user(), kasir);
        frmkeluar &k = test::showAbove<frmkeluar>(till.screens());
        test::readyIssue(k, QStringLiteral("A1"), QStringLiteral("1"));

        changeUser(ownerOf(env), kasir, Role::Kasir, false);
        QVERIFY(open.run(QStringLiteral("SELECT 1")).startsWith(QStringLiteral("ERROR:")));
        QVERIFY(!logsIn(env.locations.server(), kasir, QStringLiteral("kasir1")));

        QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts().size(), 1);
        QVERIFY2(env.dialogs.last().prompt.contains(QStringLiteral("sudah dinonaktifkan")),
                 qPrintable(env.dialogs.last().prompt));
        env.dialogs.clear();
        QCOMPARE(till.screens().top(), pas);
        QVERIFY(!till.screens().isLoaded<frmkeluar>());
        QVERIFY(!till.screens().isLoaded<frmutama>());
        QVERIFY(pas->txtuser->text().isEmpty());
        QVERIFY(till.user().isEmpty());
        QCOMPARE(Env::query(env.locations.workingPath(),
                            QStringLiteral("SELECT count(*) FROM tbrgkeluar")),
                 QStringList { QStringLiteral("0") });
        // The server wrote the change, with who made it.
        QVERIFY(Env::query(env.locations.credentialsPath(),
                           QStringLiteral("SELECT Nama, Kejadian, Keterangan FROM tlogmasuk"))
                    .contains(kasir + QStringLiteral("|user diubah|dinonaktifkan")));
        till.screens().end();
    }

    // The last active owner stays one on the server too, decided there under a lock: two
    // owners demoting each other at the same moment, one of them is refused.
    void ownersDemotingEachOther()
    {
        Env env;
        fill(env);
        const QString one = person(env, "p", Role::Pemilik, QStringLiteral("pemilik1"));
        const QString two = person(env, "q", Role::Pemilik, QStringLiteral("pemilik2"));
        Env::exec(env.locations.credentialsPath(), QStringLiteral("DELETE FROM tpass"));
        Psql a(env.locations.server(), one, QStringLiteral("pemilik1"));
        Psql b(env.locations.server(), two, QStringLiteral("pemilik2"));
        QCOMPARE(a.run(QStringLiteral("BEGIN")), QString());
        QCOMPARE(a.run(QStringLiteral("SELECT gudang_pengguna_ubah('%1', 'kasir', 1)").arg(two)),
                 QString());
        QVERIFY(PQsendQuery(b.get(),
                            QStringLiteral("SELECT gudang_pengguna_ubah('%1', 'kasir', 1)")
                                .arg(one)
                                .toUtf8()
                                .constData()));
        QThread::msleep(300); // b waits for a's lock
        QCOMPARE(a.run(QStringLiteral("COMMIT")), QString());
        PGresult *r = PQgetResult(b.get());
        QCOMPARE(PQresultStatus(r), PGRES_FATAL_ERROR);
        PQclear(r);
        while ((r = PQgetResult(b.get())))
            PQclear(r);
        QCOMPARE(
            Env::query(env.locations.credentialsPath(),
                       QStringLiteral("SELECT Nama, Peran FROM tpengguna WHERE Aktif = 1 "
                                      "ORDER BY Nama")),
            (QStringList { one + QStringLiteral("|pemilik"), two + QStringLiteral("|kasir") }));
    }

    // A server prepared by the earlier version (groups every database shared) is brought up
    // to date at the first open by the owner: its people in the store's own groups, the old
    // groups' rights on it taken back.
    void earlierServerIsUpgraded()
    {
        Env env;
        fill(env);
        const QString path = env.locations.workingPath();
        const QString old = uniqueName("o");
        Env::exec(path,
                  QStringLiteral(
                      "DO $$BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = "
                      "'gudang_kasir') THEN CREATE ROLE gudang_kasir NOLOGIN; END IF; END$$;"
                      "CREATE ROLE %1 LOGIN PASSWORD 'lama1' IN ROLE gudang_kasir;"
                      "GRANT SELECT, UPDATE ON tstok TO gudang_kasir;"
                      "INSERT INTO tpengguna (nama, peran, aktif, ganti_password) VALUES ('%1', "
                      "'kasir', 1, 0); UPDATE gudang_skema SET versi = 6")
                      .arg(old));
        upgradeServer(env.locations.server());
        const QString db = env.locations.server().section(QStringLiteral("dbname="), -1).trimmed();
        QCOMPARE(Env::query(path,
                            QStringLiteral("SELECT g.rolname FROM pg_auth_members m JOIN "
                                           "pg_roles g ON g.oid = m.roleid JOIN pg_roles u "
                                           "ON u.oid = m.member WHERE u.rolname = '%1'")
                                .arg(old)),
                 QStringList { QString::fromUtf8(storeRoles(db).groups[2]) });
        QCOMPARE(Env::query(path,
                            QStringLiteral("SELECT has_table_privilege('gudang_kasir', "
                                           "'tstok', 'UPDATE'), max(versi) FROM "
                                           "gudang_skema")),
                 QStringList { QStringLiteral("f|%1").arg(kSchemaVersion) });
        {
            Psql as(env.locations.server(), old, QStringLiteral("lama1"));
            QVERIFY2(as.open(), qPrintable(as.why()));
            QCOMPARE(as.run(QStringLiteral("SELECT peran FROM gudang_peran()")),
                     QStringLiteral("kasir"));
            QVERIFY(as.run(QStringLiteral("UPDATE tstok SET jumlah_stok = 1"))
                        .contains(QStringLiteral("permission denied")));
        }
        Env::exec(serverAddress(qEnvironmentVariable("GUDANG_TEST_SERVER")),
                  QStringLiteral("DROP ROLE %1").arg(old));
    }

    // A folder's people come along to the server: each a login role of the store, without a
    // password until the owner gives one; the log too.
    void copyKeepsThePeople()
    {
        QTemporaryDir dir;
        const Locations folder(dir.path());
        createDatabaseFile(folder.credentialsPath(), DbRole::Credentials);
        createDatabaseFile(folder.workingPath(), DbRole::Working);
        const QString active = uniqueName("a"), disabled = uniqueName("d");
        Env::exec(folder.credentialsPath(),
                  QStringLiteral("INSERT INTO tpass VALUES ('admin', '$argon2id$v=19$x');"
                                 "INSERT INTO tpengguna VALUES ('%1', '$argon2id$v=19$y', "
                                 "'kasir', 1, 0), ('%2', '$argon2id$v=19$z', 'gudang', 0, 0);"
                                 "INSERT INTO tlogmasuk (Waktu, Nama, Kejadian, Oleh, Komputer, "
                                 "Keterangan) VALUES ('2026-12-01 08:00:00', '%1', 'masuk', "
                                 "'%1', 'pc', '')")
                      .arg(active, disabled));
        const QString target = test::newServerDatabase();
        const QString said
            = copyFilesToServer(folder.credentialsPath(), folder.workingPath(), target);
        QVERIFY2(said.contains(QStringLiteral("tpengguna: 2 baris")), qPrintable(said));
        QVERIFY2(said.contains(QStringLiteral("tlogmasuk: 1 baris")), qPrintable(said));
        QVERIFY2(said.contains(active) && said.contains(disabled + QStringLiteral(" (nonaktif)")),
                 qPrintable(said));
        const QString db = target.section(QStringLiteral("dbname="), -1).trimmed();
        const StoreRoles roles = storeRoles(db);
        QCOMPARE(Env::query(serverAddress(target),
                            QStringLiteral("SELECT u.rolname, u.rolcanlogin, g.rolname FROM "
                                           "pg_roles u LEFT JOIN pg_auth_members m ON m.member = "
                                           "u.oid LEFT JOIN pg_roles g ON g.oid = m.roleid WHERE "
                                           "u.rolname IN ('%1', '%2') ORDER BY 1")
                                .arg(active, disabled)),
                 (QStringList { active + QStringLiteral("|t|") + QString::fromUtf8(roles.groups[2]),
                                disabled + QStringLiteral("|f|<null>") }));
        QCOMPARE(Env::query(serverAddress(target),
                            QStringLiteral("SELECT nama, password, ganti_password FROM tpengguna "
                                           "ORDER BY nama")),
                 (QStringList { active + QStringLiteral("|<null>|1.0"),
                                disabled + QStringLiteral("|<null>|1.0") }));
        // The owner gives a password; the person logs in with it and must make their own.
        const Session owner { QStringLiteral("admin"), Role::Pemilik, true, false,
                              Locations(dir.path(), target) };
        resetPassword(owner, active, QStringLiteral("baru1"));
        const LoginResult login
            = logIn(Locations(dir.path(), target), active, QStringLiteral("baru1"));
        QCOMPARE(login.outcome, LoginResult::LoggedIn);
        QVERIFY(login.session.mustChangePassword);
        QCOMPARE(login.session.role, Role::Kasir);
        test::dropServerDatabase(target);
        Env::exec(serverAddress(qEnvironmentVariable("GUDANG_TEST_SERVER")),
                  QStringLiteral("DROP ROLE %1; DROP ROLE %2").arg(active, disabled));
    }
};

QTEST_MAIN(TestBoundary)
#include "tst_boundary.moc"
