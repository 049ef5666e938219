#pragma once

#include "core/fields/FieldOps.h"
#include "core/fields/Fields.h"

namespace orvilane
{

// Advances a k-space field along the optical axis. Implementations hold no state.
class IPropagator
{
public:
    // Propagates field in place by distance (metres).
    virtual void Propagate(Fields& field, double distance) const = 0;

    virtual ~IPropagator() = default;
};

// Angular-spectrum propagation: each plane wave (kx, ky) with kz^2 = k^2 - kx^2 - ky^2
// >= 0, k = 2*pi*Re(n)/wavelength, is multiplied by exp(i*kz*d); evanescent samples
// are left exactly as they are (no decay). z of the position grows by d.
// A field that is not in k-space, or is not a square odd grid of at least 3 with
// finite non-zero steps, a finite positive wavelength, a finite index with a positive
// real part, or a non-finite distance, is refused with a logged error and left as it is.
// Only the real part of the index is used (a warning says so when it is complex).
class PlaneWavePropagator : public IPropagator
{
public:
    void Propagate(Fields& field, double distance) const override;
    // Propagate as a factor of each k-space sample, for a transform that
    // multiplies the samples itself: checks field's header as Propagate does
    // (an empty factor after a logged error) and advances z of its position,
    // but reads no sample.
    KSpaceFactor PrepareStep(Fields& field, double distance) const;
};

} // namespace orvilane
