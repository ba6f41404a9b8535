#pragma once
// Hands the blocks of rows of a streamed picture to its sink on a thread of
// its own, one at a time and in order, so that the next block is made while
// one is written. A block stays untouched until the send after it returns.

#include "engine/Generation.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

namespace engine {

class BlockWriter {
public:
    explicit BlockWriter(BandSink& sink);
    ~BlockWriter();
    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;

    // Waits for the block before to be written, then hands this one on
    // (writes it in place when no thread could be started). False when a
    // block could not go; nothing more is sent then.
    bool send(const std::uint8_t* bits, std::size_t stride, std::int32_t count);
    // Waits for the last block; false when a block could not go.
    bool finish();

private:
    void loop();
    bool waitIdle(std::unique_lock<std::mutex>& lock);

    BandSink& sink_;
    std::mutex mutex_;
    std::condition_variable changed_;
    const std::uint8_t* bits_ = nullptr;
    std::size_t stride_ = 0;
    std::int32_t count_ = 0;
    bool pending_ = false;
    bool quit_ = false;
    bool failed_ = false;
    std::thread thread_; // last: it starts once everything above is set
};

} // namespace engine
