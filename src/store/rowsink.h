#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace gudang {

// One cell of a row as read: its text (numbers in their shortest form, dates as
// "yyyy-MM-dd HH:mm:ss"), or Null.
struct StoredCell
{
    bool null = true;
    std::string_view bytes;
};

// Where a store puts the rows it reads: each row its id and its cells (each a pointer, null
// for Null, and a size). Returns where the row was put, for the reader's caller.
class RowSink
{
public:
    virtual ~RowSink() = default;
    virtual uint32_t storeRow(int64_t rowId, const char *const *cells, const size_t *sizes) = 0;
};

} // namespace gudang
