#include "barcode.h"
#include "core/apperror.h"
#include "core/goodscode.h"
#include "core/lazylibrary.h"

#include <zint.h>

namespace gudang {

namespace {

struct Zint
{
    decltype(&::ZBarcode_Create) create = nullptr;
    decltype(&::ZBarcode_Encode_and_Buffer_Vector) encode = nullptr;
    decltype(&::ZBarcode_Delete) remove = nullptr;
};

// libzint, loaded when a label is first made: a start does not pay for it.
const Zint &zint()
{
    static Zint functions;
    static LazyLibrary library("libzint.so.2.11",
                               QStringLiteral("Pustaka barcode libzint (libzint.so.2.11) tidak "
                                              "dapat dimuat: %1.\nPasang paket libzint2.11."));
    library.load([](const LazyLibrary::Resolve &resolve) {
        functions.create = reinterpret_cast<decltype(functions.create)>(resolve("ZBarcode_Create"));
        functions.encode = reinterpret_cast<decltype(functions.encode)>(
            resolve("ZBarcode_Encode_and_Buffer_Vector"));
        functions.remove = reinterpret_cast<decltype(functions.remove)>(resolve("ZBarcode_Delete"));
    });
    return functions;
}

} // namespace

Barcode code128(const QString &text)
{
    if (const QString c = notInCode128(text); !c.isEmpty())
        throw AppError(
            QStringLiteral("Kode %1 tidak dapat dijadikan barcode Code 128: huruf \"%2\" "
                           "tidak terbaca kembali apa adanya.")
                .arg(text, c),
            AppError::Kind::Refused);
    const Zint &z = zint();
    zint_symbol *symbol = z.create();
    if (!symbol)
        throw AppError(QStringLiteral("Memori tidak cukup untuk membuat barcode."));
    symbol->symbology = BARCODE_CODE128;
    symbol->show_hrt = 0; // the code is written under the bars by the label itself
    symbol->height = 50;
    symbol->scale = 0.5f; // vector units of one module
    const QByteArray bytes = text.toUtf8();
    const int rc = z.encode(symbol, reinterpret_cast<const unsigned char *>(bytes.constData()),
                            int(bytes.size()), 0);
    if (rc >= ZINT_ERROR || !symbol->vector) {
        const QString why = QString::fromLatin1(symbol->errtxt);
        z.remove(symbol);
        throw AppError(
            QStringLiteral("Kode %1 tidak dapat dijadikan barcode Code 128: %2").arg(text, why),
            AppError::Kind::Refused);
    }
    Barcode out;
    // One module is 2 * scale vector units.
    const double unit = 2.0 * double(symbol->scale);
    out.width = double(symbol->vector->width) / unit;
    out.height = double(symbol->vector->height) / unit;
    for (const zint_vector_rect *r = symbol->vector->rectangles; r; r = r->next) {
        if (r->colour == -1 || r->colour == 7)
            out.bars.emplace_back(double(r->x) / unit, double(r->y) / unit, double(r->width) / unit,
                                  double(r->height) / unit);
    }
    z.remove(symbol);
    return out;
}

} // namespace gudang
