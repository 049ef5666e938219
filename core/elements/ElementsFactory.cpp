#include "core/elements/ElementsFactory.h"

#include "core/components/Element.h"
#include "core/base/Log.h"

// Element classes: include each class's header here and add it to ElementTypes() below.
#include "core/elements/EleBlockerDiafragm.h"
#include "core/elements/EleBlockerWindow.h"
#include "core/elements/EleDetector.h"
#include "core/elements/EleIdealLens.h"
#include "core/elements/EleLens.h"
#include "core/elements/EleMirrorCurved.h"
#include "core/elements/EleMirrorFlat.h"
#include "core/elements/EleMirrorFlatInfinite.h"

namespace orvilane
{

namespace
{
// Every element class of the program, in the order the registry enumerates them
// (the toolbox order). Listed here explicitly rather than registered by static
// objects in each class's file, which a static library link would drop.
// Adding a class is one line, in its place in this order:
std::vector<ElementsFactory::Registration> ElementTypes()
{
    return {
        ElementsFactory::Register<EleDetector>("Detector"),
        ElementsFactory::Register<EleMirrorFlatInfinite>("Flat Mirror Infinite"),
        ElementsFactory::Register<EleMirrorFlat>("Flat Mirror"),
        ElementsFactory::Register<EleMirrorCurved>("Curved Mirror"),
        ElementsFactory::Register<EleBlockerDiafragm>("Blocker-Diafragm"),
        ElementsFactory::Register<EleBlockerWindow>("Blocker-Window"),
        ElementsFactory::Register<EleIdealLens>("Ideal Lens"),
        ElementsFactory::Register<EleLens>("Thick Lens"),
    };
}

// Builds the process-wide registry before main.
[[maybe_unused]] const ElementsFactory& gStartupRegistry = ElementsFactory::Instance();
} // namespace

bool ElementCreatorTable::Insert(const std::string& name, ElementCreator creator)
{
    if (Find(name) != nullptr)
        return false;
    mEntries.emplace_back(name, std::move(creator));
    return true;
}

const ElementCreator* ElementCreatorTable::Find(const std::string& name) const
{
    for (const Entry& entry : mEntries)
    {
        if (entry.first == name)
            return &entry.second;
    }
    return nullptr;
}

ElementsFactory::ElementsFactory() : ElementsFactory(ElementTypes()) {}

ElementsFactory::ElementsFactory(const std::vector<Registration>& table)
{
    for (const Registration& registration : table)
    {
        mCreators.Insert(registration.name, registration.creator);
        mTypeNames.emplace(registration.type, registration.name); // keeps an existing entry
    }
}

const ElementsFactory& ElementsFactory::Instance()
{
    static const ElementsFactory instance;
    return instance;
}

std::shared_ptr<Element> ElementsFactory::CreateElement(const char* typeName)
{
    return Instance().Create(typeName);
}

std::string ElementsFactory::GetElementName(const std::type_info& type)
{
    return Instance().NameOf(type);
}

std::shared_ptr<Element> ElementsFactory::Create(const char* typeName) const
{
    const char* name = typeName != nullptr ? typeName : "";
    const ElementCreator* creator = mCreators.Find(name);
    if (creator == nullptr || !*creator)
    {
        Log::Error("Element '%s' not registered", name);
        return nullptr;
    }
    return (*creator)();
}

std::string ElementsFactory::NameOf(const std::type_info& type) const
{
    const auto it = mTypeNames.find(std::type_index(type));
    if (it != mTypeNames.end())
        return it->second;
    Log::Error("There is no element class registered with this typeid: (%s)", type.name());
    return std::string();
}

} // namespace orvilane
