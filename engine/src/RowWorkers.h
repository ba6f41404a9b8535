#pragma once
// A small fixed team of threads that share out the rows of one band. The
// calling thread takes the first share itself, so a team of one runs
// everything in place with no thread at all. Bands follow each other in
// tens of microseconds, less than a sleeping thread takes to wake: each
// side waits for the other by watching for a short while before it sleeps.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace engine {

class RowWorkers {
public:
    // fn(worker, begin, end) handles rows begin … end − 1 with worker's own
    // buffers; worker runs from 0 to size() − 1.
    using Task = std::function<void(int worker, std::int32_t begin, std::int32_t end)>;

    // Starts threads − 1 helpers; fewer when threads cannot be started.
    explicit RowWorkers(int threads);
    ~RowWorkers();
    RowWorkers(const RowWorkers&) = delete;
    RowWorkers& operator=(const RowWorkers&) = delete;

    int size() const { return static_cast<int>(helpers_.size()) + 1; }

    // Runs task over rows 0 … rows − 1 and returns when every share is done;
    // an exception thrown by any share is rethrown here.
    void run(std::int32_t rows, const Task& task);

    // The team size for a requested count: 0 means the machine's cores, at
    // most two.
    static int chooseSize(int requested);

private:
    void helperLoop(int worker);
    void runShare(int worker);

    std::vector<std::thread> helpers_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    // Written before round_ moves on; read by the helpers once they see it.
    const Task* task_ = nullptr;
    std::int32_t rows_ = 0;
    std::atomic<std::uint64_t> round_{0};
    std::atomic<int> pending_{0};
    std::atomic<int> sleeping_{0}; // helpers asleep, or about to be, on wake_
    std::atomic<bool> quit_{false};
    std::exception_ptr error_; // under mutex_
};

} // namespace engine
