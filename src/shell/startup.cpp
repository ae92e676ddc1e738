#include "startup.h"
#include "data/apperror.h"
#include "data/database.h"
#include "demo.h"
#include "frmawal.h"
#include "frmpas.h"
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

int runGudang(int argc, char **argv)
{
    QApplication qapp(argc, argv);
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
    parser.addOption(dataDir);
    parser.addOption(demo);
    parser.process(qapp);

    const QString dir = parser.isSet(dataDir) ? parser.value(dataDir) : Locations::defaultDataDir();
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
