#include "core/apperror.h"
#include "faultvfs.h"
#include "model/gridmodel.h"
#include "model/loader.h"
#include "model/recordsource.h"
#include "model/rowstore.h"
#include "store/setup.h"
#include "store/sqlite/sqlitestore.h"
#include "store/store.h"
#include "support.h"
#include "ui/gridview.h"

#include <QAbstractItemModelTester>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <charconv>

using namespace gudang;
using gudang::test::Env;

namespace {

std::unique_ptr<RecordSource> open(Env &env, const char *table)
{
    return openRecordSource(env.locations.workingPath(), QString::fromLatin1(table));
}

void addGoods(RecordSource &s, const QString &code, const QString &name = QStringLiteral("nama"))
{
    s.addNew();
    s.setField(0, code);
    s.setField(1, name);
    s.setField(2, QStringLiteral("merk"));
    s.setField(3, QStringLiteral("sup"));
    s.setField(4, QStringLiteral("pcs"));
    s.update();
}

// `n` goods-out rows K1..Kn, numbered 1..n, with quantities 1..n.
void addGoodsOut(Env &env, int n)
{
    Env::exec(env.locations.workingPath(),
              QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c "
                             "WHERE x < %1) INSERT INTO tbrgkeluar (Kode_Barang, Tanggal, "
                             "Jumlah) SELECT 'K' || x, '2026-01-01 00:00:00', x FROM c")
                  .arg(n));
}

} // namespace

class TestRecordSource : public QObject
{
    Q_OBJECT
private slots:
    void snapshotIsolationAndWriteThrough()
    {
        Env env;
        auto a = open(env, "tbarang");
        auto b = open(env, "tbarang");
        addGoods(*a, QStringLiteral("A1"));
        QCOMPARE(a->recordCount(), 1);
        QCOMPARE(b->recordCount(), 0); // b does not see a's change
        QCOMPARE(Env::query(env.locations.workingPath(), QStringLiteral("SELECT * FROM tbarang")),
                 QStringList { QStringLiteral("A1|nama|merk|sup|pcs") });
        auto c = open(env, "tbarang");
        QCOMPARE(c->recordCount(), 1);
        QCOMPARE(c->field(0).toText(), QStringLiteral("A1"));
        // Texts are written unchanged; an empty text is not Null.
        a->addNew();
        a->setField(0, QStringLiteral(" a B "));
        a->setField(1, QString(""));
        a->update();
        QCOMPARE(
            Env::query(
                env.locations.workingPath(),
                QStringLiteral(
                    "SELECT Kode_Barang, CASE WHEN Nama_Barang IS NULL THEN 'null' ELSE 'text' "
                    "END, Merk FROM tbarang WHERE rowid = 2")),
            QStringList { QStringLiteral(" a B |text|<null>") });
    }

    // One big transaction does not leave a log of its size behind once the database closes.
    void logIsCutBackAfterABigTransaction()
    {
        SKIP_ON_SERVER();
        Env env;
        const QString wal = env.locations.workingPath() + QStringLiteral("-wal");
        // A stock source that wrote (and so its journal) and was closed, but not yet deleted,
        // as a screen's sources are between unloading and deletion: it holds nothing open.
        auto stock = open(env, "tstok");
        stock->addNew();
        stock->setField(0, QStringLiteral("S1"));
        stock->update();
        stock->close();
        std::shared_ptr<SqliteStore> db = SqliteStore::open(env.locations.workingPath());
        db->exec("BEGIN; WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                 "WHERE i < 200000) INSERT INTO tbarang SELECT 'K' || i, printf('%.20c', 'x'), "
                 "'m', 's', 'pcs' FROM n; COMMIT;");
        QVERIFY2(QFileInfo(wal).size() > 8 * 1024 * 1024,
                 qPrintable(QString::number(QFileInfo(wal).size())));
        // Cut back when the database closes; a log of working size stays as it is.
        db.reset();
        QCOMPARE(QFileInfo(wal).size(), 0);
        db = SqliteStore::open(env.locations.workingPath());
        db->exec("INSERT INTO tbarang VALUES ('L1', 'n', 'm', 's', 'pcs')");
        const qint64 small = QFileInfo(wal).size();
        QVERIFY(small > 0);
        db.reset();
        QCOMPARE(QFileInfo(wal).size(), small);
    }

    void findForwardFromCurrentRow()
    {
        Env env;
        auto s = open(env, "tbrgkeluar"); // goods codes repeat there
        int n = 0;
        for (const char *code : { "K1", "K2", "K1", "k1", "O'Neil" }) {
            s->addNew();
            s->setField(1, QString::fromLatin1(code));
            s->setField(3, ++n);
            s->update();
        }
        s->moveFirst();
        s->find(QStringLiteral("Kode_Barang"), QStringLiteral("K1"));
        QCOMPARE(s->currentRow(), 0); // the current row itself counts
        s->setCurrentRow(1);
        s->find(QStringLiteral("Kode_Barang"), QStringLiteral("K1"));
        QCOMPARE(s->currentRow(), 2);
        s->setCurrentRow(3);
        s->find(QStringLiteral("Kode_Barang"), QStringLiteral("K1")); // case matters
        QVERIFY(s->eof());
        QVERIFY(!test::failureOf([&] { s->field(0); }).isEmpty());
        // A row that is not there cannot be made current.
        for (int row : { -1, s->recordCount(), 1 << 30 })
            QVERIFY(
                test::failureOf([&] { s->setCurrentRow(row); })
                    .startsWith(
                        QStringLiteral("Baris %1 tidak ada pada tabel tbrgkeluar").arg(row + 1)));
        // From past the end nothing more is found, and nothing fails.
        s->find(QStringLiteral("Kode_Barang"), QStringLiteral("K2"));
        QVERIFY(s->eof());
        s->moveFirst();
        s->find(QStringLiteral("Kode_Barang"), QStringLiteral("O'Neil")); // a quote is a character
        QCOMPARE(s->field(3).toNumber(), 5.0);
    }

    void findOnEmptyTableEndsPastLastRow()
    {
        Env env;
        auto s = open(env, "tbarang");
        QVERIFY(s->eof());
        s->find(QStringLiteral("Kode_Barang"), QStringLiteral("X"));
        QVERIFY(s->eof());
        QCOMPARE(test::failureOf([&] { s->field(0); }),
                 QStringLiteral("Tidak ada data yang aktif pada tabel tbarang."));
    }

    void deleteLeavesCurrentRowUnreadable()
    {
        Env env;
        auto s = open(env, "tbarang");
        for (const char *code : { "A", "B", "C" })
            addGoods(*s, QString::fromLatin1(code));
        s->setCurrentRow(1);
        s->deleteCurrent();
        QCOMPARE(s->recordCount(), 2);
        QVERIFY(!s->eof());
        QCOMPARE(test::failureOf([&] { s->field(0); }),
                 QStringLiteral("Data yang aktif pada tabel tbarang sudah dihapus."));
        QVERIFY(!test::failureOf([&] { s->deleteCurrent(); }).isEmpty()); // not twice
        QCOMPARE(Env::query(env.locations.workingPath(),
                            QStringLiteral("SELECT Kode_Barang FROM tbarang")),
                 (QStringList { QStringLiteral("A"), QStringLiteral("C") }));
        s->find(QStringLiteral("Kode_Barang"), QStringLiteral("C")); // forward from where B stood
        QCOMPARE(s->field(0).toText(), QStringLiteral("C"));
        s->moveFirst();
        QCOMPARE(s->field(0).toText(), QStringLiteral("A"));
    }

    void conversions_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored"); // empty: the write fails
        QTest::newRow("number") << "tstok" << 1 << "12"
                                << "12.0";
        QTest::newRow("number with blanks") << "tstok" << 1 << " 2.5 "
                                            << "2.5";
        QTest::newRow("negative") << "tstok" << 1 << "-5"
                                  << "-5.0";
        QTest::newRow("exponent") << "tstok" << 1 << "1e3"
                                  << "1000.0";
        QTest::newRow("letters") << "tstok" << 1 << "abc"
                                 << "";
        QTest::newRow("empty") << "tstok" << 1 << ""
                               << "";
        QTest::newRow("decimal comma") << "tstok" << 1 << "2,5"
                                       << "2.5";
        QTest::newRow("comma and point") << "tstok" << 1 << "1.000,5"
                                         << "";
        QTest::newRow("trailing letters") << "tstok" << 1 << "12a"
                                          << "";
        QTest::newRow("infinity") << "tstok" << 1 << "inf"
                                  << "";
        QTest::newRow("too large") << "tstok" << 1 << "1e999"
                                   << "";
        QTest::newRow("text at limit") << "tstok" << 0 << "1234567890"
                                       << "1234567890";
        QTest::newRow("text over limit") << "tstok" << 0 << "12345678901"
                                         << "";
        QTest::newRow("emoji is one character") << "tstok" << 0 << "123456789\U0001F600"
                                                << "123456789\U0001F600";
        QTest::newRow("date") << "tbrgkeluar" << 2 << "2026-12-09"
                              << "2026-12-09 00:00:00";
        QTest::newRow("not a date") << "tbrgkeluar" << 2 << "besok"
                                    << "";
        QTest::newRow("goods-out number is the database's") << "tbrgkeluar" << 0 << "5"
                                                            << "";
    }
    void conversions()
    {
        QFETCH(QString, table);
        QFETCH(int, position);
        QFETCH(QString, text);
        QFETCH(QString, stored);
        Env env;
        auto s = openRecordSource(env.locations.workingPath(), table);
        s->addNew();
        if (table == QLatin1String("tstok") && position != 0)
            s->setField(0, QStringLiteral("K"));
        const QString error = test::failureOf([&] {
            s->setField(position, text);
            s->update();
        });
        const QStringList rows = Env::query(
            env.locations.workingPath(),
            QStringLiteral("SELECT \"%1\" FROM %2").arg(s->columnName(position), table));
        if (stored.isEmpty()) {
            QVERIFY(error.contains(s->columnName(position)));
            QCOMPARE(s->recordCount(), 0); // the pending row is dropped
            QVERIFY(!s->hasPending());
            QVERIFY(rows.isEmpty());
        } else {
            QCOMPARE(error, QString());
            QCOMPARE(rows, QStringList { stored });
        }
    }

    // Numbers of a table come into the snapshot as their shortest text, whole ones too.
    void numbersReadAsTheirShortestText()
    {
        SKIP_ON_SERVER();
        Env env;
        const std::vector<double> values { 0.0,       7.0,       -3.0,  99999.0, -99999.0,
                                           100000.0,  1e6,       2.5,   0.1,     1e-7,
                                           123456.75, -100000.5, 1e300, 99999.5, -99999.25 };
        QStringList rows;
        for (size_t i = 0; i < values.size(); ++i)
            rows << QStringLiteral("('K%1', %2, 1)").arg(i).arg(values[i], 0, 'g', 17);
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tstok VALUES ") + rows.join(QLatin1Char(',')));
        auto s = open(env, "tstok");
        QCOMPARE(s->recordCount(), int(values.size()));
        for (size_t i = 0; i < values.size(); ++i) {
            char text[32];
            const auto end = std::to_chars(text, text + sizeof text, values[i]).ptr;
            QCOMPARE(s->cellText(int(i), 1), QString::fromLatin1(text, int(end - text)));
        }
    }

    void droppedPendingRowIsNeverWrittenLater()
    {
        Env env;
        auto s = open(env, "tbrgkeluar");
        s->addNew();
        s->setField(1, QStringLiteral("K1"));
        QVERIFY(!test::failureOf([&] { s->setField(3, QStringLiteral("abc")); }).isEmpty());
        QCOMPARE(s->recordCount(), 0);
        s->addNew();
        s->setField(1, QStringLiteral("K2"));
        s->setField(3, QStringLiteral("4"));
        s->update();
        QCOMPARE(Env::query(env.locations.workingPath(),
                            QStringLiteral("SELECT Kode_Barang, Jumlah FROM tbrgkeluar")),
                 QStringList { QStringLiteral("K2|4.0") });
    }

    void goodsOutNumbersAreFoundExactly()
    {
        Env env;
        auto s = open(env, "tbrgkeluar");
        for (int i = 1; i <= 15; ++i) {
            s->addNew();
            s->setField(1, QStringLiteral("K%1").arg(i));
            s->setField(2, QDateTime(QDate(2026, 1, i), QTime(0, 0)));
            s->setField(3, i);
            s->update();
            QCOMPARE(s->field(0).toNumber(), double(i)); // numbered by the database at once
        }
        s->moveFirst();
        s->find(QStringLiteral("No_Keluar"), QStringLiteral("15"));
        QCOMPARE(s->field(1).toText(), QStringLiteral("K15"));
        s->moveFirst();
        s->find(QStringLiteral("No_Keluar"), QStringLiteral("1"));
        QCOMPARE(s->field(1).toText(), QStringLiteral("K1"));
        QCOMPARE(s->field(2).toDate(), QDateTime(QDate(2026, 1, 1), QTime(0, 0)));
        s->moveFirst();
        s->find(QStringLiteral("No_Keluar"), QStringLiteral("5' OR '1'='1"));
        QVERIFY(s->eof());
    }

    void duplicateCodeIsRefusedWithClearMessage()
    {
        Env env;
        auto s = open(env, "tbarang");
        addGoods(*s, QStringLiteral("A1"));
        const QString error = test::failureOf([&] { addGoods(*s, QStringLiteral("A1")); });
        QCOMPARE(error,
                 QStringLiteral(
                     "Kode_Barang \"A1\" sudah ada pada tabel tbarang; data tidak disimpan."));
        QCOMPARE(s->recordCount(), 1);
        QCOMPARE(
            Env::query(env.locations.workingPath(), QStringLiteral("SELECT count(*) FROM tbarang")),
            QStringList { QStringLiteral("1") });
    }

    void missingDatabaseFailsEveryOperation()
    {
        SKIP_ON_SERVER();
        Env env(false);
        auto s = openRecordSource(env.locations.credentialsPath(), QStringLiteral("tpass"));
        const QString error = test::failureOf([&] { s->field(0); });
        QVERIFY2(error.startsWith(QStringLiteral("Database "))
                     && error.contains(QStringLiteral("tidak ditemukan")),
                 qPrintable(error));
        QCOMPARE(test::failureOf([&] { s->recordCount(); }), error);
        QVERIFY(!QFile::exists(env.locations.credentialsPath())); // never created by opening
    }

    void existingFileIsNeverEmptied()
    {
        SKIP_ON_SERVER();
        Env env;
        {
            auto s = open(env, "tbarang");
            addGoods(*s, QStringLiteral("A1"));
        }
        createDatabaseFile(env.locations.workingPath(), DbRole::Working);
        QCOMPARE(
            Env::query(env.locations.workingPath(), QStringLiteral("SELECT count(*) FROM tbarang")),
            QStringList { QStringLiteral("1") });
        QCOMPARE(Env::query(env.locations.workingPath(), QStringLiteral("PRAGMA journal_mode")),
                 QStringList { QStringLiteral("wal") });
    }

    void rolledBackTransactionRestoresSnapshots()
    {
        Env env;
        auto stock = open(env, "tstok");
        stock->addNew();
        stock->setField(0, QStringLiteral("K1"));
        stock->setField(1, 10);
        stock->update();
        auto out = open(env, "tbrgkeluar");
        // The grid models follow the rollback by the model contract.
        GridModel outModel(out.get());
        GridModel stockModel(stock.get());
        QAbstractItemModelTester outTester(&outModel,
                                           QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester stockTester(
            &stockModel, QAbstractItemModelTester::FailureReportingMode::QtTest);
        {
            auto t = out->beginTransaction();
            out->addNew();
            out->setField(1, QStringLiteral("K1"));
            out->setField(3, 3);
            out->update();
            stock->setField(1, 7);
            stock->update();
            // no commit: rolled back
        }
        QCOMPARE(out->recordCount(), 0);
        QCOMPARE(stock->field(1).toNumber(), 10.0);
        QCOMPARE(Env::query(env.locations.workingPath(),
                            QStringLiteral("SELECT count(*) FROM tbrgkeluar")),
                 QStringList { QStringLiteral("0") });
        QCOMPARE(Env::query(env.locations.workingPath(),
                            QStringLiteral("SELECT Jumlah_Stok FROM tstok")),
                 QStringList { QStringLiteral("10.0") });
        {
            auto t = stock->beginTransaction();
            stock->setField(1, 7);
            stock->update();
            t->commit();
        }
        QCOMPARE(Env::query(env.locations.workingPath(),
                            QStringLiteral("SELECT Jumlah_Stok FROM tstok")),
                 QStringList { QStringLiteral("7.0") });
    }

    void gridFollowsSourceBothWays()
    {
        Env env;
        auto s = open(env, "tbarang");
        for (const char *code : { "A", "B", "C" })
            addGoods(*s, QString::fromLatin1(code));
        QTableView view;
        bindGrid(&view, s.get());
        QCOMPARE(view.model()->rowCount(), 3);
        QCOMPARE(view.model()->headerData(1, Qt::Horizontal).toString(),
                 QStringLiteral("Nama_Barang"));
        s->moveFirst();
        QCOMPARE(view.selectionModel()->currentIndex().row(), 0);
        view.selectionModel()->setCurrentIndex(view.model()->index(2, 1),
                                               QItemSelectionModel::ClearAndSelect
                                                   | QItemSelectionModel::Rows);
        QCOMPARE(s->currentRow(), 2);
        QCOMPARE(s->field(0).toText(), QStringLiteral("C"));
        addGoods(*s, QStringLiteral("D"));
        QCOMPARE(view.model()->rowCount(), 4);
        QCOMPARE(view.model()->index(3, 0).data().toString(), QStringLiteral("D"));
        QCOMPARE(view.selectionModel()->currentIndex().row(), 3);
        s->setCurrentRow(1);
        s->deleteCurrent();
        QCOMPARE(view.model()->rowCount(), 3);
        QCOMPARE(s->currentRow(), -1); // the grid's moved selection does not revive the row
        QVERIFY(!test::failureOf([&] { s->field(0); }).isEmpty());
    }

    // In a big snapshot finds go through a hash index; they must find exactly what a scan
    // finds, also after the rows change under it.
    void indexedFindAgreesWithScan()
    {
        RowStore store(2);
        QRandomGenerator rnd(7);
        auto record = [](int64_t id, const QByteArray &code) {
            RowStore::Builder b;
            b.start(id);
            b.addBytes("x", 1);
            if (code == "<null>")
                b.addNull();
            else
                b.addBytes(code.constData(), size_t(code.size()));
            return b.bytes();
        };
        auto code = [&] {
            const int k = int(rnd.bounded(300));
            return k == 0 ? QByteArray("<null>")
                : k == 1  ? QByteArray()
                          : "K" + QByteArray::number(k);
        };
        const int n = RowStore::kIndexFrom * 2;
        for (int i = 0; i < n; ++i)
            store.append(store.store(record(i, code())));
        auto scan = [&](int from, const QByteArray &needle) {
            for (int r = from; r < store.rowCount(); ++r) {
                const RowStore::Cell c = store.cell(r, 1);
                if (!c.null
                    && c.bytes == std::string_view(needle.constData(), size_t(needle.size())))
                    return r;
            }
            return store.rowCount();
        };
        auto check = [&](const char *when) {
            for (int t = 0; t < 400; ++t) {
                const int from = t < 200 ? 0 : int(rnd.bounded(store.rowCount()));
                const QByteArray needle = t % 7 == 0 ? QByteArray("TIDAKADA") : code();
                const std::string_view v(needle.constData(), size_t(needle.size()));
                if (store.findBytes(from, 1, v) != scan(from, needle))
                    QFAIL(qPrintable(QStringLiteral("%1: find %2 from %3")
                                         .arg(QLatin1String(when), QString::fromLatin1(needle))
                                         .arg(from)));
            }
        };
        check("loaded");
        QVERIFY(store.indexBytes() > 0);
        store.setOffset(10, store.store(record(10, "BARU")));
        QCOMPARE(store.indexBytes(), size_t(0));
        QCOMPARE(store.findBytes(0, 1, "BARU"), 10);
        store.insert(5, store.store(record(n, "SISIP")));
        QCOMPARE(store.findBytes(0, 1, "BARU"), 11);
        store.remove(0);
        check("changed");
        QCOMPARE(store.findBytes(0, 1, "SISIP"), 4);
    }

    // A big table comes into the grid in chunks; the grid always agrees with the source.
    void bigGridShowsRowsInChunks()
    {
        Env env;
        const int n = GridModel::kChunk * 2 + 10;
        addGoodsOut(env, n);
        auto s = open(env, "tbrgkeluar");
        QTableView view;
        view.resize(400, 300);
        bindGrid(&view, s.get());
        view.show();
        QAbstractItemModel *m = view.model();
        QCOMPARE(m->rowCount(), GridModel::kChunk);
        QCOMPARE(view.selectionModel()->currentIndex().row(), 0);
        // Scrolling to the end fetches the next chunk.
        view.scrollToBottom();
        QTRY_COMPARE(m->rowCount(), 2 * GridModel::kChunk);
        // From here on every change is checked against the model contract (the checker fetches
        // the last chunk itself).
        QAbstractItemModelTester tester(m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        // A new row at the end becomes current, so the grid shows every row up to it.
        s->addNew();
        QCOMPARE(s->currentRow(), n);
        QCOMPARE(m->rowCount(), n + 1);
        QCOMPARE(view.selectionModel()->currentIndex().row(), n);
        s->cancelPending();
        QCOMPARE(m->rowCount(), n);
        // A find far down moves the grid there.
        s->moveFirst();
        s->find(QStringLiteral("Kode_Barang"), QStringLiteral("K%1").arg(n));
        QCOMPARE(s->currentRow(), n - 1);
        QCOMPARE(view.selectionModel()->currentIndex().row(), n - 1);
        QCOMPARE(m->index(n - 1, 1).data().toString(), QStringLiteral("K%1").arg(n));
        // Selecting a row in the grid makes it current in the source.
        view.selectionModel()->setCurrentIndex(
            m->index(5000, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QCOMPARE(s->currentRow(), 5000);
        s->deleteCurrent();
        QCOMPARE(m->rowCount(), n - 1);
        QCOMPARE(m->index(5000, 1).data().toString(), s->cellText(5000, 1));
        // A source reset starts again at the first chunk.
        s->close();
        QCOMPARE(m->rowCount(), 0);
    }

    // A grid over a big table holds a window of its rows: a far current row moves the window
    // there, scrolling to the window's top brings the chunk above, and model rows and source
    // rows stay paired through every change.
    void gridWindowFollowsFarRows()
    {
        Env env;
        const int n = 30000;
        addGoodsOut(env, n);
        auto s = open(env, "tbrgkeluar");
        s->recordCount();
        QTableView view;
        view.resize(400, 300);
        bindGrid(&view, s.get());
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto *m = qobject_cast<GridModel *>(view.model());
        QAbstractItemModelTester tester(m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        auto marked = [&] {
            return m->sourceRow(view.selectionModel()->currentIndex().row());
        };

        s->setCurrentRow(25000); // far below the rows shown: the window moves there
        QVERIFY(m->rowCount() <= 2 * GridModel::kChunk);
        QCOMPARE(marked(), 25000);
        QCOMPARE(m->index(m->modelRow(25000), 1).data().toString(), QStringLiteral("K25001"));
        const QRect r = view.visualRect(m->index(m->modelRow(25000), 0));
        QVERIFY(view.viewport()->rect().intersects(r));

        // Scrolled to the top of the window: the chunk above comes in, the rows in view stay.
        const int firstBefore = m->sourceRow(0);
        QVERIFY(firstBefore > 0);
        const int topRow = m->sourceRow(view.rowAt(0));
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->minimum());
        QCOMPARE(m->sourceRow(0), std::max(0, firstBefore - GridModel::kChunk));
        QCOMPARE(m->sourceRow(view.rowAt(0)), firstBefore);
        QVERIFY(topRow >= firstBefore);

        // A row chosen in the grid is the source's row; a new row at the end is shown there.
        view.selectionModel()->setCurrentIndex(
            m->index(3, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QCOMPARE(s->currentRow(), m->sourceRow(3));
        QCOMPARE(s->field(1).toText(), QStringLiteral("K%1").arg(m->sourceRow(3) + 1));
        s->addNew();
        QCOMPARE(marked(), n);
        QCOMPARE(m->index(m->modelRow(n), 0).isValid(), true);
        s->cancelPending();
        s->moveFirst();
        QCOMPARE(marked(), 0);
        QCOMPARE(m->index(0, 1).data().toString(), QStringLiteral("K1"));
    }

    // What the window shown during a wait lets happen cannot pull the table from under the
    // wait: a close asked for meanwhile is done when the wait is over (the waiting operation
    // then fails cleanly), an edit asked for meanwhile is refused; and whatever the loading
    // thread meets ends the load with a reason, never the program.
    void eventsDuringAWaitAreSafe_data()
    {
        QTest::addColumn<QString>("during");
        QTest::newRow("close") << "close";
        QTest::newRow("add new") << "add";
        QTest::newRow("find") << "find";
    }
    void eventsDuringAWaitAreSafe()
    {
        SKIP_ON_SERVER(); // a slow disk under SQLite
        QFETCH(QString, during);
        test::faultvfs::install();
        Env env;
        addGoodsOut(env, 60000);
        auto s = open(env, "tbrgkeluar");
        QString inside;
        bool asked = false;
        RecordSource::loadWait() = [&](const QString &, qint64, bool done) {
            if (done || asked)
                return;
            asked = true;
            inside = test::failureOf([&] {
                if (during == QLatin1String("close")) {
                    s->close();
                } else if (during == QLatin1String("add")) {
                    s->addNew();
                } else {
                    s->moveFirst();
                    s->find(QStringLiteral("Kode_Barang"), QStringLiteral("K5"));
                }
            });
        };
        test::faultvfs::slowReads(2000);
        const QString after = test::failureOf([&] { s->recordCount(); });
        test::faultvfs::slowReads(0);
        RecordSource::loadWait() = nullptr;
        QVERIFY(asked);
        if (during == QLatin1String("close")) {
            QCOMPARE(inside, QString());
            QCOMPARE(after, QStringLiteral("Sumber data tabel tbrgkeluar sudah ditutup."));
            QCOMPARE(s->rowCount(), 0);
        } else {
            QCOMPARE(inside,
                     QStringLiteral("Tabel tbrgkeluar masih dimuat; ulangi sebentar lagi."));
            QCOMPARE(after, QString());
            QCOMPARE(s->recordCount(), 60000);
            QVERIFY(!s->hasPending());
        }
    }

    // The loading thread ends with a reason whatever the reading throws, lack of memory and
    // foreign exceptions included: nothing escapes the thread to end the program.
    void loaderTurnsEveryFailureIntoAReason_data()
    {
        QTest::addColumn<int>("throws"); // 0 AppError, 1 bad_alloc, 2 std::exception, 3 int
        QTest::addColumn<QString>("reason");
        QTest::newRow("our error") << 0 << "disk rusak";
        QTest::newRow("no memory") << 1 << "memori tidak cukup untuk seluruh tabel";
        QTest::newRow("standard exception") << 2 << "aneh";
        QTest::newRow("anything else") << 3 << "kesalahan yang tidak dikenal";
    }
    void loaderTurnsEveryFailureIntoAReason()
    {
        QFETCH(int, throws);
        QFETCH(QString, reason);
        struct Failing final : RowReader
        {
            int kind = 0;
            bool readSome(int, std::vector<uint32_t> &) override
            {
                switch (kind) {
                case 0:
                    throw AppError(QStringLiteral("disk rusak"));
                case 1:
                    throw std::bad_alloc();
                case 2:
                    throw std::runtime_error("aneh");
                default:
                    throw 7;
                }
            }
        };
        auto reader = std::make_unique<Failing>();
        reader->kind = throws;
        Loader loader(std::move(reader));
        loader.start([] {});
        QVERIFY(loader.waitForEnd(10000));
        std::vector<uint32_t> rows;
        QString error;
        QVERIFY(loader.take(rows, &error));
        QCOMPARE(error, reason);
    }

    // While the user types and clicks, a big table's reading gives way (its first rows are
    // there); it goes on when the user stops, and what needs the whole table does not wait for
    // the user to stop.
    void backgroundReadingGivesWayToTheUser()
    {
        Env env;
        const int n = 60000;
        addGoodsOut(env, n);
        RecordSource::userActed();
        auto a = open(env, "tbrgkeluar");
        QElapsedTimer typing;
        typing.start();
        while (typing.elapsed() < 400) {
            RecordSource::userActed();
            QTest::qWait(20);
        }
        QCOMPARE(a->rowCount(), 4096);
        QTRY_COMPARE(a->rowCount(), n);
        RecordSource::userActed();
        auto b = open(env, "tbrgkeluar");
        RecordSource::userActed();
        QCOMPARE(b->recordCount(), n);
    }

    // A big table: the first rows at once, the rest from a read begun at the opening, so the
    // source is the table as it was then; what needs the whole table waits for it, a long wait
    // is shown, and a read that fails on the way closes the source with the reason.
    void tableLoadsInTheBackground()
    {
        test::faultvfs::install();
        Env env;
        const int n = 60000;
        const QString path = env.locations.workingPath();
        addGoodsOut(env, n);
        auto a = open(env, "tbrgkeluar");
        QCOMPARE(a->rowCount(), 4096); // what a grid paints first
        auto b = open(env, "tbrgkeluar");
        Env::exec(path,
                  QStringLiteral("INSERT INTO tbrgkeluar (Kode_Barang, Tanggal, Jumlah) "
                                 "VALUES ('LAIN', '2026-02-01 00:00:00', 1)"));
        QCOMPARE(a->recordCount(), n); // not the row written after it opened
        QCOMPARE(a->cellText(n - 1, 1), QStringLiteral("K%1").arg(n));
        // Its own change waits for the whole table and comes after it.
        b->addNew();
        b->setField(1, QStringLiteral("BARU"));
        b->setField(2, QDateTime(QDate(2026, 3, 1), QTime(0, 0)));
        b->setField(3, 2);
        b->update();
        QCOMPARE(b->recordCount(), n + 1);
        QCOMPARE(b->currentRow(), n);
        QCOMPARE(Env::query(path, QStringLiteral("SELECT count(*) FROM tbrgkeluar")),
                 QStringList { QString::number(n + 2) });

        // A grid over a source still loading keeps the model contract as rows join.
        auto c = open(env, "tbrgkeluar");
        GridModel model(c.get());
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QTRY_COMPARE(c->rowCount(), n + 2);
        QCOMPARE(model.rowCount(), 2 * GridModel::kChunk); // more as the grid scrolls
        QCOMPARE(model.index(model.rowCount() - 1, 1).data().toString(),
                 QStringLiteral("K%1").arg(2 * GridModel::kChunk));

        if (test::onServer())
            return; // what follows slows and breaks the disk under SQLite
        // A slow disk: the wait is shown, with the rows read so far, and then ended.
        QList<qint64> shown;
        bool ended = false;
        RecordSource::loadWait() = [&](const QString &table, qint64 rows, bool done) {
            QCOMPARE(table, QStringLiteral("tbrgkeluar"));
            if (done)
                ended = true;
            else
                shown << rows;
        };
        test::faultvfs::slowReads(2000);
        auto d = open(env, "tbrgkeluar");
        d->moveFirst();
        d->find(QStringLiteral("Kode_Barang"), QStringLiteral("BARU"));
        QCOMPARE(d->currentRow(), n + 1); // after the row written by another program
        QVERIFY(!shown.isEmpty());
        QVERIFY(ended);
        QVERIFY(std::is_sorted(shown.begin(), shown.end()));

        // The disk fails half way: the source says so and stays closed; a new one works.
        auto e = open(env, "tbrgkeluar");
        test::faultvfs::failReads(true);
        const QString why = test::failureOf([&] { e->recordCount(); });
        test::faultvfs::failReads(false);
        test::faultvfs::slowReads(0);
        RecordSource::loadWait() = nullptr;
        QVERIFY2(
            why.startsWith(QStringLiteral("Tabel tbrgkeluar tidak dapat dimuat sampai habis: ")),
            qPrintable(why));
        QCOMPARE(env.dialogs.last().prompt, why); // said at once, too
        QCOMPARE(test::failureOf([&] { e->moveFirst(); }), why);
        QCOMPARE(open(env, "tbrgkeluar")->recordCount(), n + 2);
    }
};

QTEST_MAIN(TestRecordSource)
#include "tst_recordsource.moc"
