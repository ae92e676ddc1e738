// Speed and memory of the paths a user takes, at 1,000, 1,000,000 and 5,000,000 goods-out rows,
// on the data folder's files and on a PostgreSQL server reached as a shop reaches it (TCP, SSL,
// a password). Every figure is set against a baseline measured in the same run: the same work
// done the plain way, or the same path at 1,000 rows. A fixed limit, where one applies, stands
// in a column of its own. Prints the table; with --doc FILE, a whole run also writes it, with
// the machine, the versions and how each measure works, into FILE.
//
//   gudang_bench [--tanpa-5m] [--doc FILE] [measure ...]
//   measures: start buka scan muat memori posting layanan nama cari kartu laporan tulis server
#include "core/locations.h"
#include "export/export.h"
#include "files/backups.h"
#include "model/gridmodel.h"
#include "model/recordsource.h"
#include "reports/engine/reportdefinition.h"
#include "reports/frmkartu.h"
#include "screens/goods/frmcari.h"
#include "screens/issue/frmkeluar.h"
#include "screens/shell/frmpas.h"
#include "screens/shell/frmutama.h"
#include "stock/stockservice.h"
#include "store/address.h"
#include "store/postgres/pgdatabase.h"
#include "store/setup.h"
#include "store/sqlite/sqlitestore.h"
#include "ui/app.h"
#include "users/credentials.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QPushButton>
#include <QSysInfo>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <netinet/in.h>
#include <spawn.h>
#include <sqlite3.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <vector>

extern char **environ;

using namespace gudang;

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point t0)
{
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

double seconds(const std::function<void()> &f)
{
    const auto t0 = Clock::now();
    f();
    return since(t0);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? NAN : v[v.size() / 2];
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? NAN : v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

std::string rowsName(int rows)
{
    return rows >= 1000000 ? std::to_string(rows / 1000000) + "M"
                           : std::to_string(rows / 1000) + "k";
}

// The order of the sizes in round `round`: each size comes first in turn, so that none is
// always measured on a cold or a warm machine.
std::vector<int> rotated(std::vector<int> sizes, int round)
{
    std::rotate(sizes.begin(), sizes.begin() + (round % int(sizes.size())), sizes.end());
    return sizes;
}

// ---------------------------------------------------------------------------------------------
// The table

enum class Unit { Seconds, Bytes, Count };

std::string fmt(double v, Unit unit)
{
    char buf[64];
    if (std::isnan(v))
        return "-";
    if (unit == Unit::Count)
        std::snprintf(buf, sizeof buf, "%.0f", v);
    else if (unit == Unit::Bytes)
        std::snprintf(buf, sizeof buf, "%.1f MiB", v / 1048576.0);
    else if (v < 1e-5)
        std::snprintf(buf, sizeof buf, "%.3f us", v * 1e6);
    else if (v < 0.001)
        std::snprintf(buf, sizeof buf, "%.1f us", v * 1e6);
    else if (v < 1)
        std::snprintf(buf, sizeof buf, "%.2f ms", v * 1e3);
    else
        std::snprintf(buf, sizeof buf, "%.2f s", v);
    return buf;
}

struct Row
{
    std::string measure; // what is measured
    std::string baselineWhat; // what the baseline is
    double ours, baseline;
    Unit unit;
    double target; // ratio ours / baseline at most
    double limit; // ours at most, where a fixed limit applies (NaN: none)
    bool holds() const
    {
        const double ratio = ours / baseline;
        return !std::isnan(ours) && (baseline > 0 ? ratio <= target : ours <= baseline)
            && (std::isnan(limit) || ours <= limit);
    }
};
std::vector<Row> table;
std::vector<std::string> failures; // measures that could not be taken, and why

void report(const std::string &measure, double ours, const std::string &baselineWhat,
            double baseline, Unit unit, double target, double limit = NAN)
{
    table.push_back({ measure, baselineWhat, ours, baseline, unit, target, limit });
    std::fprintf(stderr, "  %s: %s vs %s %s (%.2f)%s\n", measure.c_str(), fmt(ours, unit).c_str(),
                 baselineWhat.c_str(), fmt(baseline, unit).c_str(), ours / baseline,
                 table.back().holds() ? "" : "  DOES NOT HOLD");
}

void failed(const std::string &why)
{
    failures.push_back(why);
    std::fprintf(stderr, "  FAILED: %s\n", why.c_str());
}

// Figures of one path at every size, for the table of growth.
std::map<std::string, std::map<int, std::string>> growth;
std::vector<std::string> growthOrder;
void grows(const std::string &what, int rows, const std::string &figure)
{
    if (!growth.count(what))
        growthOrder.push_back(what);
    growth[what][rows] = figure;
}

// Connections to the server, counted along a session.
std::vector<std::pair<std::string, int>> connections;
QString serverVersion;

// ---------------------------------------------------------------------------------------------
// Data

const char *const kNames[]
    = { "Beras",      "Gula Pasir",  "Minyak Goreng", "Teh Celup", "Kopi Bubuk",
        "Mie Instan", "Sabun Mandi", "Susu Kental",   "Garam",     "Kecap Manis" };

// A data folder with the user admin (password x) and a working database of `rows` goods-out
// rows over 2000 goods, each with a stock.
void generate(const Locations &loc, int rows)
{
    createFirstUser(loc, QStringLiteral("admin"), QStringLiteral("x"));
    writeMissingReportDefinitions(loc);
    auto db = SqliteStore::open(loc.workingPath());
    auto t = db->begin();
    {
        Statement g(*db, "INSERT INTO tbarang VALUES (?, ?, 'Merk', 'CV Sumber', 'pcs')");
        Statement s(*db, "INSERT INTO tstok VALUES (?, 100000000, 10)");
        for (int i = 0; i < 2000; ++i) {
            const QByteArray code
                = QStringLiteral("BRG%1").arg(i, 5, 10, QLatin1Char('0')).toLatin1();
            const QByteArray name
                = QStringLiteral("%1 %2").arg(QString::fromLatin1(kNames[i % 10])).arg(i).toUtf8();
            sqlite3_bind_text(g.get(), 1, code.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(g.get(), 2, name.constData(), -1, SQLITE_TRANSIENT);
            g.step();
            g.reset();
            sqlite3_bind_text(s.get(), 1, code.constData(), -1, SQLITE_TRANSIENT);
            s.step();
            s.reset();
        }
        Statement o(*db, "INSERT INTO tbrgkeluar (Kode_Barang, Tanggal, Jumlah) VALUES (?, ?, ?)");
        const QDate start(2020, 1, 1);
        char code[16];
        for (int i = 0; i < rows; ++i) {
            std::snprintf(code, sizeof code, "BRG%05d", (i * 7919) % 2000);
            const QByteArray date = start.addDays(i / 3000)
                                        .toString(QStringLiteral("yyyy-MM-dd 00:00:00"))
                                        .toLatin1();
            sqlite3_bind_text(o.get(), 1, code, -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(o.get(), 2, date.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(o.get(), 3, 1 + i % 25);
            o.step();
            o.reset();
        }
    }
    t->commit();
}

// The journal of a stock card: `others` movements spread over the goods and the years, and in
// this month 10,000 movements of KARTU1 and 8 of KARTU2 (SQL for either store: `day` is the
// expression of a day).
QString journalSql(int others, bool server)
{
    const QString series
        = server ? QStringLiteral("generate_series(1, %1) AS n(i)") : QStringLiteral("n");
    const QString with = server ? QString()
                                : QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL "
                                                 "SELECT i + 1 FROM n WHERE i < %1) ");
    const QString code = server ? QStringLiteral("'BRG' || lpad((i % 2000)::text, 5, '0')")
                                : QStringLiteral("printf('BRG%05d', i % 2000)");
    const QString oldDay = server
        ? QStringLiteral("timestamp '2020-01-01' + (i % 2000) * interval '1 day'")
        : QStringLiteral("datetime('2020-01-01', '+' || (i % 2000) || ' days')");
    const QString thisMonth = server
        ? QStringLiteral("date_trunc('month', localtimestamp(0)) + (i % 20) * interval '1 day'")
        : QStringLiteral("datetime('now', 'localtime', 'start of month', '+' || (i % 20) || ' "
                         "days')");
    const QString now
        = server ? QStringLiteral("localtimestamp(0)") : QStringLiteral("datetime('now')");
    auto insert = [&](const QString &kode, const QString &day, int count) {
        return (with.isEmpty() ? QString() : with.arg(count))
            + QStringLiteral("INSERT INTO tmutasi (Waktu, Pengguna, Jenis, Kode_Barang, "
                             "Perubahan, Stok_Akhir, No_Keluar, Keterangan, Tanggal) SELECT %1, "
                             "'admin', CASE WHEN i % 5 = 0 THEN 'stok masuk' ELSE 'barang "
                             "keluar' END, %2, CASE WHEN i % 5 = 0 THEN 40 ELSE -1 END, 1000, "
                             "NULL, '', %3 FROM %4")
                  .arg(now, kode, day, server ? series.arg(count) : series)
            + QLatin1Char(';');
    };
    return insert(code, oldDay, others) + insert(QStringLiteral("'KARTU1'"), thisMonth, 10000)
        + insert(QStringLiteral("'KARTU2'"), thisMonth, 8)
        + QStringLiteral("INSERT INTO tbarang VALUES ('KARTU1', 'Kartu panjang', 'M', 'S', "
                         "'pcs'), ('KARTU2', 'Kartu pendek', 'M', 'S', 'pcs');");
}

// ---------------------------------------------------------------------------------------------
// A program as a user has it

// Answers as a user posting one issue after another does: "Ya" to every question but "Masih
// ada Input Data Lagi?", which gets `more`; notes when that question came. Any other box (a
// refusal, an error) is kept, and the measure it came in is not taken.
class BenchDialogs : public Dialogs
{
public:
    Button message(const QString &prompt, int style, const QString &) override
    {
        if (prompt == QLatin1String("Masih ada Input Data Lagi?")) {
            askedAt = Clock::now();
            ++asked;
            return more;
        }
        if ((style & 7) == Style::YesNo)
            return Button::Yes;
        unexpected << prompt;
        return Button::Ok;
    }
    QString input(const QString &, const QString &) override { return {}; }
    QString saveFile(const QString &, const QString &, const QStringList &) override { return {}; }

    Button more = Button::Yes;
    Clock::time_point askedAt;
    int asked = 0;
    QStringList unexpected;
};

// Notes the first paint of a widget that matches, from the moment it is made.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(std::function<bool(QWidget *)> matches)
        : m_matches(std::move(matches))
    {
        qApp->installEventFilter(this);
    }
    explicit PaintWatch(QWidget *widget)
        : PaintWatch([widget](QWidget *w) { return w == widget || widget->isAncestorOf(w); })
    { }
    ~PaintWatch() override { qApp->removeEventFilter(this); }
    // Processes events until the paint came; the moment it came.
    Clock::time_point wait()
    {
        const auto t0 = Clock::now();
        while (!m_painted && since(t0) < 120)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return m_at;
    }

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (!m_painted && e->type() == QEvent::Paint && o->isWidgetType()
            && m_matches(static_cast<QWidget *>(o))) {
            m_painted = true;
            m_at = Clock::now();
        }
        return false;
    }

private:
    std::function<bool(QWidget *)> m_matches;
    bool m_painted = false;
    Clock::time_point m_at;
};

// A widget of the grid `grid` of the window `window` (its view port, its cells).
std::function<bool(QWidget *)> inGrid(const char *window, const char *grid)
{
    return [window, grid](QWidget *w) {
        for (QWidget *p = w; p; p = p->parentWidget()) {
            if (p->objectName() == QLatin1String(grid))
                return w->window()->objectName() == QLatin1String(window);
        }
        return false;
    };
}

// Lets events run for a while, as the moment between two actions of a person.
void pause(double s)
{
    const auto t0 = Clock::now();
    while (since(t0) < s)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The program as a shop runs it: started on a data folder or a server, the user logged in at
// the login window, the main menu on the screen.
class Session
{
public:
    explicit Session(const Locations &loc)
        : app(loc, dialogs)
    {
        ScreenManager &s = app.screens();
        frmpas &login = s.get<frmpas>();
        s.showStart(login);
        login.txtuser->setText(QStringLiteral("admin"));
        login.txtpass->setText(QStringLiteral("x"));
        PaintWatch painted([](QWidget *w) { return w->objectName() == QLatin1String("frmutama"); });
        login.cmdok->click();
        painted.wait();
        pause(0.2); // the hand going to the keys
    }
    ~Session()
    {
        app.screens().end();
        QCoreApplication::processEvents();
    }
    frmutama &menu() { return *app.screens().find<frmutama>(); }
    frmkeluar *issue() { return app.screens().find<frmkeluar>(); }

    BenchDialogs dialogs;
    App app;
};

// The main menu as the window the user works in (before the clock starts).
void menuActive(Session &s)
{
    QWidget *menu = &s.menu();
    menu->activateWindow();
    QApplication::setActiveWindow(menu);
    if (!QTest::qWaitForWindowActive(menu))
        qFatal("the main menu did not become the active window");
}

// Ctrl+D pressed on the main menu, as the user presses it (the program sees the key).
void ctrlD(Session &s)
{
    QTest::keyClick(&s.menu(), Qt::Key_D, Qt::ControlModifier);
    if (!s.issue())
        qFatal("Ctrl+D did not open the goods-out screen");
}

// The goods-out screen opened by its menu entry, untimed: where two programs share this process
// (and so one shortcut map, where their Ctrl+D stand in each other's way).
void openBeside(Session &s)
{
    s.menu().zx->trigger();
    if (!s.issue())
        qFatal("the goods-out screen did not open");
}

// Ctrl+D on the main menu: seconds to the first paint of the goods-out grid.
double openIssue(Session &s)
{
    PaintWatch painted(inGrid("frmkeluar", "DataGrid1"));
    menuActive(s);
    const auto t0 = Clock::now();
    ctrlD(s);
    return std::chrono::duration<double>(painted.wait() - t0).count();
}

// Keys into the window's focus widget, each handled before the next comes, as a barcode
// scanner sends them.
void keys(QWidget *window, const QString &text)
{
    for (QChar c : text) {
        QTest::keyClick(window->focusWidget(), c.toLatin1());
        QCoreApplication::processEvents();
    }
    QTest::keyClick(window->focusWidget(), Qt::Key_Return);
    QCoreApplication::processEvents();
}

// Ctrl+D, then a posting as a scanner and a clerk make it: "Tambah", the code scanned (its
// keys and Enter within a few milliseconds), a click into the quantity, the quantity and
// Enter, Enter on "Simpan"; seconds from Ctrl+D to the question that the posting was made. NaN when
// no question came.
double scanPosting(Session &s, const QString &code)
{
    s.dialogs.more = Button::No; // the screen closes
    const int asked = s.dialogs.asked;
    menuActive(s);
    const auto t0 = Clock::now();
    ctrlD(s);
    frmkeluar *k = s.issue();
    QTest::mouseClick(k->cmdtambah, Qt::LeftButton);
    keys(k, code);
    QTest::mouseClick(k->txtjumlah, Qt::LeftButton); // the day stays today's
    keys(k, QStringLiteral("1"));
    QTest::keyClick(k->focusWidget(), Qt::Key_Return); // on "Simpan"
    if (s.dialogs.asked != asked + 1 || !s.dialogs.unexpected.isEmpty())
        return NAN;
    return std::chrono::duration<double>(s.dialogs.askedAt - t0).count();
}

// A posting on the goods-out screen as a user makes it (code, Enter, quantity, Enter,
// "Simpan", "Ya" to go on): seconds from the click to the next paint of `painted`.
double postToPaint(Session &s, QWidget *painted, const QString &code)
{
    frmkeluar &k = *s.issue();
    s.dialogs.more = Button::Yes;
    if (k.cmdtambah->isEnabled())
        k.cmdtambah->click();
    k.txtkode->setText(code);
    QTest::keyClick(k.txtkode, Qt::Key_Return);
    k.txtjumlah->setText(QStringLiteral("1"));
    QTest::keyClick(k.txtjumlah, Qt::Key_Return);
    QCoreApplication::processEvents();
    PaintWatch watch(painted);
    const auto t0 = Clock::now();
    const int asked = s.dialogs.asked;
    k.cmdsimpan->click();
    const double t = std::chrono::duration<double>(watch.wait() - t0).count();
    return s.dialogs.asked == asked + 1 && s.dialogs.unexpected.isEmpty() ? t : NAN;
}

bool allNumbers(const std::vector<double> &v)
{
    return std::none_of(v.begin(), v.end(), [](double x) { return std::isnan(x); });
}

QString goodsCode(int i)
{
    return QStringLiteral("BRG%1").arg(i % 2000, 5, 10, QLatin1Char('0'));
}

// ---------------------------------------------------------------------------------------------
// Baselines: the same work the plain way

// Reads every cell of a table into memory as the program's snapshot does, through the bare C
// API on a connection without SQLite's per-call mutex, the plain way: the row id and numbers as
// their 8 bytes, texts as their bytes, all appended to one growing buffer with each row's
// offset kept. Run on a thread of its own at the lowest priority, as the program's reader
// runs. Returns a sum of what was kept, so that nothing is left out.
double fairRead(const QString &path, const char *table)
{
    double sum = 0;
    std::thread reader([&] {
        ::setpriority(PRIO_PROCESS, ::gettid(), 19);
        sqlite3 *db = nullptr;
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, (std::string("SELECT rowid, * FROM ") + table).c_str(), -1, &st,
                           nullptr);
        std::string kept;
        std::vector<uint32_t> rows;
        const int n = sqlite3_column_count(st);
        const auto keep = [&kept](const void *p, size_t size) {
            kept.append(static_cast<const char *>(p), size);
        };
        while (sqlite3_step(st) == SQLITE_ROW) {
            rows.push_back(uint32_t(kept.size()));
            const sqlite3_int64 id = sqlite3_column_int64(st, 0);
            keep(&id, sizeof id);
            for (int c = 1; c < n; ++c) {
                switch (sqlite3_column_type(st, c)) {
                case SQLITE_FLOAT:
                case SQLITE_INTEGER: {
                    const double v = sqlite3_column_double(st, c);
                    keep(&v, sizeof v);
                    break;
                }
                case SQLITE_TEXT:
                    keep(sqlite3_column_text(st, c), size_t(sqlite3_column_bytes(st, c)));
                    break;
                default:
                    kept.push_back('\0');
                    break;
                }
            }
        }
        sqlite3_finalize(st);
        sqlite3_close(db);
        sum = double(kept.size()) + double(rows.size()) + double(kept.empty() ? 0 : kept[0]);
    });
    reader.join();
    return sum;
}

// A posting written by hand, the way a plain program would write it: one connection with the
// program's settings (write-ahead log, full sync), prepared statements, in one transaction:
// the stock read, the goods-out row added, the stock lowered, a journal row, and its value
// (the code's value read, the value row, the value now, the day's balance).
class PlainPosting
{
public:
    explicit PlainPosting(const QString &path)
    {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_busy_timeout(m_db, 2000);
        sqlite3_exec(m_db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL", nullptr, nullptr,
                     nullptr);
        for (const char *sql :
             { "BEGIN IMMEDIATE", "SELECT Jumlah_Stok FROM tstok WHERE Kode_Barang = ?1",
               "INSERT INTO tbrgkeluar (Kode_Barang, Tanggal, Jumlah) VALUES (?1, ?2, ?3)",
               "UPDATE tstok SET Jumlah_Stok = ?2 WHERE Kode_Barang = ?1",
               "INSERT INTO tmutasi (Waktu, Pengguna, Jenis, Kode_Barang, Perubahan, Stok_Akhir, "
               "No_Keluar, Keterangan, Tanggal) VALUES (?2, 'admin', 'barang keluar', ?1, -?3, "
               "?4, ?5, '', ?2)",
               "SELECT Nilai, Rata FROM tnilai WHERE Kode_Barang = ?1",
               "INSERT INTO tnilaimutasi (No_Mutasi, Kode_Barang, Tanggal, Jumlah, Nilai, "
               "Nilai_Akhir, Rata_Awal, Rata_Akhir) VALUES (?1, ?2, ?3, -1, ?4, ?5, ?6, ?6)",
               "INSERT INTO tnilai (Kode_Barang, Nilai, Rata) VALUES (?1, ?2, ?3) ON "
               "CONFLICT(Kode_Barang) DO UPDATE SET Nilai = excluded.Nilai",
               "INSERT OR IGNORE INTO tsaldo (Kunci, Kode_Barang, Tanggal, Jumlah, Nilai) VALUES "
               "(?1 || '|' || substr(?2, 1, 10), ?1, ?2, 0, 0)",
               "UPDATE tsaldo SET Jumlah = Jumlah - 1, Nilai = Nilai + ?3 WHERE Kode_Barang = ?1 "
               "AND Tanggal >= ?2",
               "COMMIT" }) {
            sqlite3_stmt *st = nullptr;
            sqlite3_prepare_v2(m_db, sql, -1, &st, nullptr);
            m_st.push_back(st);
        }
    }
    ~PlainPosting()
    {
        for (sqlite3_stmt *st : m_st)
            sqlite3_finalize(st);
        sqlite3_close(m_db);
    }
    bool post(const QByteArray &code)
    {
        const QByteArray now = QDateTime::currentDateTime()
                                   .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                   .toLatin1();
        bool ok = run(0);
        sqlite3_bind_text(m_st[1], 1, code.constData(), -1, SQLITE_STATIC);
        ok = ok && sqlite3_step(m_st[1]) == SQLITE_ROW;
        const double stock = sqlite3_column_double(m_st[1], 0);
        sqlite3_reset(m_st[1]);
        sqlite3_bind_text(m_st[2], 1, code.constData(), -1, SQLITE_STATIC);
        sqlite3_bind_text(m_st[2], 2, now.constData(), -1, SQLITE_STATIC);
        sqlite3_bind_double(m_st[2], 3, 1);
        ok = ok && run(2);
        const sqlite3_int64 number = sqlite3_last_insert_rowid(m_db);
        sqlite3_bind_text(m_st[3], 1, code.constData(), -1, SQLITE_STATIC);
        sqlite3_bind_double(m_st[3], 2, stock - 1);
        ok = ok && run(3);
        sqlite3_bind_text(m_st[4], 1, code.constData(), -1, SQLITE_STATIC);
        sqlite3_bind_text(m_st[4], 2, now.constData(), -1, SQLITE_STATIC);
        sqlite3_bind_double(m_st[4], 3, 1);
        sqlite3_bind_double(m_st[4], 4, stock - 1);
        sqlite3_bind_int64(m_st[4], 5, number);
        ok = ok && run(4);
        const sqlite3_int64 journal = sqlite3_last_insert_rowid(m_db);
        const QByteArray day = now.left(10) + " 00:00:00";
        sqlite3_bind_text(m_st[5], 1, code.constData(), -1, SQLITE_STATIC);
        double value = 0, average = 0;
        if (sqlite3_step(m_st[5]) == SQLITE_ROW) {
            value = sqlite3_column_double(m_st[5], 0);
            average = sqlite3_column_double(m_st[5], 1);
        }
        sqlite3_reset(m_st[5]);
        const double moved = stock > 1 ? -std::floor(value / stock + 0.5) : -value;
        sqlite3_bind_int64(m_st[6], 1, journal);
        sqlite3_bind_text(m_st[6], 2, code.constData(), -1, SQLITE_STATIC);
        sqlite3_bind_text(m_st[6], 3, day.constData(), -1, SQLITE_STATIC);
        sqlite3_bind_double(m_st[6], 4, moved);
        sqlite3_bind_double(m_st[6], 5, value + moved);
        sqlite3_bind_double(m_st[6], 6, average);
        ok = ok && run(6);
        sqlite3_bind_text(m_st[7], 1, code.constData(), -1, SQLITE_STATIC);
        sqlite3_bind_double(m_st[7], 2, value + moved);
        sqlite3_bind_double(m_st[7], 3, average);
        ok = ok && run(7);
        for (size_t i : { size_t(8), size_t(9) }) {
            sqlite3_bind_text(m_st[i], 1, code.constData(), -1, SQLITE_STATIC);
            sqlite3_bind_text(m_st[i], 2, day.constData(), -1, SQLITE_STATIC);
        }
        ok = ok && run(8);
        sqlite3_bind_double(m_st[9], 3, moved);
        ok = ok && run(9);
        return run(10) && ok;
    }

private:
    bool run(size_t i)
    {
        const int rc = sqlite3_step(m_st[i]);
        sqlite3_reset(m_st[i]);
        return rc == SQLITE_DONE || rc == SQLITE_ROW;
    }
    sqlite3 *m_db = nullptr;
    std::vector<sqlite3_stmt *> m_st;
};

// ---------------------------------------------------------------------------------------------
// Child processes

struct ChildRun
{
    double seconds = 0;
    double peakBytes = 0;
    int status = -1;
};

// Runs a child to its end: its time, and its peak resident memory, read from its own status
// while it runs (the usage of a spawned child starts from the parent's, so it cannot say).
ChildRun runChild(const QStringList &arguments)
{
    std::vector<QByteArray> args;
    for (const QString &a : arguments)
        args.push_back(QFile::encodeName(a));
    std::vector<char *> argv;
    for (QByteArray &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    ChildRun run;
    const auto t0 = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return run;
    const QString status = QStringLiteral("/proc/%1/status").arg(pid);
    qint64 peakKiB = 0;
    int code = 0;
    for (;;) {
        QFile f(status);
        if (f.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : f.readAll().split('\n'))
                if (line.startsWith("VmHWM:"))
                    peakKiB
                        = std::max(peakKiB, line.mid(6).trimmed().split(' ').value(0).toLongLong());
        }
        if (waitpid(pid, &code, WNOHANG) == pid)
            break;
        ::usleep(5000);
    }
    run.seconds = since(t0);
    run.peakBytes = double(peakKiB) * 1024.0;
    run.status = code;
    return run;
}

// Seconds from starting the program to its saying "dilukis" (its first painted window); the
// program then ends on its own, and is waited for outside the time.
double timeToPaint(const QString &program, const QStringList &args)
{
    QProcess p;
    const auto t0 = Clock::now();
    p.start(program, args);
    double t = NAN;
    QByteArray out;
    while (p.waitForReadyRead(60000)) {
        out += p.readAllStandardOutput();
        if (out.contains("dilukis")) {
            t = since(t0);
            break;
        }
    }
    p.waitForFinished(600000);
    return t;
}

// Child: opens a record source on the table and waits for all of it; prints the rows, the
// peak and the settled resident memory in KiB.
int childLoad(const QString &path)
{
    auto s = openRecordSource(path, QStringLiteral("tbrgkeluar"));
    const int rows = s->recordCount();
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    qint64 peak = 0, now = 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            peak = line.mid(6).trimmed().split(' ').value(0).toLongLong();
        if (line.startsWith("VmRSS:"))
            now = line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    std::printf("%d %lld %lld\n", rows, peak, now);
    return 0;
}

// Child, the baseline of the report: the goods-out rows in the report's order drawn straight
// onto a QPdfWriter, the same texts at the same places, 50 rows a page.
int childBarePdf(const QString &path, const QString &pdfPath)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT k.No_Keluar, k.Tanggal, k.Kode_Barang, b.Nama_Barang, k.Jumlah, "
                       "b.Satuan FROM tbrgkeluar k LEFT JOIN tbarang b ON b.Kode_Barang = "
                       "k.Kode_Barang ORDER BY k.Tanggal, k.No_Keluar",
                       -1, &st, nullptr);
    QPdfWriter w(pdfPath);
    w.setResolution(600);
    w.setPageSize(QPageSize(QPageSize::A4));
    QPainter p(&w);
    p.scale(600 / 72.0, 600 / 72.0);
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(9);
    p.setFont(f);
    const double x[] = { 42, 88, 156, 230, 377, 439 };
    int row = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        if (row == 50) {
            w.newPage();
            row = 0;
        }
        if (row == 0)
            p.drawText(QPointF(42, 50), QStringLiteral("LAPORAN BARANG KELUAR"));
        const double y = 100 + row * 14;
        for (int c = 0; c < 6; ++c)
            p.drawText(
                QPointF(x[c], y),
                QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c))));
        ++row;
    }
    p.end();
    sqlite3_finalize(st);
    sqlite3_close(db);
    return 0;
}

// Child workstation of the server bench: opens the goods-out and stock tables on the server,
// says "siap", waits for a line on standard input, makes `n` postings through the posting
// service the goods-out screen's "Simpan" calls, and says "selesai".
int childPost(const QString &conninfo, int n, int seed)
{
    auto out = openRecordSource(serverAddress(conninfo), QStringLiteral("tbrgkeluar"));
    auto stock = openRecordSource(serverAddress(conninfo), QStringLiteral("tstok"));
    out->recordCount(); // the whole table loaded, as a screen in use has it
    stock->recordCount();
    std::printf("siap\n");
    std::fflush(stdout);
    char line[16];
    if (!std::fgets(line, sizeof line, stdin))
        return 1;
    StockService service(serverAddress(conninfo), QStringLiteral("kasir"));
    for (int i = 0; i < n; ++i) {
        const QString code = goodsCode(seed * 7919 + i * 31);
        stock->moveFirst();
        stock->find(QStringLiteral("Kode_Barang"), code);
        const PostingResult r = service.post(
            *out, *stock, { code, QDateTime::currentDateTime(), QStringLiteral("1"), 1, {} });
        if (r.outcome != PostingResult::Done)
            return 1;
    }
    std::printf("selesai\n");
    std::fflush(stdout);
    return 0;
}

// Runs a command to its end; its standard output, or empty when it failed.
QByteArray run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(-1);
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     p.readAllStandardError().constData());
        return {};
    }
    return p.readAllStandardOutput();
}

QString sql(const QString &conninfo, const QString &statement)
{
    return QString::fromUtf8(
               run(QStringLiteral("psql"), { conninfo, QStringLiteral("-tAc"), statement }))
        .trimmed();
}

// A free TCP port on 127.0.0.1.
int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &size);
    ::close(fd);
    return ntohs(a.sin_port);
}

// ---------------------------------------------------------------------------------------------
// The measures

struct Bench
{
    QString self;
    QTemporaryDir dir { QDir::tempPath() + QStringLiteral("/gudang bench-XXXXXX") };
    std::vector<int> sizes;
    std::map<int, Locations> folders;
    QStringList only;

    bool wanted(const char *n) const { return only.isEmpty() || only.contains(QLatin1String(n)); }
    int largest() const { return sizes.back(); }
    const Locations &at(int rows) const { return folders.at(rows); }

    void start();
    void open();
    void importing();
    void scan(const std::map<int, Locations> &where, const std::string &store);
    void load();
    void memory();
    void posting();
    void service();
    void byName();
    void find();
    void card(const Locations &loc, const std::string &store);
    void reportPdf();
    void log();
    void server();
};

// Start: the real program on a populated data folder (folder lock, checks, login window), to
// its first painted login window, against a bare Qt window with a table view, in turns.
void Bench::start()
{
    for (int rows : sizes)
        timeToPaint(QStringLiteral(START_APP),
                    { QStringLiteral("--data-dir"), at(rows).dataDir() });
    ::sync();
    std::map<int, std::vector<double>> ours, bare;
    for (int round = 0; round < 21; ++round) {
        for (int rows : rotated(sizes, round)) {
            ours[rows].push_back(timeToPaint(QStringLiteral(START_APP),
                                             { QStringLiteral("--data-dir"), at(rows).dataDir() }));
            bare[rows].push_back(
                timeToPaint(QStringLiteral(START_BARE), { at(rows).credentialsPath() }));
        }
    }
    for (int rows : sizes) {
        report("start to painted login, " + rowsName(rows) + " rows, median of 21",
               median(ours[rows]),
               "the same login window the plain way (Qt widgets, the user table read with the C "
               "API)",
               median(bare[rows]), Unit::Seconds, 1.3);
        grows("start to painted login", rows, fmt(median(ours[rows]), Unit::Seconds));
    }
}

// Open: logged in, Ctrl+D, to the first paint of the goods-out grid; a new program each
// round, the sizes in turns.
void Bench::open()
{
    std::map<int, std::vector<double>> t;
    for (int round = 0; round < 7; ++round) {
        for (int rows : rotated(sizes, round)) {
            Session s(at(rows));
            t[rows].push_back(openIssue(s));
        }
    }
    for (int rows : sizes) {
        grows("Ctrl+D to painted goods-out grid", rows, fmt(median(t[rows]), Unit::Seconds));
        if (rows > 1000)
            report("Ctrl+D to painted goods-out grid, " + rowsName(rows) + " rows, median of 7",
                   median(t[rows]), "the same at 1k rows", median(t[1000]), Unit::Seconds, 1.5);
    }
}

// Ctrl+D, then at once a posting at scanner speed, to its question box; a new program each
// round, the sizes in turns.
void Bench::scan(const std::map<int, Locations> &where, const std::string &store)
{
    std::map<int, std::vector<double>> t;
    int n = 0;
    for (int round = 0; round < 9; ++round) {
        std::vector<int> order;
        for (const auto &w : where)
            order.push_back(w.first);
        for (int rows : rotated(order, round)) {
            PgDatabase::closeKept(); // a program started afresh
            Session s(where.at(rows));
            t[rows].push_back(scanPosting(s, goodsCode(++n * 13)));
            if (!s.dialogs.unexpected.isEmpty())
                failed(store + " scan posting: " + s.dialogs.unexpected.join(" | ").toStdString());
        }
    }
    for (const auto &[rows, v] : t) {
        if (!allNumbers(v)) {
            failed(store + ": a scanned posting at " + rowsName(rows) + " rows got no question");
            continue;
        }
        grows(store + ": Ctrl+D and a scanned posting to its question", rows,
              fmt(median(v), Unit::Seconds));
        if (rows > 1000)
            report(store + ": Ctrl+D, then a posting at scanner speed to its question box, "
                       + rowsName(rows) + " rows, median of 9",
                   median(v), "the same at 1k rows", median(t[1000]), Unit::Seconds, 1.5);
    }
}

// Load: the whole snapshot, against the fair loop, in turns, best of 3.
void Bench::load()
{
    for (int rows : sizes) {
        if (rows <= 1000)
            continue;
        const QString path = at(rows).workingPath();
        double ours = 1e30, bare = 1e30;
        for (int i = 0; i < 3; ++i) {
            bare = std::min(bare, seconds([&] { fairRead(path, "tbrgkeluar"); }));
            ours = std::min(ours, seconds([&] {
                                auto s = openRecordSource(path, QStringLiteral("tbrgkeluar"));
                                s->recordCount();
                            }));
        }
        report("whole goods-out table read into its snapshot, " + rowsName(rows)
                   + " rows, best of 3",
               ours,
               "bare C API loop keeping each cell in one buffer, on a thread at the reader's "
               "priority",
               bare, Unit::Seconds, 1.3);
        grows("whole goods-out table read (in the background)", rows, fmt(ours, Unit::Seconds));
    }
}

// Memory: the process's peak while loading against its memory once loaded.
void Bench::memory()
{
    for (int rows : sizes) {
        QProcess p;
        p.start(self, { QStringLiteral("--child-load"), at(rows).workingPath() });
        p.waitForFinished(600000);
        const QList<QByteArray> f = p.readAllStandardOutput().trimmed().split(' ');
        const double peak = f.value(1).toDouble() * 1024, settled = f.value(2).toDouble() * 1024;
        grows("process memory, goods-out table read whole", rows, fmt(settled, Unit::Bytes));
        if (rows > 1000)
            report("process peak memory while reading the goods-out table, " + rowsName(rows)
                       + " rows",
                   peak, "its memory once the table is read", settled, Unit::Bytes, 1.3);
    }
}

// Posting with the grids, to the paint that follows, against the same screen without grids to
// its paint: two programs on the same folder posting in turns.
void Bench::posting()
{
    for (int rows : sizes) {
        if (rows <= 1000)
            continue;
        Session with(at(rows)), without(at(rows));
        openBeside(with);
        openBeside(without);
        frmkeluar *a = with.issue(), *b = without.issue();
        for (frmkeluar *k : { a, b })
            k->adodc1->recordCount(); // the list read, as after a moment on the screen
        for (QTableView *grid : { b->DataGrid1, b->DataGrid2, b->DataGrid3 }) {
            auto *model = qobject_cast<GridModel *>(grid->model());
            QObject::disconnect(model->source(), nullptr, grid, nullptr);
            QObject::disconnect(model->source(), nullptr, model, nullptr);
            grid->setModel(nullptr);
            delete model;
            grid->hide();
        }
        QCoreApplication::processEvents();
        std::vector<double> withGrid, withoutGrid;
        for (int i = 0; i < 301; ++i) {
            withGrid.push_back(postToPaint(with, a->DataGrid1, goodsCode(i)));
            withoutGrid.push_back(postToPaint(without, b, goodsCode(i)));
        }
        if (!allNumbers(withGrid) || !allNumbers(withoutGrid)) {
            failed("a posting on the goods-out screen was not made");
            continue;
        }
        report("posting on the goods-out screen to the paint that follows, " + rowsName(rows)
                   + " rows, median of 301",
               median(withGrid), "the same screen without its grids", median(withoutGrid),
               Unit::Seconds, 1.5);
        grows("posting on the screen, to its paint", rows, fmt(median(withGrid), Unit::Seconds));
    }
}

// The posting service the screen calls (the stock row read and held, the goods-out row, the
// stock lowered, the journal row, one transaction), against the same SQL written by hand, in
// turns on the same database.
void Bench::service()
{
    const Locations &loc = at(largest());
    auto out = openRecordSource(loc.workingPath(), QStringLiteral("tbrgkeluar"));
    auto stock = openRecordSource(loc.workingPath(), QStringLiteral("tstok"));
    out->recordCount();
    StockService posting(loc.workingPath(), QStringLiteral("admin"));
    PlainPosting plain(loc.workingPath());
    std::vector<double> ours, bare;
    bool ok = true;
    for (int i = 0; i < 501 && ok; ++i) {
        const QString code = goodsCode(i * 7);
        ours.push_back(seconds([&] {
            stock->moveFirst();
            stock->find(QStringLiteral("Kode_Barang"), code);
            ok = posting
                     .post(*out, *stock,
                           { code, QDateTime::currentDateTime(), QStringLiteral("1"), 1, {} })
                     .outcome
                == PostingResult::Done;
        }));
        bare.push_back(seconds([&] { ok = ok && plain.post(goodsCode(i * 7 + 1).toLatin1()); }));
    }
    if (!ok) {
        failed("a posting through the service or by hand was not made");
        return;
    }
    const std::string at = rowsName(largest()) + " rows";
    report("posting through the posting service, " + at + ", median of 501", median(ours),
           "the same SQL by hand (C API, prepared, one transaction)", median(bare), Unit::Seconds,
           1.5);
    report("posting through the posting service, " + at + ", 99th percentile",
           percentile(ours, 0.99), "the same SQL by hand", percentile(bare, 0.99), Unit::Seconds,
           3.0);
}

// Find by name: the goods search window over a million goods; what a user types, against
// SQLite's own scan of the names on one connection; the first search, which folds every code
// and name, against the first scan on a new connection.
void Bench::byName()
{
    const Locations goods(dir.path() + QStringLiteral("/goods1m"));
    createFirstUser(goods, QStringLiteral("admin"), QStringLiteral("x"));
    {
        auto db = SqliteStore::open(goods.workingPath());
        db->exec("BEGIN; WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE "
                 "i < 999999) INSERT INTO tbarang SELECT printf('G%07d', i), printf('Barang "
                 "%d %s', i, CASE i % 4 WHEN 0 THEN 'Kopi' WHEN 1 THEN 'Gula' WHEN 2 THEN "
                 "'Teh' ELSE 'Sabun' END), 'Merk', 'CV', 'pcs' FROM n; COMMIT;");
    }
    sqlite3 *db = nullptr;
    sqlite3_stmt *like = nullptr;
    auto scan = [&](const QString &typed) {
        const QByteArray pattern = '%' + typed.toUtf8() + '%';
        std::vector<sqlite3_int64> rows;
        sqlite3_bind_text(like, 1, pattern.constData(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(like) == SQLITE_ROW)
            rows.push_back(sqlite3_column_int64(like, 0));
        sqlite3_reset(like);
        return rows.size();
    };
    auto connect = [&] {
        sqlite3_open_v2(QFile::encodeName(goods.workingPath()).constData(), &db,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
        sqlite3_prepare_v2(db,
                           "SELECT rowid FROM tbarang WHERE Kode_Barang LIKE ?1 OR Nama_Barang "
                           "LIKE ?1",
                           -1, &like, nullptr);
    };
    auto disconnect = [&] {
        sqlite3_finalize(like);
        sqlite3_close(db);
    };
    std::vector<double> firstOurs, firstBare;
    for (int round = 0; round < 3; ++round) {
        BenchDialogs dialogs;
        App app(goods, dialogs);
        frmcari &search = app.screens().get<frmcari>();
        search.Adodc1->recordCount(); // read while the window waited for the first key
        firstOurs.push_back(seconds([&] { search.txtcari->setText(QStringLiteral("k")); }));
        connect();
        firstBare.push_back(seconds([&] { scan(QStringLiteral("k")); }));
        disconnect();
        app.screens().end();
    }
    report("find by name, the first search (every code and name folded), 1M goods, median of 3",
           median(firstOurs), "the first SQLite LIKE scan on a new connection", median(firstBare),
           Unit::Seconds, 1.0);
    BenchDialogs dialogs;
    App app(goods, dialogs);
    frmcari &search = app.screens().get<frmcari>();
    search.txtcari->setText(QStringLiteral("k"));
    connect();
    std::vector<double> ours, bare;
    for (int i = 0; i < 3; ++i) {
        for (const char *typed : { "ko", "kop", "kopi", "99", "999", "gula 1", "sab", "x" }) {
            const QString t = QString::fromLatin1(typed);
            ours.push_back(seconds([&] { search.txtcari->setText(t); }));
            bare.push_back(seconds([&] { scan(t); }));
        }
    }
    disconnect();
    app.screens().end();
    report("find by name as typed (list and count shown), 1M goods, median of 24", median(ours),
           "SQLite LIKE scan of code and name, one connection", median(bare), Unit::Seconds, 1.0);
}

// Find: a code no row has, in the biggest table, through the hash index the first find builds:
// lookups against a hash map of the same codes, the building against reading the table.
void Bench::find()
{
    const QString path = at(largest()).workingPath();
    double load = 1e30, build = 1e30;
    std::vector<double> lookups, bare;
    for (int run = 0; run < 3; ++run) {
        std::unique_ptr<RecordSource> s;
        load = std::min(load, seconds([&] {
                            s = openRecordSource(path, QStringLiteral("tbrgkeluar"));
                            s->recordCount();
                        }));
        build = std::min(build, seconds([&] {
                             s->moveFirst();
                             s->find(QStringLiteral("Kode_Barang"), QStringLiteral("TIDAKADA"));
                         }));
        std::unordered_multimap<std::string, int> codes;
        codes.reserve(size_t(s->rowCount()));
        std::string cell;
        for (int r = 0; r < s->rowCount(); ++r) {
            cell.clear();
            s->appendCellUtf8(r, 1, cell);
            codes.emplace(cell, r);
        }
        const QString missing = QStringLiteral("TIDAKADA");
        size_t found = 0;
        for (int i = 0; i < 1000; ++i) {
            lookups.push_back(seconds([&] {
                s->moveFirst();
                s->find(QStringLiteral("Kode_Barang"), missing);
            }));
            bare.push_back(seconds([&] { found += codes.count(missing.toStdString()); }));
        }
        if (found != 0 || !s->eof())
            failed("find of a missing code found something");
    }
    const std::string at = rowsName(largest()) + " rows";
    report("find of a code no row has, " + at + ", indexed, median of 3,000", median(lookups),
           "std::unordered_multimap lookup of the same text", median(bare), Unit::Seconds, 5.0,
           1e-6);
    report("index built by the first find, " + at, build, "reading the table", load, Unit::Seconds,
           0.15);
}

// The stock card of a code with 10,000 movements this month, typed and Enter, to the first
// paint of its lines, against a code with 8; a journal of a million other movements beside
// them.
void Bench::card(const Locations &loc, const std::string &store)
{
    Session s(loc);
    PaintWatch shown([](QWidget *w) { return w->objectName() == QLatin1String("frmkartu"); });
    s.menu().kartu->trigger();
    shown.wait();
    frmkartu *k = s.app.screens().find<frmkartu>();
    std::map<QString, std::vector<double>> t;
    for (int i = 0; i < 11; ++i) {
        for (const QString &code : { QStringLiteral("KARTU1"), QStringLiteral("KARTU2") }) {
            pause(0.3); // the card before read by the user
            k->txtkode->setText(code);
            QCoreApplication::processEvents();
            PaintWatch painted(inGrid("frmkartu", "DataGrid1"));
            const auto t0 = Clock::now();
            QTest::keyClick(k->txtkode, Qt::Key_Return);
            t[code].push_back(std::chrono::duration<double>(painted.wait() - t0).count());
        }
    }
    pause(0.3);
    const int lines = k->DataGrid1->model()->rowCount();
    if (!s.dialogs.unexpected.isEmpty() || lines != 10) {
        failed(store + " stock card: " + std::to_string(lines) + " lines, "
               + s.dialogs.unexpected.join(" | ").toStdString());
        return;
    }
    report(store + ": stock card of 10,000 movements to its first paint, median of 11",
           median(t[QStringLiteral("KARTU1")]), "the card of 8 movements",
           median(t[QStringLiteral("KARTU2")]), Unit::Seconds, 1.5);
}

// Report: `gudang --report keluar --pdf` at 1M rows, its time and peak memory against a bare
// QPdfWriter drawing the same texts; its peak at 1M against 1k rows.
void Bench::reportPdf()
{
    if (!folders.count(1000000))
        return;
    const QString pdf = dir.path() + QStringLiteral("/laporan.pdf");
    auto ours = [&](int rows) {
        return runChild({ QStringLiteral(GUDANG_PROGRAM), QStringLiteral("--data-dir"),
                          at(rows).dataDir(), QStringLiteral("--report"), QStringLiteral("keluar"),
                          QStringLiteral("--pdf"), pdf });
    };
    const ChildRun big = ours(1000000);
    const ChildRun bare = runChild({ self, QStringLiteral("--child-bare-pdf"),
                                     at(1000000).workingPath(), pdf + QStringLiteral(".bare") });
    const ChildRun small = ours(1000);
    if (big.status != 0 || small.status != 0) {
        failed("the report to PDF failed");
        return;
    }
    report("goods-out report to PDF, 1M rows", big.seconds, "bare QPdfWriter, the same texts",
           bare.seconds, Unit::Seconds, 3.0);
    report("goods-out report to PDF, 1M rows, process peak memory", big.peakBytes,
           "bare QPdfWriter, the same texts", bare.peakBytes, Unit::Bytes, 1.5, 150.0 * 1048576);
    report("goods-out report to PDF, process peak memory, 1M rows", big.peakBytes,
           "the same at 1k rows", small.peakBytes, Unit::Bytes, 1.5);
    grows("`--report keluar --pdf`: time / peak memory", 1000,
          fmt(small.seconds, Unit::Seconds) + " / " + fmt(small.peakBytes, Unit::Bytes));
    grows("`--report keluar --pdf`: time / peak memory", 1000000,
          fmt(big.seconds, Unit::Seconds) + " / " + fmt(big.peakBytes, Unit::Bytes));
}

// Import: `gudang --import-goods` of 100,000 goods rows (read, checked, written in one
// transaction) from our CSV and from an XLSX, against the same file into the same table the
// plain way, each its time and peak memory; then the worst workbooks.
void Bench::importing()
{
    const int rows = 100000;
    const QString csv = dir.path() + QStringLiteral("/impor.csv");
    const QString xlsx = dir.path() + QStringLiteral("/impor.xlsx");
    {
        QFile f(csv);
        if (!f.open(QIODevice::WriteOnly)) {
            failed("the import file cannot be written");
            return;
        }
        QByteArray all = "\xEF\xBB\xBFKode_Barang;Nama_Barang;Merk;Supplier;Satuan\r\n";
        for (int i = 0; i < rows; ++i)
            all += "K" + QByteArray::number(i) + ";" + kNames[i % 10] + ";Merk "
                + QByteArray::number(i % 50) + ";PT Pemasok;pcs\r\n";
        f.write(all);
    }
    ExportTable table;
    table.title = QStringLiteral("Barang");
    for (const char *h : { "Kode_Barang", "Nama_Barang", "Merk", "Supplier", "Satuan" })
        table.columns.push_back({ QString::fromLatin1(h), ExportTable::Kind::Text });
    table.rows = [](const std::function<void(const std::vector<Value> &)> &give) {
        for (int i = 0; i < rows; ++i)
            give({ Value(QStringLiteral("K%1").arg(i)), Value(QString::fromLatin1(kNames[i % 10])),
                   Value(QStringLiteral("Merk %1").arg(i % 50)),
                   Value(QStringLiteral("PT Pemasok")), Value(QStringLiteral("pcs")) });
    };
    writeSpreadsheet(table, xlsx, QStringLiteral("xlsx"));
    const auto ours = [&](const QString &file, const char *name) {
        const Locations loc(dir.path() + QStringLiteral("/impor-") + QLatin1String(name));
        createDatabaseFile(loc.credentialsPath(), DbRole::Credentials);
        createDatabaseFile(loc.workingPath(), DbRole::Working);
        return runChild({ QStringLiteral(GUDANG_PROGRAM), QStringLiteral("--data-dir"),
                          loc.dataDir(), QStringLiteral("--import-goods"), file });
    };
    const auto python = [&](const char *script, const QString &file) {
        return runChild({ QStringLiteral("/usr/bin/python3"), QStringLiteral("-c"),
                          QString::fromLatin1(script), file });
    };
    // The same work the plain way: the same file into the same table of a fresh working
    // database in one transaction, by the SQLite shell's .import (CSV) and by openpyxl reading
    // the sheet with Python's sqlite3 inserting the rows (XLSX).
    const auto freshTable = [&](const char *name) {
        const QString path = dir.path() + QStringLiteral("/plain-%1.db").arg(QLatin1String(name));
        createDatabaseFile(path, DbRole::Working);
        return path;
    };
    const ChildRun csvOurs = ours(csv, "csv");
    const QString csvTable = freshTable("csv");
    const ChildRun csvPlain = runChild(
        { QStringLiteral("/usr/bin/sqlite3"), QStringLiteral("-cmd"), QStringLiteral(".mode csv"),
          QStringLiteral("-cmd"), QStringLiteral(".separator ;"), csvTable,
          QStringLiteral(".import --skip 1 '%1' tbarang").arg(csv) });
    const ChildRun xlsxOurs = ours(xlsx, "xlsx");
    const QString xlsxTable = freshTable("xlsx");
    const ChildRun xlsxPlain = runChild(
        { QStringLiteral("/usr/bin/python3"), QStringLiteral("-c"),
          QStringLiteral("import openpyxl, sqlite3, sys\n"
                         "wb = openpyxl.load_workbook(sys.argv[1], read_only=True)\n"
                         "rows = wb.active.iter_rows(min_row=2, values_only=True)\n"
                         "db = sqlite3.connect(sys.argv[2])\n"
                         "with db:\n"
                         "    db.executemany('INSERT INTO tbarang (Kode_Barang, Nama_Barang, Merk, "
                         "Supplier, Satuan) VALUES (?, ?, ?, ?, ?)', rows)\n"
                         "db.close()\n"),
          xlsx, xlsxTable });
    const auto rowsIn = [](const QString &path) {
        auto db = SqliteStore::open(path);
        Statement count(*db, "SELECT count(*) FROM tbarang");
        count.step();
        return sqlite3_column_int(count.get(), 0);
    };
    if (csvOurs.status != 0 || xlsxOurs.status != 0 || csvPlain.status != 0 || xlsxPlain.status != 0
        || rowsIn(csvTable) != rows || rowsIn(xlsxTable) != rows) {
        failed("an import or its plain baseline failed");
        return;
    }
    // Ours checks every row against the stored goods (new, changed, refused and why, the
    // stored rows read first and read again under the write lock) and starts a Qt program;
    // the shell writes whatever the file holds: five times its time is the target.
    report("import of 100k goods from CSV: read, checked, written in one transaction",
           csvOurs.seconds, "the SQLite shell's .import of the file into the same table",
           csvPlain.seconds, Unit::Seconds, 5.0);
    // The shell streams the file; ours holds every row for the preview (the person sees them
    // all before anything is written), so its memory is set against a reader that holds them.
    const ChildRun csvHeld
        = runChild({ QStringLiteral("/usr/bin/python3"), QStringLiteral("-c"),
                     QStringLiteral("import csv, sys\nrows = list(csv.reader(open(sys.argv[1], "
                                    "encoding='utf-8-sig', newline=''), delimiter=';'))\n"),
                     csv });
    report("import of 100k goods from CSV, process peak memory", csvOurs.peakBytes,
           "Python's csv module holding the file's rows in a list", csvHeld.peakBytes, Unit::Bytes,
           3.0, 256.0 * 1048576);
    report("import of 100k goods from XLSX: read, checked, written in one transaction",
           xlsxOurs.seconds, "openpyxl (read only) reading the sheet, sqlite3 inserting its rows",
           xlsxPlain.seconds, Unit::Seconds, 1.0);
    report("import of 100k goods from XLSX, process peak memory", xlsxOurs.peakBytes,
           "openpyxl (read only) reading the sheet, sqlite3 inserting its rows",
           xlsxPlain.peakBytes, Unit::Bytes, 3.0);
    // The worst workbooks: built to take memory, each against the same rows without the trick.
    // A workbook is written by Python's zipfile from the rows of its sheet and its shared texts.
    const auto workbook = [&](const char *name, const char *rowsScript, const char *sharedScript) {
        const QString path = dir.path() + QLatin1Char('/') + QLatin1String(name);
        const ChildRun made = python((QByteArray(R"(import sys, zipfile
z = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED)
M = 'http://schemas.openxmlformats.org/'
R = M + 'officeDocument/2006/relationships'
P = M + 'package/2006/relationships'
S = M + 'spreadsheetml/2006/main'
O = 'application/vnd.openxmlformats-officedocument.spreadsheetml.'
z.writestr('[Content_Types].xml', '<Types xmlns="' + M + 'package/2006/content-types">'
  '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
  '<Default Extension="xml" ContentType="application/xml"/>'
  '<Override PartName="/xl/workbook.xml" ContentType="' + O + 'sheet.main+xml"/>'
  '<Override PartName="/xl/worksheets/sheet1.xml" ContentType="' + O + 'worksheet+xml"/>'
  '<Override PartName="/xl/sharedStrings.xml" ContentType="' + O + 'sharedStrings+xml"/></Types>')
z.writestr('_rels/.rels', '<Relationships xmlns="' + P + '"><Relationship Id="rId1" Type="' + R
  + '/officeDocument" Target="xl/workbook.xml"/></Relationships>')
z.writestr('xl/_rels/workbook.xml.rels', '<Relationships xmlns="' + P + '"><Relationship Id="rId1" '
  'Type="' + R + '/worksheet" Target="worksheets/sheet1.xml"/><Relationship Id="rId2" Type="' + R
  + '/sharedStrings" Target="sharedStrings.xml"/></Relationships>')
z.writestr('xl/workbook.xml', '<workbook xmlns="' + S + '" xmlns:r="' + R + '"><sheets><sheet '
  'name="Data" sheetId="1" r:id="rId1"/></sheets></workbook>')
def rows():
)") + rowsScript + R"(with z.open('xl/worksheets/sheet1.xml', 'w', force_zip64=True) as f:
    f.write(('<worksheet xmlns="' + S + '"><sheetData>').encode())
    for r in rows(): f.write(r.encode())
    f.write(b'</sheetData></worksheet>')
def shared():
)" + sharedScript + R"(with z.open('xl/sharedStrings.xml', 'w', force_zip64=True) as f:
    f.write(('<sst xmlns="' + S + '">').encode())
    for t in shared(): f.write(('<si><t>' + t + '</t></si>').encode())
    f.write(b'</sst>')
z.close()
)")
                                         .constData(),
                                     path);
        return made.status == 0 ? path : QString();
    };
    const char *heading = "    yield '<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" "
                          "t=\"s\"><v>1</v></c></row>'\n";
    const char *twoTexts = "    yield 'Kode'\n    yield 'Nama'\n";
    const QString wide = workbook(
        "lebar.xlsx",
        (QByteArray(heading)
         + "    for i in range(2, 30002):\n"
           "        yield '<row r=\"%d\"><c r=\"A%d\" t=\"inlineStr\"><is><t>K%d</t></is></c>"
           "<c r=\"XFD%d\" t=\"s\"><v>1</v></c></row>' % (i, i, i, i)\n")
            .constData(),
        twoTexts);
    const QString narrow = workbook(
        "sempit.xlsx",
        (QByteArray(heading)
         + "    for i in range(2, 30002):\n"
           "        yield '<row r=\"%d\"><c r=\"A%d\" t=\"inlineStr\"><is><t>K%d</t></is></c>"
           "</row>' % (i, i, i)\n")
            .constData(),
        twoTexts);
    // 100,000 goods named by the shared texts, a million texts of 20 letters (other sheets'
    // texts, as a real workbook holds them).
    const QString sharedRows
        = QStringLiteral("    for i in range(2, 100002):\n"
                         "        yield '<row r=\"%d\"><c r=\"A%d\" t=\"inlineStr\"><is><t>K%d"
                         "</t></is></c><c r=\"B%d\" t=\"s\"><v>%d</v></c></row>' % (i, i, i, i, "
                         "i)\n");
    const QString bigShared
        = workbook("teks-besar.xlsx", (QByteArray(heading) + sharedRows.toLatin1()).constData(),
                   "    yield 'Kode'\n    yield 'Nama'\n    for i in range(1000000): yield 'Barang "
                   "%06d abcdef' "
                   "% i\n");
    // Texts beyond what any list of goods holds: 2 million of 200 letters (800 MB held as text).
    const QString hugeShared = workbook(
        "teks-raksasa.xlsx", (QByteArray(heading) + sharedRows.toLatin1()).constData(),
        "    yield 'Kode'\n    yield 'Nama'\n    for i in range(2000000): yield ('%06d' % i) * 33 "
        "+ 'xx'\n");
    if (wide.isEmpty() || narrow.isEmpty() || bigShared.isEmpty() || hugeShared.isEmpty()) {
        failed("the worst workbooks cannot be written");
        return;
    }
    const ChildRun wideOurs = ours(wide, "lebar");
    const ChildRun narrowOurs = ours(narrow, "sempit");
    const ChildRun sharedOurs = ours(bigShared, "teks-besar");
    const ChildRun sharedPython
        = python("import openpyxl, sys\nwb = openpyxl.load_workbook(sys.argv[1], read_only=True)\n"
                 "rows = [r for r in wb.active.iter_rows(values_only=True)]\n",
                 bigShared);
    const ChildRun hugeOurs = ours(hugeShared, "teks-raksasa");
    if (wideOurs.status != 0 || narrowOurs.status != 0 || sharedOurs.status != 0
        || sharedPython.status != 0 || hugeOurs.status == 0 || !WIFEXITED(hugeOurs.status)) {
        failed("an import of the worst workbooks did not end as it should");
        return;
    }
    const double limit = 512.0 * 1048576;
    report("import of 30k goods each with a cell at XFD (cells right of the headings not read), "
           "process peak memory",
           wideOurs.peakBytes, "the same rows without the far cell", narrowOurs.peakBytes,
           Unit::Bytes, 1.2, limit);
    report("import of 100k goods named from 1M shared texts (20 MB), process peak memory",
           sharedOurs.peakBytes, "openpyxl (read only) reading the sheet into a list",
           sharedPython.peakBytes, Unit::Bytes, 3.0, limit);
    // Refused once its texts pass the reading budget (256 MB held): never more than the
    // budget over what a small import takes.
    report("import of a workbook of 2M shared texts of 200 letters, 430 MB unpacked (refused), "
           "process peak memory; target: at most 300 MB over the baseline",
           hugeOurs.peakBytes, "a 30k-row workbook imported (the program's own footprint)",
           narrowOurs.peakBytes, Unit::Bytes,
           (narrowOurs.peakBytes + 300.0 * 1048576) / narrowOurs.peakBytes, limit);
}

// The write-ahead log after a big transaction, once the database has closed, against the log
// right after the transaction (what would stay without the cut).
void Bench::log()
{
    const Locations &loc = at(largest());
    const QString wal = loc.workingPath() + QStringLiteral("-wal");
    auto db = SqliteStore::open(loc.workingPath());
    db->exec("BEGIN; WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
             "300000) INSERT INTO tbrgkeluar (Kode_Barang, Tanggal, Jumlah) SELECT 'BRG00001', "
             "'2026-01-01 00:00:00', 1 FROM n; COMMIT;");
    const double after = double(QFileInfo(wal).size());
    db.reset();
    report("write-ahead log once closed after a 300,000-row transaction, " + rowsName(largest())
               + " rows",
           double(QFileInfo(wal).size()), "the log right after the transaction", after, Unit::Bytes,
           0.1, 4.0 * 1048576);
}

// ---------------------------------------------------------------------------------------------
// The server

// A database on the bench's server with the program's tables, the user admin (password x),
// 2000 goods with stock and `rows` goods-out rows, made on the server itself.
QString serverDatabase(const QString &admin, const QString &name, int rows)
{
    sql(admin, QStringLiteral("CREATE DATABASE ") + name);
    const QString conninfo = admin + QStringLiteral(" dbname=") + name;
    initServer(conninfo);
    QByteArray hash;
    {
        const QTemporaryDir tmp;
        const Locations loc(tmp.path());
        createFirstUser(loc, QStringLiteral("admin"), QStringLiteral("x"));
        sqlite3 *db = nullptr;
        sqlite3_open_v2(QFile::encodeName(loc.credentialsPath()).constData(), &db,
                        SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, "SELECT Password FROM tpass", -1, &st, nullptr);
        if (sqlite3_step(st) == SQLITE_ROW)
            hash = reinterpret_cast<const char *>(sqlite3_column_text(st, 0));
        sqlite3_finalize(st);
        sqlite3_close(db);
    }
    run(QStringLiteral("psql"),
        { conninfo, QStringLiteral("-qc"),
          QStringLiteral(
              "INSERT INTO tpass VALUES ('admin', '%2');"
              "INSERT INTO tbarang SELECT 'BRG' || lpad(i::text, 5, '0'), 'Barang ' || i, "
              "'Merk', 'CV Sumber', 'pcs' FROM generate_series(0, 1999) i;"
              "INSERT INTO tstok SELECT 'BRG' || lpad(i::text, 5, '0'), 100000000, 10 FROM "
              "generate_series(0, 1999) i;"
              "INSERT INTO tbrgkeluar (kode_barang, tanggal, jumlah) SELECT 'BRG' || "
              "lpad(((i::bigint * 7919) % 2000)::text, 5, '0'), timestamp '2020-01-01' + (i / "
              "3000) * interval '1 day', 1 + i % 25 FROM generate_series(0, %1) i;")
              .arg(rows - 1)
              .arg(QString::fromLatin1(hash)),
          QStringLiteral("-qc"), QStringLiteral("VACUUM ANALYZE") });
    return name;
}

void Bench::server()
{
    QTemporaryDir folder(QStringLiteral("/tmp/gudang-pgbench-XXXXXX"));
    const QString cluster = QStringLiteral(PGCLUSTER);
    const QString admin = QString::fromUtf8(run(QStringLiteral("bash"),
                                                { cluster, QStringLiteral("start"), folder.path(),
                                                  QStringLiteral("max_wal_size=4GB") }))
                              .trimmed();
    if (admin.isEmpty()) {
        failed("the bench's server did not start");
        return;
    }
    struct Stop
    {
        QString cluster, dir;
        ~Stop()
        {
            PgDatabase::closeKept();
            run(QStringLiteral("bash"), { cluster, QStringLiteral("stop"), dir });
        }
    } stop { cluster, folder.path() };
    // As a shop runs it: over TCP, SSL on, the password asked; the owner's socket in the
    // folder makes the data.
    const QString shop
        = QString::fromUtf8(run(QStringLiteral("bash"),
                                { cluster, QStringLiteral("tls"), folder.path(),
                                  QString::number(freePort()), QStringLiteral("rahasia-bench") }))
              .trimmed();
    const QString socketAdmin
        = QStringLiteral("host=%1 port=%2 user=gudang dbname=postgres")
              .arg(folder.path(),
                   shop.section(QStringLiteral("port="), 1).section(QLatin1Char(' '), 0, 0));
    if (shop.isEmpty()
        || sql(shop,
               QStringLiteral("SELECT ssl FROM pg_stat_ssl WHERE pid = "
                              "pg_backend_pid()"))
            != QLatin1String("t")) {
        failed("the bench's server does not speak SSL");
        return;
    }
    serverVersion = sql(socketAdmin, QStringLiteral("SHOW server_version"));
    std::fprintf(stderr, "server: generating 1k, 1M%s goods-out rows, a journal, pgbench...\n",
                 sizes.back() == 5000000 ? ", 5M" : "");
    std::map<int, Locations> onServer;
    for (int rows : sizes) {
        const QString name
            = QStringLiteral("gudang") + QString::fromStdString(rowsName(rows)).toLower();
        serverDatabase(socketAdmin, name, rows);
        onServer.emplace(
            rows, Locations(folder.filePath(name), shop + QStringLiteral(" dbname=") + name));
        writeMissingReportDefinitions(onServer.at(rows));
    }
    const QString big = shop + QStringLiteral(" dbname=gudang1m");
    const Locations &big1m = onServer.at(1000000);
    // The stock card's journal.
    serverDatabase(socketAdmin, QStringLiteral("kartu"), 1000);
    run(QStringLiteral("psql"),
        { socketAdmin + QStringLiteral(" dbname=kartu"), QStringLiteral("-qc"),
          journalSql(1000000, true), QStringLiteral("-qc"), QStringLiteral("VACUUM ANALYZE") });
    const Locations kartu(folder.filePath(QStringLiteral("kartu")),
                          shop + QStringLiteral(" dbname=kartu"));
    writeMissingReportDefinitions(kartu);
    sql(socketAdmin, QStringLiteral("CREATE DATABASE pgb"));
    run(QStringLiteral("pgbench"),
        { QStringLiteral("-i"), QStringLiteral("-q"), QStringLiteral("-s"), QStringLiteral("10"),
          socketAdmin + QStringLiteral(" dbname=pgb") });
    const QString pgb = shop + QStringLiteral(" dbname=pgb");
    sql(socketAdmin, QStringLiteral("CHECKPOINT"));

    // The goods-out screen on the server against the same on the files, at 1M rows; a new
    // program each round (no connection kept from the last), in turns.
    if (folders.count(1000000)) {
        std::vector<double> server, files;
        for (int round = 0; round < 7; ++round) {
            PgDatabase::closeKept();
            const int before = PgDatabase::connectionsMade();
            auto s = std::make_unique<Session>(big1m);
            const int login = PgDatabase::connectionsMade() - before;
            server.push_back(openIssue(*s));
            const int opened = PgDatabase::connectionsMade() - before - login;
            const double posted = postToPaint(*s, s->issue()->DataGrid1, goodsCode(round));
            const int posting = PgDatabase::connectionsMade() - before - login - opened;
            s->issue()->cmdtutup->click();
            QCoreApplication::processEvents();
            openIssue(*s);
            const int again = PgDatabase::connectionsMade() - before - login - opened - posting;
            s.reset(); // the files' program runs alone
            if (round == 0)
                connections
                    = { { "login (the program's connection, and three spares opened beside it)",
                          login },
                        { "Ctrl+D: the goods-out screen and its three tables read", opened },
                        { "the first posting", posting },
                        { "the goods-out screen closed and opened again", again } };
            if (std::isnan(posted))
                failed("server: a posting was not made");
            Session f(at(1000000));
            files.push_back(openIssue(f));
        }
        report("server: Ctrl+D to painted goods-out grid, 1M rows, median of 7", median(server),
               "the same on the files", median(files), Unit::Seconds, 1.3);
    }

    // Posting on the screen with its grids to the paint that follows, the server against the
    // files, at 1M rows, in turns.
    if (folders.count(1000000)) {
        Session server(big1m), files(at(1000000));
        openBeside(server);
        openBeside(files);
        server.issue()->adodc1->recordCount();
        files.issue()->adodc1->recordCount();
        std::vector<double> onServerT, onFiles;
        for (int i = 0; i < 301; ++i) {
            onServerT.push_back(postToPaint(server, server.issue()->DataGrid1, goodsCode(i)));
            onFiles.push_back(postToPaint(files, files.issue()->DataGrid1, goodsCode(i)));
        }
        if (!allNumbers(onServerT) || !allNumbers(onFiles))
            failed("server: a posting on the screen was not made");
        else
            report("server: posting on the goods-out screen to the paint that follows, 1M rows, "
                   "median of 301",
                   median(onServerT), "the same on the files", median(onFiles), Unit::Seconds, 1.5);
    }

    // A scanned posting right after Ctrl+D, and the stock card.
    scan(onServer, "server");
    card(kartu, "server");

    // Opening a 1M-row table: the whole snapshot, against psql copying the table out.
    {
        double copyOut = 1e30, load = 1e30;
        for (int i = 0; i < 3; ++i) {
            copyOut = std::min(copyOut, seconds([&] {
                                   run(QStringLiteral("psql"),
                                       { big, QStringLiteral("-qc"),
                                         QStringLiteral("\\copy tbrgkeluar to /dev/null") });
                               }));
            load = std::min(load, seconds([&] {
                                auto s = openRecordSource(serverAddress(big),
                                                          QStringLiteral("tbrgkeluar"));
                                s->recordCount();
                            }));
        }
        report("server: whole 1M-row goods-out table read into its snapshot, best of 3", load,
               "psql \\copy tbrgkeluar to /dev/null", copyOut, Unit::Seconds, 2.0);
    }

    // One posting through the goods-out screen with its grids, against pgbench's simple-update
    // transaction (one row updated, read back, a history row added), one client each.
    {
        Session s(big1m);
        openIssue(s);
        std::vector<double> ours;
        for (int i = 0; i < 303; ++i)
            ours.push_back(postToPaint(s, s.issue()->DataGrid1, goodsCode(i * 37)));
        const QString logs = folder.path() + QStringLiteral("/pgblog");
        run(QStringLiteral("pgbench"),
            { QStringLiteral("-n"), QStringLiteral("-b"), QStringLiteral("simple-update"),
              QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-t"),
              QStringLiteral("303"), QStringLiteral("-l"), QStringLiteral("--log-prefix=") + logs,
              pgb });
        std::vector<double> base;
        for (const QFileInfo &f :
             QDir(folder.path()).entryInfoList({ QStringLiteral("pgblog*") }, QDir::Files)) {
            QFile log(f.filePath());
            if (!log.open(QIODevice::ReadOnly))
                continue;
            for (const QByteArray &line : log.readAll().split('\n')) {
                const QList<QByteArray> v = line.split(' ');
                if (v.size() >= 3)
                    base.push_back(v[2].toDouble() / 1e6);
            }
        }
        if (!allNumbers(ours) || base.empty()) {
            failed("server: postings against pgbench were not made");
        } else {
            report("server: posting on the screen to its paint, 1M rows, median of 303",
                   median(ours), "pgbench simple-update, 1 client", median(base), Unit::Seconds,
                   2.0);
            report("server: posting on the screen to its paint, 1M rows, 99th percentile",
                   percentile(ours, 0.99), "pgbench simple-update, 1 client",
                   percentile(base, 0.99), Unit::Seconds, 5.0);
        }
    }

    // Eight workstations posting at once, each a process of its own making the postings
    // through the service the screen's "Simpan" calls, against pgbench with eight clients.
    {
        const int each = 200, n = 8;
        const int before = sql(big, QStringLiteral("SELECT count(*) FROM tbrgkeluar")).toInt();
        std::vector<std::unique_ptr<QProcess>> children;
        for (int i = 0; i < n; ++i) {
            auto p = std::make_unique<QProcess>();
            p->start(self,
                     { QStringLiteral("--child-post"), big, QString::number(each),
                       QString::number(i + 1) });
            children.push_back(std::move(p));
        }
        auto waitFor = [](QProcess &p, const QByteArray &word) {
            QByteArray out;
            while (!out.contains(word) && p.waitForReadyRead(600000))
                out += p.readAllStandardOutput();
        };
        for (auto &p : children)
            waitFor(*p, "siap");
        const auto t0 = Clock::now();
        for (auto &p : children) {
            p->write("go\n");
            p->waitForBytesWritten(10000);
        }
        for (auto &p : children)
            waitFor(*p, "selesai");
        const double elapsed = since(t0);
        for (auto &p : children)
            p->waitForFinished(60000);
        const int rows = sql(big, QStringLiteral("SELECT count(*) FROM tbrgkeluar")).toInt();
        const QByteArray said
            = run(QStringLiteral("pgbench"),
                  { QStringLiteral("-n"), QStringLiteral("-b"), QStringLiteral("simple-update"),
                    QStringLiteral("-c"), QStringLiteral("8"), QStringLiteral("-j"),
                    QStringLiteral("8"), QStringLiteral("-T"), QStringLiteral("10"), pgb });
        double tps = 0;
        for (const QByteArray &line : said.split('\n')) {
            if (line.startsWith("tps = "))
                tps = line.mid(6).split(' ').value(0).toDouble();
        }
        if (rows != before + each * n || tps <= 0)
            failed("server: " + std::to_string(rows - before) + " of " + std::to_string(each * n)
                   + " postings made at once");
        else
            report("server: 8 workstations posting at once, time per posting", elapsed / (each * n),
                   "pgbench -c 8 simple-update, 1/tps", 1.0 / tps, Unit::Seconds, 2.0);
    }
}

// ---------------------------------------------------------------------------------------------
// The document

QString firstLine(const QString &program, const QStringList &args)
{
    return QString::fromUtf8(run(program, args)).section(QLatin1Char('\n'), 0, 0).trimmed();
}

QString machine()
{
    QString cpu;
    QFile info(QStringLiteral("/proc/cpuinfo"));
    if (info.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : info.readAll().split('\n')) {
            if (line.startsWith("model name")) {
                cpu = QString::fromUtf8(line.mid(line.indexOf(':') + 1)).trimmed();
                break;
            }
        }
    }
    double memory = 0;
    QFile mem(QStringLiteral("/proc/meminfo"));
    if (mem.open(QIODevice::ReadOnly))
        memory = mem.readLine().simplified().split(' ').value(1).toDouble() / 1048576.0;
    return QStringLiteral("%1 cores (%2), %3 GiB, %4 %5")
        .arg(sysconf(_SC_NPROCESSORS_ONLN))
        .arg(cpu)
        .arg(memory, 0, 'f', 0)
        .arg(QSysInfo::prettyProductName(), QSysInfo::kernelVersion());
}

// How each measure is taken, for the document.
const char *const kMethods = R"(
- **Start** (`start`): the real program (`bench_start_app` is `gudang` itself with a watcher
  that says "dilukis" at the first paint of the login window and then ends the run as the
  desktop does, by SIGTERM) on a populated data folder: folder lock, private modes, the page
  check started in the background, the login window. Wall time from starting the process to
  "dilukis", median of 21, against the same login window made the plain way
  (`bench_start_bare`: the user table read from the credentials file with SQLite's C API, the
  window's labels, fields and buttons in its font and colours), each start next to its
  baseline, the sizes in turns.
- **Open** (`buka`): a program logged in (the login window filled and "OK" pressed, the main
  menu painted, 0.2 s of a hand moving to the keys), then Ctrl+D pressed on the main menu (a
  key event, as the program gets it from a keyboard), to the first paint of the goods-out grid; a new program each round, the sizes in turns, median of 7, against the same at
  1,000 rows.
- **Scan** (`scan`): the same program, Ctrl+D, then at once "Tambah", a code as a barcode
  scanner sends it (each key handled before the next, Enter after it), the quantity and Enter,
  "Simpan": time from Ctrl+D to the question "Masih ada Input Data Lagi?" (the posting made),
  while the goods-out table is still being read; median of 9, sizes in turns, against the same
  at 1,000 rows. On both stores.
- **Load** (`muat`): a record source on `tbrgkeluar` opened and waited for until the whole
  snapshot is read, best of 3, against a bare C API loop over `SELECT rowid, *` on a connection
  without SQLite's per-call mutex that reads each column as the program does
  (`sqlite3_column_int64` for the row id, `sqlite3_column_double` for numbers,
  `sqlite3_column_text` for text) and keeps it, the plain way (every cell appended to one
  growing buffer, each row's offset in a vector), on a thread of its own at the lowest priority
  as the program's reader runs, in turns. (A baseline that only reads keeps nothing: on a
  virtual machine whose page faults are dear, holding 40 MB of fresh memory alone costs as much
  as the reading, and the row was measured against less work than it does.)
- **Import** (`impor`): `gudang --import-goods` of 100,000 goods from our CSV and from an XLSX
  (every row read, checked against the stored goods and written in one transaction) against
  the same file into the same table of a fresh working database the plain way: the SQLite
  shell's `.import` (CSV), openpyxl reading the sheet with Python's `sqlite3` inserting the rows
  in one transaction (XLSX); their peak memory against a reader that holds the rows (Python's
  csv module, openpyxl), since the preview holds every row before anything is written. Then the
  worst workbooks: 30,000 rows each with a cell in the last column (XFD) against the same rows
  without it; 100,000 goods named from a million shared texts against openpyxl; a workbook of
  2 million shared texts of 200 letters, refused once it passes the reading budget (256 MB),
  against a 30,000-row import plus 300 MB; 512 MB is the limit of every one.
- **Memory** (`memori`): a child process opens the record source and waits for the whole table;
  its peak resident memory (`VmHWM`) against its resident memory once loaded (`VmRSS`).
- **Posting** (`posting`): two programs on the same folder, each with the goods-out screen open
  and its list read: one with its grids, one with its three grids taken off (models gone,
  nothing listening). 301 postings each, in turns, as a user makes them (code, Enter, quantity,
  Enter, "Simpan", "Ya" to "Masih ada Input Data Lagi?"), timed from the click to the paint
  that follows it (the goods-out grid, or the screen without grids); medians.
- **Service** (`layanan`): 501 postings through the posting service the screen's "Simpan"
  calls (the stock row read anew and held, the goods-out row, the stock lowered, the journal
  row, one transaction) on the biggest folder, against the same five statements written by
  hand with SQLite's C API (prepared once, one connection with the program's settings: write-
  ahead log, full sync), in turns on the same database; median and 99th percentile.
- **Find by name** (`nama`): a folder of its own with 1,000,000 goods. The first search in the
  goods search window (the table read meanwhile, every code and name folded then) against the
  first `LIKE` scan on a new connection, median of 3; then what a user types (8 texts, 3 times
  each, the list and its count shown) against `SELECT rowid ... WHERE Kode_Barang LIKE ?1 OR
  Nama_Barang LIKE ?1` on one connection with the statement prepared once, in turns.
- **Find** (`cari`): a find on `Kode_Barang` for a code no row has, in the biggest table: the
  first builds the hash index (against reading the table), the following are lookups (median of
  3,000, against `std::unordered_multimap::count` of the same text on a map of the same codes;
  one microsecond is the limit).
- **Stock card** (`kartu`): a folder (and a server database) with a journal of 1,000,000
  movements over 2,000 goods and the years, and this month 10,000 movements of `KARTU1` and 8 of
  `KARTU2`; on the stock card screen the code typed and Enter, to the first paint of its lines,
  the two codes in turns, median of 11.
- **Report** (`laporan`): `gudang --report keluar --pdf` on the 1M-row folder, as a child
  process: wall time and peak memory (read from the child's own `VmHWM` while it runs) against
  a child that draws the same texts (6 per row, 50 rows a page, in the report's order) straight
  onto a `QPdfWriter`; its peak against the same report at 1,000 rows; 150 MiB is the limit.
- **Log** (`tulis`): one transaction adding 300,000 rows to the biggest database, then the
  database closed: the size of the write-ahead log left, against its size right after the
  transaction; 4 MiB is the limit.
- **Server** (`server`): a PostgreSQL cluster of its own (`tests/pgcluster.sh`, default
  durability: fsync on) reached as a shop reaches it: TCP on 127.0.0.1, SSL on with a
  certificate made for the run, the password asked (SCRAM, from a password file). Databases of
  1k, 1M and 5M goods-out rows and the stock card's journal made on the server,
  `pgbench -i -s 10`, a checkpoint before timing. The goods-out screen's first paint (a new
  program each round, no connection kept from the last) against the same on the files; the
  connections each step of a session makes; postings on the screen to their paint against the
  same on the files, in turns; the scan and the stock card as above; the 1M-row table read
  whole against `psql -c "\copy tbrgkeluar to /dev/null"` over the same connection kind, best
  of 3; 303 postings on the screen against `pgbench -b simple-update -c 1` (latencies from its
  per-transaction log); eight processes making 200 postings each at once through the posting
  service against `pgbench -b simple-update -c 8 -j 8 -T 10` (time per posting of all eight
  against 1/tps). The goods-out rows are counted after each posting run; a run that lost or
  refused postings reports nothing.
)";

void writeDocument(const QString &path, double minutes)
{
    QString doc;
    QTextStream out(&doc);
    out << "# Performance\n\n"
        << "Written by `make bench` (`bench/gudang_bench --doc docs/PERFORMANCE.md`) from the "
           "run it describes; nothing here is edited by hand. Every figure is set against a "
           "baseline measured in the same run: the same work done the plain way, or the same "
           "path at 1,000 rows; where a fixed limit applies it stands in its own column. "
           "No test asserts a time.\n\n"
        << "Data: data folders of 1,000, 1,000,000 and 5,000,000 goods-out rows over 2,000 goods "
           "(codes `BRG00000`...), the same on the server, the user `admin`.\n\n"
        << "Machine: " << machine() << ".  \n"
        << "Versions: Qt " << qVersion() << ", SQLite " << sqlite3_libversion() << ", PostgreSQL "
        << (serverVersion.isEmpty() ? QStringLiteral("-") : serverVersion) << ", "
        << firstLine(QStringLiteral("c++"), { QStringLiteral("--version") }) << ", build "
        << BUILD_TYPE << ", offscreen platform.  \n"
        << "Run: " << QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))
        << ", " << QString::number(minutes, 'f', 0) << " minutes.\n\n";
    out << "| Measure | Ours | Baseline | Baseline's figure | Ratio | Target | Limit | Holds "
           "|\n|---|---|---|---|---|---|---|---|\n";
    for (const Row &r : table)
        out << "| " << QString::fromStdString(r.measure) << " | "
            << QString::fromStdString(fmt(r.ours, r.unit)) << " | "
            << QString::fromStdString(r.baselineWhat) << " | "
            << QString::fromStdString(fmt(r.baseline, r.unit)) << " | "
            << QString::number(r.ours / r.baseline, 'f', 2) << " | <= " << QString::number(r.target)
            << " | "
            << (std::isnan(r.limit) ? QStringLiteral("-")
                                    : QString::fromStdString(fmt(r.limit, r.unit)))
            << " | " << (r.holds() ? "yes" : "**NO**") << " |\n";
    for (const std::string &f : failures)
        out << "\nNot measured: " << QString::fromStdString(f) << "\n";
    if (!connections.empty()) {
        out << "\n## Server connections along a session\n\nNew connections each step made "
               "(a program started afresh, over TCP with SSL):\n\n| Step | New connections "
               "|\n|---|---|\n";
        for (const auto &[step, n] : connections)
            out << "| " << QString::fromStdString(step) << " | " << n << " |\n";
    }
    out << "\n## How the paths grow from 1k to 5M rows\n\nFrom the run above:\n\n| | 1k rows | "
           "1M rows | 5M rows |\n|---|---|---|---|\n";
    for (const std::string &what : growthOrder) {
        out << "| " << QString::fromStdString(what);
        for (int rows : { 1000, 1000000, 5000000 }) {
            const auto it = growth[what].find(rows);
            out << " | "
                << (it == growth[what].end() ? QStringLiteral("-")
                                             : QString::fromStdString(it->second));
        }
        out << " |\n";
    }
    out << "\n## How each measure works\n"
        << kMethods
        << "\nThe machine is shared; its timings move between runs by 10 to 30 percent, the "
           "postings most (a posting is mostly one `fdatasync`).\n";
    out.flush();
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(doc.toUtf8()) < 0)
        std::fprintf(stderr, "%s cannot be written\n", qPrintable(path));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 5 && std::string(argv[1]) == "--child-post") {
        QCoreApplication app(argc, argv);
        return childPost(QString::fromLocal8Bit(argv[2]), atoi(argv[3]), atoi(argv[4]));
    }
    if (argc == 3 && std::string(argv[1]) == "--child-load") {
        QCoreApplication app(argc, argv);
        return childLoad(QString::fromLocal8Bit(argv[2]));
    }
    if (argc == 4 && std::string(argv[1]) == "--child-bare-pdf") {
        QApplication app(argc, argv);
        return childBarePdf(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    QApplication app(argc, argv);
    const auto began = Clock::now();
    Bench b;
    b.self = QCoreApplication::applicationFilePath();
    QStringList args = app.arguments().mid(1);
    const bool without5m = args.removeAll(QStringLiteral("--tanpa-5m")) > 0;
    QString doc;
    if (const qsizetype i = args.indexOf(QStringLiteral("--doc")); i >= 0 && i + 1 < args.size()) {
        doc = args[i + 1];
        args.remove(i, 2);
    }
    b.only = args;
    b.sizes = { 1000, 1000000 };
    if (!without5m)
        b.sizes.push_back(5000000);
    const bool files = b.only.isEmpty() || b.only != QStringList { QStringLiteral("server") };
    for (int rows : files ? b.sizes : std::vector<int> {}) {
        const Locations loc(b.dir.path() + QStringLiteral("/")
                            + QString::fromStdString(rowsName(rows)));
        std::fprintf(stderr, "generating %d goods-out rows...\n", rows);
        generate(loc, rows);
        b.folders.emplace(rows, loc);
    }
    if (files) {
        if (b.wanted("start"))
            b.start();
        if (b.wanted("buka"))
            b.open();
        if (b.wanted("scan"))
            b.scan(b.folders, "files");
        if (b.wanted("muat"))
            b.load();
        if (b.wanted("memori"))
            b.memory();
        if (b.wanted("posting"))
            b.posting();
        if (b.wanted("layanan"))
            b.service();
        if (b.wanted("nama"))
            b.byName();
        if (b.wanted("cari"))
            b.find();
        if (b.wanted("kartu")) {
            const Locations kartu(b.dir.path() + QStringLiteral("/kartu"));
            generate(kartu, 1000);
            SqliteStore::open(kartu.workingPath())
                ->exec(journalSql(1000000, false).toUtf8().constData());
            b.card(kartu, "files");
        }
        if (b.wanted("laporan"))
            b.reportPdf();
        if (b.wanted("tulis"))
            b.log();
    }
    if (b.wanted("server"))
        b.server();
    // Last: its files (hundreds of megabytes written) are not still being written back to the
    // disk while the server's postings wait for theirs.
    if (files && b.wanted("impor"))
        b.importing();

    std::printf("Machine: %s\n\n", qPrintable(machine()));
    std::printf("| Measure | Ours | Baseline | Baseline's figure | Ratio | Target | Limit | Holds "
                "|\n|---|---|---|---|---|---|---|---|\n");
    bool all = failures.empty();
    for (const Row &r : table) {
        all = all && r.holds();
        std::printf("| %s | %s | %s | %s | %.2f | <= %g | %s | %s |\n", r.measure.c_str(),
                    fmt(r.ours, r.unit).c_str(), r.baselineWhat.c_str(),
                    fmt(r.baseline, r.unit).c_str(), r.ours / r.baseline, r.target,
                    std::isnan(r.limit) ? "-" : fmt(r.limit, r.unit).c_str(),
                    r.holds() ? "yes" : "NO");
    }
    for (const std::string &f : failures)
        std::printf("Not measured: %s\n", f.c_str());
    for (const auto &[step, n] : connections)
        std::printf("server connections, %s: %d\n", step.c_str(), n);
    if (!doc.isEmpty()) {
        if (b.only.isEmpty() && !without5m)
            writeDocument(doc, since(began) / 60);
        else
            std::fprintf(stderr, "%s is written by a whole run only\n", qPrintable(doc));
    }
    return all ? 0 : 1;
}
