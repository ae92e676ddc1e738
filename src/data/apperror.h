#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace gudang {

// The one error type of the application: every failing data operation or screen service
// throws it, with a description the user can read.
class AppError : public std::exception
{
public:
    explicit AppError(QString description);

    const QString &description() const noexcept { return m_description; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_description;
    QByteArray m_utf8;
};

} // namespace gudang
