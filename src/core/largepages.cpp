#include "largepages.h"

#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>

namespace gudang {

namespace {
constexpr uintptr_t kLargePage = uintptr_t(2) << 20;
}

void preferLargePages(void *data, size_t size)
{
    const auto begin = reinterpret_cast<uintptr_t>(data);
    const uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
    const uintptr_t last = (begin + size) & ~(kLargePage - 1);
    if (last > first)
        ::madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
}

char *largePageMemory(size_t size)
{
    const size_t rounded = (size + kLargePage - 1) & ~(kLargePage - 1);
    auto *memory = static_cast<char *>(std::aligned_alloc(kLargePage, rounded));
    if (memory)
        preferLargePages(memory, rounded);
    return memory;
}

} // namespace gudang
