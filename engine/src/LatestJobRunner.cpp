#include "engine/LatestJobRunner.h"

#include <utility>

namespace engine {

LatestJobRunner::LatestJobRunner() = default;

LatestJobRunner::~LatestJobRunner()
{
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
        pending_ = nullptr;
        superseded_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void LatestJobRunner::submit(Job job)
{
    if (!job)
        return;
    {
        std::lock_guard lock(mutex_);
        if (closing_)
            return;
        pending_ = std::move(job);
        if (running_)
            superseded_ = true;
        // The thread starts with the first job: a runner that is never used
        // (a frame whose preview is never shown) costs no thread.
        if (!thread_.joinable())
            thread_ = std::thread([this] { loop(); });
    }
    wake_.notify_all();
}

void LatestJobRunner::waitIdle()
{
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return closing_ || (!running_ && !pending_); });
}

void LatestJobRunner::loop()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return closing_ || static_cast<bool>(pending_); });
        if (closing_)
            break;
        Job job = std::move(pending_);
        pending_ = nullptr;
        running_ = true;
        superseded_ = false;
        ++started_;
        lock.unlock();
        job(superseded_);
        job = nullptr; // whatever the job holds goes before the runner reports idle
        lock.lock();
        running_ = false;
        if (!pending_)
            idle_.notify_all();
    }
    running_ = false;
    idle_.notify_all();
}

} // namespace engine
