#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "core/components/Element.h"
#include "core/elements/ElementsFactory.h"
#include "tests/support/LogCapture.h"
#include "tests/support/ResourceLimit.h"
#include "core/simulation/SimulationSetup.h"
#include "core/sources/Source.h"

using namespace orvilane;
using orvilane::test::LogCapture;
using orvilane::test::WithResourceLimit;

namespace
{
std::filesystem::path TempFile(const std::string& name)
{
    const auto dir = std::filesystem::temp_directory_path() / "orvilane-setup-tests";
    std::filesystem::create_directories(dir);
    return dir / name;
}

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::filesystem::path WriteFile(const std::string& name, const std::string& text)
{
    const auto path = TempFile(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// A minimal component element: attributes only.
std::string Node(const char* name, const char* type, unsigned id, unsigned parent, unsigned input = 0)
{
    std::ostringstream s;
    s << "<" << name << " Type=\"" << type << "\" label=\"L" << id << "\" id=\"" << id << "\" parentId=\"" << parent
      << "\" inputId=\"" << input
      << "\" saveInputFields=\"false\" saveOutputFields=\"false\" x=\"0\" y=\"0\" z=\"0.1\" a=\"0\" b=\"0\" c=\"0\"";
    if (std::string(name) == "Source")
        s << " sourceType=\"2\"><Config/></Source>";
    else
        s << "/>";
    return s.str();
}

std::string Doc(const std::string& body, const char* version = "version=\"0\"")
{
    return std::string("<?xml version=\"1.0\"?>\n<Talvo ") + version + ">" + body + "</Talvo>";
}

std::shared_ptr<Source> MakeSource(int type)
{
    auto source = std::make_shared<Source>();
    source->SetSourceType(type);
    return source;
}

class SimulationSetupTest : public ::testing::Test
{
protected:
    void SetUp() override { setup.New(); }
    void TearDown() override { setup.New(); }
    SimulationSetup setup;
};
} // namespace

TEST_F(SimulationSetupTest, NewEmptiesAndResetsTheCounter)
{
    setup.mSources.push_back(MakeSource(0));
    setup.mName = "x";
    setup.New();
    EXPECT_TRUE(setup.mSources.empty());
    EXPECT_EQ(setup.mName, "New Simulation");
    EXPECT_EQ(gNextComponentId, 1000u);
    Source next;
    EXPECT_EQ(next.mId, 1000u);
}

TEST_F(SimulationSetupTest, SaveLoadSaveGivesTheSameFileAndComponents)
{
    auto planewave = MakeSource(0);
    auto gaussian = MakeSource(1);
    static_cast<ConfigSource&>(*gaussian->mConfig).mRefractiveIndex = {1.5, 0.002};
    gaussian->SetParent(planewave.get());
    gaussian->SetPosition({0.1, -0.2, 0.3});
    gaussian->SetRotation({10, -20, 30});
    std::vector<std::string> types;
    for (const auto& entry : ElementsFactory::Instance().mCreators)
        types.push_back(entry.first);
    for (const std::string& type : types)
    {
        auto element = ElementsFactory::CreateElement(type.c_str());
        element->mInputId = planewave->mId;
        element->SetParent(planewave.get());
        element->SetPosition({0, 0, 0.05 * double(setup.mElements.size() + 1)});
        setup.mElements.push_back(element);
    }
    // Elements listed before sources in memory still save sources first.
    setup.mSources = {planewave, gaussian};

    const auto first = TempFile("roundtrip-1.xml");
    const auto second = TempFile("roundtrip-2.xml");
    ASSERT_TRUE(setup.Save(first.string().c_str()));
    EXPECT_EQ(setup.mName, first.string());
    const std::string text = ReadAll(first);
    EXPECT_EQ(text.rfind("<?xml", 0), 0u);
    EXPECT_NE(text.find("\n\t<Source"), std::string::npos);
    EXPECT_LT(text.find("<Source"), text.find("<Element") == std::string::npos ? text.size() : text.find("<Element"));

    SimulationSetup loaded;
    LogCapture capture;
    loaded.Load(first.string().c_str());
    EXPECT_EQ(capture.Errors(), 0u);
    EXPECT_EQ(loaded.mName, first.string());
    ASSERT_EQ(loaded.mSources.size(), 2u);
    ASSERT_EQ(loaded.mElements.size(), setup.mElements.size());
    EXPECT_EQ(loaded.mSources[1]->mParent, loaded.mSources[0].get());
    EXPECT_NEAR(loaded.mSources[1]->mWorldPosition.x, 0.1, 1e-15);
    EXPECT_EQ(loaded.mSources[1]->mSourceType, 1);
    EXPECT_EQ(static_cast<ConfigSource&>(*loaded.mSources[1]->mConfig).mRefractiveIndex,
              std::complex<double>(1.5, 0.002));
    for (size_t k = 0; k < loaded.mElements.size(); ++k)
    {
        EXPECT_EQ(loaded.mElements[k]->mTypeName, setup.mElements[k]->mTypeName);
        EXPECT_EQ(loaded.mElements[k]->mId, setup.mElements[k]->mId);
        EXPECT_EQ(loaded.mElements[k]->mInputId, planewave->mId);
        EXPECT_EQ(loaded.mElements[k]->mParent, loaded.mSources[0].get());
    }
    ASSERT_TRUE(loaded.Save(second.string().c_str()));
    EXPECT_EQ(ReadAll(second), text);
    loaded.New();
}

TEST_F(SimulationSetupTest, IdCounterFollowsTheLargestId)
{
    std::string body;
    for (unsigned id = 1000; id <= 1004; ++id)
        body += Node("Source", "Source", id, 0);
    setup.Load(WriteFile("ids.xml", Doc(body)).string().c_str());
    EXPECT_EQ(gNextComponentId, 1005u);

    setup.New();
    setup.Load(WriteFile("low-ids.xml", Doc(Node("Source", "Source", 5, 0) + Node("Source", "Source", 7, 5)))
                   .string()
                   .c_str());
    EXPECT_EQ(setup.mSources.size(), 2u);
    EXPECT_EQ(gNextComponentId, 1001u);

    setup.New();
    setup.Load(WriteFile("max-id.xml", Doc(Node("Source", "Source", 4294967295u, 0))).string().c_str());
    ASSERT_EQ(setup.mSources.size(), 1u);
    EXPECT_NE(gNextComponentId, 0u);
    Source next;
    EXPECT_NE(next.mId, 0u);
    EXPECT_NE(next.mId, 4294967295u);
}

TEST_F(SimulationSetupTest, VersionLimitAndMissingVersion)
{
    LogCapture capture;
    const auto newer = WriteFile("newer.xml", Doc(Node("Source", "Source", 1000, 0), "version=\"10000\""));
    setup.Load(newer.string().c_str());
    EXPECT_TRUE(setup.mSources.empty());
    EXPECT_EQ(setup.mName, "");
    EXPECT_EQ(capture.Count("File " + newer.string() + " was created with a newwer version (10000 >= 9999)"), 1u);

    setup.Load(WriteFile("v9999.xml", Doc(Node("Source", "Source", 1000, 0), "version=\"9999\"")).string().c_str());
    EXPECT_EQ(setup.mSources.size(), 1u);
    setup.New();
    setup.Load(WriteFile("noversion.xml", Doc(Node("Source", "Source", 1000, 0), "")).string().c_str());
    EXPECT_EQ(setup.mSources.size(), 1u);
}

TEST_F(SimulationSetupTest, UnreadableFileAndWrongRoot)
{
    LogCapture capture;
    const std::string missing = TempFile("does-not-exist.xml").string();
    const std::string cut = WriteFile("cut.xml", "<Talvo version=\"0\">").string();
    setup.Load(missing.c_str());
    setup.Load(cut.c_str());
    EXPECT_EQ(capture.Count("ERROR: cannot open simulation file: " + missing + " (No such file or directory)"), 1u);
    EXPECT_EQ(capture.Count("ERROR: cannot open simulation file: " + cut + " (Start-end tags mismatch at offset 18)"),
              1u);
    EXPECT_EQ(setup.mName, "");
    setup.Load(WriteFile("root.xml", "<Bench version=\"0\"/>").string().c_str());
    EXPECT_EQ(capture.Count("ERROR: invalid root node (it must be Talvo)"), 1u);
}

TEST_F(SimulationSetupTest, DuplicateIdsKeepTheFirst)
{
    LogCapture capture;
    setup.Load(WriteFile("dup.xml", Doc(Node("Source", "Source", 1005, 0) + Node("Source", "Source", 1005, 0) +
                                        Node("Element", "Detector", 1005, 0)))
                   .string()
                   .c_str());
    EXPECT_EQ(setup.mSources.size(), 1u);
    EXPECT_TRUE(setup.mElements.empty());
    EXPECT_EQ(capture.Count("Source with duplicated Id (1005). Removed from the simulation"), 1u);
    EXPECT_EQ(capture.Count("Element with duplicated Id (1005). Removed from the simulation"), 1u);
}

TEST_F(SimulationSetupTest, IllFormedTreesEmptyTheSetup)
{
    const std::vector<std::string> bodies = {
        Node("Source", "Source", 1000, 4711),                                       // missing parent
        Node("Source", "Source", 1000, 1000),                                       // self parent
        Node("Source", "Source", 1000, 1001) + Node("Source", "Source", 1001, 1000), // cycle
        Node("Source", "Source", 0, 0) + Node("Source", "Source", 1001, 0),         // id 0
    };
    for (size_t k = 0; k < bodies.size(); ++k)
    {
        LogCapture capture;
        const auto path = WriteFile("ill-" + std::to_string(k) + ".xml", Doc(bodies[k]));
        setup.Load(path.string().c_str());
        EXPECT_TRUE(setup.mSources.empty()) << k;
        EXPECT_EQ(setup.mName, "New Simulation");
        EXPECT_EQ(gNextComponentId, 1000u);
        EXPECT_EQ(capture.Count("Simulation " + path.string() +
                                " is ill formed. Some dependecies are incorrect and cannot be loaded."),
                  1u);
    }
}

TEST_F(SimulationSetupTest, ChildBeforeParentInTheFileLoads)
{
    setup.Load(
        WriteFile("order.xml", Doc(Node("Source", "Source", 1002, 1001) + Node("Source", "Source", 1001, 0)))
            .string()
            .c_str());
    ASSERT_EQ(setup.mSources.size(), 2u);
    EXPECT_EQ(setup.mSources[0]->mParent, setup.mSources[1].get());
    EXPECT_EQ(setup.mName.find("order.xml") != std::string::npos, true);
}

TEST_F(SimulationSetupTest, LegacyUnknownAndForeignNodes)
{
    LogCapture capture;
    setup.Load(WriteFile("types.xml", Doc(Node("Element", "Generic Object", 1001, 0) +
                                          Node("Element", "Warp Drive", 1002, 0) +
                                          "<!-- note --><Other id=\"3\"/>text" + Node("Source", "Source", 1003, 0)))
                   .string()
                   .c_str());
    EXPECT_EQ(setup.mSources.size(), 1u);
    EXPECT_TRUE(setup.mElements.empty());
    EXPECT_EQ(capture.Count("Warning: LEAGCY TYPE (Generic Object): Not supported anymore!!"), 1u);
    EXPECT_EQ(capture.Count("Warning: canont load Element of type Generic Object"), 1u);
    EXPECT_EQ(capture.Count("ERROR: Element 'Warp Drive' not registered"), 1u);
    EXPECT_EQ(capture.Count("Warning: canont load Element of type Warp Drive"), 1u);
    EXPECT_EQ(capture.Warnings(), 3u);
}

TEST_F(SimulationSetupTest, SaveToAnUnwritablePathFailsAndKeepsTheName)
{
    setup.mSources.push_back(MakeSource(0));
    setup.mName = "previous.xml";
    LogCapture capture;
    const std::string path = TempFile("no-such-folder/setup.xml").string();
    EXPECT_FALSE(setup.Save(path.c_str()));
    EXPECT_EQ(setup.mName, "previous.xml");
    EXPECT_EQ(capture.Errors(), 1u);
    EXPECT_EQ(capture.Count(path), 1u);
    EXPECT_EQ(capture.Count("saved in"), 0u);
}

TEST_F(SimulationSetupTest, LookupsChildrenAndRemoval)
{
    auto root = MakeSource(0);
    auto child = MakeSource(0);
    auto other = MakeSource(2);
    child->SetParent(root.get());
    setup.mSources = {root, child, other};
    EXPECT_EQ(setup.FindComponentById(child->mId), child);
    EXPECT_TRUE(setup.ContainsId(other->mId));
    EXPECT_FALSE(setup.ContainsId(1));
    EXPECT_EQ(setup.GetChildren(root->mId).size(), 1u);
    EXPECT_EQ(setup.GetChildren(0).size(), 2u);

    setup.RemoveComponent(root);
    EXPECT_EQ(setup.mSources.size(), 2u);
    EXPECT_EQ(child->mParentId, 0u);
    EXPECT_EQ(child->mParent, nullptr);
    setup.RemoveComponent(root);
    EXPECT_EQ(setup.mSources.size(), 2u);
    EXPECT_EQ(setup.mSources[0], child);
}

TEST_F(SimulationSetupTest, OnlyRegularFilesAreRead)
{
    const auto folder = TempFile("a-folder.xml");
    std::filesystem::create_directories(folder);
    const auto fifo = TempFile("a-pipe.xml");
    std::filesystem::remove(fifo);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0); // opening it to read would wait for a writer
    for (const auto& path : {folder, fifo})
    {
        LogCapture capture;
        setup.Load(path.string().c_str());
        EXPECT_EQ(capture.Count("ERROR: cannot open simulation file: " + path.string()), 1u);
        EXPECT_EQ(capture.Errors(), 1u);
        EXPECT_TRUE(setup.mSources.empty());
        EXPECT_EQ(setup.mName, "");
    }
    std::filesystem::remove(fifo);
}

TEST_F(SimulationSetupTest, LargestIdFirstThenTheCounterTakesTheFirstFreeId)
{
    const std::string body = Node("Source", "Source", 4294967295u, 0) + Node("Source", "Source", 1000, 0) +
                             Node("Source", "Source", 1001, 0) + Node("Source", "Source", 1003, 0);
    setup.Load(WriteFile("max-first.xml", Doc(body)).string().c_str());
    ASSERT_EQ(setup.mSources.size(), 4u);
    EXPECT_EQ(gNextComponentId, 1002u);
}

TEST_F(SimulationSetupTest, SaveThatFailsPartWayKeepsThePreviousFile)
{
    const auto path = TempFile("kept.xml");
    setup.mSources.push_back(MakeSource(0));
    ASSERT_TRUE(setup.Save(path.string().c_str()));
    const std::string previous = ReadAll(path);
    for (int k = 0; k < 40; ++k)
        setup.mSources.push_back(MakeSource(1)); // far beyond the 4 kB allowed below

    LogCapture capture;
    // Writes to files past 4 kB fail, as on a full disk.
    EXPECT_FALSE(WithResourceLimit(RLIMIT_FSIZE, 4096, [&] { return setup.Save(path.string().c_str()); }));
    EXPECT_EQ(ReadAll(path), previous);
    EXPECT_EQ(capture.Errors(), 1u);
    EXPECT_EQ(capture.Count("saved in"), 0u);
    for (const auto& entry : std::filesystem::directory_iterator(path.parent_path()))
        EXPECT_EQ(entry.path().filename().string().find(".kept.xml"), std::string::npos) << entry.path();
}
