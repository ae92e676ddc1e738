#pragma once

#include <QRectF>
#include <QString>
#include <vector>

namespace gudang {

// A barcode's bars, in modules (the narrowest bar is 1 wide), without quiet zones.
struct Barcode
{
    double width = 0;
    double height = 0;
    std::vector<QRectF> bars;
};

// The Code 128 barcode of a text (libzint, loaded on first use); throws AppError when the text
// cannot be encoded or the library cannot be loaded.
Barcode code128(const QString &text);

} // namespace gudang
