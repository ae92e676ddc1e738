// A workstation counting into a stock count on a server: opens the count screen, which resumes
// the newest count, and scans CODE N times with a scanner's keys; prints "counted N".
//   count_child CONNINFO DIR CODE N
#include "screens/stock/frmopname.h"
#include "support.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <cstdio>

using namespace gudang;

namespace {

class Silent final : public Dialogs
{
public:
    Button message(const QString &prompt, int, const QString &) override
    {
        said << prompt;
        return Button::Ok;
    }
    QString saveFile(const QString &title, const QString &, const QStringList &) override
    {
        said << title;
        return QString();
    }
    QString input(const QString &prompt, const QString &) override
    {
        said << prompt;
        return QString();
    }
    QStringList said;
};

} // namespace

int main(int argc, char **argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: count_child CONNINFO DIR CODE N\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const QString code = QString::fromLocal8Bit(argv[3]);
    const int n = atoi(argv[4]);
    Silent dialogs;
    int counted = 0;
    {
        App app(Locations(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[1])),
                dialogs);
        test::logInOwner(app);
        frmopname &o = app.screens().get<frmopname>();
        app.screens().showStart(o);
        test::activate(&o);
        for (int i = 0; i < n && dialogs.said.isEmpty(); ++i) {
            QTest::keyClicks(o.txtkode, code);
            QTest::keyClick(o.txtkode, Qt::Key_Return);
            if (o.lblpesan->text().startsWith(code))
                ++counted;
        }
        app.screens().end();
    }
    if (!dialogs.said.isEmpty()) {
        std::fprintf(stderr, "boxes: %s\n", qPrintable(dialogs.said.join(QLatin1Char('|'))));
        return 1;
    }
    std::printf("counted %d\n", counted);
    return 0;
}
