#include "reportlayout.h"
#include "data/apperror.h"
#include "data/value.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QLocale>
#include <algorithm>

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

QFont reportFont(int size, bool bold)
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(size); // one pixel is one point on every device the renderer uses
    f.setBold(bold);
    return f;
}

QStringList ReportDocument::texts(int page) const
{
    QStringList out;
    for (const ReportItem &i : pages[size_t(page)].items) {
        if (i.kind == ReportItem::Kind::Text)
            out << i.text;
    }
    return out;
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
        i.text = elide.fit(t, size, bold, std::max(0.0, tw - 2 * kReportTextPad));
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

ReportDocument buildReport(const QString &definitionPath, const QString &workingPath,
                           const QDateTime &printedAt, const ReportProgress &progress)
{
    const ReportDefinition def = readReportDefinition(definitionPath);
    const ReportData data = readReportData(def, workingPath, definitionPath, progress);
    return layoutReport(def, data, printedAt);
}

} // namespace gudang
