#pragma once

#include <memory>

#include <armadillo>

#include "core/components/Component.h"
#include "core/sources/ConfigSource.h"
#include "core/sources/IFieldGenerator.h"
#include "core/sources/IRayGenerator.h"

namespace orvilane
{

// The component that emits light. Its source type picks the generator pair:
// 0 plane wave, 1 Gaussian, any other value none (2 for a new source).
class Source : public Component
{
public:
    Source();
    ~Source() override;
    // The ray generator points back at its source: a source is never copied.
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;

    // Replaces both generators (with default settings) when the type changes.
    void SetSourceType(int type);
    // Copies the field generator's beam size into the ray generator's radius.
    void UpdateGeneratorsConfig();
    // The source's field at its world position; an empty grid without a field generator.
    Fields GenerateFields();
    // Larger extent of the two generators (a NaN extent is ignored), 0.1 without
    // them or when neither extent is finite.
    float GetDisplaySize() const;
    bool SaveConfig(pugi::xml_node& node) override;
    bool LoadConfig(pugi::xml_node& node) override;
    // Warns once when a border sample of E is still stronger than 0.01.
    void CheckSamplingWindowEdges(const arma::cx_mat& E) const;

    // Name of a source type: "Planewave", "Gaussian", or "INVALID" for any other value.
    static const char* GetSourceTypeName(int type);
    static constexpr int kNumberOfSourceTypeNames = 3;
    static const char* const kSourceTypeNames[kNumberOfSourceTypeNames];

    int mSourceType = 2;
    std::shared_ptr<IRayGenerator> mRayGenerator;
    std::shared_ptr<IFieldGenerator> mFieldGenerator;
};

} // namespace orvilane
