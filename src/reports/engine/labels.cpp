#include "labels.h"
#include "barcode/barcode.h"
#include "core/apperror.h"
#include "core/goodscode.h"
#include "core/savefile.h"
#include "store/reportquery.h"

#include <QDir>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <set>

namespace gudang {

const std::vector<LabelLayout> &labelLayouts()
{
    static const std::vector<LabelLayout> layouts = {
        { "3x8", 3, 8, 0, 0.5, 70, 37 },
        { "4x10", 4, 10, 0, 0, 52.5, 29.7 },
    };
    return layouts;
}

const LabelLayout *findLabelLayout(const QString &name)
{
    for (const LabelLayout &l : labelLayouts()) {
        if (name == QLatin1String(l.name))
            return &l;
    }
    return nullptr;
}

std::vector<Label> labelsOf(const QString &workingAddress, const QStringList &codes)
{
    auto q = openReportQuery(workingAddress,
                             QStringLiteral("SELECT Kode_Barang, Nama_Barang, Satuan FROM tbarang "
                                            "WHERE Kode_Barang IS NOT NULL ORDER BY Kode_Barang"),
                             {}, 60, {});
    const std::set<QString> wanted(codes.begin(), codes.end());
    std::set<QString> found;
    std::vector<Label> out;
    while (q->next()) {
        const QString code = q->cell(0).text;
        if (code.isEmpty() || (!wanted.empty() && !wanted.count(code)))
            continue;
        found.insert(code);
        out.push_back({ code, q->cell(1).text, q->cell(2).text });
    }
    QStringList missing;
    for (const QString &c : wanted) {
        if (!found.count(c))
            missing << c;
    }
    if (!missing.isEmpty())
        throw AppError(QStringLiteral("Kode barang %1 tidak terdaftar; label tidak dibuat.")
                           .arg(missing.join(QStringLiteral(", "))),
                       AppError::Kind::Missing);
    if (out.empty())
        throw AppError(QStringLiteral("Belum ada data barang untuk dibuatkan label."),
                       AppError::Kind::Missing);
    // A bar that scans back otherwise than the code was typed is worse than no label.
    QStringList unreadable;
    for (const Label &l : out) {
        if (const QString c = notInCode128(l.code); !c.isEmpty())
            unreadable << QStringLiteral("%1 (huruf \"%2\")").arg(l.code, c);
    }
    if (!unreadable.isEmpty())
        throw AppError(QStringLiteral("Kode %1 tidak dapat dibawa barcode Code 128 apa adanya "
                                      "(hanya huruf, angka dan tanda baca ASCII); label tidak "
                                      "dibuat.")
                           .arg(unreadable.mid(0, 20).join(QStringLiteral(", "))),
                       AppError::Kind::Refused);
    return out;
}

namespace {

// One label in its box (millimetres): the name above, the bars with their quiet zones in the
// middle, the code and the unit below.
void paintLabel(QPainter &p, const Label &label, const QRectF &box)
{
    const double pad = std::min(3.0, box.height() * 0.08);
    const QRectF inner = box.adjusted(pad, pad, -pad, -pad);
    const double nameHeight = inner.height() * 0.2;
    const double codeHeight = inner.height() * 0.16;
    // Pixel sizes are whole: the text is drawn in tenths of a millimetre.
    p.save();
    p.scale(0.1, 0.1);
    const QRectF nameBox(inner.left() * 10, inner.top() * 10, inner.width() * 10, nameHeight * 10);
    QFont nameFont(QStringLiteral("DejaVu Sans"));
    nameFont.setBold(true);
    nameFont.setPixelSize(std::max(1, int(nameHeight * 7.5)));
    p.setFont(nameFont);
    const QString name
        = QFontMetricsF(nameFont).elidedText(label.name, Qt::ElideRight, nameBox.width());
    p.drawText(nameBox, Qt::AlignLeft | Qt::AlignVCenter, name);
    QFont codeFont(QStringLiteral("DejaVu Sans"));
    codeFont.setPixelSize(std::max(1, int(codeHeight * 7.5)));
    p.setFont(codeFont);
    const QRectF codeBox(inner.left() * 10, (inner.bottom() - codeHeight) * 10, inner.width() * 10,
                         codeHeight * 10);
    p.drawText(codeBox, Qt::AlignLeft | Qt::AlignVCenter, label.code);
    p.drawText(codeBox, Qt::AlignRight | Qt::AlignVCenter, label.unit);
    p.restore();

    const Barcode bars = code128(label.code);
    // Ten modules of quiet zone on each side, as scanners want them.
    const double module = std::min(0.5, inner.width() / (bars.width + 20));
    const double barsHeight = inner.height() - nameHeight - codeHeight - pad;
    const double left = inner.left() + (inner.width() - bars.width * module) / 2;
    const double top = inner.top() + nameHeight + pad / 2;
    const double scaleY = barsHeight / bars.height;
    for (const QRectF &r : bars.bars)
        p.fillRect(QRectF(left + r.x() * module, top + r.y() * scaleY, r.width() * module,
                          r.height() * scaleY),
                   Qt::black);
}

} // namespace

void paintLabels(QPainter &painter, const std::vector<Label> &labels, const LabelLayout &layout,
                 const std::function<void()> &newPage)
{
    const int perSheet = layout.columns * layout.rows;
    for (size_t i = 0; i < labels.size(); ++i) {
        const int at = int(i % size_t(perSheet));
        if (i > 0 && at == 0)
            newPage();
        const int column = at % layout.columns, row = at / layout.columns;
        paintLabel(painter, labels[i],
                   QRectF(layout.leftMm + column * layout.widthMm,
                          layout.topMm + row * layout.heightMm, layout.widthMm, layout.heightMm));
    }
}

void writeLabelsPdf(const std::vector<Label> &labels, const LabelLayout &layout,
                    const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    SaveFile file(path);
    {
        QPdfWriter pdf(&file.device());
        pdf.setTitle(QStringLiteral("Label rak"));
        pdf.setCreator(QStringLiteral("Gudang"));
        pdf.setResolution(1200);
        pdf.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        QPainter painter;
        if (!painter.begin(&pdf))
            throw AppError(QStringLiteral("File PDF %1 tidak dapat ditulis.").arg(shown));
        const double perMm = pdf.resolution() / 25.4;
        painter.scale(perMm, perMm);
        paintLabels(painter, labels, layout, [&pdf] { pdf.newPage(); });
        painter.end();
    }
    if (file.device().size() == 0)
        throw AppError(QStringLiteral("File PDF %1 tidak dapat ditulis.").arg(shown));
    file.commit();
}

} // namespace gudang
