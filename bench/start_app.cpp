// Start-up of the program to its first painted login window, ended there: start_app DATA_DIR
#include "shell/frmpas.h"
#include "shell/startup.h"
#include "ui/app.h"

#include <QApplication>
#include <QStyleFactory>
#include <QTimer>

namespace {
class FirstPaint : public QObject
{
protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Paint && o->objectName() == QLatin1String("frmpas"))
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return false;
    }
};
} // namespace

int main(int argc, char **argv)
{
    QApplication qapp(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    FirstPaint watch;
    qapp.installEventFilter(&watch);
    gudang::QtDialogs dialogs;
    gudang::App app { gudang::Locations(QString::fromLocal8Bit(argv[1])), dialogs };
    gudang::startProgram(app, false);
    return QApplication::exec();
}
