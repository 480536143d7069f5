#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// One worker thread running queued tasks one at a time, in order. A queued
// task can be cancelled until it starts. Destruction runs what is still queued,
// then joins, so accepted writes are not lost at exit.
class SerialWorkQueue {
public:
    class Operation {
    public:
        void cancel() { m_cancelled.store(true); }
        bool isCancelled() const { return m_cancelled.load(); }

    private:
        friend class SerialWorkQueue;
        explicit Operation(std::function<void()> task)
            : m_task(std::move(task))
        {
        }
        std::function<void()> m_task;
        std::atomic<bool> m_cancelled { false };
    };
    using OperationPtr = std::shared_ptr<Operation>;

    SerialWorkQueue();
    ~SerialWorkQueue();
    SerialWorkQueue(const SerialWorkQueue &) = delete;
    SerialWorkQueue &operator=(const SerialWorkQueue &) = delete;

    OperationPtr enqueue(std::function<void()> task);
    // Queued tasks not yet started.
    std::size_t pendingCount() const;
    // Blocks until every task queued so far has run. Never call it from a task.
    void waitUntilIdle();

private:
    void run();

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<OperationPtr> m_queue;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread;
};
