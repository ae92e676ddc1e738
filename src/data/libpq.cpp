#include "libpq.h"
#include "apperror.h"

#include <QString>
#include <dlfcn.h>
#include <mutex>

namespace gudang {

const Libpq &pq()
{
    static Libpq functions;
    static QString failure;
    static std::once_flag loaded;
    std::call_once(loaded, [] {
        void *lib = ::dlopen("libpq.so.5", RTLD_NOW | RTLD_LOCAL);
        if (!lib) {
            failure = QString::fromLocal8Bit(::dlerror());
            return;
        }
#define GUDANG_LIBPQ_LOAD(name)                                                                    \
    functions.name = reinterpret_cast<decltype(&::name)>(::dlsym(lib, #name));                     \
    if (!functions.name && failure.isEmpty())                                                      \
        failure = QStringLiteral("fungsi %1 tidak ada").arg(QLatin1String(#name));
        GUDANG_LIBPQ_FUNCTIONS(GUDANG_LIBPQ_LOAD)
#undef GUDANG_LIBPQ_LOAD
    });
    if (!failure.isEmpty())
        throw AppError(QStringLiteral("Pustaka libpq (libpq.so.5) untuk server PostgreSQL tidak "
                                      "dapat dimuat: %1.\nPasang paket libpq5.")
                           .arg(failure));
    return functions;
}

} // namespace gudang
