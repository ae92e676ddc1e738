#include "columnvalue.h"
#include "apperror.h"

#include <charconv>

namespace gudang {

namespace {

int codePoints(const QString &s)
{
    int n = 0;
    for (QChar c : s) {
        if (!c.isLowSurrogate())
            ++n;
    }
    return n;
}

} // namespace

// Number typed as text into a number column: blanks around it are allowed, nothing else. The
// decimal separator is a comma, as the program shows numbers, or a point.
bool parseColumnNumber(const QString &text, double *out)
{
    QByteArray t = text.trimmed().toLatin1();
    if (t.isEmpty() || text.trimmed().size() != t.size())
        return false;
    if (t.contains(',')) {
        if (t.contains('.') || t.count(',') > 1)
            return false;
        t.replace(',', '.');
    }
    const char *b = t.constData();
    const char *e = b + t.size();
    for (const char *p = b; p != e; ++p) {
        const char c = *p;
        if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '-' || c == '+'))
            return false;
    }
    if (*b == '+')
        ++b;
    if (b == e || *b == '+')
        return false;
    auto res = std::from_chars(b, e, *out);
    return res.ec == std::errc() && res.ptr == e;
}

Value toColumnValue(const ColumnDef &def, const Value &value)
{
    if (value.isNull())
        return value;
    switch (def.kind) {
    case ColumnKind::Text: {
        const QString text = value.toText();
        if (def.maxLength > 0 && codePoints(text) > def.maxLength) {
            throw AppError(
                QStringLiteral("Isi kolom %1 terlalu panjang: paling banyak %2 karakter.")
                    .arg(def.name)
                    .arg(def.maxLength));
        }
        return Value(text);
    }
    case ColumnKind::Number:
    case ColumnKind::AutoNumber: {
        if (value.isNumber())
            return value;
        double d = 0;
        if (value.isText() && parseColumnNumber(value.toText(), &d))
            return Value(d);
        throw AppError(QStringLiteral("Isi kolom %1 harus berupa angka: \"%2\" bukan angka.")
                           .arg(def.name, shortQuote(value.toText())));
    }
    case ColumnKind::Date: {
        if (value.isDate())
            return value;
        bool ok = false;
        const QDateTime d = value.isText() ? dateFromText(value.toText(), &ok) : QDateTime();
        if (ok)
            return Value(d);
        throw AppError(QStringLiteral("Isi kolom %1 harus berupa tanggal: \"%2\" bukan tanggal.")
                           .arg(def.name, shortQuote(value.toText())));
    }
    }
    return value;
}

Value fromStoredText(const ColumnDef &def, const char *bytes, size_t size)
{
    if (!bytes)
        return Value();
    switch (def.kind) {
    case ColumnKind::Text:
        return Value(QString::fromUtf8(bytes, qsizetype(size)));
    case ColumnKind::Number:
    case ColumnKind::AutoNumber: {
        double d = 0;
        std::from_chars(bytes, bytes + size, d);
        return Value(d);
    }
    case ColumnKind::Date: {
        const QString text = QString::fromUtf8(bytes, qsizetype(size));
        bool ok = false;
        const QDateTime d = dateFromText(text, &ok);
        return ok ? Value(d) : Value(text);
    }
    }
    return Value();
}

} // namespace gudang
