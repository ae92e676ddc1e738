#pragma once

#include "store/rowsink.h"

#include <QByteArray>
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string_view>
#include <vector>

namespace gudang {

// A compact snapshot of a table: every row is one record in an append-only byte arena, and a
// list of offsets gives the rows in order. A record holds the row id and, for each column,
// a length header (0 = Null, n + 1 = n bytes of UTF-8 text) followed by the bytes. Numbers
// and dates are kept in their text form. Replacing a row appends a new record, so an old
// offset stays valid and can be put back to undo a change.
//
// The arena is made of blocks that never move once allocated: it grows without copying what
// it holds, and a loading thread may append records while another reads records stored
// before (the reader must learn of a record's offset through a lock or another fence).
class RowStore final : public RowSink
{
public:
    using Cell = StoredCell;

    explicit RowStore(int columns = 0);

    int columnCount() const { return m_columns; }
    int rowCount() const { return int(m_rows.size()); }

    // Builds a record for appending or replacing; cells are added in column order.
    class Builder
    {
    public:
        void start(int64_t rowId);
        void addNull();
        void addBytes(const char *data, size_t size);
        const QByteArray &bytes() const { return m_buf; }

    private:
        QByteArray m_buf;
    };

    uint32_t store(const QByteArray &record); // returns its offset
    // Stores a record of one row, built in place: the row id and the cells, each a pointer
    // (null for Null) and a size. Returns its offset.
    uint32_t storeRow(int64_t rowId, const char *const *cells, const size_t *sizes) override;
    // Rows stored elsewhere (by storeRow on a loading thread) join the list at its end.
    void appendMany(const uint32_t *offsets, size_t count);
    void append(uint32_t offset)
    {
        dropIndexes();
        m_rows.push_back(offset);
    }
    void insert(int row, uint32_t offset);
    // Room for one more row, so that the next append or insert cannot fail.
    void makeRoomForRow()
    {
        if (m_rows.size() == m_rows.capacity())
            m_rows.reserve(std::max<size_t>(16, m_rows.capacity() * 2));
    }
    void remove(int row);
    uint32_t offsetOf(int row) const { return m_rows[size_t(row)]; }
    void setOffset(int row, uint32_t offset)
    {
        dropIndexes();
        m_rows[size_t(row)] = offset;
    }

    int64_t rowId(int row) const;
    // No record stored so far has a greater row id (a bound: the list may hold none with it).
    int64_t maxRowId() const { return m_maxRowId.value.load(std::memory_order_relaxed); }
    Cell cell(int row, int column) const;
    // First row at or after `from` whose column holds exactly these bytes; rowCount() if none.
    // In a big table the first find on a column builds a hash index of it, which serves the
    // following finds until the rows change.
    int findBytes(int from, int column, std::string_view needle) const;
    static constexpr int kIndexFrom = 8192; // rows to search from which an index pays
    // Bytes of the indexes built so far (not part of the snapshot).
    size_t indexBytes() const;

    size_t memoryBytes() const;

private:
    // Rows chained by the hash of their cell: heads per bucket, then the next row of the same
    // bucket, both in ascending row order.
    struct Index
    {
        int column = -1;
        uint32_t mask = 0;
        std::vector<uint32_t> heads, next;
    };

    static constexpr int kBlockBits = 22; // 4 MiB blocks
    static constexpr uint32_t kBlockSize = uint32_t(1) << kBlockBits;
    static constexpr size_t kMaxBlocks = size_t(1) << (32 - kBlockBits);

    const char *at(uint32_t offset) const
    {
        return m_blocks[offset >> kBlockBits] + (offset & (kBlockSize - 1));
    }
    // Room for `size` more bytes at the end of the arena, in one piece; returns the offset.
    uint32_t take(size_t size);
    const char *skipTo(uint32_t offset, int column) const;
    const Index &indexOf(int column) const;
    void dropIndexes()
    {
        if (!m_indexes.empty())
            m_indexes.clear();
    }

    int m_columns = 0;
    // Block i holds the offsets [i * kBlockSize, (i + 1) * kBlockSize). A record bigger than a
    // block gets consecutive slots that point into one allocation.
    std::vector<char *> m_blocks; // kMaxBlocks slots, set up once: a slot never moves
    struct FreeBlock
    {
        void operator()(char *p) const { std::free(p); }
    };
    std::vector<std::unique_ptr<char, FreeBlock>> m_owned;
    size_t m_allocated = 0; // bytes of the blocks allocated
    uint64_t m_end = 0; // offset of the next byte to store
    std::vector<uint32_t> m_rows;
    mutable std::vector<Index> m_indexes;
    // Raised by whichever thread stores a record (the loading thread, then the owner's).
    struct MaxRowId
    {
        MaxRowId() = default;
        MaxRowId(MaxRowId &&o) noexcept
            : value(o.value.load())
        { }
        MaxRowId &operator=(MaxRowId &&o) noexcept
        {
            value = o.value.load();
            return *this;
        }
        void raise(int64_t id)
        {
            int64_t now = value.load(std::memory_order_relaxed);
            while (id > now && !value.compare_exchange_weak(now, id, std::memory_order_relaxed)) { }
        }
        std::atomic<int64_t> value { std::numeric_limits<int64_t>::min() };
    } m_maxRowId;
};

} // namespace gudang
