#pragma once

#include <string>
#include <typeinfo>
#include <vector>

#include <armadillo>

#include "core/config/FieldTypes.h"

namespace orvilane
{

// One editable member of a configuration record. mAddress points into the
// record that owns the descriptor, never into another record.
struct FieldDescriptor
{
    std::string mName;
    const std::type_info* mType = nullptr;
    void* mAddress = nullptr;
    std::string mLabel;
    std::string mNote;
    // The row of mType in FieldTypes(); nullptr for a type the table lacks.
    const FieldType* mFieldType = nullptr;
};

// Base of every configuration record. A record declares each parameter with
// ORVILANE_FIELD, which registers a descriptor in declaration order.
class SerializableData
{
public:
    SerializableData() = default;
    virtual ~SerializableData() = default;

    // Brings the values into their allowed ranges; the default does nothing.
    virtual void Validate() {}

    // Reads every field from attributes of node; missing ones log an error and read as 0.
    bool LoadFields(const pugi::xml_node& node);
    // Appends every field as attributes of node.
    void SaveFields(pugi::xml_node& node) const;

    std::vector<FieldDescriptor> mFields;

    // Adds a descriptor; used by the field registrar.
    void RegisterField(const char* name, const std::type_info& type, void* address, const char* label);

protected:
    // A copy's descriptors point at the copy's own members. Copying is protected
    // so a record cannot be sliced into a bare base whose descriptors dangle.
    SerializableData(const SerializableData& other);
    // Assignment copies values only: the descriptors already point at our members.
    SerializableData& operator=(const SerializableData&) { return *this; }
};

// Empty member that registers the parameter declared just before it.
struct FieldRegistrar
{
    template <typename T>
    FieldRegistrar(SerializableData* owner, T* address, const char* name, const char* label)
    {
        owner->RegisterField(name, typeid(T), address, label);
    }
    FieldRegistrar(const FieldRegistrar&) {}
    FieldRegistrar& operator=(const FieldRegistrar&) { return *this; }
};

#define ORVILANE_FIELD(Type, Name, Label, ...)                                                   \
    Type Name{__VA_ARGS__};                                                                      \
    ::orvilane::FieldRegistrar Name##Registrar { this, &Name, #Name, Label }

// Shared defaults, set before main.
extern const arma::vec2 kDefaultFlatSize;         // (0.1, 0.1)
extern const arma::vec2 kDefaultWindowSize;       // (0.01, 0.01)
extern const arma::vec3 kDefaultDirection;        // (0, 0, 1)
extern const Vec2LL kDefaultDetectorResolution;   // (100, 100)

} // namespace orvilane
