#include "value.h"
#include "apperror.h"

#include <charconv>

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

double Value::toNumber() const
{
    if (isNumber())
        return std::get<double>(m_v);
    throw AppError(QStringLiteral("Nilai \"%1\" bukan angka.").arg(toText()));
}

QDateTime Value::toDate() const
{
    if (isDate())
        return std::get<QDateTime>(m_v);
    throw AppError(QStringLiteral("Nilai \"%1\" bukan tanggal.").arg(toText()));
}

QString numberToText(double number)
{
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, number);
    return QString::fromLatin1(buf, int(res.ptr - buf));
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
