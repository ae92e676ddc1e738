#include "lazylibrary.h"
#include "apperror.h"

#include <dlfcn.h>

namespace gudang {

LazyLibrary::LazyLibrary(const char *file, QString missing)
    : m_file(file)
    , m_missing(std::move(missing))
{ }

void LazyLibrary::load(const std::function<void(const Resolve &)> &fill)
{
    std::call_once(m_once, [&] {
        void *lib = ::dlopen(m_file, RTLD_NOW | RTLD_LOCAL);
        if (!lib) {
            m_failure = QString::fromLocal8Bit(::dlerror());
            return;
        }
        fill([&](const char *name) {
            void *f = ::dlsym(lib, name);
            if (!f && m_failure.isEmpty())
                m_failure = QStringLiteral("fungsi %1 tidak ada").arg(QLatin1String(name));
            return f;
        });
    });
    if (!m_failure.isEmpty())
        throw AppError(m_missing.arg(m_failure));
}

} // namespace gudang
