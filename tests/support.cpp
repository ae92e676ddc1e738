#include "support.h"
#include "model/gridmodel.h"
#include "model/recordsource.h"
#include "screens/issue/frmkeluar.h"
#include "screens/shell/frmutama.h"

#include "core/apperror.h"
#include "users/credentials.h"
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTableView>

#include "store/address.h"
#include "store/postgres/pgdatabase.h"
#include "store/postgres/pgusers.h"
#include "store/setup.h"
#include <QApplication>
#include <QFileInfo>
#include <QTest>
#include <QWidget>
#include <libpq-fe.h>
#include <sodium.h>
#include <sqlite3.h>
#include <stdexcept>

namespace gudang::test {

namespace {

QString tempBase()
{
    // A folder name with a space, as the working location has one too.
    return QDir::tempPath() + QStringLiteral("/gudang test-XXXXXX");
}

// Both database files as a fresh data folder has them, made once per test process; each Env
// copies them (making them anew costs dozens of synchronous writes each time).
const QString &templateFile(DbRole role)
{
    static QTemporaryDir folder(tempBase());
    static const QString credentials = [] {
        const QString path = folder.path() + QStringLiteral("/pengguna.db");
        createDatabaseFile(path, DbRole::Credentials);
        return path;
    }();
    static const QString working = [] {
        const QString path = folder.path() + QStringLiteral("/data.db");
        createDatabaseFile(path, DbRole::Working);
        return path;
    }();
    return role == DbRole::Credentials ? credentials : working;
}

void copyTemplate(DbRole role, const QString &path)
{
    QDir().mkpath(QFileInfo(path).path());
    if (!QFile::copy(templateFile(role), path))
        throw std::runtime_error("cannot copy the template database");
}

} // namespace

bool onServer()
{
    return !qEnvironmentVariableIsEmpty("GUDANG_TEST_SERVER");
}

namespace {

QString serverBase()
{
    return qEnvironmentVariable("GUDANG_TEST_SERVER");
}

void serverExec(const QString &conninfo, const QByteArray &sql)
{
    PGconn *conn = PQconnectdb(conninfo.toUtf8().constData());
    if (PQstatus(conn) != CONNECTION_OK) {
        const std::string why = PQerrorMessage(conn);
        PQfinish(conn);
        throw std::runtime_error("test server: " + why);
    }
    PQsetNoticeProcessor(
        conn, [](void *, const char *) {}, nullptr);
    PGresult *r = PQexec(conn, sql.constData());
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
    const std::string why = PQresultErrorMessage(r);
    PQclear(r);
    PQfinish(conn);
    if (!ok)
        throw std::runtime_error("test server: " + why);
}

// The tests' SQL as the server reads it: a row's identity is id_baris there (rowid on SQLite),
// and "SELECT *" means the program's own columns.
QByteArray forServer(const QString &sql)
{
    QString out = sql;
    out.replace(QRegularExpression(QStringLiteral("\\browid\\b")), QStringLiteral("id_baris"));
    // User is a word of the server's SQL: the column is named in quotes there.
    out.replace(QRegularExpression(QStringLiteral("\\bUser\\b")), QStringLiteral("\"user\""));
    // Quoted column names: the server's are folded to lower case.
    for (const char *table : { "tpass", "tbarang", "tstok", "tbrgkeluar" }) {
        for (const ColumnDef &c : tableDef(QString::fromLatin1(table)).columns)
            out.replace(QLatin1Char('"') + c.name + QLatin1Char('"'),
                        QString::fromUtf8(pgColumn(c)));
    }
    const QRegularExpression star(QStringLiteral("SELECT \\* FROM (\\w+)"));
    QRegularExpressionMatch m;
    while ((m = star.match(out)).hasMatch()) {
        QStringList cols;
        for (const ColumnDef &c : tableDef(m.captured(1)).columns)
            cols << QString::fromUtf8(pgColumn(c));
        out.replace(
            m.capturedStart(), m.capturedLength(),
            QStringLiteral("SELECT %1 FROM %2").arg(cols.join(QLatin1Char(',')), m.captured(1)));
    }
    return out.toUtf8();
}

} // namespace

QStringList storeArguments(const Locations &locations)
{
    QStringList args { QStringLiteral("--data-dir"), locations.dataDir() };
    if (locations.onServer())
        args << QStringLiteral("--server") << locations.server();
    return args;
}

QString newServerDatabase()
{
    static int counter = 0;
    const QString name
        = QStringLiteral("gt_%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
    serverExec(serverBase(), "CREATE DATABASE " + name.toUtf8());
    return serverBase() + QStringLiteral(" dbname=") + name;
}

void dropServerDatabase(const QString &conninfo)
{
    const QString name = conninfo.section(QStringLiteral("dbname="), -1).trimmed();
    serverExec(serverBase(), "DROP DATABASE IF EXISTS " + name.toUtf8() + " WITH (FORCE)");
    // The store's own roles go with it.
    const StoreRoles roles = storeRoles(name);
    serverExec(serverBase(),
               "DROP ROLE IF EXISTS " + roles.groups[0] + ", " + roles.groups[1] + ", "
                   + roles.groups[2] + ", " + roles.posting + ", " + roles.persons);
}

Env::Env(bool createDatabases)
    : locations(QString())
    , m_dir(tempBase())
{
    if (!m_dir.isValid())
        throw std::runtime_error("no temporary folder");
    if (onServer()) {
        m_server = newServerDatabase();
        locations = Locations(m_dir.path(), m_server);
        QDir().mkpath(locations.workingFolder()); // report definitions live there
        if (createDatabases)
            initServer(m_server);
    } else {
        locations = Locations(m_dir.path());
        if (createDatabases) {
            copyTemplate(DbRole::Credentials, locations.credentialsPath());
            copyTemplate(DbRole::Working, locations.workingPath());
        }
    }
    m_app = std::make_unique<App>(locations, dialogs);
    // The tests act as the store's owner logged in, unless they log in themselves.
    logInOwner(*m_app);
    prepareScreens(*m_app);
}

Env::~Env()
{
    m_app.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (!m_server.isEmpty()) {
        try {
            dropServerDatabase(m_server);
        } catch (const std::exception &e) {
            qWarning("%s", e.what());
        }
    }
    // A test answers or reads every box it causes and uses its whole script.
    if (!dialogs.unscripted().isEmpty())
        QTest::qFail(qPrintable(QStringLiteral("boxes neither answered nor read: ")
                                + dialogs.unscripted().join(QStringLiteral(" | "))),
                     __FILE__, __LINE__);
    else if (!dialogs.scriptUsedUp())
        QTest::qFail("answers scripted but never asked for", __FILE__, __LINE__);
}

QString uniqueName(const char *prefix)
{
    return QString::fromLatin1(prefix)
        + QString::number(QRandomGenerator::global()->bounded(100000, 999999));
}

Session ownerOf(const Env &env)
{
    return { QStringLiteral("admin"), Role::Pemilik, true, false, env.locations };
}

void logInOwner(App &app, const QString &name)
{
    app.setSession({ name, Role::Pemilik, true, false, app.locations() });
}

AnyoneWrites::AnyoneWrites()
    : outer(RecordSource::writeGuard())
{
    RecordSource::writeGuard() = [](const QString &) {
    };
}

AnyoneWrites::~AnyoneWrites()
{
    RecordSource::writeGuard() = outer;
}

void Env::exec(const QString &path, const QString &sql)
{
    if (isServerAddress(path)) {
        serverExec(serverConninfo(path), forServer(sql));
        return;
    }
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr)
        != SQLITE_OK)
        throw std::runtime_error("open failed");
    char *err = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    const std::string msg = err ? err : "";
    sqlite3_free(err);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        throw std::runtime_error(msg);
}

QStringList Env::query(const QString &path, const QString &sql)
{
    if (isServerAddress(path)) {
        PGconn *conn = PQconnectdb(serverConninfo(path).toUtf8().constData());
        PGresult *r = PQexec(conn, "SET extra_float_digits TO 1; SET DateStyle TO 'ISO, YMD'");
        PQclear(r);
        r = PQexec(conn, forServer(sql).constData());
        if (PQresultStatus(r) != PGRES_TUPLES_OK) {
            const std::string why = PQresultErrorMessage(r);
            PQclear(r);
            PQfinish(conn);
            throw std::runtime_error("query failed: " + why);
        }
        QStringList rows;
        for (int i = 0; i < PQntuples(r); ++i) {
            QStringList cols;
            for (int c = 0; c < PQnfields(r); ++c) {
                if (PQgetisnull(r, i, c)) {
                    cols << QStringLiteral("<null>");
                    continue;
                }
                QString v = QString::fromUtf8(PQgetvalue(r, i, c));
                // float8: as SQLite writes a REAL (15 digits, always a decimal point).
                if (PQftype(r, c) == 701 && !v.contains(QLatin1Char('n'))) {
                    v = QString::asprintf("%.15g", v.toDouble());
                    if (!v.contains(QLatin1Char('.'))) {
                        const qsizetype e = v.indexOf(QLatin1Char('e'));
                        v.insert(e < 0 ? v.size() : e, QStringLiteral(".0"));
                    }
                }
                cols << v;
            }
            rows << cols.join(QLatin1Char('|'));
        }
        PQclear(r);
        PQfinish(conn);
        return rows;
    }
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr)
        != SQLITE_OK)
        throw std::runtime_error("open failed");
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("prepare failed");
    }
    QStringList rows;
    while (sqlite3_step(st) == SQLITE_ROW) {
        QStringList cols;
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            if (sqlite3_column_type(st, c) == SQLITE_NULL)
                cols << QStringLiteral("<null>");
            else
                cols << QString::fromUtf8(
                    reinterpret_cast<const char *>(sqlite3_column_text(st, c)));
        }
        rows << cols.join(QLatin1Char('|'));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

void Env::setCredentials(const std::vector<std::pair<QVariant, QVariant>> &rows, bool hash)
{
    exec(locations.credentialsPath(), QStringLiteral("DELETE FROM tpass"));
    for (const auto &[user, pass] : rows) {
        auto quote = [](const QVariant &v, bool h) {
            if (v.isNull())
                return QStringLiteral("NULL");
            QString t = h ? hashPassword(v.toString()) : v.toString();
            return QLatin1Char('\'') + t.replace(QLatin1Char('\''), QStringLiteral("''"))
                + QLatin1Char('\'');
        };
        exec(locations.credentialsPath(),
             QStringLiteral("INSERT INTO tpass VALUES (%1, %2)")
                 .arg(quote(user, false), quote(pass, hash)));
    }
}

bool valuesAddUp(Env &env)
{
    const QString path = env.locations.workingPath();
    const QString wrong[] = {
        // a code whose value is not the sum of its journal's values
        QStringLiteral("SELECT 'nilai ' || n.Kode_Barang FROM tnilai n WHERE n.Nilai <> (SELECT "
                       "coalesce(sum(v.Nilai), 0) FROM tnilaimutasi v WHERE v.Kode_Barang = "
                       "n.Kode_Barang)"),
        // a journal row without its value
        QStringLiteral("SELECT 'jurnal ' || m.No_Mutasi FROM tmutasi m WHERE m.Kode_Barang <> '' "
                       "AND NOT EXISTS (SELECT 1 FROM tnilaimutasi v WHERE v.No_Mutasi = "
                       "m.No_Mutasi)"),
        // a last day balance other than the stock and its value, or a value without stock
        QStringLiteral("SELECT 'saldo ' || s.Kode_Barang FROM tstok s LEFT JOIN tnilai n ON "
                       "n.Kode_Barang = s.Kode_Barang WHERE coalesce((SELECT d.Jumlah FROM tsaldo "
                       "d WHERE d.Kode_Barang = s.Kode_Barang ORDER BY d.Tanggal DESC LIMIT 1), 0) "
                       "<> s.Jumlah_Stok OR coalesce((SELECT d.Nilai FROM tsaldo d WHERE "
                       "d.Kode_Barang = s.Kode_Barang ORDER BY d.Tanggal DESC LIMIT 1), 0) <> "
                       "coalesce(n.Nilai, 0) OR (s.Jumlah_Stok <= 0 AND coalesce(n.Nilai, 0) <> "
                       "0)"),
    };
    QStringList found;
    for (const QString &sql : wrong)
        found << Env::query(path, sql);
    if (!found.isEmpty())
        qWarning("values that do not add up: %s", qPrintable(found.join(QStringLiteral(", "))));
    return found.isEmpty();
}

std::pair<int, QString> runOnStore(const char *binary, const Env &env, const QStringList &arguments)
{
    QProcess p;
    p.start(QString::fromLocal8Bit(binary), storeArguments(env.locations) + arguments);
    if (!p.waitForFinished(120000))
        return { -1, QStringLiteral("(still running)") };
    return { p.exitCode(), QString::fromUtf8(p.readAllStandardError()) };
}

QString shortOnChangedStock(const QString &now)
{
    return QStringLiteral("Stok Barang Kurang Dari Jumlah permintaan Barang\nStok saat ini %1 "
                          "(sudah diubah sejak layar ini membacanya).")
        .arg(now);
}

void activate(QWidget *window)
{
    window->activateWindow();
    QApplication::setActiveWindow(window);
    if (!QTest::qWaitForWindowActive(window))
        qWarning("window %s not active", qPrintable(window->objectName()));
}

} // namespace gudang::test

namespace gudang::test {

QStringList tabOrder(QWidget *first)
{
    QStringList names;
    QWidget *w = first;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && !w->isHidden()
            && !w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")))
            names << w->objectName();
        w = w->nextInFocusChain();
    } while (w && w != first);
    return names;
}

} // namespace gudang::test

namespace gudang::test {

frmkeluar &openIssue(ScreenManager &screens)
{
    showAlone<frmutama>(screens);
    return showAbove<frmkeluar>(screens);
}

QStringList stepState(const char *step, const QStringList &enabled, const QString &focus,
                      const QStringList &boxes)
{
    const QString name = QString::fromUtf8(step);
    return { name + QStringLiteral(" / enabled: ") + enabled.join(QLatin1Char(',')),
             name + QStringLiteral(" / focus: ") + focus,
             name + QStringLiteral(" / boxes: ") + boxes.join(QLatin1Char('|')) };
}

QString focusName(const QWidget *window)
{
    const QWidget *f = window->focusWidget();
    return f ? f->objectName() : QStringLiteral("(none)");
}

QStringList enabledOf(std::initializer_list<QWidget *> widgets)
{
    QStringList out;
    for (QWidget *w : widgets) {
        if (w->isEnabled())
            out << w->objectName();
    }
    return out;
}

void readyIssue(frmkeluar &k, const QString &code, const QString &quantity)
{
    if (k.cmdtambah->isEnabled())
        QTest::mouseClick(k.cmdtambah, Qt::LeftButton);
    enter(k.txtkode, code);
    enter(k.txtjumlah, quantity);
}

void enter(QLineEdit *field, const QString &text)
{
    field->setText(text);
    QTest::keyClick(field, Qt::Key_Return);
}

int selectedRow(QTableView *grid)
{
    const QModelIndexList rows = grid->selectionModel()->selectedRows();
    if (rows.size() != 1)
        return -1;
    const auto *model = qobject_cast<const GridModel *>(grid->model());
    return model ? model->sourceRow(rows[0].row()) : rows[0].row();
}

QModelIndex gridIndex(QTableView *grid, int row, int column)
{
    const auto *model = qobject_cast<const GridModel *>(grid->model());
    return grid->model()->index(model ? model->modelRow(row) : row, column);
}

QString failureOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const AppError &e) {
        return e.description();
    }
    return QString();
}

} // namespace gudang::test

namespace gudang {

// The suites hash with the cheapest Argon2id setting, so that they run fast: this definition
// takes the place of the program's own (a weak one) in every test binary.
PasswordHashCost passwordHashCost()
{
    return { crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN };
}

} // namespace gudang
