#include "locations.h"

#include "apperror.h"
#include "store.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace gudang {

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

QString Locations::rememberedServer() const
{
    QFile file(serverSettingsPath());
    if (!file.exists())
        return QString();
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("File %1 tidak dapat dibaca: %2.")
                           .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
    // Lines: comments led by '#', and "server = CONNINFO".
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1String("server")) && line.contains(QLatin1Char('=')))
            return line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
    }
    return QString();
}

void Locations::rememberServer(const QString &conninfo) const
{
    if (conninfo.isEmpty()) {
        QFile::remove(serverSettingsPath());
        return;
    }
    if (conninfoHasPassword(conninfo))
        throw AppError(QStringLiteral(
            "Gudang tidak menyimpan kata sandi: hapus password dari alamat server, lalu simpan "
            "kata sandinya di ~/.pgpass (atau pakai PGPASSWORD atau layanan di "
            "pg_service.conf)."));
    QDir().mkpath(m_dataDir);
    QSaveFile file(serverSettingsPath());
    if (!file.open(QIODevice::WriteOnly))
        throw AppError(QStringLiteral("File %1 tidak dapat ditulis: %2.")
                           .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
    file.write("# Server database yang dipakai Gudang untuk folder data ini.\n"
               "# Hapus file ini (atau jalankan gudang --forget-server) untuk kembali ke "
               "database di folder ini.\n");
    file.write("server = " + conninfo.toUtf8() + '\n');
    if (!file.commit())
        throw AppError(QStringLiteral("File %1 tidak dapat ditulis: %2.")
                           .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
}

} // namespace gudang
