#pragma once

#include <QString>

namespace gudang {

// Where the two database files and the report files live, below one data folder:
//   DIR/UJI/BARANG.db      credentials (tpass)
//   DIR/UJI 2/BARANG.db    working tables; report definitions beside it
//   DIR/server.conf        the server this folder's program uses, when one is remembered
// With a server (a libpq connection string), the tables live there instead: the credentials
// and working "paths" are then the server's address (below), and the folder keeps the report
// definitions.
class Locations
{
public:
    explicit Locations(QString dataDir, QString server = QString());

    // The user's application data folder, for example ~/.local/share/gudang.
    static QString defaultDataDir();

    const QString &dataDir() const { return m_dataDir; }
    QString credentialsFolder() const;
    QString workingFolder() const;
    QString credentialsPath() const;
    QString workingPath() const;

    bool onServer() const { return !m_server.isEmpty(); }
    const QString &server() const { return m_server; } // the connection string, or empty
    QString serverSettingsPath() const;

private:
    QString m_dataDir;
    QString m_server;
};

// Where a table lives: a database file of SQLite (its path), or a PostgreSQL server, written
// as "server:" followed by its libpq connection string or URI. Record sources, reports and the
// start take either, so that the screens do not know which store they use.
QString serverAddress(const QString &conninfo);
bool isServerAddress(const QString &address);
// The connection string of a server address.
QString serverConninfo(const QString &address);

} // namespace gudang
