#include "options.h"
#include "reports/engine/reportdefinition.h"

#include <map>
#include <string>

namespace gudang {

const std::vector<CommandReport> &commandReports()
{
    // The reports of the report table, in its order, with what --help says of each; then the
    // shelf labels, which are drawn rather than defined.
    static const std::vector<CommandReport> reports = [] {
        static const std::map<std::string, const char *> said = {
            { "keluar", "barang keluar; bersama --from dan --to: satu periode" },
            { "stok", "stok barang" },
            { "minimum", "stok di bawah minimum" },
            { "kartu", "kartu stok, bersama --kode" },
            { "pengguna", "mutasi per pengguna" },
            { "opname", "selisih stok opname, bersama --id" },
            { "lembar-opname", "lembar hitung, bersama --id" },
            { "nilai", "nilai persediaan, bersama --tanggal" },
            { "hpp", "harga pokok barang keluar, bersama --from dan --to" },
            { "harga-beli", "riwayat harga beli, bersama --kode" },
        };
        std::vector<CommandReport> out;
        for (const ReportKind &k : reportKinds()) {
            if (!*k.name)
                continue;
            const auto it = said.find(k.name);
            out.push_back({ QString::fromLatin1(k.name),
                            it == said.end() ? QString() : QString::fromUtf8(it->second) });
        }
        out.push_back({ QStringLiteral("label"),
                        QStringLiteral("label rak, PDF saja, bersama --kode dan --layout") });
        return out;
    }();
    return reports;
}

QString reportNames(const QString &separator)
{
    QStringList names;
    for (const CommandReport &r : commandReports())
        names << r.name;
    return names.join(separator);
}

QString reportHelp()
{
    QStringList parts;
    for (const CommandReport &r : commandReports())
        parts << (r.said.isEmpty() ? r.name : QStringLiteral("%1 (%2)").arg(r.name, r.said));
    return QStringLiteral("Laporan yang ditulis tanpa jendela, ke --pdf, --csv atau --xlsx: %1.")
        .arg(parts.join(QStringLiteral(", ")));
}

void Options::addTo(QCommandLineParser &parser) const
{
    parser.setApplicationDescription(
        QStringLiteral("Gudang: program stok barang untuk toko kecil."));
    parser.addHelpOption();
    parser.addVersionOption();
    for (const QCommandLineOption *o :
         { &dataDir, &demo, &restore, &importGoods,    &importStock,  &sheet,      &report,
           &pdf,     &csv,  &xlsx,    &code,           &id,           &layout,     &from,
           &to,      &date, &server,  &rememberServer, &forgetServer, &initServer, &copyToServer })
        parser.addOption(*o);
}

std::vector<const QCommandLineOption *> Options::withValues() const
{
    return { &dataDir, &report, &pdf,  &restore, &server, &copyToServer, &from,
             &to,      &date,   &code, &id,      &layout, &csv,          &xlsx };
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
        || parser.isSet(options.restore) || parser.isSet(options.importGoods)
        || parser.isSet(options.importStock) || parser.isSet(options.forgetServer)
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
