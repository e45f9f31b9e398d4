#include "backgroundrelease.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

// One thread for the program's lifetime, started by the first value handed over and joined by
// the static destruction at the end, after it has freed everything left.
class Releaser final
{
public:
    ~Releaser()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    void add(std::unique_ptr<BackgroundRelease::Held> held)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_queue.push_back(std::move(held));
            ++m_handed;
            if (!m_thread.joinable())
                m_thread = std::thread([this] { run(); });
        }
        m_wake.notify_all();
    }

    void wait()
    {
        std::unique_lock lock(m_mutex);
        const unsigned long long target = m_handed;
        m_done.wait(lock, [&] { return m_freed >= target; });
    }

private:
    void run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_queue.empty())
                return;
            std::unique_ptr<BackgroundRelease::Held> next = std::move(m_queue.front());
            m_queue.pop_front();
            lock.unlock();
            next.reset();
            lock.lock();
            ++m_freed;
            m_done.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::deque<std::unique_ptr<BackgroundRelease::Held>> m_queue;
    unsigned long long m_handed = 0;
    unsigned long long m_freed = 0;
    bool m_stopping = false;
    std::thread m_thread;
};

Releaser &releaser()
{
    static Releaser instance;
    return instance;
}

} // namespace

void BackgroundRelease::enqueue(std::unique_ptr<Held> held)
{
    releaser().add(std::move(held));
}

void BackgroundRelease::Wait()
{
    releaser().wait();
}
