#include "locations.h"

#include <QDir>
#include <QStandardPaths>

namespace gudang {

Locations::Locations(QString dataDir)
    : m_dataDir(QDir::cleanPath(QDir(dataDir).absolutePath()))
{ }

QString Locations::defaultDataDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString Locations::credentialsFolder() const
{
    return m_dataDir + QStringLiteral("/UJI");
}

QString Locations::workingFolder() const
{
    return m_dataDir + QStringLiteral("/UJI 2");
}

QString Locations::credentialsPath() const
{
    return credentialsFolder() + QStringLiteral("/BARANG.db");
}

QString Locations::workingPath() const
{
    return workingFolder() + QStringLiteral("/BARANG.db");
}

} // namespace gudang
