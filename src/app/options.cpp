#include "options.h"
#include "core/locations.h"
#include "reports/engine/reportdefinition.h"

namespace gudang {

namespace {

// The names --report takes, from the table of reports.
QString reportNames(const QString &separator)
{
    QStringList names;
    for (const ReportKind &k : reportKinds()) {
        if (*k.name)
            names << QString::fromLatin1(k.name);
    }
    return names.join(separator);
}

} // namespace

Options::Options()
    : dataDir(QStringLiteral("data-dir"),
              QStringLiteral("Folder data (bawaan: %1).").arg(Locations::defaultDataDir()),
              QStringLiteral("DIR"))
    , demo(QStringLiteral("demo"),
           QStringLiteral("Isi database kerja yang masih baru dengan data contoh."))
    , report(QStringLiteral("report"),
             QStringLiteral("Laporan yang ditulis sebagai PDF: keluar, stok, minimum (stok di "
                            "bawah minimum) atau kartu (kartu stok, bersama --kode)."),
             reportNames(QStringLiteral("|")))
    , code(QStringLiteral("kode"), QStringLiteral("Bersama --report kartu: kode barangnya."),
           QStringLiteral("KODE"))
    , pdf(QStringLiteral("pdf"), QStringLiteral("Tulis laporan ke FILE PDF tanpa membuka jendela."),
          QStringLiteral("FILE"))
    , csv(QStringLiteral("csv"),
          QStringLiteral("Tulis data laporan ke FILE CSV (pemisah \";\", koma desimal, UTF-8) "
                         "tanpa membuka jendela."),
          QStringLiteral("FILE"))
    , xlsx(QStringLiteral("xlsx"),
           QStringLiteral("Tulis data laporan ke FILE Excel (XLSX) tanpa membuka jendela."),
           QStringLiteral("FILE"))
    , restore(QStringLiteral("restore"),
              QStringLiteral("Pulihkan database dari FILE cadangan (folder backup di folder "
                             "data)."),
              QStringLiteral("FILE"))
    , from(QStringLiteral("from"),
           QStringLiteral("Bersama --report keluar atau kartu: sejak tanggal ini (bawaan: awal "
                          "bulan --to)."),
           QStringLiteral("YYYY-MM-DD"))
    , to(QStringLiteral("to"),
         QStringLiteral("Bersama --report keluar atau kartu: sampai tanggal ini, hari itu ikut "
                        "(bawaan: akhir bulan --from)."),
         QStringLiteral("YYYY-MM-DD"))
    , server(QStringLiteral("server"),
             QStringLiteral("Pakai database di server PostgreSQL ini (string koneksi libpq atau "
                            "URI, tanpa kata sandi: pakai ~/.pgpass, PGPASSWORD atau "
                            "pg_service.conf)."),
             QStringLiteral("CONNINFO"))
    , rememberServer(QStringLiteral("remember-server"),
                     QStringLiteral("Bersama --server: ingat server itu untuk folder data ini "
                                    "(file server.conf), sehingga Gudang berikutnya cukup "
                                    "dijalankan tanpa opsi."))
    , forgetServer(QStringLiteral("forget-server"),
                   QStringLiteral("Lupakan server yang diingat untuk folder data ini; Gudang "
                                  "kembali memakai database di folder itu."))
    , initServer(QStringLiteral("init-server"),
                 QStringLiteral("Buat tabel Gudang di database server yang masih kosong (bersama "
                                "--server)."))
    , copyToServer(QStringLiteral("copy-to-server"),
                   QStringLiteral("Salin semua data folder data (--data-dir) ke server ini dalam "
                                  "satu transaksi; server harus belum berisi data."),
                   QStringLiteral("CONNINFO"))
{ }

void Options::addTo(QCommandLineParser &parser) const
{
    parser.setApplicationDescription(
        QStringLiteral("Gudang: program stok barang untuk toko kecil."));
    parser.addHelpOption();
    parser.addVersionOption();
    for (const QCommandLineOption *o :
         { &dataDir, &demo, &restore, &report, &pdf, &csv, &xlsx, &code, &from, &to, &server,
           &rememberServer, &forgetServer, &initServer, &copyToServer })
        parser.addOption(*o);
}

std::vector<const QCommandLineOption *> Options::withValues() const
{
    return { &dataDir, &report, &pdf, &restore, &server, &copyToServer, &from, &to, &code, &csv,
             &xlsx };
}

bool headless(const QStringList &arguments)
{
    const Options options;
    QCommandLineParser parser;
    options.addTo(parser);
    if (!parser.parse(arguments))
        return true;
    return parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))
        || parser.isSet(QStringLiteral("version")) || parser.isSet(options.pdf)
        || parser.isSet(options.csv) || parser.isSet(options.xlsx) || parser.isSet(options.report)
        || parser.isSet(options.restore) || parser.isSet(options.forgetServer)
        || parser.isSet(options.initServer) || parser.isSet(options.copyToServer);
}

QString commandLineError(const QStringList &arguments)
{
    const Options options;
    QCommandLineParser parser;
    options.addTo(parser);
    if (parser.parse(arguments))
        return {};
    if (!parser.unknownOptionNames().isEmpty()) {
        QStringList names;
        for (const QString &n : parser.unknownOptionNames())
            names << (n.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + n;
        return QStringLiteral("Opsi tidak dikenal: %1.").arg(names.join(QStringLiteral(", ")));
    }
    for (const QCommandLineOption *o : options.withValues()) {
        const QString name = QStringLiteral("--") + o->names().constFirst();
        if (arguments.constLast() == name)
            return QStringLiteral("Opsi %1 perlu nilai (%2).").arg(name, o->valueName());
    }
    return QStringLiteral("Baris perintah tidak dapat dibaca: %1").arg(parser.errorText());
}

} // namespace gudang
