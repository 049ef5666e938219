#pragma once

#include <complex>
#include <cstddef>
#include <filesystem>

namespace orvilane
{

// Unnormalised two-dimensional DFTs through FFTW on column-major complex arrays
// (the layout of arma::cx_mat). Plans are measured (FFTW_MEASURE, on scratch
// arrays, at most about kPlanningSeconds each; estimated beyond
// kMeasuredMaxSamples) once per shape, direction, placement,
// alignment and thread count, and kept for the life of the process; planning is
// serialised, execution is not. What FFTW learns while planning (its wisdom) is
// read from WisdomPath() before the first plan and written back after each
// plan that had to be measured, so later runs plan at once.
class FftwEngine
{
public:
    enum Sign : int
    {
        Forward = -1, // exponent -2*pi*i, as arma::fft2
        Backward = 1, // exponent +2*pi*i, no 1/(rows*cols) factor
    };

    // DFT of the rows x cols array `in` into `out`; in == out runs in place.
    // An out-of-place transform leaves `in` untouched. Returns false, having
    // done nothing, for an empty shape, a side beyond int, or a plan FFTW refuses.
    static bool Transform2D(const std::complex<double>* in, std::complex<double>* out, size_t rows,
                            size_t cols, Sign sign);

    // FFTW threads used on grids of at least kThreadedMinSamples samples;
    // 0 means one per hardware thread. Smaller grids always run on one thread.
    static void SetThreadCount(unsigned count);
    static unsigned GetThreadCount();
    // The threads a transform of `samples` samples runs on.
    static unsigned GetThreadCount(size_t samples);

    // "orvilane/fftw-wisdom" in $XDG_CACHE_HOME, or else in $HOME/.cache; empty
    // when neither is set to an absolute path.
    static std::filesystem::path WisdomPath();
    // Adds the wisdom in `path` to what FFTW knows. A missing file is passed
    // over quietly; an unreadable file or one written by another FFTW (or not by
    // FFTW at all) is ignored with an informational line. Returns whether
    // anything was read.
    static bool LoadWisdom(const std::filesystem::path& path);
    // Writes what FFTW knows to `path` (through a temporary file renamed over
    // it, so a reader never sees half a file), creating its folder. A failure
    // is logged as a warning and returned as false.
    static bool SaveWisdom(const std::filesystem::path& path);

    static constexpr size_t kThreadedMinSamples = 128 * 128;
    // FFTW keeps its FFTW_ESTIMATE plan when measuring runs out of time, and
    // such a plan is not kept as wisdom: measuring a 2049 x 2049 grid on one
    // thread takes about 3 s, and its estimated plan runs some 45 % slower.
    // Kept to a few seconds: planning blocks the run that first meets a size.
    static constexpr double kPlanningSeconds = 4.0;
    // Larger transforms are planned with FFTW_ESTIMATE (no trial runs): a
    // 4097 x 4097 grid cannot be measured within kPlanningSeconds.
    static constexpr size_t kMeasuredMaxSamples = size_t{3001} * 3001;
};

} // namespace orvilane
