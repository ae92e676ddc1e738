#include "rowstore.h"
#include "core/apperror.h"
#include "core/largepages.h"

#include <cstring>
#include <limits>

namespace gudang {

namespace {

inline void putVarint(QByteArray &out, uint64_t v)
{
    while (v >= 0x80) {
        out.append(char((v & 0x7f) | 0x80));
        v >>= 7;
    }
    out.append(char(v));
}

inline uint64_t getVarint(const char *&p)
{
    uint64_t v = 0;
    int shift = 0;
    for (;;) {
        const auto b = static_cast<unsigned char>(*p++);
        v |= uint64_t(b & 0x7f) << shift;
        if (!(b & 0x80))
            return v;
        shift += 7;
    }
}

constexpr uint32_t kNone = 0xffffffffu;

inline uint64_t hashBytes(const char *p, size_t n)
{
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < n; ++i) {
        h ^= static_cast<unsigned char>(p[i]);
        h *= 1099511628211ull;
    }
    return h ^ (h >> 31);
}

} // namespace

void RowStore::Builder::start(int64_t rowId)
{
    m_buf.clear();
    putVarint(m_buf, uint64_t(rowId));
}

void RowStore::Builder::addNull()
{
    m_buf.append(char(0));
}

void RowStore::Builder::addBytes(const char *data, size_t size)
{
    putVarint(m_buf, uint64_t(size) + 1);
    m_buf.append(data, qsizetype(size));
}

RowStore::RowStore(int columns)
    : m_columns(columns)
    , m_blocks(kMaxBlocks, nullptr)
{ }

uint32_t RowStore::take(size_t size)
{
    // Inside a block (the end is not on a boundary) that block is allocated; on a boundary the
    // next block is not yet.
    const uint64_t within = m_end & (kBlockSize - 1);
    uint64_t offset = m_end;
    if (within == 0 || size > kBlockSize - within) {
        if (within != 0)
            offset = m_end - within + kBlockSize;
        const size_t spanned = std::max<size_t>(1, (size + kBlockSize - 1) / kBlockSize);
        if ((offset >> kBlockBits) + spanned > kMaxBlocks)
            throw AppError(QStringLiteral("Tabel terlalu besar untuk dimuat."));
        const size_t bytes = spanned * kBlockSize;
        // A table that fills more than one block is big: its further blocks take large
        // pages. A small one (most tables, those read at the start) touches only the pages it
        // fills.
        char *memory
            = m_owned.empty() ? static_cast<char *>(std::malloc(bytes)) : largePageMemory(bytes);
        if (!memory)
            throw std::bad_alloc();
        std::unique_ptr<char, FreeBlock> block(memory);
        for (size_t i = 0; i < spanned; ++i)
            m_blocks[(offset >> kBlockBits) + i] = block.get() + i * kBlockSize;
        m_owned.push_back(std::move(block));
        m_allocated += bytes;
    }
    m_end = offset + size;
    // A run of spanned is not shared: the next record starts on the next boundary.
    if (size > kBlockSize && (m_end & (kBlockSize - 1)) != 0)
        m_end = (m_end | (kBlockSize - 1)) + 1;
    return uint32_t(offset);
}

uint32_t RowStore::store(const QByteArray &record)
{
    const uint32_t offset = take(size_t(record.size()));
    std::memcpy(const_cast<char *>(at(offset)), record.constData(), size_t(record.size()));
    const char *p = at(offset);
    m_maxRowId.raise(int64_t(getVarint(p)));
    return offset;
}

uint32_t RowStore::storeRow(int64_t rowId, const char *const *cells, const size_t *sizes)
{
    auto varintSize = [](uint64_t v) {
        size_t n = 1;
        while (v >= 0x80) {
            v >>= 7;
            ++n;
        }
        return n;
    };
    m_maxRowId.raise(rowId);
    size_t size = varintSize(uint64_t(rowId));
    for (int c = 0; c < m_columns; ++c)
        size += cells[c] ? varintSize(sizes[c] + 1) + sizes[c] : 1;
    const uint32_t offset = take(size);
    auto *p = reinterpret_cast<unsigned char *>(const_cast<char *>(at(offset)));
    auto put = [&p](uint64_t v) {
        while (v >= 0x80) {
            *p++ = static_cast<unsigned char>((v & 0x7f) | 0x80);
            v >>= 7;
        }
        *p++ = static_cast<unsigned char>(v);
    };
    put(uint64_t(rowId));
    for (int c = 0; c < m_columns; ++c) {
        if (!cells[c]) {
            *p++ = 0;
            continue;
        }
        put(sizes[c] + 1);
        std::memcpy(p, cells[c], sizes[c]);
        p += sizes[c];
    }
    return offset;
}

void RowStore::appendMany(const uint32_t *offsets, size_t count)
{
    dropIndexes();
    m_rows.insert(m_rows.end(), offsets, offsets + count);
}

void RowStore::insert(int row, uint32_t offset)
{
    dropIndexes();
    m_rows.insert(m_rows.begin() + row, offset);
}

void RowStore::remove(int row)
{
    dropIndexes();
    m_rows.erase(m_rows.begin() + row);
}

int64_t RowStore::rowId(int row) const
{
    const char *p = at(m_rows[size_t(row)]);
    return int64_t(getVarint(p));
}

const char *RowStore::skipTo(uint32_t offset, int column) const
{
    const char *p = at(offset);
    getVarint(p);
    for (int c = 0; c < column; ++c) {
        const uint64_t h = getVarint(p);
        if (h)
            p += h - 1;
    }
    return p;
}

RowStore::Cell RowStore::cell(int row, int column) const
{
    const char *p = skipTo(m_rows[size_t(row)], column);
    const uint64_t h = getVarint(p);
    if (!h)
        return {};
    return { false, std::string_view(p, size_t(h - 1)) };
}

const RowStore::Index &RowStore::indexOf(int column) const
{
    for (const Index &i : m_indexes) {
        if (i.column == column)
            return i;
    }
    const int n = rowCount();
    Index ix;
    ix.column = column;
    uint32_t buckets = 1024;
    while (buckets < uint32_t(n))
        buckets *= 2;
    ix.mask = buckets - 1;
    ix.heads.assign(buckets, kNone);
    ix.next.resize(size_t(n));
    for (int r = n - 1; r >= 0; --r) {
        const char *p = skipTo(m_rows[size_t(r)], column);
        const uint64_t h = getVarint(p);
        if (!h) {
            ix.next[size_t(r)] = kNone; // Null is never found
            continue;
        }
        const uint32_t b = uint32_t(hashBytes(p, size_t(h - 1))) & ix.mask;
        ix.next[size_t(r)] = ix.heads[b];
        ix.heads[b] = uint32_t(r);
    }
    m_indexes.push_back(std::move(ix));
    return m_indexes.back();
}

size_t RowStore::indexBytes() const
{
    size_t bytes = 0;
    for (const Index &i : m_indexes)
        bytes += (i.heads.capacity() + i.next.capacity()) * sizeof(uint32_t);
    return bytes;
}

int RowStore::findBytes(int from, int column, std::string_view needle) const
{
    const int n = rowCount();
    const uint64_t want = uint64_t(needle.size()) + 1;
    if (n - from >= kIndexFrom) {
        const Index &ix = indexOf(column);
        const uint32_t b = uint32_t(hashBytes(needle.data(), needle.size())) & ix.mask;
        for (uint32_t r = ix.heads[b]; r != kNone; r = ix.next[r]) {
            if (int(r) < from)
                continue;
            const char *p = skipTo(m_rows[r], column);
            if (getVarint(p) == want && std::memcmp(p, needle.data(), needle.size()) == 0)
                return int(r);
        }
        return n;
    }
    if (want >= 0x80) {
        for (int r = from; r < n; ++r) {
            const char *p = skipTo(m_rows[size_t(r)], column);
            if (getVarint(p) == want && std::memcmp(p, needle.data(), needle.size()) == 0)
                return r;
        }
        return n;
    }
    // The usual case, written for speed: lengths below 128 take one byte, so a cell can only
    // match when its length byte equals the wanted one.
    const auto head = static_cast<unsigned char>(want);
    const uint32_t *rows = m_rows.data();
    for (int r = from; r < n; ++r) {
        const auto *p = reinterpret_cast<const unsigned char *>(at(rows[r]));
        while (*p++ & 0x80) { } // row id
        for (int c = 0; c < column; ++c) {
            uint64_t h = *p;
            if (h < 0x80) {
                ++p;
            } else {
                const char *q = reinterpret_cast<const char *>(p);
                h = getVarint(q);
                p = reinterpret_cast<const unsigned char *>(q);
            }
            if (h)
                p += h - 1;
        }
        if (*p == head && std::memcmp(p + 1, needle.data(), needle.size()) == 0)
            return r;
    }
    return n;
}

size_t RowStore::memoryBytes() const
{
    return m_allocated + m_rows.capacity() * sizeof(uint32_t) + m_blocks.size() * sizeof(char *);
}

} // namespace gudang
