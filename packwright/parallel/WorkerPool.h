// A fixed set of threads that run submitted jobs first come, first served. The tool's block
// encoding and decoding use one each: threads that stay up avoid starting a thread per block,
// and a queue longer than the thread count keeps every core busy while the calling thread
// reads sources or writes output in between.
#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class WorkerPool {
public:
    explicit WorkerPool(unsigned threads);
    // Runs what was queued to its end, then stops the threads.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // The job's result (or exception) comes through the future.
    template <typename Job>
    auto Submit(Job job) -> std::future<decltype(job())> {
        auto task = std::make_shared<std::packaged_task<decltype(job())()>>(std::move(job));
        auto result = task->get_future();
        Enqueue([task] { (*task)(); });
        return result;
    }

private:
    void Enqueue(std::function<void()> job);
    void Work();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

// Threads for `requested` jobs: all cores when 0.
unsigned JobsOrAllCores(unsigned requested);
