#include "options.h"
#include "reports/engine/reportdefinition.h"

namespace gudang {

QString reportNames(const QString &separator)
{
    QStringList names;
    for (const ReportKind &k : reportKinds()) {
        if (*k.name)
            names << QString::fromLatin1(k.name);
    }
    return names.join(separator);
}

void Options::addTo(QCommandLineParser &parser) const
{
    parser.setApplicationDescription(
        QStringLiteral("Gudang: program stok barang untuk toko kecil."));
    parser.addHelpOption();
    parser.addVersionOption();
    for (const QCommandLineOption *o :
         { &dataDir, &demo,   &restore,        &importGoods,  &importStock, &sheet,       &report,
           &pdf,     &csv,    &xlsx,           &code,         &id,          &layout,      &from,
           &to,      &server, &rememberServer, &forgetServer, &initServer,  &copyToServer })
        parser.addOption(*o);
}

std::vector<const QCommandLineOption *> Options::withValues() const
{
    return { &dataDir, &report, &pdf, &restore, &server, &copyToServer, &from,
             &to,      &code,   &id,  &layout,  &csv,    &xlsx };
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
