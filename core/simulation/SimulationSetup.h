#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orvilane
{

class Component;
class Element;
class Source;

// The bench: its elements and sources (each in insertion or file order) and its
// name. Loads and saves the simulation file (root "Talvo").
class SimulationSetup
{
public:
    void New();
    std::shared_ptr<Component> FindComponentById(uint32_t id) const;
    bool ContainsId(uint32_t id) const;
    // Elements with that parent id in list order, then sources.
    std::vector<std::shared_ptr<Component>> GetChildren(uint32_t parentId) const;
    // Rebuilds the transform tree from the parent ids; true when every component was reached.
    bool CheckDependencies();
    // Appends the file's components; problems are logged. Only a regular file is read.
    void Load(const char* path);
    // Replaces the file as one step; false (with an error line, name unchanged,
    // any previous file left whole) when it could not be written.
    bool Save(const char* path);
    void RemoveComponent(const std::shared_ptr<Component>& component);
    // One text per component whose local position or rotation holds a
    // non-finite value: "<label> (id:<id>): <member> = <value>", sources first,
    // then elements, in list order. Empty when every placement is finite.
    std::vector<std::string> NonFinitePlacements() const;
    // Logs an error for each NonFinitePlacements text; false when there was
    // any: a kernel refuses to run over such a setup.
    bool CheckPlacementsForRun() const;

    std::vector<std::shared_ptr<Element>> mElements;
    std::vector<std::shared_ptr<Source>> mSources;
    std::string mName = "New Simulation";

    static constexpr int kMaxFileVersion = 9999;
};

} // namespace orvilane
