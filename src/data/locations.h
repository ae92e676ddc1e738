#pragma once

#include <QString>

namespace gudang {

// Where the two database files and the report files live, below one data folder:
//   DIR/UJI/BARANG.db      credentials (tpass)
//   DIR/UJI 2/BARANG.db    working tables; report definitions beside it
class Locations
{
public:
    explicit Locations(QString dataDir);

    // The user's application data folder, for example ~/.local/share/gudang.
    static QString defaultDataDir();

    const QString &dataDir() const { return m_dataDir; }
    QString credentialsFolder() const;
    QString workingFolder() const;
    QString credentialsPath() const;
    QString workingPath() const;

private:
    QString m_dataDir;
};

} // namespace gudang
