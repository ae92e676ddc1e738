#pragma once

#include <QDateTime>
#include <QString>
#include <variant>

namespace gudang {

// A field value as the screens see it: Null, a text, a number or a date with a time of day.
class Value
{
public:
    Value() = default;
    Value(const QString &text)
        : m_v(text)
    { }
    Value(const char *text)
        : m_v(QString::fromUtf8(text))
    { }
    Value(double number)
        : m_v(number)
    { }
    Value(int number)
        : m_v(double(number))
    { }
    Value(const QDateTime &date)
        : m_v(date)
    { }

    bool isNull() const { return std::holds_alternative<std::monostate>(m_v); }
    bool isText() const { return std::holds_alternative<QString>(m_v); }
    bool isNumber() const { return std::holds_alternative<double>(m_v); }
    bool isDate() const { return std::holds_alternative<QDateTime>(m_v); }

    // The value as stored and compared: numbers in their shortest exact form with a point,
    // dates as "yyyy-MM-dd HH:mm:ss"; Null gives an empty text.
    QString toText() const;
    // The value as a user reads it in a field or a grid: numbers by formatNumber(), dates as
    // "dd/MM/yyyy"; Null gives an empty text.
    QString toDisplay() const;
    // The number held; a text or a date fails, Null fails.
    double toNumber() const;
    QDateTime toDate() const;

    bool operator==(const Value &other) const = default;

private:
    std::variant<std::monostate, QString, double, QDateTime> m_v;
};

// Shortest text that reads back as the same double ("5", "2.5", "-0.125").
QString numberToText(double number);
// A number as the program shows it: never in exponent notation; a whole number without
// decimals, a fraction with a decimal comma and no trailing zeros. `decimals` < 0 keeps 15
// significant digits; otherwise the number is rounded to that many decimals. `grouped` puts a
// thousands dot into the whole part. "-0" is shown as "0"; a value that is not finite as "".
QString formatNumber(double number, int decimals = -1, bool grouped = false);
// A date as the program shows it: "dd/MM/yyyy".
QString dateToDisplay(const QDateTime &date);
// A typed or stored text as messages quote it: at most 40 characters, then "…".
QString shortQuote(const QString &text);
// Date-time as stored: "yyyy-MM-dd HH:mm:ss".
QString dateToText(const QDateTime &date);
QDateTime dateFromText(const QString &text, bool *ok);

} // namespace gudang
