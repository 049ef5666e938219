#pragma once

#include <functional>

#include <armadillo>

#include "core/fields/FieldOps.h"
#include "core/fields/Fields.h"

namespace orvilane
{

// Takes a field grid between x-space and k-space. Implementations hold no state.
// A refused grid gives an empty result (a given-up input is then lost too).
class IFourierTransform
{
public:
    // x-space to k-space; returns a new grid.
    virtual Fields Forward(const Fields& in) const = 0;
    // The same on a grid the caller gives up: transformed where it is, without
    // a second grid's memory.
    virtual Fields Forward(Fields&& in) const = 0;
    // k-space to x-space; returns a new grid.
    virtual Fields Inverse(const Fields& in) const = 0;
    virtual Fields Inverse(Fields&& in) const = 0;
    // Rough estimate of the work of one transform of `in`, scaled by factor.
    virtual float GetCost(const Fields& in, float factor) const = 0;

    virtual ~IFourierTransform() = default;
};

// Centred, scaled 2-D DFT: with x = GetX(i), y = GetY(j) in both domains,
//   E(kx, ky) = dx*dy/(2*pi) * sum E(x, y) * exp(-i*(kx*x + ky*y)),
// and dkx = 2*pi/GetWidth(), dky = 2*pi/GetHeight(). With these steps GetEnergy
// is the same in both domains. The grid must be square with an odd side of at
// least 3, finite non-zero steps and a finite positive wavelength; any other grid
// is refused with a logged error and an empty result. The result keeps the
// input's position, wavelength and refractive index; the input's domain is not
// checked (the callers know it).
class FastFourierTransform : public IFourierTransform
{
public:
    Fields Forward(const Fields& in) const override;
    Fields Forward(Fields&& in) const override;
    Fields Inverse(const Fields& in) const override;
    Fields Inverse(Fields&& in) const override;
    // (number of samples of Ex)^2 * factor, i.e. N^4 * factor for an N x N grid.
    float GetCost(const Fields& in, float factor) const override;

    // Called between the transforms of ThroughKSpace with the k-space grid,
    // whose samples it must not read: may change the header, and gives the
    // factor of each k-space sample (empty: the samples stay as they are).
    // Setting the domain to None gives the grid up: ThroughKSpace then returns
    // an empty grid without the inverse transform (a run that was stopped).
    using KSpaceStep = std::function<KSpaceFactor(Fields& kSpace)>;
    // Inverse(Forward(in) with every sample multiplied by step's factor), on a
    // grid the caller gives up: the same result to rounding, with the same log
    // lines, but in a third of the passes over the samples, since the centring
    // of the two transforms cancels (one pass runs between the FFTs).
    Fields ThroughKSpace(Fields&& in, const KSpaceStep& step) const;

protected:
    // After a forward DFT: rotates rows and columns so that the zero frequency
    // moves from index 0 to the middle, then multiplies A(i, j) by exp(i*pi*phi)
    // with phi = (i + j) - GetX(i)/GetWidth() - GetY(j)/GetHeight(), which makes
    // the phase refer to the grid's centre instead of its first sample.
    // ShiftCentreInverse undoes it exactly. Only g's shape is read; A must have
    // that shape, square and odd. Otherwise A is left alone and false returned.
    bool ShiftCentre(arma::cx_mat& a, const Fields& g) const;
    bool ShiftCentreInverse(arma::cx_mat& a, const Fields& g) const;

private:
    // Either transform of `in`, done in place when owned (then `in` is *owned).
    Fields Run(const Fields& in, Fields* owned, bool forward) const;
    // Logs the transform's line and checks `in` (logging what is wrong); gives
    // the other domain's steps and the factor the transform's samples take.
    static bool Begin(const Fields& in, bool forward, double& otherDx, double& otherDy, double& scale);
};

} // namespace orvilane
