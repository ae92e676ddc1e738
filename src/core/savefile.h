#pragma once

#include "locations.h"

#include <QFile>
#include <QString>
#include <memory>

namespace gudang {

// A file written the way QSaveFile writes one: into a part file beside the target, made new
// (opened exclusively, never through a link another user planted, under a name nobody can
// guess: FILE.sebagian-XXXXXX), and renamed over the target only when commit() has flushed it
// to the disk. Dropped without commit(), the part is removed and the target is as it was; a
// part left by a kill is never taken for a finished file. A target that is a file of the data
// folder's own, or any existing SQLite database, is refused before anything is written.
class SaveFile
{
public:
    // Throws AppError when the target is refused or the part cannot be made.
    explicit SaveFile(QString target);
    ~SaveFile();
    SaveFile(const SaveFile &) = delete;
    SaveFile &operator=(const SaveFile &) = delete;

    // The part file, open for writing.
    QFile &device() { return m_part; }
    const QString &partPath() const { return m_partPath; }
    // Writes all of it; throws AppError on failure.
    void write(const QByteArray &bytes);
    // Flushes the part to the disk and puts it in the target's place; throws AppError.
    void commit();

private:
    QString m_target;
    QString m_partPath;
    QFile m_part;
    bool m_done = false;
};

// The data folder whose own files (databases and their logs, backups, lock, clean-end note,
// report definitions, server.conf) no report or export may be written onto.
void protectDataFolder(const Locations &locations);
// Why no report or export may be written onto `target`, in the user's words; empty when it may.
QString protectedTarget(const QString &target);

} // namespace gudang
