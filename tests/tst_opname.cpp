#include "reports/frmlabel.h"
#include "screens/issue/frmkeluar.h"
#include "screens/shell/frmutama.h"
#include "screens/stock/frmopname.h"
#include "stock/stockcount.h"
#include "support.h"
#include "ui/gridview.h"

#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace gudang;
using gudang::test::activate;
using gudang::test::Env;

namespace {

void seed(Env &env)
{
    env.setCredentials({ { "admin", "rahasia" } });
    Env::exec(env.locations.workingPath(),
              QStringLiteral("INSERT INTO tbarang VALUES ('A1', 'Beras', '', '', 'sak'), "
                             "('A2', 'Gula', '', '', 'kg'), ('B3', 'Kopi', '', '', 'bks'), "
                             "('C4', 'Teh', '', '', 'kotak');"
                             "INSERT INTO tstok VALUES ('A1', 10, 1), ('A2', 5, 1), ('C4', 2, 0);"
                             "INSERT INTO tmutasi (Waktu, Pengguna, Jenis, Kode_Barang, "
                             "Perubahan, Stok_Akhir, Tanggal) VALUES ('2026-12-01 08:00:00', "
                             "'admin', 'saldo awal', 'A1', 10, 10, '2026-12-01 00:00:00'), "
                             "('2026-12-01 08:00:00', 'admin', 'saldo awal', 'A2', 5, 5, "
                             "'2026-12-01 00:00:00'), ('2026-12-01 08:00:00', 'admin', 'saldo "
                             "awal', 'C4', 2, 2, '2026-12-01 00:00:00')"));
}

// A grid's rows, cells joined by '|'.
QStringList rowsOf(QAbstractItemView *grid)
{
    QStringList rows;
    QAbstractItemModel *m = grid->model();
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < m->columnCount(); ++c)
            cells << m->index(r, c).data().toString();
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

// A keyboard scanner: every key of every code and its Enter queued at once, faster than the
// screen takes them, then the queue worked off.
void scanAtSpeed(QWidget *field, const QStringList &codes)
{
    for (const QString &code : codes) {
        for (const QChar c : code + QLatin1Char('\r')) {
            const int key
                = c == QLatin1Char('\r') ? int(Qt::Key_Return) : int(c.toUpper().unicode());
            const QString text = c == QLatin1Char('\r') ? QStringLiteral("\r") : QString(c);
            QCoreApplication::postEvent(field,
                                        new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
            QCoreApplication::postEvent(
                field, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
        }
    }
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

frmopname &openCount(ScreenManager &screens)
{
    frmopname &o = test::showAlone<frmopname>(screens);
    activate(&o);
    return o;
}

} // namespace

class TestOpname : public QObject
{
    Q_OBJECT

private slots:
    // A count from its start to its apply: scans at a scanner's speed with an unknown code
    // among them, a carton's quantity, a restart in the middle, a posting while counting, the
    // apply with its journal rows, and the count read only afterwards.
    void countFromScanToApply()
    {
        Env env;
        seed(env);
        {
            frmopname &o = openCount(env.screens());
            QVERIFY(o.lblhitungan->text().startsWith(QStringLiteral("Belum ada hitungan.")));
            QVERIFY(!o.txtkode->isEnabled() && !o.cmdterapkan->isEnabled());
            QTest::mouseClick(o.cmdmulai, Qt::LeftButton);
            QCOMPARE(o.countId(), 1);
            QVERIFY(o.lblhitungan->text().startsWith(QStringLiteral("Hitungan no. 1, dimulai ")));
            QCOMPARE(rowsOf(o.DataGrid2),
                     (QStringList { "A1|Beras|10", "A2|Gula|5", "B3|Kopi|0", "C4|Teh|2" }));
            QCOMPARE(test::focusName(&o), QStringLiteral("txtkode"));

            // Faster than the screen: nothing lost, the unknown code between two good ones.
            scanAtSpeed(o.txtkode, { "A1", "ZZ9", "A2", "A1" });
            QCOMPARE(rowsOf(o.DataGrid1),
                     (QStringList { "A1|Beras|2|10|0|-8", "A2|Gula|1|5|0|-4" }));
            QCOMPARE(rowsOf(o.DataGrid2), (QStringList { "B3|Kopi|0", "C4|Teh|2" }));
            scanAtSpeed(o.txtkode, { "ZZ9" });
            QCOMPARE(o.lblpesan->text(), QStringLiteral("Kode ZZ9 tidak ada dalam hitungan ini."));
            QCOMPARE(test::focusName(&o), QStringLiteral("txtkode"));
            QVERIFY(env.dialogs.shown().empty()); // no box that would take the next scan
            // A carton: the quantity, then the scan; then one again.
            QTest::mouseClick(o.txtjumlah, Qt::LeftButton);
            o.txtjumlah->selectAll();
            QTest::keyClicks(o.txtjumlah, QStringLiteral("24"));
            QTest::keyClick(o.txtjumlah, Qt::Key_Return);
            QCOMPARE(test::focusName(&o), QStringLiteral("txtkode"));
            scanAtSpeed(o.txtkode, { "C4" });
            QCOMPARE(o.txtjumlah->text(), QStringLiteral("1"));
            QCOMPARE(o.lblpesan->text(), QStringLiteral("C4 Teh: 24"));
            o.txtjumlah->setText(QStringLiteral("dua"));
            scanAtSpeed(o.txtkode, { "A2" });
            QCOMPARE(o.lblpesan->text(),
                     QStringLiteral("Jumlah \"dua\" tidak terbaca; kode A2 tidak dihitung."));
            o.txtjumlah->setText(QStringLiteral("1"));
            env.screens().unload(o);
        }
        // A posting while the count goes on.
        frmkeluar &k = test::openIssue(env);
        test::readyIssue(k, QStringLiteral("A1"), QStringLiteral("3"));
        env.dialogs.answer(Button::No);
        QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(),
                 QStringList { QStringLiteral("Masih ada Input Data Lagi?") });
        env.dialogs.clear();

        // A restart: another program on the same data goes on with the same count.
        {
            ScriptedDialogs dialogs;
            App again(env.locations, dialogs);
            test::logInOwner(again);
            prepareScreens(again);
            frmopname &o = openCount(again.screens());
            QCOMPARE(o.countId(), 1);
            QCOMPARE(
                rowsOf(o.DataGrid1),
                (QStringList { "A1|Beras|2|10|-3|-8", "A2|Gula|1|5|0|-4", "C4|Teh|24|2|0|22" }));
            scanAtSpeed(o.txtkode, { "A1" });
            QCOMPARE(rowsOf(o.DataGrid1).first(), QStringLiteral("A1|Beras|3|10|-3|-7"));
            // Applied: counted plus what moved; one journal row per difference.
            dialogs.answer(Button::Yes);
            QTest::mouseClick(o.cmdterapkan, Qt::LeftButton);
            QCOMPARE(dialogs.prompts(),
                     (QStringList {
                         "Terapkan hitungan no. 1? Stok 3 kode barang yang sudah dihitung menjadi "
                         "hitungannya ditambah gerakan sejak hitungan dimulai; 1 kode yang belum "
                         "dihitung tidak diubah.",
                         "Hitungan no. 1 diterapkan: stok 3 kode barang diubah." }));
            QVERIFY(!o.txtkode->isEnabled() && !o.cmdterapkan->isEnabled());
            QVERIFY(o.lblhitungan->text().contains(QStringLiteral("Sudah diterapkan")));
            // Once only.
            QVERIFY(test::failureOf([&] {
                        again.counts().apply(1);
                    }).startsWith(QStringLiteral("Hitungan no. 1 sudah diterapkan pada ")));
            QVERIFY(again.counts().scan(1, QStringLiteral("A1"), 1).outcome
                    == CountService::Scanned::Applied);
            again.screens().end();
        }
        const QString path = env.locations.workingPath();
        QCOMPARE(Env::query(path,
                            QStringLiteral("SELECT Kode_Barang, Jumlah_Stok FROM tstok "
                                           "ORDER BY Kode_Barang")),
                 (QStringList { "A1|0.0", "A2|1.0", "C4|24.0" }));
        QCOMPARE(Env::query(path,
                            QStringLiteral("SELECT Kode_Barang, Perubahan, Stok_Akhir, "
                                           "Pengguna FROM tmutasi WHERE Jenis = 'opname' "
                                           "ORDER BY Kode_Barang")),
                 (QStringList { "A1|-7.0|0.0|admin", "A2|-4.0|1.0|admin", "C4|22.0|24.0|admin" }));
        // The journal still adds up to the stock.
        QCOMPARE(Env::query(path,
                            QStringLiteral("SELECT Kode_Barang, sum(Perubahan) FROM tmutasi "
                                           "GROUP BY Kode_Barang ORDER BY Kode_Barang")),
                 (QStringList { "A1|0.0", "A2|1.0", "C4|24.0" }));

        // The papers: the differences as CSV, the count sheet as PDF.
        const QString csv = env.locations.dataDir() + QStringLiteral("/selisih.csv");
        QProcess p;
        p.start(QStringLiteral(GUDANG_BINARY),
                test::storeArguments(env.locations)
                    << QStringLiteral("--report") << QStringLiteral("opname")
                    << QStringLiteral("--id") << QStringLiteral("1") << QStringLiteral("--csv")
                    << csv);
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"));
        lines.first().remove(QChar(0xFEFF));
        QCOMPARE(lines.mid(0, 6),
                 (QStringList {
                     "Kode;Nama Barang;Satuan;Stok awal;Dihitung;Gerakan;Selisih;"
                     "Keterangan",
                     "A1;Beras;sak;10;3;-3;-7;diterapkan", "A2;Gula;kg;5;1;0;-4;diterapkan",
                     "C4;Teh;kotak;2;24;0;22;diterapkan", "B3;Kopi;bks;0;;;;belum dihitung", "" }));
        const QString pdf = env.locations.dataDir() + QStringLiteral("/lembar.pdf");
        p.start(QStringLiteral(GUDANG_BINARY),
                test::storeArguments(env.locations)
                    << QStringLiteral("--report") << QStringLiteral("lembar-opname")
                    << QStringLiteral("--id") << QStringLiteral("1") << QStringLiteral("--pdf")
                    << pdf);
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QProcess text;
        text.start(QStringLiteral("pdftotext"),
                   { QStringLiteral("-layout"), pdf, QStringLiteral("-") });
        QVERIFY(text.waitForFinished(30000));
        const QString sheet = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(sheet.contains(QStringLiteral("LEMBAR HITUNG STOK OPNAME NO. 1"))
                     && sheet.contains(QStringLiteral("Jumlah dihitung"))
                     && sheet.contains(QRegularExpression(QStringLiteral("B3 +Kopi +bks"))),
                 qPrintable(sheet));
        p.start(QStringLiteral(GUDANG_BINARY),
                test::storeArguments(env.locations)
                    << QStringLiteral("--report") << QStringLiteral("opname")
                    << QStringLiteral("--csv") << csv);
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 2);
    }

    // A burst of scans with an unknown code among them: the unknown code stays listed with how
    // often it came, until the count is applied; codes and names read whole, one line a row.
    void countScreenShowsEveryScan()
    {
        Env env;
        seed(env);
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tbarang VALUES ('BRS-PANDAN', 'Beras Pandan Wangi', "
                                 "'', '', 'sak'); INSERT INTO tstok VALUES ('BRS-PANDAN', 40, 0)"));
        frmopname &o = openCount(env.screens());
        QTest::mouseClick(o.cmdmulai, Qt::LeftButton);
        QStringList burst;
        for (int i = 0; i < 15; ++i)
            burst << (i == 3 || i == 9 ? QStringLiteral("ZZ999")
                          : i % 2      ? QStringLiteral("BRS-PANDAN")
                                       : QStringLiteral("A1"));
        scanAtSpeed(o.txtkode, burst);
        QCOMPARE(o.lblpesan->text(), QStringLiteral("A1 Beras: 8")); // the last scan's line
        QCOMPARE(rowsOf(o.DataGrid3), QStringList { QStringLiteral("ZZ999|2") });
        QCOMPARE(rowsOf(o.DataGrid1).value(1),
                 QStringLiteral("BRS-PANDAN|Beras Pandan Wangi|5|40|0|-35"));
        const QFontMetrics fm = o.DataGrid1->fontMetrics();
        QVERIFY(o.DataGrid1->columnWidth(0) > fm.horizontalAdvance(QStringLiteral("BRS-PANDAN")));
        QVERIFY(o.DataGrid1->columnWidth(1)
                > fm.horizontalAdvance(QStringLiteral("Beras Pandan Wangi")));
        QVERIFY(o.DataGrid1->columnWidth(5) < o.DataGrid1->columnWidth(1));
        QVERIFY(o.DataGrid1->rowHeight(1) < 2 * fm.height());
        QVERIFY(!o.DataGrid1->wordWrap());
        // Applied: the list has served.
        env.dialogs.answer(Button::Yes);
        QTest::mouseClick(o.cmdterapkan, Qt::LeftButton);
        QCOMPARE(env.dialogs.last().prompt,
                 QStringLiteral("Hitungan no. 1 diterapkan: stok 2 kode barang diubah."));
        env.dialogs.clear();
        QCOMPARE(rowsOf(o.DataGrid3), QStringList());
    }

    // A count of some goods: those whose code or name holds the filter; none is said.
    void filterChoosesTheGoods()
    {
        Env env;
        seed(env);
        frmopname &o = openCount(env.screens());
        o.txtsaring->setText(QStringLiteral("zz"));
        QTest::mouseClick(o.cmdmulai, Qt::LeftButton);
        QCOMPARE(env.dialogs.last().prompt,
                 QStringLiteral("Tidak ada barang yang kode atau namanya memuat \"zz\"."));
        QCOMPARE(o.countId(), 0);
        o.txtsaring->setText(QStringLiteral("gu"));
        QTest::mouseClick(o.cmdmulai, Qt::LeftButton);
        QCOMPARE(rowsOf(o.DataGrid2), QStringList { "A2|Gula|5" });
        scanAtSpeed(o.txtkode, { "A1" });
        QCOMPARE(o.lblpesan->text(), QStringLiteral("Kode A1 tidak ada dalam hitungan ini."));
        // A new count over an unapplied one with counts asks first.
        scanAtSpeed(o.txtkode, { "A2" });
        o.txtsaring->setText(QString());
        env.dialogs.answer(Button::No);
        QTest::mouseClick(o.cmdmulai, Qt::LeftButton);
        QCOMPARE(o.countId(), 1);
        env.dialogs.answer(Button::Yes);
        QTest::mouseClick(o.cmdmulai, Qt::LeftButton);
        QCOMPARE(o.countId(), 2);
        QCOMPARE(rowsOf(o.DataGrid2).size(), 4);
        env.dialogs.clear();
    }

    // Shelf labels: the PDF's barcodes, rendered as a printer would and read by a barcode
    // reader, are the goods' codes; from the screen (4 x 10) and the command line (3 x 8).
    void labelsScanBackToTheirCodes()
    {
        Env env;
        seed(env);
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tbarang VALUES ('Kopi#12', 'Kopi Bubuk Robusta', "
                                 "'', '', 'bks'), ('BRS-001', 'Beras', '', '', 'sak')"));
        const auto decoded = [](const QString &pdf) {
            QProcess render;
            render.start(QStringLiteral("pdftoppm"),
                         { QStringLiteral("-r"), QStringLiteral("200"), QStringLiteral("-png"),
                           QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                           QStringLiteral("1"), pdf, pdf });
            render.waitForFinished(60000);
            QProcess read;
            read.start(
                QStringLiteral("zbarimg"),
                { QStringLiteral("-q"), QStringLiteral("--raw"), pdf + QStringLiteral("-1.png") });
            read.waitForFinished(60000);
            QStringList codes = QString::fromUtf8(read.readAllStandardOutput())
                                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            codes.sort();
            return codes;
        };
        frmlabel &l = test::showAlone<frmlabel>(env.screens());
        QVERIFY(l.opt3x8->isChecked());
        l.txtkode->setText(QStringLiteral("Kopi#12, A2,BRS-001"));
        QTest::mouseClick(l.opt4x10, Qt::LeftButton);
        const QString pdf = env.locations.dataDir() + QStringLiteral("/label.pdf");
        env.dialogs.answerFile(pdf);
        QTest::mouseClick(l.cmdpdf, Qt::LeftButton);
        QCOMPARE(env.dialogs.last().prompt,
                 QStringLiteral("3 label disimpan di %1.").arg(QDir::toNativeSeparators(pdf)));
        QCOMPARE(decoded(pdf), (QStringList { "A2", "BRS-001", "Kopi#12" }));
        // A code that is not registered: said, nothing written.
        l.txtkode->setText(QStringLiteral("A1,XX"));
        QTest::mouseClick(l.cmdpdf, Qt::LeftButton);
        QCOMPARE(env.dialogs.last().prompt,
                 QStringLiteral("Kode barang XX tidak terdaftar; label tidak dibuat."));
        // A code whose bars would scan back otherwise than it was typed: refused, named.
        Env::exec(
            env.locations.workingPath(),
            QStringLiteral("INSERT INTO tbarang VALUES ('K\u00D6PI', 'Kopi', '', '', 'bks')"));
        const QString koepi = QStringLiteral("Kode K\u00D6PI (huruf \"\u00D6\") tidak dapat dibawa "
                                             "barcode Code 128 apa adanya (hanya huruf, angka dan "
                                             "tanda baca ASCII); label tidak dibuat.");
        l.txtkode->setText(QStringLiteral("A1,K\u00D6PI"));
        QTest::mouseClick(l.cmdpdf, Qt::LeftButton);
        QCOMPARE(env.dialogs.last().prompt, koepi);
        env.dialogs.clear();

        const QString all = env.locations.dataDir() + QStringLiteral("/semua.pdf");
        QProcess p;
        p.start(QStringLiteral(GUDANG_BINARY),
                test::storeArguments(env.locations)
                    << QStringLiteral("--report") << QStringLiteral("label")
                    << QStringLiteral("--pdf") << all);
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(QString::fromUtf8(p.readAllStandardError()).endsWith(koepi + QLatin1Char('\n')));
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("DELETE FROM tbarang WHERE Kode_Barang = 'K\u00D6PI'"));
        p.start(QStringLiteral(GUDANG_BINARY),
                test::storeArguments(env.locations)
                    << QStringLiteral("--report") << QStringLiteral("label")
                    << QStringLiteral("--pdf") << all);
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        QCOMPARE(decoded(all), (QStringList { "A1", "A2", "B3", "BRS-001", "C4", "Kopi#12" }));
        p.start(QStringLiteral(GUDANG_BINARY),
                test::storeArguments(env.locations)
                    << QStringLiteral("--report") << QStringLiteral("label")
                    << QStringLiteral("--layout") << QStringLiteral("5x5")
                    << QStringLiteral("--pdf") << all);
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 2);
    }

    // On a server, two more workstations count into the same count at once with this one:
    // every scan is in it.
    void workstationsCountOneCount()
    {
        if (!test::onServer())
            QSKIP("only on a server");
        Env env;
        seed(env);
        frmopname &o = openCount(env.screens());
        QTest::mouseClick(o.cmdmulai, Qt::LeftButton);
        QProcess one, two;
        for (QProcess *p : { &one, &two })
            p->start(QStringLiteral(COUNT_CHILD),
                     { env.locations.server(), env.locations.dataDir(), QStringLiteral("A1"),
                       QStringLiteral("40") });
        for (int i = 0; i < 40; ++i)
            scanAtSpeed(o.txtkode, { "A1", "A2" });
        for (QProcess *p : { &one, &two }) {
            QVERIFY(p->state() == QProcess::NotRunning || p->waitForFinished(120000));
            QVERIFY2(p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0,
                     p->readAllStandardError().constData());
            QCOMPARE(QString::fromUtf8(p->readAllStandardOutput()).trimmed(),
                     QStringLiteral("counted 40"));
        }
        QCOMPARE(Env::query(env.locations.workingPath(),
                            QStringLiteral("SELECT Kode_Barang, Dihitung FROM topnamebrg WHERE "
                                           "Dihitung IS NOT NULL ORDER BY Kode_Barang")),
                 (QStringList { "A1|120.0", "A2|40.0" }));
    }
};

QTEST_MAIN(TestOpname)
#include "tst_opname.moc"
