// A run's record logs each text of an owner once, then the number of rays it concerned.
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "core/base/RunLog.h"
#include "tests/support/LogCapture.h"

using orvilane::RunLog;
using orvilane::test::LogCapture;
using Texts = std::vector<std::string>;

TEST(RunLog, EachTextOfEachOwnerOnceThenItsRayCount)
{
    const int lens = 0, mirror = 0;
    // Per ray, the reports of "v %d": owner, error (else warning), value.
    const std::vector<std::vector<std::tuple<const int*, bool, int>>> rays = {
        {{&lens, true, 0}, {&lens, true, 0}, {&lens, false, 0}, {&mirror, true, 0}},
        {},
        {{&lens, true, 0}, {&lens, true, 1}, {&lens, true, 1}},
    };
    const Texts all{"ERROR: v 0", "Warning: v 0", "ERROR: v 0", "ERROR: v 1", "ERROR: v 0 (repeated for 2 rays)"};
    RunLog record;
    for (int run = 0; run < 2; ++run) // Finish starts afresh
    {
        LogCapture log;
        for (const auto& reports : rays)
        {
            record.NextRay();
            for (const auto& [owner, error, value] : reports)
                (error ? RunLog::Error : RunLog::Warning)(&record, owner, "v %d", value);
        }
        EXPECT_EQ(log.Texts(), Texts(all.begin(), all.end() - 1)) << run;
        record.Finish();
        EXPECT_EQ(log.Texts(), all) << run;
    }
}

TEST(RunLogThreaded, ReportsFromSeveralThreadsLogTheFirstLineOnce)
{
    RunLog record;
    LogCapture log;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&record] {
            for (int k = 0; k < 1000; ++k)
                RunLog::Error(&record, &record, "shared");
        });
    for (std::thread& thread : threads)
        thread.join();
    record.Finish(); // all in one ray: no count line
    EXPECT_EQ(log.Texts(), Texts{"ERROR: shared"});
}
