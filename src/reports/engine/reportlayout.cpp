#include "reportlayout.h"
#include "core/apperror.h"
#include "core/value.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QLocale>
#include <algorithm>
#include <optional>

namespace gudang {

namespace {

constexpr double kMm = 72.0 / 25.4;
constexpr double kPageW = 210 * kMm;
constexpr double kPageH = 297 * kMm;
constexpr double kMargin = 15 * kMm;
constexpr double kRowH = 14;

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

QString formatCell(const ReportColumn &c, const ReportCell &cell)
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

QFont reportFont(int size, bool bold)
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(size); // one pixel is one point on every device the renderer uses
    f.setBold(bold);
    return f;
}

// Lays out the pages of one report. Every page but the last holds the same number of rows,
// so the page of any row, and the number of pages, follow from the row count alone.
class ReportPager
{
public:
    ReportPager(const ReportDefinition &def, std::shared_ptr<ReportRows> rows,
                const QDateTime &printedAt)
        : m_def(def)
        , m_rows(std::move(rows))
        , m_printed(
              QStringLiteral("Dicetak: %1")
                  .arg(indonesian().toString(printedAt, QStringLiteral("dddd, d MMMM yyyy HH:mm"))))
    {
        double x = kMargin;
        for (const ReportColumn &c : m_def.columns) {
            m_cols.push_back({ x, c.widthMm * kMm, m_rows->fieldIndex(c.field), &c });
            x += c.widthMm * kMm;
        }
        m_markX = x;
        m_markW = m_def.mark ? m_def.mark->widthMm * kMm : 0;
        m_right = m_markX + m_markW;
        m_markLeft = m_def.mark ? m_rows->fieldIndex(m_def.mark->left) : -1;
        m_markRight = m_def.mark ? m_rows->fieldIndex(m_def.mark->right) : -1;
        for (const QString &f : m_def.totals)
            m_totalFields.push_back(m_rows->fieldIndex(f));
        // Rows a page holds: as many as fit below the page head.
        for (double y = kHeadEnd; y + kRowH <= kBottom; y += kRowH)
            ++m_perPage;
        const qint64 n = m_rows->count();
        // The last page of rows ("Tidak ada data." stands for them when there are none), and
        // the totals below its rows or on a page of their own.
        m_lastRowsPage = n == 0 ? 0 : int((n - 1) / m_perPage);
        const qint64 onLast = n == 0 ? 1 : n - qint64(m_lastRowsPage) * m_perPage;
        m_totalsAlone
            = !m_def.totals.isEmpty() && kHeadEnd + double(onLast) * kRowH + kRowH + 4 > kBottom;
        m_count = m_lastRowsPage + 1 + (m_totalsAlone ? 1 : 0);
    }

    int count() const { return m_count; }
    void release() { m_rows->release(); }

    ReportPage page(int index, const ReportProgress &progress)
    {
        if (index < 0 || index >= m_count)
            throw AppError(QStringLiteral("Halaman %1 tidak ada pada laporan %2 (%3 halaman).")
                               .arg(index + 1)
                               .arg(m_def.title)
                               .arg(m_count));
        ReportPage p;
        double y = head(p, index);
        const qint64 n = m_rows->count();
        if (index <= m_lastRowsPage) {
            if (n == 0) {
                text(p, kMargin, y, m_right - kMargin, kRowH, QStringLiteral("Tidak ada data."), 9,
                     false, Qt::AlignHCenter | Qt::AlignVCenter);
                y += kRowH;
            }
            for (const ReportRow &row :
                 m_rows->read(qint64(index) * m_perPage, m_perPage, progress)) {
                rowItems(p, y, row);
                y += kRowH;
            }
        }
        const bool totalsHere
            = !m_def.totals.isEmpty() && index == (m_totalsAlone ? m_count - 1 : m_lastRowsPage);
        if (totalsHere)
            totals(p, y);
        return p;
    }

private:
    static constexpr double kHeadEnd = kMargin + 22 + 16 + kRowH + 2 + 2;
    static constexpr double kBottom = kPageH - kMargin;

    struct Col
    {
        double x, w;
        int field;
        const ReportColumn *column;
    };

    void text(ReportPage &p, double tx, double ty, double tw, double th, const QString &t, int size,
              bool bold, int align)
    {
        ReportItem i;
        i.kind = ReportItem::Kind::Text;
        i.rect = QRectF(tx, ty, tw, th);
        i.text = m_elide.fit(t, size, bold, std::max(0.0, tw - 2 * kReportTextPad));
        i.size = size;
        i.bold = bold;
        i.align = align;
        p.items.push_back(std::move(i));
    }

    static void line(ReportPage &p, double x1, double y1, double x2, double y2)
    {
        ReportItem i;
        i.kind = ReportItem::Kind::Line;
        i.rect = QRectF(QPointF(x1, y1), QPointF(x2, y2));
        p.items.push_back(std::move(i));
    }

    // The title, the print time, "Halaman X dari Y" and the column headings; returns where
    // the rows begin.
    double head(ReportPage &p, int index)
    {
        double y = kMargin;
        text(p, kMargin, y, m_right - kMargin, 20, m_def.title, 14, true,
             Qt::AlignHCenter | Qt::AlignVCenter);
        y += 22;
        const double half = (m_right - kMargin) / 2;
        text(p, kMargin, y, half, 12, m_printed, 8, false, Qt::AlignLeft | Qt::AlignVCenter);
        text(p, kMargin + half, y, half, 12,
             QStringLiteral("Halaman %1 dari %2").arg(index + 1).arg(m_count), 8, false,
             Qt::AlignRight | Qt::AlignVCenter);
        y += 16;
        line(p, kMargin, y, m_right, y);
        for (const Col &c : m_cols)
            text(p, c.x, y + 1, c.w, kRowH, c.column->heading, 9, true, alignment(c.column->align));
        if (m_def.mark)
            text(p, m_markX, y + 1, m_markW, kRowH, m_def.mark->heading, 9, true,
                 Qt::AlignLeft | Qt::AlignVCenter);
        y += kRowH + 2;
        line(p, kMargin, y, m_right, y);
        return y + 2;
    }

    void rowItems(ReportPage &p, double y, const ReportRow &row)
    {
        for (const Col &c : m_cols)
            text(p, c.x, y, c.w, kRowH, formatCell(*c.column, row[size_t(c.field)]), 9, false,
                 alignment(c.column->align));
        if (!m_def.mark)
            return;
        const ReportCell &a = row[size_t(m_markLeft)];
        const ReportCell &b = row[size_t(m_markRight)];
        if (a.isNumber && b.isNumber && a.number < b.number) {
            ReportItem box;
            box.kind = ReportItem::Kind::Box;
            box.rect = QRectF(m_markX + 1, y + 1, m_markW - 2, kRowH - 2);
            box.fill = QColor(200, 200, 200);
            p.items.push_back(box);
            text(p, m_markX, y, m_markW, kRowH, m_def.mark->text, 9, true,
                 Qt::AlignHCenter | Qt::AlignVCenter);
        }
    }

    void totals(ReportPage &p, double y)
    {
        line(p, kMargin, y + 1, m_right, y + 1);
        y += 2;
        text(p, m_cols.front().x, y, m_cols.front().w + (m_cols.size() > 1 ? m_cols[1].w : 0),
             kRowH, QStringLiteral("TOTAL"), 9, true, Qt::AlignLeft | Qt::AlignVCenter);
        for (size_t t = 0; t < m_totalFields.size(); ++t) {
            for (const Col &c : m_cols) {
                if (c.field == m_totalFields[t])
                    text(p, c.x, y, c.w, kRowH, reportNumber(*c.column, m_rows->totals()[t]), 9,
                         true, alignment(c.column->align));
            }
        }
        y += kRowH;
        line(p, kMargin, y, m_right, y);
    }

    friend struct ReportDocument;
    const ReportDefinition m_def;
    std::shared_ptr<ReportRows> m_rows;
    const QString m_printed;
    Elider m_elide;
    std::vector<Col> m_cols;
    double m_markX = 0, m_markW = 0, m_right = 0;
    int m_markLeft = -1, m_markRight = -1;
    std::vector<int> m_totalFields;
    int m_perPage = 0;
    int m_lastRowsPage = 0;
    bool m_totalsAlone = false;
    int m_count = 1;
};

int ReportDocument::pageCount() const
{
    return pager ? pager->count() : 0;
}

ReportPage ReportDocument::page(int index, const ReportProgress &progress) const
{
    if (!pager)
        throw AppError(QStringLiteral("Laporan belum dibuat."));
    return pager->page(index, progress);
}

ExportTable ReportDocument::table() const
{
    if (!pager) {
        ExportTable t;
        t.title = title;
        return t;
    }
    return reportTable(pager->m_def, pager->m_rows, title);
}

ExportTable reportTable(const ReportDefinition &def, std::shared_ptr<ReportRows> rows,
                        const QString &title)
{
    ExportTable t;
    t.title = title;
    std::vector<int> fields;
    for (const ReportColumn &c : def.columns) {
        const bool number
            = c.format == ReportColumn::Format::Number || c.format == ReportColumn::Format::Grouped;
        t.columns.push_back({ c.heading,
                              number ? ExportTable::Kind::Number
                                  : c.format == ReportColumn::Format::Date
                                  ? ExportTable::Kind::Date
                                  : ExportTable::Kind::Text });
        fields.push_back(rows->fieldIndex(c.field));
    }
    // The remark column, as the printed report shows it.
    std::optional<ReportMark> mark = def.mark;
    int markLeft = -1, markRight = -1;
    if (mark) {
        t.columns.push_back({ mark->heading, ExportTable::Kind::Text });
        markLeft = rows->fieldIndex(mark->left);
        markRight = rows->fieldIndex(mark->right);
    }
    t.rows = [rows, fields, kinds = t.columns, mark, markLeft,
              markRight](const std::function<void(const std::vector<Value> &)> &row) {
        for (qint64 first = 0; first < rows->count(); first += 4096) {
            for (const ReportRow &r : rows->read(first, 4096)) {
                std::vector<Value> cells;
                for (size_t c = 0; c < fields.size(); ++c) {
                    const ReportCell &cell = r[size_t(fields[c])];
                    if (cell.null) {
                        cells.emplace_back();
                    } else if (kinds[c].kind == ExportTable::Kind::Date) {
                        bool ok = false;
                        const QDateTime d = dateFromText(cell.text, &ok);
                        cells.push_back(ok ? Value(d) : Value(cell.text));
                    } else if (kinds[c].kind == ExportTable::Kind::Number && cell.isNumber) {
                        cells.emplace_back(cell.number);
                    } else {
                        cells.emplace_back(cell.text);
                    }
                }
                if (mark) {
                    const ReportCell &l = r[size_t(markLeft)], &rr = r[size_t(markRight)];
                    const bool holds = l.isNumber && rr.isNumber && l.number < rr.number;
                    cells.emplace_back(holds ? mark->text : QString());
                }
                row(cells);
            }
        }
        rows->release();
    };
    return t;
}

QString reportTitle(const ReportDefinition &def, const ReportParameters &parameters)
{
    QString title = def.title;
    for (const auto &[name, value] : parameters) {
        bool isDate = false;
        const QDateTime date = dateFromText(value, &isDate);
        title.replace(QLatin1Char('{') + name + QLatin1Char('}'),
                      isDate ? dateToDisplay(date) : value);
    }
    return title;
}

void ReportDocument::release() const
{
    if (pager)
        pager->release();
}

QStringList ReportDocument::texts(int index) const
{
    QStringList out;
    for (const ReportItem &i : page(index).items) {
        if (i.kind == ReportItem::Kind::Text)
            out << i.text;
    }
    return out;
}

ReportDocument layoutReport(const ReportDefinition &def, std::shared_ptr<ReportRows> rows,
                            const QDateTime &printedAt)
{
    ReportDocument doc;
    doc.title = def.title;
    doc.widthPt = kPageW;
    doc.heightPt = kPageH;
    doc.pager = std::make_shared<ReportPager>(def, std::move(rows), printedAt);
    return doc;
}

ReportDocument buildReport(const QString &definitionPath, const QString &workingPath,
                           const QDateTime &printedAt, const ReportProgress &progress,
                           const ReportParameters &parameters)
{
    ReportDefinition def = readReportDefinition(definitionPath);
    def.title = reportTitle(def, parameters);
    auto rows = std::make_shared<ReportRows>(def, workingPath, definitionPath, progress,
                                             ReportLimits(), parameters);
    return layoutReport(def, std::move(rows), printedAt);
}

} // namespace gudang
