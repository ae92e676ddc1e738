#include "reportcommand.h"
#include "core/apperror.h"
#include "core/locations.h"
#include "core/savefile.h"
#include "core/value.h"
#include "export/export.h"
#include "reports/engine/labels.h"
#include "reports/engine/reportdefinition.h"
#include "reports/engine/reportlayout.h"
#include "reports/engine/reportrender.h"
#include "reports/engine/reportrows.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <cstdio>

namespace gudang {

namespace {

// Writes the report of that definition as PDF (`format` empty) or as a spreadsheet.
int writeReport(const Locations &loc, const QString &definition, const QString &file,
                const ReportParameters &parameters, const QString &format)
{
    if (!loc.onServer() && !QFileInfo::exists(loc.workingPath())) {
        std::fprintf(stderr,
                     "Database kerja %s tidak ditemukan; laporan tidak dibuat.\nPeriksa "
                     "--data-dir, atau jalankan Gudang sekali dengan folder data itu.\n",
                     qPrintable(QDir::toNativeSeparators(loc.workingPath())));
        return 1;
    }
    protectDataFolder(loc);
    try {
        // Missing definitions are written with their defaults, as the start does.
        writeMissingReportDefinitions(loc);
        // A report that takes more than a second says how far it is, on one terminal line.
        QElapsedTimer clock;
        clock.start();
        bool told = false;
        qint64 lastTold = 0;
        auto tell = [&](const QString &what) {
            if (clock.elapsed() < 1000 || clock.elapsed() - lastTold < 200)
                return;
            told = true;
            lastTold = clock.elapsed();
            std::fprintf(stderr, "\r%s", qPrintable(what));
            std::fflush(stderr);
        };
        const ReportDocument doc = buildReport(
            definition, loc.workingPath(), QDateTime::currentDateTime(),
            [&](qint64 rows) {
                tell(QStringLiteral("Membaca data laporan... %1 baris   ")
                         .arg(formatNumber(double(rows), 0, true)));
                return true;
            },
            parameters);
        if (!format.isEmpty()) {
            writeSpreadsheet(doc.table(), file, format);
        } else {
            writeReportPdf(doc, file, 1, [&](int page, int pages) {
                if (page >= 0)
                    tell(QStringLiteral("Menulis halaman %1 dari %2...   ")
                             .arg(page + 1)
                             .arg(pages));
                return true;
            });
        }
        if (told)
            std::fprintf(stderr, "\rLaporan selesai: %d halaman.                    \n",
                         doc.pageCount());
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        return 1;
    }
    return 0;
}

// Shelf labels of all goods or the codes given, on a sheet of a common layout, as PDF.
int writeLabelsCommand(const QCommandLineParser &parser, const Options &options,
                       const Locations &loc, const QString &file, const QString &format)
{
    if (!format.isEmpty()) {
        std::fprintf(stderr, "--report label hanya ditulis sebagai PDF (--pdf FILE).\n");
        return 2;
    }
    const QString layoutName
        = parser.isSet(options.layout) ? parser.value(options.layout) : QStringLiteral("3x8");
    const LabelLayout *layout = findLabelLayout(layoutName);
    if (!layout) {
        std::fprintf(stderr, "Lembar label \"%s\" tidak dikenal (3x8 atau 4x10).\n",
                     qPrintable(layoutName));
        return 2;
    }
    QStringList codes;
    for (const QString &c : parser.value(options.code).split(QLatin1Char(','), Qt::SkipEmptyParts))
        codes << c.trimmed();
    protectDataFolder(loc);
    try {
        const std::vector<Label> labels = labelsOf(loc.workingPath(), codes);
        writeLabelsPdf(labels, *layout, file);
        std::printf("%d label ditulis ke %s.\n", int(labels.size()),
                    qPrintable(QDir::toNativeSeparators(file)));
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        return 1;
    }
    return 0;
}

} // namespace

int writeReportCommand(const QCommandLineParser &parser, const Options &options,
                       const Locations &locations)
{
    const int outputs = int(parser.isSet(options.pdf)) + int(parser.isSet(options.csv))
        + int(parser.isSet(options.xlsx));
    if (outputs != 1 || !parser.isSet(options.report)) {
        std::fprintf(stderr, "--report dan satu dari --pdf, --csv, --xlsx dipakai bersama.\n");
        return 2;
    }
    const QString file = parser.isSet(options.pdf) ? parser.value(options.pdf)
        : parser.isSet(options.csv)                ? parser.value(options.csv)
                                                   : parser.value(options.xlsx);
    const QString format = parser.isSet(options.pdf) ? QString()
        : parser.isSet(options.csv)                  ? QStringLiteral("csv")
                                                     : QStringLiteral("xlsx");
    const QString name = parser.value(options.report);
    if (name == QLatin1String("label"))
        return writeLabelsCommand(parser, options, locations, file, format);
    const ReportKind *kind = name.isEmpty() ? nullptr : findReportKind(name);
    if (!kind || !*kind->name) {
        QStringList names = reportNames(QStringLiteral("\n")).split(QLatin1Char('\n'));
        const QString last = names.takeLast();
        std::fprintf(stderr, "Laporan \"%s\" tidak dikenal (%s atau %s).\n", qPrintable(name),
                     qPrintable(names.join(QStringLiteral(", "))), qPrintable(last));
        return 2;
    }
    if (kind->needs == ReportKind::Needs::Count) {
        bool ok = false;
        const int id = parser.value(options.id).toInt(&ok);
        if (!ok || id <= 0) {
            std::fprintf(stderr, "--report %s perlu --id NOMOR (nomor hitungan stok opname).\n",
                         kind->name);
            return 2;
        }
        return writeReport(locations, reportPath(locations, *kind), file,
                           { { QStringLiteral("id"), QString::number(id) } }, format);
    }
    if (kind->needs == ReportKind::Needs::Date) {
        QDate day = QDate::currentDate();
        if (parser.isSet(options.date)) {
            day = QDate::fromString(parser.value(options.date), QStringLiteral("yyyy-MM-dd"));
            if (!day.isValid()) {
                std::fprintf(stderr,
                             "Tanggal --tanggal tidak terbaca: \"%s\" (tulis YYYY-MM-DD).\n",
                             qPrintable(parser.value(options.date)));
                return 2;
            }
        }
        return writeReport(locations, reportPath(locations, *kind), file, stockValueParameters(day),
                           format);
    }
    if (kind->needs == ReportKind::Needs::Code) {
        if (!parser.isSet(options.code)) {
            std::fprintf(stderr, "--report %s perlu --kode KODE.\n", kind->name);
            return 2;
        }
        return writeReport(locations, reportPath(locations, *kind), file,
                           { { QStringLiteral("kode"), parser.value(options.code) } }, format);
    }
    const bool card = kind->needs == ReportKind::Needs::CodeAndPeriod;
    if (card && !parser.isSet(options.code)) {
        std::fprintf(stderr, "--report %s perlu --kode KODE.\n", kind->name);
        return 2;
    }
    ReportParameters parameters;
    // A report of a period only (movements per user) takes the current month without --from.
    const bool period = parser.isSet(options.from) || parser.isSet(options.to)
        || kind->needs == ReportKind::Needs::Period;
    if (card || period) {
        const QString format = QStringLiteral("yyyy-MM-dd");
        QDate first = QDate::fromString(parser.value(options.from), format);
        QDate last = QDate::fromString(parser.value(options.to), format);
        for (const auto &[option, date] :
             { std::pair { &options.from, first }, std::pair { &options.to, last } }) {
            if (parser.isSet(*option) && !date.isValid()) {
                std::fprintf(stderr, "Tanggal --%s tidak terbaca: \"%s\" (tulis YYYY-MM-DD).\n",
                             qPrintable(option->names().constFirst()),
                             qPrintable(parser.value(*option)));
                return 2;
            }
        }
        if (!first.isValid() && !last.isValid()) { // the current month
            const QDate today = QDate::currentDate();
            first = QDate(today.year(), today.month(), 1);
        }
        if (!first.isValid())
            first = QDate(last.year(), last.month(), 1);
        if (!last.isValid())
            last = QDate(first.year(), first.month(), first.daysInMonth());
        if (first > last
            || (!card && !kind->withPeriod && kind->needs != ReportKind::Needs::Period)) {
            std::fprintf(stderr,
                         "--from dan --to hanya untuk --report keluar, kartu atau pengguna, dan "
                         "--from tidak sesudah --to.\n");
            return 2;
        }
        if (card) {
            parameters = stockCardParameters(parser.value(options.code), first, last);
            try {
                if (!goodsCodeKnown(locations.workingPath(), parser.value(options.code))) {
                    std::fprintf(stderr, "%s.\n",
                                 qPrintable(unknownCodeText(parser.value(options.code))));
                    return 1;
                }
            } catch (const AppError &e) {
                std::fprintf(stderr, "%s\n", qPrintable(e.description()));
                return 1;
            }
        } else {
            parameters = periodParameters(first, last);
            if (kind->withPeriod)
                kind = findReportKind(QString::fromLatin1(kind->withPeriod));
        }
    }
    return writeReport(locations, reportPath(locations, *kind), file, parameters, format);
}

} // namespace gudang
