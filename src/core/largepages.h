#pragma once

#include <cstddef>

namespace gudang {

// Asks the system to back the whole 2 MiB pages inside [data, data + size) with large pages:
// a big buffer filled at once (a table's snapshot, a search block) then takes a few page faults
// instead of one per 4 KiB, which on a virtual machine cost as much as the filling itself.
// Only a hint: where the system has no large pages to give, nothing changes.
void preferLargePages(void *data, size_t size);

// Memory of `size` bytes on a 2 MiB boundary with large pages preferred; freed with std::free.
// Null when there is not enough memory.
char *largePageMemory(size_t size);

} // namespace gudang
