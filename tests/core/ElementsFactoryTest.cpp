#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Element.h"
#include "ElementsFactory.h"
#include "LogCapture.h"

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

// The element types the program registers, in the order the registry lists
// them, with the label each gives itself.
const std::vector<std::pair<std::string, std::string>> kProgramTypes = {
    {"Detector", "Detector"},
    {"Flat Mirror Infinite", "Flat Intinite Mirror"},
    {"Flat Mirror", "Flat Mirror"},
    {"Curved Mirror", "Curved Mirror"},
    {"Blocker-Diafragm", "Blocker - Diafragm"},
    {"Blocker-Window", "Blocker - Window"},
    {"Ideal Lens", "Ideal Lens"},
    {"Thick Lens", "Lens"},
};
} // namespace

TEST(ElementsFactory, EnumeratesInRegistrationOrder)
{
    const ElementsFactory registry = MakeTestRegistry();
    EXPECT_EQ(Names(registry), (std::vector<std::string>{"Gamma", "Alpha", "Beta", "Gamma Two"}));
}

TEST(ElementsFactory, CreatesTheRegisteredClass)
{
    const ElementsFactory registry = MakeTestRegistry();
    std::shared_ptr<Element> alpha = registry.Create("Alpha");
    ASSERT_TRUE(alpha);
    EXPECT_NE(dynamic_cast<AlphaElement*>(alpha.get()), nullptr); // the first registration of "Alpha"
    EXPECT_EQ(alpha->mLabel, "Alpha label");
    EXPECT_EQ(alpha->mNodeName, "Element");
    EXPECT_NE(dynamic_cast<GammaElement*>(registry.Create("Gamma Two").get()), nullptr);

    // Every call makes a new element with the next id.
    std::shared_ptr<Element> again = registry.Create("Alpha");
    ASSERT_TRUE(again);
    EXPECT_NE(again.get(), alpha.get());
    EXPECT_EQ(again->mId, alpha->mId + 2);

    // The toolbox calls the creators it enumerates.
    for (const auto& [name, creator] : registry.mCreators)
        EXPECT_TRUE(creator()) << name;
}

TEST(ElementsFactory, NamesTheRegisteredClass)
{
    const ElementsFactory registry = MakeTestRegistry();
    EXPECT_EQ(registry.NameOf(typeid(AlphaElement)), "Alpha");
    EXPECT_EQ(registry.NameOf(typeid(BetaElement)), "Beta");
    EXPECT_EQ(registry.NameOf(typeid(GammaElement)), "Gamma");
    std::shared_ptr<Element> e = registry.Create("Beta");
    EXPECT_EQ(registry.NameOf(typeid(*e)), "Beta"); // the dynamic type
    EXPECT_EQ(registry.mTypeNames.size(), 3u);
}

TEST(ElementsFactory, UnknownNamesAreRefusedWithAnError)
{
    const ElementsFactory registry = MakeTestRegistry();
    for (const char* name : {"alpha", "Alpha ", "Alpha label", "", "Delta"})
    {
        LogCapture log;
        EXPECT_FALSE(registry.Create(name)) << name;
        EXPECT_EQ(log.Count(std::string("ERROR: Element '") + name + "' not registered"), 1u) << name;
    }
    LogCapture log;
    EXPECT_FALSE(registry.Create(nullptr));
    EXPECT_EQ(log.Count("ERROR: Element '' not registered"), 1u);
}

TEST(ElementsFactory, UnknownClassGivesAnEmptyNameAndAnError)
{
    const ElementsFactory registry = MakeTestRegistry();
    LogCapture log;
    EXPECT_EQ(registry.NameOf(typeid(NullElement)), "");
    EXPECT_EQ(log.Count("ERROR: There is no element class registered with this typeid: ("), 1u);
    EXPECT_EQ(log.Count(typeid(NullElement).name()), 1u);
}

TEST(ElementsFactory, ProgramRegistryIsOneInstance)
{
    EXPECT_EQ(&ElementsFactory::Instance(), &ElementsFactory::Instance());
    EXPECT_EQ(ElementsFactory::Instance().mCreators.size(), ElementsFactory::Instance().mTypeNames.size());
}

TEST(ElementsFactory, ProgramRegistryListsItsTypesInToolboxOrder)
{
    // Every registered name is one of the program's types, in their order.
    const std::vector<std::string> names = Names(ElementsFactory::Instance());
    size_t next = 0;
    for (const std::string& name : names)
    {
        while (next < kProgramTypes.size() && kProgramTypes[next].first != name)
            ++next;
        ASSERT_LT(next, kProgramTypes.size()) << "unexpected or out of order: " << name;
        ++next;
    }
}

TEST(ElementsFactory, ProgramElementsCarryTheirTypeNameAndLabel)
{
    const std::map<std::string, std::string> labels(kProgramTypes.begin(), kProgramTypes.end());
    for (const auto& [name, creator] : ElementsFactory::Instance().mCreators)
    {
        LogCapture log;
        std::shared_ptr<Element> e = ElementsFactory::CreateElement(name.c_str());
        ASSERT_TRUE(e) << name;
        EXPECT_EQ(e->mTypeName, name);
        EXPECT_EQ(e->mLabel, labels.at(name));
        EXPECT_EQ(e->mNodeName, "Element");
        EXPECT_EQ(ElementsFactory::GetElementName(typeid(*e)), name);
        EXPECT_EQ(log.Errors(), 0u) << name;
    }
}

TEST(ElementsFactory, ProgramRegistryRefusesLabelsAndOtherCase)
{
    for (const char* name : {"Blocker - Diafragm", "thick lens", "Flat Intinite Mirror"})
    {
        LogCapture log;
        EXPECT_FALSE(ElementsFactory::CreateElement(name));
        EXPECT_EQ(log.Count(std::string("ERROR: Element '") + name + "' not registered"), 1u);
    }
    LogCapture log;
    EXPECT_EQ(ElementsFactory::GetElementName(typeid(NullElement)), "");
    EXPECT_EQ(log.Errors(), 1u);
}
