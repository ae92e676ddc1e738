#pragma once

#include "core/locations.h"
#include "scripteddialogs.h"
#include "store/setup.h"
#include "ui/app.h"
#include "ui/dialogs.h"

#include <QTemporaryDir>
#include <QVariant>
#include <functional>
#include <memory>

class QLineEdit;
class QTableView;

namespace gudang {
class frmkeluar;
}

namespace gudang::test {

// The store the suites run against: SQLite files in a data folder, or, when the test run set
// GUDANG_TEST_SERVER to the connection string of its throwaway PostgreSQL server, a fresh
// database on that server for each Env.
bool onServer();
// A connection string for a new, empty database on the test server.
QString newServerDatabase();
// Drops a database made by newServerDatabase(), with its connections.
void dropServerDatabase(const QString &conninfo);

// A fresh data folder with both databases, scripted boxes and an App over them; on the test
// server, the folder keeps the report definitions and the tables live on the server.
class Env
{
public:
    // Creates both databases; `withUser` adds a first row (user, password) to tpass.
    explicit Env(bool createDatabases = true);
    ~Env();

    Locations locations;
    ScriptedDialogs dialogs;
    App &app() { return *m_app; }
    ScreenManager &screens() { return m_app->screens(); }

    // Replaces the rows of tpass; a null QVariant stores Null.
    void setCredentials(const std::vector<std::pair<QVariant, QVariant>> &rows, bool hash = true);
    // Runs SQL on a database file, or on the server, through its own connection.
    static void exec(const QString &path, const QString &sql);
    // Rows of a query as text, columns joined by '|', Null as "<null>"; numbers of a number
    // column as SQLite writes them ("7.0"), on either store.
    static QStringList query(const QString &path, const QString &sql);

private:
    QTemporaryDir m_dir;
    QString m_server; // the Env's own database on the test server
    std::unique_ptr<App> m_app;
};

// Login roles of a server are the whole server's: each test's people get names of their own.
QString uniqueName(const char *prefix);
// The first user's session (an owner) on the Env's own store.
Session ownerOf(const Env &env);

// The store's owner logged in on an App of the test's own (another workstation).
void logInOwner(App &app, const QString &name = QStringLiteral("admin"));
// Lets record sources made without an App write, while it lives.
struct AnyoneWrites
{
    AnyoneWrites();
    ~AnyoneWrites();
    std::function<void(const QString &)> outer;
};

// For a test of what only a data folder has (files, backups, the folder lock).
#define SKIP_ON_SERVER()                                                                           \
    do {                                                                                           \
        if (gudang::test::onServer())                                                              \
            QSKIP("only for a data folder");                                                       \
    } while (false)

// The command line that starts the program on the Env's store: --data-dir, and --server on
// the test server.
QStringList storeArguments(const Locations &locations);
// The program `binary` run on the Env's store with these arguments, to its end: exit code and
// what it said on standard error.
std::pair<int, QString> runOnStore(const char *binary, const Env &env,
                                   const QStringList &arguments);

// Gives the window the focus as a user's click would (offscreen windows are not activated by
// showing them).
void activate(QWidget *window);

// Sets the field's text and presses Enter in it.
void enter(QLineEdit *field, const QString &text);
// The one selected row of a grid, -1 when none or several.
int selectedRow(QTableView *grid);
// The grid's index of a source row (grids show a window of a big table's rows); invalid when
// the row is outside the window.
QModelIndex gridIndex(QTableView *grid, int row, int column = 0);
// The description of the AppError the call throws; empty when it throws none.
QString failureOf(const std::function<void()> &call);
// Whether every code's value is the sum of its journal rows' values, every journal row has its
// value, and each code's last day balance is its stock and value (a stock of zero or less
// worth nothing); what does not add up is said as a warning.
bool valuesAddUp(Env &env);
// The goods-out screen's answer to a quantity above a stock another program lowered to `now`
// since the screen read it.
QString shortOnChangedStock(const QString &now);

// A screen shown as the first one, with the focus.
template<class T> T &showAlone(ScreenManager &screens)
{
    T &s = screens.get<T>();
    screens.showStart(s);
    activate(&s);
    return s;
}
// A screen shown above the ones shown, as its menu entry or button opens it, with the focus.
template<class T> T &showAbove(ScreenManager &screens)
{
    T &s = screens.get<T>();
    screens.showModal(s);
    activate(&s);
    return s;
}

// The goods-out screen above the main menu, as the program opens it, so that closing it does
// not end the run.
frmkeluar &openIssue(ScreenManager &screens);
inline frmkeluar &openIssue(Env &env)
{
    return openIssue(env.screens());
}
// From a fresh goods-out screen to a posting ready to click.
void readyIssue(frmkeluar &k, const QString &code, const QString &quantity);

// Object names of the enabled ones among these widgets, in this order.
QStringList enabledOf(std::initializer_list<QWidget *> widgets);

// What a step table checks after each step, one line per aspect, each led by the step's name,
// so that QCOMPARE of the state found and the state expected prints the step and both values.
QStringList stepState(const char *step, const QStringList &enabled, const QString &focus,
                      const QStringList &boxes);
// The object name of the window's focus widget, or "(none)".
QString focusName(const QWidget *window);

// Object names of the controls Tab visits, starting at `first`, once round.
QStringList tabOrder(QWidget *first);

} // namespace gudang::test
