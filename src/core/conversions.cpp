#include "conversions.h"
#include "apperror.h"

#include <charconv>
#include <cmath>
#include <string>

namespace gudang {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Whole number from &H or &O digits: up to 16 bits reads as a signed 16-bit value, up to 32
// bits as a signed 32-bit value.
double radixNumber(const std::string &s, size_t pos, int radix)
{
    uint64_t v = 0;
    bool any = false;
    for (; pos < s.size(); ++pos) {
        const char c = s[pos];
        int d = -1;
        if (isDigit(c))
            d = c - '0';
        else if (radix == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (radix == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        if (d < 0 || d >= radix)
            break;
        any = true;
        v = v * uint64_t(radix) + uint64_t(d);
        if (v > 0xffffffffULL)
            throw AppError(QStringLiteral("Angka terlalu besar."));
    }
    if (!any)
        return 0;
    if (v <= 0xffff)
        return double(int16_t(uint16_t(v)));
    return double(int32_t(uint32_t(v)));
}

} // namespace

double leadingNumber(const QString &text)
{
    std::string s;
    s.reserve(size_t(text.size()));
    for (QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c == u' ' || c == u'\t' || c == u'\n')
            continue;
        s.push_back(c < 0x80 ? char(c) : '\x7f');
    }
    if (s.size() >= 2 && s[0] == '&') {
        const char k = char(s[1] | 0x20);
        if (k == 'h')
            return radixNumber(s, 2, 16);
        if (k == 'o')
            return radixNumber(s, 2, 8);
        return 0;
    }
    size_t i = 0;
    std::string num;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-')
            num.push_back('-');
        ++i;
    }
    size_t digits = 0;
    while (i < s.size() && isDigit(s[i])) {
        num.push_back(s[i++]);
        ++digits;
    }
    if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
        num.push_back('.');
        ++i;
        while (i < s.size() && isDigit(s[i])) {
            num.push_back(s[i++]);
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        size_t j = i + 1;
        std::string exp = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            exp.push_back(s[j++]);
        if (j < s.size() && isDigit(s[j])) {
            while (j < s.size() && isDigit(s[j]))
                exp.push_back(s[j++]);
            num += exp;
        }
    }
    double value = 0;
    const auto res = std::from_chars(num.data(), num.data() + num.size(), value);
    if (res.ec == std::errc::result_out_of_range) {
        // Underflow reads as 0; overflow fails.
        const size_t e = num.find('e');
        if (e != std::string::npos && num[e + 1] == '-')
            return 0;
        throw AppError(QStringLiteral("Angka terlalu besar."));
    }
    return value;
}

int64_t wholeNumber(double value, int64_t min, int64_t max)
{
    if (std::isnan(value))
        throw AppError(QStringLiteral("Nilai bukan angka."));
    const double r = value - std::floor(value) == 0.5
        ? (std::fmod(std::floor(value), 2.0) == 0 ? std::floor(value) : std::floor(value) + 1)
        : std::round(value);
    if (!(r >= double(min) && r <= double(max)))
        throw AppError(QStringLiteral("Angka %1 di luar jangkauan (%2 sampai %3).")
                           .arg(value, 0, 'g', 15)
                           .arg(min)
                           .arg(max));
    return int64_t(r);
}

} // namespace gudang
