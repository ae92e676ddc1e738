#include "value.h"
#include "apperror.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace gudang {

namespace {
const QString kDateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
}

QString Value::toText() const
{
    if (isText())
        return std::get<QString>(m_v);
    if (isNumber())
        return numberToText(std::get<double>(m_v));
    if (isDate())
        return dateToText(std::get<QDateTime>(m_v));
    return QString();
}

QString Value::toDisplay() const
{
    if (isNumber())
        return formatNumber(std::get<double>(m_v));
    if (isDate())
        return dateToDisplay(std::get<QDateTime>(m_v));
    return toText();
}

double Value::toNumber() const
{
    if (isNumber())
        return std::get<double>(m_v);
    throw AppError(QStringLiteral("Nilai \"%1\" bukan angka.").arg(shortQuote(toText())));
}

QDateTime Value::toDate() const
{
    if (isDate())
        return std::get<QDateTime>(m_v);
    throw AppError(QStringLiteral("Nilai \"%1\" bukan tanggal.").arg(shortQuote(toText())));
}

QString numberToText(double number)
{
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, number);
    return QString::fromLatin1(buf, int(res.ptr - buf));
}

QString formatNumber(double number, int decimals, bool grouped)
{
    if (!std::isfinite(number))
        return QString();
    int precision = decimals;
    if (precision < 0) {
        // 15 significant digits: the most a double holds for every value.
        const double a = std::fabs(number);
        const int whole = a == 0 ? 1 : int(std::floor(std::log10(a))) + 1;
        precision = std::clamp(15 - whole, 0, 30);
    }
    char buf[400]; // the largest double has 309 digits
    const auto res
        = std::to_chars(buf, buf + sizeof buf, number, std::chars_format::fixed, precision);
    std::string_view s(buf, size_t(res.ptr - buf));
    const bool negative = !s.empty() && s.front() == '-';
    if (negative)
        s.remove_prefix(1);
    std::string_view whole = s;
    std::string_view fraction;
    if (const size_t point = s.find('.'); point != std::string_view::npos) {
        whole = s.substr(0, point);
        fraction = s.substr(point + 1);
        while (!fraction.empty() && fraction.back() == '0')
            fraction.remove_suffix(1);
    }
    QString out;
    out.reserve(int(s.size()) + int(whole.size() / 3) + 2);
    if (negative && (whole.find_first_not_of('0') != std::string_view::npos || !fraction.empty()))
        out += QLatin1Char('-');
    for (size_t i = 0; i < whole.size(); ++i) {
        if (grouped && i > 0 && (whole.size() - i) % 3 == 0)
            out += QLatin1Char('.');
        out += QLatin1Char(whole[i]);
    }
    if (!fraction.empty()) {
        out += QLatin1Char(',');
        out += QLatin1String(fraction.data(), qsizetype(fraction.size()));
    }
    return out;
}

QString dateToDisplay(const QDateTime &date)
{
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

QString shortQuote(const QString &text)
{
    constexpr int kMax = 40;
    if (text.size() <= kMax)
        return text;
    int cut = kMax;
    if (text.at(cut - 1).isHighSurrogate())
        --cut; // never half a character
    return text.left(cut) + QChar(0x2026);
}

QString dateToText(const QDateTime &date)
{
    return date.toString(kDateFormat);
}

QDateTime dateFromText(const QString &text, bool *ok)
{
    const QString t = text.trimmed();
    static const char *const formats[]
        = { "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy-MM-dd", "yyyy-MM-ddTHH:mm:ss",
            "d/M/yyyy H:mm:ss",    "d/M/yyyy H:mm",    "d/M/yyyy" };
    for (const char *f : formats) {
        QDateTime d = QDateTime::fromString(t, QString::fromLatin1(f));
        if (d.isValid()) {
            *ok = true;
            return d;
        }
    }
    *ok = false;
    return QDateTime();
}

} // namespace gudang
