#pragma once

#include <memory>

#include "core/elements/ConfigBlockerWindow.h"
#include "core/elements/EleBlockerBase.h"

namespace orvilane
{

// Rectangular aperture mSize wide and high, each axis with a quarter-cosine
// edge over twice mFalloffDistance; the corners multiply the two edges.
class EleBlockerWindow : public EleBlockerBase
{
public:
    EleBlockerWindow();
    ~EleBlockerWindow() override;

    double GetTransmission(double x, double y) const override;

    std::shared_ptr<ConfigBlockerWindow> mConfigBlocker;
};

} // namespace orvilane
