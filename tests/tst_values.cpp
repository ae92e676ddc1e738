// What the stock is worth: the moving-average rule, receipts at a price, the value and cost
// reports, on both stores.
#include "core/valuation.h"
#include "model/recordsource.h"
#include "stock/receipts.h"
#include "stock/stockservice.h"
#include "support.h"

#include <QProcess>
#include <QTest>
#include <cmath>

using namespace gudang;
using gudang::test::Env;

namespace {

const QDate kJan5(2027, 1, 5);

void seedGoods(Env &env, const QStringList &codes)
{
    for (const QString &c : codes)
        Env::exec(
            env.locations.workingPath(),
            QStringLiteral("INSERT INTO tbarang VALUES ('%1', 'Nama %1', 'M', 'S', 'pcs')").arg(c));
}

// The report's CSV lines after its heading.
QStringList reportLines(Env &env, const QStringList &arguments)
{
    const QString file = env.locations.dataDir() + QStringLiteral("/laporan.csv");
    const auto [code, said]
        = test::runOnStore(GUDANG_BINARY, env, arguments + QStringList { "--csv", file });
    if (code != 0) {
        qWarning("%s", qPrintable(said));
        return { QStringLiteral("exit %1").arg(code) };
    }
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return { QStringLiteral("no file") };
    QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"));
    lines.removeFirst();
    lines.removeAll(QString());
    return lines;
}

} // namespace

class TestValues : public QObject
{
    Q_OBJECT
private slots:
    // The rule, case by case: stock before, value before, last average, change, price;
    // the movement's value and the average after it.
    void movementValueRule_data()
    {
        QTest::addColumn<double>("stock");
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("average");
        QTest::addColumn<double>("change");
        QTest::addColumn<double>("price"); // NaN: none
        QTest::addColumn<double>("moved");
        QTest::addColumn<double>("averageAfter");
        const double none = NAN;
        QTest::newRow("receipt") << 10.0 << 10000.0 << 1000.0 << 10.0 << 2000.0 << 20000.0
                                 << 1500.0;
        QTest::newRow("out at its share")
            << 20.0 << 30000.0 << 1500.0 << -5.0 << none << -7500.0 << 1500.0;
        QTest::newRow("out of all: value zero")
            << 3.0 << 1000.0 << 333.0 << -3.0 << none << -1000.0 << 333.0;
        QTest::newRow("share rounded to the rupiah, halves up")
            << 3.0 << 1000.0 << 0.0 << -1.0 << none << -333.0 << 333.5;
        QTest::newRow("half a rupiah away from zero")
            << 2.0 << 1.0 << 0.5 << -1.0 << none << -1.0 << 0.0;
        QTest::newRow("rise at the average")
            << 4.0 << 1000.0 << 250.0 << 2.0 << none << 500.0 << 250.0;
        QTest::newRow("rise from nothing at the last average")
            << 0.0 << 0.0 << 1875.0 << 2.0 << none << 3750.0 << 1875.0;
        QTest::newRow("receipt of a fraction at a price")
            << 0.0 << 0.0 << 0.0 << 2.5 << 999.0 << 2498.0 << 999.2;
        QTest::newRow("taking back more than the value there is")
            << 5.0 << 1000.0 << 200.0 << -2.0 << 900.0 << -1000.0 << 0.0;
        QTest::newRow("nothing moved") << 5.0 << 1000.0 << 200.0 << 0.0 << none << 0.0 << 200.0;
    }
    void movementValueRule()
    {
        QFETCH(double, stock);
        QFETCH(double, value);
        QFETCH(double, average);
        QFETCH(double, change);
        QFETCH(double, price);
        QFETCH(double, moved);
        QFETCH(double, averageAfter);
        const MovementValue m
            = valueMovement(stock, value, average, change,
                            std::isnan(price) ? std::nullopt : std::optional<double>(price));
        QCOMPARE(m.value, moved);
        QCOMPARE(m.valueAfter, value + moved);
        QCOMPARE(m.averageAfter, averageAfter);
        QVERIFY(!std::signbit(m.value) || m.value != 0); // never "-0"
    }

    // Received 10 at 1,000 and 10 at 2,000, 5 out, 5 more at 3,000: the value at a date, what
    // the goods out cost, the purchase prices; the values add up after every step.
    void receiptsValueTheStock()
    {
        Env env;
        seedGoods(env, { "A1", "B2" });
        const QString path = env.locations.workingPath();
        ReceiptService receipts(path, QStringLiteral("admin"), Role::Pemilik);
        receipts.post({ kJan5,
                        QStringLiteral("PT Maju"),
                        QStringLiteral("F-1"),
                        { { QStringLiteral("A1"), 10, 1000 } } });
        receipts.post({ QDate(2027, 1, 10),
                        QStringLiteral("PT Maju"),
                        QStringLiteral("F-2"),
                        { { QStringLiteral("A1"), 10, 2000 }, { QStringLiteral("B2"), 3, 500 } } });
        QVERIFY(test::valuesAddUp(env));
        {
            auto stock = openRecordSource(path, QStringLiteral("tstok"));
            auto out = openRecordSource(path, QStringLiteral("tbrgkeluar"));
            StockService service(path, QStringLiteral("admin"));
            stock->moveFirst();
            stock->find(QStringLiteral("Kode_Barang"), QStringLiteral("A1"));
            QVERIFY(!stock->eof());
            const PostingResult r
                = service.post(*out, *stock,
                               { QStringLiteral("A1"), QDateTime(QDate(2027, 1, 15), QTime(10, 0)),
                                 QStringLiteral("5"), 5, std::nullopt });
            QCOMPARE(r.outcome, PostingResult::Done);
        }
        const qint64 last = receipts.post({ QDate(2027, 1, 20),
                                            QString(),
                                            QStringLiteral("F-3"),
                                            { { QStringLiteral("A1"), 5, 3000 } } });
        QVERIFY(test::valuesAddUp(env));
        const QStringList nilai { "--report", "nilai", "--tanggal" };
        QCOMPARE(reportLines(env, nilai + QStringList { "2027-01-12" }),
                 QStringList({ "A1;Nama A1;pcs;20;1500;30000;", "B2;Nama B2;pcs;3;500;1500;" }));
        QCOMPARE(reportLines(env, nilai + QStringList { "2027-01-31" }),
                 QStringList({ "A1;Nama A1;pcs;20;1875;37500;", "B2;Nama B2;pcs;3;500;1500;" }));
        QCOMPARE(reportLines(env, nilai + QStringList { "2027-01-04" }),
                 QStringList({ "A1;Nama A1;pcs;0;;0;", "B2;Nama B2;pcs;0;;0;" }));
        QCOMPARE(
            reportLines(env, { "--report", "hpp", "--from", "2027-01-01", "--to", "2027-01-31" }),
            QStringList({ "A1;Nama A1;pcs;5;7500" }));
        const QStringList prices = reportLines(env, { "--report", "harga-beli", "--kode", "A1" });
        QCOMPARE(prices.size(), 3);
        QVERIFY2(prices[1].startsWith(QStringLiteral("A1;")) && prices[1].contains(";1000;1500;"),
                 qPrintable(prices[1]));

        // Taken back once, at its price, while the goods are there.
        receipts.reverse(last);
        QVERIFY(test::valuesAddUp(env));
        QCOMPARE(Env::query(path,
                            QStringLiteral("SELECT Jumlah_Stok FROM tstok WHERE "
                                           "Kode_Barang = 'A1'")),
                 QStringList { "15.0" });
        QCOMPARE(Env::query(path,
                            QStringLiteral("SELECT Nilai FROM tnilai WHERE Kode_Barang = "
                                           "'A1'")),
                 QStringList { "22500.0" });
        QVERIFY(test::failureOf([&] { receipts.reverse(last); }).contains("sudah dibatalkan"));
    }

    // A refused line leaves nothing: no receipt, no stock, no journal row, no value.
    void refusedReceiptsWriteNothing_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<double>("quantity");
        QTest::addColumn<double>("price");
        QTest::addColumn<QString>("said");
        QTest::newRow("unknown code") << "ZZ" << 1.0 << 10.0 << "tidak terdaftar";
        QTest::newRow("no quantity") << "A1" << 0.0 << 10.0 << "bukan jumlah";
        QTest::newRow("negative price") << "A1" << 1.0 << -1.0 << "bukan harga";
        QTest::newRow("not a number") << "A1" << 1.0 << double(NAN) << "bukan harga";
    }
    void refusedReceiptsWriteNothing()
    {
        QFETCH(QString, code);
        QFETCH(double, quantity);
        QFETCH(double, price);
        QFETCH(QString, said);
        Env env;
        seedGoods(env, { "A1" });
        ReceiptService receipts(env.locations.workingPath(), QStringLiteral("admin"),
                                Role::Pemilik);
        const QString why = test::failureOf([&] {
            receipts.post({ kJan5,
                            QString(),
                            QString(),
                            { { QStringLiteral("A1"), 2, 100 }, { code, quantity, price } } });
        });
        QVERIFY2(why.contains(said), qPrintable(why));
        for (const char *table :
             { "tterima", "tterimabrg", "tstok", "tmutasi", "tnilai", "tnilaimutasi", "tsaldo" })
            QCOMPARE(Env::query(env.locations.workingPath(),
                                QStringLiteral("SELECT count(*) FROM %1").arg(table)),
                     QStringList { "0" });
        // A cashier receives nothing.
        ReceiptService cashier(env.locations.workingPath(), QStringLiteral("kasir1"), Role::Kasir);
        QVERIFY(test::failureOf([&] {
                    cashier.post({ kJan5, QString(), QString(), { { "A1", 1, 1 } } });
                }).contains(QStringLiteral("Kasir")));
    }
};

QTEST_MAIN(TestValues)
#include "tst_values.moc"
