#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QPainter;

namespace gudang {

// A sheet of labels on A4: columns by rows of labels of one size, from the sheet's top left.
struct LabelLayout
{
    const char *name; // "3x8", as --layout names it
    int columns, rows;
    double leftMm, topMm, widthMm, heightMm;
};
// The common sheets: 3 by 8 (70 x 37 mm) and 4 by 10 (52.5 x 29.7 mm).
const std::vector<LabelLayout> &labelLayouts();
// The layout of that name; none: nullptr.
const LabelLayout *findLabelLayout(const QString &name);

// One shelf label: the goods' code as a Code 128 barcode, with its name and unit.
struct Label
{
    QString code, name, unit;
};

// The labels of these goods codes (all goods when none is given), by code, from the working
// database; a code that is not registered fails with AppError naming it.
std::vector<Label> labelsOf(const QString &workingAddress, const QStringList &codes = {});

// Paints the labels in millimetres (the painter set so), sheet after sheet.
void paintLabels(QPainter &painter, const std::vector<Label> &labels, const LabelLayout &layout,
                 const std::function<void()> &newPage);
// Writes them as a PDF, the way every file of ours is written.
void writeLabelsPdf(const std::vector<Label> &labels, const LabelLayout &layout,
                    const QString &path);

} // namespace gudang
