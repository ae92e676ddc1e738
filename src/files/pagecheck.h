#pragma once

#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace gudang {

// Every page of a database file checked on a thread of its own (SQLite's quick check on a
// read-only connection) while the program starts and the user logs in; until the check has
// passed, no write may begin on the file (see holdWrites()). Nothing is trusted from an
// earlier run: a page written meanwhile by anyone, a page gone bad on the disk, is checked
// like every other.
class BackgroundPageCheck
{
public:
    // `done` is called on the checking thread with the damage found (empty when sound). The
    // check begins with start(), or with the first wait for it.
    BackgroundPageCheck(QString path, std::function<void(const QString &damage)> done);
    void start();
    // Stops a check still running.
    ~BackgroundPageCheck();
    BackgroundPageCheck(const BackgroundPageCheck &) = delete;
    BackgroundPageCheck &operator=(const BackgroundPageCheck &) = delete;

    const QString &path() const { return m_path; }
    bool finished() const;
    // Waits for the end of the check, calling `waiting` now and then (every 50 ms once half a
    // second has passed); the damage found, empty when sound.
    QString wait(const std::function<void()> &waiting = {});

    // Every write transaction on the file waits for the check and is refused with `refusal`
    // (an AppError of kind Damaged) when it found damage; until the returned holder goes.
    class Hold
    {
    public:
        Hold(BackgroundPageCheck &check, std::function<QString(const QString &damage)> refusal,
             std::function<void()> waiting);
        ~Hold();
        Hold(const Hold &) = delete;
        Hold &operator=(const Hold &) = delete;

    private:
        QString m_path;
    };

private:
    const QString m_path;
    std::atomic<bool> m_stop { false };
    mutable std::mutex m_mutex;
    std::condition_variable m_ended;
    bool m_finished = false;
    QString m_damage;
    std::function<void(const QString &damage)> m_done;
    std::once_flag m_started;
    std::thread m_thread;
};

} // namespace gudang
