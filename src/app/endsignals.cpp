#include "endsignals.h"

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace gudang {

EndSignals::EndSignals(std::function<void()> end)
    : m_end(std::move(end))
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, s_pipe) != 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(s_pipe[1], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
        char c;
        while (::read(s_pipe[1], &c, 1) < 0 && errno == EINTR) { }
        m_end();
    });
    struct sigaction sa = {};
    sa.sa_handler = [](int) {
        const int saved = errno;
        const char c = 1;
        [[maybe_unused]] const auto n = ::write(s_pipe[0], &c, 1);
        errno = saved;
    };
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : { SIGTERM, SIGHUP, SIGINT })
        ::sigaction(sig, &sa, nullptr);
}

EndSignals::~EndSignals()
{
    struct sigaction sa = {};
    sa.sa_handler = SIG_DFL;
    for (int sig : { SIGTERM, SIGHUP, SIGINT })
        ::sigaction(sig, &sa, nullptr);
    m_notifier.reset();
    if (s_pipe[0] >= 0) {
        ::close(s_pipe[0]);
        ::close(s_pipe[1]);
        s_pipe[0] = s_pipe[1] = -1;
    }
}

} // namespace gudang
