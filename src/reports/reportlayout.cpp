#include "reportlayout.h"
#include "data/apperror.h"
#include "data/value.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontMetricsF>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <sqlite3.h>

namespace gudang {

namespace {

constexpr double kMm = 72.0 / 25.4;
constexpr double kPageW = 210 * kMm;
constexpr double kPageH = 297 * kMm;
constexpr double kMargin = 15 * kMm;
constexpr double kRowH = 14;
constexpr double kPad = 2;

QFont reportFont(int size, bool bold)
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(size); // one pixel is one point on every device the renderer uses
    f.setBold(bold);
    return f;
}

const QLocale &indonesian()
{
    static const QLocale l(QLocale::Indonesian, QLocale::Indonesia);
    return l;
}

// Numbers in reports: at most two decimals, with a decimal comma; thousands dots where the
// column asks for them.
QString reportNumber(const ReportColumn &c, double v)
{
    return formatNumber(v, 2, c.format == ReportColumn::Format::Grouped);
}

QString formatCell(const ReportColumn &c, const ReportData::Cell &cell)
{
    if (cell.null)
        return QString();
    switch (c.format) {
    case ReportColumn::Format::Number:
    case ReportColumn::Format::Grouped:
        return cell.isNumber ? reportNumber(c, cell.number) : cell.text;
    case ReportColumn::Format::Date: {
        const QDateTime d
            = QDateTime::fromString(cell.text.left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (d.isValid())
            return d.toString(QStringLiteral("dd/MM/yyyy"));
        const QDate day = QDate::fromString(cell.text.left(10), QStringLiteral("yyyy-MM-dd"));
        return day.isValid() ? day.toString(QStringLiteral("dd/MM/yyyy")) : cell.text;
    }
    case ReportColumn::Format::Text:
        break;
    }
    return cell.text;
}

int alignment(ReportColumn::Align a)
{
    switch (a) {
    case ReportColumn::Align::Right:
        return Qt::AlignRight | Qt::AlignVCenter;
    case ReportColumn::Align::Centre:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case ReportColumn::Align::Left:
        break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

// Texts are shortened with "…" to fit their column.
class Elider
{
public:
    QString fit(const QString &text, int size, bool bold, double width)
    {
        QFontMetricsF &m = metrics(size, bold);
        if (m.horizontalAdvance(text) <= width)
            return text;
        return m.elidedText(text, Qt::ElideRight, width);
    }

private:
    QFontMetricsF &metrics(int size, bool bold)
    {
        const int key = size * 2 + (bold ? 1 : 0);
        auto it = m_metrics.find(key);
        if (it == m_metrics.end())
            it = m_metrics.emplace(key, QFontMetricsF(reportFont(size, bold))).first;
        return it->second;
    }
    std::map<int, QFontMetricsF> m_metrics;
};

} // namespace

QStringList ReportDocument::texts(int page) const
{
    QStringList out;
    for (const ReportItem &i : pages[size_t(page)].items) {
        if (i.kind == ReportItem::Kind::Text)
            out << i.text;
    }
    return out;
}

namespace {

// Watches a running query: SQLite asks it every few thousand steps whether to go on.
struct QueryWatch
{
    const ReportProgress *progress = nullptr;
    qint64 rows = 0;
    QElapsedTimer sinceRow;
    QElapsedTimer sinceProgress;
    qint64 limitMs = 0;
    bool timedOut = false;
    bool cancelled = false;

    bool goOn()
    {
        if (sinceRow.elapsed() > limitMs) {
            timedOut = true;
            return false;
        }
        if (*progress && sinceProgress.elapsed() >= 50) {
            sinceProgress.restart();
            if (!(*progress)(rows)) {
                cancelled = true;
                return false;
            }
        }
        return true;
    }
};

} // namespace

ReportData readReportData(const ReportDefinition &def, const QString &workingPath,
                          const QString &definitionPath, const ReportProgress &progress,
                          const ReportLimits &limits)
{
    const QString file = QDir::toNativeSeparators(definitionPath);
    if (!QFile::exists(workingPath)) {
        throw AppError(QStringLiteral("Database %1 tidak dapat dibuka: file tidak ditemukan.")
                           .arg(QDir::toNativeSeparators(workingPath)));
    }
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(workingPath).constData(), &db, SQLITE_OPEN_READONLY,
                        nullptr)
        != SQLITE_OK) {
        const QString why = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        throw AppError(QStringLiteral("Database %1 tidak dapat dibuka: %2.")
                           .arg(QDir::toNativeSeparators(workingPath), why));
    }
    sqlite3_busy_timeout(db, 2000);
    std::unique_ptr<sqlite3, int (*)(sqlite3 *)> guard(db, sqlite3_close);
    const QByteArray sql = def.query.toUtf8();
    sqlite3_stmt *st = nullptr;
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &st, &tail) != SQLITE_OK) {
        throw AppError(QStringLiteral("File laporan %1: data tidak dapat dibaca: %2.")
                           .arg(file, QString::fromUtf8(sqlite3_errmsg(db))));
    }
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> stmt(st, sqlite3_finalize);
    if (QByteArray(tail).trimmed().replace(';', "").size() != 0 || !sqlite3_stmt_readonly(st))
        throw AppError(
            QStringLiteral("File laporan %1: data harus berupa satu perintah SELECT.").arg(file));

    ReportData data;
    for (int c = 0; c < sqlite3_column_count(st); ++c)
        data.fields << QString::fromUtf8(sqlite3_column_name(st, c));
    auto need = [&](const QString &field) {
        if (data.fieldIndex(field) < 0)
            throw AppError(
                QStringLiteral("File laporan %1: field %2 tidak ada pada data.").arg(file, field));
    };
    for (const ReportColumn &c : def.columns)
        need(c.field);
    for (const QString &f : def.sortBy)
        need(f);
    for (const QString &f : def.totals)
        need(f);
    if (def.mark) {
        need(def.mark->left);
        need(def.mark->right);
    }
    const int n = int(data.fields.size());
    QueryWatch watch;
    watch.progress = &progress;
    watch.limitMs = qint64(limits.secondsWithoutRow) * 1000;
    watch.sinceRow.start();
    watch.sinceProgress.start();
    sqlite3_progress_handler(
        db, 10000, [](void *w) { return static_cast<QueryWatch *>(w)->goOn() ? 0 : 1; }, &watch);
    qint64 bytes = 0;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        watch.sinceRow.restart();
        if (++watch.rows > limits.rows)
            throw AppError(QStringLiteral("File laporan %1: data lebih dari %2 baris; laporan "
                                          "dihentikan. Batasi data di file itu.")
                               .arg(file, formatNumber(double(limits.rows), 0, true)));
        std::vector<ReportData::Cell> row(static_cast<size_t>(n));
        for (int c = 0; c < n; ++c) {
            ReportData::Cell &cell = row[size_t(c)];
            const int type = sqlite3_column_type(st, c);
            if (type == SQLITE_NULL)
                continue;
            cell.null = false;
            if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
                cell.isNumber = true;
                cell.number = sqlite3_column_double(st, c);
            }
            cell.text
                = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c)),
                                    sqlite3_column_bytes(st, c));
            bytes += qint64(sizeof(ReportData::Cell)) + 2 * cell.text.size() + 24;
        }
        bytes += qint64(sizeof(row));
        if (bytes > limits.bytes)
            throw AppError(QStringLiteral("File laporan %1: data lebih besar dari %2 MiB; laporan "
                                          "dihentikan. Batasi data di file itu.")
                               .arg(file)
                               .arg(limits.bytes >> 20));
        data.rows.push_back(std::move(row));
        if (progress && watch.rows % 1024 == 0 && watch.sinceProgress.elapsed() >= 50) {
            watch.sinceProgress.restart();
            if (!progress(watch.rows))
                throw AppError(QStringLiteral("Laporan dibatalkan."));
        }
    }
    if (watch.cancelled)
        throw AppError(QStringLiteral("Laporan dibatalkan."));
    if (watch.timedOut)
        throw AppError(QStringLiteral("File laporan %1: data tidak selesai dibaca dalam %2 detik; "
                                      "laporan dihentikan. Periksa perintah data di file itu.")
                           .arg(file)
                           .arg(limits.secondsWithoutRow));
    if (rc != SQLITE_DONE) {
        throw AppError(QStringLiteral("File laporan %1: data tidak dapat dibaca: %2.")
                           .arg(file, QString::fromUtf8(sqlite3_errmsg(db))));
    }
    // A total or a remark's comparison over a field that holds texts would count nothing.
    auto numeric = [&](const QString &field, int line, const QString &what) {
        const int f = data.fieldIndex(field);
        for (const auto &row : data.rows) {
            const ReportData::Cell &cell = row[size_t(f)];
            if (!cell.null && !cell.isNumber)
                throw AppError(
                    QStringLiteral("File laporan %1, baris %2: %3 perlu field angka, tetapi %4 "
                                   "berisi \"%5\".")
                        .arg(file)
                        .arg(line)
                        .arg(what, field, shortQuote(cell.text)));
        }
    };
    for (qsizetype t = 0; t < def.totals.size(); ++t)
        numeric(def.totals[t], def.totalLines.value(t), QStringLiteral("total"));
    if (def.mark) {
        numeric(def.mark->left, def.mark->line, QStringLiteral("tanda"));
        numeric(def.mark->right, def.mark->line, QStringLiteral("tanda"));
    }
    if (!def.sortBy.isEmpty()) {
        std::vector<int> keys;
        for (const QString &f : def.sortBy)
            keys.push_back(data.fieldIndex(f));
        std::stable_sort(data.rows.begin(), data.rows.end(), [&keys](const auto &a, const auto &b) {
            for (int k : keys) {
                const ReportData::Cell &x = a[size_t(k)];
                const ReportData::Cell &y = b[size_t(k)];
                if (x.null != y.null)
                    return x.null; // rows without a value first
                int cmp = 0;
                if (x.isNumber && y.isNumber)
                    cmp = x.number < y.number ? -1 : (x.number > y.number ? 1 : 0);
                else
                    cmp = QString::compare(x.text, y.text);
                if (cmp != 0)
                    return cmp < 0;
            }
            return false;
        });
    }
    return data;
}

ReportDocument layoutReport(const ReportDefinition &def, const ReportData &data,
                            const QDateTime &printedAt)
{
    ReportDocument doc;
    doc.title = def.title;
    doc.widthPt = kPageW;
    doc.heightPt = kPageH;
    Elider elide;

    struct Col
    {
        double x, w;
        int field;
        const ReportColumn *column;
    };
    std::vector<Col> cols;
    double x = kMargin;
    for (const ReportColumn &c : def.columns) {
        cols.push_back({ x, c.widthMm * kMm, data.fieldIndex(c.field), &c });
        x += c.widthMm * kMm;
    }
    const double markX = x;
    const double markW = def.mark ? def.mark->widthMm * kMm : 0;
    const double right = markX + markW;
    const int markLeft = def.mark ? data.fieldIndex(def.mark->left) : -1;
    const int markRight = def.mark ? data.fieldIndex(def.mark->right) : -1;
    const QString printed
        = QStringLiteral("Dicetak: %1")
              .arg(indonesian().toString(printedAt, QStringLiteral("dddd, d MMMM yyyy HH:mm")));

    auto text = [&](ReportPage &p, double tx, double ty, double tw, double th, const QString &t,
                    int size, bool bold, int align) {
        ReportItem i;
        i.kind = ReportItem::Kind::Text;
        i.rect = QRectF(tx, ty, tw, th);
        i.text = elide.fit(t, size, bold, std::max(0.0, tw - 2 * kPad));
        i.size = size;
        i.bold = bold;
        i.align = align;
        p.items.push_back(std::move(i));
    };
    auto line = [](ReportPage &p, double x1, double y1, double x2, double y2) {
        ReportItem i;
        i.kind = ReportItem::Kind::Line;
        i.rect = QRectF(QPointF(x1, y1), QPointF(x2, y2));
        p.items.push_back(std::move(i));
    };
    std::vector<size_t> pageNumberItems;
    double y = 0;
    const double bottom = kPageH - kMargin;
    auto newPage = [&]() {
        doc.pages.emplace_back();
        ReportPage &p = doc.pages.back();
        y = kMargin;
        text(p, kMargin, y, right - kMargin, 20, def.title, 14, true,
             Qt::AlignHCenter | Qt::AlignVCenter);
        y += 22;
        text(p, kMargin, y, (right - kMargin) / 2, 12, printed, 8, false,
             Qt::AlignLeft | Qt::AlignVCenter);
        pageNumberItems.push_back(p.items.size());
        text(p, kMargin + (right - kMargin) / 2, y, (right - kMargin) / 2, 12, QString(), 8, false,
             Qt::AlignRight | Qt::AlignVCenter);
        y += 16;
        line(p, kMargin, y, right, y);
        for (const Col &c : cols)
            text(p, c.x, y + 1, c.w, kRowH, c.column->heading, 9, true, alignment(c.column->align));
        if (def.mark)
            text(p, markX, y + 1, markW, kRowH, def.mark->heading, 9, true,
                 Qt::AlignLeft | Qt::AlignVCenter);
        y += kRowH + 2;
        line(p, kMargin, y, right, y);
        y += 2;
    };

    newPage();
    std::vector<double> totals(def.totals.size(), 0.0);
    std::vector<int> totalFields;
    for (const QString &f : def.totals)
        totalFields.push_back(data.fieldIndex(f));
    if (data.rows.empty()) {
        text(doc.pages.back(), kMargin, y, right - kMargin, kRowH,
             QStringLiteral("Tidak ada data."), 9, false, Qt::AlignHCenter | Qt::AlignVCenter);
        y += kRowH;
    }
    for (const auto &row : data.rows) {
        if (y + kRowH > bottom)
            newPage();
        ReportPage &p = doc.pages.back();
        for (const Col &c : cols)
            text(p, c.x, y, c.w, kRowH, formatCell(*c.column, row[size_t(c.field)]), 9, false,
                 alignment(c.column->align));
        if (def.mark) {
            const ReportData::Cell &a = row[size_t(markLeft)];
            const ReportData::Cell &b = row[size_t(markRight)];
            if (a.isNumber && b.isNumber && a.number < b.number) {
                ReportItem box;
                box.kind = ReportItem::Kind::Box;
                box.rect = QRectF(markX + 1, y + 1, markW - 2, kRowH - 2);
                box.fill = QColor(200, 200, 200);
                p.items.push_back(box);
                text(p, markX, y, markW, kRowH, def.mark->text, 9, true,
                     Qt::AlignHCenter | Qt::AlignVCenter);
            }
        }
        for (size_t t = 0; t < totalFields.size(); ++t) {
            const ReportData::Cell &cell = row[size_t(totalFields[t])];
            if (cell.isNumber)
                totals[t] += cell.number;
        }
        y += kRowH;
    }
    if (!def.totals.isEmpty()) {
        if (y + kRowH + 4 > bottom)
            newPage();
        ReportPage &p = doc.pages.back();
        line(p, kMargin, y + 1, right, y + 1);
        y += 2;
        text(p, cols.front().x, y, cols.front().w + (cols.size() > 1 ? cols[1].w : 0), kRowH,
             QStringLiteral("TOTAL"), 9, true, Qt::AlignLeft | Qt::AlignVCenter);
        for (size_t t = 0; t < totalFields.size(); ++t) {
            for (const Col &c : cols) {
                if (c.field == totalFields[t])
                    text(p, c.x, y, c.w, kRowH, reportNumber(*c.column, totals[t]), 9, true,
                         alignment(c.column->align));
            }
        }
        y += kRowH;
        line(p, kMargin, y, right, y);
    }
    const int count = int(doc.pages.size());
    for (int i = 0; i < count; ++i)
        doc.pages[size_t(i)].items[pageNumberItems[size_t(i)]].text
            = QStringLiteral("Halaman %1 dari %2").arg(i + 1).arg(count);
    return doc;
}

void renderPage(QPainter &painter, const ReportPage &page)
{
    painter.save();
    for (const ReportItem &i : page.items) {
        switch (i.kind) {
        case ReportItem::Kind::Line:
            painter.setPen(QPen(Qt::black, 0.6));
            painter.drawLine(i.rect.topLeft(), i.rect.bottomRight());
            break;
        case ReportItem::Kind::Box:
            painter.setPen(QPen(Qt::black, 0.8));
            painter.setBrush(i.fill);
            painter.drawRect(i.rect);
            painter.setBrush(Qt::NoBrush);
            break;
        case ReportItem::Kind::Text:
            painter.setPen(Qt::black);
            painter.setFont(reportFont(i.size, i.bold));
            painter.drawText(i.rect.adjusted(kPad, 0, -kPad, 0), i.align | Qt::TextSingleLine,
                             i.text);
            break;
        }
    }
    painter.restore();
}

void writeReportPdf(const ReportDocument &doc, const QString &path, int copies)
{
    QPdfWriter pdf(path);
    pdf.setTitle(doc.title);
    pdf.setCreator(QStringLiteral("Gudang"));
    pdf.setResolution(600);
    pdf.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QPainter painter;
    if (!painter.begin(&pdf))
        throw AppError(
            QStringLiteral("File PDF %1 tidak dapat ditulis.").arg(QDir::toNativeSeparators(path)));
    const double scale = pdf.resolution() / 72.0;
    painter.scale(scale, scale);
    bool first = true;
    for (int c = 0; c < copies; ++c) {
        for (const ReportPage &p : doc.pages) {
            if (!first)
                pdf.newPage();
            first = false;
            renderPage(painter, p);
        }
    }
    painter.end();
    if (QFile(path).size() == 0)
        throw AppError(
            QStringLiteral("File PDF %1 tidak dapat ditulis.").arg(QDir::toNativeSeparators(path)));
}

ReportDocument buildReport(const QString &definitionPath, const QString &workingPath,
                           const QDateTime &printedAt, const ReportProgress &progress)
{
    const ReportDefinition def = readReportDefinition(definitionPath);
    const ReportData data = readReportData(def, workingPath, definitionPath, progress);
    return layoutReport(def, data, printedAt);
}

} // namespace gudang
