#pragma once

#include <functional>
#include <memory>
#include <string>
#include <typeindex>
#include <typeinfo>
#include <unordered_map>
#include <utility>
#include <vector>

namespace orvilane
{

class Element;

using ElementCreator = std::function<std::shared_ptr<Element>()>;

// Type name -> creator. Enumerates in the order the names were inserted, so
// the toolbox lists the element types in a fixed order.
class ElementCreatorTable
{
public:
    using Entry = std::pair<std::string, ElementCreator>;
    using const_iterator = std::vector<Entry>::const_iterator;

    // Adds the entry unless the name is present already (the existing entry stays).
    bool Insert(const std::string& name, ElementCreator creator);
    // Exact, case-sensitive match; null when absent.
    const ElementCreator* Find(const std::string& name) const;

    const_iterator begin() const { return mEntries.begin(); }
    const_iterator end() const { return mEntries.end(); }
    size_t size() const { return mEntries.size(); }
    bool empty() const { return mEntries.empty(); }

private:
    std::vector<Entry> mEntries; // a handful of entries: a linear search is fastest
};

// Registry of the element classes: type name (the file's `Type`, the toolbox
// label) -> creator, and class -> type name. The process-wide instance is built
// before main from an explicit table and never changes afterwards.
class ElementsFactory
{
public:
    struct Registration
    {
        std::string name;
        ElementCreator creator;
        std::type_index type;
    };

    // The registration of class T under name; T is default-constructible.
    template <typename T>
    static Registration Register(const char* name)
    {
        return Registration{name, [] { return std::shared_ptr<Element>(std::make_shared<T>()); },
                            std::type_index(typeid(T))};
    }

    // Registers every element class of the program.
    ElementsFactory();
    // Registers the given table in order; a repeated name or class keeps its
    // first entry.
    explicit ElementsFactory(const std::vector<Registration>& table);

    static const ElementsFactory& Instance();

    // A new element of the class registered under typeName, or empty after an error line.
    static std::shared_ptr<Element> CreateElement(const char* typeName);
    // The registered name of an element class; empty after an error line when unregistered.
    static std::string GetElementName(const std::type_info& type);

    // The same look-ups on this registry.
    std::shared_ptr<Element> Create(const char* typeName) const;
    std::string NameOf(const std::type_info& type) const;

    ElementCreatorTable mCreators;
    std::unordered_map<std::type_index, std::string> mTypeNames;
};

} // namespace orvilane
