#include "libpq.h"
#include "core/lazylibrary.h"

#include <atomic>

namespace gudang {

const Libpq &pq()
{
    static Libpq functions;
    // Called for every libpq call: once loaded, no more than a look at this flag.
    static std::atomic<bool> loaded { false };
    if (loaded.load(std::memory_order_acquire))
        return functions;
    static LazyLibrary library("libpq.so.5",
                               QStringLiteral("Pustaka libpq (libpq.so.5) untuk server PostgreSQL "
                                              "tidak dapat dimuat: %1.\nPasang paket libpq5."));
    library.load([](const LazyLibrary::Resolve &resolve) {
#define GUDANG_LIBPQ_LOAD(name)                                                                    \
    functions.name = reinterpret_cast<decltype(&::name)>(resolve(#name));
        GUDANG_LIBPQ_FUNCTIONS(GUDANG_LIBPQ_LOAD)
#undef GUDANG_LIBPQ_LOAD
    });
    loaded.store(true, std::memory_order_release);
    return functions;
}

} // namespace gudang
