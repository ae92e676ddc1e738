// What the disk, other programs and the user's typing can do to the data, and that nothing is
// lost or half-written by it.
#include "app/startup.h"
#include "core/apperror.h"
#include "core/conversions.h"
#include "core/value.h"
#include "export/export.h"
#include "faultvfs.h"
#include "files/backups.h"
#include "files/filechecks.h"
#include "files/folderlock.h"
#include "model/recordsource.h"
#include "reports/engine/reportdefinition.h"
#include "reports/engine/reportlayout.h"
#include "reports/frmcetstk.h"
#include "reports/reportengine.h"
#include "reports/reportoutput.h"
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
#include "store/sqlite/sqlitestore.h"
#include "support.h"
#include "users/credentials.h"

#include <QApplication>
#include <QClipboard>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <sqlite3.h>
#include <sys/stat.h>

using namespace gudang;
using gudang::test::activate;
using gudang::test::enter;
using gudang::test::Env;
using gudang::test::openIssue;
using gudang::test::showAbove;
using gudang::test::showAlone;
namespace faultvfs = gudang::test::faultvfs;

namespace {

const QString kMore = QStringLiteral("Masih ada Input Data Lagi?");

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// One text cell, read with its length so that a NUL inside survives; "<null>" for Null and
// "<none>" when there is no row.
QString cell(const QString &path, const QString &sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *st = nullptr;
    QString out = QStringLiteral("<none>");
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK
        && sqlite3_step(st) == SQLITE_ROW) {
        if (sqlite3_column_type(st, 0) == SQLITE_NULL)
            out = QStringLiteral("<null>");
        else
            out = QString::fromUtf8(static_cast<const char *>(sqlite3_column_blob(st, 0)),
                                    sqlite3_column_bytes(st, 0));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

QString integrity(const QString &path)
{
    return Env::query(path, QStringLiteral("PRAGMA integrity_check")).join(QLatin1Char(';'));
}

void seedStock(Env &env, const QString &code, int quantity)
{
    Env::exec(env.locations.workingPath(),
              QStringLiteral("INSERT INTO tbarang VALUES ('%1', 'Nama', 'M', 'S', 'pcs');"
                             "INSERT INTO tstok VALUES ('%1', %2, 1)")
                  .arg(code)
                  .arg(quantity));
}

void post(frmkeluar &k, const QString &code, const QString &quantity)
{
    test::readyIssue(k, code, quantity);
    QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
}

// Runs SQL on a file through a plain connection of its own (no WAL switch, nothing kept).
void rawExec(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

mode_t modeOf(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 0777) : 0;
}

// A folder made read-only in place, as a disk mounted read-only (a bind mount); false where
// this machine does not allow it.
bool mountReadOnly(const QString &dir)
{
    if (QProcess::execute(QStringLiteral("mount"), { QStringLiteral("--bind"), dir, dir }) != 0)
        return false;
    if (QProcess::execute(QStringLiteral("mount"),
                          { QStringLiteral("-o"), QStringLiteral("remount,bind,ro"), dir })
        != 0) {
        QProcess::execute(QStringLiteral("umount"), { dir });
        return false;
    }
    return true;
}

void unmount(const QString &dir)
{
    QProcess::execute(QStringLiteral("umount"), { dir });
}

// The real program on a data folder, without a screen of its own (offscreen).
struct Program
{
    QProcess p;
    QString said;

    void start(const QString &dir, const QStringList &more = {})
    {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(e);
        p.start(QStringLiteral(GUDANG_BINARY),
                QStringList { QStringLiteral("--data-dir"), dir } + more);
    }
    // Waits until the program has said `text` on standard error, or has ended.
    bool waitToSay(const QString &text)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 30000) {
            said += QString::fromUtf8(p.readAllStandardError());
            if (said.contains(text))
                return true;
            if (p.state() == QProcess::NotRunning)
                return false;
            p.waitForReadyRead(100);
        }
        return false;
    }
    bool waitUntil(const std::function<bool()> &ready)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 30000) {
            if (ready())
                return true;
            if (p.state() == QProcess::NotRunning)
                return false;
            QTest::qWait(50);
        }
        return false;
    }
    int end(int sig)
    {
        ::kill(pid_t(p.processId()), sig);
        if (!p.waitForFinished(30000))
            return -1;
        said += QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    }
};

// A stock report whose query never gives a row.
const char *const kEndlessReport
    = "judul = X\ndata = SELECT count(*) AS x FROM (WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL "
      "SELECT x+1 FROM c) SELECT x FROM c)\nkolom = x | X | 20 | kiri | teks\n";

// Records where reports went instead of showing them.
class NoOutput : public ReportOutput
{
public:
    int sent = 0;
    void preview(const ReportDocument &, bool, Dialogs &) override { ++sent; }
    void print(const ReportDocument &, int) override { ++sent; }
};

// Goods-out rows and the stock of A1, the two things a posting changes.
QString postingState(Env &env)
{
    const QString path = env.locations.workingPath();
    return Env::query(path, QStringLiteral("SELECT count(*), total(Jumlah) FROM tbrgkeluar"))
               .value(0)
        + QLatin1Char('/')
        + Env::query(path, QStringLiteral("SELECT Jumlah_Stok FROM tstok WHERE Kode_Barang='A1'"))
              .value(0);
}

// Once the cause of a failed posting is gone, the same click posts 3 of A1 (stock 10 to 7),
// asks for more, and the grid shows the new row.
void sameClickPosts(Env &env, frmkeluar &k)
{
    env.dialogs.clear();
    env.dialogs.answer(Button::Yes); // "Masih ada Input Data Lagi?"
    QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
    QCOMPARE(env.dialogs.prompts(), QStringList { kMore });
    QCOMPARE(postingState(env), QStringLiteral("1|3.0/7.0"));
    QCOMPARE(k.DataGrid1->model()->rowCount(), 1);
}

// A database file made on the side, closed, for copying into a data folder.
QByteArray soundWorkingFile(int goodsOut)
{
    static std::map<int, QByteArray> made;
    if (auto it = made.find(goodsOut); it != made.end())
        return it->second;
    Env env;
    seedStock(env, QStringLiteral("A1"), 10);
    QString rows = QStringLiteral("BEGIN;");
    for (int i = 0; i < goodsOut; ++i)
        rows += QStringLiteral("INSERT INTO tbrgkeluar (Kode_Barang, Tanggal, Jumlah) VALUES "
                               "('A1', '2026-01-01 00:00:00', %1);")
                    .arg(i % 9 + 1);
    Env::exec(env.locations.workingPath(), rows + QStringLiteral("COMMIT;"));
    const QString copy = env.locations.dataDir() + QStringLiteral("/copy.db");
    backupDatabase(env.locations.workingPath(), copy);
    return made[goodsOut] = bytesOf(copy);
}

// Values a user can type or paste; 1 MB included.
QStringList badInputs()
{
    return { QString(),
             QStringLiteral("   "),
             QString(1 << 20, QLatin1Char('9')),
             QStringLiteral("12a"),
             QStringLiteral("1e3"),
             QStringLiteral("-5"),
             QStringLiteral("0"),
             QStringLiteral("2147483648"),
             QStringLiteral("1,5"),
             QStringLiteral("'"),
             QStringLiteral("' OR '1'='1"),
             QStringLiteral("%"),
             QStringLiteral("_"),
             QStringLiteral("\\"),
             QStringLiteral("a") + QChar(0) + QStringLiteral("b"),
             QStringLiteral("\u05e9\u05dc\u05d5\u05dd"),
             QStringLiteral("e\u0301"),
             QStringLiteral("\U0001F600") };
}

// The value with one character more than the field or its column takes.
QString overLimit(QLineEdit *field, int columnLimit)
{
    const int limit = lengthLimit(field) > 0 ? lengthLimit(field) : columnLimit;
    return QString(limit + 1, QLatin1Char('x'));
}

QString shown(const QString &v)
{
    return v.size() > 40 ? QStringLiteral("%1 chars").arg(v.size()) : v;
}

// The bad-input table: one scenario per field drives its screen as a user does.
struct Input
{
    QString raw, value, held; // as listed, as pasted, as the field kept it
    bool reached;
};
using Fill = std::function<void(QLineEdit *, const QString &)>;
struct Scenario
{
    QString screen, field;
    // Drives the screen; returns what the database holds for the field afterwards and sets
    // `expected` to what it must hold when the input was taken (a null text when the field
    // only looks something up).
    std::function<QString(Env &, const Fill &, const Input &, QString &expected)> run;
};

// Both files' tables, byte for byte.
QString everything(Env &env)
{
    QString out;
    for (const auto &[path, sql] :
         { std::pair {
               env.locations.workingPath(),
               QStringLiteral("SELECT (SELECT group_concat(hex(Kode_Barang) || ifnull(hex("
                              "Nama_Barang), 'N') || ifnull(hex(Merk), 'N') || ifnull("
                              "hex(Supplier), 'N') || ifnull(hex(Satuan), 'N'), ';') FROM "
                              "tbarang) || '#' || (SELECT group_concat(hex(Kode_Barang) "
                              "|| ifnull(Jumlah_Stok, 'N') || '/' || ifnull(Stok_Minimum, "
                              "'N'), ';') FROM tstok) || '#' || ifnull((SELECT "
                              "group_concat(No_Keluar || ifnull(hex(Kode_Barang), 'N') || "
                              "Tanggal || ifnull(Jumlah, 'N'), ';') FROM tbrgkeluar), '')") },
           std::pair { env.locations.credentialsPath(),
                       QStringLiteral("SELECT group_concat(hex(User) || Password, ';') FROM "
                                      "tpass") } }) {
        out += QFile::exists(path) ? cell(path, sql) : QStringLiteral("<no file>");
        out += QLatin1Char('|');
    }
    return out;
}

// The number a text stands for when a number column takes it as it is (a decimal comma or a
// point, not both), or a null text.
QString plainNumber(const QString &text)
{
    bool ok = false;
    QString t = text;
    if (t.count(QLatin1Char(',')) == 1 && !t.contains(QLatin1Char('.')))
        t.replace(QLatin1Char(','), QLatin1Char('.'));
    const double v = QLocale::c().toDouble(t, &ok);
    return ok ? QString::number(v, 'f', 1) : QString();
}

// The number the entry screens read from the start of each bad input, written out rather than
// computed by the reading under test; NaN where reading must fail (1 MB of nines is too large)
// or for a value this table does not know.
double valOf(const QString &text)
{
    static const std::map<QString, double> known {
        { QString(), 0 },
        { QStringLiteral("   "), 0 },
        { QStringLiteral("12a"), 12 },
        { QStringLiteral("1e3"), 1000 },
        { QStringLiteral("-5"), -5 },
        { QStringLiteral("0"), 0 },
        { QStringLiteral("2147483648"), 2147483648.0 },
        { QStringLiteral("1,5"), 1.5 },
        { QStringLiteral("'"), 0 },
        { QStringLiteral("' OR '1'='1"), 0 },
        { QStringLiteral("' OR '1'='"), 0 }, // cut by a 10-character field
        { QStringLiteral("9999999999"), 9999999999.0 }, // 1 MB of nines cut the same way
        { QStringLiteral("%"), 0 },
        { QStringLiteral("_"), 0 },
        { QStringLiteral("\\"), 0 },
        { QStringLiteral("a") + QChar(0) + QStringLiteral("b"), 0 },
        { QStringLiteral("\u05e9\u05dc\u05d5\u05dd"), 0 },
        { QStringLiteral("e\u0301"), 0 },
        { QStringLiteral("\U0001F600"), 0 },
    };
    if (const auto it = known.find(text); it != known.end())
        return it->second;
    if (!text.isEmpty() && text.count(QLatin1Char('x')) == text.size())
        return 0; // one character over a field's limit
    return NAN;
}

QString oneDecimal(double v)
{
    return QString::number(v, 'f', 1);
}

const QStringList kGoodsColumns { "Kode_Barang", "Nama_Barang", "Merk", "Supplier", "Satuan" };
const QStringList kGoodsFields { "txtkode", "txtnama", "txtmerk", "txtsup", "txtsatuan" };
const QStringList kGoodsNormal { "B1", "Nama", "Merk", "Sup", "pcs" };

// The stored user, and whether the stored password is the given one.
QString storedLogin(Env &env, const QString &password)
{
    const QStringList row = Env::query(env.locations.credentialsPath(),
                                       QStringLiteral("SELECT hex(User), Password FROM tpass"))
                                .value(0)
                                .split(QLatin1Char('|'));
    return QString::fromUtf8(QByteArray::fromHex(row.value(0).toLatin1()))
        + (verifyPassword(row.value(1), password) ? QStringLiteral(" / password ok")
                                                  : QStringLiteral(" / password lain"));
}

std::vector<Scenario> scenarios()
{
    std::vector<Scenario> all;
    auto add = [&](const char *screen, const char *field, auto run) {
        all.push_back({ QLatin1String(screen), QLatin1String(field), run });
    };
    for (int i = 0; i < 5; ++i) {
        add("frmbrg", qPrintable(kGoodsFields[i]),
            [i](Env &env, const Fill &fill, const Input &in, QString &expected) {
                frmbrg &b = showAlone<frmbrg>(env.screens());
                QTest::mouseClick(b.cmdtambah, Qt::LeftButton);
                for (QLineEdit *f : { b.txtkode, b.txtnama, b.txtmerk, b.txtsup, b.txtsatuan })
                    fill(f, kGoodsNormal[kGoodsFields.indexOf(f->objectName())]);
                env.dialogs.answer(Button::No);
                QTest::mouseClick(b.cmdsimpan, Qt::LeftButton);
                expected = in.held;
                return cell(
                    env.locations.workingPath(),
                    QStringLiteral("SELECT %1 FROM tbarang WHERE rowid = 3").arg(kGoodsColumns[i]));
            });
        add("frmeditbrg", qPrintable(kGoodsFields[i]),
            [i](Env &env, const Fill &fill, const Input &in, QString &expected) {
                showAlone<frmbrg>(env.screens());
                frmeditbrg &e = showAbove<frmeditbrg>(env.screens());
                enter(e.txtkode, QStringLiteral("A1"));
                for (QLineEdit *f : { e.txtkode, e.txtnama, e.txtmerk, e.txtsup, e.txtsatuan })
                    fill(f, f->text());
                env.dialogs.answer(Button::No);
                QTest::mouseClick(e.cmdsimpan, Qt::LeftButton);
                expected = in.held;
                return cell(
                    env.locations.workingPath(),
                    QStringLiteral("SELECT %1 FROM tbarang WHERE rowid = 1").arg(kGoodsColumns[i]));
            });
    }
    for (const char *field : { "txtkode", "txtstok", "txtmin" }) {
        add("frmstok", field,
            [field](Env &env, const Fill &fill, const Input &in, QString &expected) {
                frmstok &s = showAlone<frmstok>(env.screens());
                QTest::mouseClick(s.cmdtambah, Qt::LeftButton);
                fill(s.txtkode, QStringLiteral("B2"));
                fill(s.txtstok, QStringLiteral("5"));
                fill(s.txtmin, QStringLiteral("2"));
                env.dialogs.answer(Button::No);
                QTest::mouseClick(s.cmdsimpan, Qt::LeftButton);
                const QString f = QLatin1String(field);
                if (f == QLatin1String("txtkode"))
                    expected
                        = in.held == QLatin1String("B2") ? QStringLiteral("5.0/2.0") : QString();
                else
                    expected = f == QLatin1String("txtstok")
                        ? oneDecimal(valOf(in.held)) + QStringLiteral("/2.0")
                        : QStringLiteral("5.0/") + oneDecimal(valOf(in.held));
                return cell(env.locations.workingPath(),
                            QStringLiteral("SELECT Jumlah_Stok || '/' || Stok_Minimum FROM tstok "
                                           "WHERE Kode_Barang = 'B2'"));
            });
        add("frmestok", field,
            [field](Env &env, const Fill &fill, const Input &in, QString &expected) {
                showAlone<frmstok>(env.screens());
                frmestok &e = showAbove<frmestok>(env.screens());
                enter(e.txtkode, QStringLiteral("A1"));
                for (QLineEdit *f : { e.txtkode, e.txtstok, e.txtmin })
                    fill(f, f->text());
                env.dialogs.answer(Button::No);
                QTest::mouseClick(e.cmdsimpan, Qt::LeftButton);
                const QString f = QLatin1String(field);
                if (f == QLatin1String("txtkode")) {
                    expected = in.held;
                    return cell(env.locations.workingPath(),
                                QStringLiteral("SELECT Kode_Barang FROM tstok WHERE rowid = 1"));
                }
                const QString n = plainNumber(in.held);
                expected = n.isNull()               ? QStringLiteral("<refused>")
                    : f == QLatin1String("txtstok") ? n + QStringLiteral("/1.0")
                                                    : QStringLiteral("10.0/") + n;
                return cell(env.locations.workingPath(),
                            QStringLiteral("SELECT Jumlah_Stok || '/' || Stok_Minimum FROM tstok "
                                           "WHERE rowid = 1"));
            });
    }
    for (const char *field : { "txtkode", "txtjumlah" }) {
        add("frmkeluar", field,
            [field](Env &env, const Fill &fill, const Input &in, QString &expected) {
                frmkeluar &k = openIssue(env);
                QTest::mouseClick(k.cmdtambah, Qt::LeftButton);
                fill(k.txtkode, QStringLiteral("A1"));
                fill(k.txtjumlah, QStringLiteral("4"));
                env.dialogs.answer(Button::Yes); // a question before the posting
                env.dialogs.answer(Button::No); // and the one after it
                QTest::mouseClick(k.cmdsimpan, Qt::LeftButton);
                if (QLatin1String(field) == QLatin1String("txtkode")) {
                    expected
                        = in.held == QLatin1String("A1") ? QStringLiteral("4.0/6.0") : QString();
                } else {
                    const double n = valOf(in.held);
                    expected = oneDecimal(n) + QLatin1Char('/') + oneDecimal(10 - n);
                }
                return cell(
                    env.locations.workingPath(),
                    QStringLiteral("SELECT k.Jumlah || '/' || s.Jumlah_Stok FROM tbrgkeluar "
                                   "k, tstok s WHERE k.No_Keluar = 2"));
            });
    }
    for (const char *field : { "txtklr", "txtkode", "txtjumlah" }) {
        add("frmeklr", field,
            [field](Env &env, const Fill &fill, const Input &in, QString &expected) {
                frmkeluar &k = openIssue(env);
                frmeklr &e = showAbove<frmeklr>(env.screens());
                fill(e.txtklr, QStringLiteral("1"));
                fill(e.txtkode, e.txtkode->text());
                fill(e.txtjumlah, e.txtjumlah->text());
                env.dialogs.answer(Button::No);
                QTest::mouseClick(e.cmdsimpan, Qt::LeftButton);
                Q_UNUSED(k);
                const QString f = QLatin1String(field);
                if (f == QLatin1String("txtklr"))
                    expected = plainNumber(in.held) == QLatin1String("1.0")
                        ? QStringLiteral("A1/2.0")
                        : QString();
                else if (f == QLatin1String("txtkode"))
                    expected = in.held + QStringLiteral("/2.0");
                else
                    expected = plainNumber(in.held).isNull()
                        ? QStringLiteral("<refused>")
                        : QStringLiteral("A1/") + plainNumber(in.held);
                return cell(env.locations.workingPath(),
                            QStringLiteral("SELECT Kode_Barang || '/' || Jumlah FROM tbrgkeluar "
                                           "WHERE No_Keluar = 1"));
            });
    }
    for (const char *field : { "txtuser", "txtpass" }) {
        add("frmpas", field, [](Env &env, const Fill &fill, const Input &, QString &expected) {
            frmpas &p = showAlone<frmpas>(env.screens());
            fill(p.txtuser, QStringLiteral("admin"));
            fill(p.txtpass, QStringLiteral("rahasia"));
            QTest::mouseClick(p.cmdok, Qt::LeftButton);
            expected = QString(); // a login only looks up
            return QString();
        });
    }
    for (const char *field : { "txtuser", "txtpass", "txtus2", "txtpas2" }) {
        add("frmgpas", field,
            [field](Env &env, const Fill &fill, const Input &in, QString &expected) {
                showAlone<frmutama>(env.screens());
                frmgpas &g = showAbove<frmgpas>(env.screens());
                fill(g.txtuser, QStringLiteral("admin"));
                fill(g.txtpass, QStringLiteral("rahasia"));
                if (g.txtus2->isEnabled()) {
                    fill(g.txtus2, QStringLiteral("baru"));
                    fill(g.txtpas2, QStringLiteral("sandi"));
                    QTest::mouseClick(g.cmdok, Qt::LeftButton);
                }
                const QString f = QLatin1String(field);
                const bool lookup = f == QLatin1String("txtuser") || f == QLatin1String("txtpass");
                const bool matches
                    = (f == QLatin1String("txtuser") && in.held == QLatin1String("admin"))
                    || (f == QLatin1String("txtpass") && in.held == QLatin1String("rahasia"));
                if (lookup && !matches) {
                    expected = QString();
                    return QString();
                }
                const QString user2
                    = f == QLatin1String("txtus2") ? in.held : QStringLiteral("baru");
                const QString pass2
                    = f == QLatin1String("txtpas2") ? in.held : QStringLiteral("sandi");
                expected = user2 + QStringLiteral(" / password ok");
                return storedLogin(env, pass2);
            });
    }
    for (const char *field : { "txtuser", "txtpass", "txtulang" }) {
        add("frmawal", field,
            [field](Env &env, const Fill &fill, const Input &in, QString &expected) {
                startProgram(env.app(), false);
                frmawal &a = env.screens().get<frmawal>();
                activate(&a);
                const QString f = QLatin1String(field);
                fill(a.txtuser, QStringLiteral("admin"));
                fill(a.txtpass, QStringLiteral("rahasia"));
                // The repeat follows the password under test, so that only the value is tested.
                fill(a.txtulang,
                     f == QLatin1String("txtpass") ? in.held : QStringLiteral("rahasia"));
                QTest::mouseClick(a.cmdsimpan, Qt::LeftButton);
                if (!QFile::exists(env.locations.credentialsPath())) {
                    expected = QStringLiteral("<a user>");
                    return QStringLiteral("<no file>");
                }
                const QString pass
                    = f == QLatin1String("txtuser") ? QStringLiteral("rahasia") : in.held;
                expected = (f == QLatin1String("txtuser") ? in.held : QStringLiteral("admin"))
                    + QStringLiteral(" / password ok");
                return storedLogin(env, pass);
            });
    }
    return all;
}
} // namespace

class TestFaults : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { faultvfs::install(); }
    void cleanup()
    {
        faultvfs::readOnlyMedium(false);
        faultvfs::failWrites(0);
        faultvfs::exitAtWrite(0);
    }

    void oneProgramPerDataFolder()
    {
        Env env(false);
        QString why;
        auto first = lockDataFolder(env.locations, &why);
        QVERIFY(first);
        QVERIFY(!lockDataFolder(env.locations, &why));
        QVERIFY2(why.startsWith(QStringLiteral("Gudang sudah berjalan dengan folder data ")),
                 qPrintable(why));
        QVERIFY(why.contains(QDir::toNativeSeparators(env.locations.dataDir())));
        first.reset();
        QVERIFY(lockDataFolder(env.locations, &why));
    }

    void lockOfCrashedRunIsTakenOver()
    {
        Env env(false);
        QProcess child;
        child.start(QStringLiteral(FAULT_CHILD),
                    { QStringLiteral("lock"), env.locations.dataDir() });
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitCode(), 0);
        const QString lockPath = env.locations.dataDir() + QStringLiteral("/gudang.lock");
        QVERIFY(QFile::exists(lockPath));
        QString why;
        QVERIFY2(lockDataFolder(env.locations, &why), qPrintable(why));
        QVERIFY(!QFile::exists(lockPath)); // let go again
        // Left empty or half written (a power cut before it reached the disk; a process id no
        // system gives), held by nobody: taken over too; held by a living program, whatever it
        // says, it is not.
        for (const QByteArray &text : { QByteArray(), QByteArrayLiteral("4194305\ngud") }) {
            QFile left(lockPath);
            QVERIFY(left.open(QIODevice::WriteOnly));
            left.write(text);
            left.close();
            QVERIFY2(lockDataFolder(env.locations, &why), qPrintable(why));
        }
        const auto held = lockDataFolder(env.locations, &why);
        QVERIFY(held);
        QFile(lockPath).open(QIODevice::WriteOnly); // emptied by someone: still held
        QVERIFY(!lockDataFolder(env.locations, &why));
        QVERIFY2(why.startsWith(QStringLiteral("Gudang sudah berjalan")), qPrintable(why));
    }

    void damagedFilesStopTheStart_data()
    {
        QTest::addColumn<bool>("working");
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("reason");
        for (bool working : { true, false }) {
            const char *which = working ? "working" : "credentials";
            QTest::addRow("%s: zero length", which) << working << "zero"
                                                    << "file kosong (0 byte)";
            QTest::addRow("%s: 100 bytes", which) << working << "100"
                                                  << "file terpotong";
            QTest::addRow("%s: random bytes", which) << working << "random"
                                                     << "bukan database";
            QTest::addRow("%s: last page cut", which) << working << "cut"
                                                      << "file terpotong";
            QTest::addRow("%s: page scrambled", which) << working << "scramble"
                                                       << "pemeriksaan database";
        }
    }

    void damagedFilesStopTheStart()
    {
        QFETCH(bool, working);
        QFETCH(QString, damage);
        QFETCH(QString, reason);
        Env env;
        Env::exec(env.locations.credentialsPath(),
                  QStringLiteral("INSERT INTO tpass VALUES ('u', 'p')"));
        const QByteArray sound = soundWorkingFile(400);
        for (const char *suffix : { "-wal", "-shm" })
            QFile::remove(env.locations.workingPath() + QLatin1String(suffix));
        writeBytes(env.locations.workingPath(), sound);
        const QString path
            = working ? env.locations.workingPath() : env.locations.credentialsPath();
        QByteArray bytes = bytesOf(path);
        if (damage == QLatin1String("zero")) {
            bytes.clear();
        } else if (damage == QLatin1String("100")) {
            bytes.truncate(100);
        } else if (damage == QLatin1String("random")) {
            bytes = QByteArray(8192, Qt::Uninitialized);
            for (char &c : bytes)
                c = char(QRandomGenerator::global()->bounded(256));
        } else if (damage == QLatin1String("cut")) {
            bytes.chop(4096);
        } else {
            // The last b-tree page overwritten: only the database's own check sees it.
            QVERIFY(bytes.size() >= 2 * 4096);
            for (qsizetype i = bytes.size() - 4096; i < bytes.size(); ++i)
                bytes[i] = char(0x5a);
        }
        for (const char *suffix : { "-wal", "-shm" })
            QFile::remove(path + QLatin1String(suffix));
        writeBytes(path, bytes);
        // A backup from before is named in the message.
        QDir().mkpath(backupFolder(env.locations));
        const QString kind = working ? QStringLiteral("data") : QStringLiteral("pengguna");
        const QString backup = backupFolder(env.locations)
            + QStringLiteral("/BARANG-%1-20261201-180000.db").arg(kind);
        writeBytes(backup, sound);
        const QByteArray before = bytesOf(path);

        if (startProgram(env.app(), false)) {
            // Damage only a check of every page finds: found while the login waits, before
            // anything is written; a write asked for meanwhile waits for the check and is
            // refused.
            QVERIFY(working && damage == QLatin1String("scramble"));
            QVERIFY(env.screens().isLoaded<frmpas>());
            auto goods = openRecordSource(path, QStringLiteral("tbarang"));
            const QString refused = test::failureOf([&] {
                goods->addNew();
                goods->setField(0, QStringLiteral("X1"));
                goods->update();
            });
            QVERIFY2(
                refused.startsWith(
                    QStringLiteral("File database %1 rusak: ").arg(QDir::toNativeSeparators(path))),
                qPrintable(refused));
            QTRY_VERIFY(env.screens().ended());
            QCOMPARE(env.dialogs.shown().size(), size_t(0)); // said by the refused write
            QCOMPARE(bytesOf(path), before);
            env.dialogs.message(refused, Style::Critical, QString()); // as the handler shows it
        }
        QCOMPARE(env.dialogs.shown().size(), size_t(1));
        const QString prompt = env.dialogs.last().prompt;
        QVERIFY2(
            prompt.startsWith(
                QStringLiteral("File database %1 rusak: ").arg(QDir::toNativeSeparators(path))),
            qPrintable(prompt));
        QVERIFY2(prompt.contains(reason), qPrintable(prompt));
        QVERIFY2(prompt.contains(
                     QStringLiteral("Cadangan terakhir: %1").arg(QDir::toNativeSeparators(backup))),
                 qPrintable(prompt));
        QCOMPARE(env.dialogs.last().style, int(Style::Critical));
        QVERIFY(!env.screens().isLoaded<frmpas>());
        QCOMPARE(bytesOf(path), before); // never recreated, never written
    }

    void missingWorkingDatabaseIsCreatedOnlyOnRequest()
    {
        for (Button answer : { Button::No, Button::Yes }) {
            Env env;
            Env::exec(env.locations.credentialsPath(),
                      QStringLiteral("INSERT INTO tpass VALUES ('u', 'p')"));
            for (const char *suffix : { "", "-wal", "-shm" })
                QFile::remove(env.locations.workingPath() + QLatin1String(suffix));
            env.dialogs.answer(answer);
            const bool started = startProgram(env.app(), false);
            QCOMPARE(
                env.dialogs.prompts(),
                QStringList { QStringLiteral("Database kerja %1 tidak ditemukan.\nBelum ada "
                                             "cadangan di %2.\nBuat database kerja baru yang "
                                             "kosong?")
                                  .arg(QDir::toNativeSeparators(env.locations.workingPath()),
                                       QDir::toNativeSeparators(backupFolder(env.locations))) });
            QCOMPARE(env.dialogs.last().style, int(Style::YesNo));
            QCOMPARE(started, answer == Button::Yes);
            QCOMPARE(QFile::exists(env.locations.workingPath()), answer == Button::Yes);
            QCOMPARE(env.screens().isLoaded<frmpas>(), answer == Button::Yes);
        }
    }

    // A posting that meets a busy, full or read-only database changes nothing, says why, and
    // goes through once the cause is gone.
    void postingMeetsBusyFullReadOnly_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("says");
        QTest::newRow("lock held by another connection") << "busy"
                                                         << "database sedang dipakai program lain";
        QTest::newRow("disk full") << "full"
                                   << "disk penuh";
        QTest::newRow("read-only") << "readonly"
                                   << "database hanya dapat dibaca";
    }

    void postingMeetsBusyFullReadOnly()
    {
        QFETCH(QString, cause);
        QFETCH(QString, says);
        Env env;
        seedStock(env, QStringLiteral("A1"), 10);
        const QString path = env.locations.workingPath();
        frmkeluar &k = openIssue(env);
        sqlite3 *other = nullptr;
        if (cause == QLatin1String("busy")) {
            sqlite3_open(QFile::encodeName(path).constData(), &other);
            QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        } else if (cause == QLatin1String("full")) {
            faultvfs::failWrites(SQLITE_FULL);
        } else {
            SqliteStore::open(path)->exec("PRAGMA query_only = 1");
        }
        post(k, QStringLiteral("A1"), QStringLiteral("3"));
        QCOMPARE(env.dialogs.shown().size(), size_t(1));
        QVERIFY2(env.dialogs.last().prompt.contains(says), qPrintable(env.dialogs.last().prompt));
        QCOMPARE(env.dialogs.last().style, int(Style::Critical));
        // The cause goes away; nothing was written, and the same click now posts.
        if (other) {
            sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(other);
        }
        faultvfs::failWrites(0);
        if (cause == QLatin1String("readonly"))
            SqliteStore::open(path)->exec("PRAGMA query_only = 0");
        QCOMPARE(postingState(env), QStringLiteral("0|0.0/10.0"));
        QCOMPARE(integrity(path), QStringLiteral("ok"));
        QVERIFY(env.screens().isLoaded<frmkeluar>());
        QCOMPARE(k.DataGrid1->model()->rowCount(), 0);
        sameClickPosts(env, k);
        QCOMPARE(integrity(path), QStringLiteral("ok"));
        QCOMPARE(integrity(env.locations.credentialsPath()), QStringLiteral("ok"));
    }

    // The program is ended at every write of a posting: afterwards both rows are there or
    // neither, and both files pass the full check.
    void postingKilledAtEachWrite()
    {
        Env env;
        seedStock(env, QStringLiteral("A1"), 10);
        const QString folder = env.locations.dataDir();
        const QByteArray working = bytesOf(env.locations.workingPath());
        int completedAt = 0;
        int both = 0, neither = 0;
        for (int n = 1; n < 100 && !completedAt; ++n) {
            for (const char *suffix : { "-wal", "-shm" })
                QFile::remove(env.locations.workingPath() + QLatin1String(suffix));
            writeBytes(env.locations.workingPath(), working);
            QProcess child;
            child.start(QStringLiteral(FAULT_CHILD),
                        { QStringLiteral("post"), folder, QString::number(n) });
            QVERIFY(child.waitForFinished(60000));
            if (child.exitCode() == 0)
                completedAt = n;
            else
                QVERIFY2(child.exitCode() == 70, child.readAllStandardError().constData());
            const QString state = postingState(env);
            QVERIFY2(state == QLatin1String("0|0.0/10.0") || state == QLatin1String("1|3.0/7.0"),
                     qPrintable(QStringLiteral("killed at write %1: %2").arg(n).arg(state)));
            (state.startsWith(QLatin1Char('1')) ? both : neither)++;
            QCOMPARE(integrity(env.locations.workingPath()), QStringLiteral("ok"));
            QCOMPARE(integrity(env.locations.credentialsPath()), QStringLiteral("ok"));
        }
        QVERIFY(completedAt > 2); // the posting has several writes, each one was a kill point
        QVERIFY(both > 0 && neither > 0);
        qInfo("posting killed at %d points: %d kept both rows, %d neither", completedAt - 1,
              both - 1, neither);
    }

    void backupWhileOpenRestoresTheSameData()
    {
        Env env;
        seedStock(env, QStringLiteral("A1"), 10);
        Env::exec(env.locations.credentialsPath(),
                  QStringLiteral("INSERT INTO tpass VALUES ('u', 'p')"));
        frmkeluar &k = openIssue(env);
        env.dialogs.answer(Button::Yes); // "Masih ada Input Data Lagi?"
        post(k, QStringLiteral("A1"), QStringLiteral("3"));
        const QString sql = QStringLiteral(
            "SELECT * FROM tbarang; SELECT * FROM tstok; SELECT * FROM tbrgkeluar");
        auto dump = [&] {
            QStringList all;
            for (const QString &q : sql.split(QStringLiteral("; ")))
                all << Env::query(env.locations.workingPath(), q);
            return all;
        };
        const QStringList before = dump();
        // Taken while the screens have both tables open, once a day, the last seven kept.
        const QDateTime day(QDate(2026, 12, 10), QTime(18, 0));
        const QStringList written = makeDailyBackups(env.locations, day);
        QCOMPARE(written.size(), 2);
        QVERIFY(makeDailyBackups(env.locations, day.addSecs(3600)).isEmpty());
        for (int i = 1; i <= 8; ++i)
            makeDailyBackups(env.locations, day.addDays(-i));
        QCOMPARE(QDir(backupFolder(env.locations)).entryList(QDir::Files).size(), 14);
        QCOMPARE(lastBackup(env.locations, DbRole::Working), written[0]);
        QVERIFY(!QFile::exists(backupFolder(env.locations)
                               + QStringLiteral("/BARANG-data-20261202-180000.db")));
        env.dialogs.answer(Button::Yes); // "Masih ada Input Data Lagi?"
        post(k, QStringLiteral("A1"), QStringLiteral("2"));
        QVERIFY(dump() != before);
        env.screens().end();

        // Restoring needs the folder's lock like a start does; then it is all or nothing.
        const QString target = restoreBackup(env.locations, written[0]);
        QCOMPARE(target, env.locations.workingPath());
        QCOMPARE(dump(), before);
        QVERIFY(QFile::exists(target + QStringLiteral(".sebelum-pulih")));
        QCOMPARE(integrity(target), QStringLiteral("ok"));
        QCOMPARE(restoreBackup(env.locations, written[1]), env.locations.credentialsPath());
        QCOMPARE(
            Env::query(env.locations.credentialsPath(), QStringLiteral("SELECT User FROM tpass")),
            QStringList { "u" });
    }

    // The command line restore: refused while a program holds the folder, then all at once.
    void restoreFromTheCommandLine()
    {
        Env env;
        seedStock(env, QStringLiteral("A1"), 10);
        const QString backup
            = makeDailyBackups(env.locations, QDateTime::currentDateTime()).value(0);
        QVERIFY(backup.contains(QStringLiteral("BARANG-data-")));
        Env::exec(env.locations.workingPath(), QStringLiteral("DELETE FROM tstok"));
        const QString dir = env.locations.dataDir();
        auto run = [&](QString *out) {
            QProcess p;
            p.start(QStringLiteral(GUDANG_BINARY),
                    { QStringLiteral("--data-dir"), dir, QStringLiteral("--restore"), backup });
            p.waitForFinished(60000);
            *out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
            return p.exitCode();
        };
        QString out;
        {
            QString why;
            auto held = lockDataFolder(env.locations, &why);
            QVERIFY(held);
            QCOMPARE(run(&out), 1);
            QVERIFY2(out.contains(QStringLiteral("Gudang sudah berjalan dengan folder data")),
                     qPrintable(out));
            QCOMPARE(Env::query(env.locations.workingPath(),
                                QStringLiteral("SELECT count(*) FROM tstok")),
                     QStringList { "0" });
        }
        QCOMPARE(run(&out), 0);
        QVERIFY2(out.startsWith(QStringLiteral("Cadangan %1 dipulihkan ke %2.")
                                    .arg(QDir::toNativeSeparators(backup),
                                         QDir::toNativeSeparators(env.locations.workingPath()))),
                 qPrintable(out));
        QCOMPARE(Env::query(env.locations.workingPath(), QStringLiteral("SELECT * FROM tstok")),
                 QStringList { "A1|10.0|1.0" });
    }

    void failedBackupAtTheEndIsReported()
    {
        Env env;
        writeBytes(backupFolder(env.locations), "not a folder");
        endOfRun(env.app());
        QCOMPARE(env.dialogs.prompts(),
                 QStringList { QStringLiteral("Folder cadangan %1 tidak dapat dibuat.")
                                   .arg(QDir::toNativeSeparators(backupFolder(env.locations))) });
        QCOMPARE(env.dialogs.last().style, int(Style::Critical));
    }

    void restoreRefusesUnfitFilesAndChangesNothing()
    {
        Env env;
        seedStock(env, QStringLiteral("A1"), 10);
        const QByteArray working = bytesOf(env.locations.workingPath());
        const QString folder = env.locations.dataDir();
        const QString damaged = folder + QStringLiteral("/rusak.db");
        writeBytes(damaged, soundWorkingFile(10).left(4096 + 100));
        const QString foreign = folder + QStringLiteral("/lain.db");
        sqlite3 *db = nullptr;
        sqlite3_open(QFile::encodeName(foreign).constData(), &db);
        sqlite3_exec(db, "CREATE TABLE t(x); INSERT INTO t VALUES (1)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        const QString trigger = folder + QStringLiteral("/pemicu.db");
        backupDatabase(env.locations.workingPath(), trigger);
        rawExec(trigger,
                "CREATE TRIGGER kosongkan AFTER INSERT ON tbrgkeluar BEGIN DELETE FROM "
                "tstok; END");
        for (const auto &[file, says] :
             { std::pair { trigger,
                           QStringLiteral("berisi trigger kosongkan yang tidak dibuat "
                                          "Gudang") },
               std::pair { damaged, QStringLiteral("tidak dapat dipakai: file terpotong") },
               std::pair { foreign, QStringLiteral("bukan cadangan database Gudang") },
               std::pair { folder + QStringLiteral("/tidakada.db"),
                           QStringLiteral("file tidak ditemukan") } }) {
            const QString failure = test::failureOf([&] { restoreBackup(env.locations, file); });
            QVERIFY2(failure.contains(says), qPrintable(failure));
            QCOMPARE(bytesOf(env.locations.workingPath()), working);
        }
    }

    // A sound SQLite file that is not one of ours is treated like a damaged one: named, left
    // byte-identical, and the start ends with the reason.
    void foreignFilesStopTheStart_data()
    {
        QTest::addColumn<bool>("working");
        QTest::addColumn<QString>("sql"); // run on an empty file, or on ours with "+"
        QTest::addColumn<QString>("reason");
        QTest::newRow("working: other tables") << true << "CREATE TABLE t(x)"
                                               << "tabel tbarang tidak ada";
        QTest::newRow("credentials: other tables") << false << "CREATE TABLE t(x)"
                                                   << "tabel tpass tidak ada";
        QTest::newRow("working: ours and a trigger")
            << true
            << "+CREATE TRIGGER kosongkan AFTER INSERT ON tbrgkeluar BEGIN DELETE FROM tstok; END"
            << "trigger kosongkan yang tidak dibuat Gudang";
        QTest::newRow("working: ours and a view") << true << "+CREATE VIEW v AS SELECT 1"
                                                  << "view v yang tidak dibuat Gudang";
        QTest::newRow("credentials: a column less") << false << "CREATE TABLE tpass(\"User\" TEXT)"
                                                    << "kolom tabel tpass lain (User)";
    }
    void foreignFilesStopTheStart()
    {
        QFETCH(bool, working);
        QFETCH(QString, sql);
        QFETCH(QString, reason);
        Env env;
        env.setCredentials({ { QStringLiteral("admin"), QStringLiteral("rahasia") } });
        const QString path
            = working ? env.locations.workingPath() : env.locations.credentialsPath();
        if (!sql.startsWith(QLatin1Char('+'))) {
            for (const char *suffix : { "", "-wal", "-shm" })
                QFile::remove(path + QLatin1String(suffix));
        }
        rawExec(path, sql.mid(sql.startsWith(QLatin1Char('+')) ? 1 : 0).toUtf8().constData());
        const QByteArray before = bytesOf(path);
        QVERIFY(!startProgram(env.app(), false));
        QCOMPARE(env.dialogs.shown().size(), size_t(1));
        const QString prompt = env.dialogs.last().prompt;
        QVERIFY2(prompt.startsWith(QStringLiteral("File database %1 bukan database Gudang: ")
                                       .arg(QDir::toNativeSeparators(path))),
                 qPrintable(prompt));
        QVERIFY2(prompt.contains(reason), qPrintable(prompt));
        QVERIFY(prompt.contains(QStringLiteral("File itu tidak diubah dan program berhenti.")));
        QCOMPARE(env.dialogs.last().style, int(Style::Critical));
        QVERIFY(!env.screens().isLoaded<frmpas>());
        QCOMPARE(bytesOf(path), before);
    }

    // The first run never makes its tables inside a file that is there already.
    void firstRunLeavesAForeignWorkingFileAlone()
    {
        Env env(false);
        QDir().mkpath(env.locations.workingFolder());
        rawExec(env.locations.workingPath(), "CREATE TABLE t(x)");
        const QByteArray before = bytesOf(env.locations.workingPath());
        QVERIFY(!startProgram(env.app(), false));
        QVERIFY(env.dialogs.last().prompt.contains(QStringLiteral("bukan database Gudang")));
        QVERIFY(!env.screens().isLoaded<frmawal>());
        QCOMPARE(bytesOf(env.locations.workingPath()), before);
        QVERIFY(!QFile::exists(env.locations.credentialsPath()));
        QVERIFY(!test::failureOf([&] {
                     createDatabaseFile(env.locations.workingPath(), DbRole::Working);
                 }).isEmpty());
        QCOMPARE(bytesOf(env.locations.workingPath()), before);
    }

    // Refusals at start are said on the terminal too, and the exit code says so.
    void refusalAtStartGoesToTheTerminal()
    {
        Env env;
        env.setCredentials({ { QStringLiteral("admin"), QStringLiteral("rahasia") } });
        for (const char *suffix : { "", "-wal", "-shm" })
            QFile::remove(env.locations.workingPath() + QLatin1String(suffix));
        rawExec(env.locations.workingPath(), "CREATE TABLE t(x)");
        Program prog;
        prog.start(env.locations.dataDir());
        QVERIFY2(prog.waitToSay(QStringLiteral("bukan database Gudang")), qPrintable(prog.said));
        QCOMPARE(prog.end(SIGTERM), 1); // the box is closed as the desktop ends the program
    }

    // A sound file in a folder that cannot be written is said to be so, never damaged; a stale
    // lock there is said to be stale.
    void readOnlyFolderAtStart()
    {
        Env env;
        env.setCredentials({ { QStringLiteral("admin"), QStringLiteral("rahasia") } });
        QProcess child;
        child.start(QStringLiteral(FAULT_CHILD),
                    { QStringLiteral("lock"), env.locations.dataDir() });
        QVERIFY(child.waitForFinished(30000));
        const QString working = env.locations.workingFolder();
        if (!mountReadOnly(working))
            QSKIP("this machine does not allow a read-only mount");
        const QByteArray before = bytesOf(env.locations.workingPath());
        const bool started = startProgram(env.app(), false);
        unmount(working);
        QVERIFY(!started);
        const QString prompt = env.dialogs.last().prompt;
        QVERIFY2(prompt.startsWith(QStringLiteral("File database %1 tidak dapat ditulis: folder")
                                       .arg(QDir::toNativeSeparators(env.locations.workingPath()))),
                 qPrintable(prompt));
        QVERIFY(!prompt.contains(QStringLiteral("rusak:")));
        QCOMPARE(bytesOf(env.locations.workingPath()), before);

        const QString dir = env.locations.dataDir();
        if (!mountReadOnly(dir))
            QSKIP("this machine does not allow a read-only mount");
        QString why;
        const bool locked = lockDataFolder(env.locations, &why) != nullptr;
        unmount(dir);
        QVERIFY(!locked);
        QVERIFY2(why.contains(QStringLiteral("dipegang proses yang sudah tidak berjalan")),
                 qPrintable(why));
        QVERIFY2(lockDataFolder(env.locations, &why), qPrintable(why));
    }

    // A connection opened while the disk was read-only is opened anew for the next write: the
    // same click posts once the disk is writable, without closing anything.
    void readOnlyHealsWithoutRestart()
    {
        Env env;
        seedStock(env, QStringLiteral("A1"), 10);
        faultvfs::readOnlyMedium(true);
        frmkeluar &k = openIssue(env);
        post(k, QStringLiteral("A1"), QStringLiteral("3"));
        QCOMPARE(env.dialogs.shown().size(), size_t(1));
        QVERIFY2(env.dialogs.last().prompt.contains(QStringLiteral("hanya dapat dibaca")),
                 qPrintable(env.dialogs.last().prompt));
        env.dialogs.clear();
        QTest::mouseClick(k.cmdsimpan, Qt::LeftButton); // still read-only
        QVERIFY(env.dialogs.last().prompt.contains(QStringLiteral("hanya dapat dibaca")));
        faultvfs::readOnlyMedium(false);
        QCOMPARE(postingState(env), QStringLiteral("0|0.0/10.0"));
        sameClickPosts(env, k);
    }

    // Report queries are bounded: time without a row, rows; and "Batal". (Memory is bounded by
    // the page: rows are never all kept.)
    void runawayReportQueriesStop_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("says");
        const QString endless = QStringLiteral(
            "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) SELECT x FROM c");
        QTest::newRow("no row for too long") << "SELECT count(*) AS x FROM (" + endless
                + ")" << false << "data tidak selesai dibaca dalam 1 detik; laporan dihentikan.";
        QTest::newRow("too many rows") << "SELECT x FROM (" + endless + ")" << false
                                       << "data lebih dari 5.000 baris; laporan dihentikan.";
        QTest::newRow("Batal") << "SELECT count(*) AS x FROM (" + endless + ")" << true
                               << "Laporan dibatalkan.";
    }
    void runawayReportQueriesStop()
    {
        QFETCH(QString, query);
        QFETCH(bool, cancel);
        QFETCH(QString, says);
        Env env;
        const QString file = env.locations.workingFolder() + QStringLiteral("/stok.rpt");
        const ReportDefinition def = parseReportDefinition(
            QStringLiteral("judul = X\ndata = %1\nkolom = x | X | 20 | kiri | teks\n").arg(query),
            file);
        ReportLimits limits;
        limits.secondsWithoutRow = 1;
        limits.rows = 5000;
        QElapsedTimer t;
        t.start();
        const ReportProgress progress = [&](qint64) {
            return !cancel || t.elapsed() < 200;
        };
        const QString failure = test::failureOf(
            [&] { ReportRows(def, env.locations.workingPath(), file, progress, limits); });
        QVERIFY2(failure.contains(says), qPrintable(failure));
        if (!cancel)
            QVERIFY(failure.startsWith(
                QStringLiteral("File laporan %1").arg(QDir::toNativeSeparators(file))));
        QVERIFY(t.elapsed() < 5000);
    }

    // The report screen shows how far a long report is; "Batal" stops it and the screen stays.
    void reportScreenCancels()
    {
        Env env;
        writeMissingReportDefinitions(env.locations);
        writeBytes(stockReportPath(env.locations), kEndlessReport);
        NoOutput out;
        setReportOutput(env.app(), &out);
        showAlone<frmutama>(env.screens());
        frmcetstk &c = showAbove<frmcetstk>(env.screens());
        bool clicked = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto *d = QApplication::activeModalWidget()
                ? QApplication::activeModalWidget()->findChild<QProgressDialog *>()
                : nullptr;
            if (!d)
                d = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget());
            if (d && d->isVisible() && !clicked) {
                clicked = true;
                QTest::mouseClick(d->findChild<QPushButton *>(), Qt::LeftButton);
            }
        });
        poll.start(100);
        QElapsedTimer t;
        t.start();
        QTest::mouseClick(c.cmdproses, Qt::LeftButton);
        QVERIFY(clicked);
        QVERIFY(t.elapsed() < 5000);
        QCOMPARE(env.dialogs.prompts(), QStringList { QStringLiteral("Laporan dibatalkan.") });
        QCOMPARE(out.sent, 0);
        QVERIFY(c.isVisible());
    }

    // The command line ends a runaway report with a message and a non-zero exit.
    void commandLineReportStops()
    {
        Env env;
        writeMissingReportDefinitions(env.locations);
        writeBytes(stockReportPath(env.locations), kEndlessReport);
        QProcess p;
        p.start(QStringLiteral(GUDANG_BINARY),
                { QStringLiteral("--data-dir"), env.locations.dataDir(), QStringLiteral("--report"),
                  QStringLiteral("stok"), QStringLiteral("--pdf"),
                  env.locations.dataDir() + QStringLiteral("/x.pdf") });
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        const QString said = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(said.contains(QStringLiteral("data tidak selesai dibaca dalam 10 detik")),
                 qPrintable(said));
        QVERIFY(!QFile::exists(env.locations.dataDir() + QStringLiteral("/x.pdf")));
    }

    // The data folder is the user's alone, and the desktop's end signals end the program as
    // "Keluar" does: the daily backup is made and the lock released.
    // No report or export is ever written onto a file of the data folder's own, nor onto any
    // database: refused with a message, the file as it was; from the command line as PDF, CSV
    // and XLSX, and through a link that points there.
    void exportsNeverHitTheProgramsFiles_data()
    {
        QTest::addColumn<QString>("target"); // below the data folder, or "@" for elsewhere
        QTest::addColumn<QString>("format");
        for (const char *format : { "pdf", "csv", "xlsx" }) {
            for (const char *target :
                 { "UJI 2/BARANG.db", "UJI 2/BARANG.db-wal", "UJI/BARANG.db", "UJI 2/stok.rpt",
                   "backup/BARANG-data-20261201-180000.db", "gudang.lock", "server.conf",
                   "link to BARANG.db", "@another database" })
                QTest::addRow("%s onto %s", format, target) << target << format;
        }
    }
    void exportsNeverHitTheProgramsFiles()
    {
        QFETCH(QString, target);
        QFETCH(QString, format);
        Env env;
        env.setCredentials({ { QStringLiteral("admin"), QStringLiteral("rahasia") } });
        seedStock(env, QStringLiteral("A1"), 10);
        writeMissingReportDefinitions(env.locations);
        const QString dir = env.locations.dataDir();
        QDir().mkpath(dir + QStringLiteral("/backup"));
        writeBytes(dir + QStringLiteral("/backup/BARANG-data-20261201-180000.db"),
                   bytesOf(env.locations.workingPath()));
        writeBytes(dir + QStringLiteral("/gudang.lock"), "123\n");
        writeBytes(dir + QStringLiteral("/server.conf"), "# -\n");
        rawExec(env.locations.workingPath(), "PRAGMA wal_checkpoint(PASSIVE)");
        QTemporaryDir elsewhere;
        QString path = dir + QLatin1Char('/') + target;
        if (target == QLatin1String("link to BARANG.db")) {
            path = elsewhere.filePath(QStringLiteral("laporan.%1").arg(format));
            QVERIFY(QFile::link(env.locations.workingPath(), path));
        } else if (target.startsWith(QLatin1Char('@'))) {
            path = elsewhere.filePath(QStringLiteral("lain.db"));
            writeBytes(path, bytesOf(env.locations.workingPath()));
        }
        const QByteArray before = bytesOf(path);
        QVERIFY(!before.isEmpty() || QFileInfo(path).fileName() == QLatin1String("BARANG.db-wal"));
        QProcess p;
        p.start(QStringLiteral(GUDANG_BINARY),
                { QStringLiteral("--data-dir"), dir, QStringLiteral("--report"),
                  QStringLiteral("stok"), QLatin1String("--") + format, path });
        QVERIFY(p.waitForFinished(60000));
        const QString said = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitCode(), 1);
        QVERIFY2(said.contains(QStringLiteral(" tidak ditulis: file itu ")), qPrintable(said));
        QCOMPARE(bytesOf(path), before);
        const QStringList parts = QDir(QFileInfo(path).absolutePath())
                                      .entryList({ QStringLiteral("*.sebagian*") }, QDir::Files);
        QVERIFY2(parts.isEmpty(), qPrintable(parts.join(QLatin1Char(' '))));
    }

    // A working file that cannot be read is said to be so when its version is read, not
    // passed over.
    void unreadableFileIsSaid()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("BARANG.db"));
        QVERIFY(QDir().mkpath(path)); // a folder where the file should be
        const QString why = test::failureOf([&] { upgradeDatabaseFile(path, DbRole::Working); });
        QVERIFY2(why.startsWith(QStringLiteral("Database %1 tidak dapat dibaca: ")
                                    .arg(QDir::toNativeSeparators(path))),
                 qPrintable(why));
    }

    // A text a spreadsheet would run as a formula is written to CSV as text (an apostrophe in
    // front); numbers stay numbers.
    void csvFormulaTextsStayText_data()
    {
        QTest::addColumn<QVariant>("value"); // a text or a number
        QTest::addColumn<QString>("field");
        QTest::newRow("equals") << QVariant("=1+2") << "'=1+2";
        QTest::newRow("plus") << QVariant("+62812345") << "'+62812345";
        QTest::newRow("minus") << QVariant("-5 diskon") << "'-5 diskon";
        QTest::newRow("at") << QVariant("@SUM(1+1)") << "'@SUM(1+1)";
        QTest::newRow("tab") << QVariant("\tx") << "'\tx";
        QTest::newRow("carriage return") << QVariant("\r=1") << "\"'\r=1\"";
        QTest::newRow("quoted formula") << QVariant("=A1;B1") << "\"'=A1;B1\"";
        QTest::newRow("plain text") << QVariant("Kopi 1-2") << "Kopi 1-2";
        QTest::newRow("negative number") << QVariant(-5.5) << "-5,5";
    }
    void csvFormulaTextsStayText()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, field);
        QTemporaryDir dir;
        const Value cell = value.typeId() == QMetaType::Double ? Value(value.toDouble())
                                                               : Value(value.toString());
        ExportTable table;
        table.title = QStringLiteral("uji");
        table.columns
            = { { QStringLiteral("Isi"),
                  cell.isNumber() ? ExportTable::Kind::Number : ExportTable::Kind::Text } };
        table.rows = [&](const std::function<void(const std::vector<Value> &)> &row) {
            row({ cell });
        };
        writeSpreadsheet(table, dir.filePath(QStringLiteral("uji.csv")));
        QCOMPARE(bytesOf(dir.filePath(QStringLiteral("uji.csv"))),
                 QByteArray("\xEF\xBB\xBFIsi\r\n") + field.toUtf8() + "\r\n");
    }

    // A part file is made new, never through a link: one planted where a part file would go
    // (FILE.sebagian, as an older version named it) is left alone with what it points to, and
    // the report is written where it was asked for; a part left by a kill is never taken for a
    // finished file.
    void partFilesNeverFollowALink()
    {
        Env env;
        seedStock(env, QStringLiteral("A1"), 10);
        writeMissingReportDefinitions(env.locations);
        QTemporaryDir shared;
        const QString victim = shared.filePath(QStringLiteral("milik-orang-lain.txt"));
        writeBytes(victim, "punya orang lain\n");
        for (const char *name : { "stok.csv", "stok.pdf" }) {
            const QString target = shared.filePath(QString::fromLatin1(name));
            QVERIFY(QFile::link(victim, target + QStringLiteral(".sebagian")));
            writeBytes(target + QStringLiteral(".sebagian-000001"), "sisa yang terputus");
            QProcess p;
            p.start(QStringLiteral(GUDANG_BINARY),
                    { QStringLiteral("--data-dir"), env.locations.dataDir(),
                      QStringLiteral("--report"), QStringLiteral("stok"),
                      QLatin1String("--") + QFileInfo(target).suffix(), target });
            QVERIFY(p.waitForFinished(60000));
            QCOMPARE(p.exitCode(), 0);
            QCOMPARE(bytesOf(victim), QByteArray("punya orang lain\n"));
            QVERIFY(bytesOf(target).startsWith(QFileInfo(target).suffix() == QLatin1String("pdf")
                                                   ? QByteArray("%PDF")
                                                   : QByteArray("\xEF\xBB\xBF")));
            QCOMPARE(bytesOf(target + QStringLiteral(".sebagian-000001")),
                     QByteArray("sisa yang terputus"));
        }
    }

    void privateDataAndEndSignals_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void privateDataAndEndSignals()
    {
        QFETCH(int, signal);
        Env env;
        env.setCredentials({ { QStringLiteral("admin"), QStringLiteral("rahasia") } });
        const QString dir = env.locations.dataDir();
        ::chmod(QFile::encodeName(dir).constData(), 0755);
        ::chmod(QFile::encodeName(env.locations.workingPath()).constData(), 0644);
        ::chmod(QFile::encodeName(env.locations.credentialsPath()).constData(), 0644);
        Program prog;
        prog.start(dir);
        QVERIFY2(prog.waitToSay(QStringLiteral("dipersempit")), qPrintable(prog.said));
        const QString lock = dir + QStringLiteral("/gudang.lock");
        const QString definition = env.locations.workingFolder() + QStringLiteral("/stok.rpt");
        // The report definitions are written after the folder is narrowed.
        QVERIFY(prog.waitUntil([&] { return QFile::exists(lock) && QFile::exists(definition); }));
        QCOMPARE(modeOf(dir), mode_t(0700));
        for (const QString &f :
             { env.locations.workingPath(), env.locations.credentialsPath(), lock, definition })
            QCOMPARE(modeOf(f), mode_t(0600));
        QCOMPARE(modeOf(env.locations.workingFolder()), mode_t(0700));
        QCOMPARE(prog.end(signal), 0);
        QVERIFY(!QFile::exists(lock));
        const QStringList backups
            = QDir(backupFolder(env.locations)).entryList({ QStringLiteral("*.db") }, QDir::Files);
        QCOMPARE(backups.size(), 2);
        QCOMPARE(modeOf(backupFolder(env.locations)), mode_t(0700));
        for (const QString &b : backups)
            QCOMPARE(modeOf(backupFolder(env.locations) + QLatin1Char('/') + b), mode_t(0600));
    }

    // Nothing is trusted from an earlier run: damage written into the working file by another
    // program while Gudang ran, or after it ended (the same size, its time put back), is found
    // at the next start and stops it before anything is written, whatever an earlier version
    // left as its clean-end note (a pipe, a link to an endless file).
    void damageIsFoundWheneverItCame_data()
    {
        QTest::addColumn<bool>("duringRun");
        QTest::addColumn<QString>("note");
        QTest::newRow("written while the program ran") << true << "";
        QTest::newRow("same size, after a clean end") << false << "";
        QTest::newRow("note is a pipe") << false << "fifo";
        QTest::newRow("note links to an endless file") << false << "zero";
    }
    void damageIsFoundWheneverItCame()
    {
        QFETCH(bool, duringRun);
        QFETCH(QString, note);
        Env env;
        env.setCredentials({ { QStringLiteral("admin"), QStringLiteral("rahasia") } });
        const QString dir = env.locations.dataDir();
        const QString working = env.locations.workingPath();
        for (const char *suffix : { "-wal", "-shm" })
            QFile::remove(working + QLatin1String(suffix));
        writeBytes(working, soundWorkingFile(400));
        auto damage = [&] {
            struct stat before;
            QVERIFY(::stat(QFile::encodeName(working).constData(), &before) == 0);
            QFile f(working);
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(8192);
            f.write(QByteArray(8, char(0xff)));
            f.close();
            // The file's time as it was: only its content tells.
            const struct timespec times[2] = { before.st_atim, before.st_mtim };
            ::utimensat(AT_FDCWD, QFile::encodeName(working).constData(), times, 0);
        };
        {
            Program prog;
            prog.start(dir);
            QVERIFY(prog.waitUntil([&] { return QFile::exists(dir + "/gudang.lock"); }));
            QTest::qWait(300); // the login waits
            if (duringRun)
                damage();
            QCOMPARE(prog.end(SIGTERM), 0);
        }
        if (!duringRun)
            damage();
        QVERIFY2(integrity(working) != QStringLiteral("ok"), "the damage is real");
        const QString noteFile = dir + QStringLiteral("/gudang.selesai");
        if (note == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(QFile::encodeName(noteFile).constData(), 0600), 0);
        else if (note == QLatin1String("zero"))
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), noteFile));
        const QByteArray before = bytesOf(working);
        Program prog;
        prog.start(dir);
        QVERIFY2(
            prog.waitToSay(
                QStringLiteral("File database %1 rusak: ").arg(QDir::toNativeSeparators(working))),
            qPrintable(prog.said));
        QCOMPARE(prog.end(SIGTERM), 1); // the box is closed as the desktop ends the program
        QCOMPARE(bytesOf(working), before);
    }

    // Length limits keep every character whole, and what is stored is what the field shows.
    void lengthLimitsKeepCharactersWhole_data()
    {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("kept");
        const QString letters19(19, QLatin1Char('a'));
        const QString emoji = QStringLiteral("\U0001F600");
        QTest::newRow("19 letters and an emoji") << letters19 + emoji << letters19 + emoji;
        QTest::newRow("20 letters and an emoji") << letters19 + "b" + emoji << letters19 + "b";
        QTest::newRow("19 letters, an emoji and a letter")
            << letters19 + emoji + "c" << letters19 + emoji;
        QTest::newRow("a letter with its accent at the limit")
            << letters19 + QStringLiteral("e\u0301") << letters19;
        QTest::newRow("fits") << QStringLiteral("Kopi \u00e9\U0001F600")
                              << QStringLiteral("Kopi \u00e9\U0001F600");
    }
    void lengthLimitsKeepCharactersWhole()
    {
        QFETCH(QString, pasted);
        QFETCH(QString, kept);
        Env env;
        frmbrg &b = showAlone<frmbrg>(env.screens());
        QTest::mouseClick(b.cmdtambah, Qt::LeftButton);
        QTest::keyClicks(b.txtkode, QStringLiteral("A1"));
        QTest::keyClick(b.txtkode, Qt::Key_Return);
        QApplication::clipboard()->setText(pasted);
        QTest::keyClick(b.txtnama, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(b.txtnama->text(), kept);
        for (QLineEdit *f : { b.txtnama, b.txtmerk, b.txtsup, b.txtsatuan })
            QTest::keyClick(f, Qt::Key_Return);
        env.dialogs.answer(Button::No);
        QTest::mouseClick(b.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { "Masih ada Input Data lagi ?" });
        QCOMPARE(
            cell(env.locations.workingPath(), QStringLiteral("SELECT Nama_Barang FROM tbarang")),
            kept);
    }

    // Working data without credentials: asked first, "Tidak" by default; an empty credentials
    // table is said with where the last backup is.
    void workingDataWithoutCredentials()
    {
        for (Button answer : { Button::No, Button::Yes }) {
            Env env;
            seedStock(env, QStringLiteral("A1"), 10);
            for (const char *suffix : { "", "-wal", "-shm" })
                QFile::remove(env.locations.credentialsPath() + QLatin1String(suffix));
            env.dialogs.answer(answer); // "Tidak" is the box's default (its style says so)
            const bool started = startProgram(env.app(), false);
            QCOMPARE(env.dialogs.shown().size(), size_t(1));
            const auto &box = env.dialogs.last();
            QVERIFY2(box.prompt.startsWith(
                         QStringLiteral("Data kerja ditemukan di %1, tetapi "
                                        "data pengguna %2 tidak ada.")
                             .arg(QDir::toNativeSeparators(env.locations.workingPath()),
                                  QDir::toNativeSeparators(env.locations.credentialsPath()))),
                     qPrintable(box.prompt));
            QVERIFY(box.prompt.contains(QStringLiteral("Belum ada cadangan di")));
            QCOMPARE(box.style, Style::YesNo | Style::Information | Style::DefaultSecond);
            QCOMPARE(box.title, QStringLiteral("PERHATIAN"));
            QCOMPARE(started, answer == Button::Yes);
            QCOMPARE(env.screens().isLoaded<frmawal>(), answer == Button::Yes);
            QVERIFY(!QFile::exists(env.locations.credentialsPath()));
            QVERIFY(env.dialogs.scriptUsedUp());
        }
    }

    // A long typed value is quoted only in part.
    void messagesQuoteAShortPrefix()
    {
        Env env;
        seedStock(env, QStringLiteral("A1"), 10);
        auto s = openRecordSource(env.locations.workingPath(), QStringLiteral("tstok"));
        s->moveFirst();
        const QString failure
            = test::failureOf([&] { s->setField(1, QString(1 << 20, QLatin1Char('9')) + "x"); });
        QCOMPARE(failure,
                 QStringLiteral("Isi kolom Jumlah_Stok harus berupa angka: \"%1\u2026\" "
                                "bukan angka.")
                     .arg(QString(40, QLatin1Char('9'))));
    }

    // Every data field of every screen, with what users type or paste: either a clear message
    // and no table changed, or the stored value reads back as the input stands for.
    void badInputInEveryField()
    {
        // A user, goods with stock, goods without stock yet and a goods-out row: the store
        // every case but the first run starts from, made once and copied.
        struct
        {
            QByteArray credentials, working;
        } prepared;
        {
            Env env;
            env.setCredentials({ { QStringLiteral("admin"), QStringLiteral("rahasia") } });
            seedStock(env, QStringLiteral("A1"), 10);
            Env::exec(env.locations.workingPath(),
                      QStringLiteral("INSERT INTO tbarang VALUES ('B2', 'Nama', 'M', 'S', 'pcs');"
                                     "INSERT INTO tbrgkeluar (Kode_Barang, Tanggal, Jumlah) "
                                     "VALUES ('A1', '2026-01-02 00:00:00', 2)"));
            for (auto [path, bytes] :
                 { std::pair { env.locations.credentialsPath(), &prepared.credentials },
                   std::pair { env.locations.workingPath(), &prepared.working } }) {
                const QString copy = path + QStringLiteral(".salinan");
                backupDatabase(path, copy);
                *bytes = bytesOf(copy);
            }
        }
        QStringList failures;
        int refused = 0, stored = 0;
        for (const Scenario &sc : scenarios()) {
            QStringList values = badInputs();
            values << QStringLiteral("<over>");
            for (const QString &raw : values) {
                Env env(false);
                if (sc.screen != QLatin1String("frmawal")) {
                    QDir().mkpath(env.locations.workingFolder());
                    QDir().mkpath(QFileInfo(env.locations.credentialsPath()).path());
                    writeBytes(env.locations.credentialsPath(), prepared.credentials);
                    writeBytes(env.locations.workingPath(), prepared.working);
                }
                const QString before = everything(env);
                Input in { raw, raw, QString(), false };
                // Fills a field: the one under test gets the bad value, pasted as a whole (the
                // field's own length limit applies), the others a sound one.
                Fill fill = [&](QLineEdit *field, const QString &normal) {
                    if (field->objectName() == sc.field) {
                        in.reached = true;
                        if (raw == QLatin1String("<over>"))
                            in.value = overLimit(field, 20);
                        field->setText(in.value);
                        in.held = field->text();
                    } else {
                        field->setText(normal);
                    }
                    QTest::keyClick(field, Qt::Key_Return);
                };
                QString expected;
                const QString readBack = sc.run(env, fill, in, expected);
                // A scenario scripts the questions of its stored case; a refused or looked-up
                // value ends before them.
                env.dialogs.forgetUnusedAnswers();
                const QString what
                    = QStringLiteral("%1.%2 = \"%3\"").arg(sc.screen, sc.field, shown(raw));
                if (!in.reached) {
                    failures << what + QStringLiteral(": field not reached");
                    continue;
                }
                const bool message = std::any_of(
                    env.dialogs.shown().begin(), env.dialogs.shown().end(), [](const auto &s) {
                        return ((s.style & 7) == Style::Ok || (s.style & Style::Critical) != 0)
                            && s.prompt != QLatin1String("Data Sudah Ter-update");
                    });
                const QString after = everything(env);
                if (message) {
                    ++refused;
                    if (after != before)
                        failures << what + QStringLiteral(": refused, yet the tables changed");
                } else if (expected.isNull()) {
                    ++refused; // an input that only looks something up
                    if (after != before)
                        failures << what + QStringLiteral(": a lookup changed the tables");
                } else {
                    ++stored;
                    if (readBack != expected)
                        failures << what
                                + QStringLiteral(": stored \"%1\", expected \"%2\" (%3)")
                                      .arg(shown(readBack), shown(expected),
                                           env.dialogs.prompts().join(QLatin1Char('|')));
                }
                for (const QString &file :
                     { env.locations.workingPath(), env.locations.credentialsPath() }) {
                    if (QFile::exists(file) && integrity(file) != QLatin1String("ok"))
                        failures << what + QStringLiteral(": integrity check failed");
                }
            }
        }
        qInfo("bad input: %d cases refused, %d stored and read back", refused, stored);
        if (!failures.isEmpty())
            QFAIL(qPrintable(failures.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
