// The worker team hands bands to its helpers and waits for them, watching
// first and sleeping after: every row of every band is done exactly once by
// the time run() returns, whether the helpers were awake or asleep, and a
// share that throws ends its band with the exception.

#include "RowWorkers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

using engine::RowWorkers;

TEST(RowWorkers, EveryRowOnceWhetherHelpersWatchOrSleep)
{
    for (const int threads : {1, 2, 3}) {
        RowWorkers team(threads);
        std::vector<std::atomic<int>> done(64);
        int wrong = 0;
        for (int band = 0; band < 3000; ++band) {
            const std::int32_t rows = 1 + band % 64;
            for (auto& d : done)
                d.store(0);
            team.run(rows, [&](int worker, std::int32_t begin, std::int32_t end) {
                EXPECT_LT(worker, team.size());
                for (std::int32_t r = begin; r < end; ++r)
                    done[static_cast<std::size_t>(r)].fetch_add(1);
            });
            for (std::int32_t r = 0; r < 64; ++r)
                wrong += done[static_cast<std::size_t>(r)].load() != (r < rows ? 1 : 0);
            // Now and then a pause long enough for the helpers to fall asleep.
            if (band % 500 == 499)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        EXPECT_EQ(wrong, 0) << threads << " threads";
    }
}

TEST(RowWorkers, AThrowingShareReachesTheCaller)
{
    RowWorkers team(2);
    for (int round = 0; round < 200; ++round) {
        const int thrower = round % team.size();
        EXPECT_THROW(team.run(8,
                              [&](int worker, std::int32_t, std::int32_t) {
                                  if (worker == thrower)
                                      throw std::runtime_error("share failed");
                              }),
                     std::runtime_error);
        // The team is still whole: the next band runs every row.
        std::atomic<int> rows{0};
        team.run(8, [&](int, std::int32_t begin, std::int32_t end) { rows.fetch_add(end - begin); });
        EXPECT_EQ(rows.load(), 8);
        if (round % 50 == 49)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}
