#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace gudang {

// The one error type of the application: every failing data operation or screen service
// throws it, with a description the user can read, what kind of failure it is, and for a
// server's refusal the server's SQLSTATE and its own words.
class AppError : public std::exception
{
public:
    enum class Kind {
        General,
        Busy, // another program holds the database; the same action may work shortly
        DiskFull,
        ReadOnly, // the file or the role may not be written
        Damaged, // the file is not a sound database
        CannotOpen, // the database cannot be reached or opened
        Io, // a read or write of the disk failed
        ConnectionLost, // the server went away; what was sent is not saved
        Unsure, // the server went away before it answered: whether it was saved is not known
        Permission, // the server refused the role this right
        Unique, // a value a unique column already holds (detail names the column)
        Serialization, // the server could not keep two transactions apart; try again
        Changed, // the row was changed or deleted by someone else since it was read
        Timeout,
        Cancelled,
        Missing, // something asked for is not there (a parameter, a code)
        Refused, // a request the program does not carry out (a definition that writes)
    };

    explicit AppError(QString description, Kind kind = Kind::General, QByteArray sqlState = {},
                      QString detail = {});

    const QString &description() const noexcept { return m_description; }
    Kind kind() const noexcept { return m_kind; }
    // The server's SQLSTATE ("23505"), empty for other failures.
    const QByteArray &sqlState() const noexcept { return m_sqlState; }
    // The store's own words (an SQLite or server message, a missing name), for callers that
    // word the failure themselves.
    const QString &detail() const noexcept { return m_detail; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_description;
    Kind m_kind;
    QByteArray m_sqlState;
    QString m_detail;
    QByteArray m_utf8;
};

} // namespace gudang
