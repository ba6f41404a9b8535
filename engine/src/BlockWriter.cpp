#include "BlockWriter.h"

#include <system_error>

namespace engine {

BlockWriter::BlockWriter(BandSink& sink) : sink_(sink)
{
    try {
        thread_ = std::thread([this] { loop(); });
    } catch (const std::system_error&) {
        // Blocks are written by send itself.
    }
}

BlockWriter::~BlockWriter()
{
    {
        std::unique_lock lock(mutex_);
        waitIdle(lock);
        quit_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

bool BlockWriter::waitIdle(std::unique_lock<std::mutex>& lock)
{
    changed_.wait(lock, [this] { return !pending_; });
    return !failed_;
}

bool BlockWriter::send(const std::uint8_t* bits, std::size_t stride, std::int32_t count)
{
    if (!thread_.joinable()) {
        failed_ = failed_ || !sink_.rows(bits, stride, count);
        return !failed_;
    }
    {
        std::unique_lock lock(mutex_);
        if (!waitIdle(lock))
            return false;
        bits_ = bits;
        stride_ = stride;
        count_ = count;
        pending_ = true;
    }
    changed_.notify_all();
    return true;
}

bool BlockWriter::finish()
{
    std::unique_lock lock(mutex_);
    return waitIdle(lock);
}

void BlockWriter::loop()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return pending_ || quit_; });
        if (!pending_)
            return;
        const std::uint8_t* bits = bits_;
        const std::size_t stride = stride_;
        const std::int32_t count = count_;
        lock.unlock();
        const bool sent = sink_.rows(bits, stride, count);
        lock.lock();
        failed_ = failed_ || !sent;
        pending_ = false;
        changed_.notify_all();
    }
}

} // namespace engine
