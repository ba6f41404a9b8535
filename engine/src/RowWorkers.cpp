#include "RowWorkers.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

namespace engine {

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
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return quit_ || round_ != seen; });
            if (quit_)
                return;
            seen = round_;
        }
        runShare(worker);
        {
            std::lock_guard lock(mutex_);
            if (--pending_ == 0)
                finished_.notify_one();
        }
    }
}

void RowWorkers::run(std::int32_t rows, const Task& task)
{
    if (rows <= 0)
        return;
    {
        std::lock_guard lock(mutex_);
        task_ = &task;
        rows_ = rows;
        error_ = nullptr;
        pending_ = static_cast<int>(helpers_.size());
        ++round_;
    }
    wake_.notify_all();
    runShare(0);
    std::exception_ptr error;
    {
        std::unique_lock lock(mutex_);
        finished_.wait(lock, [&] { return pending_ == 0; });
        task_ = nullptr;
        error = error_;
    }
    if (error)
        std::rethrow_exception(error);
}

} // namespace engine
