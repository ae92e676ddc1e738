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
        for (const char *opt :
             { "--pdf", "--restore", "--help", "-h", "--help-all", "--version", "-v" }) {
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
    const QCommandLineOption restore(
        QStringLiteral("restore"),
        QStringLiteral("Pulihkan database dari FILE cadangan (folder backup di folder data)."),
        QStringLiteral("FILE"));
    parser.addOption(dataDir);
    parser.addOption(demo);
    parser.addOption(restore);
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
