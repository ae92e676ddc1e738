#pragma once

#include "core/schema.h"

#include <QString>

namespace gudang {

// How deep a damage check reads: the header and size alone (a moment at any size), then
// SQLite's quick check of every page, or its full integrity check.
enum class Check { Header, Quick, Full };
// Why a database file cannot be trusted, in the user's words; empty when it is sound. The file
// is only read: its header and size are checked, then (beyond `Check::Header`) SQLite's own
// check runs on a read-only connection.
QString damageOf(const QString &path, Check check = Check::Quick);

// What a sound database file holds that is not of its role, in the user's words: a table of
// the role missing or with other columns, or any table, view, trigger or index Gudang did not
// make. Empty when it holds just what Gudang makes there. The file is only read.
QString foreignOf(const QString &path, DbRole role);

// What the start needs to know of a file, read once: its damage as damageOf() says it (the
// pages checked only with Check::Quick) and, when it is sound, what foreignOf() says.
struct FileFindings
{
    QString damage;
    QString foreign;
};
FileFindings inspectFile(const QString &path, DbRole role, Check check);

// Why the program cannot write the database file (or its folder, where SQLite keeps its log),
// in the user's words; empty when it can.
QString unwritableOf(const QString &path);

} // namespace gudang
