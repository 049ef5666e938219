#include "core/config/SerializableData.h"

#include <cstdio>

#include <pugixml.hpp>

namespace orvilane
{

const arma::vec2 kDefaultFlatSize = {0.1, 0.1};
const arma::vec2 kDefaultWindowSize = {0.01, 0.01};
const arma::vec3 kDefaultDirection = {0.0, 0.0, 1.0};
const Vec2LL kDefaultDetectorResolution = {100, 100};

SerializableData::SerializableData(const SerializableData& other) : mFields(other.mFields)
{
    // Rebase each address from the original record onto this one; both records
    // have the same dynamic type and so the same layout.
    const char* otherBase = reinterpret_cast<const char*>(&other);
    char* base = reinterpret_cast<char*>(this);
    for (FieldDescriptor& field : mFields)
        field.mAddress = base + (static_cast<const char*>(field.mAddress) - otherBase);
}

void SerializableData::RegisterField(const char* name, const std::type_info& type, void* address,
                                     const char* label)
{
    mFields.push_back(FieldDescriptor{name, &type, address, label, "", FindFieldType(type)});
}

void SerializableData::SaveFields(pugi::xml_node& node) const
{
    for (const FieldDescriptor& field : mFields)
    {
        if (field.mFieldType)
            field.mFieldType->mSave(node, field.mName, field.mAddress);
        else
            std::printf("Unkwnon type (%s)\n", field.mName.c_str());
    }
}

bool SerializableData::LoadFields(const pugi::xml_node& node)
{
    for (const FieldDescriptor& field : mFields)
    {
        if (field.mFieldType)
            field.mFieldType->mLoad(node, field.mName, field.mAddress);
        else
            std::printf("Unkwnon type (%s)\n", field.mName.c_str());
    }
    return true;
}

} // namespace orvilane
