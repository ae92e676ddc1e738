#pragma once

#include <QString>
#include <functional>
#include <mutex>

namespace gudang {

// A shared library the program loads only when it first needs it (so that a start does not
// pay for it): opened once, its functions resolved by name.
class LazyLibrary
{
public:
    using Resolve = std::function<void *(const char *name)>;

    // `missing` says, with %1 for the reason, that the library cannot be used.
    LazyLibrary(const char *file, QString missing);

    // Opens the library the first time and calls `fill` with a resolver of its functions; when
    // the library or a function asked for is missing, throws AppError (now and every time).
    void load(const std::function<void(const Resolve &)> &fill);

private:
    const char *m_file;
    const QString m_missing;
    std::once_flag m_once;
    QString m_failure;
};

} // namespace gudang
