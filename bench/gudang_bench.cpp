// Speed and memory of the data layer, grids, start-up and report engine, each measured against
// a baseline run in the same process or the same run. Prints one table.
#include "data/database.h"
#include "data/locations.h"
#include "data/recordsource.h"
#include "reports/reportdefinition.h"
#include "reports/reportlayout.h"
#include "reports/reportrender.h"
#include "shell/credentials.h"
#include "ui/gridview.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sqlite3.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace gudang;

namespace {

using Clock = std::chrono::steady_clock;

double seconds(const std::function<void()> &f)
{
    const auto t0 = Clock::now();
    f();
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

// Best of several runs: the least disturbed by the rest of the machine.
double best(int runs, const std::function<void()> &f)
{
    double b = 1e30;
    for (int i = 0; i < runs; ++i)
        b = std::min(b, seconds(f));
    return b;
}

struct Row
{
    std::string measure, ours, baseline;
    double ratio, target;
    bool lowerIsBetter = true;
};
std::vector<Row> table;

std::string fmt(double v, const char *unit)
{
    char buf[64];
    if (std::string(unit) == "s" && v < 1e-5)
        std::snprintf(buf, sizeof buf, "%.3f us", v * 1e6);
    else if (std::string(unit) == "s" && v < 0.001)
        std::snprintf(buf, sizeof buf, "%.1f us", v * 1e6);
    else if (std::string(unit) == "s" && v < 1)
        std::snprintf(buf, sizeof buf, "%.2f ms", v * 1e3);
    else if (std::string(unit) == "s")
        std::snprintf(buf, sizeof buf, "%.2f s", v);
    else
        std::snprintf(buf, sizeof buf, "%.1f MB", v / 1e6);
    return buf;
}

void report(const std::string &measure, double ours, double baseline, const char *unit,
            double target)
{
    table.push_back({ measure, fmt(ours, unit), fmt(baseline, unit), ours / baseline, target });
    std::fprintf(stderr, "  %s: %.3f\n", measure.c_str(), ours / baseline);
}

// A working database with `rows` goods-out rows over 2000 goods.
void generate(const QString &path, int rows)
{
    Database::create(path, DbRole::Working);
    auto db = Database::open(path);
    Database::Transaction t(*db);
    static const char *const names[]
        = { "Beras",      "Gula Pasir",  "Minyak Goreng", "Teh Celup", "Kopi Bubuk",
            "Mie Instan", "Sabun Mandi", "Susu Kental",   "Garam",     "Kecap Manis" };
    {
        Statement g(*db, "INSERT INTO tbarang VALUES (?, ?, 'Merk', 'CV Sumber', 'pcs')");
        Statement s(*db, "INSERT INTO tstok VALUES (?, 1000000, 10)");
        for (int i = 0; i < 2000; ++i) {
            const QByteArray code
                = QStringLiteral("BRG%1").arg(i, 5, 10, QLatin1Char('0')).toLatin1();
            const QByteArray name
                = QStringLiteral("%1 %2").arg(QString::fromLatin1(names[i % 10])).arg(i).toUtf8();
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
        for (int i = 0; i < rows; ++i) {
            const QByteArray code = QStringLiteral("BRG%1")
                                        .arg((i * 7919) % 2000, 5, 10, QLatin1Char('0'))
                                        .toLatin1();
            const QByteArray date
                = start.addDays(i / 300).toString(QStringLiteral("yyyy-MM-dd 00:00:00")).toLatin1();
            sqlite3_bind_text(o.get(), 1, code.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(o.get(), 2, date.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(o.get(), 3, 1 + i % 25);
            o.step();
            o.reset();
        }
    }
    t.commit();
}

// The bare C API loop: every cell read as text. Returns the bytes of all cells.
size_t bareRead(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    size_t bytes = 0;
    const int n = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < n; ++c) {
            if (sqlite3_column_text(st, c))
                bytes += size_t(sqlite3_column_bytes(st, c));
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return bytes;
}

void paintGrid(RecordSource *source)
{
    QTableView view;
    view.resize(640, 400);
    bindGrid(&view, source);
    view.show();
    QImage image(view.size(), QImage::Format_ARGB32);
    view.render(&image);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // Measures named on the command line ("4 5", "3"), or all of them.
    const QStringList only = app.arguments().mid(1);
    auto wanted = [&](const char *n) {
        return only.isEmpty() || only.contains(QLatin1String(n));
    };
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/gudang bench-XXXXXX"));
    const Locations big(dir.path() + QStringLiteral("/m"));
    const Locations mid(dir.path() + QStringLiteral("/k"));
    const Locations small(dir.path() + QStringLiteral("/s"));
    std::fprintf(stderr, "generating databases of 1,000, 100,000 and 1,000,000 rows...\n");
    generate(small.workingPath(), 1000);
    generate(mid.workingPath(), 100000);
    generate(big.workingPath(), 1000000);
    const QString bigPath = big.workingPath();

    // 1. Open a record source on 1M goods-out rows and paint its grid.
    if (wanted("1") || wanted("2")) {
        size_t dataBytes = 0;
        const double bare
            = best(3, [&] { dataBytes = bareRead(bigPath, "SELECT * FROM tbrgkeluar"); });
        size_t snapshotBytes = 0;
        const double open = best(3, [&] {
            auto s = openRecordSource(bigPath, QStringLiteral("tbrgkeluar"));
            paintGrid(s.get());
            snapshotBytes = s->memoryBytes();
        });
        report("1. open 1M-row tbrgkeluar + paint grid (vs bare sqlite3_step/column_text loop)",
               open, bare, "s", 2.0);

        // 2. Memory of that snapshot against the bytes of the data itself.
        table.push_back({ "2. snapshot memory (vs sum of cell lengths)",
                          fmt(double(snapshotBytes), "B"), fmt(double(dataBytes), "B"),
                          double(snapshotBytes) / double(dataBytes), 1.4 });
    }

    // 4. A find that matches nothing in 1M rows. A big table is searched through a hash index
    //    built by the first find: lookups against a microsecond, the building against the time
    //    the table takes to load.
    if (wanted("4")) {
        double load = 1e30, build = 1e30;
        std::vector<double> lookups;
        for (int run = 0; run < 3; ++run) {
            std::unique_ptr<RecordSource> s;
            load = std::min(load, seconds([&] {
                                s = openRecordSource(bigPath, QStringLiteral("tbrgkeluar"));
                            }));
            build = std::min(build, seconds([&] {
                                 s->moveFirst();
                                 s->find(QStringLiteral("Kode_Barang"), QStringLiteral("TIDAKADA"));
                             }));
            for (int i = 0; i < 1000; ++i) {
                lookups.push_back(seconds([&] {
                    s->moveFirst();
                    s->find(QStringLiteral("Kode_Barang"), QStringLiteral("TIDAKADA"));
                }));
            }
        }
        report("4a. find matching nothing in 1M rows, indexed, median (vs 1 us)", median(lookups),
               1e-6, "s", 1.0);
        report("4b. index built by the first find (vs loading the 1M-row table)", build, load, "s",
               0.15);
    }

    // 5. First paint of a grid over 1M rows against the same over 1,000 rows.
    if (wanted("5")) {
        auto s1 = openRecordSource(small.workingPath(), QStringLiteral("tbrgkeluar"));
        auto s2 = openRecordSource(bigPath, QStringLiteral("tbrgkeluar"));
        const double p1 = best(5, [&] { paintGrid(s1.get()); });
        const double p2 = best(5, [&] { paintGrid(s2.get()); });
        report("5. first paint of a 1M-row grid (vs a 1,000-row grid)", p2, p1, "s", 1.2);
    }

    // 3. Posting: one goods-out row and one stock row in one transaction, WAL, full sync.
    if (wanted("3")) {
        auto out = openRecordSource(mid.workingPath(), QStringLiteral("tbrgkeluar"));
        auto stock = openRecordSource(mid.workingPath(), QStringLiteral("tstok"));
        std::vector<double> ours, base;
        const QString code = QStringLiteral("BRG00042");
        const QByteArray file
            = QFile::encodeName(mid.workingFolder() + QStringLiteral("/fsync.bin"));
        const int fd = ::open(file.constData(), O_WRONLY | O_CREAT, 0600);
        std::vector<char> page(4096, 'x');
        // The generated files are written out first, and each posting is timed next to one
        // baseline write, so that both meet the same state of the disk.
        ::sync();
        for (int i = 0; i < 300; ++i) {
            ours.push_back(seconds([&] {
                auto t = out->beginTransaction();
                out->addNew();
                out->setField(1, code);
                out->setField(2, QDateTime::currentDateTime());
                out->setField(3, QStringLiteral("1"));
                out->update();
                stock->moveFirst();
                stock->find(QStringLiteral("Kode_Barang"), code);
                stock->setField(1, stock->field(1).toNumber() - 1);
                stock->update();
                t->commit();
            }));
            base.push_back(seconds([&] {
                if (::pwrite(fd, page.data(), page.size(), off_t(i % 64) * 4096) < 0
                    || ::fsync(fd) != 0)
                    std::perror("fsync");
            }));
        }
        ::close(fd);
        report("3a. posting, median (vs 4 KiB write + fsync)", median(ours), median(base), "s",
               1.5);
        report("3b. posting, 99th percentile (vs 4 KiB write + fsync)", percentile(ours, 0.99),
               percentile(base, 0.99), "s", 5.0);
    }

    // 6. Start to the first painted login window against a bare Qt window with a table view.
    if (wanted("6")) {
        const Locations startDir(dir.path() + QStringLiteral("/start"));
        createFirstUser(startDir, QStringLiteral("admin"), QStringLiteral("x"));
        writeMissingReportDefinitions(startDir);
        auto run = [](const QString &program, const QStringList &args) {
            return seconds([&] {
                QProcess p;
                p.start(program, args);
                p.waitForFinished(60000);
            });
        };
        std::vector<double> a, b;
        for (int i = 0; i < 15; ++i) {
            a.push_back(run(QStringLiteral(START_APP), { startDir.dataDir() }));
            b.push_back(run(QStringLiteral(START_BARE), {}));
        }
        report("6. start to first painted login window (vs bare Qt window with a table view)",
               median(a), median(b), "s", 1.3);
    }

    // 7. A 100,000-row goods-out report laid out and written to PDF.
    if (wanted("7")) {
        writeMissingReportDefinitions(mid);
        const QString pdf = dir.path() + QStringLiteral("/laporan.pdf");
        ReportDocument doc;
        const double ours = best(2, [&] {
            doc = buildReport(goodsOutReportPath(mid), mid.workingPath(),
                              QDateTime::currentDateTime());
            writeReportPdf(doc, pdf);
        });
        const double bareDraw = best(2, [&] {
            QPdfWriter w(dir.path() + QStringLiteral("/bare.pdf"));
            w.setResolution(600);
            w.setPageSize(QPageSize(QPageSize::A4));
            QPainter p(&w);
            p.scale(600 / 72.0, 600 / 72.0);
            QFont f(QStringLiteral("Liberation Sans"));
            f.setPixelSize(9);
            p.setFont(f);
            bool first = true;
            for (const ReportPage &page : doc.pages) {
                if (!first)
                    w.newPage();
                first = false;
                for (const ReportItem &i : page.items) {
                    if (i.kind == ReportItem::Kind::Text)
                        p.drawText(i.rect.bottomLeft() - QPointF(0, 3), i.text);
                }
            }
        });
        report("7. 100,000-row report laid out + PDF (vs bare QPdfWriter drawing the same texts)",
               ours, bareDraw, "s", 3.0);
    }

    std::printf(
        "| Measure | Ours | Baseline | Ratio | Target | Holds |\n|---|---|---|---|---|---|\n");
    bool all = true;
    for (const Row &r : table) {
        const bool ok = r.ratio <= r.target;
        all = all && ok;
        std::printf("| %s | %s | %s | %.2f | <= %.2g | %s |\n", r.measure.c_str(), r.ours.c_str(),
                    r.baseline.c_str(), r.ratio, r.target, ok ? "yes" : "NO");
    }
    return all ? 0 : 1;
}
