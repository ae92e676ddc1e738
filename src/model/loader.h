#pragma once

#include "store/tableaccess.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace gudang {

// Reads a table into a row store on a thread of its own, after the first rows were read at
// once: the reader keeps one snapshot, so what it reads is the table as it was when the record
// source opened, whatever is written meanwhile. Whatever the reading throws (a failing disk,
// lack of memory) ends it with a reason in the user's words; nothing escapes the thread.
class Loader
{
public:
    explicit Loader(std::unique_ptr<RowReader> reader);
    ~Loader();
    Loader(const Loader &) = delete;
    Loader &operator=(const Loader &) = delete;

    bool readSome(int rows, std::vector<uint32_t> &out) { return m_reader->readSome(rows, out); }

    // Reads the rest on the loading thread; `arrived` is called (on that thread) when rows
    // are waiting to be taken, and once more at the end.
    void start(std::function<void()> arrived);
    bool started() const { return m_thread.joinable(); }

    // The rows read since the last call join `out`; true once reading has ended (`error`
    // then says why it stopped early, or is empty).
    bool take(std::vector<uint32_t> &out, QString *error);

    // Waits up to `ms` for the end; true once reading has ended.
    bool waitForEnd(int ms);
    // Someone waits for the whole table: the reading no longer gives way to the user.
    void hurry() { m_urgent = true; }

    // The user pressed a key or a button: reading gives way for a moment (the cores, and a
    // server's, go to what the user does).
    static void userActed();
    qint64 rowsRead() const { return m_rowsRead.load(std::memory_order_relaxed); }

private:
    void run();
    void publish(std::vector<uint32_t> &batch, bool ended, const QString &error);

    static constexpr int kBatch = 16384;

    std::unique_ptr<RowReader> m_reader;
    std::thread m_thread;
    std::function<void()> m_arrived;
    std::atomic<bool> m_stop { false };
    std::atomic<bool> m_urgent { false };
    std::atomic<qint64> m_rowsRead { 0 };
    std::mutex m_mutex;
    std::condition_variable m_done;
    std::vector<uint32_t> m_ready; // read, not yet taken
    bool m_announced = false; // `arrived` called since the last take
    bool m_ended = false;
    QString m_error;
};

} // namespace gudang
