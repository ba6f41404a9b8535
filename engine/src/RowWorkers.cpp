#include "RowWorkers.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <system_error>

namespace engine {

namespace {

// How long a side watches for the other before it sleeps.
constexpr auto kWatch = std::chrono::microseconds(100);

void pause()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Watches until done() or kWatch has passed; true when done.
template <class Done>
bool watch(Done&& done)
{
    const auto until = std::chrono::steady_clock::now() + kWatch;
    for (;;) {
        for (int i = 0; i < 64; ++i) {
            if (done())
                return true;
            pause();
        }
        if (std::chrono::steady_clock::now() >= until)
            return done();
    }
}

} // namespace

int RowWorkers::chooseSize(int requested)
{
    if (requested > 0)
        return std::min(requested, 16);
    // DOTSCAPE_THREADS=1..9 sets the count, for measurements and busy machines.
    if (const char* env = std::getenv("DOTSCAPE_THREADS"); env && *env >= '1' && *env <= '9')
        return *env - '0';
    unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(cores, 1u, 2u));
}

RowWorkers::RowWorkers(int threads)
{
    for (int i = 1; i < threads; ++i) {
        try {
            helpers_.emplace_back([this, i] { helperLoop(i); });
        } catch (const std::system_error&) {
            break; // run with the helpers that did start
        }
    }
}

RowWorkers::~RowWorkers()
{
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    for (auto& t : helpers_)
        t.join();
}

void RowWorkers::runShare(int worker)
{
    const std::int64_t n = size();
    const auto begin = static_cast<std::int32_t>(rows_ * worker / n);
    const auto end = static_cast<std::int32_t>(rows_ * (worker + 1) / n);
    if (begin >= end)
        return;
    try {
        (*task_)(worker, begin, end);
    } catch (...) {
        std::lock_guard lock(mutex_);
        if (!error_)
            error_ = std::current_exception();
    }
}

void RowWorkers::helperLoop(int worker)
{
    std::uint64_t seen = 0;
    for (;;) {
        const auto called = [&] { return quit_.load() || round_.load() != seen; };
        if (!watch(called)) {
            std::unique_lock lock(mutex_);
            // Counted before the last look under the lock: run() either
            // sees the count and wakes this thread, or moved the round on
            // before, which the look then sees.
            sleeping_.fetch_add(1);
            wake_.wait(lock, called);
            sleeping_.fetch_sub(1);
        }
        if (quit_.load())
            return;
        seen = round_.load();
        runShare(worker);
        if (pending_.fetch_sub(1) == 1) {
            // The caller may be asleep on finished_; the lock keeps the
            // notice from falling between its look and its sleep.
            std::lock_guard lock(mutex_);
            finished_.notify_one();
        }
    }
}

void RowWorkers::run(std::int32_t rows, const Task& task)
{
    if (rows <= 0)
        return;
    task_ = &task;
    rows_ = rows;
    {
        std::lock_guard lock(mutex_);
        error_ = nullptr;
    }
    pending_.store(static_cast<int>(helpers_.size()));
    round_.fetch_add(1);
    if (sleeping_.load() > 0) {
        std::lock_guard lock(mutex_);
        wake_.notify_all();
    }
    runShare(0);
    const auto done = [&] { return pending_.load() == 0; };
    std::exception_ptr error;
    {
        std::unique_lock lock(mutex_, std::defer_lock);
        if (!watch(done)) {
            lock.lock();
            finished_.wait(lock, done);
        } else {
            lock.lock();
        }
        task_ = nullptr;
        error = error_;
    }
    if (error)
        std::rethrow_exception(error);
}

} // namespace engine
