// Baseline for start-up: the same login window made the plain way. The user table is read from
// the credentials file with SQLite's C API, and a window of two labels, two fields and two
// buttons in the login's fonts (the fields in the dialog font) and colours is shown; it says
// "dilukis" at its first paint and ends.
//
//   bench_start_bare CREDENTIALS_FILE
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <sqlite3.h>

namespace {

class Window : public QWidget
{
protected:
    void paintEvent(QPaintEvent *e) override
    {
        QWidget::paintEvent(e);
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

int users(const char *path)
{
    sqlite3 *db = nullptr;
    int n = 0;
    if (sqlite3_open_v2(path, &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT User, Password FROM tpass", -1, &st, nullptr)
            == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW)
                ++n;
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return n;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    if (argc < 2 || users(argv[1]) == 0)
        return 1;
    Window w;
    w.setWindowTitle(QStringLiteral("Password"));
    w.setFixedSize(218, 115);
    w.setAutoFillBackground(true);
    QPalette palette = w.palette();
    palette.setColor(QPalette::Window, QColor(192, 255, 255));
    w.setPalette(palette);
    QFont font(QStringLiteral("Comic Sans MS"));
    font.setPointSizeF(8.25);
    w.setFont(font);
    auto *user = new QLabel(QStringLiteral("User"), &w);
    user->setGeometry(16, 16, 24, 15);
    // The fields in the screens' dialog font, as the login window has them.
    QFont fieldFont(QStringLiteral("Liberation Sans"));
    fieldFont.setPointSizeF(8.25);
    auto *userField = new QLineEdit(&w);
    userField->setFont(fieldFont);
    userField->setGeometry(104, 16, 89, 19);
    userField->setMaxLength(10);
    auto *password = new QLabel(QStringLiteral("Password"), &w);
    password->setGeometry(16, 40, 47, 15);
    auto *passwordField = new QLineEdit(&w);
    passwordField->setFont(fieldFont);
    passwordField->setGeometry(104, 40, 89, 19);
    passwordField->setEchoMode(QLineEdit::Password);
    auto *ok = new QPushButton(QStringLiteral("OK"), &w);
    ok->setGeometry(48, 80, 49, 25);
    auto *close = new QPushButton(QStringLiteral("Tutup"), &w);
    close->setGeometry(128, 80, 49, 25);
    userField->setFocus();
    w.show();
    return QApplication::exec();
}
