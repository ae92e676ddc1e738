// Several workstations on one server: postings at the same moment, writes to rows changed
// meanwhile, a code added twice, a server that goes away, and the command line that prepares
// and fills a server.
#include "core/apperror.h"
#include "core/schema.h"
#include "files/folderlock.h"
#include "model/gridmodel.h"
#include "model/recordsource.h"
#include "screens/goods/frmbrg.h"
#include "screens/issue/frmkeluar.h"
#include "screens/shell/frmutama.h"
#include "screens/stock/frmstok.h"
#include "store/address.h"
#include "store/postgres/pgdatabase.h"
#include "store/setup.h"
#include "store/sqlite/sqlitefiles.h"
#include "support.h"

#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <thread>

using namespace gudang;
using test::Env;

namespace {

void seedStock(Env &env, const QStringList &codes, int stock)
{
    for (const QString &code : codes)
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tbarang VALUES ('%1', 'Nama %1', 'M', 'S', 'pcs');"
                                 "INSERT INTO tstok VALUES ('%1', %2, 1)")
                      .arg(code)
                      .arg(stock));
}

// The same server as another workstation reaches it: a connection of its own.
QString otherWorkstation(const Env &env)
{
    return serverAddress(env.locations.server() + QStringLiteral(" application_name=kedua"));
}

std::pair<int, QString> runProgram(const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral(GUDANG_BINARY), arguments);
    if (!p.waitForFinished(60000))
        return { -1, QStringLiteral("(still running)") };
    return { p.exitCode(),
             QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()) };
}

QString clusterScript()
{
    return QStringLiteral(GUDANG_TEST_DIR "/pgcluster.sh");
}

// A server of the test's own, which it may stop and start; the suites' Env uses it while the
// value lives.
struct OwnCluster
{
    OwnCluster()
        : folder(QStringLiteral("/tmp/gudang-pg-XXXXXX"))
        , suiteServer(qgetenv("GUDANG_TEST_SERVER"))
    {
        QProcess cluster;
        cluster.start(QStringLiteral("bash"),
                      { clusterScript(), QStringLiteral("start"), folder.path() });
        cluster.waitForFinished(60000);
        base = QString::fromUtf8(cluster.readAllStandardOutput()).trimmed();
        qputenv("GUDANG_TEST_SERVER", base.toUtf8());
    }
    ~OwnCluster()
    {
        qputenv("GUDANG_TEST_SERVER", suiteServer);
        QProcess::execute(QStringLiteral("bash"),
                          { clusterScript(), QStringLiteral("stop"), folder.path() });
    }
    int run(const QStringList &what) const
    {
        return QProcess::execute(QStringLiteral("bash"),
                                 QStringList { clusterScript(), what.value(0), folder.path() }
                                     + what.mid(1));
    }
    QTemporaryDir folder;
    QByteArray suiteServer;
    QString base;
};

} // namespace

class TestServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!test::onServer())
            QSKIP("needs the test server (GUDANG_TEST_SERVER)");
    }

    // Eight workstations post 200 times each against the same four codes: every posting is
    // counted once, against the stock as it stood at that moment.
    void severalWorkstationsPostAtOnce()
    {
        Env env;
        const QStringList codes { "K1", "K2", "K3", "K4" };
        const int start = 300;
        seedStock(env, codes, start);
        const int workstations = 8, postings = 200;
        std::vector<std::unique_ptr<QProcess>> children;
        for (int i = 0; i < workstations; ++i) {
            auto p = std::make_unique<QProcess>();
            p->start(QStringLiteral(POST_CHILD),
                     { env.locations.server(), env.locations.dataDir(), QString::number(postings),
                       QString::number(i + 1) });
            children.push_back(std::move(p));
        }
        int posted = 0, shortOf = 0;
        for (auto &p : children) {
            QVERIFY(p->waitForFinished(300000));
            const QString said = QString::fromUtf8(p->readAllStandardOutput()).trimmed();
            QVERIFY2(p->exitCode() == 0,
                     qPrintable(said + QString::fromUtf8(p->readAllStandardError())));
            const QStringList parts = said.split(QLatin1Char(' '));
            QCOMPARE(parts.size(), 4);
            posted += parts[1].toInt();
            shortOf += parts[3].toInt();
        }
        QCOMPARE(posted + shortOf, workstations * postings);
        QVERIFY(shortOf > 0); // the stock ran out: the refusals were tested too
        const QString path = env.locations.workingPath();
        QCOMPARE(Env::query(path,
                            QStringLiteral("SELECT count(*), count(DISTINCT No_Keluar) "
                                           "FROM tbrgkeluar")),
                 QStringList { QStringLiteral("%1|%1").arg(posted) });
        for (const QString &code : codes) {
            const QStringList row
                = Env::query(path,
                             QStringLiteral(
                                 "SELECT s.Jumlah_Stok, (SELECT coalesce(sum(Jumlah), 0) FROM "
                                 "tbrgkeluar k WHERE k.Kode_Barang = s.Kode_Barang) FROM tstok s "
                                 "WHERE s.Kode_Barang = '%1'")
                                 .arg(code))[0]
                      .split(QLatin1Char('|'));
            const double stock = row[0].toDouble(), out = row[1].toDouble();
            QVERIFY2(stock >= 0, qPrintable(code));
            QCOMPARE(start - out, stock);
        }
    }

    // A write to a row that another workstation changed or deleted since it was read is
    // refused; the row is shown as it now stands, and nothing is overwritten.
    void staleWritesAreRefused()
    {
        Env env;
        seedStock(env, { "A1", "B2", "C3" }, 10);
        auto goods = openRecordSource(env.locations.workingPath(), QStringLiteral("tbarang"));
        GridModel grid(goods.get());
        const QString path = env.locations.workingPath();
        Env::exec(
            otherWorkstation(env),
            QStringLiteral("UPDATE tbarang SET Nama_Barang = 'Lain' WHERE Kode_Barang = 'A1'"));
        goods->moveFirst();
        goods->setField(col::tbarang::Nama_Barang, QStringLiteral("Baru"));
        const QString refused = test::failureOf([&] { goods->update(); });
        QVERIFY2(refused.startsWith(
                     QStringLiteral("Data ini sudah diubah di komputer lain sejak dibaca (tabel "
                                    "tbarang); perubahan dari layar ini tidak disimpan.")),
                 qPrintable(refused));
        QCOMPARE(goods->field(col::tbarang::Nama_Barang).toText(), QStringLiteral("Lain"));
        QCOMPARE(grid.index(0, col::tbarang::Nama_Barang).data().toString(),
                 QStringLiteral("Lain"));
        QVERIFY(!goods->hasPending());
        QCOMPARE(Env::query(path,
                            QStringLiteral("SELECT Nama_Barang FROM tbarang WHERE "
                                           "Kode_Barang = 'A1'")),
                 QStringList { QStringLiteral("Lain") });
        // Seen as it now stands, the same change goes through.
        goods->setField(col::tbarang::Nama_Barang, QStringLiteral("Baru"));
        goods->update();
        QCOMPARE(Env::query(path,
                            QStringLiteral("SELECT Nama_Barang FROM tbarang WHERE "
                                           "Kode_Barang = 'A1'")),
                 QStringList { QStringLiteral("Baru") });
        // Deleted elsewhere: a change and a delete are both refused, the row leaves the list.
        Env::exec(otherWorkstation(env),
                  QStringLiteral("DELETE FROM tbarang WHERE Kode_Barang "
                                 "IN ('B2', 'C3')"));
        goods->setCurrentRow(1);
        goods->setField(col::tbarang::Merk, QStringLiteral("X"));
        QCOMPARE(test::failureOf([&] { goods->update(); }),
                 QStringLiteral("Data ini sudah dihapus di komputer lain sejak dibaca (tabel "
                                "tbarang); perubahan dari layar ini tidak disimpan."));
        QCOMPARE(goods->rowCount(), 2);
        QCOMPARE(goods->field(col::tbarang::Kode_Barang).toText(), QStringLiteral("C3"));
        QVERIFY(test::failureOf([&] {
                    goods->deleteCurrent();
                }).startsWith(QStringLiteral("Data ini sudah dihapus di komputer lain")));
        QCOMPARE(goods->rowCount(), 1);
        QCOMPARE(grid.rowCount(), 1);
        QCOMPARE(Env::query(path, QStringLiteral("SELECT count(*) FROM tbarang")),
                 QStringList { QStringLiteral("1") });
    }

    // A posting decides on the stock as stored now; where another workstation's posting
    // changed the outcome, the message gives the stock as it is now.
    void postingDecidesOnTheStoredStock()
    {
        Env env;
        seedStock(env, { "A1" }, 10);
        frmkeluar &k = test::openIssue(env);
        test::readyIssue(k, QStringLiteral("A1"), QStringLiteral("8"));
        Env::exec(otherWorkstation(env),
                  QStringLiteral("UPDATE tstok SET Jumlah_Stok = 5 WHERE Kode_Barang = 'A1'"));
        QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { test::shortOnChangedStock("5") });
        QCOMPARE(Env::query(env.locations.workingPath(),
                            QStringLiteral("SELECT count(*) FROM tbrgkeluar")),
                 QStringList { QStringLiteral("0") });
        // A smaller quantity posts against the stored 5, not the 10 this screen read.
        env.dialogs.answer(Button::Yes);
        test::readyIssue(k, QStringLiteral("A1"), QStringLiteral("2"));
        QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.last().prompt, QStringLiteral("Masih ada Input Data Lagi?"));
        QCOMPARE(Env::query(env.locations.workingPath(),
                            QStringLiteral("SELECT Jumlah_Stok FROM tstok")),
                 QStringList { QStringLiteral("3.0") });
        // The stock booking adds to the stored stock the same way.
        Env::exec(otherWorkstation(env),
                  QStringLiteral("UPDATE tstok SET Jumlah_Stok = 4 WHERE Kode_Barang = 'A1'"));
        env.screens().end();
        frmstok &s = test::showAlone<frmstok>(env.screens());
        Env::exec(otherWorkstation(env),
                  QStringLiteral("UPDATE tstok SET Jumlah_Stok = 6 WHERE Kode_Barang = 'A1'"));
        QTest::mouseClick(s.cmdtambah, Qt::LeftButton);
        test::enter(s.txtkode, QStringLiteral("A1"));
        test::enter(s.txtstok, QStringLiteral("10"));
        test::enter(s.txtmin, QStringLiteral("1"));
        QTest::mouseClick(s.cmdsimpan, Qt::LeftButton);
        QCOMPARE(Env::query(env.locations.workingPath(),
                            QStringLiteral("SELECT Jumlah_Stok FROM tstok")),
                 QStringList { QStringLiteral("16.0") });
    }

    // The same new code typed on two workstations: the second is told, nothing crashes and
    // nothing is doubled.
    void sameNewCodeOnTwoWorkstations()
    {
        Env env;
        frmbrg &b = test::showAlone<frmbrg>(env.screens());
        QTest::mouseClick(b.cmdtambah, Qt::LeftButton);
        test::enter(b.txtkode, QStringLiteral("X1")); // not there yet as this screen read it
        Env::exec(
            otherWorkstation(env),
            QStringLiteral("INSERT INTO tbarang VALUES ('X1', 'Dari kasir 2', '', '', 'pcs')"));
        test::enter(b.txtnama, QStringLiteral("Kopi"));
        test::enter(b.txtmerk, QString());
        test::enter(b.txtsup, QString());
        test::enter(b.txtsatuan, QStringLiteral("sak"));
        QTest::mouseClick(b.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(),
                 QStringList { QStringLiteral(
                     "Kode_Barang \"X1\" sudah ada pada tabel tbarang; data tidak disimpan.") });
        QCOMPARE(env.dialogs.last().style, 16);
        QVERIFY(env.screens().isLoaded<frmbrg>());
        QCOMPARE(Env::query(env.locations.workingPath(),
                            QStringLiteral("SELECT Nama_Barang FROM tbarang")),
                 QStringList { QStringLiteral("Dari kasir 2") });
    }

    // --init-server makes the tables in an empty database, leaves a prepared one alone and
    // refuses one that holds a table of ours with other columns.
    // A workstation reads and writes on the connections it has: opening the goods-out screen
    // and posting cost at most one connection for the writes and one for the reading of the
    // tables, and opening it again and posting again none.
    void aWorkstationKeepsItsConnections()
    {
        Env env;
        seedStock(env, { QStringLiteral("A1") }, 10);
        test::showAlone<frmutama>(env.screens());
        auto openAndPost = [&] {
            const int before = PgDatabase::connectionsMade();
            frmkeluar &k = test::showAbove<frmkeluar>(env.screens());
            test::readyIssue(k, QStringLiteral("A1"), QStringLiteral("1"));
            env.dialogs.answer(Button::Yes);
            QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
            QTest::mouseClick(k.cmdtutup, Qt::LeftButton);
            return PgDatabase::connectionsMade() - before;
        };
        const int first = openAndPost();
        QVERIFY2(first <= 2, qPrintable(QString::number(first)));
        QCOMPARE(openAndPost(), 0);
        QCOMPARE(Env::query(env.locations.workingPath(),
                            QStringLiteral("SELECT Jumlah_Stok FROM tstok")),
                 QStringList { QStringLiteral("8.0") });
    }

    void initServerPreparesOrRefuses()
    {
        QTemporaryDir dir;
        const QString fresh = test::newServerDatabase(), foreign = test::newServerDatabase();
        auto [code, said]
            = runProgram({ QStringLiteral("--data-dir"), dir.path(), QStringLiteral("--server"),
                           fresh, QStringLiteral("--init-server") });
        QCOMPARE(code, 0);
        QVERIFY2(
            said.contains(QStringLiteral(
                "Tabel tpass, tpengguna, tlogmasuk, tbarang, tstok, tbrgkeluar, "
                "tmutasi, topname, topnamebrg, tposting, tnilai, tnilaimutasi, tsaldo, tterima, "
                "tterimabrg, thargajual dibuat")),
            qPrintable(said));
        QCOMPARE(serverSchemaProblem(fresh), QString());
        std::tie(code, said)
            = runProgram({ QStringLiteral("--data-dir"), dir.path(), QStringLiteral("--server"),
                           fresh, QStringLiteral("--init-server") });
        QCOMPARE(code, 0);
        QVERIFY2(said.contains(QStringLiteral("sudah siap untuk Gudang; tidak ada yang diubah")),
                 qPrintable(said));
        Env::exec(serverAddress(foreign), QStringLiteral("CREATE TABLE tstok (kode text)"));
        std::tie(code, said)
            = runProgram({ QStringLiteral("--data-dir"), dir.path(), QStringLiteral("--server"),
                           foreign, QStringLiteral("--init-server") });
        QCOMPARE(code, 1);
        QVERIFY2(said.contains(QStringLiteral("tabel tstok berkolom kode text")), qPrintable(said));
        QCOMPARE(Env::query(serverAddress(foreign),
                            QStringLiteral("SELECT count(*) FROM information_schema.tables WHERE "
                                           "table_schema = 'public'")),
                 QStringList { QStringLiteral("1") });
        test::dropServerDatabase(fresh);
        test::dropServerDatabase(foreign);
    }

    // A data folder moved onto a server: every value as it was, goods-out numbers going on past
    // the highest ever given; a server that holds rows is refused.
    void copyToServerKeepsEveryValue()
    {
        QTemporaryDir dir;
        const Locations folder(dir.path());
        createDatabaseFile(folder.credentialsPath(), DbRole::Credentials);
        createDatabaseFile(folder.workingPath(), DbRole::Working);
        Env::exec(folder.credentialsPath(),
                  QStringLiteral("INSERT INTO tpass VALUES ('admin', '$argon2id$v=19$x')"));
        Env::exec(folder.workingPath(),
                  QString::fromUtf8(
                      "INSERT INTO tbarang VALUES ('A''1', 'Kopi \"Luwak\" 100%', 'a_b\\c', "
                      "'Tab\there', 'kg'), ('B2', 'Gula ✓ é 日本', NULL, '', NULL);"
                      "INSERT INTO tstok VALUES ('A''1', 2.5, 0.1), ('B2', -3, NULL);"
                      "INSERT INTO tbrgkeluar (Kode_Barang, Tanggal, Jumlah) VALUES "
                      "('A''1', '2025-03-15 10:20:30', 1), ('B2', '2024-02-29 00:00:00', "
                      "1e-7), ('B2', NULL, NULL), ('A''1', '2025-12-31 23:59:59', 12345678.25);"
                      "DELETE FROM tbrgkeluar WHERE No_Keluar = 4;"));
        const QString target = test::newServerDatabase();
        auto [code, said] = runProgram({ QStringLiteral("--data-dir"), dir.path(),
                                         QStringLiteral("--copy-to-server"), target });
        QCOMPARE(code, 0);
        for (const char *line :
             { "tpass: 1 baris", "tbarang: 2 baris", "tstok: 2 baris", "tbrgkeluar: 3 baris" })
            QVERIFY2(said.contains(QString::fromLatin1(line)), qPrintable(said));
        for (const char *table : { "tpass", "tbarang", "tstok", "tbrgkeluar" }) {
            const QString sql
                = QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(QLatin1String(table));
            QCOMPARE(Env::query(serverAddress(target), sql),
                     Env::query(table == QLatin1String("tpass") ? folder.credentialsPath()
                                                                : folder.workingPath(),
                                sql));
        }
        // Number 4 was given out once and deleted: the next one is 5.
        test::AnyoneWrites anyone;
        auto out = openRecordSource(serverAddress(target), QStringLiteral("tbrgkeluar"));
        out->addNew();
        out->setField(col::tbrgkeluar::Kode_Barang, QStringLiteral("B2"));
        out->update();
        QCOMPARE(out->field(col::tbrgkeluar::No_Keluar).toText(), QStringLiteral("5"));
        out.reset();
        std::tie(code, said) = runProgram({ QStringLiteral("--data-dir"), dir.path(),
                                            QStringLiteral("--copy-to-server"), target });
        QCOMPARE(code, 1);
        QVERIFY2(said.contains(QStringLiteral("sudah berisi data")), qPrintable(said));
        QCOMPARE(Env::query(serverAddress(target), QStringLiteral("SELECT count(*) FROM tbarang")),
                 QStringList { QStringLiteral("2") });
        test::dropServerDatabase(target);
    }

    // A desktop shortcut needs no arguments: the folder remembers its server, never a
    // password; --forget-server goes back to the folder. --restore is for a folder only.
    void rememberedServer()
    {
        QTemporaryDir dir;
        const QString server = test::newServerDatabase();
        const QString settings = dir.path() + QStringLiteral("/server.conf");
        auto [code, said]
            = runProgram({ QStringLiteral("--data-dir"), dir.path(), QStringLiteral("--server"),
                           server + QStringLiteral(" password=rahasia"),
                           QStringLiteral("--remember-server"), QStringLiteral("--init-server") });
        QCOMPARE(code, 1);
        QVERIFY2(said.contains(QStringLiteral("Gudang tidak menerima kata sandi di --server")),
                 qPrintable(said));
        QVERIFY2(said.contains(QStringLiteral("~/.pgpass")) && said.contains("PGPASSWORD"),
                 qPrintable(said));
        QVERIFY(!said.contains(QStringLiteral("rahasia")));
        QVERIFY(!QFile::exists(settings));
        std::tie(code, said) = runProgram(
            { QStringLiteral("--data-dir"), dir.path(), QStringLiteral("--server"), server,
              QStringLiteral("--remember-server"), QStringLiteral("--init-server") });
        QCOMPARE(code, 0);
        QFile file(settings);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("server = " + server.toUtf8() + '\n'));
        file.close();
        // Without --server, the remembered one: a report of its (empty) stock.
        const QString pdf = dir.path() + QStringLiteral("/stok.pdf");
        std::tie(code, said)
            = runProgram({ QStringLiteral("--data-dir"), dir.path(), QStringLiteral("--report"),
                           QStringLiteral("stok"), QStringLiteral("--pdf"), pdf });
        QVERIFY2(code == 0 && QFile::exists(pdf), qPrintable(said));
        QVERIFY(!QFile::exists(Locations(dir.path()).workingPath())); // no database file made
        std::tie(code, said) = runProgram(
            { QStringLiteral("--data-dir"), dir.path(), QStringLiteral("--restore"), pdf });
        QCOMPARE(code, 1);
        QVERIFY2(said.contains(QStringLiteral("--restore hanya untuk database di folder data")),
                 qPrintable(said));
        std::tie(code, said) = runProgram(
            { QStringLiteral("--data-dir"), dir.path(), QStringLiteral("--forget-server") });
        QCOMPARE(code, 0);
        QVERIFY(!QFile::exists(settings));
        test::dropServerDatabase(server);
    }

    // A server restarted under open windows (stopped as an administrator stops it, or as a
    // crash would): the connection it dropped is noticed and opened anew before the next
    // command, so the first posting after the restart posts at the first try; the stock screen
    // opened after the next restart reads its tables (the read connections kept from the first
    // screen are found closed and replaced), and its booking books.
    void serverRestartIsNoticed_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("fast") << "fast";
        QTest::newRow("immediate") << "immediate";
    }
    void serverRestartIsNoticed()
    {
        QFETCH(QString, mode);
        OwnCluster cluster;
        QVERIFY(!cluster.base.isEmpty());
        Env env;
        seedStock(env, { "A1" }, 10);
        const QString path = env.locations.workingPath();
        frmkeluar &k = test::openIssue(env);
        test::readyIssue(k, QStringLiteral("A1"), QStringLiteral("3"));
        QCOMPARE(cluster.run({ QStringLiteral("restart"), mode }), 0);
        env.dialogs.answer(Button::Yes);
        QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { "Masih ada Input Data Lagi?" });
        QCOMPARE(Env::query(path, QStringLiteral("SELECT Jumlah_Stok FROM tstok")),
                 QStringList { QStringLiteral("7.0") });
        QCOMPARE(cluster.run({ QStringLiteral("restart"), mode }), 0);
        env.screens().end();
        frmstok &s = test::showAlone<frmstok>(env.screens());
        QTest::mouseClick(s.cmdtambah, Qt::LeftButton);
        QCOMPARE(cluster.run({ QStringLiteral("restart"), mode }), 0);
        test::enter(s.txtkode, QStringLiteral("A1"));
        test::enter(s.txtstok, QStringLiteral("5"));
        test::enter(s.txtmin, QStringLiteral("1"));
        QTest::mouseClick(s.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts().size(), 1);
        QCOMPARE(Env::query(path, QStringLiteral("SELECT Jumlah_Stok FROM tstok")),
                 QStringList { QStringLiteral("12.0") });
    }

    // A database role without the right to write is told so in the program's words, the
    // server's own after them; nothing is written.
    void serverRefusalsInOurWords()
    {
        Env env;
        seedStock(env, { "A1" }, 10);
        const QString role = QStringLiteral("tamu_%1").arg(QCoreApplication::applicationPid());
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("DROP ROLE IF EXISTS %1; CREATE ROLE %1 LOGIN PASSWORD 'tamu'; "
                                 "GRANT SELECT ON tstok TO %1; DO $$BEGIN EXECUTE "
                                 "format('GRANT CONNECT ON DATABASE %I TO %1', "
                                 "current_database()); END$$")
                      .arg(role));
        const QString guest = serverAddress(env.locations.server() + QStringLiteral(" user=") + role
                                            + QStringLiteral(" password=tamu"));
        auto stock = openRecordSource(guest, QStringLiteral("tstok"));
        stock->moveFirst();
        stock->setField(col::tstok::Jumlah_Stok, 99);
        const QString refused = test::failureOf([&] { stock->update(); });
        QVERIFY2(refused.contains(QStringLiteral("Server database menolak: pengguna database ini "
                                                 "tidak berhak melakukannya.")),
                 qPrintable(refused));
        QVERIFY2(refused.contains(QStringLiteral("(Server: ERROR:  permission denied")),
                 qPrintable(refused));
        stock.reset();
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE "
                                 "usename = '%1'; REVOKE ALL ON tstok FROM %1; DO $$BEGIN "
                                 "EXECUTE format('REVOKE CONNECT ON DATABASE %I FROM %1', "
                                 "current_database()); END$$; DROP ROLE %1")
                      .arg(role));
        QCOMPARE(Env::query(env.locations.workingPath(),
                            QStringLiteral("SELECT Jumlah_Stok FROM tstok")),
                 QStringList { QStringLiteral("10.0") });
    }

    // --copy-to-server takes the folder's lock (refused while a program runs on the folder,
    // the server untouched) and reads every table of a file from one snapshot: a posting made
    // during the copy is in all its tables or in none.
    void copyToServerHoldsTheFolder()
    {
        Env env;
        const QString target = test::newServerDatabase();
        QTemporaryDir dir;
        const Locations folder(dir.path());
        createDatabaseFile(folder.credentialsPath(), DbRole::Credentials);
        createDatabaseFile(folder.workingPath(), DbRole::Working);
        Env::exec(folder.workingPath(), QStringLiteral("INSERT INTO tstok VALUES ('A1', 10, 1)"));
        {
            QString why;
            const auto running = lockDataFolder(folder, &why);
            QVERIFY(running);
            auto [code, said] = runProgram({ QStringLiteral("--data-dir"), dir.path(),
                                             QStringLiteral("--copy-to-server"), target });
            QCOMPARE(code, 1);
            QVERIFY2(said.contains(QStringLiteral("Gudang sudah berjalan dengan folder data")),
                     qPrintable(said));
            QVERIFY(said.contains(QStringLiteral("Tidak ada yang disalin.")));
            QCOMPARE(Env::query(serverAddress(target),
                                QStringLiteral("SELECT count(*) FROM "
                                               "pg_tables WHERE "
                                               "tablename = 'tstok'")),
                     QStringList { QStringLiteral("0") });
        }
        // One snapshot: what is written after the reading began is not read.
        auto source = openSqliteCopySource(folder.workingPath());
        Env::exec(folder.workingPath(),
                  QStringLiteral("INSERT INTO tstok VALUES ('B2', 5, 1); UPDATE tstok SET "
                                 "Jumlah_Stok = 7 WHERE Kode_Barang = 'A1'"));
        QStringList seen;
        source->scan(tableDef(QStringLiteral("tstok")), [&](const auto &cells) {
            seen << QString::fromUtf8(cells[0].value() + '|' + cells[1].value());
        });
        QCOMPARE(seen, QStringList { QStringLiteral("A1|10") });
        source.reset();
        test::dropServerDatabase(target);
    }

    // The server commands keep no secret and say no more than they must: a server is
    // remembered only once it answered, no password of any kind is taken on the command line
    // or printed, a connection string of any length is quoted cut, and --forget-server says
    // when it could not forget.
    void serverCommandsKeepNoSecrets()
    {
        QTemporaryDir dir;
        const QString settings = dir.path() + QStringLiteral("/server.conf");
        auto [code, said]
            = runProgram({ QStringLiteral("--data-dir"), dir.path(), QStringLiteral("--server"),
                           QStringLiteral("host=/tmp/tidak-ada dbname=gudang"),
                           QStringLiteral("--remember-server") });
        QCOMPARE(code, 1);
        QVERIFY2(said.contains(QStringLiteral("tidak dapat dihubungi")), qPrintable(said));
        QVERIFY(!QFile::exists(settings));
        for (const char *secret : { "password=rahasia", "sslpassword=rahasia" }) {
            std::tie(code, said)
                = runProgram({ QStringLiteral("--data-dir"), dir.path(), QStringLiteral("--server"),
                               qEnvironmentVariable("GUDANG_TEST_SERVER") + QLatin1Char(' ')
                                   + QLatin1String(secret) });
            QCOMPARE(code, 1);
            QVERIFY2(said.contains(QStringLiteral("~/.pgpass")), qPrintable(said));
            QVERIFY2(!said.contains(QStringLiteral("rahasia")), qPrintable(said));
        }
        const QString longName = QString(120000, QLatin1Char('x'));
        std::tie(code, said)
            = runProgram({ QStringLiteral("--data-dir"), dir.path(), QStringLiteral("--server"),
                           QStringLiteral("host=/tmp/tidak-ada application_name=") + longName,
                           QStringLiteral("--init-server") });
        QCOMPARE(code, 1);
        QVERIFY2(said.contains(QStringLiteral("tidak dapat dihubungi")), qPrintable(said));
        QVERIFY2(said.size() < 2000, qPrintable(QString::number(said.size())));
        QVERIFY(QDir().mkpath(settings + QStringLiteral("/isi")));
        std::tie(code, said) = runProgram(
            { QStringLiteral("--data-dir"), dir.path(), QStringLiteral("--forget-server") });
        QCOMPARE(code, 1);
        QVERIFY2(said.contains(QStringLiteral("tidak dapat dihapus")), qPrintable(said));
    }

    // The server goes away in the middle of a posting: the user is told, the screen stays,
    // neither table is changed; once the server is back the same click posts once.
    void serverStoppedInTheMiddleOfAPosting()
    {
        QTemporaryDir folder(QStringLiteral("/tmp/gudang-pg-XXXXXX"));
        QProcess cluster;
        cluster.start(QStringLiteral("bash"),
                      { clusterScript(), QStringLiteral("start"), folder.path() });
        QVERIFY(cluster.waitForFinished(60000) && cluster.exitCode() == 0);
        const QString base = QString::fromUtf8(cluster.readAllStandardOutput()).trimmed();
        struct Stop
        {
            QString dir;
            ~Stop()
            {
                QProcess::execute(QStringLiteral("bash"),
                                  { clusterScript(), QStringLiteral("stop"), dir });
            }
        } stop { folder.path() };
        const QByteArray suiteServer = qgetenv("GUDANG_TEST_SERVER");
        qputenv("GUDANG_TEST_SERVER", base.toUtf8());
        {
            Env env;
            seedStock(env, { "A1" }, 10);
            const QString path = env.locations.workingPath();
            // The stock write waits long enough for the server to be stopped under it.
            Env::exec(
                path,
                QStringLiteral("CREATE FUNCTION lambat() RETURNS trigger LANGUAGE plpgsql AS "
                               "$$BEGIN PERFORM pg_sleep(3); RETURN NEW; END$$; CREATE TRIGGER "
                               "lambat BEFORE UPDATE ON tstok FOR EACH ROW EXECUTE FUNCTION "
                               "lambat()"));
            frmkeluar &k = test::openIssue(env);
            test::readyIssue(k, QStringLiteral("A1"), QStringLiteral("3"));
            std::thread pull([&] {
                QThread::msleep(1000);
                QProcess::execute(QStringLiteral("bash"),
                                  { clusterScript(), QStringLiteral("pause"), folder.path() });
            });
            QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
            pull.join();
            QCOMPARE(env.dialogs.prompts().size(), 1);
            // The posting was sent: whether the server kept it is not known, and said so.
            QVERIFY2(env.dialogs.last().prompt.contains(
                         QStringLiteral("Hubungan ke server database terputus"))
                         && env.dialogs.last().prompt.contains(QStringLiteral("tidak diketahui")),
                     qPrintable(env.dialogs.last().prompt));
            QVERIFY(env.screens().isLoaded<frmkeluar>());
            QVERIFY(k.cmdsimpan->isEnabled());
            // Still down: the next click says so too, and nothing changes.
            QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
            QVERIFY(env.dialogs.last().prompt.startsWith(
                QStringLiteral("Server database tidak dapat dihubungi")));
            QCOMPARE(
                QProcess::execute(QStringLiteral("bash"),
                                  { clusterScript(), QStringLiteral("resume"), folder.path() }),
                0);
            Env::exec(path, QStringLiteral("DROP TRIGGER lambat ON tstok"));
            QCOMPARE(Env::query(path, QStringLiteral("SELECT count(*) FROM tbrgkeluar")),
                     QStringList { QStringLiteral("0") });
            QCOMPARE(Env::query(path, QStringLiteral("SELECT Jumlah_Stok FROM tstok")),
                     QStringList { QStringLiteral("10.0") });
            env.dialogs.answer(Button::Yes);
            QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
            QCOMPARE(env.dialogs.last().prompt, QStringLiteral("Masih ada Input Data Lagi?"));
            QCOMPARE(Env::query(path, QStringLiteral("SELECT Kode_Barang, Jumlah FROM tbrgkeluar")),
                     QStringList { QStringLiteral("A1|3.0") });
            QCOMPARE(Env::query(path, QStringLiteral("SELECT Jumlah_Stok FROM tstok")),
                     QStringList { QStringLiteral("7.0") });
        }
        qputenv("GUDANG_TEST_SERVER", suiteServer);
    }
};

QTEST_MAIN(TestServer)
#include "tst_server.moc"
