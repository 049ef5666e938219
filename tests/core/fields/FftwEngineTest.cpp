#include <algorithm>
#include <complex>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include <armadillo>
#include <gtest/gtest.h>

#include "core/fields/FftwEngine.h"
#include "tests/support/FieldTestGrids.h"
#include "tests/support/LogCapture.h"

using orvilane::FftwEngine;
using orvilane::test::RelativeDiff;
using cd = std::complex<double>;

TEST(FftwEngine, MatchesArmadilloOnOblongColumnMajorArrays)
{
    arma::arma_rng::set_seed(42);
    for (auto [rows, cols] : {std::pair<int, int>{6, 10}, {7, 3}, {2, 5}, {12, 12}})
    {
        const arma::cx_mat in = arma::randn<arma::cx_mat>(rows, cols);
        const arma::cx_mat kept = in;
        arma::cx_mat out(rows, cols);
        ASSERT_TRUE(FftwEngine::Transform2D(in.memptr(), out.memptr(), rows, cols, FftwEngine::Forward));
        EXPECT_LE(RelativeDiff(out, arma::fft2(in)), 1e-12) << rows << "x" << cols;
        EXPECT_TRUE(arma::approx_equal(in, kept, "absdiff", 0.0)); // out of place keeps the input

        arma::cx_mat inPlace = in;
        ASSERT_TRUE(FftwEngine::Transform2D(inPlace.memptr(), inPlace.memptr(), rows, cols, FftwEngine::Backward));
        EXPECT_LE(RelativeDiff(inPlace, arma::ifft2(in) * static_cast<double>(rows * cols)), 1e-12);
    }
}

TEST(FftwEngine, WorksOnArraysOfAnyAlignment)
{
    // complex<double> needs only 8-byte alignment; a plan made for 16-byte
    // aligned arrays must not be reused on these.
    const int n = 9;
    arma::arma_rng::set_seed(1);
    const arma::cx_mat in = arma::randn<arma::cx_mat>(n, n);
    std::vector<double> rawIn(2 * n * n + 1), rawOut(2 * n * n + 1);
    for (int offset = 0; offset < 2; ++offset)
    {
        cd* src = reinterpret_cast<cd*>(rawIn.data() + offset);
        cd* dst = reinterpret_cast<cd*>(rawOut.data() + 1 - offset);
        std::copy(in.begin(), in.end(), src);
        ASSERT_TRUE(FftwEngine::Transform2D(src, dst, n, n, FftwEngine::Forward));
        EXPECT_LE(RelativeDiff(arma::cx_mat(dst, n, n), arma::fft2(in)), 1e-12) << offset;
    }
}

TEST(FftwEngine, RefusesEmptyShapes)
{
    cd sample(1.0, 0.0);
    EXPECT_FALSE(FftwEngine::Transform2D(&sample, &sample, 0, 3, FftwEngine::Forward));
    EXPECT_FALSE(FftwEngine::Transform2D(&sample, &sample, 3, 0, FftwEngine::Forward));
    EXPECT_FALSE(FftwEngine::Transform2D(nullptr, &sample, 1, 1, FftwEngine::Forward));
    EXPECT_EQ(sample, cd(1.0, 0.0));
}

namespace
{
namespace fs = std::filesystem;
using orvilane::test::LogCapture;

// A fresh folder under the test temporary directory, removed afterwards.
class WisdomFolder
{
public:
    WisdomFolder() : mPath(fs::path(::testing::TempDir()) / ("orvilane-wisdom-" + std::to_string(getpid())))
    {
        fs::remove_all(mPath);
        fs::create_directories(mPath);
    }
    ~WisdomFolder()
    {
        std::error_code ignored;
        fs::remove_all(mPath, ignored);
    }
    const fs::path& Path() const { return mPath; }

private:
    fs::path mPath;
};

// Sets an environment variable (or unsets it for nullptr) for one scope.
class ScopedVariable
{
public:
    ScopedVariable(const char* name, const char* value) : mName(name)
    {
        if (const char* old = std::getenv(name))
            mOld = old;
        Set(value);
    }
    ~ScopedVariable() { Set(mOld ? mOld->c_str() : nullptr); }

private:
    void Set(const char* value)
    {
        if (value)
            setenv(mName, value, 1);
        else
            unsetenv(mName);
    }
    const char* mName;
    std::optional<std::string> mOld;
};
} // namespace

TEST(FftwEngine, WisdomLivesInTheUserCacheFolder)
{
    struct Case
    {
        const char* xdg;
        const char* home;
        const char* expected;
    };
    const Case cases[] = {
        {"/tmp/xdg", "/home/u", "/tmp/xdg/orvilane/fftw-wisdom"},
        {nullptr, "/home/u", "/home/u/.cache/orvilane/fftw-wisdom"},
        {"relative", "/home/u", "/home/u/.cache/orvilane/fftw-wisdom"}, // not absolute: ignored
        {"", "/home/u", "/home/u/.cache/orvilane/fftw-wisdom"},
        {nullptr, nullptr, ""},
    };
    for (const Case& c : cases)
    {
        ScopedVariable xdg("XDG_CACHE_HOME", c.xdg);
        ScopedVariable home("HOME", c.home);
        EXPECT_EQ(FftwEngine::WisdomPath(), fs::path(c.expected)) << (c.xdg ? c.xdg : "(unset)");
    }
}

TEST(FftwEngine, SavedWisdomReadsBackAndBadFilesAreIgnored)
{
    WisdomFolder folder;
    // Plans something, so there is wisdom to save.
    arma::cx_mat a = arma::randn<arma::cx_mat>(5, 7);
    ASSERT_TRUE(FftwEngine::Transform2D(a.memptr(), a.memptr(), 5, 7, FftwEngine::Forward));

    const fs::path saved = folder.Path() / "new" / "folder" / "fftw-wisdom";
    {
        LogCapture log;
        EXPECT_TRUE(FftwEngine::SaveWisdom(saved));
        EXPECT_EQ(log.Warnings(), 0u);
    }
    EXPECT_TRUE(fs::is_regular_file(saved));
    EXPECT_EQ(std::distance(fs::directory_iterator(saved.parent_path()), fs::directory_iterator()), 1)
        << "no temporary file is left behind";

    std::ofstream(folder.Path() / "foreign") << "(fftw-2.1 wisdom from elsewhere)\n";
    std::ofstream(folder.Path() / "garbage") << std::string(1000, '\x7f');
    const struct
    {
        fs::path path;
        bool read;
        size_t lines;
    } cases[] = {
        {saved, true, 0},
        {folder.Path() / "missing", false, 0}, // passed over quietly
        {folder.Path() / "foreign", false, 1},
        {folder.Path() / "garbage", false, 1},
        {folder.Path() / "new", false, 1}, // a folder cannot be read as a file
    };
    for (const auto& c : cases)
    {
        LogCapture log;
        EXPECT_EQ(FftwEngine::LoadWisdom(c.path), c.read) << c.path;
        EXPECT_EQ(log.Count("Ignoring the FFT planning file"), c.lines) << c.path;
        EXPECT_EQ(log.Warnings() + log.Errors(), 0u) << c.path;
    }
    // Whatever was refused, transforms still work.
    const arma::cx_mat in = arma::randn<arma::cx_mat>(5, 7);
    arma::cx_mat out(5, 7);
    ASSERT_TRUE(FftwEngine::Transform2D(in.memptr(), out.memptr(), 5, 7, FftwEngine::Forward));
    EXPECT_LE(RelativeDiff(out, arma::fft2(in)), 1e-12);
}

TEST(FftwEngine, FailedWisdomWriteIsAWarning)
{
    WisdomFolder folder;
    std::ofstream(folder.Path() / "file") << "x";
    for (const fs::path& path : {folder.Path() / "file" / "fftw-wisdom", folder.Path() / "file" / "a" / "b"})
    {
        LogCapture log;
        EXPECT_FALSE(FftwEngine::SaveWisdom(path)) << path;
        EXPECT_EQ(log.Warnings(), 1u) << path;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 1);
}

TEST(FftwEngine, FirstPlanningOfASizeIsLogged)
{
    // A shape no other test uses, so this process has never planned it.
    const int rows = 23, cols = 29;
    const arma::cx_mat in = arma::randn<arma::cx_mat>(rows, cols);
    arma::cx_mat out(rows, cols), again(rows, cols);
    LogCapture log;
    ASSERT_TRUE(FftwEngine::Transform2D(in.memptr(), out.memptr(), rows, cols, FftwEngine::Forward));
    ASSERT_TRUE(FftwEngine::Transform2D(out.memptr(), again.memptr(), rows, cols, FftwEngine::Backward));
    ASSERT_TRUE(FftwEngine::Transform2D(out.memptr(), out.memptr(), rows, cols, FftwEngine::Forward));
    EXPECT_EQ(log.Count("Planning 23 x 29 Fourier transforms"), 1u);
    // Measuring plans never touches the caller's arrays.
    EXPECT_LE(RelativeDiff(again, in * static_cast<double>(rows * cols)), 1e-12);
}
