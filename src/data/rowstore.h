#pragma once

#include <QByteArray>
#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

namespace gudang {

// A compact snapshot of a table: every row is one record in an append-only byte arena, and a
// list of offsets gives the rows in order. A record holds the row id and, for each column,
// a length header (0 = Null, n + 1 = n bytes of UTF-8 text) followed by the bytes. Numbers
// and dates are kept in their text form. Replacing a row appends a new record, so an old
// offset stays valid and can be put back to undo a change.
class RowStore
{
public:
    struct Cell
    {
        bool null = true;
        std::string_view bytes;
    };

    explicit RowStore(int columns = 0)
        : m_columns(columns)
    { }

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
    Cell cell(int row, int column) const;
    // First row at or after `from` whose column holds exactly these bytes; rowCount() if none.
    // In a big table the first find on a column builds a hash index of it, which serves the
    // following finds until the rows change.
    int findBytes(int from, int column, std::string_view needle) const;
    static constexpr int kIndexFrom = 8192; // rows to search from which an index pays
    // Bytes of the indexes built so far (not part of the snapshot).
    size_t indexBytes() const;

    void reserve(size_t rows, size_t bytes);
    void squeeze();
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

    const char *skipTo(uint32_t offset, int column) const;
    const Index &indexOf(int column) const;
    void dropIndexes()
    {
        if (!m_indexes.empty())
            m_indexes.clear();
    }

    int m_columns = 0;
    std::vector<char> m_arena;
    std::vector<uint32_t> m_rows;
    mutable std::vector<Index> m_indexes;
};

} // namespace gudang
