#include "core/sources/Source.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>

#include <pugixml.hpp>

#include "core/sources/FieldsGeneratorGaussian.h"
#include "core/sources/FieldsGeneratorPlanewave.h"
#include "core/base/Log.h"
#include "core/config/XmlAttribute.h"
#include "core/sources/RayGeneratorBeam.h"

namespace orvilane
{

const char* const Source::kSourceTypeNames[Source::kNumberOfSourceTypeNames] = {"Planewave", "Gaussian", "INVALID"};

namespace
{
constexpr double kEdgeThreshold = 0.01;
constexpr float kDefaultDisplaySize = 0.1f;
} // namespace

Source::Source()
{
    mNodeName = "Source";
    mTypeName = "Source";
    mLabel = "Source Beam";
    mHasInput = false;
    mConfig = std::make_shared<ConfigSource>();
}

Source::~Source() = default;

const char* Source::GetSourceTypeName(int type)
{
    if (type < 0 || type >= kNumberOfSourceTypeNames)
        return kSourceTypeNames[kNumberOfSourceTypeNames - 1];
    return kSourceTypeNames[type];
}

void Source::SetSourceType(int type)
{
    if (type == mSourceType)
        return;
    mSourceType = type;
    mRayGenerator.reset();
    mFieldGenerator.reset();
    if (type == 0)
    {
        mRayGenerator = std::make_shared<RayGeneratorBeam>(this);
        mFieldGenerator = std::make_shared<FieldsGeneratorPlanewave>();
    }
    else if (type == 1)
    {
        mRayGenerator = std::make_shared<RayGeneratorBeam>(this);
        mFieldGenerator = std::make_shared<FieldsGeneratorGaussian>();
    }
    if (mRayGenerator && mFieldGenerator)
        UpdateGeneratorsConfig();
}

void Source::UpdateGeneratorsConfig()
{
    if (!mRayGenerator || !mFieldGenerator)
        return;
    auto beam = std::dynamic_pointer_cast<ConfigRayGeneratorBeam>(mRayGenerator->mConfig);
    if (!beam)
        return;
    if (mSourceType == 0)
    {
        if (auto planewave = std::dynamic_pointer_cast<ConfigFieldsGeneratorPlanewave>(mFieldGenerator->mConfig))
            beam->mRadius = planewave->mRadius;
    }
    else if (mSourceType == 1)
    {
        if (auto gaussian = std::dynamic_pointer_cast<ConfigFieldsGeneratorGaussian>(mFieldGenerator->mConfig))
            beam->mRadius = 2.0 * gaussian->mWaist;
    }
}

Fields Source::GenerateFields()
{
    if (!mFieldGenerator)
        return Fields();
    std::shared_ptr<ConfigSource> config = std::dynamic_pointer_cast<ConfigSource>(mConfig);
    assert(config); // the constructor gives every source its ConfigSource record
    Fields fields = mFieldGenerator->GenerateFields(config);
    fields.mPosition = {mWorldPosition.x, mWorldPosition.y, mWorldPosition.z};
    CheckSamplingWindowEdges(fields.mEx);
    CheckSamplingWindowEdges(fields.mEy);
    if (mSaveOutputFields)
        mOutputFields = fields;
    return fields;
}

float Source::GetDisplaySize() const
{
    if (!mRayGenerator || !mFieldGenerator)
        return kDefaultDisplaySize;
    // A radius that is not a number must not give the drawn square a NaN size.
    const float size = std::fmax(mRayGenerator->GetExtent(), mFieldGenerator->GetExtent());
    return std::isfinite(size) ? size : kDefaultDisplaySize;
}

void Source::CheckSamplingWindowEdges(const arma::cx_mat& E) const
{
    const arma::uword rows = E.n_rows;
    const arma::uword cols = E.n_cols;
    if (rows == 0 || cols == 0)
        return;
    auto strong = [](const std::complex<double>& z) { return std::hypot(z.real(), z.imag()) > kEdgeThreshold; };
    bool found = false;
    for (arma::uword i = 0; i < rows && !found; ++i)
        found = strong(E(i, 0)) || strong(E(i, cols - 1));
    for (arma::uword j = 0; j < cols && !found; ++j)
        found = strong(E(0, j)) || strong(E(rows - 1, j));
    if (found)
        Log::Warning("Source has non negligible (> %g) values of the field near the end of the sampling window.",
                     kEdgeThreshold);
}

bool Source::SaveConfig(pugi::xml_node& node)
{
    node.append_attribute("sourceType").set_value(mSourceType);
    pugi::xml_node config = node.append_child("Config");
    if (mConfig)
        mConfig->SaveFields(config);
    if (mRayGenerator && mRayGenerator->mConfig)
    {
        pugi::xml_node rays = config.append_child("RayGenerator");
        mRayGenerator->mConfig->SaveFields(rays);
    }
    if (mFieldGenerator && mFieldGenerator->mConfig)
    {
        pugi::xml_node fields = config.append_child("FieldGenerator");
        mFieldGenerator->mConfig->SaveFields(fields);
    }
    return true;
}

bool Source::LoadConfig(pugi::xml_node& node)
{
    SetSourceType(RequiredAttribute(node, "sourceType").as_int());

    pugi::xml_node config = node.child("Config");
    if (!config)
    {
        Log::Error("no Config node in lens (id=%u)", mId);
        return false;
    }
    if (mConfig)
        mConfig->LoadFields(config);

    bool raysLoaded = true;
    if (mRayGenerator && mRayGenerator->mConfig)
    {
        pugi::xml_node rays = config.child("RayGenerator");
        if (!rays)
        {
            Log::Error("no FieldGenerator node in RayGenerator");
            raysLoaded = false;
        }
        else
            mRayGenerator->mConfig->LoadFields(rays);
    }

    bool fieldsLoaded = true;
    if (mFieldGenerator && mFieldGenerator->mConfig)
    {
        pugi::xml_node fields = config.child("FieldGenerator");
        if (!fields)
        {
            std::printf("ERROR: no FieldGenerator node in FieldGenerator");
            fieldsLoaded = false;
        }
        else
            mFieldGenerator->mConfig->LoadFields(fields);
    }
    return raysLoaded && fieldsLoaded;
}

} // namespace orvilane
