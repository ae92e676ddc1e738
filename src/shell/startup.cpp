#include "startup.h"
#include "data/apperror.h"
#include "data/database.h"
#include "data/safekeeping.h"
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

// False after telling the user, when one of the existing database files is damaged. Nothing
// is written to a damaged file.
bool filesSound(App &app)
{
    const Locations &loc = app.locations();
    for (DbRole role : { DbRole::Credentials, DbRole::Working }) {
        const QString path = role == DbRole::Working ? loc.workingPath() : loc.credentialsPath();
        if (!QFileInfo::exists(path))
            continue;
        const QString damage = damageOf(path);
        if (damage.isEmpty())
            continue;
        app.dialogs().message(
            QStringLiteral("File database %1 rusak: %2.\nFile itu tidak diubah dan program "
                           "berhenti.\n%3")
                .arg(QDir::toNativeSeparators(path), damage, lastBackupText(loc, role)),
            Style::Critical);
        return false;
    }
    return true;
}

} // namespace

bool startProgram(App &app, bool demo)
{
    ScreenManager &screens = app.screens();
    const Locations &loc = app.locations();
    if (!filesSound(app)) {
        screens.end();
        return false;
    }
    if (!QFileInfo::exists(loc.credentialsPath())) {
        frmawal &first = screens.get<frmawal>();
        first.onCreated = [&app, demo] {
            startLogin(app, demo);
        };
        screens.showStart(first);
        return true;
    }
    if (!QFileInfo::exists(loc.workingPath())) {
        const Button answer = app.dialogs().message(
            QStringLiteral("Database kerja %1 tidak ditemukan.\n%2\nBuat database kerja baru "
                           "yang kosong?")
                .arg(QDir::toNativeSeparators(loc.workingPath()),
                     lastBackupText(loc, DbRole::Working)),
            Style::YesNo);
        if (answer != Button::Yes) {
            screens.end();
            return false;
        }
    }
    startLogin(app, demo);
    return true;
}

void endOfRun(App &app)
{
    try {
        makeDailyBackups(app.locations(), QDateTime::currentDateTime());
    } catch (const AppError &e) {
        app.dialogs().message(e.description(), Style::Critical);
    }
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
    if (!QFileInfo::exists(loc.workingPath())) {
        std::fprintf(stderr,
                     "Database kerja %s tidak ditemukan; laporan tidak dibuat.\nPeriksa "
                     "--data-dir, atau jalankan Gudang sekali dengan folder data itu.\n",
                     qPrintable(QDir::toNativeSeparators(loc.workingPath())));
        return 1;
    }
    try {
        // Missing definitions are written with their defaults, as the start does.
        writeMissingReportDefinitions(loc);
        writeReportPdf(buildReport(definition, loc.workingPath(), QDateTime::currentDateTime()),
                       pdf);
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        return 1;
    }
    return 0;
}

// The program's options.
struct Options
{
    QCommandLineOption dataDir {
        QStringLiteral("data-dir"),
        QStringLiteral("Folder data (bawaan: %1).").arg(Locations::defaultDataDir()),
        QStringLiteral("DIR")
    };
    QCommandLineOption demo { QStringLiteral("demo"),
                              QStringLiteral("Isi database kerja yang masih baru dengan data "
                                             "contoh.") };
    QCommandLineOption report { QStringLiteral("report"),
                                QStringLiteral("Laporan yang ditulis sebagai PDF: keluar atau "
                                               "stok."),
                                QStringLiteral("keluar|stok") };
    QCommandLineOption pdf { QStringLiteral("pdf"),
                             QStringLiteral("Tulis laporan ke FILE PDF tanpa membuka jendela."),
                             QStringLiteral("FILE") };
    QCommandLineOption restore {
        QStringLiteral("restore"),
        QStringLiteral("Pulihkan database dari FILE cadangan (folder backup di folder data)."),
        QStringLiteral("FILE")
    };

    void addTo(QCommandLineParser &parser) const
    {
        parser.setApplicationDescription(
            QStringLiteral("Gudang: program stok barang untuk toko kecil."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(dataDir);
        parser.addOption(demo);
        parser.addOption(restore);
        parser.addOption(report);
        parser.addOption(pdf);
    }
};

// What the command line asks for when it needs no window: help, the version, a report as PDF,
// a restore, or a wrong command line (said on the terminal).
bool headless(const QStringList &arguments)
{
    const Options options;
    QCommandLineParser parser;
    options.addTo(parser);
    if (!parser.parse(arguments))
        return true;
    return parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))
        || parser.isSet(QStringLiteral("version")) || parser.isSet(options.pdf)
        || parser.isSet(options.report) || parser.isSet(options.restore);
}

// The command line's mistake in the program's words; empty when there is none.
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
    for (const QCommandLineOption *o :
         { &options.dataDir, &options.report, &options.pdf, &options.restore }) {
        const QString name = QStringLiteral("--") + o->names().constFirst();
        if (arguments.constLast() == name)
            return QStringLiteral("Opsi %1 perlu nilai (%2).").arg(name, o->valueName());
    }
    return QStringLiteral("Baris perintah tidak dapat dibaca: %1").arg(parser.errorText());
}

// True where a window can be shown: a display, or a platform chosen on purpose.
bool displayAvailable()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
        || !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int runGudang(int argc, char **argv)
{
    useIndonesianLocale();
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const QString error = commandLineError(arguments); !error.isEmpty()) {
        std::fprintf(stderr, "%s\nLihat: gudang --help\n", qPrintable(error));
        return 2;
    }
    std::vector<char *> args(argv, argv + argc);
    static char platform[] = "-platform";
    static char offscreen[] = "offscreen";
    if (headless(arguments)) {
        args.insert(args.begin() + 1, { platform, offscreen });
    } else if (!displayAvailable()) {
        std::fprintf(stderr,
                     "Gudang perlu layar untuk membuka jendelanya, tetapi tidak ada layar "
                     "(DISPLAY tidak diatur).\nJalankan Gudang dari desktop. Tanpa layar dapat "
                     "dipakai: --report keluar|stok --pdf FILE, --restore FILE, --help, "
                     "--version.\n");
        return 1;
    }
    int count = int(args.size());
    QApplication qapp(count, args.data());
    QApplication::setApplicationName(QStringLiteral("gudang"));
    QApplication::setApplicationDisplayName(Dialogs::applicationTitle());
    QApplication::setApplicationVersion(QStringLiteral(GUDANG_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    const Options options;
    const QCommandLineOption &dataDir = options.dataDir;
    const QCommandLineOption &demo = options.demo;
    const QCommandLineOption &report = options.report;
    const QCommandLineOption &pdf = options.pdf;
    const QCommandLineOption &restore = options.restore;
    QCommandLineParser parser;
    options.addTo(parser);
    parser.process(qapp);

    const QString dir = parser.isSet(dataDir) ? parser.value(dataDir) : Locations::defaultDataDir();
    if (parser.isSet(pdf) || parser.isSet(report)) {
        if (!parser.isSet(pdf) || !parser.isSet(report)) {
            std::fprintf(stderr, "--report dan --pdf dipakai bersama.\n");
            return 2;
        }
        return writePdfReport(Locations(dir), parser.value(report), parser.value(pdf));
    }
    const Locations locations(dir);
    QString why;
    const std::unique_ptr<QLockFile> lock = lockDataFolder(locations, &why);
    if (parser.isSet(restore)) {
        if (!lock) {
            std::fprintf(stderr, "%s\n", qPrintable(why));
            return 1;
        }
        try {
            const QString target = restoreBackup(locations, parser.value(restore));
            std::printf("Cadangan %s dipulihkan ke %s.\nFile yang diganti disimpan sebagai "
                        "%s.sebelum-pulih.\n",
                        qPrintable(QDir::toNativeSeparators(parser.value(restore))),
                        qPrintable(QDir::toNativeSeparators(target)),
                        qPrintable(QDir::toNativeSeparators(target)));
        } catch (const AppError &e) {
            std::fprintf(stderr, "%s\n", qPrintable(e.description()));
            return 1;
        }
        return 0;
    }
    QtDialogs dialogs;
    if (!lock) {
        dialogs.message(why, Style::Critical, {});
        return 1;
    }
    App app { locations, dialogs };
    QObject::connect(
        &app.screens(), &ScreenManager::finished, &qapp, [] { QApplication::exit(0); },
        Qt::QueuedConnection);
    bool started = false;
    if (!app.run([&] { started = startProgram(app, parser.isSet(demo)); }) || !started)
        return 1;
    const int rc = app.screens().ended() ? 0 : QApplication::exec();
    endOfRun(app);
    return rc;
}

} // namespace gudang
