#pragma once

#include <memory>

#include "core/sources/ConfigSource.h"
#include "core/config/Configurable.h"
#include "core/fields/Fields.h"

namespace orvilane
{

// Makes the initial x-space field of a source over its sampling window. The
// grid is centred on (0, 0, 0); the caller places it.
class IFieldGenerator : public Configurable
{
public:
    ~IFieldGenerator() override = default;

    // An empty grid (domain None) with a logged error when the settings cannot be honoured.
    virtual Fields GenerateFields(std::shared_ptr<ConfigSource> config) const = 0;
    // Size in metres for drawing the source.
    virtual float GetExtent() const = 0;

    // Largest grid accepted: both complex matrices together stay within this many bytes.
    static constexpr unsigned long long kMaxGridBytes = 1ull << 31;

protected:
    // Checks the sampling, wavelength and index shared by every generator; logs an
    // error naming the first unusable setting. name prefixes the message.
    static bool CheckSourceSettings(const ConfigSource* config, const char* name);
    // N x N zero grid in x-space with the source's step, wavelength and index.
    static Fields MakeGrid(const ConfigSource& config);
    // The same with samples left unset, for a generator that writes every one
    // (its own, possibly threaded, pass is then the first to touch the memory).
    static Fields MakeUnsetGrid(const ConfigSource& config);
    // Logs an error and returns false when a sample is not finite.
    static bool CheckFinite(const Fields& fields, const char* name);
};

} // namespace orvilane
