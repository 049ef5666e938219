#include "core/config/FieldTypes.h"

#include <pugixml.hpp>

#include "core/config/XmlAttribute.h"

namespace orvilane
{

namespace
{
void Read(const pugi::xml_attribute& a, double& v) { v = a.as_double(); }
void Read(const pugi::xml_attribute& a, float& v) { v = a.as_float(); }
void Read(const pugi::xml_attribute& a, int& v) { v = a.as_int(); }
void Read(const pugi::xml_attribute& a, bool& v) { v = a.as_bool(); }
// Integer vectors go through the 32-bit reader, widened with sign.
void Read(const pugi::xml_attribute& a, long long& v) { v = static_cast<long long>(a.as_int()); }

const char* const kVectorSuffixes[] = {"_x", "_y", "_z"};

template <typename T>
void SaveScalar(pugi::xml_node& node, const std::string& name, const void* address)
{
    node.append_attribute(name.c_str()).set_value(*static_cast<const T*>(address));
}

template <typename T>
void LoadScalar(const pugi::xml_node& node, const std::string& name, void* address)
{
    Read(RequiredAttribute(node, name.c_str()), *static_cast<T*>(address));
}

template <typename Vec>
void SaveVector(pugi::xml_node& node, const std::string& name, const void* address)
{
    const Vec& v = *static_cast<const Vec*>(address);
    for (arma::uword k = 0; k < v.n_elem; ++k)
        node.append_attribute((name + kVectorSuffixes[k]).c_str()).set_value(v[k]);
}

template <typename Vec>
void LoadVector(const pugi::xml_node& node, const std::string& name, void* address)
{
    Vec& target = *static_cast<Vec*>(address);
    for (arma::uword k = 0; k < target.n_elem; ++k)
        Read(RequiredAttribute(node, (name + kVectorSuffixes[k]).c_str()), target[k]);
}

void SaveComplex(pugi::xml_node& node, const std::string& name, const void* address)
{
    const auto& value = *static_cast<const std::complex<double>*>(address);
    node.append_attribute((name + "_re").c_str()).set_value(value.real());
    node.append_attribute((name + "_im").c_str()).set_value(value.imag());
}

void LoadComplex(const pugi::xml_node& node, const std::string& name, void* address)
{
    const double re = RequiredAttribute(node, (name + "_re").c_str()).as_double();
    const double im = RequiredAttribute(node, (name + "_im").c_str()).as_double();
    *static_cast<std::complex<double>*>(address) = {re, im};
}
} // namespace

const std::array<FieldType, kFieldKindCount>& FieldTypes()
{
    static const std::array<FieldType, kFieldKindCount> table = {{
        {FieldKind::Double, &typeid(double), SaveScalar<double>, LoadScalar<double>},
        {FieldKind::Float, &typeid(float), SaveScalar<float>, LoadScalar<float>},
        {FieldKind::Int, &typeid(int), SaveScalar<int>, LoadScalar<int>},
        {FieldKind::Bool, &typeid(bool), SaveScalar<bool>, LoadScalar<bool>},
        {FieldKind::Vec3, &typeid(arma::vec3), SaveVector<arma::vec3>, LoadVector<arma::vec3>},
        {FieldKind::Vec2, &typeid(arma::vec2), SaveVector<arma::vec2>, LoadVector<arma::vec2>},
        {FieldKind::Vec3LL, &typeid(Vec3LL), SaveVector<Vec3LL>, LoadVector<Vec3LL>},
        {FieldKind::Vec2LL, &typeid(Vec2LL), SaveVector<Vec2LL>, LoadVector<Vec2LL>},
        {FieldKind::Complex, &typeid(std::complex<double>), SaveComplex, LoadComplex},
    }};
    return table;
}

const FieldType* FindFieldType(const std::type_info& type)
{
    for (const FieldType& row : FieldTypes())
        if (*row.mType == type)
            return &row;
    return nullptr;
}

} // namespace orvilane
