#include "reportrows.h"
#include "core/apperror.h"
#include "core/value.h"
#include "store/reportquery.h"

#include <QDir>
#include <QElapsedTimer>

namespace gudang {

AppError ReportRows::said(const AppError &e, const ReportLimits &limits, bool sorting) const
{
    switch (e.kind()) {
    case AppError::Kind::Cancelled:
        return AppError(QStringLiteral("Laporan dibatalkan."), e.kind());
    case AppError::Kind::Timeout:
        return AppError(QStringLiteral("File laporan %1: data tidak selesai dibaca dalam %2 detik; "
                                       "laporan dihentikan. Periksa perintah data di file itu.")
                            .arg(m_file)
                            .arg(limits.secondsWithoutRow),
                        e.kind());
    case AppError::Kind::Refused:
        return AppError(
            QStringLiteral("File laporan %1: data harus berupa satu perintah SELECT.").arg(m_file),
            e.kind());
    case AppError::Kind::Missing:
        return AppError(QStringLiteral("File laporan %1: nilai :%2 untuk datanya tidak diberikan.")
                            .arg(m_file, e.detail()),
                        e.kind());
    case AppError::Kind::CannotOpen:
        return e;
    default:
        break;
    }
    if (e.description().isEmpty())
        return AppError(QStringLiteral("File laporan %1: data tidak dapat %2: %3.")
                            .arg(m_file,
                                 sorting ? QStringLiteral("diurutkan") : QStringLiteral("dibaca"),
                                 e.detail()),
                        e.kind(), e.sqlState(), e.detail());
    return e;
}

AppError ReportRows::tooManyRows(const ReportLimits &limits) const
{
    return AppError(QStringLiteral("File laporan %1: data lebih dari %2 baris; laporan "
                                   "dihentikan. Batasi data di file itu.")
                        .arg(m_file, formatNumber(double(limits.rows), 0, true)));
}

// A total or a remark's comparison over a text would count nothing.
AppError ReportRows::notANumber(const Numeric &n, const QString &text) const
{
    return AppError(
        QStringLiteral("File laporan %1, baris %2: %3 perlu field angka, tetapi %4 berisi \"%5\".")
            .arg(m_file)
            .arg(n.line)
            .arg(n.what, m_fields[n.field], shortQuote(text)));
}

void ReportRows::setUpChecks(const ReportDefinition &def)
{
    auto need = [&](const QString &field) {
        if (fieldIndex(field) < 0)
            throw AppError(QStringLiteral("File laporan %1: field %2 tidak ada pada data.")
                               .arg(m_file, field));
        return fieldIndex(field);
    };
    for (const ReportColumn &c : def.columns)
        need(c.field);
    for (const QString &f : def.sortBy)
        need(f);
    // Fields that must hold numbers: each total, and both sides of a remark's comparison.
    for (qsizetype t = 0; t < def.totals.size(); ++t)
        m_numeric.push_back(
            { need(def.totals[t]), def.totalLines.value(t), QStringLiteral("total"), int(t) });
    if (def.mark) {
        m_numeric.push_back({ need(def.mark->left), def.mark->line, QStringLiteral("tanda"), -1 });
        m_numeric.push_back({ need(def.mark->right), def.mark->line, QStringLiteral("tanda"), -1 });
    }
    m_totals.assign(size_t(def.totals.size()), 0.0);
}

ReportRows::ReportRows(const ReportDefinition &def, const QString &workingPath,
                       const QString &definitionPath, const ReportProgress &progress,
                       const ReportLimits &limits, const ReportParameters &parameters)
    : m_file(QDir::toNativeSeparators(definitionPath))
    , m_limits(limits)
{
    try {
        m_query = openReportQuery(workingPath, def.query, parameters, limits.secondsWithoutRow,
                                  progress);
        m_fields = m_query->fields();
    } catch (const AppError &e) {
        throw said(e, limits);
    }
    setUpChecks(def);
    // The first pass: rows counted within the limits, numbers checked and added up.
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    qint64 rows = 0;
    try {
        while (m_query->next()) {
            if (++rows > limits.rows)
                throw tooManyRows(limits);
            for (const Numeric &n : m_numeric) {
                if (m_query->isNumber(n.field)) {
                    if (n.total >= 0)
                        m_totals[size_t(n.total)] += m_query->number(n.field);
                } else if (!m_query->isNull(n.field)) {
                    throw notANumber(n, m_query->cell(n.field).text);
                }
            }
            if (progress && rows % 1024 == 0 && sinceProgress.elapsed() >= 50) {
                sinceProgress.restart();
                if (!progress(rows))
                    throw AppError(QStringLiteral("Laporan dibatalkan."),
                                   AppError::Kind::Cancelled);
            }
        }
    } catch (const AppError &e) {
        if (!e.description().isEmpty())
            throw;
        throw said(e, limits);
    }
    m_count = rows;
    // The rows in order: sorted by the definition's fields, rows that tie in the order the
    // query gives them. Rows without a value come first.
    QStringList order;
    for (const QString &f : def.sortBy)
        order << m_fields[fieldIndex(f)];
    try {
        m_query->setOrder(order);
    } catch (const AppError &e) {
        throw said(e, limits, true);
    }
}

ReportRows::~ReportRows() = default;

void ReportRows::release()
{
    m_query->release();
}

std::vector<ReportRow> ReportRows::read(qint64 first, int count, const ReportProgress &progress)
{
    if (first >= m_count || count <= 0)
        return {};
    try {
        return m_query->read(first, count, progress);
    } catch (const AppError &e) {
        throw said(e, m_limits);
    }
}

namespace {

// The order of two values as the stores sort them: Null first, numbers before texts, numbers by
// value, texts by their bytes.
int compareCells(const ReportCell &a, const ReportCell &b)
{
    if (a.null || b.null)
        return int(!a.null) - int(!b.null);
    if (a.isNumber != b.isNumber)
        return a.isNumber ? -1 : 1;
    if (a.isNumber)
        return a.number < b.number ? -1 : a.number > b.number ? 1 : 0;
    return a.text.toUtf8().compare(b.text.toUtf8());
}

} // namespace

QueryStart readQueryStart(const ReportDefinition &def, const QString &workingPath,
                          const ReportParameters &parameters, int count)
{
    QueryStart start;
    std::unique_ptr<ReportQuery> query
        = openReportQuery(workingPath, def.query, parameters, ReportLimits().secondsWithoutRow, {});
    start.fields = query->fields();
    std::vector<int> keys;
    for (const QString &f : def.sortBy) {
        const int i = int(start.fields.indexOf(QRegularExpression(
            QRegularExpression::escape(f), QRegularExpression::CaseInsensitiveOption)));
        if (i < 0)
            return start; // said by the report's own reading
        keys.push_back(i);
    }
    start.ordered = true;
    while (int(start.rows.size()) < count) {
        if (!query->next()) {
            start.complete = true;
            break;
        }
        ReportRow row(size_t(start.fields.size()));
        for (int c = 0; c < int(start.fields.size()); ++c)
            row[size_t(c)] = query->cell(c);
        if (!start.rows.empty()) {
            for (int k : keys) {
                const int order = compareCells(start.rows.back()[size_t(k)], row[size_t(k)]);
                if (order < 0)
                    break;
                if (order > 0) {
                    start.ordered = false;
                    break;
                }
            }
        }
        start.rows.push_back(std::move(row));
    }
    return start;
}

bool goodsCodeKnown(const QString &workingPath, const QString &code)
{
    auto query = openReportQuery(
        workingPath,
        QStringLiteral("SELECT 1 FROM tbarang WHERE Kode_Barang = :kode UNION ALL SELECT 1 FROM "
                       "tstok WHERE Kode_Barang = :kode UNION ALL SELECT 1 FROM tmutasi WHERE "
                       "Kode_Barang = :kode"),
        { { QStringLiteral("kode"), code } }, ReportLimits().secondsWithoutRow, {});
    return query->next();
}

QString unknownCodeText(const QString &code)
{
    return QStringLiteral("Maaf Kode Barang %1 Tidak Terdaftar").arg(shortQuote(code));
}

} // namespace gudang
