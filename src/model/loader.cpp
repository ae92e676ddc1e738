#include "loader.h"

#include <chrono>
#include <limits>
#include <sys/resource.h>
#include <unistd.h>

namespace gudang {

namespace {

std::atomic<int64_t> lastAct { std::numeric_limits<int64_t>::min() / 2 };

int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// How long the reading gives way after a key or a button.
constexpr int64_t kGiveWayNs = 150'000'000;

} // namespace

void Loader::userActed()
{
    lastAct.store(nowNs(), std::memory_order_relaxed);
}

Loader::Loader(std::unique_ptr<RowReader> reader)
    : m_reader(std::move(reader))
{ }

Loader::~Loader()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void Loader::start(std::function<void()> arrived)
{
    if (m_thread.joinable())
        return;
    m_arrived = std::move(arrived);
    m_thread = std::thread([this] { run(); });
}

bool Loader::take(std::vector<uint32_t> &out, QString *error)
{
    std::lock_guard lock(m_mutex);
    out.swap(m_ready);
    m_ready.clear();
    m_announced = false;
    if (m_ended)
        *error = m_error;
    return m_ended;
}

bool Loader::waitForEnd(int ms)
{
    std::unique_lock lock(m_mutex);
    return m_done.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_ended; });
}

void Loader::run()
{
    // Behind the screens, at the lowest priority: a window being painted, a posting (and the
    // server serving it) come first.
    ::setpriority(PRIO_PROCESS, ::gettid(), 19);
    std::vector<uint32_t> batch;
    QString error;
    bool more = true;
    try {
        batch.reserve(kBatch);
        while (more && !m_stop) {
            while (!m_stop && !m_urgent
                   && nowNs() - lastAct.load(std::memory_order_relaxed) < kGiveWayNs)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            more = m_reader->readSome(kBatch, batch);
            m_rowsRead.fetch_add(qint64(batch.size()), std::memory_order_relaxed);
            publish(batch, !more, QString());
        }
    } catch (const AppError &e) {
        error = e.description();
    } catch (const std::bad_alloc &) {
        error = QStringLiteral("memori tidak cukup untuk seluruh tabel");
    } catch (const std::exception &e) {
        error = QString::fromUtf8(e.what());
    } catch (...) {
        error = QStringLiteral("kesalahan yang tidak dikenal");
    }
    m_reader.reset(); // lets go of the snapshot
    if (more || !error.isEmpty()) {
        try {
            publish(batch, true, error.isEmpty() ? QStringLiteral("dihentikan") : error);
        } catch (...) {
            {
                std::lock_guard lock(m_mutex);
                m_ended = true;
                m_error = QStringLiteral("memori tidak cukup untuk seluruh tabel");
            }
            m_done.notify_all();
        }
    }
}

void Loader::publish(std::vector<uint32_t> &batch, bool ended, const QString &error)
{
    bool announce = false;
    {
        std::lock_guard lock(m_mutex);
        m_ready.insert(m_ready.end(), batch.begin(), batch.end());
        if (ended) {
            m_ended = true;
            m_error = error;
        }
        announce = !m_announced;
        m_announced = true;
    }
    batch.clear();
    if (ended)
        m_done.notify_all();
    if (announce || ended)
        m_arrived();
}

} // namespace gudang
