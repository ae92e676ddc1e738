#include "servercopy.h"
#include "core/apperror.h"
#include "filechecks.h"
#include "folderlock.h"
#include "store/setup.h"

#include <QDir>
#include <QFileInfo>

namespace gudang {

QString copyFolderToServer(const Locations &from, const QString &conninfo)
{
    if (!QFileInfo::exists(from.workingPath()))
        throw AppError(QStringLiteral("Database kerja %1 tidak ditemukan; tidak ada yang disalin.")
                           .arg(QDir::toNativeSeparators(from.workingPath())));
    QString why;
    const auto lock = lockDataFolder(from, &why);
    if (!lock)
        throw AppError(why + QStringLiteral(" Tidak ada yang disalin."), AppError::Kind::Busy);
    for (const QString &path : { from.credentialsPath(), from.workingPath() }) {
        if (!QFileInfo::exists(path))
            continue;
        if (const QString damage = damageOf(path, Check::Quick); !damage.isEmpty())
            throw AppError(QStringLiteral("File database %1 rusak: %2; tidak ada yang disalin.")
                               .arg(QDir::toNativeSeparators(path), damage),
                           AppError::Kind::Damaged);
    }
    return copyFilesToServer(from.credentialsPath(), from.workingPath(), conninfo);
}

} // namespace gudang
