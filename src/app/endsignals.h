#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace gudang {

// SIGTERM, SIGHUP and SIGINT end the program through its event loop, as "Keluar" does, so
// that the daily backup runs and the folder lock is released.
class EndSignals
{
public:
    explicit EndSignals(std::function<void()> end);
    ~EndSignals();
    EndSignals(const EndSignals &) = delete;
    EndSignals &operator=(const EndSignals &) = delete;

private:
    static inline int s_pipe[2] = { -1, -1 };
    std::function<void()> m_end;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace gudang
