// The contract of the store interface, the same on SQLite and on PostgreSQL (the suite runs
// against both): rows written and read by identity and by key, writes of a row that changed
// since it was read refused, transactions all or nothing, failures of their kind. Record
// sources and the stock services rest on it.
#include "core/apperror.h"
#include "core/schema.h"
#include "model/recordsource.h"
#include "stock/stockservice.h"
#include "store/store.h"
#include "store/tableaccess.h"
#include "support.h"

#include <QTest>

using namespace gudang;
using test::Env;

namespace {

const TableDef &goods()
{
    return tableDef(QStringLiteral("tbarang"));
}

std::vector<Value> goodsRow(const QString &code, const QString &name)
{
    return { code, name, QStringLiteral("M"), QStringLiteral("S"), QStringLiteral("pcs") };
}

std::vector<int> allColumns(const TableDef &t)
{
    std::vector<int> cols;
    for (int c = 0; c < int(t.columns.size()); ++c) {
        if (t.columns[size_t(c)].kind != ColumnKind::AutoNumber)
            cols.push_back(c);
    }
    return cols;
}

QString failureKind(const std::function<void()> &call, AppError::Kind *kind)
{
    try {
        call();
    } catch (const AppError &e) {
        *kind = e.kind();
        return e.description();
    }
    return {};
}

} // namespace

class TestStore : public QObject
{
    Q_OBJECT
private slots:
    // A row added comes back by its identity and by its key; a key that is not there gives
    // nothing; the automatic number is given and reported.
    void rowsByIdentityAndKey()
    {
        Env env;
        auto store = openStore(env.locations.workingPath());
        auto table = store->table(goods());
        std::vector<Value> row = goodsRow(QStringLiteral("A1"), QStringLiteral("Kopi"));
        int64_t id = 0;
        {
            auto tx = store->begin();
            id = table->insert(*tx, allColumns(goods()), row);
            tx->commit();
        }
        const auto byId = table->reread(id, nullptr);
        QVERIFY(byId);
        QCOMPARE(byId->cells[1].value(), QByteArray("Kopi"));
        const auto byKey
            = table->findStored(col::tbarang::Kode_Barang, QStringLiteral("A1"), nullptr);
        QVERIFY(byKey);
        QCOMPARE(byKey->rowId, id);
        QVERIFY(!table->findStored(col::tbarang::Kode_Barang, QStringLiteral("a1"), nullptr));

        auto out = store->table(tableDef(QStringLiteral("tbrgkeluar")));
        std::vector<Value> issue { Value(), QStringLiteral("A1"),
                                   QDateTime(QDate(2026, 3, 1), QTime(0, 0)), 2.5 };
        auto tx = store->begin();
        out->insert(*tx, { 1, 2, 3 }, issue);
        const double first = issue[0].toNumber();
        out->insert(*tx, { 1, 2, 3 }, issue);
        tx->commit();
        QCOMPARE(issue[0].toNumber(), first + 1);
    }

    // A write names the row as it was read: refused on every store, nothing written, when
    // another program changed any column of it (a text, a number, a Null, a date) or deleted
    // it since; taken when it is as read.
    void staleWritesAreRefused_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("seed");
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<int>("column"); // written by the stale write
        QTest::newRow("text changed")
            << "tbarang"
            << "INSERT INTO tbarang VALUES ('A1', 'Kopi', 'M', 'S', 'pcs')"
            << "UPDATE tbarang SET Merk = 'Lain'" << 1;
        QTest::newRow("number changed") << "tstok"
                                        << "INSERT INTO tstok VALUES ('A1', 100, 5)"
                                        << "UPDATE tstok SET Jumlah_Stok = 90" << 2;
        QTest::newRow("null given a value") << "tstok"
                                            << "INSERT INTO tstok VALUES ('A1', NULL, 5)"
                                            << "UPDATE tstok SET Jumlah_Stok = 1" << 1;
        QTest::newRow("value made null") << "tstok"
                                         << "INSERT INTO tstok VALUES ('A1', 3, 5)"
                                         << "UPDATE tstok SET Stok_Minimum = NULL" << 1;
        QTest::newRow("date changed")
            << "tbrgkeluar"
            << "INSERT INTO tbrgkeluar (Kode_Barang, Tanggal, Jumlah) VALUES ('A1', "
               "'2026-03-01 00:00:00', 2)"
            << "UPDATE tbrgkeluar SET Tanggal = '2026-03-02 00:00:00'" << 3;
        QTest::newRow("deleted") << "tstok"
                                 << "INSERT INTO tstok VALUES ('A1', 100, 5)"
                                 << "DELETE FROM tstok" << 1;
    }
    void staleWritesAreRefused()
    {
        QFETCH(QString, table);
        QFETCH(QString, seed);
        QFETCH(QString, meanwhile);
        QFETCH(int, column);
        Env env;
        const QString path = env.locations.workingPath();
        Env::exec(path, seed);
        auto store = openStore(path);
        auto access = store->table(tableDef(table));
        struct Sink final : RowSink
        {
            uint32_t storeRow(int64_t id, const char *const *cells, const size_t *sizes) override
            {
                row.rowId = id;
                for (int c = 0; c < columns; ++c)
                    row.cells.push_back(
                        cells[c] ? std::optional(QByteArray(cells[c], qsizetype(sizes[c])))
                                 : std::nullopt);
                return 0;
            }
            int columns = 0;
            StoredRow row;
        } read;
        read.columns = int(tableDef(table).columns.size());
        std::vector<uint32_t> offsets;
        access->reader(read)->readSome(1, offsets);
        Env::exec(path, meanwhile);
        const QStringList changed = Env::query(path, QStringLiteral("SELECT * FROM %1").arg(table));
        std::vector<Value> values(tableDef(table).columns.size(), Value(7.0));
        int64_t id = read.row.rowId;
        {
            auto tx = store->begin();
            QCOMPARE(access->update(*tx, id, cellsOf(read.row), { column }, values),
                     TableAccess::Outcome::Changed);
            QCOMPARE(access->remove(*tx, id, cellsOf(read.row)), TableAccess::Outcome::Changed);
            tx->commit();
        }
        QCOMPARE(Env::query(path, QStringLiteral("SELECT * FROM %1").arg(table)), changed);
        {
            // A write of a row held, which a store may send with the commit: stale, it fails
            // the whole transaction, a row appended before it included.
            auto goods = store->table(tableDef(QStringLiteral("tbarang")));
            auto tx = store->begin();
            goods->append(*tx, { 0 }, { Value(QStringLiteral("ZZ9")) });
            try {
                access->updateLater(*tx, id, cellsOf(read.row), { column }, values,
                                    QStringLiteral("sudah berubah"));
                tx->commit();
                QFAIL("a stale held write was committed");
            } catch (const AppError &e) {
                QCOMPARE(e.kind(), AppError::Kind::Changed);
                QCOMPARE(e.description(), QStringLiteral("sudah berubah"));
            }
        }
        QCOMPARE(Env::query(path, QStringLiteral("SELECT * FROM %1").arg(table)), changed);
        QCOMPARE(Env::query(path,
                            QStringLiteral("SELECT Kode_Barang FROM tbarang WHERE "
                                           "Kode_Barang = 'ZZ9'")),
                 QStringList());
        // Read again, the same write goes through.
        const auto now = access->reread(id, nullptr);
        if (!now)
            return; // deleted: nothing left to write
        auto tx = store->begin();
        QCOMPARE(access->update(*tx, id, cellsOf(*now), { column }, values),
                 TableAccess::Outcome::Done);
        tx->commit();
        QVERIFY(Env::query(path, QStringLiteral("SELECT * FROM %1").arg(table)) != changed);
    }

    // Through record sources: a second source on the stock table that read the row before a
    // posting cannot write its old stock over the posting, nor delete the row, on either store;
    // the journal and the stock keep adding up.
    void staleSourceCannotUndoAPosting()
    {
        Env env;
        const QString path = env.locations.workingPath();
        Env::exec(path, QStringLiteral("INSERT INTO tstok VALUES ('A1', 100, 5)"));
        auto grid = openRecordSource(path, QStringLiteral("tstok")); // read before the posting
        auto stock = openRecordSource(path, QStringLiteral("tstok"));
        auto out = openRecordSource(path, QStringLiteral("tbrgkeluar"));
        StockService service(path, QStringLiteral("kasir"));
        stock->moveFirst();
        QCOMPARE(service
                     .post(*out, *stock,
                           { QStringLiteral("A1"),
                             QDateTime::currentDateTime(),
                             QStringLiteral("10"),
                             10,
                             {} })
                     .outcome,
                 PostingResult::Done);
        grid->moveFirst();
        grid->setField(col::tstok::Jumlah_Stok, 100);
        const QString refused = test::failureOf([&] { grid->update(); });
        QVERIFY2(refused.startsWith(QStringLiteral("Data ini sudah diubah di komputer lain sejak "
                                                   "dibaca (tabel tstok)")),
                 qPrintable(refused));
        QCOMPARE(grid->field(col::tstok::Jumlah_Stok).toNumber(), 90.0); // shown as it now is
        Env::exec(path, QStringLiteral("UPDATE tstok SET Stok_Minimum = 6"));
        QVERIFY(test::failureOf([&] {
                    grid->deleteCurrent();
                }).startsWith(QStringLiteral("Data ini sudah diubah di komputer lain")));
        QCOMPARE(Env::query(path, QStringLiteral("SELECT Jumlah_Stok FROM tstok")),
                 QStringList { QStringLiteral("90.0") });
    }

    // A unique value already there fails as such, naming the column; a write outside the
    // store's own running transaction is refused; a second transaction while one runs too.
    void failuresOfTheirKind()
    {
        Env env;
        auto store = openStore(env.locations.workingPath());
        auto table = store->table(goods());
        std::vector<Value> row = goodsRow(QStringLiteral("A1"), QStringLiteral("Kopi"));
        {
            auto tx = store->begin();
            table->insert(*tx, allColumns(goods()), row);
            tx->commit();
        }
        AppError::Kind kind = AppError::Kind::General;
        auto tx = store->begin();
        try {
            table->insert(*tx, allColumns(goods()), row);
            QFAIL("a second A1 was taken");
        } catch (const AppError &e) {
            QCOMPARE(e.kind(), AppError::Kind::Unique);
            QCOMPARE(refusedWrite(goods(), row, e),
                     QStringLiteral(
                         "Kode_Barang \"A1\" sudah ada pada tabel tbarang; data tidak disimpan."));
        }
        QVERIFY(!failureKind([&] { store->begin(); }, &kind).isEmpty());
        tx->commit();
        // A write in a transaction that has ended, or of another store, is refused.
        std::vector<Value> other = goodsRow(QStringLiteral("B2"), QStringLiteral("Teh"));
        QVERIFY(
            !failureKind([&] { table->insert(*tx, allColumns(goods()), other); }, &kind).isEmpty());
        QCOMPARE(
            Env::query(env.locations.workingPath(), QStringLiteral("SELECT count(*) FROM tbarang")),
            QStringList { QStringLiteral("1") });
        QCOMPARE(openStore(env.locations.workingPath()).get(), store.get()); // one per address
    }

    // Without a commit nothing is written and the snapshots are put back, their actions in
    // reverse order; with a commit no action runs.
    void transactionsAreAllOrNothing()
    {
        Env env;
        auto store = openStore(env.locations.workingPath());
        auto table = store->table(goods());
        QStringList undone;
        {
            auto tx = store->begin();
            std::vector<Value> a = goodsRow(QStringLiteral("A1"), QStringLiteral("Kopi"));
            std::vector<Value> b = goodsRow(QStringLiteral("B2"), QStringLiteral("Teh"));
            table->insert(*tx, allColumns(goods()), a);
            tx->onRollback([&] { undone << QStringLiteral("a"); });
            table->insert(*tx, allColumns(goods()), b);
            tx->onRollback([&] { undone << QStringLiteral("b"); });
        }
        QCOMPARE(undone, (QStringList { "b", "a" }));
        QCOMPARE(
            Env::query(env.locations.workingPath(), QStringLiteral("SELECT count(*) FROM tbarang")),
            QStringList { QStringLiteral("0") });
        {
            auto tx = store->begin();
            std::vector<Value> a = goodsRow(QStringLiteral("A1"), QStringLiteral("Kopi"));
            table->insert(*tx, allColumns(goods()), a);
            tx->onRollback([&] { undone << QStringLiteral("never"); });
            tx->commit();
        }
        QCOMPARE(undone.size(), 2);
        QCOMPARE(
            Env::query(env.locations.workingPath(), QStringLiteral("SELECT count(*) FROM tbarang")),
            QStringList { QStringLiteral("1") });
    }
};

QTEST_MAIN(TestStore)
#include "tst_store.moc"
