#pragma once

#include <array>
#include <complex>
#include <cstddef>
#include <string>
#include <typeinfo>

#include <armadillo>

namespace pugi
{
class xml_node;
}

namespace orvilane
{

using Vec2LL = arma::Col<long long>::fixed<2>;
using Vec3LL = arma::Col<long long>::fixed<3>;

// The member types a configuration record can store, one per row of FieldTypes().
enum class FieldKind
{
    Double,  // double
    Float,   // float
    Int,     // int
    Bool,    // bool
    Vec3,    // arma::vec3
    Vec2,    // arma::vec2
    Vec3LL,  // Vec3LL
    Vec2LL,  // Vec2LL
    Complex, // std::complex<double>
};
constexpr std::size_t kFieldKindCount = static_cast<std::size_t>(FieldKind::Complex) + 1;

// How one member type goes to and from XML attributes. Layers above the core
// attach their own per-type behaviour (an edit widget) by switching on mKind.
struct FieldType
{
    FieldKind mKind;
    const std::type_info* mType;
    // Appends the value at address as attribute name; vectors as name_x, name_y
    // (, name_z), complex numbers as name_re, name_im.
    void (*mSave)(pugi::xml_node& node, const std::string& name, const void* address);
    // Reads the value at address from the attributes mSave writes; a missing
    // one logs an error and reads as 0.
    void (*mLoad)(const pugi::xml_node& node, const std::string& name, void* address);
};

// Every supported member type, indexed by FieldKind.
const std::array<FieldType, kFieldKindCount>& FieldTypes();

// The row for type, or nullptr when a record cannot store that type.
const FieldType* FindFieldType(const std::type_info& type);

} // namespace orvilane
