#pragma once

#include <QString>

namespace gudang {

// Where the two database files and the report files live, below one data folder:
//   DIR/UJI/BARANG.db      credentials (tpass)
//   DIR/UJI 2/BARANG.db    working tables; report definitions beside it
//   DIR/server.conf        the server this folder's program uses, when one is remembered
// With a server (a libpq connection string), the tables live there instead: the credentials
// and working "paths" are then the server's address (see store.h), and the folder keeps the
// report definitions.
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
    // The server remembered for the folder; empty when none. A settings file that cannot be
    // read throws AppError.
    QString rememberedServer() const;
    // Remembers the server for the folder (never a password: one in the connection string is
    // refused with AppError), or forgets it when `conninfo` is empty.
    void rememberServer(const QString &conninfo) const;

private:
    QString m_dataDir;
    QString m_server;
};

} // namespace gudang
