// Baseline for start-up: a bare Qt window with one table view, ended at its first paint.
#include <QApplication>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>

namespace {
class Window : public QTableView
{
protected:
    void paintEvent(QPaintEvent *e) override
    {
        QTableView::paintEvent(e);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
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
