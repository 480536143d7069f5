#include "support/cache/SerialWorkQueue.h"

#include <QDebug>

#include <exception>

SerialWorkQueue::SerialWorkQueue()
    : m_thread([this] { run(); })
{
}

SerialWorkQueue::~SerialWorkQueue()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

SerialWorkQueue::OperationPtr SerialWorkQueue::enqueue(std::function<void()> task)
{
    OperationPtr operation(new Operation(std::move(task)));
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(operation);
    }
    m_wake.notify_one();
    return operation;
}

std::size_t SerialWorkQueue::pendingCount() const
{
    std::lock_guard lock(m_mutex);
    return m_queue.size();
}

void SerialWorkQueue::waitUntilIdle()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_queue.empty() && !m_busy; });
}

void SerialWorkQueue::run()
{
    for (;;) {
        OperationPtr operation;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_queue.empty()) {
                // Only reached when stopping with nothing left to do.
                return;
            }
            operation = std::move(m_queue.front());
            m_queue.pop_front();
            m_busy = true;
        }
        if (!operation->isCancelled()) {
            try {
                operation->m_task();
            } catch (const std::exception &error) {
                qWarning() << "Cache worker task failed:" << error.what();
            } catch (...) {
                qWarning() << "Cache worker task failed";
            }
        }
        operation.reset();
        {
            std::lock_guard lock(m_mutex);
            m_busy = false;
            if (m_queue.empty())
                m_idle.notify_all();
        }
    }
}
