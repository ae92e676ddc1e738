// The real program (`gudang --data-dir DIR`), ended at its first painted login window: it says
// "dilukis" on standard output and ends as the desktop ends it (SIGTERM), so the run ends
// cleanly, as a user's does.
#include "app/startup.h"

#include <QCoreApplication>
#include <QEvent>
#include <csignal>
#include <cstdio>

namespace {

class FirstPaint : public QObject
{
protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (!m_seen && e->type() == QEvent::Paint && o->objectName() == QLatin1String("frmpas")) {
            m_seen = true;
            std::printf("dilukis\n");
            std::fflush(stdout);
            std::raise(SIGTERM);
        }
        return false;
    }

private:
    bool m_seen = false;
};

void watchFirstPaint()
{
    qApp->installEventFilter(new FirstPaint);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(watchFirstPaint)

int main(int argc, char **argv)
{
    return gudang::runGudang(argc, argv);
}
