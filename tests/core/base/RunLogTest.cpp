// A run's record logs each message of an owner once, then the number of rays
// it concerned. (Without a record every report is logged: the element tests.)
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "core/base/RunLog.h"
#include "tests/support/LogCapture.h"

using orvilane::RunLog;
using orvilane::test::LogCapture;
using Texts = std::vector<std::string>;

TEST(RunLog, EachTextOfEachOwnerOnceThenItsRayCount)
{
    const int lens = 0, mirror = 0; // two owners
    struct Report
    {
        const void* owner;
        bool error;
        int value;
    };
    // Per ray, the reports of "v %d".
    const std::vector<std::vector<Report>> rays = {
        {{&lens, true, 0}, {&lens, true, 0}, {&lens, false, 0}, {&mirror, true, 0}},
        {},
        {{&lens, true, 0}, {&lens, true, 1}},
        {{&lens, true, 0}, {&lens, true, 1}, {&lens, true, 1}},
    };
    RunLog record;
    for (int run = 0; run < 2; ++run) // Finish starts afresh
    {
        LogCapture log;
        for (const auto& reports : rays)
        {
            record.NextRay();
            for (const Report& r : reports)
                (r.error ? RunLog::Error : RunLog::Warning)(&record, r.owner, "v %d", r.value);
        }
        EXPECT_EQ(log.Texts(), (Texts{"ERROR: v 0", "Warning: v 0", "ERROR: v 0", "ERROR: v 1"}));
        record.Finish();
        EXPECT_EQ(log.Texts(), (Texts{"ERROR: v 0", "Warning: v 0", "ERROR: v 0", "ERROR: v 1",
                                      "ERROR: v 0 (repeated for 3 rays)", "ERROR: v 1 (repeated for 2 rays)"}))
            << "run " << run;
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
