#pragma once

#include <complex>
#include <cstddef>

namespace orvilane
{

// Unnormalised two-dimensional DFTs through FFTW on column-major complex arrays
// (the layout of arma::cx_mat). Plans are made once per shape, direction,
// placement and alignment and kept for the life of the process; planning is
// serialised, execution is not.
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

    static constexpr size_t kThreadedMinSamples = 128 * 128;
};

} // namespace orvilane
