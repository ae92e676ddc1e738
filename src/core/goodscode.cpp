#include "goodscode.h"

#include <QList>

namespace gudang {

namespace {

QString codePoint(uint c)
{
    return QStringLiteral("U+")
        + QString::number(uint(c), 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

} // namespace

QString invisibleIn(const QString &code)
{
    for (const uint c : code.toUcs4()) {
        const QChar::Category kind = QChar::category(c);
        const bool invisible = kind == QChar::Other_Control || kind == QChar::Other_Format
            || kind == QChar::Other_Surrogate || kind == QChar::Other_PrivateUse
            || kind == QChar::Other_NotAssigned || kind == QChar::Separator_Line
            || kind == QChar::Separator_Paragraph || (kind == QChar::Separator_Space && c != 0x20);
        if (invisible)
            return codePoint(c);
    }
    return {};
}

QString lookAlikeKey(const QString &code)
{
    return code.normalized(QString::NormalizationForm_KC).toCaseFolded();
}

QString notInCode128(const QString &code)
{
    for (const QChar c : code) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return QString(c);
    }
    return {};
}

} // namespace gudang
