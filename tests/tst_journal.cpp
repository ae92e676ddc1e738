// The movement journal: written in the same transaction as every stock and goods-out change,
// begun with an opening balance per code in a database that had none, and never disagreeing
// with the stock table.
#include "core/apperror.h"
#include "core/schema.h"
#include "model/recordsource.h"
#include "reports/engine/reportdefinition.h"
#include "screens/issue/frmkeluar.h"
#include "stock/journal.h"
#include "stock/receipts.h"
#include "stock/stockservice.h"
#include "store/address.h"
#include "store/setup.h"
#include "store/sqlite/sqlitefiles.h"
#include "support.h"

#include <QPushButton>
#include <QTest>
#include <random>

using namespace gudang;
using test::Env;

namespace {

std::unique_ptr<RecordSource> open(Env &env, const char *table)
{
    return openRecordSource(env.locations.workingPath(), QString::fromLatin1(table));
}

bool findCode(RecordSource &s, const QString &code)
{
    if (s.recordCount() == 0)
        return false;
    s.moveFirst();
    s.find(QStringLiteral("Kode_Barang"), code);
    return !s.eof();
}

// For every code, the journal's changes and the stock as stored: "code journal stock".
QStringList balances(Env &env, const QStringList &codes)
{
    QStringList each;
    for (const QString &code : codes)
        each << QStringLiteral("SELECT '%1' AS k").arg(code);
    QStringList out;
    for (const QString &row : Env::query(
             env.locations.workingPath(),
             QStringLiteral("SELECT c.k, coalesce((SELECT sum(Perubahan) FROM tmutasi m WHERE "
                            "m.Kode_Barang = c.k), 0), coalesce((SELECT Jumlah_Stok FROM tstok s "
                            "WHERE s.Kode_Barang = c.k), 0) FROM (%1) AS c ORDER BY c.k")
                 .arg(each.join(QStringLiteral(" UNION ALL "))))) {
        const QStringList f = row.split(QLatin1Char('|'));
        out << QStringLiteral("%1 %2 %3").arg(f[0]).arg(f[1].toDouble()).arg(f[2].toDouble());
    }
    return out;
}

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT

private slots:
    // A long random mix of bookings, settings, postings, goods-out edits and deletes and stock
    // deletes, some of them failing half way (the journal row refused by the database):
    // for every code the journal adds up to the stock, on the database and in the snapshot.
    void journalAddsUpToTheStock()
    {
        Env env;
        const QStringList codes { "K1", "K2", "K3", "K4", "K5" };
        Env::exec(env.locations.workingPath(),
                  test::onServer()
                      ? QStringLiteral(
                          "CREATE FUNCTION gagal() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN IF "
                          "NEW.perubahan IN (7, -7) THEN RAISE EXCEPTION 'uji'; END IF; RETURN "
                          "NEW; END$$; CREATE TRIGGER gagal BEFORE INSERT ON tmutasi FOR EACH "
                          "ROW EXECUTE FUNCTION gagal()")
                      : QStringLiteral("CREATE TRIGGER gagal BEFORE INSERT ON tmutasi WHEN "
                                       "NEW.Perubahan IN (7, -7) BEGIN SELECT RAISE(ABORT, 'uji'); "
                                       "END"));
        auto stock = open(env, "tstok");
        auto out = open(env, "tbrgkeluar");
        StockService service(env.locations.workingPath(), QStringLiteral("admin"));
        ReceiptService receipts(env.locations.workingPath(), QStringLiteral("admin"),
                                Role::Pemilik);
        for (const QString &c : codes)
            Env::exec(env.locations.workingPath(),
                      QStringLiteral("INSERT INTO tbarang (Kode_Barang) VALUES ('%1')").arg(c));
        std::mt19937 random(20261210);
        auto pick = [&](int n) {
            return int(random() % unsigned(n));
        };
        std::map<QString, int> done, failed;
        for (int step = 0; step < 400; ++step) {
            const QString code = codes[pick(codes.size())];
            const int q = 1 + pick(9);
            const char *kinds[] = { "booking",  "setting",    "posting",      "posting",
                                    "out edit", "out delete", "stock delete", "receipt" };
            const QString kind = QString::fromLatin1(kinds[pick(8)]);
            try {
                if (kind == QLatin1String("booking")) {
                    service.book(*stock, code, q, 1);
                } else if (kind == QLatin1String("receipt")) {
                    receipts.post({ QDate::currentDate(),
                                    QString(),
                                    QString(),
                                    { { code, double(q), double(100 + pick(900)) / 3 } } });
                    stock = open(env, "tstok"); // what another screen would read now
                } else if (kind == QLatin1String("setting")) {
                    if (!findCode(*stock, code))
                        continue;
                    stock->setField(col::tstok::Jumlah_Stok, pick(40));
                    service.saveStock(*stock);
                } else if (kind == QLatin1String("posting")) {
                    if (!findCode(*stock, code))
                        continue;
                    const Value now = stock->field(col::tstok::Jumlah_Stok);
                    service.post(*out, *stock,
                                 { code, QDateTime::currentDateTime(), QString::number(q),
                                   double(q),
                                   now.isNumber() ? std::optional(now.toNumber()) : std::nullopt });
                } else if (kind == QLatin1String("out edit")) {
                    if (out->recordCount() == 0)
                        continue;
                    out->setCurrentRow(pick(out->recordCount()));
                    out->setField(col::tbrgkeluar::Jumlah, q);
                    service.saveGoodsOut(*out);
                } else if (kind == QLatin1String("out delete")) {
                    if (out->recordCount() == 0)
                        continue;
                    out->setCurrentRow(pick(out->recordCount()));
                    service.deleteGoodsOut(*out);
                } else {
                    if (!findCode(*stock, code))
                        continue;
                    service.deleteStock(*stock);
                }
                ++done[kind];
            } catch (const AppError &e) {
                QVERIFY2(e.description().contains(QStringLiteral("uji")),
                         qPrintable(e.description()));
                RecordSource::cancelAllPending();
                ++failed[kind];
            }
            const QStringList found = balances(env, codes);
            for (const QString &line : found) {
                const QStringList f = line.split(QLatin1Char(' '));
                QVERIFY2(f[1] == f[2],
                         qPrintable(QStringLiteral("step %1 (%2): %3")
                                        .arg(step)
                                        .arg(kind, found.join(QStringLiteral("; ")))));
            }
        }
        for (const char *kind : { "booking", "setting", "posting", "out edit", "out delete",
                                  "stock delete", "receipt" })
            QVERIFY2(done[QString::fromLatin1(kind)] > 5, kind);
        int failures = 0;
        for (const auto &[kind, n] : failed)
            failures += n;
        QVERIFY2(failures >= 5, qPrintable(QString::number(failures)));
        // The snapshot holds what the database holds: every failure was taken back in both.
        QStringList snapshot;
        for (int r = 0; r < stock->recordCount(); ++r)
            snapshot << stock->cellText(r, 0) + QLatin1Char('|')
                    + QString::number(stock->cellText(r, 1).toDouble());
        QStringList stored;
        for (const QString &row : Env::query(
                 env.locations.workingPath(),
                 QStringLiteral("SELECT Kode_Barang, Jumlah_Stok FROM tstok ORDER BY rowid")))
            stored << row.section(QLatin1Char('|'), 0, 0) + QLatin1Char('|')
                    + QString::number(row.section(QLatin1Char('|'), 1).toDouble());
        QCOMPARE(snapshot, stored);
        // Every movement valued, in its transaction: what failed left no value either.
        QVERIFY(test::valuesAddUp(env));
    }

    // What a posting on the goods-out screen writes into the journal, and a correction.
    void postingOnTheScreenIsJournaled()
    {
        Env env;
        {
            auto stock = open(env, "tstok");
            StockService(env.locations.workingPath(), QStringLiteral("admin"))
                .book(*stock, QStringLiteral("A1"), 10, 1);
        }
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tbarang VALUES ('A1', 'Beras', 'M', 'S', 'sak')"));
        env.app().setUser(QStringLiteral("kasir1"));
        frmkeluar &k = test::openIssue(env);
        test::readyIssue(k, QStringLiteral("A1"), QStringLiteral("3"));
        env.dialogs.answer(Button::Yes);
        QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.last().prompt, QStringLiteral("Masih ada Input Data Lagi?"));
        k.adodc1->moveFirst();
        k.adodc1->setField(col::tbrgkeluar::Jumlah, 4);
        env.app().stock().saveGoodsOut(*k.adodc1);
        QCOMPARE(
            Env::query(env.locations.workingPath(),
                       QStringLiteral("SELECT Pengguna, Jenis, Kode_Barang, Perubahan, "
                                      "Stok_Akhir, No_Keluar, Keterangan FROM tmutasi ORDER "
                                      "BY No_Mutasi")),
            (QStringList { "admin|stok masuk|A1|10.0|10.0|<null>|",
                           "kasir1|barang keluar|A1|-3.0|7.0|1.0|",
                           "kasir1|koreksi keluar|A1|0.0|<null>|1.0|diubah: Jumlah 3 menjadi 4" }));
    }

    // A database made before the journal gets it when the program first opens it: one opening
    // balance per code, the stock as it stands.
    void existingDatabaseGetsTheJournal()
    {
        Env env;
        const QString path = env.locations.workingPath();
        Env::exec(path,
                  QStringLiteral("DROP TABLE tmutasi; INSERT INTO tstok VALUES ('A1', 5, 1), "
                                 "('B2', NULL, 1)"));
        if (test::onServer()) {
            Env::exec(path, QStringLiteral("UPDATE gudang_skema SET versi = 1"));
            upgradeServer(env.locations.server());
            upgradeServer(env.locations.server()); // once only
        } else {
            Env::exec(path, QStringLiteral("PRAGMA user_version = 1"));
            upgradeDatabaseFile(path, DbRole::Working);
            upgradeDatabaseFile(path, DbRole::Working); // once only
            QCOMPARE(Env::query(path, QStringLiteral("PRAGMA user_version")),
                     QStringList { QString::number(kSchemaVersion) });
        }
        QCOMPARE(Env::query(path,
                            QStringLiteral("SELECT Jenis, Kode_Barang, Perubahan, Stok_Akhir "
                                           "FROM tmutasi ORDER BY No_Mutasi")),
                 (QStringList { "saldo awal|A1|5.0|5.0", "saldo awal|B2|0.0|0.0" }));
        // Made by the program, not by a person: the opening balances say so.
        QCOMPARE(Env::query(path, QStringLiteral("SELECT DISTINCT Pengguna FROM tmutasi")),
                 QStringList { QStringLiteral("Gudang") });
    }

    // A journal of schema version 2 gets each movement's own day: a posting the date of its
    // goods-out row (entered later, dated earlier), any other movement the day it was entered.
    void olderJournalGetsItsDays()
    {
        Env env;
        const QString path = env.locations.workingPath();
        Env::exec(
            path,
            QStringLiteral("DROP INDEX tmutasi_kode_tanggal; ALTER TABLE tmutasi DROP COLUMN "
                           "Tanggal; INSERT INTO tbrgkeluar "
                           "(Kode_Barang, Tanggal, Jumlah) VALUES ('A1', '2026-11-20 "
                           "00:00:00', 5); INSERT INTO tmutasi (Waktu, Pengguna, Jenis, "
                           "Kode_Barang, Perubahan, Stok_Akhir, No_Keluar, Keterangan) VALUES "
                           "('2026-11-01 09:00:00', 'ani', 'stok masuk', 'A1', 10, 10, NULL, "
                           "''), ('2026-12-10 15:00:00', 'budi', 'barang keluar', 'A1', -5, "
                           "5, 1, '')"));
        if (test::onServer()) {
            Env::exec(path, QStringLiteral("UPDATE gudang_skema SET versi = 2"));
            upgradeServer(env.locations.server());
        } else {
            Env::exec(path, QStringLiteral("PRAGMA user_version = 2"));
            upgradeDatabaseFile(path, DbRole::Working);
        }
        QCOMPARE(Env::query(path,
                            QStringLiteral("SELECT Jenis, Tanggal FROM tmutasi ORDER BY "
                                           "No_Mutasi")),
                 (QStringList { "stok masuk|2026-11-01 00:00:00",
                                "barang keluar|2026-11-20 00:00:00" }));
        // The program works on the upgraded journal: a posting's day is its date.
        auto stock = open(env, "tstok");
        StockService service(path, QStringLiteral("ani"));
        service.book(*stock, QStringLiteral("A1"), 1, 1, QDate(2026, 12, 1));
        QCOMPARE(Env::query(path,
                            QStringLiteral("SELECT Tanggal FROM tmutasi ORDER BY No_Mutasi "
                                           "DESC LIMIT 1")),
                 QStringList { QStringLiteral("2026-12-01 00:00:00") });
    }

    // A stock card reads one code's movements through the journal's index by code and day, not
    // through the whole journal; a journal of an earlier version gets the index, and a backup
    // that has it is the program's own.
    void journalIsReadByCodeAndDay()
    {
        Env env;
        const QString path = env.locations.workingPath();
        Env::exec(path, QStringLiteral("DROP INDEX tmutasi_kode_tanggal"));
        if (test::onServer()) {
            Env::exec(path, QStringLiteral("UPDATE gudang_skema SET versi = 3"));
            upgradeServer(env.locations.server());
            QCOMPARE(Env::query(path,
                                QStringLiteral("SELECT indexdef FROM pg_indexes WHERE indexname "
                                               "= 'tmutasi_kode_tanggal'")),
                     QStringList { QStringLiteral("CREATE INDEX tmutasi_kode_tanggal ON "
                                                  "public.tmutasi USING btree (kode_barang, "
                                                  "tanggal, no_mutasi)") });
            return;
        }
        Env::exec(path, QStringLiteral("PRAGMA user_version = 3"));
        upgradeDatabaseFile(path, DbRole::Working);
        writeMissingReportDefinitions(env.locations);
        QString sql = readReportDefinition(stockCardReportPath(env.locations)).query;
        for (const auto &[name, value] :
             stockCardParameters(QStringLiteral("A1"), QDate(2026, 1, 1), QDate(2026, 1, 31)))
            sql.replace(QLatin1Char(':') + name, QLatin1Char('\'') + value + QLatin1Char('\''));
        const QString plan
            = Env::query(path, QStringLiteral("EXPLAIN QUERY PLAN ") + sql).join(QLatin1Char('\n'));
        QVERIFY2(plan.contains(QStringLiteral("USING INDEX tmutasi_kode_tanggal"))
                     && !plan.contains(QStringLiteral("SCAN m")),
                 qPrintable(plan));
        QCOMPARE(sqliteForeignList(path, DbRole::Working), QStringList());
    }
};

QTEST_MAIN(TestJournal)
#include "tst_journal.moc"
