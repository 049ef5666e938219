#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/components/Element.h"
#include "core/elements/ElementsFactory.h"
#include "tests/support/LogCapture.h"

using namespace orvilane;
using orvilane::test::LogCapture;

namespace
{
class NullElement : public Element
{
public:
    bool ProcessRay(Ray&, const ElementHit&) override { return false; }
    Fields ProcessFields(const Fields&) override { return Fields(); }
};

class AlphaElement : public NullElement
{
public:
    AlphaElement() { mLabel = "Alpha label"; }
};
class BetaElement : public NullElement
{
};
class GammaElement : public NullElement
{
};

ElementsFactory MakeTestRegistry()
{
    return ElementsFactory({
        ElementsFactory::Register<GammaElement>("Gamma"),
        ElementsFactory::Register<AlphaElement>("Alpha"),
        ElementsFactory::Register<BetaElement>("Beta"),
        ElementsFactory::Register<BetaElement>("Alpha"),      // name taken: the first entry stays
        ElementsFactory::Register<GammaElement>("Gamma Two"), // class taken: keeps the name "Gamma"
    });
}

std::vector<std::string> Names(const ElementsFactory& registry)
{
    std::vector<std::string> names;
    for (const auto& [name, creator] : registry.mCreators)
        names.push_back(name);
    return names;
}
} // namespace

TEST(ElementsFactory, CreatesAndNamesTheFirstRegistrationInOrder)
{
    const ElementsFactory registry = MakeTestRegistry();
    EXPECT_EQ(Names(registry), (std::vector<std::string>{"Gamma", "Alpha", "Beta", "Gamma Two"}));
    std::shared_ptr<Element> alpha = registry.Create("Alpha");
    ASSERT_TRUE(alpha);
    EXPECT_NE(dynamic_cast<AlphaElement*>(alpha.get()), nullptr);
    EXPECT_EQ(alpha->mLabel, "Alpha label");
    EXPECT_NE(dynamic_cast<GammaElement*>(registry.Create("Gamma Two").get()), nullptr);
    // Every call makes a new element with the next id.
    std::shared_ptr<Element> again = registry.Create("Alpha");
    ASSERT_TRUE(again);
    EXPECT_NE(again.get(), alpha.get());
    EXPECT_EQ(again->mId, alpha->mId + 2);
    for (const auto& [name, creator] : registry.mCreators) // as the toolbox calls them
        EXPECT_TRUE(creator()) << name;

    EXPECT_EQ(registry.NameOf(typeid(AlphaElement)), "Alpha");
    EXPECT_EQ(registry.NameOf(typeid(BetaElement)), "Beta");
    EXPECT_EQ(registry.NameOf(typeid(GammaElement)), "Gamma");
    EXPECT_EQ(registry.NameOf(typeid(*registry.Create("Beta"))), "Beta"); // the dynamic type
    EXPECT_EQ(registry.mTypeNames.size(), 3u);
}

TEST(ElementsFactory, ProgramRegistryHasTheEightTypesInToolboxOrder)
{
    // Type name and the label a new element of it gives itself.
    const std::vector<std::pair<std::string, std::string>> types = {
        {"Detector", "Detector"},
        {"Flat Mirror Infinite", "Flat Intinite Mirror"},
        {"Flat Mirror", "Flat Mirror"},
        {"Curved Mirror", "Curved Mirror"},
        {"Blocker-Diafragm", "Blocker - Diafragm"},
        {"Blocker-Window", "Blocker - Window"},
        {"Ideal Lens", "Ideal Lens"},
        {"Thick Lens", "Lens"},
    };
    EXPECT_EQ(&ElementsFactory::Instance(), &ElementsFactory::Instance());
    ASSERT_EQ(Names(ElementsFactory::Instance()).size(), types.size());
    EXPECT_EQ(ElementsFactory::Instance().mTypeNames.size(), types.size());
    for (size_t i = 0; i < types.size(); ++i)
    {
        const auto& [name, label] = types[i];
        EXPECT_EQ(Names(ElementsFactory::Instance())[i], name);
        LogCapture log;
        std::shared_ptr<Element> e = ElementsFactory::CreateElement(name.c_str());
        ASSERT_TRUE(e) << name;
        EXPECT_EQ(e->mTypeName, name);
        EXPECT_EQ(e->mLabel, label);
        EXPECT_EQ(e->mNodeName, "Element");
        EXPECT_EQ(ElementsFactory::GetElementName(typeid(*e)), name);
        EXPECT_EQ(log.Errors(), 0u) << name;
    }
    // Labels, other case, stray spaces and unknown classes are refused with an error.
    for (const char* name : {"Blocker - Diafragm", "thick lens", "Flat Intinite Mirror", "Thick Lens ", "", "Delta"})
    {
        LogCapture log;
        EXPECT_FALSE(ElementsFactory::CreateElement(name)) << name;
        EXPECT_EQ(log.Count(std::string("ERROR: Element '") + name + "' not registered"), 1u) << name;
    }
    LogCapture log;
    EXPECT_FALSE(ElementsFactory::CreateElement(nullptr));
    EXPECT_EQ(log.Count("ERROR: Element '' not registered"), 1u);
    EXPECT_EQ(ElementsFactory::GetElementName(typeid(NullElement)), "");
    EXPECT_EQ(log.Count("ERROR: There is no element class registered with this typeid: ("), 1u);
    EXPECT_EQ(log.Count(typeid(NullElement).name()), 1u);
}
