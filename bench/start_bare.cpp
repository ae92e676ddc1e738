// Baseline for start-up: a bare Qt window with one table view; it says "dilukis" at its first
// paint and ends.
#include <QApplication>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <cstdio>

namespace {
class Window : public QTableView
{
protected:
    void paintEvent(QPaintEvent *e) override
    {
        QTableView::paintEvent(e);
        if (!m_seen) {
            m_seen = true;
            std::printf("dilukis\n");
            std::fflush(stdout);
        }
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }

private:
    bool m_seen = false;
};
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QStandardItemModel model(3, 2);
    Window w;
    w.setModel(&model);
    w.show();
    return QApplication::exec();
}
