#include "core/config/SerializableData.h"

#include <cstdio>

#include <pugixml.hpp>

#include "core/base/Log.h"

namespace orvilane
{

const arma::vec2 kDefaultFlatSize = {0.1, 0.1};
const arma::vec2 kDefaultWindowSize = {0.01, 0.01};
const arma::vec3 kDefaultDirection = {0.0, 0.0, 1.0};
const Vec2LL kDefaultDetectorResolution = {100, 100};

namespace
{
std::string Suffixed(const std::string& name, const char* suffix)
{
    char buffer[256];
    std::snprintf(buffer, sizeof(buffer), "%s%s", name.c_str(), suffix);
    return buffer;
}

pugi::xml_attribute Find(const pugi::xml_node& node, const std::string& name)
{
    pugi::xml_attribute attribute = node.attribute(name.c_str());
    if (!attribute)
        Log::Error("Attribute '%s' doesn't exisit in node '%s'", name.c_str(), node.name());
    return attribute;
}

template <typename Vec>
void SaveVector(pugi::xml_node& node, const std::string& name, const Vec& v)
{
    static const char* const kSuffixes[] = {"_x", "_y", "_z"};
    for (arma::uword k = 0; k < v.n_elem; ++k)
        node.append_attribute(Suffixed(name, kSuffixes[k]).c_str()).set_value(v[k]);
}

template <typename Vec, typename Read>
void LoadVector(const pugi::xml_node& node, const std::string& name, Vec& target, Read read)
{
    static const char* const kSuffixes[] = {"_x", "_y", "_z"};
    for (arma::uword k = 0; k < target.n_elem; ++k)
        target[k] = read(Find(node, Suffixed(name, kSuffixes[k])));
}

double ReadDouble(const pugi::xml_attribute& a) { return a.as_double(); }
// Integer vectors go through the 32-bit reader, widened with sign.
long long ReadInt(const pugi::xml_attribute& a) { return static_cast<long long>(a.as_int()); }
} // namespace

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
    mFields.push_back(FieldDescriptor{name, &type, address, label, ""});
}

void SerializableData::SaveFields(pugi::xml_node& node) const
{
    for (const FieldDescriptor& field : mFields)
    {
        const std::type_info& type = *field.mType;
        const std::string& n = field.mName;
        if (type == typeid(double))
            node.append_attribute(n.c_str()).set_value(*static_cast<const double*>(field.mAddress));
        else if (type == typeid(float))
            node.append_attribute(n.c_str()).set_value(*static_cast<const float*>(field.mAddress));
        else if (type == typeid(int))
            node.append_attribute(n.c_str()).set_value(*static_cast<const int*>(field.mAddress));
        else if (type == typeid(bool))
            node.append_attribute(n.c_str()).set_value(*static_cast<const bool*>(field.mAddress));
        else if (type == typeid(arma::vec3))
            SaveVector(node, n, *static_cast<const arma::vec3*>(field.mAddress));
        else if (type == typeid(arma::vec2))
            SaveVector(node, n, *static_cast<const arma::vec2*>(field.mAddress));
        else if (type == typeid(Vec3LL))
            SaveVector(node, n, *static_cast<const Vec3LL*>(field.mAddress));
        else if (type == typeid(Vec2LL))
            SaveVector(node, n, *static_cast<const Vec2LL*>(field.mAddress));
        else if (type == typeid(std::complex<double>))
        {
            const auto& value = *static_cast<const std::complex<double>*>(field.mAddress);
            node.append_attribute(Suffixed(n, "_re").c_str()).set_value(value.real());
            node.append_attribute(Suffixed(n, "_im").c_str()).set_value(value.imag());
        }
        else
            std::printf("Unkwnon type (%s)\n", n.c_str());
    }
}

bool SerializableData::LoadFields(const pugi::xml_node& node)
{
    for (const FieldDescriptor& field : mFields)
    {
        const std::type_info& type = *field.mType;
        const std::string& n = field.mName;
        if (type == typeid(double))
            *static_cast<double*>(field.mAddress) = Find(node, n).as_double();
        else if (type == typeid(float))
            *static_cast<float*>(field.mAddress) = Find(node, n).as_float();
        else if (type == typeid(int))
            *static_cast<int*>(field.mAddress) = Find(node, n).as_int();
        else if (type == typeid(bool))
            *static_cast<bool*>(field.mAddress) = Find(node, n).as_bool();
        else if (type == typeid(arma::vec3))
            LoadVector(node, n, *static_cast<arma::vec3*>(field.mAddress), ReadDouble);
        else if (type == typeid(arma::vec2))
            LoadVector(node, n, *static_cast<arma::vec2*>(field.mAddress), ReadDouble);
        else if (type == typeid(Vec3LL))
            LoadVector(node, n, *static_cast<Vec3LL*>(field.mAddress), ReadInt);
        else if (type == typeid(Vec2LL))
            LoadVector(node, n, *static_cast<Vec2LL*>(field.mAddress), ReadInt);
        else if (type == typeid(std::complex<double>))
        {
            const double re = Find(node, Suffixed(n, "_re")).as_double();
            const double im = Find(node, Suffixed(n, "_im")).as_double();
            *static_cast<std::complex<double>*>(field.mAddress) = {re, im};
        }
        else
            std::printf("Unkwnon type (%s)\n", n.c_str());
    }
    return true;
}

} // namespace orvilane
