#include "startup.h"
#include "data/apperror.h"
#include "data/database.h"
#include "demo.h"
#include "frmawal.h"
#include "frmpas.h"
#include "reports/reportdefinition.h"
#include "reports/reportlayout.h"
#include "ui/app.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QStyleFactory>
#include <cstdio>

namespace gudang {

namespace {

void startLogin(App &app, bool demo)
{
    const Locations &loc = app.locations();
    if (!QFileInfo::exists(loc.workingPath()))
        Database::create(loc.workingPath(), DbRole::Working);
    writeMissingReportDefinitions(loc);
    if (demo)
        fillDemoData(loc);
    ScreenManager &screens = app.screens();
    screens.showStart(screens.get<frmpas>());
}

} // namespace

void startProgram(App &app, bool demo)
{
    ScreenManager &screens = app.screens();
    if (!QFileInfo::exists(app.locations().credentialsPath())) {
        frmawal &first = screens.get<frmawal>();
        first.onCreated = [&app, demo] {
            startLogin(app, demo);
        };
        screens.showStart(first);
        return;
    }
    startLogin(app, demo);
}

namespace {

// Writes a report as PDF without a window: --report keluar|stok --pdf FILE.
int writePdfReport(const Locations &loc, const QString &which, const QString &pdf)
{
    QString definition;
    if (which == QLatin1String("keluar"))
        definition = goodsOutReportPath(loc);
    else if (which == QLatin1String("stok"))
        definition = stockReportPath(loc);
    else {
        std::fprintf(stderr, "Laporan \"%s\" tidak dikenal (keluar atau stok).\n",
                     qPrintable(which));
        return 2;
    }
    try {
        if (QFileInfo::exists(loc.workingPath()))
            writeMissingReportDefinitions(loc);
        writeReportPdf(buildReport(definition, loc.workingPath(), QDateTime::currentDateTime()),
                       pdf);
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        return 1;
    }
    return 0;
}

// Help, version and PDF output need no screen.
bool headless(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        for (const char *opt : { "--pdf", "--help", "-h", "--help-all", "--version", "-v" }) {
            const size_t n = qstrlen(opt);
            if (qstrcmp(argv[i], opt) == 0 || (qstrncmp(argv[i], opt, n) == 0 && argv[i][n] == '='))
                return true;
        }
    }
    return false;
}

} // namespace

int runGudang(int argc, char **argv)
{
    std::vector<char *> args(argv, argv + argc);
    static char platform[] = "-platform";
    static char offscreen[] = "offscreen";
    if (headless(argc, argv)) {
        args.insert(args.begin() + 1, { platform, offscreen });
    }
    int count = int(args.size());
    QApplication qapp(count, args.data());
    QApplication::setApplicationName(QStringLiteral("gudang"));
    QApplication::setApplicationDisplayName(Dialogs::applicationTitle());
    QApplication::setApplicationVersion(QStringLiteral(GUDANG_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Gudang: program stok barang untuk toko kecil."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption dataDir(
        QStringLiteral("data-dir"),
        QStringLiteral("Folder data (bawaan: %1).").arg(Locations::defaultDataDir()),
        QStringLiteral("DIR"));
    const QCommandLineOption demo(
        QStringLiteral("demo"),
        QStringLiteral("Isi database kerja yang masih baru dengan data contoh."));
    const QCommandLineOption report(
        QStringLiteral("report"),
        QStringLiteral("Laporan yang ditulis sebagai PDF: keluar atau stok."),
        QStringLiteral("keluar|stok"));
    const QCommandLineOption pdf(QStringLiteral("pdf"),
                                 QStringLiteral("Tulis laporan ke FILE PDF tanpa membuka jendela."),
                                 QStringLiteral("FILE"));
    parser.addOption(dataDir);
    parser.addOption(demo);
    parser.addOption(report);
    parser.addOption(pdf);
    parser.process(qapp);

    const QString dir = parser.isSet(dataDir) ? parser.value(dataDir) : Locations::defaultDataDir();
    if (parser.isSet(pdf) || parser.isSet(report)) {
        if (!parser.isSet(pdf) || !parser.isSet(report)) {
            std::fprintf(stderr, "--report dan --pdf dipakai bersama.\n");
            return 2;
        }
        return writePdfReport(Locations(dir), parser.value(report), parser.value(pdf));
    }
    QtDialogs dialogs;
    App app { Locations(dir), dialogs };
    QObject::connect(
        &app.screens(), &ScreenManager::finished, &qapp, [] { QApplication::exit(0); },
        Qt::QueuedConnection);
    if (!app.run([&] { startProgram(app, parser.isSet(demo)); }))
        return 1;
    if (app.screens().ended())
        return 0;
    return QApplication::exec();
}

} // namespace gudang
