#include <atomic>
#include <cctype>
#include <filesystem>
#include <sstream>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "core/base/Log.h"
#include "tests/support/LogCapture.h"

using orvilane::Log;
using orvilane::test::LogCapture;

namespace
{
// True when text starts with "[hh:mm:ss] " with two-digit fields in range.
bool StartsWithStamp(const std::string& text)
{
    if (text.size() < 11 || text[0] != '[' || text[3] != ':' || text[6] != ':' || text[9] != ']' || text[10] != ' ')
        return false;
    const int limits[] = {23, 59, 60};
    for (int k = 0; k < 3; ++k)
    {
        const char hi = text[1 + 3 * k], lo = text[2 + 3 * k];
        if (!std::isdigit(static_cast<unsigned char>(hi)) || !std::isdigit(static_cast<unsigned char>(lo)) ||
            (hi - '0') * 10 + (lo - '0') > limits[k])
            return false;
    }
    return true;
}

// Runs the body in a fresh temporary working directory.
class InTempDir
{
public:
    InTempDir()
    {
        mOld = std::filesystem::current_path();
        mDir = std::filesystem::temp_directory_path() /
               ("orvilane-log-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(mDir);
        std::filesystem::current_path(mDir);
    }
    ~InTempDir()
    {
        std::filesystem::current_path(mOld);
        std::filesystem::remove_all(mDir);
    }

private:
    std::filesystem::path mOld, mDir;
};

void WriteBytes(const char* path, size_t n)
{
    std::ofstream(path, std::ios::binary) << std::string(n, 'x');
}
} // namespace

TEST(Log, LineShapesPerOperation)
{
    LogCapture capture;
    ::testing::internal::CaptureStdout();
    Log::Info(0, "hello %s", "world");
    Log::Info(1, "detail");
    Log::Warning("a %d", 5);
    Log::Error("b");
    Log::Info(0, "ends in newline\n");
    const std::string out = ::testing::internal::GetCapturedStdout();

    const auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 5u);
    const char* expected[] = {"hello world", "detail", "Warning: a 5", "ERROR: b", "ends in newline\n"};
    for (size_t k = 0; k < 5; ++k)
    {
        EXPECT_TRUE(StartsWithStamp(lines[k])) << lines[k];
        EXPECT_EQ(lines[k].substr(11), expected[k]);
        EXPECT_NE(out.find(lines[k] + "\n"), std::string::npos);
    }
}

TEST(Log, TimeStampIsTwoDigitFieldsAndBlank)
{
    const std::string stamp = Log::TimeStamp();
    ASSERT_EQ(stamp.size(), 11u);
    EXPECT_TRUE(StartsWithStamp(stamp));
}

TEST(Log, ListenersGetEveryLineInRegistrationOrder)
{
    static std::vector<std::string> calls;
    static bool active = false;
    active = true;
    ASSERT_TRUE(Log::AddListener([](const std::string& l) { if (active) calls.push_back("first:" + l); }));
    ASSERT_TRUE(Log::AddListener([](const std::string& l) { if (active) calls.push_back("second:" + l); }));
    Log::Info(0, "one");
    Log::Info(0, "two");
    active = false;
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].substr(0, 6), "first:");
    EXPECT_EQ(calls[1].substr(0, 7), "second:");
    EXPECT_EQ(calls[0].substr(6), calls[1].substr(7));
    EXPECT_NE(calls[2].find("two"), std::string::npos);
}

TEST(Log, EmptyListenerIsRefusedAndLoggingGoesOn)
{
    LogCapture capture;
    EXPECT_FALSE(Log::AddListener(Log::Listener()));
    EXPECT_NO_THROW(Log::Info(0, "still fine"));
    EXPECT_EQ(capture.Count("still fine"), 1u);
}

TEST(Log, LongMessageIsCutNotOverflowed)
{
    LogCapture capture;
    const std::string longText(5000, 'q');
    Log::Error("%s", longText.c_str());
    const auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), 11u + 7u + 1023u);
    EXPECT_EQ(lines[0].substr(11, 7), "ERROR: ");
}

TEST(LogThreaded, TwoThreadsNeverInterleave)
{
    LogCapture capture;
    auto worker = [](char c) {
        const std::string text(200, c);
        for (int k = 0; k < 200; ++k)
            Log::Info(0, "%s", text.c_str());
    };
    ::testing::internal::CaptureStdout();
    std::thread a(worker, 'a'), b(worker, 'b');
    a.join();
    b.join();
    const std::string out = ::testing::internal::GetCapturedStdout();
    const auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 400u);
    for (const std::string& line : lines)
    {
        const std::string body = line.substr(11);
        EXPECT_TRUE(body == std::string(200, 'a') || body == std::string(200, 'b'));
    }
    std::istringstream stream(out);
    std::string row;
    while (std::getline(stream, row))
        EXPECT_TRUE(StartsWithStamp(row) && row.size() == 211u) << row.substr(0, 40);
}

// The editor registers its listener while a worker thread may be logging.
TEST(LogThreaded, ListenersAddedWhileAnotherThreadWrites)
{
    ::testing::internal::CaptureStdout();
    auto heard = std::make_shared<std::atomic<int>>(0);
    std::atomic<bool> done{false};
    std::thread writer([&done] {
        while (!done.load())
            Log::Info(0, "busy");
    });
    for (int k = 0; k < 50; ++k)
        Log::AddListener([heard](const std::string&) { heard->fetch_add(1); });
    done.store(true);
    writer.join();
    Log::Info(0, "after");
    ::testing::internal::GetCapturedStdout();
    EXPECT_GE(heard->load(), 50); // the last line reached every listener
}

TEST(Log, QueryFileSizeInWholeKiB)
{
    InTempDir dir;
    WriteBytes("a.bin", 2047);
    WriteBytes("b.bin", 1023);
    EXPECT_EQ(orvilane::QueryFileSize("a.bin"), 1);
    EXPECT_EQ(orvilane::QueryFileSize("b.bin"), 0);
    EXPECT_EQ(orvilane::QueryFileSize("missing.bin"), -1);
    EXPECT_EQ(orvilane::QueryFileSize("."), -1);
}

TEST(Log, FlushWritesQueuedLinesOnlyWhenThereAreAny)
{
    InTempDir dir;
    Log::FlushToFile(); // whatever earlier tests queued
    std::filesystem::remove(Log::kLogFileName);
    Log::FlushToFile();
    EXPECT_FALSE(std::filesystem::exists(Log::kLogFileName));

    Log::Info(0, "kept in the file");
    Log::FlushToFile();
    std::ifstream file(Log::kLogFileName);
    std::string line;
    ASSERT_TRUE(std::getline(file, line));
    EXPECT_TRUE(StartsWithStamp(line));
    EXPECT_EQ(line.substr(11), "kept in the file");
    EXPECT_FALSE(std::getline(file, line));
}

TEST(Log, LogFileSizeIsCachedForMaxAge)
{
    InTempDir dir;
    Log::FlushToFile();
    WriteBytes(Log::kLogFileName, 2047);
    EXPECT_EQ(Log::GetLogFileSize(-1), 1); // forces a query
    WriteBytes(Log::kLogFileName, 5000);
    EXPECT_EQ(Log::GetLogFileSize(60), 1); // cached
    EXPECT_EQ(Log::GetLogFileSize(-1), 4);
    std::filesystem::remove(Log::kLogFileName);
    EXPECT_EQ(Log::GetLogFileSize(-1), -1);
    EXPECT_EQ(Log::GetLogFileSize(60), -1);
}
