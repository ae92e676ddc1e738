#pragma once

#include "core/locations.h"

#include <QString>
#include <map>

namespace gudang {

// A clean end leaves a note of each database file as it was left (DIR/gudang.selesai: size,
// times and inode of the file and its log). The next start takes the note (it is removed at
// once, so that an end that is not clean leaves none) and trusts the page check of the last
// run for a file the note still matches; any other file is checked page by page again.
void recordCleanEnd(const Locations &locations);
class CleanEnd
{
public:
    // Takes the note from the data folder; none there means nothing is trusted.
    static CleanEnd take(const Locations &locations);
    // True when the note names the file and it, and its log, are as the note says.
    bool unchanged(const QString &path) const;

private:
    QString m_locations; // the data folder
    std::map<QString, QString> m_files; // file name within the data folder -> its state
};

} // namespace gudang
