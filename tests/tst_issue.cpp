#include "app/startup.h"
#include "model/recordsource.h"
#include "screens/issue/frmeklr.h"
#include "screens/issue/frmkeluar.h"
#include "screens/shell/frmpas.h"
#include "screens/shell/frmutama.h"
#include "screens/stock/frmstok.h"
#include "stock/stockservice.h"
#include "support.h"

#include <QAction>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <cmath>

using namespace gudang;
using gudang::test::activate;
using gudang::test::enter;
using gudang::test::Env;
using gudang::test::openIssue;
using gudang::test::selectedRow;

namespace {

const QString kShort = QStringLiteral("Stok Barang Kurang Dari Jumlah permintaan Barang");
const QString kWhole = QStringLiteral(
    "Stok Barang Sama Dengan Jumlah permintaan Barang, DITERUSKAN atau TIDAK..???");
const QString kMore = QStringLiteral("Masih ada Input Data Lagi?");
const QString kZero = QStringLiteral("Jumlah barang keluar harus lebih dari 0.");

void seed(Env &env, const QStringList &stock, int goodsOut = 0)
{
    for (const QString &row : stock) { // "code,quantity"
        const QStringList f = row.split(QLatin1Char(','));
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tbarang VALUES ('%1', 'Nama %1', 'M', 'S', 'pcs');"
                                 "INSERT INTO tstok VALUES ('%1', %2, 1)")
                      .arg(f[0], f[1]));
    }
    for (int i = 1; i <= goodsOut; ++i) {
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tbrgkeluar (Kode_Barang, Tanggal, Jumlah) VALUES "
                                 "('%1', '2026-01-%2 00:00:00', %3)")
                      .arg(stock.value(0).section(QLatin1Char(','), 0, 0))
                      .arg(i, 2, 10, QLatin1Char('0'))
                      .arg(i));
    }
}

QStringList outRows(Env &env)
{
    return Env::query(
        env.locations.workingPath(),
        QStringLiteral(
            "SELECT No_Keluar, Kode_Barang, Tanggal, Jumlah FROM tbrgkeluar ORDER BY No_Keluar"));
}

QString stockOf(Env &env, const QString &code)
{
    return Env::query(
               env.locations.workingPath(),
               QStringLiteral("SELECT Jumlah_Stok FROM tstok WHERE Kode_Barang = '%1'").arg(code))
        .value(0);
}

} // namespace

class TestIssue : public QObject
{
    Q_OBJECT
private slots:
    // The posting rule of the service, the same on the files and on a server (where the
    // server's posting function decides): one quantity for the goods-out row and the stock,
    // finite and not below 0, on a date the screen takes.
    void postingRule_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("quantity");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("said"); // outcome, or the start of the refusal
        QTest::addColumn<QString>("stock"); // A1's (10) or Z0's (0) afterwards
        QTest::addColumn<QString>("out"); // the goods-out row written, if any
        const QDate day(2026, 1, 5);
        QTest::newRow("a quarter") << "A1"
                                   << "0,25" << 0.25 << day << "done"
                                   << "9.75"
                                   << "A1|0.25";
        QTest::newRow("text and number differ")
            << "A1"
            << "5000" << 0.001 << day << "Jumlah \"5000\" tidak terbaca"
            << "10.0"
            << "";
        QTest::newRow("below 0") << "A1"
                                 << "-900" << -900.0 << QDate(2099, 12, 31) << "not"
                                 << "10.0"
                                 << "";
        QTest::newRow("not a number") << "A1"
                                      << "0" << std::nan("") << day << "not"
                                      << "10.0"
                                      << "";
        QTest::newRow("infinite") << "A1"
                                  << "0" << HUGE_VAL << day << "not"
                                  << "10.0"
                                  << "";
        QTest::newRow("more than a stock of 0") << "Z0"
                                                << "777" << 777.0 << day << "short"
                                                << "0.0"
                                                << "";
        QTest::newRow("a date the screen refuses")
            << "A1"
            << "1" << 1.0 << QDate(1500, 1, 1) << "Tanggal barang keluar"
            << "10.0"
            << "";
        QTest::newRow("an old date the screen takes") << "A1"
                                                      << "2" << 2.0 << QDate(2020, 1, 1) << "done"
                                                      << "8.0"
                                                      << "A1|2.0";
    }
    void postingRule()
    {
        QFETCH(QString, code);
        QFETCH(QString, text);
        QFETCH(double, quantity);
        QFETCH(QDate, date);
        QFETCH(QString, said);
        QFETCH(QString, stock);
        QFETCH(QString, out);
        Env env;
        seed(env, { "A1,10", "Z0,0" });
        const QString path = env.locations.workingPath();
        auto outSource = openRecordSource(path, QStringLiteral("tbrgkeluar"));
        auto stockSource = openRecordSource(path, QStringLiteral("tstok"));
        QString got;
        const QString why = test::failureOf([&] {
            const PostingResult r = env.app().stock().post(
                *outSource, *stockSource,
                { code, QDateTime(date, QTime(0, 0)), text, quantity, std::nullopt, {} });
            got = r.outcome == PostingResult::Done         ? QStringLiteral("done")
                : r.outcome == PostingResult::NotAQuantity ? QStringLiteral("not")
                : r.outcome == PostingResult::Short        ? QStringLiteral("short")
                                                           : QStringLiteral("other");
        });
        QVERIFY2((why.isEmpty() ? got : why).startsWith(said), qPrintable(why + got));
        QCOMPARE(stockOf(env, code), stock);
        QCOMPARE(Env::query(path, QStringLiteral("SELECT Kode_Barang, Jumlah FROM tbrgkeluar")),
                 out.isEmpty() ? QStringList() : QStringList { out });
        // The journal adds up to the stock.
        const QStringList moved
            = Env::query(path,
                         QStringLiteral("SELECT coalesce(sum(Perubahan), 0) FROM tmutasi WHERE "
                                        "Kode_Barang = '%1' AND Jenis = 'barang keluar'")
                             .arg(code));
        QCOMPARE(moved.value(0).toDouble() + (code == QLatin1String("A1") ? 10 : 0),
                 stock.toDouble());
    }

    void layoutAndOpening()
    {
        Env env;
        seed(env, { "A1,10" });
        frmkeluar &k = openIssue(env);
        QCOMPARE(k.windowTitle(), QStringLiteral("Input Barang Keluar"));
        QCOMPARE(k.size(), QSize(831, 508));
        QCOMPARE(k.Frame2->title(), QStringLiteral("DATA  STOK BARANG"));
        QCOMPARE(k.cmdedit->text(), QStringLiteral("&Edit "));
        QCOMPARE(k.cmdhapus->text(), QStringLiteral("&Hapus "));
        QVERIFY(!k.Text1->isVisible());
        QCOMPARE(k.Text1->text(), QStringLiteral("A1"));
        QCOMPARE(k.dt1->date(), QDate::currentDate());
        QCOMPARE(k.dt1->minimumDate(), QDate(1601, 1, 1));
        QCOMPARE(k.focusWidget(), k.cmdtutup);
        QVERIFY(!k.txtkode->isEnabled() && !k.txtjumlah->isEnabled() && !k.cmdsimpan->isEnabled());
        QCOMPARE(k.DataGrid2->parentWidget(), k.Frame1);
        QCOMPARE(k.DataGrid3->model()->rowCount(), 1);
        QTest::keyClick(k.cmdtutup, Qt::Key_Return); // Enter at once closes it again
        QVERIFY(!env.screens().isLoaded<frmkeluar>());
    }

    void posting_data()
    {
        QTest::addColumn<QString>("stock");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QStringList>("prompts");
        QTest::addColumn<QString>("written"); // Jumlah of the new goods-out row; empty: none
        QTest::addColumn<QString>("stockAfter");
        const QList<int> yes { int(Button::Yes) }, yesYes { int(Button::Yes), int(Button::Yes) },
            no { int(Button::No) };
        QTest::newRow("10 less 3") << "10"
                                   << "3" << yes << QStringList { kMore } << "3.0"
                                   << "7.0";
        QTest::newRow("10 less 12: short") << "10"
                                           << "12" << QList<int> {} << QStringList { kShort } << ""
                                           << "10.0";
        QTest::newRow("10 less 10, No") << "10"
                                        << "10" << no << QStringList { kWhole } << ""
                                        << "10.0";
        QTest::newRow("10 less 10, Yes")
            << "10"
            << "10" << yesYes << QStringList { kWhole, kMore } << "10.0"
            << "0.0";
        QTest::newRow("quantity 0") << "10"
                                    << "0" << QList<int> {} << QStringList { kZero } << ""
                                    << "10.0";
        QTest::newRow("quantity -2") << "10"
                                     << "-2" << QList<int> {} << QStringList { kZero } << ""
                                     << "10.0";
        QTest::newRow("quantity abc") << "10"
                                      << "abc" << QList<int> {} << QStringList { kZero } << ""
                                      << "10.0";
        QTest::newRow("quantity empty") << "10"
                                        << "" << QList<int> {} << QStringList { kZero } << ""
                                        << "10.0";
        QTest::newRow("2,5 with a decimal comma") << "10"
                                                  << "2,5" << yes << QStringList { kMore } << "2.5"
                                                  << "7.5";
        QTest::newRow("2.5") << "10"
                             << "2.5" << yes << QStringList { kMore } << "2.5"
                             << "7.5";
        QTest::newRow("stock 0, quantity 0")
            << "0"
            << "0" << yesYes << QStringList { kWhole, kMore } << "0.0"
            << "0.0";
    }
    void posting()
    {
        QFETCH(QString, stock);
        QFETCH(QString, quantity);
        QFETCH(QList<int>, answers);
        QFETCH(QStringList, prompts);
        QFETCH(QString, written);
        QFETCH(QString, stockAfter);
        Env env;
        seed(env, { "A1," + stock });
        frmkeluar &k = openIssue(env);
        test::readyIssue(k, QStringLiteral("A1"), quantity);
        for (int a : answers)
            env.dialogs.answer(Button(a));
        QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), prompts);
        for (const auto &box : env.dialogs.shown()) {
            if (box.prompt == kShort)
                QCOMPARE(box.style, 80);
            else if (box.prompt == kWhole || box.prompt == kMore)
                QCOMPARE(box.style, 68);
            if (box.style != 16)
                QCOMPARE(box.title, QStringLiteral("PERHATIAN"));
        }
        const QStringList rows = outRows(env);
        if (written.isEmpty()) {
            QCOMPARE(rows, QStringList());
            QCOMPARE(k.DataGrid1->model()->rowCount(), 0);
        } else {
            QCOMPARE(rows,
                     QStringList { QStringLiteral("1|A1|%1 00:00:00|%2")
                                       .arg(QDate::currentDate().toString(Qt::ISODate), written) });
            QCOMPARE(k.DataGrid1->model()->rowCount(), 1);
            QCOMPARE(k.DataGrid1->model()->index(0, 0).data().toString(), QStringLiteral("1"));
        }
        QCOMPARE(stockOf(env, QStringLiteral("A1")), stockAfter);
        QVERIFY(!env.screens().find<frmstok>()->Adodc1->hasPending());
        QCOMPARE(env.screens().find<frmstok>()->Adodc1->field(1).toText(),
                 QString(stockAfter).remove(QStringLiteral(".0")));
        if (prompts == QStringList { kShort }) {
            QCOMPARE(k.focusWidget(), k.txtjumlah);
            QCOMPARE(k.txtjumlah->text(), quantity);
        }
    }

    void followUpsOfTheTwoPaths()
    {
        Env env;
        seed(env, { "A1,10", "B2,4" });
        frmkeluar &k = openIssue(env);
        // Below the stock, Yes: focus into the emptied code field.
        test::readyIssue(k, QStringLiteral("A1"), QStringLiteral("3"));
        QVERIFY(k.dt1->isEnabled());
        env.dialogs.answer(Button::Yes);
        QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
        QCOMPARE(k.focusWidget(), k.txtkode);
        QCOMPARE(k.txtkode->text(), QString());
        QCOMPARE(k.txtjumlah->text(), QString());
        QVERIFY(k.cmdsimpan->isEnabled() && k.txtjumlah->isEnabled() && !k.cmdtambah->isEnabled());
        // Whole stock, Yes: the fields are emptied, the focus stays on Simpan.
        enter(k.txtkode, QStringLiteral("B2"));
        enter(k.txtjumlah, QStringLiteral("4"));
        env.dialogs.answer(Button::Yes);
        env.dialogs.answer(Button::Yes);
        QTest::keyClick(k.cmdsimpan, Qt::Key_Space);
        QCOMPARE(k.focusWidget(), k.cmdsimpan);
        QCOMPARE(k.txtkode->text(), QString());
        QVERIFY(k.txtkode->isEnabled());
        QVERIFY(!k.cmdtambah->isEnabled()); // stays disabled for the screen's life
        QCOMPARE(stockOf(env, QStringLiteral("B2")), QStringLiteral("0.0"));
        // The screen's own stock grid still shows the stock as loaded; the stock screen's follows.
        QCOMPARE(k.DataGrid3->model()->index(0, 1).data().toString(), QStringLiteral("10"));
        QCOMPARE(k.DataGrid3->model()->index(1, 1).data().toString(), QStringLiteral("4"));
        frmstok *hidden = env.screens().find<frmstok>();
        QVERIFY(hidden && !hidden->isVisible());
        QCOMPARE(hidden->DataGrid1->model()->index(0, 1).data().toString(), QStringLiteral("7"));
        QCOMPARE(k.DataGrid1->model()->rowCount(), 2);
        // No closes the screen; the stock screen stays loaded, unseen, on the lowered record.
        enter(k.txtkode, QStringLiteral("A1"));
        enter(k.txtjumlah, QStringLiteral("1"));
        env.dialogs.answer(Button::No);
        QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
        QVERIFY(!env.screens().isLoaded<frmkeluar>());
        QCOMPARE(env.screens().find<frmstok>(), hidden);
        QCOMPARE(hidden->Adodc1->field(0).toText(), QStringLiteral("A1"));
        QCOMPARE(hidden->Adodc1->field(1).toText(), QStringLiteral("6"));
    }

    void twoPostingsWithoutNewCheck()
    {
        Env env;
        seed(env, { "A1,10" });
        frmkeluar &k = openIssue(env);
        test::readyIssue(k, QStringLiteral("A1"), QStringLiteral("3"));
        env.dialogs.answer(Button::Yes);
        QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
        k.txtkode->setText(QStringLiteral("A1")); // no Enter this time
        k.txtjumlah->setText(QStringLiteral("8"));
        env.dialogs.clear();
        QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { kShort }); // compared against 7
        k.txtjumlah->setText(QStringLiteral("5"));
        env.dialogs.answer(Button::Yes);
        QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
        QCOMPARE(stockOf(env, QStringLiteral("A1")), QStringLiteral("2.0"));
        QCOMPARE(outRows(env).size(), 2);
    }

    void codeChangedAfterItsCheckIsCheckedAgain()
    {
        Env env;
        seed(env, { "A1,10", "B2,1" });
        frmkeluar &k = openIssue(env);
        test::readyIssue(k, QStringLiteral("A1"), QStringLiteral("3"));
        k.txtkode->setText(QStringLiteral("B2"));
        QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { kShort }); // B2's stock of 1, not A1's 10
        k.txtkode->setText(QStringLiteral("ZZ"));
        env.dialogs.clear();
        QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { "Maaf Kode Barang Tidak Terdaftar" });
        QCOMPARE(k.focusWidget(), k.txtkode);
        QVERIFY(outRows(env).isEmpty());
        QCOMPARE(stockOf(env, QStringLiteral("A1")), QStringLiteral("10.0"));
        QCOMPARE(stockOf(env, QStringLiteral("B2")), QStringLiteral("1.0"));
    }

    // Two programs on one store (a server, or one folder in turn): goods the other program
    // registered and booked after this one read its tables are sold here once the goods-out
    // screen is opened again; its code check reads the stock as stored now, and so does the
    // stock screen's check of the goods.
    void newGoodsFromAnotherProgramAreSeen()
    {
        Env env;
        seed(env, { "A1,10" });
        {
            frmkeluar &k = openIssue(env);
            test::readyIssue(k, QStringLiteral("A1"), QStringLiteral("1"));
            QTest::mouseClick(k.cmdtutup, Qt::LeftButton);
        }
        QVERIFY(env.screens().isLoaded<frmstok>()); // its stock table read before NEW01
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tbarang VALUES ('NEW01', 'Baru', 'M', 'S', 'pcs');"
                                 "INSERT INTO tstok VALUES ('NEW01', 20, 1)"));
        frmkeluar &k = openIssue(env);
        test::readyIssue(k, QStringLiteral("NEW01"), QStringLiteral("5"));
        QVERIFY(env.dialogs.shown().empty());
        env.dialogs.answer(Button::No);
        QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { "Masih ada Input Data Lagi?" });
        QCOMPARE(stockOf(env, QStringLiteral("NEW01")), QStringLiteral("15.0"));
        // The stock screen, loaded since: goods registered elsewhere after it read them.
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tbarang VALUES ('NEW02', 'Baru 2', 'M', 'S', "
                                 "'pcs')"));
        env.dialogs.clear();
        frmstok &s = test::showAbove<frmstok>(env.screens());
        QTest::mouseClick(s.cmdtambah, Qt::LeftButton);
        test::enter(s.txtkode, QStringLiteral("NEW02"));
        QVERIFY(env.dialogs.shown().empty());
        QCOMPARE(s.focusWidget(), s.txtstok);
    }

    // The screen read 10, another program left 5 since: a posting of 8 is short on the 5 and
    // leaves nothing (no goods-out row, no number taken, no journal row); 2 then posts on the 5.
    void postingOnAStaleStockDecidesOnTheStored()
    {
        Env env;
        seed(env, { "A1,10" });
        frmkeluar &k = openIssue(env);
        test::readyIssue(k, QStringLiteral("A1"), QStringLiteral("8"));
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("UPDATE tstok SET Jumlah_Stok = 5 WHERE Kode_Barang = 'A1'"));
        QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { test::shortOnChangedStock("5") });
        QVERIFY(outRows(env).isEmpty());
        const QString journal
            = QStringLiteral("SELECT count(*) FROM tmutasi WHERE Jenis = 'barang keluar'");
        QCOMPARE(Env::query(env.locations.workingPath(), journal), QStringList { "0" });
        env.dialogs.clear();
        env.dialogs.answer(Button::Yes);
        test::readyIssue(k, QStringLiteral("A1"), QStringLiteral("2"));
        QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { "Masih ada Input Data Lagi?" });
        QCOMPARE(stockOf(env, QStringLiteral("A1")), QStringLiteral("3.0"));
        QCOMPARE(Env::query(env.locations.workingPath(), journal), QStringList { "1" });
        QCOMPARE(k.adodc1->field(0).toText(), QStringLiteral("1"));
    }

    void postingIsAllOrNothing()
    {
        Env env;
        seed(env, { "A1,10" });
        // The stock write fails after the goods-out row has been added.
        Env::exec(env.locations.workingPath(),
                  test::onServer()
                      ? QStringLiteral("CREATE FUNCTION gagal() RETURNS trigger LANGUAGE plpgsql "
                                       "AS $$BEGIN RAISE EXCEPTION 'uji'; END$$; CREATE TRIGGER "
                                       "gagal BEFORE UPDATE ON tstok FOR EACH ROW EXECUTE "
                                       "FUNCTION gagal()")
                      : QStringLiteral("CREATE TRIGGER gagal BEFORE UPDATE ON tstok BEGIN SELECT "
                                       "RAISE(ABORT, 'uji'); END"));
        frmkeluar &k = openIssue(env);
        test::readyIssue(k, QStringLiteral("A1"), QStringLiteral("3"));
        QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts().size(), 1);
        // On a server the posting is the server's one statement: its failure names the posting.
        QVERIFY2(env.dialogs.last().prompt.startsWith(
                     test::onServer()
                         ? QStringLiteral("Posting barang keluar kode A1 tidak disimpan:")
                         : QStringLiteral("Data tabel tstok tidak dapat disimpan.")),
                 qPrintable(env.dialogs.last().prompt));
        QCOMPARE(env.dialogs.last().style, 16);
        QVERIFY(outRows(env).isEmpty());
        QCOMPARE(stockOf(env, QStringLiteral("A1")), QStringLiteral("10.0"));
        QCOMPARE(k.DataGrid1->model()->rowCount(), 0);
        QCOMPARE(k.adodc1->recordCount(), 0);
        frmstok *s = env.screens().find<frmstok>();
        QCOMPARE(s->Adodc1->field(1).toText(), QStringLiteral("10"));
        QCOMPARE(s->DataGrid1->model()->index(0, 1).data().toString(), QStringLiteral("10"));
        QVERIFY(!s->Adodc1->hasPending() && !k.adodc1->hasPending());
        // Once the cause is gone the same posting succeeds.
        Env::exec(env.locations.workingPath(),
                  test::onServer() ? QStringLiteral("DROP TRIGGER gagal ON tstok")
                                   : QStringLiteral("DROP TRIGGER gagal"));
        env.dialogs.answer(Button::Yes);
        QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
        QCOMPARE(outRows(env).size(), 1);
        QCOMPARE(stockOf(env, QStringLiteral("A1")), QStringLiteral("7.0"));
        // The failed posting stopped at the stock before its goods-out row was added: it took
        // no goods-out number, on either store.
        QCOMPARE(k.adodc1->field(0).toText(), QStringLiteral("1"));
    }

    void codeCheck()
    {
        Env env; // empty stock table: nothing at all
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tbarang VALUES ('A1', 'n', 'm', 's', 'u')"));
        frmkeluar &k = openIssue(env);
        QTest::mouseClick(k.cmdtambah, Qt::LeftButton);
        enter(k.txtkode, QStringLiteral("A1"));
        QVERIFY(env.dialogs.shown().empty());
        QVERIFY(!k.txtjumlah->isEnabled());
        QVERIFY(env.screens().isLoaded<frmstok>()); // loaded hidden by the reach

        Env env2;
        seed(env2, { "B2,5", "C3,6" });
        Env::exec(env2.locations.workingPath(),
                  QStringLiteral("INSERT INTO tbarang VALUES ('A1', 'n', 'm', 's', 'u')"));
        frmkeluar &k2 = openIssue(env2);
        QTest::mouseClick(k2.cmdtambah, Qt::LeftButton);
        enter(k2.txtkode, QStringLiteral("A1")); // registered goods, but no stock record
        QCOMPARE(env2.dialogs.prompts(), QStringList { "Maaf Kode Barang Tidak Terdaftar" });
        QCOMPARE(env2.dialogs.last().style, 64);
        QCOMPARE(env2.dialogs.last().title, QStringLiteral("PERHATIAN"));
        QCOMPARE(k2.focusWidget(), k2.txtkode);
        QCOMPARE(k2.txtkode->text(), QStringLiteral("A1"));
        QVERIFY(!k2.txtjumlah->isEnabled());
        enter(k2.txtkode, QStringLiteral("C3"));
        QVERIFY(k2.dt1->hasFocus());
        QVERIFY(k2.txtjumlah->isEnabled());
        QCOMPARE(selectedRow(k2.DataGrid2), 1);
        QCOMPARE(selectedRow(k2.DataGrid3), 1);
        QCOMPARE(k2.Text1->text(), QStringLiteral("C3"));
        enter(k2.txtjumlah, QString()); // an empty quantity enables Simpan all the same
        QVERIFY(k2.cmdsimpan->isEnabled());
        QCOMPARE(k2.focusWidget(), k2.cmdsimpan);
    }

    void findByNumberAndDelete()
    {
        Env env;
        seed(env, { "A1,10" }, 12);
        frmkeluar &k = openIssue(env);
        env.dialogs.answerInput(QStringLiteral("12"));
        QTest::mouseClick(k.cmdcari, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { "Masukan No keluar Yang Dicari" });
        QCOMPARE(env.dialogs.last().title, QStringLiteral("PENCARIAN"));
        QCOMPARE(selectedRow(k.DataGrid1), 11);
        env.dialogs.answerInput(QStringLiteral("1"));
        QTest::mouseClick(k.cmdcari, Qt::LeftButton);
        QCOMPARE(selectedRow(k.DataGrid1), 0);
        k.adodc1->setCurrentRow(5);
        env.dialogs.answerInput(QStringLiteral("99"));
        QTest::mouseClick(k.cmdcari, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts().last(), QStringLiteral("Data Tidak ada"));
        QCOMPARE(selectedRow(k.DataGrid1), 0);
        env.dialogs.clear();
        env.dialogs.answerInput(QString()); // cancelled
        QTest::mouseClick(k.cmdcari, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts().last(), QStringLiteral("Tidak ada Pencarian"));
        // Delete number 3 after Yes; the stock is not given back.
        env.dialogs.answerInput(QStringLiteral("3"));
        QTest::mouseClick(k.cmdcari, Qt::LeftButton);
        env.dialogs.answer(Button::Yes);
        QTest::mouseClick(k.cmdhapus, Qt::LeftButton);
        QCOMPARE(outRows(env).size(), 11);
        QVERIFY(!outRows(env).join(QLatin1Char(' ')).contains(QStringLiteral("|2026-01-03")));
        QCOMPARE(k.DataGrid1->model()->rowCount(), 11);
        QCOMPARE(stockOf(env, QStringLiteral("A1")), QStringLiteral("10.0"));
    }

    void deleteOnEmptyTable()
    {
        Env env;
        frmkeluar &k = openIssue(env);
        QTest::mouseClick(k.cmdhapus, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { "Maaf Tidak ada Data" });
    }

    void stockScreenShownLaterWithItsState()
    {
        Env env;
        seed(env, { "A1,10", "B2,5" });
        frmutama &utama = env.screens().get<frmutama>();
        env.screens().showStart(utama);
        utama.zx->trigger();
        frmkeluar &k = *env.screens().find<frmkeluar>();
        test::readyIssue(k, QStringLiteral("B2"), QStringLiteral("2"));
        env.dialogs.answer(Button::No);
        QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
        frmstok *hidden = env.screens().find<frmstok>();
        utama.stk->trigger();
        QCOMPARE(env.screens().find<frmstok>(), hidden);
        QVERIFY(hidden->isVisible());
        QCOMPARE(selectedRow(hidden->DataGrid1), 1);
        QCOMPARE(hidden->DataGrid1->model()->index(1, 1).data().toString(), QStringLiteral("3"));
    }

    void editLookupAndSave()
    {
        Env env;
        seed(env, { "A1,10", "B2,5" }, 4);
        frmkeluar &k = openIssue(env);
        QTest::mouseClick(k.cmdedit, Qt::LeftButton);
        frmeklr *e = env.screens().find<frmeklr>();
        QVERIFY(e && e->isVisible());
        activate(e);
        QCOMPARE(e->windowTitle(), QStringLiteral("EDIT DATA KELUAR"));
        QCOMPARE(e->size(), QSize(285, 212));
        QCOMPARE(e->focusWidget(), e->txtklr);
        QCOMPARE(e->dt1->date(), QDate::currentDate());
        QCOMPARE(
            test::tabOrder(e->txtklr),
            (QStringList { "txtklr", "txtkode", "txtjumlah", "cmdsimpan", "cmdtutup", "dt1" }));

        // Saving before any lookup writes nothing.
        QTest::mouseClick(e->cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { "Data Tidak ada" });
        const QStringList before = outRows(env);

        env.dialogs.clear();
        enter(e->txtklr, QStringLiteral("3"));
        QVERIFY(env.dialogs.shown().empty());
        QCOMPARE(e->txtkode->text(), QStringLiteral("A1"));
        QCOMPARE(e->dt1->date(), QDate(2026, 1, 3));
        QCOMPARE(e->txtjumlah->text(), QStringLiteral("3"));
        QCOMPARE(e->focusWidget(), e->txtklr);
        QCOMPARE(selectedRow(k.DataGrid1), 2);

        enter(e->txtklr, QStringLiteral("77"));
        QCOMPARE(env.dialogs.prompts(), QStringList { "Data Tidak ada" });
        QCOMPARE(e->txtklr->text(), QStringLiteral("77"));
        QCOMPARE(e->txtkode->text(), QStringLiteral("A1"));
        env.dialogs.clear();
        // The failed look-up found nothing to save into.
        QTest::mouseClick(e->cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { "Data Tidak ada" });
        QCOMPARE(outRows(env), before);

        env.dialogs.clear();
        enter(e->txtklr, QStringLiteral("3"));
        e->txtjumlah->setText(QStringLiteral("5"));
        e->txtkode->setText(QStringLiteral("B2"));
        env.dialogs.answer(Button::No);
        QTest::mouseClick(e->cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { "Masih ada Edit Data lagi ?" });
        QCOMPARE(env.dialogs.last().style, 68);
        QCOMPARE(env.dialogs.last().title, QStringLiteral("PERHATIAN"));
        QCOMPARE(outRows(env)[2], QStringLiteral("3|B2|2026-01-03 00:00:00|5.0"));
        QCOMPARE(outRows(env)[1], before[1]);
        QCOMPARE(stockOf(env, QStringLiteral("A1")), QStringLiteral("10.0"));
        QCOMPARE(stockOf(env, QStringLiteral("B2")), QStringLiteral("5.0"));
        QCOMPARE(e->focusWidget(), e->cmdtutup);
        QCOMPARE(e->txtjumlah->text(), QStringLiteral("5"));
        QCOMPARE(k.DataGrid1->model()->index(2, 3).data().toString(), QStringLiteral("5"));

        // A quantity the column cannot take fails clearly and writes nothing.
        env.dialogs.clear();
        e->txtjumlah->setText(QStringLiteral("abc"));
        QTest::mouseClick(e->cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(),
                 QStringList { "Isi kolom Jumlah harus berupa angka: \"abc\" bukan angka." });
        QCOMPARE(outRows(env)[2], QStringLiteral("3|B2|2026-01-03 00:00:00|5.0"));

        // Yes empties the fields and sets the picker to now.
        e->txtjumlah->setText(QStringLiteral("6"));
        env.dialogs.answer(Button::Yes);
        const QDateTime start = QDateTime::currentDateTime().addSecs(-1);
        QTest::mouseClick(e->cmdsimpan, Qt::LeftButton);
        QCOMPARE(e->txtklr->text(), QString());
        QCOMPARE(e->txtkode->text(), QString());
        QCOMPARE(e->txtjumlah->text(), QString());
        QVERIFY(e->dt1->dateTime() >= start && e->dt1->dateTime() <= QDateTime::currentDateTime());
        env.dialogs.clear();
        QTest::mouseClick(e->cmdsimpan, Qt::LeftButton); // a new lookup is needed first
        QCOMPARE(env.dialogs.prompts(), QStringList { "Data Tidak ada" });

        QTest::mouseClick(e->cmdtutup, Qt::LeftButton);
        QVERIFY(!env.screens().isLoaded<frmeklr>());
        QCOMPARE(env.screens().top(), &k);
    }

    void roadOfOneIssue()
    {
        Env env;
        env.setCredentials({ { "admin", "rahasia" } });
        seed(env, { "BRS001,10", "GLA001,4" });
        startProgram(env.app(), false);
        frmpas *pas = env.screens().find<frmpas>();
        activate(pas);
        enter(pas->txtuser, QStringLiteral("admin"));
        enter(pas->txtpass, QStringLiteral("rahasia"));
        QTest::keyClick(pas->cmdok, Qt::Key_Return);
        frmutama *utama = env.screens().find<frmutama>();
        activate(utama);
        QTest::keyClick(utama, Qt::Key_D, Qt::ControlModifier);
        frmkeluar *k = env.screens().find<frmkeluar>();
        QVERIFY(k && k->isVisible());
        activate(k);
        QTest::keyClick(k, Qt::Key_T, Qt::AltModifier); // Tambah by its access key
        QTRY_VERIFY(k->txtkode->isEnabled());
        QCOMPARE(k->focusWidget(), k->txtkode);
        QTest::keyClicks(k->txtkode, QStringLiteral("BRS001"));
        QTest::keyClick(k->txtkode, Qt::Key_Return);
        QVERIFY(k->dt1->hasFocus());
        k->dt1->setDate(QDate(2026, 12, 1));
        k->txtjumlah->setFocus();
        QTest::keyClicks(k->txtjumlah, QStringLiteral("3"));
        QTest::keyClick(k->txtjumlah, Qt::Key_Return);
        QCOMPARE(k->focusWidget(), k->cmdsimpan);
        env.dialogs.answer(Button::No);
        QTest::keyClick(k->cmdsimpan, Qt::Key_Return);
        QCOMPARE(env.dialogs.prompts(), QStringList { kMore });
        QVERIFY(!env.screens().isLoaded<frmkeluar>());
        QCOMPARE(env.screens().top(), utama);
        QCOMPARE(outRows(env), QStringList { "1|BRS001|2026-12-01 00:00:00|3.0" });
        QCOMPARE(stockOf(env, QStringLiteral("BRS001")), QStringLiteral("7.0"));
        QCOMPARE(stockOf(env, QStringLiteral("GLA001")), QStringLiteral("4.0"));
        activate(utama);
        env.dialogs.answer(Button::Yes);
        QTest::keyClick(utama, Qt::Key_C, Qt::ControlModifier);
        QVERIFY(env.screens().ended());
    }
};

QTEST_MAIN(TestIssue)
#include "tst_issue.moc"
