#include "core/simulation/SimulationSetup.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include <pugixml.hpp>

#include "core/components/Component.h"
#include "core/components/Element.h"
#include "core/config/LoadXmlFile.h"
#include "core/config/SaveXmlAtomically.h"
#include "core/elements/ElementsFactory.h"
#include "core/base/Log.h"
#include "core/sources/Source.h"

namespace orvilane
{

namespace
{
constexpr const char* kNewName = "New Simulation";

// The smallest id from 1000 up that no component of the setup uses.
uint32_t FirstFreeId(const std::unordered_set<uint32_t>& used)
{
    uint32_t id = kFirstComponentId;
    while (used.count(id) != 0 && id != std::numeric_limits<uint32_t>::max())
        ++id;
    return id;
}
// Appends "<label> (id:<id>): <member> = <value>" for the first non-finite
// coordinate of the component's local position, then of its rotation.
void DescribeNonFinite(const Component& component, std::vector<std::string>& out)
{
    const struct { const glm::dvec3* values; const char* names[3]; } members[] = {
        {&component.mLocalPosition, {"x", "y", "z"}},
        {&component.mLocalRotation, {"rotation x", "rotation y", "rotation z"}}};
    for (const auto& member : members)
        for (int axis = 0; axis < 3; ++axis)
            if (!std::isfinite((*member.values)[axis]))
            {
                out.push_back(component.mLabel + " (id:" + std::to_string(component.mId) + "): " +
                              member.names[axis] + " = " + std::to_string((*member.values)[axis]));
                return;
            }
}
} // namespace

std::vector<std::string> SimulationSetup::NonFinitePlacements() const
{
    std::vector<std::string> found;
    for (const auto& source : mSources)
        if (source)
            DescribeNonFinite(*source, found);
    for (const auto& element : mElements)
        if (element)
            DescribeNonFinite(*element, found);
    return found;
}

bool SimulationSetup::CheckPlacementsForRun() const
{
    const std::vector<std::string> found = NonFinitePlacements();
    for (const std::string& text : found)
        Log::Error("%s is not finite; the run is refused", text.c_str());
    return found.empty();
}

void SimulationSetup::New()
{
    mName = kNewName;
    mSources.clear();
    mElements.clear();
    gNextComponentId = kFirstComponentId;
}

std::shared_ptr<Component> SimulationSetup::FindComponentById(uint32_t id) const
{
    for (const auto& element : mElements)
    {
        if (element && element->mId == id)
            return element;
    }
    for (const auto& source : mSources)
    {
        if (source && source->mId == id)
            return source;
    }
    return nullptr;
}

bool SimulationSetup::ContainsId(uint32_t id) const
{
    return FindComponentById(id) != nullptr;
}

std::vector<std::shared_ptr<Component>> SimulationSetup::GetChildren(uint32_t parentId) const
{
    std::vector<std::shared_ptr<Component>> children;
    for (const auto& element : mElements)
    {
        if (element && element->mParentId == parentId)
            children.push_back(element);
    }
    for (const auto& source : mSources)
    {
        if (source && source->mParentId == parentId)
            children.push_back(source);
    }
    return children;
}

bool SimulationSetup::CheckDependencies()
{
    // Children per parent id in GetChildren order, built once so that the walk
    // stays linear for large files.
    std::unordered_map<uint32_t, std::vector<std::shared_ptr<Component>>> byParent;
    size_t total = 0;
    bool hasIdZero = false;
    auto index = [&](const std::shared_ptr<Component>& c) {
        if (!c)
            return;
        ++total;
        hasIdZero = hasIdZero || c->mId == 0;
        byParent[c->mParentId].push_back(c);
    };
    for (const auto& element : mElements)
        index(element);
    for (const auto& source : mSources)
        index(source);
    // Id 0 means "no parent": such a component would be its own root's child.
    if (hasIdZero)
        return false;

    std::deque<std::shared_ptr<Component>> queue(byParent[0].begin(), byParent[0].end());
    size_t count = queue.size();
    while (!queue.empty())
    {
        std::shared_ptr<Component> parent = queue.front();
        queue.pop_front();
        auto it = byParent.find(parent->mId);
        if (it == byParent.end())
            continue;
        for (const auto& child : it->second)
        {
            child->SetParent(parent.get());
            queue.push_back(child);
            ++count;
        }
        byParent.erase(it); // each id's children are attached once
    }
    return count == total && total == mElements.size() + mSources.size();
}

void SimulationSetup::Load(const char* path)
{
    mName.clear();
    pugi::xml_document document;
    std::string reason;
    if (!LoadXmlFile(document, path, reason))
    {
        Log::Error("cannot open simulation file: %s (%s)", path != nullptr ? path : "", reason.c_str());
        return;
    }
    pugi::xml_node root = document.child("Talvo");
    if (!root)
    {
        Log::Error("invalid root node (it must be Talvo)");
        return;
    }
    const long long version = root.attribute("version").as_llong(0);
    if (version > kMaxFileVersion)
    {
        Log::Error("File %s was created with a newwer version (%lld >= %d)", path, version, kMaxFileVersion);
        return;
    }

    std::unordered_set<uint32_t> used;
    for (const auto& element : mElements)
        used.insert(element->mId);
    for (const auto& source : mSources)
        used.insert(source->mId);

    uint32_t maxId = kFirstComponentId;
    auto accept = [&](uint32_t id) {
        used.insert(id);
        maxId = std::max(maxId, id);
    };
    for (pugi::xml_node node : root.children())
    {
        if (node.type() != pugi::node_element)
            continue;
        const std::string name = node.name();
        const std::string type = node.attribute("Type").as_string("");
        if (name == "Source")
        {
            auto source = std::make_shared<Source>();
            source->Load(node);
            if (used.count(source->mId) != 0)
                Log::Error("Source with duplicated Id (%u). Removed from the simulation", source->mId);
            else
            {
                mSources.push_back(source);
                accept(source->mId);
            }
        }
        else if (name == "Element")
        {
            if (type == "Generic Object")
            {
                Log::Warning("LEAGCY TYPE (%s): Not supported anymore!!", type.c_str());
                Log::Warning("canont load %s of type %s", name.c_str(), type.c_str());
            }
            else if (std::shared_ptr<Element> element = ElementsFactory::CreateElement(type.c_str()))
            {
                element->Load(node);
                if (used.count(element->mId) != 0)
                    Log::Error("Element with duplicated Id (%u). Removed from the simulation", element->mId);
                else
                {
                    mElements.push_back(element);
                    accept(element->mId);
                }
            }
            else
                Log::Warning("canont load %s of type %s", name.c_str(), type.c_str());
        }
    }
    // Set once, after the whole file: the counter never wraps to 0, and past the
    // largest id it restarts at the first free one.
    gNextComponentId = maxId != std::numeric_limits<uint32_t>::max() ? maxId + 1 : FirstFreeId(used);

    if (CheckDependencies())
    {
        // Kept as read, so the user can mend them in place; runs refuse them.
        for (const std::string& text : NonFinitePlacements())
            Log::Warning("%s is not finite; runs are refused until it is changed", text.c_str());
        Log::Info(0, "Simulation succesfully loaded from %s", path);
        mName = path;
    }
    else
    {
        Log::Error("Simulation %s is ill formed. Some dependecies are incorrect and cannot be loaded.", path);
        New();
    }
}

bool SimulationSetup::Save(const char* path)
{
    pugi::xml_document document;
    pugi::xml_node root = document.append_child("Talvo");
    root.append_attribute("version").set_value(0);
    for (const auto& source : mSources)
        source->Save(root);
    for (const auto& element : mElements)
        element->Save(root);
    if (path == nullptr)
    {
        Log::Error("Simulation Setup: no file name to save to");
        return false;
    }
    // The helper logs why; the file that was there stays whole.
    if (!SaveXmlAtomically(document, path))
        return false;
    Log::Info(0, "Simulation Setup saved in %s", path);
    mName = path;
    return true;
}

void SimulationSetup::RemoveComponent(const std::shared_ptr<Component>& component)
{
    if (!component)
        return;
    auto remove = [&](auto& list) {
        for (auto it = list.begin(); it != list.end(); ++it)
        {
            if (it->get() == component.get())
            {
                (*it)->DetachAll();
                list.erase(it);
                return true;
            }
        }
        return false;
    };
    if (!remove(mElements))
        remove(mSources);
}

} // namespace orvilane
