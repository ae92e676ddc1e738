#include "locations.h"

#include <QDir>
#include <QStandardPaths>

namespace gudang {

namespace {

const QLatin1String kPrefix("server:");

} // namespace

Locations::Locations(QString dataDir, QString server)
    : m_dataDir(QDir::cleanPath(QDir(dataDir).absolutePath()))
    , m_server(std::move(server))
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
    return onServer() ? serverAddress(m_server)
                      : credentialsFolder() + QStringLiteral("/BARANG.db");
}

QString Locations::workingPath() const
{
    return onServer() ? serverAddress(m_server) : workingFolder() + QStringLiteral("/BARANG.db");
}

QString Locations::serverSettingsPath() const
{
    return m_dataDir + QStringLiteral("/server.conf");
}

QString serverAddress(const QString &conninfo)
{
    return kPrefix + conninfo;
}

bool isServerAddress(const QString &address)
{
    return address.startsWith(kPrefix);
}

QString serverConninfo(const QString &address)
{
    return isServerAddress(address) ? address.mid(kPrefix.size()) : QString();
}

} // namespace gudang
