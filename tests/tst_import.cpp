#include "core/apperror.h"
#include "export/export.h"
#include "import/sheet.h"
#include "model/gridmodel.h"
#include "model/recordsource.h"
#include "screens/goods/frmimpor.h"
#include "stock/importer.h"
#include "support.h"
#include "ui/gridview.h"

#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>
#include <unistd.h>

using namespace gudang;
using gudang::test::Env;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// An XLSX written by python3-openpyxl from rows given as Python literals.
bool openpyxlWrites(const QString &path, const QString &rows)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), // Debian's, with python3-openpyxl
            { QStringLiteral("-c"),
              QStringLiteral("import openpyxl, sys\nwb = openpyxl.Workbook()\nws = wb.active\n"
                             "ws.title = 'Data'\nfor r in %1:\n    ws.append(r)\n"
                             "wb.save(sys.argv[1])\n")
                  .arg(rows),
              path });
    return p.waitForFinished(60000) && p.exitCode() == 0;
}

// An XLSX of one sheet with the rows given as the sheet's own XML (and shared texts), as a
// hostile or careless program may write it.
bool rawXlsx(const QString &path, const QString &rows, const QString &shared = {})
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            { QStringLiteral("-c"),
              QStringLiteral(
                  "import sys, zipfile\n"
                  "z = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED)\n"
                  "z.writestr('xl/workbook.xml', '<workbook><sheets><sheet name=\"Data\" "
                  "sheetId=\"1\"/></sheets></workbook>')\n"
                  "z.writestr('xl/worksheets/sheet1.xml', '<worksheet><sheetData>' + "
                  "sys.stdin.read() + '</sheetData></worksheet>')\n"
                  "if sys.argv[2]:\n"
                  "    z.writestr('xl/sharedStrings.xml', '<sst>' + sys.argv[2] + '</sst>')\n"
                  "z.close()\n"),
              path, shared });
    p.write(rows.toUtf8());
    p.closeWriteChannel();
    return p.waitForFinished(60000) && p.exitCode() == 0;
}

// An XLSX written by our export (libxlsxwriter) from rows of values.
void exportWrites(const QString &path, const QStringList &headings,
                  const std::vector<std::vector<Value>> &rows)
{
    ExportTable t;
    t.title = QStringLiteral("Barang");
    for (const QString &h : headings)
        t.columns.push_back({ h, ExportTable::Kind::Text });
    t.rows = [rows](const std::function<void(const std::vector<Value> &)> &give) {
        for (const auto &r : rows)
            give(r);
    };
    writeSpreadsheet(t, path, QStringLiteral("xlsx"));
}

struct Run
{
    int code = -1;
    QString out, err;
};

Run program(Env &env, const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral(GUDANG_BINARY), test::storeArguments(env.locations) + arguments);
    Run r;
    if (!p.waitForFinished(300000))
        return r;
    r.code = p.exitStatus() == QProcess::CrashExit ? -2 : p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QStringList goods(Env &env)
{
    return Env::query(env.locations.workingPath(),
                      QStringLiteral("SELECT Kode_Barang, Nama_Barang, Merk, Supplier, Satuan FROM "
                                     "tbarang ORDER BY Kode_Barang"));
}

} // namespace

class TestImport : public QObject
{
    Q_OBJECT

private slots:
    // The same goods from every kind of file: our CSV dialect, the other one, XLSX from our
    // export and from openpyxl; headings in any order, in other words, extra ones listed.
    void readsEveryKindOfFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QStringList>("ignored");
        QTest::newRow("csv ; with BOM")
            << "semicolon"
            << "CSV (pemisah ;, koma desimal)" << QStringList { "Catatan" };
        QTest::newRow("csv , without BOM") << "comma"
                                           << "CSV (pemisah ,, titik desimal)" << QStringList {};
        QTest::newRow("xlsx by our export") << "export"
                                            << "XLSX (lembar Barang)" << QStringList {};
        QTest::newRow("xlsx by openpyxl") << "openpyxl"
                                          << "XLSX (lembar Data)" << QStringList { "Harga" };
    }
    void readsEveryKindOfFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, format);
        QFETCH(QStringList, ignored);
        Env env;
        const QString dir = env.locations.dataDir();
        QString path;
        if (kind == QLatin1String("semicolon")) {
            path = dir + QStringLiteral("/barang.csv");
            writeFile(path,
                      QByteArray("\xEF\xBB\xBF")
                          + "Satuan;Kode Barang;Nama Barang;Catatan;Merk\r\n"
                            "sak;A1;\"Beras; Pandan\";x;\"Cap \"\"Ayam\"\"\"\r\n"
                            "kg;A2;Gula;;\r\n");
        } else if (kind == QLatin1String("comma")) {
            path = dir + QStringLiteral("/barang.csv");
            writeFile(path,
                      "code,name,unit,brand\n"
                      "A1,\"Beras; Pandan\",sak,\"Cap \"\"Ayam\"\"\"\nA2,Gula,kg,\n");
        } else if (kind == QLatin1String("export")) {
            path = dir + QStringLiteral("/barang.xlsx");
            exportWrites(path, { "Kode_Barang", "Nama_Barang", "Merk", "Satuan" },
                         { { Value(QStringLiteral("A1")), Value(QStringLiteral("Beras; Pandan")),
                             Value(QStringLiteral("Cap \"Ayam\"")), Value(QStringLiteral("sak")) },
                           { Value(QStringLiteral("A2")), Value(QStringLiteral("Gula")), Value(),
                             Value(QStringLiteral("kg")) } });
        } else {
            path = dir + QStringLiteral("/barang.xlsx");
            QVERIFY(openpyxlWrites(path,
                                   QStringLiteral("[['SKU', 'Item Name', 'Brand', 'UOM', 'Harga'], "
                                                  "['A1', 'Beras; Pandan', 'Cap \"Ayam\"', 'sak', "
                                                  "12000], ['A2', 'Gula', None, 'kg', 15000.5]]")));
        }
        const ImportPlan plan
            = planImport(env.locations.workingPath(), ImportKind::Goods, readSheet(path));
        QCOMPARE(plan.format, format);
        QCOMPARE(plan.ignored, ignored);
        QCOMPARE(plan.summary(), QStringLiteral("2 baru, 0 berubah, 0 sama, 0 ditolak"));
        const ImportResult done = applyImport(env.locations.workingPath(), plan,
                                              QStringLiteral("admin"), Role::Pemilik);
        QCOMPARE(done.added, 2);
        QCOMPARE(goods(env),
                 (QStringList { "A1|Beras; Pandan|Cap \"Ayam\"|<null>|sak",
                                "A2|Gula|<null>|<null>|kg" }));
        // The same file again: nothing to do.
        QCOMPARE(
            planImport(env.locations.workingPath(), ImportKind::Goods, readSheet(path)).summary(),
            QStringLiteral("0 baru, 0 berubah, 2 sama, 0 ditolak"));
    }

    // A mixed file through the screen: every row's verdict and the counts first, nothing
    // written; then, confirmed, the good rows in one go with the journal of the stock.
    void previewThenImportOnTheScreen()
    {
        Env env;
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tbarang VALUES ('A1', 'Beras', '', '', 'sak'), "
                                 "('A2', 'Gula', '', '', 'kg'), ('A3', 'Kopi', '', '', 'bks');"
                                 "INSERT INTO tstok VALUES ('A1', 4, 1), ('A3', 7, 0)"));
        const QString path = env.locations.dataDir() + QStringLiteral("/stok.csv");
        writeFile(path,
                  "Kode_Barang;Jumlah_Stok;Stok_Minimum;Tanggal;Tanda\r\n"
                  "A1;10;1;01/12/2026;x\r\n" // changes the stock
                  "A2;2,5;;;\r\n" // new
                  "A3;7;0;;\r\n" // unchanged
                  ";5;;;\r\n" // empty code
                  "B1234567890;1;;;\r\n" // too long
                  "A2;3;;;\r\n" // twice
                  "A4;1;;;\r\n" // not registered
                  "A1;sepuluh;;;\r\n" // not a number (and twice)
                  "A3;1;;31/02/2026;\r\n"); // no such day (and twice)
        frmimpor &s = test::showAlone<frmimpor>(env.screens());
        QVERIFY(!s.cmdimpor->isEnabled());
        env.dialogs.answerFile(path);
        QTest::mouseClick(s.cmdpilih, Qt::LeftButton);
        QCOMPARE(s.txtfile->text(), path);
        QTest::mouseClick(s.optstok, Qt::LeftButton);
        QTest::mouseClick(s.cmdperiksa, Qt::LeftButton);
        QVERIFY(s.plan());
        QCOMPARE(s.lblringkas->text(),
                 QStringLiteral("CSV (pemisah ;, koma desimal): 1 baru, 1 berubah, 1 sama, 6 "
                                "ditolak. Kolom dipakai: Kode_Barang, Jumlah_Stok, Stok_Minimum, "
                                "Tanggal. Tidak dipakai: Tanda."));
        QStringList rows;
        QAbstractItemModel *m = s.DataGrid1->model();
        for (int r = 0; r < m->rowCount(); ++r)
            rows << QStringLiteral("%1|%2|%3|%4")
                        .arg(m->index(r, 0).data().toString(), m->index(r, 1).data().toString(),
                             m->index(r, 2).data().toString(), m->index(r, 3).data().toString());
        QCOMPARE(rows,
                 (QStringList {
                     "2|A1|berubah|Jumlah_Stok", "3|A2|baru|", "4|A3|sama|",
                     "5||ditolak|kode kosong", "6|B1234567890|ditolak|kode lebih dari 10 huruf",
                     "7|A2|ditolak|kode A2 sudah ada di baris 3",
                     "8|A4|ditolak|kode A4 belum terdaftar sebagai barang",
                     "9|A1|ditolak|kode A1 sudah ada di baris 2; Jumlah_Stok bukan "
                     "angka: \"sepuluh\"",
                     "10|A3|ditolak|kode A3 sudah ada di baris 4; tanggal tidak ada (1900-9999): "
                     "\"31/02/2026\"" }));
        const QString path2 = env.locations.workingPath();
        QCOMPARE(Env::query(path2, QStringLiteral("SELECT count(*) FROM tmutasi")),
                 QStringList { QStringLiteral("0") });
        // Declined: nothing written.
        env.dialogs.answer(Button::No);
        QTest::mouseClick(s.cmdimpor, Qt::LeftButton);
        QCOMPARE(env.dialogs.last().prompt,
                 QStringLiteral("6 baris ditolak dan tidak diimpor. Impor 2 baris (1 baru, 1 "
                                "berubah) dalam satu transaksi?"));
        QCOMPARE(Env::query(path2,
                            QStringLiteral("SELECT Kode_Barang, Jumlah_Stok FROM tstok "
                                           "ORDER BY Kode_Barang")),
                 (QStringList { "A1|4.0", "A3|7.0" }));
        env.dialogs.answer(Button::Yes);
        QTest::mouseClick(s.cmdimpor, Qt::LeftButton);
        QCOMPARE(env.dialogs.last().prompt,
                 QStringLiteral("Impor selesai: 1 baru, 1 diubah; 2 baris jurnal \"stok awal "
                                "impor\"."));
        env.dialogs.clear();
        QVERIFY(!s.cmdimpor->isEnabled() && !s.plan());
        QCOMPARE(Env::query(path2,
                            QStringLiteral("SELECT Kode_Barang, Jumlah_Stok, Stok_Minimum "
                                           "FROM tstok ORDER BY Kode_Barang")),
                 (QStringList { "A1|10.0|1.0", "A2|2.5|<null>", "A3|7.0|0.0" }));
        QCOMPARE(Env::query(path2,
                            QStringLiteral("SELECT Jenis, Kode_Barang, Perubahan, "
                                           "Stok_Akhir, Tanggal FROM tmutasi ORDER BY "
                                           "Kode_Barang")),
                 (QStringList { "stok awal impor|A1|6.0|10.0|2026-12-01 00:00:00",
                                QStringLiteral("stok awal impor|A2|2.5|2.5|%1 00:00:00")
                                    .arg(QDate::currentDate().toString(Qt::ISODate)) }));
    }

    // Without a window, on both stores: a file with a refused row writes nothing and says
    // each row; a clean one is written and counted.
    // Every number of a text file read exactly in its dialect, or refused with the reason and
    // the value as written: never multiplied.
    void numbersReadExactlyOrRefused_data()
    {
        QTest::addColumn<bool>("semicolon");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("read"); // the value, or the start of the refusal
        QTest::newRow("; decimal comma") << true << "0,5"
                                         << "0.5";
        QTest::newRow("; thousands and decimal") << true << "1.234,5"
                                                 << "1234.5";
        QTest::newRow("; thousands") << true << "1.234.567"
                                     << "1234567";
        QTest::newRow("; a point that groups nothing") << true << "2.5"
                                                       << "2.5";
        QTest::newRow("; two decimals after a point") << true << "12.50"
                                                      << "12.5";
        QTest::newRow("; two points") << true << "1.5.0"
                                      << "Jumlah_Stok bukan angka";
        QTest::newRow("; groups of two") << true << "1.23,4"
                                         << "Jumlah_Stok bukan angka";
        QTest::newRow("; negative") << true << "-1.000,25"
                                    << "-1000.25";
        QTest::newRow(", decimal point") << false << "2.5"
                                         << "2.5";
        QTest::newRow(", thousands and decimal") << false << "\"1,234.5\""
                                                 << "1234.5";
        QTest::newRow(", a comma that groups nothing") << false << "\"2,5\""
                                                       << "2.5";
        QTest::newRow(", two decimal points") << false << "1.2.3"
                                              << "Jumlah_Stok bukan angka";
        QTest::newRow("letters") << true << "dua"
                                 << "Jumlah_Stok bukan angka: \"dua\"";
        QTest::newRow("empty") << true << ""
                               << "Jumlah_Stok kosong";
    }
    void numbersReadExactlyOrRefused()
    {
        QFETCH(bool, semicolon);
        QFETCH(QString, written);
        QFETCH(QString, read);
        Env env;
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tbarang VALUES ('S7', 'Sabun', '', '', 'pcs')"));
        const QString file = env.locations.dataDir() + QStringLiteral("/stok.csv");
        const QString sep = semicolon ? QStringLiteral(";") : QStringLiteral(",");
        writeFile(file,
                  (QStringLiteral("Kode") + sep + QStringLiteral("Jumlah\nS7") + sep + written
                   + QStringLiteral("\n"))
                      .toUtf8());
        const ImportPlan plan
            = planImport(env.locations.workingPath(), ImportKind::Stock, readSheet(file));
        QCOMPARE(plan.rows.size(), size_t(1));
        const ImportRow &row = plan.rows.front();
        if (row.verdict == ImportRow::Refused)
            QVERIFY2(row.said.startsWith(read), qPrintable(row.said));
        else
            QCOMPARE(row.values[col::tstok::Jumlah_Stok], Value(read.toDouble()));
    }

    // A line with a field more than its heading is refused, not taken shifted; the file as the
    // command line gets it is refused whole, and nothing is written.
    void rowsAreTheirHeadingsWidth()
    {
        Env env;
        const QString dir = env.locations.dataDir();
        writeFile(dir + QStringLiteral("/teh.csv"),
                  "Kode;Nama;Merk;Supplier;Satuan\nT1;Teh; Poci;Poci;CV Teh;kotak\nT2;Kopi\n");
        const ImportPlan plan = planImport(env.locations.workingPath(), ImportKind::Goods,
                                           readSheet(dir + QStringLiteral("/teh.csv")));
        QCOMPARE(plan.rows.size(), size_t(2));
        QCOMPARE(plan.rows[0].verdict, ImportRow::Refused);
        QVERIFY2(plan.rows[0].said.contains(QStringLiteral("satu kolom lebih dari judul")),
                 qPrintable(plan.rows[0].said));
        QCOMPARE(plan.rows[1].verdict, ImportRow::New); // fewer fields: empty cells
        Run r
            = program(env, { QStringLiteral("--import-goods"), dir + QStringLiteral("/teh.csv") });
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("satu kolom lebih dari judul")), qPrintable(r.err));
        QCOMPARE(goods(env), QStringList());
        // The stock of the file: nothing multiplied, the empty quantity refused, and
        // the journal adds up to every stock.
        writeFile(dir + QStringLiteral("/barang.csv"), "Kode;Nama\nS7;a\nS9;b\nA1;c\n");
        r = program(env, { QStringLiteral("--import-goods"), dir + QStringLiteral("/barang.csv") });
        QVERIFY2(r.code == 0, qPrintable(r.err));
        writeFile(dir + QStringLiteral("/stok.csv"), "Kode;Jumlah\nS7;2.5\nS9;0,5\nA1;\n");
        r = program(env, { QStringLiteral("--import-stock"), dir + QStringLiteral("/stok.csv") });
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("Jumlah_Stok kosong")), qPrintable(r.err));
        writeFile(dir + QStringLiteral("/stok.csv"), "Kode;Jumlah\nS7;2.5\nS9;0,5\n");
        r = program(env, { QStringLiteral("--import-stock"), dir + QStringLiteral("/stok.csv") });
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QString path = env.locations.workingPath();
        QCOMPARE(Env::query(path,
                            QStringLiteral("SELECT Kode_Barang, Jumlah_Stok FROM tstok ORDER "
                                           "BY Kode_Barang")),
                 (QStringList { "S7|2.5", "S9|0.5" }));
        QCOMPARE(Env::query(path,
                            QStringLiteral("SELECT Kode_Barang, sum(Perubahan) FROM tmutasi "
                                           "GROUP BY Kode_Barang ORDER BY Kode_Barang")),
                 (QStringList { "S7|2.5", "S9|0.5" }));
    }

    void commandLineImport()
    {
        Env env;
        const QString dir = env.locations.dataDir();
        writeFile(dir + QStringLiteral("/salah.csv"),
                  "Kode;Nama\r\nA1;Beras\r\nA1;Beras lagi\r\n;Tanpa kode\r\n");
        Run r = program(env,
                        { QStringLiteral("--import-goods"), dir + QStringLiteral("/salah.csv") });
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("baris 3 (kode A1): kode A1 sudah ada di baris 2\n"
                                               "baris 4: kode kosong\n"
                                               "1 baru, 0 berubah, 0 sama, 2 ditolak. Tidak ada "
                                               "yang disimpan")),
                 qPrintable(r.err));
        QCOMPARE(goods(env), QStringList());
        writeFile(dir + QStringLiteral("/barang.csv"),
                  "Kode,Nama,Satuan\nA1,Beras,sak\nA2,Gula,kg\n");
        r = program(env, { QStringLiteral("--import-goods"), dir + QStringLiteral("/barang.csv") });
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(QStringLiteral(": 2 baru, 0 diubah, 0 sama; 0 baris jurnal")),
                 qPrintable(r.out));
        writeFile(dir + QStringLiteral("/stok.csv"), "Kode;Stok\r\nA1;12,5\r\nA2;3\r\n");
        r = program(env, { QStringLiteral("--import-stock"), dir + QStringLiteral("/stok.csv") });
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(QStringLiteral(": 2 baru, 0 diubah, 0 sama; 2 baris jurnal")),
                 qPrintable(r.out));
        QCOMPARE(Env::query(env.locations.workingPath(),
                            QStringLiteral("SELECT Kode_Barang, sum(Perubahan) FROM tmutasi WHERE "
                                           "Jenis = 'stok awal impor' GROUP BY Kode_Barang ORDER "
                                           "BY Kode_Barang")),
                 (QStringList { "A1|12.5", "A2|3.0" }));
    }

    // What our export writes, our import reads back to the same rows, goods and stock, as CSV
    // and as XLSX, on both stores.
    void roundTripThroughOurExport()
    {
        Env from;
        Env::exec(from.locations.workingPath(),
                  QStringLiteral("INSERT INTO tbarang VALUES ('A1', 'Kopi; \"Luwak\"', 'Kapal', "
                                 "'PT Maju', 'kg'), ('B2', 'Gula é', NULL, '', 'sak'), ('C3', "
                                 "'=1+2', '+62812', '-', '@x');"
                                 "INSERT INTO tstok VALUES ('A1', 2.5, 10), ('B2', 1250, NULL), "
                                 "('C3', 0.125, 1)"));
        const QString dir = from.locations.dataDir();
        const auto saved = [&](const char *table, const QString &format) {
            auto source = openRecordSource(from.locations.workingPath(), QLatin1String(table));
            GridModel model(source.get());
            const QString path = dir + QStringLiteral("/%1.%2").arg(QLatin1String(table), format);
            writeSpreadsheet(model.exportTable(), path, format);
            return path;
        };
        const QString goodsQuery = QStringLiteral(
            "SELECT Kode_Barang, Nama_Barang, Merk, Supplier, Satuan FROM tbarang ORDER BY 1");
        const QString stockQuery
            = QStringLiteral("SELECT Kode_Barang, Jumlah_Stok, Stok_Minimum FROM tstok ORDER BY 1");
        for (const QString &format : { QStringLiteral("csv"), QStringLiteral("xlsx") }) {
            Env to;
            for (const auto &[table, kind] : { std::pair { "tbarang", ImportKind::Goods },
                                               std::pair { "tstok", ImportKind::Stock } }) {
                const ImportPlan plan
                    = planImport(to.locations.workingPath(), kind, readSheet(saved(table, format)));
                QVERIFY2(plan.count(ImportRow::Refused) == 0, qPrintable(plan.summary()));
                applyImport(to.locations.workingPath(), plan, QStringLiteral("admin"),
                            Role::Pemilik);
            }
            // An empty text and Null are one in a spreadsheet.
            QStringList want = Env::query(from.locations.workingPath(), goodsQuery);
            want.replaceInStrings(QStringLiteral("<null>"), QString());
            QStringList got = Env::query(to.locations.workingPath(), goodsQuery);
            got.replaceInStrings(QStringLiteral("<null>"), QString());
            QCOMPARE(got, want);
            QCOMPARE(Env::query(to.locations.workingPath(), stockQuery),
                     Env::query(from.locations.workingPath(), stockQuery));
        }
    }

    // Files that are no list end with a clear message, and nothing is written.
    void badFilesEndClearly_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("said");
        QTest::newRow("not a CSV") << "gambar.csv"
                                   << "isinya bukan teks";
        QTest::newRow("damaged XLSX") << "rusak.xlsx"
                                      << "file XLSX itu rusak";
        QTest::newRow("password") << "sandi.xlsx"
                                  << "dilindungi password";
        QTest::newRow("empty") << "kosong.csv"
                               << "file itu kosong";
        QTest::newRow("1 GB of garbage") << "sampah.csv"
                                         << "lebih dari 80 MB";
        QTest::newRow("formula") << "rumus.xlsx"
                                 << "sel C2 berisi rumus";
        QTest::newRow("no code column") << "tanpakode.csv"
                                        << "tidak punya kolom kode barang";
        QTest::newRow("not UTF-8") << "latin1.csv"
                                   << "bukan teks UTF-8";
    }
    void badFilesEndClearly()
    {
        QFETCH(QString, name);
        QFETCH(QString, said);
        Env env;
        const QString path = env.locations.dataDir() + QLatin1Char('/') + name;
        if (name == QLatin1String("gambar.csv")) {
            writeFile(path, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
        } else if (name == QLatin1String("rusak.xlsx")) {
            QVERIFY(openpyxlWrites(path, QStringLiteral("[['Kode'], ['A1']]")));
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.resize(f.size() / 2);
        } else if (name == QLatin1String("sandi.xlsx")) {
            QByteArray cfb("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
            cfb += QByteArray(504, '\0');
            for (const char c : QByteArray("EncryptedPackage"))
                cfb += c, cfb += '\0';
            writeFile(path, cfb);
        } else if (name == QLatin1String("kosong.csv")) {
            writeFile(path, QByteArray());
        } else if (name == QLatin1String("sampah.csv")) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("Kode;Nama\r\n");
            QVERIFY(f.resize(qint64(1) << 30)); // sparse: a gigabyte without the disk
        } else if (name == QLatin1String("rumus.xlsx")) {
            QVERIFY(openpyxlWrites(path,
                                   QStringLiteral("[['Kode', 'Nama', 'Harga'], ['A1', "
                                                  "'Beras', '=1+2']]")));
        } else if (name == QLatin1String("tanpakode.csv")) {
            writeFile(path, "Nama;Satuan\r\nBeras;sak\r\n");
        } else {
            writeFile(path, "Kode;Nama\r\nA1;Caf\xE9\r\n");
        }
        const Run r = program(env, { QStringLiteral("--import-goods"), path });
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(said), qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("Tidak ada yang disimpan")), qPrintable(r.err));
        QCOMPARE(goods(env), QStringList());
    }

    // Files built carelessly or to do harm: each ends at once with the reason, or is read as
    // the person meant it, and never takes more than the file's own data in memory.
    void hostileFilesEndSoundly_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected"); // "!" and the refusal, "baris:" and the row's
                                               // reason, or the summary
        QTest::newRow("FIFO") << "fifo"
                              << "!itu bukan file biasa";
        QTest::newRow("folder") << "folder"
                                << "!itu sebuah folder";
        QTest::newRow("CR-only lines") << "cr"
                                       << "2 baru, 0 berubah, 0 sama, 0 ditolak";
        QTest::newRow("UTF-16 LE with BOM") << "utf16le"
                                            << "2 baru, 0 berubah, 0 sama, 0 ditolak";
        QTest::newRow("UTF-16 BE with BOM") << "utf16be"
                                            << "2 baru, 0 berubah, 0 sama, 0 ditolak";
        QTest::newRow("UTF-16 without BOM") << "utf16bare"
                                            << "!simpan sebagai CSV UTF-8";
        QTest::newRow("xlsx NaN") << "xlsx:<v>NaN</v>"
                                  << "!sel B2 bukan angka yang terbaca: \"NaN\"";
        QTest::newRow("xlsx inf") << "xlsx:<v>inf</v>"
                                  << "!sel B2 bukan angka yang terbaca";
        QTest::newRow("xlsx -inf") << "xlsx:<v>-inf</v>"
                                   << "!sel B2 bukan angka yang terbaca";
        QTest::newRow("xlsx 1e308") << "xlsx:<v>1e308</v>"
                                    << "baris:Jumlah_Stok terlalu besar";
        QTest::newRow("day -700000") << "day:-700000"
                                     << "baris:tanggal tidak ada (1900-9999)";
        QTest::newRow("day 3000000") << "day:3000000"
                                     << "baris:tanggal tidak ada (1900-9999)";
        QTest::newRow("day 1e308") << "day:1e308"
                                   << "baris:tanggal tidak ada (1900-9999)";
        QTest::newRow("day 45000") << "day:45000"
                                   << "1 baru, 0 berubah, 0 sama, 0 ditolak";
        QTest::newRow("column beyond XFD") << "ref:ZZZZZZZZZZZZZZ2"
                                           << "!sel \"ZZZZZZZZZZZZZZ2\" tidak terbaca";
        QTest::newRow("row beyond the sheet") << "ref:B99999999999"
                                              << "!sel \"B99999999999\" tidak terbaca";
        QTest::newRow("a cell at XFD on 3000 rows") << "wide"
                                                    << "3000 baru, 0 berubah, 0 sama, 0 ditolak";
        QTest::newRow("a heading 16384 wide") << "wideheading"
                                              << "!lebih dari 256 MB setelah dibaca";
    }
    void hostileFilesEndSoundly()
    {
        QFETCH(QString, file);
        QFETCH(QString, expected);
        SKIP_ON_SERVER(); // reading a file is the same on both stores
        Env env;
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tbarang VALUES ('A1', 'Beras', '', '', 'sak')"));
        const QString dir = env.locations.dataDir();
        QString path = dir + QStringLiteral("/f.csv");
        ImportKind kind = ImportKind::Goods;
        const QString csv = QStringLiteral("Kode;Nama\r\nB1;Kopi \u00E9\r\nB2;Teh\r\n");
        const auto stockRow = [&](const QString &quantity, const QString &day) {
            kind = ImportKind::Stock;
            path = dir + QStringLiteral("/f.xlsx");
            QVERIFY(
                rawXlsx(path,
                        QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Kode</t>"
                                       "</is></c><c r=\"B1\" t=\"inlineStr\"><is><t>Jumlah</t>"
                                       "</is></c><c r=\"C1\" t=\"inlineStr\"><is><t>Tanggal"
                                       "</t></is></c></row><row r=\"2\"><c r=\"A2\" "
                                       "t=\"inlineStr\"><is><t>A1</t></is></c><c r=\"B2\">"
                                       "%1</c><c r=\"C2\"><v>%2</v></c></row>")
                            .arg(quantity, day)));
        };
        if (file == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (file == QLatin1String("folder")) {
            path = dir;
        } else if (file == QLatin1String("cr")) {
            writeFile(path, "Kode;Nama\rB1;Kopi\rB2;Teh\r");
        } else if (file.startsWith(QLatin1String("utf16"))) {
            QStringEncoder to(file == QLatin1String("utf16be") ? QStringEncoder::Utf16BE
                                                               : QStringEncoder::Utf16LE,
                              file == QLatin1String("utf16bare") ? QStringEncoder::Flag::Default
                                                                 : QStringEncoder::Flag::WriteBom);
            writeFile(path, to.encode(csv));
        } else if (file.startsWith(QLatin1String("xlsx:"))) {
            stockRow(file.mid(5), QStringLiteral("45000"));
        } else if (file.startsWith(QLatin1String("day:"))) {
            stockRow(QStringLiteral("<v>5</v>"), file.mid(4));
        } else if (file.startsWith(QLatin1String("ref:"))) {
            path = dir + QStringLiteral("/f.xlsx");
            QVERIFY(rawXlsx(path,
                            QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Kode"
                                           "</t></is></c></row><row r=\"2\"><c r=\"%1\"><v>1</v>"
                                           "</c></row>")
                                .arg(file.mid(4))));
        } else {
            // 34 KB packed: every row reaches the last column a sheet has.
            path = dir + QStringLiteral("/f.xlsx");
            const bool wideHeading = file == QLatin1String("wideheading");
            QString rows
                = QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c>"
                                 "<c r=\"B1\" t=\"s\"><v>1</v></c>%1</row>")
                      .arg(wideHeading ? QStringLiteral("<c r=\"XFD1\" t=\"s\"><v>1</v></c>")
                                       : QString());
            for (int i = 2; i <= 3001; ++i)
                rows += QStringLiteral("<row r=\"%1\"><c r=\"A%1\" t=\"inlineStr\"><is><t>K%1</t>"
                                       "</is></c><c r=\"XFD%1\" t=\"s\"><v>1</v></c></row>")
                            .arg(i);
            QVERIFY(
                rawXlsx(path, rows, QStringLiteral("<si><t>Kode</t></si><si><t>Nama</t></si>")));
        }
        QString outcome;
        try {
            const ImportPlan plan = planImport(env.locations.workingPath(), kind, readSheet(path));
            outcome = plan.summary();
            for (const ImportRow &r : plan.rows) {
                if (r.verdict == ImportRow::Refused)
                    outcome = QStringLiteral("baris:") + r.said;
            }
            QCOMPARE(plan.beyondHeadings, file == QLatin1String("wide"));
            if (file.startsWith(QLatin1String("utf16")))
                QCOMPARE(plan.rows[0].values[col::tbarang::Nama_Barang],
                         Value(QStringLiteral("Kopi \u00E9")));
            if (file == QLatin1String("day:45000"))
                QCOMPARE(plan.rows[0].day, QDate(2023, 3, 15));
        } catch (const AppError &e) {
            outcome = QLatin1Char('!') + e.description();
        }
        QVERIFY2(outcome.startsWith(expected.left(1)) && outcome.contains(expected.mid(1)),
                 qPrintable(outcome));
    }

    // Codes a person cannot tell apart are refused, with the code they resemble.
    void codesAPersonCanTellApart()
    {
        Env env;
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tbarang VALUES ('A1', 'Beras', '', '', 'sak')"));
        const QString path = env.locations.dataDir() + QStringLiteral("/kode.csv");
        writeFile(path,
                  QStringLiteral("Kode;Nama\na1;kecil\nA1\u200B;spasi lebar nol\n\uFF211;lebar\n"
                                 "X\u00A01;spasi keras\nB7;baru\nb7;baru lagi\nA1;sama\n")
                      .toUtf8());
        const ImportPlan plan
            = planImport(env.locations.workingPath(), ImportKind::Goods, readSheet(path));
        QStringList said;
        for (const ImportRow &r : plan.rows)
            said << r.said;
        QCOMPARE(said,
                 (QStringList { "mirip kode A1 yang sudah ada",
                                "kode berisi huruf tak terlihat atau kendali (U+200B)",
                                "mirip kode A1 yang sudah ada",
                                "kode berisi huruf tak terlihat atau kendali (U+00A0)", "",
                                "mirip kode di baris 6", "Nama_Barang" }));
        // Refused rows: the service refuses the file unless told to leave them out.
        try {
            applyImport(env.locations.workingPath(), plan, QStringLiteral("admin"), Role::Pemilik);
            QFAIL("a file with refused rows was imported");
        } catch (const AppError &e) {
            QVERIFY2(e.description().startsWith(
                         QStringLiteral("1 baru, 1 berubah, 0 sama, 5 ditolak. Tidak ada yang "
                                        "disimpan")),
                     qPrintable(e.description()));
        }
        QCOMPARE(goods(env), QStringList { QStringLiteral("A1|Beras|||sak") });
        const ImportResult done
            = applyImport(env.locations.workingPath(), plan, QStringLiteral("admin"), Role::Pemilik,
                          RefusedRows::LeaveOut);
        QCOMPARE(done.added + done.changed, 2);
        QCOMPARE(goods(env), (QStringList { "A1|sama|||sak", "B7|baru|<null>|<null>|<null>" }));
    }

    // A command without a window ends with its exit code, never a signal, however often.
    void commandsEndWithTheirCode()
    {
        Env env;
        for (int i = 0; i < 10; ++i) {
            const Run r = program(env,
                                  { QStringLiteral("--import-goods"),
                                    env.locations.dataDir() + QStringLiteral("/tiada.csv") });
            QVERIFY2(r.code == 1, qPrintable(QString::number(r.code) + r.err));
            QVERIFY2(r.err.contains(QStringLiteral("tidak dapat dibuka")), qPrintable(r.err));
        }
    }

    // A data folder on a full disk: the start says the disk is full, not a matter of rights.
    void fullDiskSaysSo()
    {
        SKIP_ON_SERVER();
        Env env;
        QTemporaryDir disk;
        const QByteArray at = QFile::encodeName(disk.path());
        if (::geteuid() != 0
            || QProcess::execute(QStringLiteral("mount"),
                                 { QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                   QStringLiteral("-o"), QStringLiteral("size=4m"),
                                   QStringLiteral("tmpfs"), disk.path() })
                != 0)
            QSKIP("a small disk of its own needs root and mount");
        const auto unmount
            = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), { disk.path() }); });
        QCOMPARE(QProcess::execute(
                     QStringLiteral("cp"),
                     { QStringLiteral("-a"), env.locations.dataDir() + "/.", disk.path() }),
                 0);
        {
            QFile filler(disk.path() + QStringLiteral("/isi"));
            QVERIFY(filler.open(QIODevice::WriteOnly));
            const QByteArray block(4096, 'x');
            while (filler.write(block) == block.size() && filler.flush()) { }
        }
        const QString file = env.locations.dataDir() + QStringLiteral("/barang.csv");
        writeFile(file, "Kode;Nama\nA1;Beras\n");
        QProcess p;
        p.start(
            QStringLiteral(GUDANG_BINARY),
            { QStringLiteral("--data-dir"), disk.path(), QStringLiteral("--import-goods"), file });
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(err.contains(QStringLiteral("Disk penuh")), qPrintable(err));
    }

    // A hundred thousand rows: checked with the progress window (which can stop it), then
    // imported in one transaction.
    void hundredThousandRows()
    {
        SKIP_ON_SERVER(); // the size is measured on both stores by the benchmark
        Env env;
        const QString path = env.locations.dataDir() + QStringLiteral("/besar.csv");
        QByteArray csv = "Kode_Barang;Nama_Barang;Satuan\r\n";
        for (int i = 0; i < 100000; ++i)
            csv += "K" + QByteArray::number(i) + ";Barang nomor " + QByteArray::number(i)
                + ";pcs\r\n";
        writeFile(path, csv);
        frmimpor &s = test::showAlone<frmimpor>(env.screens());
        s.txtfile->setText(path);
        // "Batal" as soon as the progress window is there.
        QTimer stop;
        QObject::connect(&stop, &QTimer::timeout, [&] {
            if (auto *p = s.findChild<QProgressDialog *>(QStringLiteral("progress")))
                p->cancel();
        });
        stop.start(10);
        QTest::mouseClick(s.cmdperiksa, Qt::LeftButton);
        stop.stop();
        QCOMPARE(s.lblringkas->text(),
                 QStringLiteral("Pemeriksaan dibatalkan; tidak ada yang disimpan."));
        QVERIFY(!s.plan() && !s.cmdimpor->isEnabled());
        QTest::mouseClick(s.cmdperiksa, Qt::LeftButton);
        QVERIFY(s.plan());
        QCOMPARE(s.plan()->summary(), QStringLiteral("100000 baru, 0 berubah, 0 sama, 0 ditolak"));
        QCOMPARE(s.DataGrid1->model()->rowCount(), 100000);
        env.dialogs.answer(Button::Yes);
        QTest::mouseClick(s.cmdimpor, Qt::LeftButton);
        QCOMPARE(env.dialogs.last().prompt,
                 QStringLiteral("Impor selesai: 100000 baru, 0 diubah; 0 baris jurnal \"stok "
                                "awal impor\"."));
        QCOMPARE(Env::query(env.locations.workingPath(),
                            QStringLiteral("SELECT count(*), max(Nama_Barang) FROM tbarang")),
                 QStringList { QStringLiteral("100000|Barang nomor 99999") });
    }
};

QTEST_MAIN(TestImport)
#include "tst_import.moc"
