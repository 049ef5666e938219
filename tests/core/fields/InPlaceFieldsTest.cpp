// Transforms and element steps on given-up grids, and the passes shared out
// among threads: the same results as the copying, one-thread forms.
#include <cmath>
#include <complex>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "core/elements/EleBlockerWindow.h"
#include "core/elements/EleDetector.h"
#include "core/elements/EleIdealLens.h"
#include "core/fields/FastFourierTransform.h"
#include "core/fields/FftwEngine.h"
#include "core/fields/FieldOps.h"
#include "core/fields/PlaneWavePropagator.h"
#include "core/surfaces/ConfigSurfaceFlat.h"
#include "core/surfaces/SurfaceBase.h"
#include "tests/support/FieldTestGrids.h"
#include "tests/support/LogCapture.h"

using namespace orvilane;
using orvilane::test::LogCapture;
using orvilane::test::RandomGrid;
using orvilane::test::RelativeDiff;

namespace
{
// Sets the transforms' thread count for one scope.
class ScopedThreads
{
public:
    explicit ScopedThreads(unsigned count) : mOld(FftwEngine::GetThreadCount()) { FftwEngine::SetThreadCount(count); }
    ~ScopedThreads() { FftwEngine::SetThreadCount(mOld); }

private:
    unsigned mOld;
};

void ExpectSameGrid(const Fields& a, const Fields& b, double tolerance, const char* what)
{
    EXPECT_EQ(a.mDomain, b.mDomain) << what;
    EXPECT_NEAR(a.mDx, b.mDx, 1e-15 * b.mDx) << what;
    EXPECT_NEAR(a.mDy, b.mDy, 1e-15 * b.mDy) << what;
    EXPECT_EQ(a.mWavelength, b.mWavelength) << what;
    EXPECT_EQ(a.mRefractiveIndex, b.mRefractiveIndex) << what;
    EXPECT_TRUE(arma::approx_equal(a.mPosition, b.mPosition, "absdiff", 0.0)) << what;
    EXPECT_LE(RelativeDiff(a.mEx, b.mEx), tolerance) << what;
    EXPECT_LE(RelativeDiff(a.mEy, b.mEy), tolerance) << what;
}
} // namespace

// Grids from 3 to beyond the threaded size, on one thread and on four.
TEST(InPlaceFieldsThreaded, GivenUpGridsTransformLikeKeptOnes)
{
    const FastFourierTransform fft;
    for (unsigned threads : {1u, 4u})
    {
        ScopedThreads scoped(threads);
        for (int n : {3, 31, 129, 201})
        {
            const Fields x = RandomGrid(n, 1e-5, 2e-5, FieldDomain::XSpace, 3u + n);
            const Fields k = fft.Forward(x);
            const Fields kept = x;
            ExpectSameGrid(fft.Forward(Fields(x)), k, 1e-13, "forward");
            ExpectSameGrid(x, kept, 0.0, "kept input");
            ExpectSameGrid(fft.Inverse(Fields(k)), fft.Inverse(k), 1e-13, "inverse");
            ExpectSameGrid(fft.Inverse(fft.Forward(Fields(x))), x, 1e-12, "round trip");
        }
    }
}

TEST(InPlaceFieldsThreaded, PassesGiveTheSameSamplesOnAnyThreadCount)
{
    const FastFourierTransform fft;
    const PlaneWavePropagator propagator;
    auto lens = std::make_shared<EleIdealLens>();
    lens->mConfigIdealLens->mFocalDistance = 0.05;
    const Fields x = RandomGrid(151, 2e-5, 2e-5, FieldDomain::XSpace, 11u);

    std::vector<Fields> results;
    std::vector<double> energies;
    for (unsigned threads : {1u, 2u, 3u, 8u})
    {
        ScopedThreads scoped(threads);
        Fields k = fft.Forward(x);
        propagator.Propagate(k, 0.01);
        results.push_back(lens->ProcessFields(k));
        energies.push_back(results.back().GetEnergy());
    }
    for (size_t t = 1; t < results.size(); ++t)
    {
        // FFTW's plans differ with the thread count, by rounding only.
        ExpectSameGrid(results[t], results[0], 1e-13, "threads");
        EXPECT_NEAR(energies[t], energies[0], 1e-14 * energies[0]);
    }
}

// The centring rotation follows its column cycle in pieces, one per thread.
TEST(InPlaceFieldsThreaded, CentringIsExactOnAnyThreadCount)
{
    struct Probe : FastFourierTransform
    {
        using FastFourierTransform::ShiftCentre;
        using FastFourierTransform::ShiftCentreInverse;
    } probe;
    const Fields g = RandomGrid(131, 1e-5, 1e-5, FieldDomain::KSpace, 9u);
    arma::cx_mat reference = g.mEx;
    {
        ScopedThreads scoped(1);
        ASSERT_TRUE(probe.ShiftCentre(reference, g));
    }
    for (unsigned threads : {2u, 3u, 7u, 130u, 131u, 200u})
    {
        ScopedThreads scoped(threads);
        arma::cx_mat a = g.mEx;
        ASSERT_TRUE(probe.ShiftCentre(a, g));
        EXPECT_TRUE(arma::approx_equal(a, reference, "absdiff", 0.0)) << threads;
        ASSERT_TRUE(probe.ShiftCentreInverse(a, g));
        EXPECT_LE(RelativeDiff(a, g.mEx), 1e-15) << threads;
    }
}

// A propagation step with both transforms as one (no centring passes) equals
// the three separate steps, with travelling and evanescent samples, uneven
// steps, both signs of distance, on one thread and on several.
TEST(InPlaceFieldsThreaded, StepThroughKSpaceEqualsTheSeparateSteps)
{
    struct Case
    {
        int n;
        double dx, dy, distance;
    };
    const Case cases[] = {{3, 1e-5, 2e-5, 0.01}, {31, 1e-7, 2e-7, 1e-4}, {129, 2e-6, 1e-6, -0.003},
                          {151, 1e-7, 3e-7, 2e-5}};
    const FastFourierTransform fft;
    const PlaneWavePropagator propagator;
    for (unsigned threads : {1u, 4u})
    {
        ScopedThreads scoped(threads);
        for (const Case& c : cases)
        {
            const Fields x = RandomGrid(c.n, c.dx, c.dy, FieldDomain::XSpace, 7u + c.n);
            Fields k = fft.Forward(x);
            propagator.Propagate(k, c.distance);
            const Fields reference = fft.Inverse(k);
            LogCapture log;
            const Fields step = fft.ThroughKSpace(
                Fields(x), [&](Fields& kSpace) { return propagator.PrepareStep(kSpace, c.distance); });
            ExpectSameGrid(step, reference, 1e-12, "step");
            EXPECT_TRUE(log.Count("FFT: x -> k") == 1u && log.Count("FFT: k -> x") == 1u && log.Errors() == 0u);
        }
    }
}

// A step the propagator refuses is the round trip alone, and says so once.
TEST(InPlaceFields, RefusedStepThroughKSpaceLeavesTheRoundTrip)
{
    const FastFourierTransform fft;
    const PlaneWavePropagator propagator;
    const Fields x = RandomGrid(21, 1e-6, 2e-6, FieldDomain::XSpace, 3u);
    LogCapture log;
    const Fields step = fft.ThroughKSpace(
        Fields(x), [&](Fields& kSpace) { return propagator.PrepareStep(kSpace, std::nan("")); });
    EXPECT_EQ(log.Errors(), 1u);
    ExpectSameGrid(step, x, 1e-12, "round trip");
    EXPECT_TRUE(fft.ThroughKSpace(Fields(), [](Fields&) { return KSpaceFactor(); }).mEx.is_empty());
}

// Each sample of the k-space multiply is computed alone: exact on any thread
// count, in either layout, and the unshifted layout is the centred one rotated.
TEST(InPlaceFieldsThreaded, KSpaceMultiplyIsExactOnAnyThreadCount)
{
    const Fields k = RandomGrid(131, 2e-3, 1e-3, FieldDomain::KSpace, 13u);
    const KSpaceFactor factor = [](double kx2, double ky2, std::complex<double>& t) {
        t = {kx2 - 2.0 * ky2, 1.0 + kx2 * ky2};
        return kx2 + ky2 < 0.005;
    };
    const arma::uword m = 65;
    std::vector<Fields> centred, unshifted;
    for (unsigned threads : {1u, 3u, 8u})
    {
        ScopedThreads scoped(threads);
        centred.push_back(k);
        MultiplyKSpace(centred.back(), KSpaceLayout::Centred, 1.0, factor);
        Fields u = k;
        u.mEx = arma::shift(arma::shift(k.mEx, -static_cast<arma::sword>(m), 0), -static_cast<arma::sword>(m), 1);
        u.mEy = arma::shift(arma::shift(k.mEy, -static_cast<arma::sword>(m), 0), -static_cast<arma::sword>(m), 1);
        MultiplyKSpace(u, KSpaceLayout::Unshifted, 1.0, factor);
        u.mEx = arma::shift(arma::shift(u.mEx, m, 0), m, 1);
        u.mEy = arma::shift(arma::shift(u.mEy, m, 0), m, 1);
        unshifted.push_back(u);
    }
    // Samples the factor leaves stay as they were.
    EXPECT_EQ(centred[0].mEx(0, 0), k.mEx(0, 0));
    EXPECT_NE(centred[0].mEx(m, m), k.mEx(m, m));
    for (size_t t = 0; t < centred.size(); ++t)
    {
        ExpectSameGrid(centred[t], centred[0], 0.0, "centred");
        ExpectSameGrid(unshifted[t], centred[0], 0.0, "unshifted");
    }
}

// The detector's pixel rows are shared out among threads: the same images.
TEST(InPlaceFieldsThreaded, DetectorImagesDoNotDependOnTheThreadCount)
{
    Fields x = RandomGrid(151, 1e-5, 1e-5, FieldDomain::XSpace, 21u);
    x.mPosition.zeros(); // under the screen
    std::vector<std::vector<DetectorLayer>> images;
    for (unsigned threads : {1u, 4u, 7u})
    {
        ScopedThreads scoped(threads);
        EleDetector detector;
        detector.mConfigDetector->Resolution = {37, 23};
        dynamic_cast<ConfigSurfaceFlat&>(*detector.mSurfaces[0]->mConfig).mSize = {0.001, 0.0012};
        detector.ProcessFields(x);
        images.push_back(detector.mLayers);
    }
    ASSERT_EQ(images[0].size(), 8u);
    EXPECT_LT(images[0][2].mMin, images[0][2].mMax); // the screen lies on the grid
    for (size_t t = 1; t < images.size(); ++t)
    {
        ASSERT_EQ(images[t].size(), 8u);
        for (size_t l = 0; l < 8; ++l)
        {
            EXPECT_EQ(images[t][l].mData, images[0][l].mData) << l;
            EXPECT_EQ(images[t][l].mMin, images[0][l].mMin) << l;
            EXPECT_EQ(images[t][l].mMax, images[0][l].mMax) << l;
        }
    }
}

TEST(InPlaceFields, RefusedGivenUpGridIsEmptyAndLogged)
{
    const FastFourierTransform fft;
    Fields even = RandomGrid(4, 1e-5, 1e-5, FieldDomain::XSpace, 1u);
    LogCapture log;
    EXPECT_TRUE(fft.Forward(std::move(even)).mEx.is_empty());
    EXPECT_TRUE(fft.Inverse(Fields()).mEx.is_empty());
    EXPECT_EQ(log.Errors(), 2u);
}

// Every sample is written once, with the value of its own x^2 and y^2, on odd
// and even sides alike.
TEST(InPlaceFieldsThreaded, MirroredSamplesCoverTheGridOnce)
{
    ScopedThreads scoped(3);
    for (auto [rows, cols] : {std::pair<int, int>{1, 1}, {5, 5}, {4, 7}, {7, 4}, {6, 6}, {131, 129}})
    {
        Fields g(0, 1e-3, 2e-3);
        g.mEx.zeros(rows, cols);
        g.mEy.zeros(rows, cols);
        std::vector<int> writes(static_cast<size_t>(rows * cols), 0);
        ForEachMirroredSample(
            g, [](double x2, double y2) { return x2 + 10.0 * y2; },
            [&](arma::uword k, double v) {
                ++writes[k];
                g.mEx(k) = v;
            });
        for (int i = 0; i < rows; ++i)
            for (int j = 0; j < cols; ++j)
            {
                const double x = g.GetX(i), y = g.GetY(j);
                ASSERT_EQ(writes[static_cast<size_t>(i + j * rows)], 1) << rows << "x" << cols;
                ASSERT_EQ(g.mEx(i, j).real(), x * x + 10.0 * (y * y)) << rows << "x" << cols;
            }
    }
}

// The element steps on a given-up grid equal those on a kept one, and what
// they save is the grid as it came in.
TEST(InPlaceFields, ElementsGiveTheSameFieldForGivenUpInput)
{
    const Fields x = RandomGrid(41, 5e-5, 5e-5, FieldDomain::XSpace, 5u);
    const Fields k = FastFourierTransform().Forward(x);
    auto lens = std::make_shared<EleIdealLens>();
    auto window = std::make_shared<EleBlockerWindow>();
    for (Element* element : {static_cast<Element*>(lens.get()), static_cast<Element*>(window.get())})
    {
        element->mSaveInputFields = true;
        for (const Fields* input : {&x, &k})
        {
            const Fields kept = element->ProcessFields(*input);
            const Fields given = element->ProcessOwnedFields(Fields(*input));
            ExpectSameGrid(given, kept, 0.0, element->mTypeName.c_str());
            ExpectSameGrid(element->mInputFields, *input, 0.0, element->mTypeName.c_str());
        }
    }
    // The detector keeps the inverse transform of a k-space input as its output.
    EleDetector detector;
    detector.mSaveOutputFields = true;
    detector.ProcessOwnedFields(Fields(k));
    ExpectSameGrid(detector.mOutputFields, FastFourierTransform().Inverse(k), 0.0, "detector");
    EXPECT_EQ(detector.mLayers.size(), 8u);
}

// The phase of the ideal lens, sample by sample from its formula.
TEST(InPlaceFields, LensPhaseFollowsItsFormulaOnOddAndEvenGrids)
{
    for (double f : {0.1, -0.2})
        for (int n : {5, 6})
        {
            Fields g(n, 1e-4, 1e-4);
            g.mDomain = FieldDomain::XSpace;
            g.mWavelength = 633e-9;
            g.mEx.fill({1.0, 0.5});
            g.mEy.fill({-0.25, 1.0});
            EleIdealLens lens;
            lens.mConfigIdealLens->mFocalDistance = f;
            const Fields out = lens.ProcessFields(g);
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < n; ++j)
                {
                    const double x = g.GetX(i), y = g.GetY(j);
                    const double r = (f > 0 ? -1.0 : 1.0) * std::sqrt(x * x + y * y + f * f);
                    const std::complex<double> t = std::exp(std::complex<double>(0.0, 2 * M_PI * r / 633e-9));
                    EXPECT_NEAR(std::abs(out.mEx(i, j) - g.mEx(i, j) * t), 0.0, 1e-13) << i << "," << j;
                    EXPECT_NEAR(std::abs(out.mEy(i, j) - g.mEy(i, j) * t), 0.0, 1e-13) << i << "," << j;
                }
        }
}
