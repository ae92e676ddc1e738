#include "serverconf.h"
#include "core/apperror.h"
#include "store/address.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace gudang {

QString rememberedServer(const Locations &locations)
{
    QFile file(locations.serverSettingsPath());
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

void rememberServer(const Locations &locations, const QString &conninfo)
{
    if (conninfoHasPassword(conninfo))
        throw AppError(QStringLiteral(
            "Gudang tidak menyimpan kata sandi: hapus password dari alamat server, lalu simpan "
            "kata sandinya di ~/.pgpass (atau pakai PGPASSWORD atau layanan di "
            "pg_service.conf)."));
    QDir().mkpath(locations.dataDir());
    QSaveFile file(locations.serverSettingsPath());
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

bool forgetServer(const Locations &locations)
{
    QFile file(locations.serverSettingsPath());
    if (!file.exists())
        return false;
    if (!file.remove())
        throw AppError(QStringLiteral("File %1 tidak dapat dihapus: %2. Server tetap diingat.")
                           .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
    return true;
}

} // namespace gudang
