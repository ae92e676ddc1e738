#include "startup.h"
#include "core/apperror.h"
#include "demo.h"
#include "endsignals.h"
#include "files/backups.h"
#include "files/folderlock.h"
#include "importcommand.h"
#include "options.h"
#include "reportcommand.h"
#include "reports/engine/reportdefinition.h"
#include "screens/shell/frmawal.h"
#include "screens/shell/frmpas.h"
#include "screens/shell/frmutama.h"
#include "servercommands.h"
#include "startchecks.h"
#include "store/address.h"
#include "store/serverusers.h"
#include "store/setup.h"
#include "store/store.h"
#include "ui/app.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QStyleFactory>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace gudang {

namespace {

void startLogin(App &app, bool demo, bool ownConnection = true)
{
    const Locations &loc = app.locations();
    if (loc.onServer()) {
        if (ownConnection)
            upgradeServer(loc.server());
    } else {
        upgradeDatabaseFile(loc.credentialsPath(), DbRole::Credentials);
        if (!QFileInfo::exists(loc.workingPath()))
            createDatabaseFile(loc.workingPath(), DbRole::Working);
        else
            upgradeDatabaseFile(loc.workingPath(), DbRole::Working);
    }
    writeMissingReportDefinitions(loc);
    if (demo)
        fillDemoData(loc);
    ScreenManager &screens = app.screens();
    screens.showStart(screens.get<frmpas>());
}

// On a server: its tables must be there as the program needs them; the first-run window
// comes while it has no user yet.
bool startOnServer(App &app, bool demo)
{
    ScreenManager &screens = app.screens();
    const Locations &loc = app.locations();
    if (demo) {
        refuseStart(app,
                    QStringLiteral("--demo hanya untuk database di folder data, bukan di server."));
        screens.end();
        return false;
    }
    // A workstation without a connection of its own (no password of the folder's user for the
    // server): the people the server knows log in as themselves.
    if (const ServerLogin own = tryServerLogin(loc.server());
        !own.opened && (own.refused || own.shut)) {
        startLogin(app, false, false);
        return true;
    }
    if (const QString problem = serverSchemaProblem(loc.server()); !problem.isEmpty()) {
        refuseStart(app,
                    QStringLiteral("Database di %1 belum siap untuk Gudang: %2.\nSiapkan sekali "
                                   "dengan: gudang --server \"...\" --init-server")
                        .arg(serverDisplayName(loc.workingPath()), problem));
        screens.end();
        return false;
    }
    if (storeHasNoUsers(loc.credentialsPath())) {
        frmawal &first = screens.get<frmawal>();
        first.onCreated = [&app] {
            startLogin(app, false);
        };
        screens.showStart(first);
        return true;
    }
    startLogin(app, false);
    return true;
}

} // namespace

bool startProgram(App &app, bool demo)
{
    ScreenManager &screens = app.screens();
    const Locations &loc = app.locations();
    if (loc.onServer())
        return startOnServer(app, demo);
    if (!filesSound(app)) {
        screens.end();
        return false;
    }
    const QStringList narrowed = makeDataPrivate(loc);
    if (!narrowed.isEmpty())
        std::fprintf(stderr,
                     "Izin folder data %s dipersempit: sekarang hanya pengguna ini yang dapat "
                     "membaca dan mengubah data Gudang (%d file dan folder).\n",
                     qPrintable(QDir::toNativeSeparators(loc.dataDir())), int(narrowed.size()));
    if (!QFileInfo::exists(loc.credentialsPath())) {
        if (QFileInfo::exists(loc.workingPath()) && !newUserOverExistingData(app)) {
            screens.end();
            return false;
        }
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
    if (app.locations().onServer())
        return; // a server's backups are the server's business (pg_dump)
    if (workingFileDamaged(app))
        return; // no backup of a damaged file
    try {
        makeDailyBackups(app.locations(), QDateTime::currentDateTime());
    } catch (const AppError &e) {
        app.dialogs().message(e.description(), Style::Critical);
    }
}

namespace {

// True where a window can be shown: a display, or a platform chosen on purpose.
bool displayAvailable()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
        || !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

namespace {

int runProgram(int argc, char **argv)
{
    // Every file and folder the program makes is for this user alone.
    ::umask(077);
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
    QCommandLineParser parser;
    options.addTo(parser);
    parser.process(qapp);

    const QString dir = parser.isSet(options.dataDir) ? parser.value(options.dataDir)
                                                      : Locations::defaultDataDir();
    QString server;
    if (const int rc = chooseServer(parser, options, dir, &server); rc >= 0)
        return rc;
    if (parser.isSet(options.pdf) || parser.isSet(options.csv) || parser.isSet(options.xlsx)
        || parser.isSet(options.report))
        return writeReportCommand(parser, options, Locations(dir, server));
    const Locations locations(dir, server);
    if (locations.onServer() && parser.isSet(options.restore)) {
        std::fprintf(stderr,
                     "--restore hanya untuk database di folder data. Data di server dicadangkan "
                     "dan dipulihkan dengan pg_dump dan pg_restore (lihat README, bagian "
                     "\"Several workstations\").\n");
        return 1;
    }
    // Several programs on one server are the point of a server: the folder is not locked.
    QString why;
    const std::unique_ptr<FolderLock> lock
        = locations.onServer() ? nullptr : lockDataFolder(locations, &why);
    if (parser.isSet(options.importGoods) || parser.isSet(options.importStock)) {
        if (!lock && !locations.onServer()) {
            std::fprintf(stderr, "%s\n", qPrintable(why));
            return 1;
        }
        return importCommand(parser, options, locations);
    }
    if (parser.isSet(options.restore)) {
        if (!lock) {
            std::fprintf(stderr, "%s\n", qPrintable(why));
            return 1;
        }
        try {
            const QString target = restoreBackup(locations, parser.value(options.restore));
            std::printf("Cadangan %s dipulihkan ke %s.\nFile yang diganti disimpan sebagai "
                        "%s.sebelum-pulih.\n",
                        qPrintable(QDir::toNativeSeparators(parser.value(options.restore))),
                        qPrintable(QDir::toNativeSeparators(target)),
                        qPrintable(QDir::toNativeSeparators(target)));
        } catch (const AppError &e) {
            std::fprintf(stderr, "%s\n", qPrintable(e.description()));
            return 1;
        }
        return 0;
    }
    QtDialogs dialogs;
    if (!lock && !locations.onServer()) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        dialogs.message(why, Style::Critical, {});
        return 1;
    }
    int rc = 0;
    {
        App app { locations, dialogs };
        prepareScreens(app);
        // Ended by the desktop (log-out, shut-down) or Ctrl+C: as "Keluar" ends it.
        EndSignals endSignals([&app] {
            app.screens().end();
            QApplication::exit(0);
        });
        QObject::connect(
            &app.screens(), &ScreenManager::finished, &qapp, [] { QApplication::exit(0); },
            Qt::QueuedConnection);
        bool started = false;
        if (!app.run([&] { started = startProgram(app, parser.isSet(options.demo)); }) || !started)
            return 1;
        rc = app.screens().ended() ? 0 : QApplication::exec();
        if (workingFileDamaged(app))
            rc = 1;
        endOfRun(app);
    }
    return rc;
}

} // namespace

int runGudang(int argc, char **argv)
{
    const int rc = runProgram(argc, argv);
    // Every command ends with its exit code, never a signal: connections still being opened
    // are waited for before the libraries clean up at exit.
    closeStores();
    return rc;
}

} // namespace gudang
