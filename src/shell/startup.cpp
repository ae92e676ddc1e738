#include "startup.h"
#include "data/apperror.h"
#include "data/database.h"
#include "data/export.h"
#include "data/pgdatabase.h"
#include "data/safekeeping.h"
#include "data/store.h"
#include "data/value.h"
#include "demo.h"
#include "frmawal.h"
#include "frmpas.h"
#include "reports/reportdefinition.h"
#include "reports/reportlayout.h"
#include "reports/reportrender.h"
#include "ui/app.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStyleFactory>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gudang {

namespace {

void startLogin(App &app, bool demo)
{
    const Locations &loc = app.locations();
    if (loc.onServer())
        upgradeServer(loc.server());
    else if (!QFileInfo::exists(loc.workingPath()))
        Database::create(loc.workingPath(), DbRole::Working);
    else
        Database::upgrade(loc.workingPath(), DbRole::Working);
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

// False after telling the user, when one of the existing database files cannot be used: it
// cannot be written, it is damaged, or it is not a database of Gudang. Nothing is written to
// such a file.
bool filesSound(App &app)
{
    const Locations &loc = app.locations();
    const CleanEnd cleanEnd = CleanEnd::take(loc);
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
        // Every page is read again unless the file is as the last clean end left it.
        const Check check = cleanEnd.unchanged(path) ? Check::Header : Check::Quick;
        if (const QString damage = damageOf(path, check); !damage.isEmpty()) {
            refuse(app,
                   QStringLiteral("File database %1 rusak: %2.\nFile itu tidak diubah dan "
                                  "program berhenti.\n%3")
                       .arg(file, damage, lastBackupText(loc, role)));
            return false;
        }
        if (const QString foreign = foreignOf(path, role); !foreign.isEmpty()) {
            refuse(app,
                   QStringLiteral("File database %1 bukan database Gudang: %2.\nFile itu "
                                  "tidak diubah dan program berhenti.\n%3")
                       .arg(file, foreign, lastBackupText(loc, role)));
            return false;
        }
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
    if (const QString problem = serverSchemaProblem(loc.server()); !problem.isEmpty()) {
        refuse(app,
               QStringLiteral("Database di %1 belum siap untuk Gudang: %2.\nSiapkan sekali "
                              "dengan: gudang --server \"...\" --init-server")
                   .arg(serverDisplayName(loc.workingPath()), problem));
        screens.end();
        return false;
    }
    if (serverHasNoUsers(loc.server())) {
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
    try {
        makeDailyBackups(app.locations(), QDateTime::currentDateTime());
    } catch (const AppError &e) {
        app.dialogs().message(e.description(), Style::Critical);
    }
}

namespace {

// Writes a report as PDF without a window: --report keluar|stok|minimum --pdf FILE; the goods
// out of a period with --from and --to.
int writePdfReport(const Locations &loc, const QString &which, const QString &pdf,
                   const ReportParameters &parameters, const QString &format)
{
    QString definition;
    if (which == QLatin1String("keluar"))
        definition = parameters.count(QStringLiteral("dari")) ? periodReportPath(loc)
                                                              : goodsOutReportPath(loc);
    else if (which == QLatin1String("stok"))
        definition = stockReportPath(loc);
    else if (which == QLatin1String("minimum"))
        definition = lowStockReportPath(loc);
    else if (which == QLatin1String("kartu"))
        definition = stockCardReportPath(loc);
    else {
        std::fprintf(stderr, "Laporan \"%s\" tidak dikenal (keluar, stok, minimum atau kartu).\n",
                     qPrintable(which));
        return 2;
    }
    if (!loc.onServer() && !QFileInfo::exists(loc.workingPath())) {
        std::fprintf(stderr,
                     "Database kerja %s tidak ditemukan; laporan tidak dibuat.\nPeriksa "
                     "--data-dir, atau jalankan Gudang sekali dengan folder data itu.\n",
                     qPrintable(QDir::toNativeSeparators(loc.workingPath())));
        return 1;
    }
    try {
        // Missing definitions are written with their defaults, as the start does.
        writeMissingReportDefinitions(loc);
        // A report that takes more than a second says how far it is, on one terminal line.
        QElapsedTimer clock;
        clock.start();
        bool told = false;
        qint64 lastTold = 0;
        auto tell = [&](const QString &what) {
            if (clock.elapsed() < 1000 || clock.elapsed() - lastTold < 200)
                return;
            told = true;
            lastTold = clock.elapsed();
            std::fprintf(stderr, "\r%s", qPrintable(what));
            std::fflush(stderr);
        };
        const ReportDocument doc = buildReport(
            definition, loc.workingPath(), QDateTime::currentDateTime(),
            [&](qint64 rows) {
                tell(QStringLiteral("Membaca data laporan... %1 baris   ")
                         .arg(formatNumber(double(rows), 0, true)));
                return true;
            },
            parameters);
        if (!format.isEmpty()) {
            writeSpreadsheet(doc.table(), pdf, format);
        } else {
            writeReportPdf(doc, pdf, 1, [&](int page, int pages) {
                if (page >= 0)
                    tell(QStringLiteral("Menulis halaman %1 dari %2...   ")
                             .arg(page + 1)
                             .arg(pages));
                return true;
            });
        }
        if (told)
            std::fprintf(stderr, "\rLaporan selesai: %d halaman.                    \n",
                         doc.pageCount());
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
                                QStringLiteral("Laporan yang ditulis sebagai PDF: keluar, stok, "
                                               "minimum (stok di bawah minimum) atau kartu (kartu "
                                               "stok, bersama --kode)."),
                                QStringLiteral("keluar|stok|minimum|kartu") };
    QCommandLineOption code { QStringLiteral("kode"),
                              QStringLiteral("Bersama --report kartu: kode barangnya."),
                              QStringLiteral("KODE") };
    QCommandLineOption pdf { QStringLiteral("pdf"),
                             QStringLiteral("Tulis laporan ke FILE PDF tanpa membuka jendela."),
                             QStringLiteral("FILE") };
    QCommandLineOption csv { QStringLiteral("csv"),
                             QStringLiteral("Tulis data laporan ke FILE CSV (pemisah \";\", koma "
                                            "desimal, UTF-8) tanpa membuka jendela."),
                             QStringLiteral("FILE") };
    QCommandLineOption xlsx { QStringLiteral("xlsx"),
                              QStringLiteral("Tulis data laporan ke FILE Excel (XLSX) tanpa "
                                             "membuka jendela."),
                              QStringLiteral("FILE") };
    QCommandLineOption restore {
        QStringLiteral("restore"),
        QStringLiteral("Pulihkan database dari FILE cadangan (folder backup di folder data)."),
        QStringLiteral("FILE")
    };
    QCommandLineOption from { QStringLiteral("from"),
                              QStringLiteral("Bersama --report keluar atau kartu: sejak tanggal "
                                             "ini (bawaan: awal bulan --to)."),
                              QStringLiteral("YYYY-MM-DD") };
    QCommandLineOption to { QStringLiteral("to"),
                            QStringLiteral("Bersama --report keluar atau kartu: sampai tanggal "
                                           "ini, hari itu ikut (bawaan: akhir bulan --from)."),
                            QStringLiteral("YYYY-MM-DD") };
    QCommandLineOption server {
        QStringLiteral("server"),
        QStringLiteral("Pakai database di server PostgreSQL ini (string koneksi libpq atau URI, "
                       "tanpa kata sandi: pakai ~/.pgpass, PGPASSWORD atau pg_service.conf)."),
        QStringLiteral("CONNINFO")
    };
    QCommandLineOption rememberServer {
        QStringLiteral("remember-server"),
        QStringLiteral("Bersama --server: ingat server itu untuk folder data ini (file "
                       "server.conf), sehingga Gudang berikutnya cukup dijalankan tanpa opsi.")
    };
    QCommandLineOption forgetServer {
        QStringLiteral("forget-server"),
        QStringLiteral("Lupakan server yang diingat untuk folder data ini; Gudang kembali memakai "
                       "database di folder itu.")
    };
    QCommandLineOption initServer { QStringLiteral("init-server"),
                                    QStringLiteral("Buat tabel Gudang di database server yang "
                                                   "masih kosong (bersama --server).") };
    QCommandLineOption copyToServer {
        QStringLiteral("copy-to-server"),
        QStringLiteral("Salin semua data folder data (--data-dir) ke server ini dalam satu "
                       "transaksi; server harus belum berisi data."),
        QStringLiteral("CONNINFO")
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
        parser.addOption(csv);
        parser.addOption(xlsx);
        parser.addOption(code);
        parser.addOption(from);
        parser.addOption(to);
        parser.addOption(server);
        parser.addOption(rememberServer);
        parser.addOption(forgetServer);
        parser.addOption(initServer);
        parser.addOption(copyToServer);
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
        || parser.isSet(options.csv) || parser.isSet(options.xlsx) || parser.isSet(options.report)
        || parser.isSet(options.restore) || parser.isSet(options.forgetServer)
        || parser.isSet(options.initServer) || parser.isSet(options.copyToServer);
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
         { &options.dataDir, &options.report, &options.pdf, &options.restore, &options.server,
           &options.copyToServer, &options.from, &options.to, &options.code, &options.csv,
           &options.xlsx }) {
        const QString name = QStringLiteral("--") + o->names().constFirst();
        if (arguments.constLast() == name)
            return QStringLiteral("Opsi %1 perlu nilai (%2).").arg(name, o->valueName());
    }
    return QStringLiteral("Baris perintah tidak dapat dibaca: %1").arg(parser.errorText());
}

// The server of this run: --server, or the one remembered for the folder. Does what the server
// options ask that needs no window (remember, forget, prepare, copy) and returns the exit code
// when the program ends there; -1 to go on.
int chooseServer(const QCommandLineParser &parser, const Options &options, const QString &dir,
                 QString *server)
{
    const Locations folder(dir);
    try {
        if (parser.isSet(options.forgetServer)) {
            const QString was = folder.rememberedServer();
            folder.rememberServer(QString());
            if (was.isEmpty())
                std::printf("Tidak ada server yang diingat untuk %s.\n",
                            qPrintable(QDir::toNativeSeparators(dir)));
            else
                std::printf("Server dilupakan; Gudang memakai database di %s lagi.\n",
                            qPrintable(QDir::toNativeSeparators(dir)));
            return 0;
        }
        if (parser.isSet(options.copyToServer)) {
            const QString target = parser.value(options.copyToServer);
            if (const QString bad = conninfoError(target); !bad.isEmpty()) {
                std::fprintf(stderr, "Alamat server tidak terbaca: %s\n", qPrintable(bad));
                return 2;
            }
            std::printf("%s\n", qPrintable(copyToServer(folder, target)));
            return 0;
        }
        *server = parser.isSet(options.server) ? parser.value(options.server)
                                               : folder.rememberedServer();
        if (server->isEmpty()) {
            if (parser.isSet(options.initServer) || parser.isSet(options.rememberServer)) {
                std::fprintf(stderr, "--init-server dan --remember-server perlu --server.\n");
                return 2;
            }
            return -1;
        }
        if (const QString bad = conninfoError(*server); !bad.isEmpty()) {
            std::fprintf(stderr, "Alamat server tidak terbaca: %s\n", qPrintable(bad));
            return 2;
        }
        if (parser.isSet(options.rememberServer)) {
            folder.rememberServer(*server);
            std::printf("Server diingat untuk %s: Gudang berikutnya cukup dijalankan tanpa "
                        "opsi.\n",
                        qPrintable(QDir::toNativeSeparators(dir)));
        }
        if (parser.isSet(options.initServer)) {
            std::printf("%s\n", qPrintable(initServer(*server)));
            return 0;
        }
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        return 1;
    }
    return -1;
}

// SIGTERM, SIGHUP and SIGINT end the program through its event loop, as "Keluar" does, so
// that the daily backup runs and the folder lock is released.
class EndSignals
{
public:
    explicit EndSignals(std::function<void()> end)
        : m_end(std::move(end))
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, s_pipe) != 0)
            return;
        m_notifier = std::make_unique<QSocketNotifier>(s_pipe[1], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
            char c;
            while (::read(s_pipe[1], &c, 1) < 0 && errno == EINTR) { }
            m_end();
        });
        struct sigaction sa = {};
        sa.sa_handler = [](int) {
            const int saved = errno;
            const char c = 1;
            [[maybe_unused]] const auto n = ::write(s_pipe[0], &c, 1);
            errno = saved;
        };
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        for (int sig : { SIGTERM, SIGHUP, SIGINT })
            ::sigaction(sig, &sa, nullptr);
    }
    ~EndSignals()
    {
        struct sigaction sa = {};
        sa.sa_handler = SIG_DFL;
        for (int sig : { SIGTERM, SIGHUP, SIGINT })
            ::sigaction(sig, &sa, nullptr);
        m_notifier.reset();
        if (s_pipe[0] >= 0) {
            ::close(s_pipe[0]);
            ::close(s_pipe[1]);
            s_pipe[0] = s_pipe[1] = -1;
        }
    }
    EndSignals(const EndSignals &) = delete;
    EndSignals &operator=(const EndSignals &) = delete;

private:
    static inline int s_pipe[2] = { -1, -1 };
    std::function<void()> m_end;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

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
    const QCommandLineOption &dataDir = options.dataDir;
    const QCommandLineOption &demo = options.demo;
    const QCommandLineOption &report = options.report;
    const QCommandLineOption &pdf = options.pdf;
    const QCommandLineOption &restore = options.restore;
    QCommandLineParser parser;
    options.addTo(parser);
    parser.process(qapp);

    const QString dir = parser.isSet(dataDir) ? parser.value(dataDir) : Locations::defaultDataDir();
    QString server;
    if (const int rc = chooseServer(parser, options, dir, &server); rc >= 0)
        return rc;
    const int outputs
        = int(parser.isSet(pdf)) + int(parser.isSet(options.csv)) + int(parser.isSet(options.xlsx));
    if (outputs > 0 || parser.isSet(report)) {
        if (outputs != 1 || !parser.isSet(report)) {
            std::fprintf(stderr, "--report dan satu dari --pdf, --csv, --xlsx dipakai bersama.\n");
            return 2;
        }
        const QString file = parser.isSet(pdf) ? parser.value(pdf)
            : parser.isSet(options.csv)        ? parser.value(options.csv)
                                               : parser.value(options.xlsx);
        ReportParameters period;
        const bool card = parser.value(report) == QLatin1String("kartu");
        if (card && !parser.isSet(options.code)) {
            std::fprintf(stderr, "--report kartu perlu --kode KODE.\n");
            return 2;
        }
        if (card || parser.isSet(options.from) || parser.isSet(options.to)) {
            const QString format = QStringLiteral("yyyy-MM-dd");
            QDate first = QDate::fromString(parser.value(options.from), format);
            QDate last = QDate::fromString(parser.value(options.to), format);
            for (const auto &[option, date] :
                 { std::pair { &options.from, first }, std::pair { &options.to, last } }) {
                if (parser.isSet(*option) && !date.isValid()) {
                    std::fprintf(stderr, "Tanggal --%s tidak terbaca: \"%s\" (tulis YYYY-MM-DD).\n",
                                 qPrintable(option->names().constFirst()),
                                 qPrintable(parser.value(*option)));
                    return 2;
                }
            }
            if (!first.isValid() && !last.isValid()) { // the current month
                const QDate today = QDate::currentDate();
                first = QDate(today.year(), today.month(), 1);
            }
            if (!first.isValid())
                first = QDate(last.year(), last.month(), 1);
            if (!last.isValid())
                last = QDate(first.year(), first.month(), first.daysInMonth());
            if (first > last || (!card && parser.value(report) != QLatin1String("keluar"))) {
                std::fprintf(stderr,
                             "--from dan --to hanya untuk --report keluar atau kartu, dan "
                             "--from tidak sesudah --to.\n");
                return 2;
            }
            period = card ? stockCardParameters(parser.value(options.code), first, last)
                          : periodParameters(first, last);
        }
        return writePdfReport(Locations(dir, server), parser.value(report), file, period,
                              parser.isSet(pdf)               ? QString()
                                  : parser.isSet(options.csv) ? QStringLiteral("csv")
                                                              : QStringLiteral("xlsx"));
    }
    const Locations locations(dir, server);
    if (locations.onServer() && parser.isSet(restore)) {
        std::fprintf(stderr,
                     "--restore hanya untuk database di folder data. Data di server dicadangkan "
                     "dan dipulihkan dengan pg_dump dan pg_restore (lihat README, bagian "
                     "\"Several workstations\").\n");
        return 1;
    }
    // Several programs on one server are the point of a server: the folder is not locked.
    QString why;
    const std::unique_ptr<QLockFile> lock
        = locations.onServer() ? nullptr : lockDataFolder(locations, &why);
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
    if (!lock && !locations.onServer()) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        dialogs.message(why, Style::Critical, {});
        return 1;
    }
    int rc = 0;
    {
        App app { locations, dialogs };
        // Ended by the desktop (log-out, shut-down) or Ctrl+C: as "Keluar" ends it.
        EndSignals endSignals([&app] {
            app.screens().end();
            QApplication::exit(0);
        });
        QObject::connect(
            &app.screens(), &ScreenManager::finished, &qapp, [] { QApplication::exit(0); },
            Qt::QueuedConnection);
        bool started = false;
        if (!app.run([&] { started = startProgram(app, parser.isSet(demo)); }) || !started)
            return 1;
        rc = app.screens().ended() ? 0 : QApplication::exec();
        endOfRun(app);
    }
    // Every database is closed now: the files are as this run leaves them.
    if (!locations.onServer())
        recordCleanEnd(locations);
    return rc;
}

} // namespace gudang
