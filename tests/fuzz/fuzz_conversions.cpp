// Fuzzes the reading of typed numbers and the whole-number rounding: any text must give a
// finite number or the one error type, and rounding must stay in range or fail cleanly.
#include "core/apperror.h"
#include "core/conversions.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace gudang;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks how the rest is read: UTF-8 text, or UTF-16 code units.
    const QString text = (data[0] & 1)
        ? QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1))
        : QString(reinterpret_cast<const QChar *>(data + 1), qsizetype((size - 1) / 2));
    double value = 0;
    try {
        value = leadingNumber(text);
    } catch (const AppError &) {
        return 0;
    }
    if (!std::isfinite(value))
        std::abort();
    for (auto [min, max] : { std::pair<int64_t, int64_t> { INT16_MIN, INT16_MAX },
                             { INT32_MIN, INT32_MAX },
                             { -(int64_t(1) << 53), int64_t(1) << 53 } }) {
        try {
            const int64_t whole = wholeNumber(value, min, max);
            if (whole < min || whole > max || std::fabs(double(whole) - value) > 0.5)
                std::abort();
        } catch (const AppError &) {
            if (std::nearbyint(value) >= double(min) && std::nearbyint(value) <= double(max))
                std::abort(); // in range, yet refused
        }
    }
    // Raw doubles from the bytes, NaN and infinities included, must not crash the rounding.
    if (size >= 9) {
        double raw = 0;
        std::memcpy(&raw, data + 1, sizeof raw);
        try {
            (void)wholeNumber(raw, INT32_MIN, INT32_MAX);
        } catch (const AppError &) { }
    }
    return 0;
}
