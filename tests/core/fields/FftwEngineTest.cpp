#include <algorithm>
#include <complex>
#include <utility>
#include <vector>

#include <armadillo>
#include <gtest/gtest.h>

#include "core/fields/FftwEngine.h"
#include "tests/support/FieldTestGrids.h"

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
