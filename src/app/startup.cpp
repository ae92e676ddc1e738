#include "startup.h"
#include "core/apperror.h"
#include "demo.h"
#include "endsignals.h"
#include "files/backups.h"
#include "files/filechecks.h"
#include "files/folderlock.h"
#include "files/pagecheck.h"
#include "importcommand.h"
#include "options.h"
#include "reportcommand.h"
#include "reports/engine/reportdefinition.h"
#include "screens/shell/frmawal.h"
#include "screens/shell/frmpas.h"
#include "screens/shell/frmutama.h"
#include "servercommands.h"
#include "store/address.h"
#include "store/serverusers.h"
#include "store/setup.h"
#include "store/store.h"
#include "ui/app.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QProgressDialog>
#include <QStyleFactory>
#include <QTimer>
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

// A refusal at start: shown in a box and said on the terminal, for a start from a script.
void refuse(App &app, const QString &why)
{
    std::fprintf(stderr, "%s\n", qPrintable(why));
    app.dialogs().message(why, Style::Critical);
}

QString damagedText(const Locations &loc, DbRole role, const QString &path, const QString &damage)
{
    return QStringLiteral("File database %1 rusak: %2.\nFile itu tidak diubah dan program "
                          "berhenti.\n%3")
        .arg(QDir::toNativeSeparators(path), damage, lastBackupText(loc, role));
}

// The check of every page of the working file, running while the login window waits; the
// first write waits for it, and damage found ends the program before anything is written.
class WorkingFileCheck : public QObject
{
public:
    WorkingFileCheck(App &app, const QString &path)
        : QObject(&app.screens())
        , m_app(app)
        , m_check(path,
                  [self = QPointer<WorkingFileCheck>(this)](const QString &damage) {
                      if (damage.isEmpty())
                          return;
                      QMetaObject::invokeMethod(
                          self.data(),
                          [self, damage] {
                              if (self)
                                  self->damaged(damage);
                          },
                          Qt::QueuedConnection);
                  })
        , m_hold(
              m_check,
              [this](const QString &damage) {
                  m_said = true;
                  return damagedText(m_app.locations(), DbRole::Working, m_check.path(), damage);
              },
              [this] { showWait(); })
    {
        // Begun once the first window has been painted: the check does not take its time
        // from the first paint, and ends while the login waits.
        qApp->installEventFilter(this);
        QTimer::singleShot(1000, this, [this] { begin(); });
    }
    ~WorkingFileCheck() override { delete m_wait.data(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType()
            && static_cast<QWidget *>(watched)->isWindow())
            QTimer::singleShot(0, this, [this] { begin(); });
        return false;
    }

public:
    bool damageFound() const { return m_found; }

private:
    void begin()
    {
        qApp->removeEventFilter(this);
        m_check.start();
    }

    // Said once (unless the refused write said it already), and the program ends.
    void damaged(const QString &damage)
    {
        delete m_wait.data();
        m_found = true;
        if (!m_said)
            refuse(m_app, damagedText(m_app.locations(), DbRole::Working, m_check.path(), damage));
        m_said = true;
        m_app.screens().end();
        QCoreApplication::exit(1);
    }

    // A write waiting for the check: a window says so.
    void showWait()
    {
        if (!m_wait) {
            m_wait = new QProgressDialog;
            m_wait->setWindowTitle(Dialogs::applicationTitle());
            m_wait->setCancelButton(nullptr);
            m_wait->setRange(0, 0);
            m_wait->setMinimumDuration(0);
            m_wait->setWindowModality(Qt::ApplicationModal);
            m_wait->setAccessibleName(QStringLiteral("Memeriksa database"));
            m_wait->setLabelText(QStringLiteral("Memeriksa setiap halaman database %1 sebelum "
                                                "menyimpan…")
                                     .arg(QDir::toNativeSeparators(m_check.path())));
            m_wait->show();
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }

    App &m_app;
    BackgroundPageCheck m_check;
    BackgroundPageCheck::Hold m_hold;
    QPointer<QProgressDialog> m_wait;
    bool m_said = false;
    bool m_found = false;
};

// False after telling the user, when one of the existing database files cannot be used: it
// cannot be written, it is damaged, or it is not a database of Gudang. Nothing is written to
// such a file. The credentials file, a few pages, is checked page by page at once; the working
// file's header and size at once, and its pages while the login waits (WorkingFileCheck).
bool filesSound(App &app)
{
    const Locations &loc = app.locations();
    // A note an earlier version left at a clean end: nothing is trusted from it now.
    struct stat st;
    const QByteArray note = QFile::encodeName(loc.dataDir() + QStringLiteral("/gudang.selesai"));
    if (::lstat(note.constData(), &st) == 0 && !S_ISDIR(st.st_mode))
        ::unlink(note.constData());
    for (DbRole role : { DbRole::Credentials, DbRole::Working }) {
        const QString path = role == DbRole::Working ? loc.workingPath() : loc.credentialsPath();
        if (!QFileInfo::exists(path))
            continue;
        const QString file = QDir::toNativeSeparators(path);
        if (const QString why = unwritableOf(path); !why.isEmpty()) {
            refuse(app,
                   QStringLiteral("File database %1 tidak dapat ditulis: %2.\nPeriksa izin "
                                  "tulis file itu dan foldernya, dan apakah disknya dipasang "
                                  "hanya-baca; lalu jalankan Gudang lagi. File itu tidak "
                                  "rusak dan tidak diubah.")
                       .arg(file, why));
            return false;
        }
        const Check check = role == DbRole::Working ? Check::Header : Check::Quick;
        const FileFindings found = inspectFile(path, role, check);
        if (!found.damage.isEmpty()) {
            refuse(app, damagedText(loc, role, path, found.damage));
            return false;
        }
        if (const QString &foreign = found.foreign; !foreign.isEmpty()) {
            refuse(app,
                   QStringLiteral("File database %1 bukan database Gudang: %2.\nFile itu "
                                  "tidak diubah dan program berhenti.\n%3")
                       .arg(file, foreign, lastBackupText(loc, role)));
            return false;
        }
        if (role == DbRole::Working)
            new WorkingFileCheck(app, path);
    }
    return true;
}

// Working data without credentials: a new user is made only when the user says so.
bool newUserOverExistingData(App &app)
{
    const Locations &loc = app.locations();
    return app.dialogs().message(
               QStringLiteral("Data kerja ditemukan di %1, tetapi data pengguna %2 tidak ada.\n"
                              "%3\nBuat pengguna baru untuk data yang sudah ada ini?")
                   .arg(QDir::toNativeSeparators(loc.workingPath()),
                        QDir::toNativeSeparators(loc.credentialsPath()),
                        lastBackupText(loc, DbRole::Credentials)),
               Style::YesNo | Style::Information | Style::DefaultSecond,
               QStringLiteral("PERHATIAN"))
        == Button::Yes;
}

// On a server: its tables must be there as the program needs them; the first-run window
// comes while it has no user yet.
bool startOnServer(App &app, bool demo)
{
    ScreenManager &screens = app.screens();
    const Locations &loc = app.locations();
    if (demo) {
        refuse(app, QStringLiteral("--demo hanya untuk database di folder data, bukan di server."));
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
        refuse(app,
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
    if (const auto *check = app.screens().findChild<WorkingFileCheck *>();
        check && check->damageFound())
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
        if (const auto *check = app.screens().findChild<WorkingFileCheck *>();
            check && check->damageFound())
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
