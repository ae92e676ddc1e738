#include "core/apperror.h"
#include "core/value.h"
#include "export/export.h"
#include "model/recordsource.h"
#include "reports/engine/reportdefinition.h"
#include "reports/engine/reportlayout.h"
#include "reports/engine/reportrender.h"
#include "reports/frmcetklr.h"
#include "reports/frmcetstk.h"
#include "reports/frmkartu.h"
#include "reports/frmminimum.h"
#include "reports/frmperiode.h"
#include "reports/reportengine.h"
#include "reports/reportlist.h"
#include "reports/reportoutput.h"
#include "reports/reportpreview.h"
#include "screens/goods/frmbrg.h"
#include "screens/goods/frmcari.h"
#include "screens/issue/frmkeluar.h"
#include "screens/shell/frmutama.h"
#include "screens/stock/frmstok.h"
#include "stock/stockservice.h"
#include "store/setup.h"
#include "store/sqlite/sqlitestore.h"
#include "support.h"
#include "ui/datepicker.h"
#include "ui/dialogs.h"
#include "ui/gridview.h"
#include "ui/updown.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <sqlite3.h>

using namespace gudang;
using gudang::test::activate;
using gudang::test::Env;

namespace {

// Records where reports went instead of showing or printing them.
class RecordingOutput : public ReportOutput
{
public:
    struct Sent
    {
        bool printer;
        int copies;
        bool maximised;
        int pages;
        QString title;
    };
    std::vector<Sent> sent;
    void preview(const ReportDocument &doc, bool maximised, Dialogs &) override
    {
        sent.push_back({ false, 0, maximised, doc.pageCount(), doc.title });
    }
    void print(const ReportDocument &doc, int copies) override
    {
        sent.push_back({ true, copies, false, doc.pageCount(), doc.title });
    }
};

void seedGoodsOut(Env &env, int rows)
{
    Env::exec(env.locations.workingPath(),
              QStringLiteral("INSERT INTO tbarang VALUES ('A1', 'Gula Pasir', 'M', 'S', 'kg');"
                             "INSERT INTO tbarang VALUES ('B2', 'Teh', 'M', 'S', 'kotak')"));
    QString sql = QStringLiteral("BEGIN;");
    for (int i = 1; i <= rows; ++i) {
        // Dates run backwards, so date order differs from number order.
        sql += QStringLiteral(
                   "INSERT INTO tbrgkeluar (Kode_Barang, Tanggal, Jumlah) VALUES ('%1', '%2', %3);")
                   .arg(i % 2 ? QStringLiteral("A1") : QStringLiteral("B2"))
                   .arg(QDate(2026, 12, 31).addDays(-i).toString(Qt::ISODate)
                        + QStringLiteral(" 00:00:00"))
                   .arg(i % 5 + 1);
    }
    Env::exec(env.locations.workingPath(), sql + QStringLiteral("COMMIT;"));
}

// The program run on the Env's store with these arguments, to its end: exit code and what it
// said on standard error.
std::pair<int, QString> runProgram(Env &env, const QStringList &arguments)
{
    return test::runOnStore(GUDANG_BINARY, env, arguments);
}

// `gudang --data-dir DIR --report WHICH --pdf PDF` run to its end.
std::pair<int, QString> reportFromCommandLine(Env &env, const QString &which, const QString &pdf)
{
    return runProgram(env, { QStringLiteral("--report"), which, QStringLiteral("--pdf"), pdf });
}

// The text of a PDF file as pdftotext lays it out.
QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), { QStringLiteral("-layout"), pdf, QStringLiteral("-") });
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

ReportDocument build(Env &env, const QString &definition)
{
    return buildReport(definition, env.locations.workingPath(),
                       QDateTime(QDate(2026, 12, 10), QTime(9, 5)));
}

// The main menu alone, then the screen its Ctrl+key opens, made the active window; null when
// the key opened nothing to see.
template<typename Screen> Screen *openByKey(Env &env, Qt::Key key)
{
    frmutama &utama = test::showAlone<frmutama>(env.screens());
    QTest::keyClick(&utama, key, Qt::ControlModifier);
    Screen *screen = env.screens().find<Screen>();
    if (!screen || !screen->isVisible())
        return nullptr;
    activate(screen);
    return screen;
}

} // namespace

class TestReports : public QObject
{
    Q_OBJECT
private slots:
    void goodsOutReportPagesTotalsAndOrder()
    {
        Env env;
        writeMissingReportDefinitions(env.locations);
        seedGoodsOut(env, 120);
        const ReportDocument doc = build(env, goodsOutReportPath(env.locations));
        QCOMPARE(doc.title, QStringLiteral("LAPORAN BARANG KELUAR"));
        const int pages = doc.pageCount();
        QCOMPARE(pages, 3); // 120 rows at 50 a page, and the total
        int rows = 0;
        for (int p = 0; p < pages; ++p) {
            const QStringList t = doc.texts(p);
            QCOMPARE(t[0], QStringLiteral("LAPORAN BARANG KELUAR"));
            QCOMPARE(t[1], QStringLiteral("Dicetak: Kamis, 10 Desember 2026 09:05"));
            QCOMPARE(t[2], QStringLiteral("Halaman %1 dari %2").arg(p + 1).arg(pages));
            QCOMPARE(t.mid(3, 6),
                     (QStringList { "No.", "Tanggal", "Kode Barang", "Nama Barang", "Jumlah",
                                    "Satuan" }));
            rows += (t.size() - 9) / 6;
            const ReportPage page = doc.page(p);
            for (const ReportItem &i : page.items)
                QVERIFY(i.rect.bottom() <= doc.heightPt - 42 && i.rect.right() <= doc.widthPt - 42);
        }
        QCOMPARE(rows, 120);
        // Date order: the last number carries the earliest date.
        QCOMPARE(doc.texts(0).mid(9, 6),
                 (QStringList { "120", "02/09/2026", "B2", "Teh", "1", "kotak" }));
        const QStringList last = doc.texts(pages - 1);
        QCOMPARE(last.mid(last.size() - 2), (QStringList { "TOTAL", "360" }));
    }

    void stockReportMarksRowsBelowMinimum()
    {
        Env env;
        writeMissingReportDefinitions(env.locations);
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tbarang VALUES ('A1', 'Gula', 'M', 'S', 'kg');"
                                 "INSERT INTO tbarang VALUES ('B2', 'Teh', 'M', 'S', 'kotak');"
                                 "INSERT INTO tstok VALUES ('B2', 3, 5);"
                                 "INSERT INTO tstok VALUES ('A1', 12.5, 10);"
                                 "INSERT INTO tstok VALUES ('C3', 1, NULL);"));
        const ReportDocument doc = build(env, stockReportPath(env.locations));
        QCOMPARE(doc.pageCount(), 1);
        const QStringList t = doc.texts(0);
        QCOMPARE(t[0], QStringLiteral("LAPORAN STOK BARANG"));
        QCOMPARE(t.mid(3, 6),
                 (QStringList { "Kode Barang", "Nama Barang", "Satuan", "Stok", "Stok Minimum",
                                "Keterangan" }));
        QCOMPARE(t.mid(9),
                 (QStringList { "A1", "Gula", "kg", "12,5", "10", "B2", "Teh", "kotak", "3", "5",
                                "DI BAWAH MINIMUM", "C3", "", "", "1", "" }));
        int boxes = 0;
        const ReportPage page = doc.page(0);
        for (const ReportItem &i : page.items) {
            if (i.kind == ReportItem::Kind::Box)
                ++boxes;
            if (i.text == QLatin1String("DI BAWAH MINIMUM"))
                QVERIFY(i.bold);
        }
        QCOMPARE(boxes, 1);
    }

    void emptyDatabaseGivesOnePage()
    {
        Env env;
        writeMissingReportDefinitions(env.locations);
        const ReportDocument doc = build(env, goodsOutReportPath(env.locations));
        QCOMPARE(doc.pageCount(), 1);
        const QStringList t = doc.texts(0);
        QVERIFY(t.contains(QStringLiteral("Tidak ada data.")));
        QCOMPARE(t[2], QStringLiteral("Halaman 1 dari 1"));
        QCOMPARE(t.mid(t.size() - 2), (QStringList { "TOTAL", "0" }));
        QCOMPARE(build(env, stockReportPath(env.locations)).texts(0).last(),
                 QStringLiteral("Tidak ada data."));
    }

    void badDefinitions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message"); // after "File laporan FILE"
        const QString ok = QStringLiteral("judul = X\ndata = SELECT Kode_Barang FROM tstok\n");
        const QString col = QStringLiteral("kolom = Kode_Barang | Kode | 20 | kiri | teks\n");
        QTest::newRow("unknown key") << ok + col + "warna = merah\n"
                                     << ", baris 4: kunci \"warna\" tidak dikenal.";
        QTest::newRow("no equals sign") << ok + "kolom Kode_Barang\n"
                                        << ", baris 3: baris harus berbentuk \"kunci = nilai\".";
        QTest::newRow("bad width")
            << ok + "kolom = Kode_Barang | Kode | lebar | kiri | teks\n"
            << ", baris 3: lebar kolom \"lebar\" harus berupa angka milimeter di atas 0.";
        QTest::newRow("bad alignment")
            << ok + "kolom = Kode_Barang | Kode | 20 | atas | teks\n"
            << ", baris 3: rata \"atas\" tidak dikenal (kiri, kanan atau tengah).";
        QTest::newRow("missing parts")
            << ok + "kolom = Kode_Barang | Kode\n"
            << ", baris 3: kolom perlu 5 bagian: field | judul | lebar | rata | format.";
        QTest::newRow("no title") << "data = SELECT 1\n" + col << ": judul belum ditulis.";
        QTest::newRow("not a select") << "judul = X\ndata = DELETE FROM tstok\n" + col
                                      << ", baris 2: data harus berupa satu perintah SELECT.";
        QTest::newRow("second statement")
            << "judul = X\ndata = SELECT Kode_Barang FROM tstok; DELETE FROM tstok\n" + col
            << ": data harus berupa satu perintah SELECT.";
        QTest::newRow("unknown field") << ok + "kolom = Nama | Nama | 20 | kiri | teks\n"
                                       << ": field Nama tidak ada pada data.";
        QTest::newRow("bad query")
            << "judul = X\ndata = SELECT kolomx FROM nowhere\n" + col
            << (test::onServer() ? ": data tidak dapat dibaca: relation \"nowhere\" does "
                                   "not exist."
                                 : ": data tidak dapat dibaca: no such table: nowhere.");
        QTest::newRow("total of a text column")
            << ok + col + "total = Kode_Barang\n"
            << ", baris 4: total perlu field angka, tetapi kolom Kode_Barang berformat teks.";
        QTest::newRow("total of a field holding texts")
            << "judul = X\ndata = SELECT Kode_Barang, Kode_Barang AS k FROM tstok\n" + col
                + "total = k\n"
            << ", baris 4: total perlu field angka, tetapi k berisi \"A1\".";
        QTest::newRow("remark comparing texts")
            << "judul = X\ndata = SELECT Kode_Barang, Jumlah_Stok FROM tstok\n" + col
                + "tanda = Ket | 20 | Kode_Barang < Jumlah_Stok | X\n"
            << ", baris 4: tanda perlu field angka, tetapi kolom Kode_Barang berformat teks.";
        QTest::newRow("too wide") << ok + "kolom = Kode_Barang | Kode | 200 | kiri | teks\n"
                                  << ": lebar semua kolom 200 mm melebihi lebar kertas (180 mm).";
    }
    void badDefinitions()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        Env env;
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tstok VALUES ('A1', 1, 1)"));
        const QString path = env.locations.workingFolder() + QStringLiteral("/stok.rpt");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
        f.close();
        QCOMPARE(test::failureOf([&] { build(env, path); }),
                 QStringLiteral("File laporan ") + path + message);
        QCOMPARE(
            Env::query(env.locations.workingPath(), QStringLiteral("SELECT count(*) FROM tstok")),
            QStringList { "1" });
    }

    void missingDefinitionIsNamed()
    {
        Env env;
        const QString path = stockReportPath(env.locations);
        QCOMPARE(test::failureOf([&] { build(env, path); }),
                 QStringLiteral("File laporan %1 tidak ditemukan.").arg(path));
        // Written at start-up when missing; an edited one is kept.
        writeMissingReportDefinitions(env.locations);
        QFile f(path);
        QVERIFY(f.open(QIODevice::Append));
        f.write("# diubah\n");
        f.close();
        writeMissingReportDefinitions(env.locations);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().endsWith("# diubah\n"));
    }

    void pdfReadsBack()
    {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QFAIL("pdftotext (poppler-utils) is not installed; make test installs it");
        Env env;
        writeMissingReportDefinitions(env.locations);
        seedGoodsOut(env, 3);
        const QString pdf = env.locations.dataDir() + QStringLiteral("/keluar.pdf");
        writeReportPdf(build(env, goodsOutReportPath(env.locations)), pdf, 2);
        QProcess p;
        p.start(pdftotext, { QStringLiteral("-layout"), pdf, QStringLiteral("-") });
        QVERIFY(p.waitForFinished(30000));
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        QCOMPARE(text.count(QStringLiteral("LAPORAN BARANG KELUAR")), 2); // two copies
        QVERIFY(text.contains(QStringLiteral("Halaman 1 dari 1")));
        QVERIFY(text.contains(QStringLiteral("Gula Pasir")));
        QVERIFY(text.contains(QStringLiteral("Kamis, 10 Desember 2026 09:05")));
    }

    // The list of stock below its minimum, from the command line: goods below their minimum
    // and registered goods without a stock record.
    void lowStockListFromTheCommandLine()
    {
        Env env;
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tbarang VALUES ('A1', 'Beras', '', '', 'sak'), "
                                 "('B2', 'Gula', '', '', 'kg'), ('C3', 'Teh', '', '', 'dus');"
                                 "INSERT INTO tstok VALUES ('A1', 1, 5), ('B2', 9, 5)"));
        const QString pdf = env.locations.dataDir() + QStringLiteral("/minimum.pdf");
        const auto [code, said] = reportFromCommandLine(env, QStringLiteral("minimum"), pdf);
        QVERIFY2(code == 0, qPrintable(said));
        const QString text = pdfText(pdf);
        QVERIFY(text.contains(QStringLiteral("STOK DI BAWAH MINIMUM")));
        QVERIFY(text.contains(
            QRegularExpression(QStringLiteral("A1 +Beras +sak +1 +5 +di bawah minimum"))));
        QVERIFY(text.contains(
            QRegularExpression(QStringLiteral("C3 +Teh +dus +0 +belum ada data stok"))));
        QVERIFY(!text.contains(QStringLiteral("Gula")));
    }

    // The goods-out report of a period: the first and the last day whole, whatever the time of
    // day stored; a subtotal per code and unit; at the end one sum per unit, never one sum of
    // sacks and kilograms.
    void periodReportWithSubtotals()
    {
        Env env;
        writeMissingReportDefinitions(env.locations);
        Env::exec(
            env.locations.workingPath(),
            QStringLiteral(
                "INSERT INTO tbarang VALUES ('A1', 'Beras', '', '', 'sak'), ('B2', 'Gula', '', "
                "'', 'kg'), ('C3', 'Semen', '', '', 'sak');"
                "INSERT INTO tbrgkeluar (Kode_Barang, Tanggal, Jumlah) VALUES "
                "('A1', '2025-02-28 23:59:59', 100), ('A1', '2025-03-15 13:45:00', 2), "
                "('A1', '2025-03-01 00:00:00', 1), ('B2', '2025-03-31 23:59:59', 4), "
                "('C3', '2025-03-20 08:00:00', 5), ('B2', '2025-04-01 00:00:00', 50)"));
        const ReportParameters period = periodParameters(QDate(2025, 3, 1), QDate(2025, 3, 31));
        const QString path = periodReportPath(env.locations);
        const ReportDefinition def = readReportDefinition(path);
        ReportRows data(def, env.locations.workingPath(), path, {}, {}, period);
        QStringList seen;
        for (const ReportRow &row : data.read(0, 100)) {
            QStringList cells;
            for (const char *field : { "Tanggal", "Nama_Barang", "Jumlah", "Satuan" }) {
                const ReportCell &c = row[size_t(data.fieldIndex(QLatin1String(field)))];
                cells << (c.null ? QString() : c.isNumber ? formatNumber(c.number) : c.text);
            }
            seen << cells.join(QLatin1Char('|'));
        }
        QCOMPARE(
            seen,
            (QStringList { "2025-03-01 00:00:00|Beras|1|sak", "2025-03-15 13:45:00|Beras|2|sak",
                           "|Subtotal A1|3|sak", "2025-03-31 23:59:59|Gula|4|kg",
                           "|Subtotal B2|4|kg", "2025-03-20 08:00:00|Semen|5|sak",
                           "|Subtotal C3|5|sak", "|Jumlah kg|4|kg", "|Jumlah sak|8|sak" }));
        const ReportDocument doc
            = buildReport(path, env.locations.workingPath(),
                          QDateTime(QDate(2026, 12, 10), QTime(9, 5)), {}, period);
        QCOMPARE(doc.title, QStringLiteral("LAPORAN BARANG KELUAR 01/03/2025 s.d. 31/03/2025"));
        // The definition without its values is refused by name.
        QVERIFY(test::failureOf([&] {
                    ReportRows(def, env.locations.workingPath(), path);
                }).contains(QStringLiteral(":dari untuk datanya tidak diberikan")));
        // From the command line; a date that cannot be read is said.
        const QString pdf = env.locations.dataDir() + QStringLiteral("/periode.pdf");
        auto [code, stderrText] = runProgram(
            env,
            { QStringLiteral("--report"), QStringLiteral("keluar"), QStringLiteral("--from"),
              QStringLiteral("2025-03-01"), QStringLiteral("--to"), QStringLiteral("2025-03-31"),
              QStringLiteral("--pdf"), pdf });
        QCOMPARE(code, 0);
        const QString said = pdfText(pdf);
        QVERIFY2(said.contains(QStringLiteral("LAPORAN BARANG KELUAR 01/03/2025 s.d. 31/03/2025")),
                 qPrintable(said));
        QVERIFY(said.contains(QRegularExpression(QStringLiteral("Jumlah sak +8 +sak"))));
        std::tie(code, stderrText) = runProgram(
            env,
            { QStringLiteral("--report"), QStringLiteral("keluar"), QStringLiteral("--from"),
              QStringLiteral("1/3/2025"), QStringLiteral("--pdf"), pdf });
        QCOMPARE(code, 2);
        QVERIFY(stderrText.contains(QStringLiteral("Tanggal --from tidak terbaca: \"1/3/2025\"")));
    }

    // The period screen: the current month by default, the dates as typed, the report of
    // that period in the window or to the printer; a period backwards is refused.
    void periodScreen()
    {
        Env env;
        RecordingOutput out;
        setReportOutput(env.app(), &out);
        auto *f = openByKey<frmperiode>(env, Qt::Key_P);
        QVERIFY(f);
        const QDate today = QDate::currentDate();
        QCOMPARE(f->dtdari->date(), QDate(today.year(), today.month(), 1));
        QCOMPARE(f->dtsampai->date(), QDate(today.year(), today.month(), today.daysInMonth()));
        QTest::keyClick(f->cmdlihat, Qt::Key_Return);
        QCOMPARE(out.sent.size(), size_t(1));
        QCOMPARE(out.sent[0].title,
                 QStringLiteral("LAPORAN BARANG KELUAR %1 s.d. %2")
                     .arg(f->dtdari->date().toString(QStringLiteral("dd/MM/yyyy")),
                          f->dtsampai->date().toString(QStringLiteral("dd/MM/yyyy"))));
        f->dtdari->setDate(QDate(2025, 3, 10));
        f->dtsampai->setDate(QDate(2025, 3, 9));
        QTest::mouseClick(f->cmdcetak, Qt::LeftButton);
        QCOMPARE(env.dialogs.last().prompt,
                 QStringLiteral("Tanggal awal (10/03/2025) sesudah tanggal akhir (09/03/2025)."));
        QCOMPARE(out.sent.size(), size_t(1));
        f->dtsampai->setDate(QDate(2025, 3, 31));
        QTest::mouseClick(f->cmdcetak, Qt::LeftButton);
        QCOMPARE(out.sent.size(), size_t(2));
        QVERIFY(out.sent[1].printer);
        QCOMPARE(out.sent[1].title,
                 QStringLiteral("LAPORAN BARANG KELUAR 10/03/2025 s.d. 31/03/2025"));
    }

    // The stock card of a code over a period, from the journal: the balance before the period,
    // each movement with the balance after it (the first and last day whole), the balance at
    // the end; on the screen (Ctrl+K, Enter in the code field), and from the command line.
    void stockCard()
    {
        Env env;
        Env::exec(
            env.locations.workingPath(),
            QStringLiteral("INSERT INTO tmutasi (Waktu, Pengguna, Jenis, Kode_Barang, Perubahan, "
                           "Stok_Akhir, No_Keluar, Keterangan, Tanggal) VALUES "
                           "('2025-02-20 10:00:00', '', 'saldo awal', 'A1', 10, 10, NULL, '', "
                           "'2025-02-20 00:00:00'), "
                           "('2025-03-01 00:00:00', 'ani', 'stok masuk', 'A1', 5, 15, NULL, '', "
                           "'2025-03-01 00:00:00'), "
                           "('2025-03-10 09:00:00', 'ani', 'stok masuk', 'B2', 50, 50, NULL, '', "
                           "'2025-03-10 00:00:00'), "
                           "('2025-03-15 14:30:00', 'budi', 'barang keluar', 'A1', -3, 12, 7, '', "
                           "'2025-03-15 00:00:00'), "
                           "('2025-03-31 23:59:59', 'budi', 'koreksi keluar', 'A1', 0, NULL, 7, "
                           "'diubah: Jumlah 3 menjadi 3', '2025-03-31 00:00:00'), "
                           "('2025-04-01 00:00:00', 'ani', 'stok masuk', 'A1', 100, 112, NULL, '', "
                           "'2025-04-01 00:00:00')"));
        auto *card = openByKey<frmkartu>(env, Qt::Key_K);
        QVERIFY(card);
        QCOMPARE(test::focusName(card), QStringLiteral("txtkode"));
        card->dtdari->setDate(QDate(2025, 3, 1));
        card->dtsampai->setDate(QDate(2025, 3, 31));
        QTest::keyClicks(card->txtkode, QStringLiteral("A1"));
        QTest::keyClick(card->txtkode, Qt::Key_Return);
        QAbstractItemModel *lines = card->DataGrid1->model();
        QStringList seen;
        for (int r = 0; r < lines->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < lines->columnCount(); ++c)
                cells << lines->index(r, c).data().toString();
            seen << cells.join(QLatin1Char('|'));
        }
        QCOMPARE(seen,
                 (QStringList { "|Saldo awal|||10|||", "01/03/2025|stok masuk|5||15|||ani",
                                "15/03/2025|barang keluar||3|12|7||budi",
                                "31/03/2025|koreksi keluar|||12|7|diubah: Jumlah 3 menjadi 3|budi",
                                "|Saldo akhir|||12|||" }));
        QCOMPARE(lines->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Saldo"));
        // The journal began on the 10th with 100 of C3; a goods-out dated the 5th was entered
        // afterwards: it follows the opening stock, and the balance never reads below zero.
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tmutasi (Waktu, Pengguna, Jenis, Kode_Barang, "
                                 "Perubahan, Stok_Akhir, No_Keluar, Keterangan, Tanggal) VALUES "
                                 "('2025-03-10 08:00:00', 'Gudang', 'saldo awal', 'C3', 100, 100, "
                                 "NULL, 'stok saat jurnal dimulai', '2025-03-10 00:00:00'), "
                                 "('2025-03-12 09:00:00', 'budi', 'barang keluar', 'C3', -25, 75, "
                                 "8, '', '2025-03-05 00:00:00')"));
        card->txtkode->selectAll();
        QTest::keyClicks(card->txtkode, QStringLiteral("C3"));
        QTest::keyClick(card->txtkode, Qt::Key_Return);
        seen.clear();
        for (int r = 0; r < lines->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < 5; ++c)
                cells << lines->index(r, c).data().toString();
            seen << cells.join(QLatin1Char('|'));
        }
        QCOMPARE(seen,
                 (QStringList { "|Saldo awal|||100", "05/03/2025|barang keluar||25|75",
                                "|Saldo akhir|||75" }));
        card->txtkode->selectAll();
        QTest::keyClicks(card->txtkode, QStringLiteral("A1"));
        QTest::keyClick(card->txtkode, Qt::Key_Return);

        const QString pdf = env.locations.dataDir() + QStringLiteral("/kartu.pdf");
        const auto [code, stderrText] = runProgram(
            env,
            { QStringLiteral("--report"), QStringLiteral("kartu"), QStringLiteral("--kode"),
              QStringLiteral("A1"), QStringLiteral("--from"), QStringLiteral("2025-03-01"),
              QStringLiteral("--to"), QStringLiteral("2025-03-31"), QStringLiteral("--pdf"), pdf });
        QVERIFY2(code == 0, qPrintable(stderrText));
        const QString said = pdfText(pdf);
        QVERIFY2(said.contains(QStringLiteral("KARTU STOK A1 01/03/2025 s.d. 31/03/2025")),
                 qPrintable(said));
        QVERIFY(said.contains(QRegularExpression(QStringLiteral("Saldo akhir +12"))));
        QCOMPARE(runProgram(env,
                            { QStringLiteral("--report"), QStringLiteral("kartu"),
                              QStringLiteral("--pdf"), pdf })
                     .first,
                 2);
    }

    // Reports and grids saved as spreadsheets and read back: CSV in the dialect an Indonesian
    // spreadsheet opens (";", decimal comma, dd/mm/yyyy, UTF-8 with a byte order mark, CR LF),
    // XLSX with numbers as numbers and dates as dates (read back with openpyxl).
    void spreadsheetsReadBack()
    {
        Env env;
        Env::exec(env.locations.workingPath(),
                  QString::fromUtf8(
                      "INSERT INTO tbarang VALUES ('A1', 'Kopi; \"Luwak\"', '', '', 'kg'), ('B2', "
                      "'Gula é', '', '', 'sak');"
                      "INSERT INTO tstok VALUES ('A1', 2.5, 10), ('B2', 1250, NULL);"
                      "INSERT INTO tbrgkeluar (Kode_Barang, Tanggal, Jumlah) VALUES "
                      "('A1', '2025-03-15 13:45:00', 0.5)"));
        const QString dir = env.locations.dataDir();
        auto run = [&](const QStringList &args) {
            return runProgram(env, args).first;
        };
        QCOMPARE(run({ QStringLiteral("--report"), QStringLiteral("stok"), QStringLiteral("--csv"),
                       dir + QStringLiteral("/stok.csv") }),
                 0);
        QFile csv(dir + QStringLiteral("/stok.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll(),
                 QByteArray("\xEF\xBB\xBF") // the byte order mark
                     + QString::fromUtf8("Kode Barang;Nama Barang;Satuan;Stok;Stok Minimum;"
                                         "Keterangan\r\n"
                                         "A1;\"Kopi; \"\"Luwak\"\"\";kg;2,5;10;DI BAWAH MINIMUM\r\n"
                                         "B2;Gula é;sak;1250;;\r\n")
                           .toUtf8());
        QCOMPARE(run({ QStringLiteral("--report"), QStringLiteral("keluar"),
                       QStringLiteral("--xlsx"), dir + QStringLiteral("/keluar.xlsx") }),
                 0);
        // Each cell as "type:value", read by the spreadsheet library the store keeper's
        // accountant would use from Python.
        auto readBack = [](const QString &path) {
            QProcess p;
            // Debian's python3, where python3-openpyxl is installed.
            p.start(
                QStringLiteral("/usr/bin/python3"),
                { QStringLiteral("-c"),
                  QStringLiteral(
                      "import sys, openpyxl\n"
                      "for row in "
                      "openpyxl.load_workbook(sys.argv[1]).active.iter_rows(values_only=True):\n"
                      "    print('|'.join('%s:%s' % (type(v).__name__, v) for v in row))\n"),
                  path });
            p.waitForFinished(60000);
            return QString::fromUtf8(p.readAllStandardOutput()).trimmed().split(QLatin1Char('\n'));
        };
        QCOMPARE(readBack(dir + QStringLiteral("/keluar.xlsx")),
                 (QStringList {
                     "str:No.|str:Tanggal|str:Kode Barang|str:Nama Barang|str:Jumlah|str:Satuan",
                     QString::fromUtf8("int:1|datetime:2025-03-15 13:45:00|str:A1|str:Kopi; "
                                       "\"Luwak\"|float:0.5|str:kg") }));
        // A grid's table, as its context menu saves it.
        auto stock = openRecordSource(env.locations.workingPath(), QStringLiteral("tstok"));
        writeSpreadsheet(gridTable(*stock), dir + QStringLiteral("/tstok.xlsx"));
        QCOMPARE(readBack(dir + QStringLiteral("/tstok.xlsx")),
                 (QStringList { "str:Kode_Barang|str:Jumlah_Stok|str:Stok_Minimum|str:Tanda",
                                QString::fromUtf8("str:A1|float:2.5|int:10|str:▼ di bawah minimum"),
                                "str:B2|int:1250|NoneType:None|NoneType:None" }));
        GridView grid;
        bindGrid(&grid, stock.get());
        QStringList actions;
        for (QAction *a : grid.exportMenu()->actions())
            actions << a->text();
        QCOMPARE(actions,
                 (QStringList { "Simpan sebagai &Excel (XLSX)...", "Simpan sebagai &CSV..." }));
        // A failure leaves nothing half-written, and an older file as it was.
        QVERIFY(test::failureOf([&] {
                    writeSpreadsheet(gridTable(*stock), dir + QStringLiteral("/tstok.txt"));
                }).contains(QStringLiteral("harus .csv atau .xlsx")));
        QVERIFY(!QFile::exists(dir + QStringLiteral("/tstok.txt.sebagian")));
    }

    // A goods-out posted with an earlier date typed (20/11/2026, entered in December) is on the
    // stock card of November, which then agrees with November's goods-out report; December's
    // card opens with the balance after it.
    void backDatedPostingIsOnItsDaysCard()
    {
        Env env;
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tbarang VALUES ('KOP01', 'Kopi', 'M', 'S', 'bks')"));
        {
            auto stock = openRecordSource(env.locations.workingPath(), QStringLiteral("tstok"));
            StockService(env.locations.workingPath(), QStringLiteral("gudang"))
                .book(*stock, QStringLiteral("KOP01"), 100, 1, QDate(2026, 11, 1));
        }
        frmkeluar &k = test::openIssue(env);
        QTest::mouseClick(k.cmdtambah, Qt::LeftButton);
        test::enter(k.txtkode, QStringLiteral("KOP01"));
        k.dt1->lineEdit()->selectAll();
        QTest::keyClicks(k.dt1->lineEdit(), QStringLiteral("20/11/2026"));
        QTest::keyClick(k.dt1->lineEdit(), Qt::Key_Tab);
        test::enter(k.txtjumlah, QStringLiteral("5"));
        env.dialogs.answer(Button::No);
        QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { "Masih ada Input Data Lagi?" });
        auto card = [&](const QDate &first, const QDate &last) {
            frmkartu &c = env.screens().get<frmkartu>();
            c.txtkode->setText(QStringLiteral("KOP01"));
            c.dtdari->setDate(first);
            c.dtsampai->setDate(last);
            QTest::mouseClick(c.cmdtampil, Qt::LeftButton);
            QStringList lines;
            QAbstractItemModel *m = c.DataGrid1->model();
            for (int r = 0; r < m->rowCount(); ++r) {
                QStringList cells;
                for (int col = 0; col < 5; ++col)
                    cells << m->index(r, col).data().toString();
                lines << cells.join(QLatin1Char('|'));
            }
            return lines;
        };
        QCOMPARE(card(QDate(2026, 11, 1), QDate(2026, 11, 30)),
                 (QStringList { "|Saldo awal|||0", "01/11/2026|stok masuk|100||100",
                                "20/11/2026|barang keluar||5|95", "|Saldo akhir|||95" }));
        QCOMPARE(card(QDate(2026, 12, 1), QDate(2026, 12, 31)),
                 (QStringList { "|Saldo awal|||95", "|Saldo akhir|||95" }));
        const QString pdf = env.locations.dataDir() + QStringLiteral("/nov.pdf");
        QCOMPARE(runProgram(env,
                            { QStringLiteral("--report"), QStringLiteral("keluar"),
                              QStringLiteral("--from"), QStringLiteral("2026-11-01"),
                              QStringLiteral("--to"), QStringLiteral("2026-11-30"),
                              QStringLiteral("--pdf"), pdf })
                     .first,
                 0);
        QVERIFY(pdfText(pdf).contains(QStringLiteral("20/11/2026")));
    }

    // A card of 10,000 movements shows every one of them, as the grid scrolls down to them, and
    // its closing balance at the end; an unknown code is said, on the screen and on the
    // terminal, and a code whose goods were deleted but that has movements is known.
    void longCardsAndUnknownCodes()
    {
        Env env;
        const QString day = QStringLiteral("'2026-05-' || CASE WHEN i % 28 < 9 THEN '0' ELSE '' "
                                           "END || (1 + i % 28) || ' 00:00:00'");
        Env::exec(
            env.locations.workingPath(),
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                           "WHERE i < 10000) INSERT INTO tmutasi (Waktu, Pengguna, Jenis, "
                           "Kode_Barang, Perubahan, Stok_Akhir, Keterangan, Tanggal) SELECT "
                           "'2026-05-01 08:00:00', 'ani', 'stok masuk', 'A1', 1, i, '', %1 "
                           "FROM n")
                .arg(test::onServer() ? QStringLiteral("CAST(%1 AS timestamp)").arg(day) : day));
        auto *c = openByKey<frmkartu>(env, Qt::Key_K);
        QVERIFY(c);
        c->dtdari->setDate(QDate(2026, 5, 1));
        c->dtsampai->setDate(QDate(2026, 5, 31));
        QTest::keyClicks(c->txtkode, QStringLiteral("A1"));
        QTest::keyClick(c->txtkode, Qt::Key_Return);
        QAbstractItemModel *m = c->DataGrid1->model();
        QVERIFY(m->rowCount() < 10002); // the first lines at once, counted meanwhile
        QCOMPARE(m->index(0, 1).data().toString(), QStringLiteral("Saldo awal"));
        QCOMPARE(m->index(1, 4).data().toString(), QStringLiteral("1"));
        c->DataGrid1->setFocus();
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                QTest::keyClick(c->DataGrid1, Qt::Key_End, Qt::ControlModifier);
                return m->rowCount() == 10002;
            }(),
            20000);
        QCOMPARE(m->index(10000, 4).data().toString(), QStringLiteral("10.000"));
        QCOMPARE(m->index(10001, 1).data().toString(), QStringLiteral("Saldo akhir"));
        QCOMPARE(m->index(10001, 4).data().toString(), QStringLiteral("10.000"));

        c->txtkode->setText(QStringLiteral("ZZ9"));
        QTest::keyClick(c->txtkode, Qt::Key_Return);
        QCOMPARE(env.dialogs.last().prompt, QStringLiteral("Maaf Kode Barang ZZ9 Tidak Terdaftar"));
        QCOMPARE(env.dialogs.last().title, QStringLiteral("PERHATIAN"));
        QCOMPARE(m->rowCount(), 10002); // the card shown stays
        const QString pdf = env.locations.dataDir() + QStringLiteral("/zz9.pdf");
        const auto [code, said] = runProgram(env,
                                             { QStringLiteral("--report"), QStringLiteral("kartu"),
                                               QStringLiteral("--kode"), QStringLiteral("ZZ9"),
                                               QStringLiteral("--pdf"), pdf });
        QCOMPARE(code, 1);
        QVERIFY2(said.contains(QStringLiteral("Maaf Kode Barang ZZ9 Tidak Terdaftar")),
                 qPrintable(said));
        QVERIFY(!QFile::exists(pdf));
        QCOMPARE(
            runProgram(env,
                       { QStringLiteral("--report"), QStringLiteral("kartu"),
                         QStringLiteral("--kode"), QStringLiteral("A1"), QStringLiteral("--from"),
                         QStringLiteral("2026-05-01"), QStringLiteral("--pdf"), pdf })
                .first,
            0);
    }

    // A card definition whose query gives its first lines in order but a later one before
    // them: the lines shown at once give way to the sorted card once it is counted.
    void firstLinesGiveWayToTheSortedCard()
    {
        Env env;
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tbarang VALUES ('A1', 'Kopi', 'M', 'S', 'bks'); "
                                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                 "WHERE i < 500) INSERT INTO tbrgkeluar (Kode_Barang, Tanggal, "
                                 "Jumlah) SELECT 'A1', '2026-01-01 00:00:00', 1 FROM n"));
        writeMissingReportDefinitions(env.locations);
        QFile f(stockCardReportPath(env.locations));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("judul = KARTU {kode}\n"
                "data  = SELECT CASE WHEN No_Keluar = 400 THEN 0 ELSE No_Keluar END AS Urutan, "
                "CAST(:kode AS varchar(10)) AS Kode FROM tbrgkeluar ORDER BY No_Keluar\n"
                "urut  = Urutan\n"
                "kolom = Urutan | Urutan | 20 | kanan | angka\n"
                "kolom = Kode | Kode | 20 | kiri | teks\n");
        f.close();
        frmkartu &c = test::showAlone<frmkartu>(env.screens());
        test::enter(c.txtkode, QStringLiteral("A1"));
        QAbstractItemModel *m = c.DataGrid1->model();
        QCOMPARE(m->index(0, 0).data().toString(), QStringLiteral("1"));
        QTRY_COMPARE(m->index(0, 0).data().toString(), QStringLiteral("0"));
        QCOMPARE(m->index(1, 0).data().toString(), QStringLiteral("1"));
        QTRY_COMPARE(m->rowCount(), 500);
    }

    // What only the counting finds (a total over a field that is not a number) is said when
    // it is found, and the card's first lines leave the grid.
    void countingFindsWhatTheFirstLinesHide()
    {
        Env env;
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tbarang VALUES ('A1', 'Kopi', 'M', 'S', 'bks'); "
                                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                 "WHERE i < 500) INSERT INTO tbrgkeluar (Kode_Barang, Tanggal, "
                                 "Jumlah) SELECT 'A1', '2026-01-01 00:00:00', 1 FROM n"));
        writeMissingReportDefinitions(env.locations);
        const QString path = stockCardReportPath(env.locations);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("judul = KARTU {kode}\n"
                "data  = SELECT No_Keluar AS Urutan, CAST(No_Keluar AS varchar(10)) AS \"Nilai\" "
                "FROM tbrgkeluar ORDER BY No_Keluar\n"
                "urut  = Urutan\n"
                "kolom = Urutan | Urutan | 20 | kanan | angka\n"
                "kolom = Nilai | Nilai | 20 | kanan | angka\n"
                "total = Nilai\n");
        f.close();
        frmkartu &c = test::showAlone<frmkartu>(env.screens());
        test::enter(c.txtkode, QStringLiteral("A1"));
        QCOMPARE(c.DataGrid1->model()->rowCount(), ReportList::kFirst);
        QTRY_COMPARE(env.dialogs.prompts().size(), 1);
        QCOMPARE(env.dialogs.last().prompt,
                 QStringLiteral("File laporan %1, baris 6: total perlu field angka, tetapi Nilai "
                                "berisi \"1\".")
                     .arg(QDir::toNativeSeparators(path)));
        QCOMPARE(c.DataGrid1->model()->rowCount(), 0);
    }

    // Low stock lists every stock record below its minimum, also one whose goods record was
    // deleted, as the stock grid marks it.
    void lowStockWithoutItsGoods()
    {
        Env env;
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tbarang VALUES ('A1', 'Kopi', 'M', 'S', 'bks'); "
                                 "INSERT INTO tstok VALUES ('A1', 2, 5), ('X9', 1, 3), "
                                 "('Y8', 10, 3)"));
        frmminimum &m = test::showAlone<frmminimum>(env.screens());
        QAbstractItemModel *rows = m.DataGrid1->model();
        QStringList seen;
        for (int r = 0; r < rows->rowCount(); ++r)
            seen << rows->index(r, 0).data().toString() + QLatin1Char('|')
                    + rows->index(r, 1).data().toString();
        QCOMPARE(seen, (QStringList { "A1|Kopi", "X9|(tidak ada di data barang)" }));
    }

    // Every grid saves its rows from its context menu, every column it shows, to the file the
    // user names in a save window that says what the file holds.
    void everyGridSavesFromItsContextMenu_data()
    {
        QTest::addColumn<QString>("grid");
        QTest::addColumn<QString>("heading"); // the first line of the CSV, without its mark
        QTest::addColumn<int>("rows");
        QTest::newRow("goods") << "frmbrg"
                               << "Kode_Barang;Nama_Barang;Merk;Supplier;Satuan" << 2;
        QTest::newRow("stock, its mark too") << "frmstok"
                                             << "Kode_Barang;Jumlah_Stok;Stok_Minimum;Tanda" << 2;
        QTest::newRow("goods out") << "frmkeluar"
                                   << "No_Keluar;Kode_Barang;Tanggal;Jumlah" << 1;
        QTest::newRow("stock card")
            << "frmkartu"
            << "Tanggal;Jenis;Masuk;Keluar;Saldo;No. Keluar;Keterangan;Pengguna" << 3;
        QTest::newRow("low stock")
            << "frmminimum"
            << "Kode Barang;Nama Barang;Satuan;Stok;Stok Minimum;Keterangan" << 1;
        QTest::newRow("goods search") << "frmcari"
                                      << "Kode_Barang;Nama_Barang;Merk;Satuan" << 2;
    }
    void everyGridSavesFromItsContextMenu()
    {
        QFETCH(QString, grid);
        QFETCH(QString, heading);
        QFETCH(int, rows);
        Env env;
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tbarang VALUES ('A1', 'Kopi', 'M', 'S', 'bks'), "
                                 "('B2', 'Gula', 'M', 'S', 'kg'); INSERT INTO tstok VALUES ('A1', "
                                 "2, 5), ('B2', 10, 3); INSERT INTO tbrgkeluar (Kode_Barang, "
                                 "Tanggal, Jumlah) VALUES ('A1', '2026-12-01 00:00:00', 1); "
                                 "INSERT INTO tmutasi (Waktu, Pengguna, Jenis, Kode_Barang, "
                                 "Perubahan, Stok_Akhir, Keterangan, Tanggal) VALUES "
                                 "('2026-12-01 08:00:00', 'ani', 'stok masuk', 'A1', 3, 3, '', "
                                 "'2026-12-01 00:00:00')"));
        QTableView *view = nullptr;
        if (grid == QLatin1String("frmbrg")) {
            view = test::showAlone<frmbrg>(env.screens()).DataGrid1;
        } else if (grid == QLatin1String("frmstok")) {
            view = test::showAlone<frmstok>(env.screens()).DataGrid1;
        } else if (grid == QLatin1String("frmkeluar")) {
            view = test::openIssue(env).DataGrid1;
        } else if (grid == QLatin1String("frmkartu")) {
            frmkartu &c = test::showAlone<frmkartu>(env.screens());
            c.dtdari->setDate(QDate(2026, 12, 1));
            c.dtsampai->setDate(QDate(2026, 12, 31));
            test::enter(c.txtkode, QStringLiteral("A1"));
            view = c.DataGrid1;
        } else if (grid == QLatin1String("frmminimum")) {
            view = test::showAlone<frmminimum>(env.screens()).DataGrid1;
        } else {
            frmcari &f = test::showAlone<frmcari>(env.screens());
            QTest::keyClicks(f.txtcari, QStringLiteral("a")); // A1 by its code, Gula by its name
            view = f.DataGrid1;
        }
        const QString path = env.locations.dataDir() + QStringLiteral("/simpan.csv");
        env.dialogs.answerFile(path);
        // The right click opens the menu; its CSV entry is chosen as a user chooses it.
        QTimer::singleShot(50, [] {
            if (QWidget *menu = QApplication::activePopupWidget()) {
                QTest::keyClick(menu, Qt::Key_C);
            }
        });
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(10, 10),
                                view->viewport()->mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(view->viewport(), &click);
        QTRY_VERIFY(QFile::exists(path));
        const auto &asked = env.dialogs.last();
        QVERIFY2(asked.suggested.endsWith(QStringLiteral(".csv")), qPrintable(asked.suggested));
        QVERIFY2(asked.suggested.contains(view->accessibleName()), qPrintable(asked.suggested));
        QCOMPARE(asked.types, QStringList { "CSV untuk lembar kerja berbahasa Indonesia (*.csv)" });
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(f.readAll().mid(3))
                                      .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.value(0), heading);
        QCOMPARE(lines.size() - 1, rows);
    }

    // The save window speaks Indonesian, and the names it offers say what the file holds:
    // dates as yyyy-MM-dd, never cut inside a date; sheet names within 31 characters.
    void saveWindowsAndNames_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("sheet");
        QTest::newRow("period") << "LAPORAN BARANG KELUAR 01/03/2026 s.d. 31/03/2026"
                                << "LAPORAN BARANG KELUAR 2026-03-01 sd 2026-03-31.xlsx"
                                << "KELUAR 2026-03-01 sd 2026-03-31";
        QTest::newRow("stock card") << "KARTU STOK KOP01 01/12/2026 s.d. 31/12/2026"
                                    << "KARTU STOK KOP01 2026-12-01 sd 2026-12-31.xlsx"
                                    << "KOP01 2026-12-01 sd 2026-12-31";
        QTest::newRow("short") << "LAPORAN STOK BARANG"
                               << "LAPORAN STOK BARANG.xlsx"
                               << "LAPORAN STOK BARANG";
        QTest::newRow("no file characters") << "A/B: C*D?"
                                            << "A B C D.xlsx"
                                            << "A B C D";
    }
    void saveWindowsAndNames()
    {
        QFETCH(QString, title);
        QFETCH(QString, file);
        QFETCH(QString, sheet);
        QCOMPARE(suggestedFileName(title, QStringLiteral("xlsx")), file);
        QCOMPARE(sheetName(title), sheet);
        QVERIFY(sheetName(title).size() <= 31);
        std::unique_ptr<QFileDialog> d(QtDialogs::saveDialog(QStringLiteral("Simpan PDF"), file,
                                                             { QStringLiteral("Excel (*.xlsx)") }));
        QCOMPARE(d->labelText(QFileDialog::LookIn), QStringLiteral("Simpan di:"));
        QCOMPARE(d->labelText(QFileDialog::FileName), QStringLiteral("Nama file:"));
        QCOMPARE(d->labelText(QFileDialog::FileType), QStringLiteral("Jenis file:"));
        QCOMPARE(d->labelText(QFileDialog::Accept), QStringLiteral("&Simpan"));
        QCOMPARE(d->labelText(QFileDialog::Reject), QStringLiteral("&Batal"));
        QCOMPARE(d->nameFilters(), QStringList { "Excel (*.xlsx)" });
        for (QToolButton *b : d->findChildren<QToolButton *>()) {
            if (b->isVisibleTo(d.get()) && !b->toolTip().isEmpty())
                QVERIFY2(!b->toolTip().contains(QStringLiteral("Back"))
                             && !b->toolTip().contains(QStringLiteral("Folder")),
                         qPrintable(b->toolTip()));
        }
    }

    // The preview opens wide enough for every button of its bars: "Tutup" always in sight,
    // nothing folded behind an overflow arrow.
    void previewShowsEveryButton()
    {
        Env env;
        writeMissingReportDefinitions(env.locations);
        const ReportDocument doc = build(env, stockReportPath(env.locations));
        ReportPreview preview(doc, env.dialogs);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        for (QToolBar *bar : preview.findChildren<QToolBar *>()) {
            auto *more = bar->findChild<QToolButton *>(QStringLiteral("qt_toolbar_ext_button"));
            QVERIFY2(!more || !more->isVisible(), qPrintable(bar->objectName()));
            for (QAction *a : bar->actions()) {
                QWidget *w = bar->widgetForAction(a);
                if (!w || a->isSeparator())
                    continue;
                QVERIFY2(w->isVisible(), qPrintable(a->text()));
                QVERIFY2(preview.rect().contains(QRect(w->mapTo(&preview, QPoint()), w->size())),
                         qPrintable(a->text()));
            }
        }
        bool closeFound = false;
        for (QAction *a : preview.findChildren<QAction *>())
            closeFound = closeFound || a->text() == QStringLiteral("&Tutup");
        QVERIFY(closeFound);
    }

    // Pages are laid out when asked for, from their own rows: the count follows from the rows
    // (the total on the last page of rows, or on one of its own when it does not fit), and a
    // page asked for out of order is the page asked for in order.
    void pagesLaidOutOnDemand_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("onLast"); // rows on the last page of rows
        QTest::newRow("none") << 0 << 1 << 0;
        QTest::newRow("one") << 1 << 1 << 1;
        QTest::newRow("a full page: the total alone after it") << 50 << 2 << 50;
        QTest::newRow("one short of a page: the total needs more room") << 49 << 2 << 49;
        QTest::newRow("two short of a page") << 48 << 1 << 48;
        QTest::newRow("one over a page") << 51 << 2 << 1;
        QTest::newRow("three full pages") << 150 << 4 << 50;
    }
    void pagesLaidOutOnDemand()
    {
        QFETCH(int, rows);
        QFETCH(int, pages);
        QFETCH(int, onLast);
        Env env;
        writeMissingReportDefinitions(env.locations);
        seedGoodsOut(env, rows);
        const ReportDocument doc = build(env, goodsOutReportPath(env.locations));
        QCOMPARE(doc.pageCount(), pages);
        std::vector<QStringList> inOrder;
        for (int p = 0; p < pages; ++p)
            inOrder.push_back(doc.texts(p));
        for (int p : { pages - 1, 0, pages / 2, pages - 1 })
            QCOMPARE(doc.texts(p), inOrder[size_t(p)]);
        const int lastRows = rows == 0 ? 0 : (rows - 1) / 50;
        QCOMPARE((inOrder[size_t(lastRows)].size() - 9) / 6, qsizetype(onLast));
        QCOMPARE(inOrder.back().mid(inOrder.back().size() - 2, 1), QStringList { "TOTAL" });
        int total = 0;
        for (int i = 1; i <= rows; ++i)
            total += i % 5 + 1;
        QCOMPARE(inOrder.back().back(), formatNumber(total, 2, true));
        QVERIFY_THROWS_EXCEPTION(AppError, doc.page(pages));
    }

    // A report lets go of the data once its pages are written or its preview is closed: a read
    // left open part way would keep the log from being checkpointed for the rest of the run.
    void reportsLetGoOfTheData()
    {
        SKIP_ON_SERVER(); // about the log of a database file
        Env env;
        writeMissingReportDefinitions(env.locations);
        seedGoodsOut(env, 200);
        std::shared_ptr<SqliteStore> db = SqliteStore::open(env.locations.workingPath());
        sqlite3_busy_timeout(db->handle(), 0);
        db->exec("INSERT INTO tbarang VALUES ('C3', 'Kopi', 'M', 'S', 'bks')"); // in the log
        auto checkpointBlocked = [&] {
            db->exec("INSERT INTO tbarang VALUES ('D4', 'Garam', 'M', 'S', 'bks');"
                     "DELETE FROM tbarang WHERE Kode_Barang = 'D4'");
            sqlite3_stmt *st = nullptr;
            sqlite3_prepare_v2(db->handle(), "PRAGMA wal_checkpoint(TRUNCATE)", -1, &st, nullptr);
            sqlite3_step(st);
            const bool busy = sqlite3_column_int(st, 0) != 0;
            sqlite3_finalize(st);
            return busy;
        };
        const ReportDocument doc = build(env, goodsOutReportPath(env.locations));
        doc.page(0); // a read part way through the rows
        QVERIFY(checkpointBlocked()); // the fault this guards against
        doc.release();
        QVERIFY(!checkpointBlocked());
        writeReportPdf(doc, env.locations.dataDir() + QStringLiteral("/keluar.pdf"));
        QVERIFY(!checkpointBlocked());
        {
            ReportPreview preview(doc, env.dialogs);
            preview.show();
            QVERIFY(QTest::qWaitForWindowExposed(&preview));
            preview.setCurrentPage(2);
            preview.view()->repaint();
        }
        QVERIFY(!checkpointBlocked());
    }

    // A PDF is written whole or not at all: stopped half way, no file is left and an earlier
    // one stays as it was.
    void pdfAllOrNothing()
    {
        Env env;
        writeMissingReportDefinitions(env.locations);
        seedGoodsOut(env, 200);
        const QString pdf = env.locations.dataDir() + QStringLiteral("/keluar.pdf");
        const ReportDocument doc = build(env, goodsOutReportPath(env.locations));
        QStringList told;
        const QString failure = test::failureOf([&] {
            writeReportPdf(doc, pdf, 1, [&](int page, int pages) {
                told << QStringLiteral("%1/%2").arg(page).arg(pages);
                return page < 2;
            });
        });
        QCOMPARE(failure, QStringLiteral("Laporan dibatalkan."));
        QCOMPARE(told, (QStringList { "0/5", "1/5", "2/5" }));
        QCOMPARE(QDir(env.locations.dataDir()).entryList({ QStringLiteral("keluar.pdf*") }),
                 QStringList {});
        auto bytesOf = [](const QString &path) {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        {
            QFile f(pdf);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("lama");
        }
        QVERIFY(!test::failureOf([&] {
                     writeReportPdf(doc, pdf, 1, [](int p, int) { return p < 4; });
                 }).isEmpty());
        QCOMPARE(bytesOf(pdf), QByteArray("lama"));
        writeReportPdf(doc, pdf);
        QVERIFY(bytesOf(pdf).startsWith("%PDF"));
        QCOMPARE(QDir(env.locations.dataDir()).entryList({ QStringLiteral("keluar.pdf*") }),
                 QStringList { "keluar.pdf" });
    }

    // A report from the command line that takes more than a second says how far it is.
    void commandLineLongReportShowsProgress()
    {
        Env env;
        writeMissingReportDefinitions(env.locations);
        seedGoodsOut(env, 40000);
        const QString pdf = env.locations.dataDir() + QStringLiteral("/keluar.pdf");
        const auto [code, said] = reportFromCommandLine(env, QStringLiteral("keluar"), pdf);
        QCOMPARE(code, 0);
        QVERIFY2(said.contains(QStringLiteral(" dari 801...")), qPrintable(said.right(300)));
        QVERIFY2(
            said.endsWith(QStringLiteral("\rLaporan selesai: 801 halaman.                    \n")),
            qPrintable(said.right(300)));
    }

    void commandLinePdf()
    {
        Env env;
        writeMissingReportDefinitions(env.locations);
        seedGoodsOut(env, 2);
        const QString pdf = env.locations.dataDir() + QStringLiteral("/stok laporan.pdf");
        QCOMPARE(reportFromCommandLine(env, QStringLiteral("stok"), pdf).first, 0);
        QVERIFY(QFile(pdf).size() > 0);
        QFile def(stockReportPath(env.locations));
        QVERIFY(def.open(QIODevice::WriteOnly));
        def.write("judul = X\nwarna = biru\n");
        def.close();
        const auto [code, said] = reportFromCommandLine(env, QStringLiteral("stok"), pdf);
        QCOMPARE(code, 1);
        QVERIFY(said.contains(QStringLiteral("baris 2: kunci \"warna\" tidak dikenal.")));
    }

    // Without a display (a server, an SSH session, a cron job) every path that needs no window
    // works and says what it does on the terminal; a start that needs one says so.
    void commandLineWithoutDisplay_data()
    {
        QTest::addColumn<QString>("folder"); // "new": never opened; "data": a working database
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output"); // part of stdout or stderr
        QTest::addColumn<bool>("pdfWritten");
        const QStringList report { QStringLiteral("--report"), QStringLiteral("stok") };
        const QStringList pdf { QStringLiteral("--pdf"), QStringLiteral("@PDF") };
        QTest::newRow("definitions missing: written with their defaults")
            << "data" << report + pdf << 0 << "" << true;
        QTest::newRow("no working database")
            << "new" << report + pdf << 1 << "tidak ditemukan; laporan tidak dibuat" << false;
        QTest::newRow("report without pdf")
            << "data" << report << 2
            << "--report dan satu dari --pdf, --csv, --xlsx dipakai bersama." << false;
        QTest::newRow("unknown option") << "data" << QStringList { QStringLiteral("--warna") } << 2
                                        << "Opsi tidak dikenal: --warna." << false;
        QTest::newRow("option without its value")
            << "data" << QStringList { QStringLiteral("--pdf") } << 2
            << "Opsi --pdf perlu nilai (FILE)." << false;
        QTest::newRow("help") << "data" << QStringList { QStringLiteral("--help") } << 0
                              << "--restore <FILE>" << false;
        QTest::newRow("unknown report")
            << "data" << QStringList { QStringLiteral("--report"), QStringLiteral("xyz") } + pdf
            << 2
            << "Laporan \"xyz\" tidak dikenal (keluar, stok, minimum, kartu, pengguna, opname, "
               "lembar-opname, nilai, hpp, harga-beli atau label)."
            << false;
        QTest::newRow("version") << "data" << QStringList { QStringLiteral("--version") } << 0
                                 << "gudang 0.1.0" << false;
        QTest::newRow("the program itself")
            << "data" << QStringList {} << 1 << "Gudang perlu layar" << false;
    }
    void commandLineWithoutDisplay()
    {
        QFETCH(QString, folder);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QFETCH(bool, pdfWritten);
        if (folder == QLatin1String("new"))
            SKIP_ON_SERVER(); // a server without our tables: see tst_shell
        Env env(folder == QLatin1String("data"));
        const QString pdf = env.locations.dataDir() + QStringLiteral("/stok.pdf");
        arguments.replaceInStrings(QStringLiteral("@PDF"), pdf);
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        for (const char *v : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
            e.remove(QString::fromLatin1(v));
        p.setProcessEnvironment(e);
        p.start(QStringLiteral(GUDANG_BINARY), test::storeArguments(env.locations) + arguments);
        QVERIFY(p.waitForFinished(60000));
        const QString said
            = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), exitCode);
        QVERIFY2(said.contains(output), qPrintable(said));
        if (arguments.contains(QStringLiteral("--help"))) {
            // Every report the program writes is listed, with what it is.
            QString joined = said;
            joined.remove(QRegularExpression(QStringLiteral("\\s+")));
            for (const char *name : { "keluar", "stok", "minimum", "kartu", "pengguna", "opname",
                                      "lembar-opname", "label" })
                QVERIFY2(joined.contains(QStringLiteral("%1(").arg(QLatin1String(name))), name);
        }
        QCOMPARE(QFile::exists(pdf), pdfWritten);
        QCOMPARE(QFile::exists(stockReportPath(env.locations)), pdfWritten);
    }

    void screensSendReportsAsSet()
    {
        Env env;
        writeMissingReportDefinitions(env.locations);
        seedGoodsOut(env, 3);
        RecordingOutput out;
        setReportOutput(env.app(), &out);
        frmutama &utama = test::showAlone<frmutama>(env.screens());
        QTest::keyClick(&utama, Qt::Key_E, Qt::ControlModifier);
        frmcetklr *k = env.screens().find<frmcetklr>();
        QVERIFY(k && k->isVisible());
        activate(k);
        QCOMPARE(k->windowTitle(), QStringLiteral("Cetak barang Keluar"));
        QCOMPARE(k->size(), QSize(312, 210));
        QCOMPARE(k->Label1->text(), QStringLiteral("LAPORAN KELUAR BARANG"));
        QCOMPARE(k->crklr->objectName(), QStringLiteral("crklr"));
        QCOMPARE(k->focusWidget(), k->cmdproses);
        QVERIFY(!k->opprev->isChecked() && !k->opcetak->isChecked());
        QCOMPARE(k->txtcopi->text(), QStringLiteral("1"));
        QCOMPARE(k->up->value(), 1);

        // Neither option: the preview window, maximised.
        QTest::keyClick(k->cmdproses, Qt::Key_Return);
        QCOMPARE(out.sent.size(), size_t(1));
        QVERIFY(!out.sent[0].printer && out.sent[0].maximised);
        QCOMPARE(out.sent[0].title, QStringLiteral("LAPORAN BARANG KELUAR"));

        // The spinner sets the copies and writes them into the field; a typed number does not.
        QTest::mouseClick(k->up->upButton(), Qt::LeftButton);
        QTest::mouseClick(k->up->upButton(), Qt::LeftButton);
        QCOMPARE(k->txtcopi->text(), QStringLiteral("3"));
        k->txtcopi->setText(QStringLiteral("9"));
        QTest::mouseClick(k->opcetak, Qt::LeftButton);
        QTest::mouseClick(k->cmdproses, Qt::LeftButton);
        QCOMPARE(out.sent.size(), size_t(2));
        QVERIFY(out.sent[1].printer);
        QCOMPARE(out.sent[1].copies, 3);
        QTest::mouseClick(k->up->downButton(), Qt::LeftButton);
        QCOMPARE(k->txtcopi->text(), QStringLiteral("2")); // the typed text is overwritten

        // The report shows the database as it is now.
        Env::exec(env.locations.workingPath(), QStringLiteral("DELETE FROM tbrgkeluar"));
        QTest::mouseClick(k->opprev, Qt::LeftButton);
        QVERIFY(!k->opcetak->isChecked());
        QTest::mouseClick(k->cmdproses, Qt::LeftButton);
        QVERIFY(!out.sent[2].printer);
        QTest::mouseClick(k->cmdclose, Qt::LeftButton);
        QVERIFY(!env.screens().isLoaded<frmcetklr>());

        // The stock twin.
        utama.gf->trigger();
        frmcetstk *s = env.screens().find<frmcetstk>();
        QVERIFY(s && s->isVisible());
        QCOMPARE(s->windowTitle(), QStringLiteral("Cetak Stok Barang"));
        QCOMPARE(s->size(), QSize(285, 172));
        QCOMPARE(s->stok->objectName(), QStringLiteral("stok"));
        QTest::mouseClick(s->opcetak, Qt::LeftButton);
        QTest::mouseClick(s->cmdproses, Qt::LeftButton);
        QCOMPARE(out.sent.back().title, QStringLiteral("LAPORAN STOK BARANG"));
        QVERIFY(out.sent.back().printer);
        QCOMPARE(out.sent.back().copies, 1);
        for (int i = 0; i < 120; ++i)
            QTest::mouseClick(s->up->upButton(), Qt::LeftButton);
        QCOMPARE(s->txtcopi->text(), QStringLiteral("99"));
    }

    void brokenDefinitionKeepsScreenOpen()
    {
        Env env;
        RecordingOutput out;
        setReportOutput(env.app(), &out);
        frmutama &utama = env.screens().get<frmutama>();
        env.screens().showStart(utama);
        utama.gf->trigger();
        frmcetstk *s = env.screens().find<frmcetstk>();
        QTest::mouseClick(s->cmdproses, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(),
                 QStringList { QStringLiteral("File laporan %1 tidak ditemukan.")
                                   .arg(stockReportPath(env.locations)) });
        QCOMPARE(env.dialogs.last().style, 16);
        QVERIFY(out.sent.empty());
        QVERIFY(s->isVisible());
    }

    void noPrinterIsSaidClearly()
    {
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("this machine has a printer; the test would print on it");
        Env env;
        writeMissingReportDefinitions(env.locations);
        QtReportOutput out;
        const ReportDocument doc = build(env, stockReportPath(env.locations));
        QCOMPARE(test::failureOf([&] { out.print(doc, 2); }),
                 QStringLiteral("Tidak ada printer yang terpasang. Laporan tidak dicetak."));
    }

    void previewWindowShowsThePages()
    {
        Env env;
        writeMissingReportDefinitions(env.locations);
        seedGoodsOut(env, 120);
        const ReportDocument doc = build(env, goodsOutReportPath(env.locations));
        ReportPreview preview(doc, env.dialogs);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        QCOMPARE(preview.pageCount(), 3);
        QVERIFY(preview.windowTitle().contains(QStringLiteral("LAPORAN BARANG KELUAR")));
        auto *label = preview.findChild<QLabel *>();
        QCOMPARE(label->text(), QStringLiteral(" Halaman 1 dari 3 "));
        // Page Down and Ctrl+End move through the pages; each is drawn when it is shown.
        auto inked = [&] {
            const QImage image = preview.view()->grab().toImage();
            int dark = 0;
            for (int y = 0; y < image.height(); y += 2)
                for (int x = 0; x < image.width(); x += 2)
                    dark += qGray(image.pixel(x, y)) < 128;
            return dark;
        };
        const int first = inked();
        QVERIFY(first > 0);
        QTest::keyClick(&preview, Qt::Key_PageDown);
        QCOMPARE(label->text(), QStringLiteral(" Halaman 2 dari 3 "));
        QTest::keyClick(&preview, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(preview.currentPage(), 3);
        QVERIFY(inked() < first); // the total alone on the last page
        QTest::keyClick(&preview, Qt::Key_PageDown);
        QCOMPARE(preview.currentPage(), 3);
        const QSize before = preview.view()->size();
        QTest::keyClick(&preview, Qt::Key_Plus, Qt::ControlModifier);
        QVERIFY(preview.view()->width() > before.width());
    }

    // A failure while the preview draws is shown like any handler's; nothing is thrown through
    // the preview's signals and the window stays open.
    void previewFailureIsShown()
    {
        class FailingPreview : public ReportPreview
        {
        public:
            using ReportPreview::ReportPreview;

        protected:
            void paintPreview(QPainter &, int) override
            {
                throw AppError(QStringLiteral("Printer tidak dapat dipakai."));
            }
        };
        Env env;
        writeMissingReportDefinitions(env.locations);
        const ReportDocument doc = build(env, stockReportPath(env.locations));
        FailingPreview preview(doc, env.dialogs);
        preview.show(); // the preview draws its page as it is shown
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        preview.view()->repaint(); // not asked again for a page that failed
        QCOMPARE(env.dialogs.prompts(),
                 QStringList { QStringLiteral("Printer tidak dapat dipakai.") });
        QCOMPARE(env.dialogs.shown().back().style, int(Style::Critical));
        QVERIFY(preview.isVisible());
    }
};

QTEST_MAIN(TestReports)
#include "tst_reports.moc"
