#include "pagecheck.h"
#include "core/apperror.h"
#include "store/sqlite/sqlitefiles.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <sys/resource.h>
#include <unistd.h>

namespace gudang {

BackgroundPageCheck::BackgroundPageCheck(QString path,
                                         std::function<void(const QString &damage)> done)
    : m_path(QFileInfo(path).absoluteFilePath())
    , m_done(std::move(done))
{ }

void BackgroundPageCheck::start()
{
    std::call_once(m_started, [this] {
        m_thread = std::thread([this, done = m_done] {
            // Behind the window being shown and the user typing.
            ::setpriority(PRIO_PROCESS, ::gettid(), 10);
            QString damage;
            try {
                damage = sqlitePageCheck(m_path, false, &m_stop);
            } catch (const std::exception &e) {
                damage = QStringLiteral("pemeriksaan database gagal: %1")
                             .arg(QString::fromUtf8(e.what()));
            }
            {
                std::lock_guard lock(m_mutex);
                m_finished = true;
                m_damage = damage;
            }
            m_ended.notify_all();
            if (!m_stop && done)
                done(damage);
        });
    });
}

BackgroundPageCheck::~BackgroundPageCheck()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

bool BackgroundPageCheck::finished() const
{
    std::lock_guard lock(m_mutex);
    return m_finished;
}

QString BackgroundPageCheck::wait(const std::function<void()> &waiting)
{
    start();
    QElapsedTimer waited;
    waited.start();
    std::unique_lock lock(m_mutex);
    while (!m_ended.wait_for(lock, std::chrono::milliseconds(50), [this] { return m_finished; })) {
        if (waited.elapsed() >= 500 && waiting) {
            lock.unlock();
            waiting();
            lock.lock();
        }
    }
    return m_damage;
}

BackgroundPageCheck::Hold::Hold(BackgroundPageCheck &check,
                                std::function<QString(const QString &damage)> refusal,
                                std::function<void()> waiting)
    : m_path(check.path())
{
    setSqliteWriteGate(m_path,
                       [&check, refusal = std::move(refusal), waiting = std::move(waiting)] {
                           const QString damage = check.wait(waiting);
                           if (!damage.isEmpty())
                               throw AppError(refusal(damage), AppError::Kind::Damaged);
                       });
}

BackgroundPageCheck::Hold::~Hold()
{
    setSqliteWriteGate(m_path, {});
}

} // namespace gudang
