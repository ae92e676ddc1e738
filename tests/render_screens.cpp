// Renders every screen to a PNG file for checking the layout by eye:
//   render_screens OUTPUT_DIR
#include "app/demo.h"
#include "app/startup.h"
#include "reports/engine/reportdefinition.h"
#include "reports/engine/reportlayout.h"
#include "reports/engine/reportrender.h"
#include "reports/frmcetklr.h"
#include "reports/frmcetstk.h"
#include "screens/goods/frmbrg.h"
#include "screens/goods/frmeditbrg.h"
#include "screens/issue/frmeklr.h"
#include "screens/issue/frmkeluar.h"
#include "screens/shell/frmawal.h"
#include "screens/shell/frmgpas.h"
#include "screens/shell/frmpas.h"
#include "screens/shell/frmutama.h"
#include "screens/stock/frmestok.h"
#include "screens/stock/frmstok.h"
#include "support.h"

#include <QApplication>
#include <QPushButton>
#include <QStyleFactory>
#include <QTest>

using namespace gudang;

namespace {

template<class T> void shoot(test::Env &env, const QString &dir, const char *file)
{
    T &s = env.screens().get<T>();
    env.screens().showModal(s);
    QApplication::processEvents();
    s.grab().save(dir + QLatin1Char('/') + QString::fromLatin1(file));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    test::Env env;
    env.setCredentials({ { "admin", "x" } }, false);
    shoot<frmawal>(env, dir, "frmawal.png");
    shoot<frmpas>(env, dir, "frmpas.png");
    shoot<frmutama>(env, dir, "frmutama.png");
    shoot<frmgpas>(env, dir, "frmgpas.png");
    fillDemoData(env.locations);
    shoot<frmbrg>(env, dir, "frmbrg.png");
    shoot<frmeditbrg>(env, dir, "frmeditbrg.png");
    shoot<frmstok>(env, dir, "frmstok.png");
    shoot<frmestok>(env, dir, "frmestok.png");
    shoot<frmkeluar>(env, dir, "frmkeluar.png");
    shoot<frmeklr>(env, dir, "frmeklr.png");
    shoot<frmcetklr>(env, dir, "frmcetklr.png");
    shoot<frmcetstk>(env, dir, "frmcetstk.png");
    {
        // The goods screen after a new code is saved ("Tidak" to the next one): its row marked.
        test::Env e2;
        fillDemoData(e2.locations);
        frmbrg &b = test::showAlone<frmbrg>(e2.screens());
        QTest::mouseClick(b.cmdtambah, Qt::LeftButton);
        for (const char *t :
             { "BRG999", "Beras Pandan Wangi 5", "Cap Bunga", "PT Sumber", "karung" }) {
            QTest::keyClicks(QApplication::focusWidget(), QString::fromUtf8(t));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        }
        e2.dialogs.answer(Button::No);
        QTest::keyClick(b.cmdsimpan, Qt::Key_Return);
        QApplication::processEvents();
        b.grab().save(dir + QStringLiteral("/frmbrg-simpan.png"));
        // The goods-out screen with a date typed after the code check.
        frmkeluar &k = test::openIssue(e2.screens());
        QTest::mouseClick(k.cmdtambah, Qt::LeftButton);
        QTest::keyClicks(k.txtkode, QStringLiteral("BRS001"));
        QTest::keyClick(k.txtkode, Qt::Key_Return);
        e2.dialogs.clear();
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("15/03/2025"));
        QApplication::processEvents();
        k.grab().save(dir + QStringLiteral("/frmkeluar-tanggal.png"));
    }
    writeMissingReportDefinitions(env.locations);
    const QDateTime now = QDateTime::currentDateTime();
    writeReportPdf(buildReport(goodsOutReportPath(env.locations), env.locations.workingPath(), now),
                   dir + QStringLiteral("/keluar.pdf"));
    writeReportPdf(buildReport(stockReportPath(env.locations), env.locations.workingPath(), now),
                   dir + QStringLiteral("/stok.pdf"));
    return 0;
}
