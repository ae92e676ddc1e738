// A second process for the fault tests:
//   fault_child lock DIR     takes the data folder's lock and ends without giving it back
//   fault_child post DIR N   posts 3 of goods A1 on the goods-out screen and is ended just
//                            before its N-th write, sync or truncate (0: never)
#include "faultvfs.h"
#include "files/backups.h"
#include "files/filechecks.h"
#include "files/folderlock.h"
#include "screens/issue/frmkeluar.h"
#include "support.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <unistd.h>

using namespace gudang;

int main(int argc, char **argv)
{
    if (argc >= 3 && qstrcmp(argv[1], "lock") == 0) {
        QString why;
        auto lock = lockDataFolder(Locations(QString::fromLocal8Bit(argv[2])), &why);
        if (!lock) {
            std::fprintf(stderr, "%s\n", qPrintable(why));
            return 1;
        }
        _exit(0); // as a crash would: the lock file stays
    }
    if (argc >= 4 && qstrcmp(argv[1], "post") == 0) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication qapp(argc, argv);
        test::faultvfs::install();
        test::faultvfs::exitAtWrite(atoi(argv[3]));
        ScriptedDialogs dialogs;
        dialogs.answer(Button::Yes); // "Masih ada Input Data Lagi?"
        {
            App app(Locations(QString::fromLocal8Bit(argv[2])), dialogs);
            test::logInOwner(app);
            frmkeluar &k = test::openIssue(app.screens());
            test::readyIssue(k, QStringLiteral("A1"), QStringLiteral("3"));
            QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
            if (dialogs.prompts() != QStringList { QStringLiteral("Masih ada Input Data Lagi?") }) {
                std::fprintf(stderr, "unexpected boxes: %s\n",
                             qPrintable(dialogs.prompts().join(QLatin1Char('|'))));
                return 2;
            }
            app.screens().end();
        }
        std::printf("%d\n", test::faultvfs::writes());
        return 0;
    }
    std::fprintf(stderr, "usage: fault_child lock DIR | post DIR N\n");
    return 2;
}
