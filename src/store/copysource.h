#pragma once

#include "core/schema.h"

#include <QByteArray>
#include <functional>
#include <optional>
#include <vector>

namespace gudang {

// The tables of a database as one snapshot, read for a copy to another store: every table read
// from the same moment.
class CopySource
{
public:
    virtual ~CopySource() = default;
    // False for a table of a later schema version that the database does not have yet.
    virtual bool has(const TableDef &table) = 0;
    // Every row of the table in the order it was added, its cells as texts (none: Null; numbers
    // in their shortest form, dates as "yyyy-MM-dd HH:mm:ss"). `row` returns false to stop.
    virtual void
    scan(const TableDef &table,
         const std::function<void(const std::vector<std::optional<QByteArray>> &)> &row)
        = 0;
    // The highest automatic number the table ever gave out (also to rows deleted since).
    virtual double highestNumber(const TableDef &table) = 0;
};

} // namespace gudang
