#pragma once
// Runs jobs one at a time on a thread of its own and keeps only the newest
// job that waits. A job handed in while another runs replaces any job still
// waiting and tells the running one that it is out of date, so a stream of
// requests (a map edited by dragging) never piles up work nobody will see,
// and never runs two jobs at once.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace engine {

class LatestJobRunner {
public:
    // `superseded` turns true when a newer job waits or the runner closes;
    // the job may then stop early.
    using Job = std::function<void(const std::atomic<bool>& superseded)>;

    LatestJobRunner();
    // Drops a waiting job, tells the running one to stop and waits for it.
    ~LatestJobRunner();
    LatestJobRunner(const LatestJobRunner&) = delete;
    LatestJobRunner& operator=(const LatestJobRunner&) = delete;

    void submit(Job job);
    // Blocks until no job runs and none waits.
    void waitIdle();
    // Jobs that began to run so far.
    std::uint64_t started() const { return started_.load(); }

private:
    void loop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    Job pending_;
    bool running_ = false;
    bool closing_ = false;
    std::atomic<bool> superseded_{false};
    std::atomic<std::uint64_t> started_{0};
    std::thread thread_;
};

} // namespace engine
