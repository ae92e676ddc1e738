#include "privatefile.h"

#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace gudang {

void makePrivate(const QString &path)
{
    const QFileInfo info(path);
    ::chmod(QFile::encodeName(path).constData(), info.isDir() ? 0700 : 0600);
}

} // namespace gudang
