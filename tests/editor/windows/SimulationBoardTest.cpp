#include <cmath>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <vector>
#include <thread>

#include <GLFW/glfw3.h>
#include <sys/stat.h>

#include <gtest/gtest.h>
#include <imgui_internal.h>

#include "core/elements/EleDetector.h"
#include "core/elements/EleMirrorFlat.h"
#include "core/sources/Source.h"
#include "editor/app/EditorWindow.h"
#include "editor/runner/EditorSimulation.h"
#include "editor/windows/SimulationBoard.h"
#include "tests/support/ImGuiTestFrame.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempFolder.h"

using orvilane::test::LogCapture;
using orvilane::test::TempFolder;
using Positions = std::map<uint32_t, glm::vec2>;

namespace orvilaneeditor::test
{
namespace
{
std::string Node(const char* id, const char* x, const char* y)
{
    return std::string("<node id=\"") + id + "\" x=\"" + x + "\" y=\"" + y + "\"/>";
}

std::string Board(const std::string& nodes, const char* version = "0")
{
    return std::string("<?xml version=\"1.0\"?><OrvilaneEditor version=\"") + version + "\">" + nodes +
           "</OrvilaneEditor>";
}
} // namespace

// Geometry of a node at (0, 0) on a canvas corner of (10, 20), and every test
// strict at the edges: on an edge is outside.
TEST(SimulationBoardNode, HitTestWithStrictEdges)
{
    auto mirror = std::make_shared<orvilane::EleMirrorFlat>();
    auto source = std::make_shared<orvilane::Source>();
    Selectable element(mirror, nullptr), emitter(source, nullptr);
    element.UpdateNodeLayout(glm::vec2(10.0f, 20.0f));
    emitter.UpdateNodeLayout(glm::vec2(10.0f, 20.0f));
    EXPECT_EQ(element.mNodeMin, glm::vec2(10.0f, 20.0f));
    EXPECT_EQ(element.mNodeMax, glm::vec2(110.0f, 70.0f));
    EXPECT_EQ(element.mInputPort.mCenter, glm::vec2(0.0f, 45.0f));
    EXPECT_EQ(element.mOutputPort.mCenter, glm::vec2(120.0f, 45.0f));
    EXPECT_TRUE(element.mHasInputPort);
    EXPECT_FALSE(emitter.mHasInputPort);

    struct Case
    {
        float x, y;
        int element, source;
    };
    const Case cases[] = {
        {60, 45, Selectable::kHitBody, Selectable::kHitBody},
        {10, 45, Selectable::kHitNothing, Selectable::kHitNothing},  // left edge of the body
        {110, 45, Selectable::kHitNothing, Selectable::kHitNothing}, // right edge
        {60, 20, Selectable::kHitNothing, Selectable::kHitNothing},  // top edge
        {60, 70, Selectable::kHitNothing, Selectable::kHitNothing},  // bottom edge
        {0, 45, Selectable::kHitInput, Selectable::kHitNothing},     // a source has no input
        {-4.9f, 40.1f, Selectable::kHitInput, Selectable::kHitNothing},
        {-5, 45, Selectable::kHitNothing, Selectable::kHitNothing},
        {5, 45, Selectable::kHitNothing, Selectable::kHitNothing},
        {0, 40, Selectable::kHitNothing, Selectable::kHitNothing},
        {0, 50, Selectable::kHitNothing, Selectable::kHitNothing},
        {120, 45, Selectable::kHitOutput, Selectable::kHitOutput},
        {115, 45, Selectable::kHitNothing, Selectable::kHitNothing},
        {125, 45, Selectable::kHitNothing, Selectable::kHitNothing},
        {124.9f, 49.9f, Selectable::kHitOutput, Selectable::kHitOutput},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(element.NodeHitTest(glm::vec2(c.x, c.y)), c.element) << c.x << ", " << c.y;
        EXPECT_EQ(emitter.NodeHitTest(glm::vec2(c.x, c.y)), c.source) << c.x << ", " << c.y;
    }
}

// Snapping goes to the grid toward zero, then steps 50 only once the
// accumulated travel passes 50 on an axis.
TEST(SimulationBoardNode, SnappingDragSteps)
{
    struct Case
    {
        glm::vec2 position, accumulated, delta;
        glm::vec2 wantPosition, wantAccumulated;
    };
    const Case cases[] = {
        {{73, -70}, {0, 0}, {0, 0}, {50, -50}, {0, 0}},
        {{0, 0}, {0, 0}, {73, -70}, {50, -50}, {23, -20}},
        {{0, 0}, {0, 0}, {50, -50}, {0, 0}, {50, -50}}, // exactly 50 is not past it
        {{-149, 199}, {40, -45}, {11, -6}, {-50, 100}, {1, -1}},
        {{10, 10}, {0, 0}, {200, 0}, {50, 0}, {150, 0}}, // one step per frame
    };
    for (const Case& c : cases)
    {
        glm::vec2 position = c.position, accumulated = c.accumulated;
        SimulationBoard::SnapDrag(position, accumulated, c.delta);
        EXPECT_EQ(position, c.wantPosition) << c.position.x << ", " << c.position.y;
        EXPECT_EQ(accumulated, c.wantAccumulated) << c.position.x << ", " << c.position.y;
    }
}

TEST(SimulationBoardSideFile, RoundTripInIdOrderBesideALongPath)
{
    // A simulation path far longer than 256 characters still names its own side file.
    const TempFolder root("orvilane-board");
    std::string simulation = std::string(90, 'a');
    for (char k : {'b', 'c', 'd'})
        simulation += "/" + std::string(90, k);
    simulation = root.MakeFolder(simulation) + "/bench.xml";
    ASSERT_GT(simulation.size(), 256u);
    const std::string path = SimulationBoard::SideFilePath(simulation);
    EXPECT_EQ(path, simulation + ".aux");

    const Positions written = {{1003, {12.5f, -7.25f}}, {1000, {0.0f, 0.0f}}, {4000000000u, {-1e5f, 3.1f}}};
    ASSERT_TRUE(SimulationBoard::WriteSideFile(path, written));
    Positions read = {{5, {1, 1}}};
    LogCapture log;
    ASSERT_TRUE(SimulationBoard::ReadSideFile(path, read));
    EXPECT_EQ(read, written);
    EXPECT_EQ(log.Lines().size(), 0u);

    std::ifstream in(path);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.rfind("<?xml", 0), 0u);
    EXPECT_LT(text.find("id=\"1000\""), text.find("id=\"1003\""));
    EXPECT_NE(text.find("\n\t<node"), std::string::npos);

    // A side file that cannot be written is reported, not passed off as saved.
    LogCapture failure;
    EXPECT_FALSE(SimulationBoard::WriteSideFile("/nonexistent-orvilane-folder/bench.xml.aux", written));
    EXPECT_EQ(failure.Errors(), 1u);
}

// Broken, foreign and hostile side files: nothing non-finite or far off gets
// through, and every refusal is logged.
TEST(SimulationBoardSideFile, HostileFilesAreRefusedWithALine)
{
    const TempFolder folder("orvilane-board");
    const std::string path = folder / "bench.xml.aux";
    struct Case
    {
        const char* name;
        std::string text; // empty: no file
        bool accepted;
        Positions positions;
        const char* line;
    };
    const Case cases[] = {
        {"missing", "", false, {}, "Warning: Board data not found"},
        {"not XML", "<OrvilaneEditor><node", false, {}, "Warning: Board data not found"},
        {"cut XML", "<OrvilaneEditor>", false, {}, "not readable XML (Start-end tags mismatch at offset 15)"},
        {"foreign root",
         "<?xml version=\"1.0\"?><Talvo version=\"0\"/>",
         false,
         {},
         "ERROR: invalid root node (it must be OrvilaneEditor)"},
        {"newer version",
         Board(Node("1", "1", "1"), "10000"),
         false,
         {},
         "was created with a newwer version (10000 >= 9999)"},
        {"newest readable version", Board(Node("1", "1", "2"), "9999"), true, {{1, {1, 2}}}, nullptr},
        {"negative version", Board(Node("1", "1", "1"), "-1"), false, {}, "unknown version '-1'"},
        {"text version", Board(Node("1", "1", "1"), "two"), false, {}, "unknown version 'two'"},
        {"duplicate ids: first wins",
         Board(Node("7", "1", "2") + Node("7", "3", "4")),
         true,
         {{7, {1, 2}}},
         "node 7 appears more than once"},
        {"NaN position",
         Board(Node("7", "nan", "2") + Node("8", "1", "1")),
         true,
         {{8, {1, 1}}},
         "node 7 has an unusable position"},
        {"infinite position", Board(Node("7", "1", "inf")), true, {}, "node 7 has an unusable position"},
        {"far-off position", Board(Node("7", "1e30", "0")), true, {}, "node 7 has an unusable position"},
        {"trailing text", Board(Node("7", "1.5px", "0")), true, {}, "node 7 has an unusable position"},
        {"missing coordinates read 0", Board("<node id=\"9\"/>"), true, {{9, {0, 0}}}, nullptr},
        {"negative id", Board(Node("-5", "1", "1")), true, {}, "without a usable id ('-5')"},
        {"id zero", Board(Node("0", "1", "1")), true, {}, "without a usable id ('0')"},
        {"id beyond 32 bits", Board(Node("4294967296", "1", "1")), true, {}, "without a usable id"},
        {"id missing", Board("<node x=\"1\" y=\"1\"/>"), true, {}, "without a usable id"},
    };
    for (const Case& c : cases)
    {
        std::filesystem::remove(path);
        if (!c.text.empty())
            folder.Write("bench.xml.aux", c.text);
        Positions positions = {{1234, {5, 5}}};
        LogCapture log;
        EXPECT_EQ(SimulationBoard::ReadSideFile(path, positions), c.accepted) << c.name;
        EXPECT_EQ(positions, c.positions) << c.name;
        if (c.line != nullptr)
            EXPECT_GE(log.Count(c.line), 1u) << c.name;
        else
            EXPECT_EQ(log.Lines().size(), 0u) << c.name;
    }

    // A folder or a FIFO in the side file's place is not read (a FIFO would
    // block the UI thread waiting for a writer).
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    Positions positions = {{1234, {5, 5}}};
    EXPECT_FALSE(SimulationBoard::ReadSideFile(path, positions));
    EXPECT_TRUE(positions.empty());
    std::filesystem::remove(path);
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EXPECT_FALSE(SimulationBoard::ReadSideFile(path, positions));
}

namespace
{
// Board places of the fixture's source, detector and mirror.
const glm::vec2 kPlaced[] = {{20.0f, 40.0f}, {200.0f, 40.0f}, {200.0f, 200.0f}};

// Every node with its ports on the canvas and clear of every other.
void ExpectSpreadOnTheCanvas(const std::vector<Selectable>& nodes)
{
    auto box = [](const Selectable& n) {
        return ImRect(n.mNodeMin.x - 15, n.mNodeMin.y, n.mNodeMax.x + 15, n.mNodeMax.y);
    };
    for (size_t i = 0; i < nodes.size(); ++i)
    {
        EXPECT_TRUE(ImGuiTestFrame::FindWindow("Simulation Board")->InnerRect.Contains(box(nodes[i]))) << i;
        for (size_t j = i + 1; j < nodes.size(); ++j)
            EXPECT_FALSE(box(nodes[i]).Overlaps(box(nodes[j]))) << i << " overlaps " << j;
    }
}

class SimulationBoardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        application.mSettings.autorun = false;
        board.SetSimulation(&simulation);
        source = std::make_shared<orvilane::Source>();
        detector = std::make_shared<orvilane::EleDetector>();
        mirror = std::make_shared<orvilane::EleMirrorFlat>();
        simulation.AddComponent(source, false);
        simulation.AddComponent(detector, false);
        simulation.AddComponent(mirror, false);
        for (size_t i = 0; i < 3; ++i)
        {
            simulation.mSelectables[i].mBoardPosition = kPlaced[i];
            simulation.mSelectables[i].mBoardPlaced = true;
        }
        simulation.mUnsaved = false;
    }

    void Show()
    {
        ui.Frame([this] { ShowBoard(); });
    }
    // The board where the windows manager's layout would put it.
    void ShowBoard()
    {
        ImGui::SetNextWindowPos(ImVec2(100.0f, 100.0f));
        ImGui::SetNextWindowSize(ImVec2(600.0f, 500.0f));
        board.Show(&open);
    }
    ImVec2 At(glm::vec2 p) const { return ImVec2(p.x, p.y); }
    // Presses the button at from, moves to to in steps, releases there.
    void Drag(int button, glm::vec2 from, glm::vec2 to, int steps = 4)
    {
        ui.MoveMouse(At(from));
        Show();
        ImGui::GetIO().MouseDown[button] = true;
        Show();
        for (int k = 1; k <= steps; ++k)
        {
            ui.MoveMouse(At(from + (to - from) * (static_cast<float>(k) / steps)));
            Show();
        }
        ImGui::GetIO().MouseDown[button] = false;
        Show();
    }
    void RightClick(glm::vec2 at) { Drag(1, at, at, 0); }

    EditorWindow application{EditorWindow::Headless{}};
    EditorSimulation& simulation = *application.mEditorSimulation;
    SimulationBoard board;
    ImGuiTestFrame ui;
    bool open = true;
    std::shared_ptr<orvilane::Source> source;
    std::shared_ptr<orvilane::EleDetector> detector;
    std::shared_ptr<orvilane::EleMirrorFlat> mirror;
};
} // namespace

// Linking port to port in either direction, unlinking with a right click on
// either port; each changes the stored setup and so marks it unsaved.
TEST_F(SimulationBoardTest, LinkByDraggingAndUnlinkByRightClick)
{
    Show();
    const Selectable& s = simulation.mSelectables[0];
    const Selectable& d = simulation.mSelectables[1];
    const Selectable& m = simulation.mSelectables[2];

    Drag(0, s.mOutputPort.mCenter, d.mInputPort.mCenter);
    EXPECT_EQ(detector->mInputId, source->mId);
    EXPECT_TRUE(simulation.mUnsaved);
    EXPECT_EQ(simulation.GetSelected(), &simulation.mSelectables[0]);

    // From the mirror's input to the source's output: the mirror is fed.
    simulation.mUnsaved = false;
    Drag(0, m.mInputPort.mCenter, s.mOutputPort.mCenter);
    EXPECT_EQ(mirror->mInputId, source->mId);
    EXPECT_TRUE(simulation.mUnsaved);

    // Releasing over the dragged node's own port sets nothing.
    Drag(0, d.mOutputPort.mCenter, d.mInputPort.mCenter);
    EXPECT_EQ(detector->mInputId, source->mId);

    simulation.mUnsaved = false;
    RightClick(d.mInputPort.mCenter);
    EXPECT_EQ(detector->mInputId, 0u);
    EXPECT_EQ(mirror->mInputId, source->mId);
    EXPECT_TRUE(simulation.mUnsaved);

    detector->mInputId = source->mId;
    RightClick(s.mOutputPort.mCenter);
    EXPECT_EQ(detector->mInputId, 0u);
    EXPECT_EQ(mirror->mInputId, 0u);

    // A click on empty canvas clears the selection; it, a pan and a snapped drag of less than a step from a grid
    // point leave every node where it was and change nothing; a move changes what the side file keeps.
    simulation.mUnsaved = false;
    ui.Click(At(d.mNodeMax + glm::vec2(60.0f, 60.0f)), [this] { ShowBoard(); });
    EXPECT_EQ(simulation.GetSelected(), nullptr);
    Drag(1, m.mNodeMin + glm::vec2(50.0f, 25.0f), m.mNodeMin + glm::vec2(90.0f, 55.0f));
    ImGui::GetIO().KeysDown[GLFW_KEY_LEFT_SHIFT] = true;
    Drag(0, m.mNodeMin + glm::vec2(50.0f, 25.0f), m.mNodeMin + glm::vec2(70.0f, 35.0f));
    ImGui::GetIO().KeysDown[GLFW_KEY_LEFT_SHIFT] = false;
    EXPECT_EQ(m.mBoardPosition, kPlaced[2]);
    EXPECT_FALSE(simulation.mUnsaved);
    Drag(0, d.mNodeMin + glm::vec2(50.0f, 25.0f), d.mNodeMin + glm::vec2(80.0f, 45.0f));
    EXPECT_EQ(simulation.mSelectables[1].mBoardPosition, glm::vec2(230.0f, 60.0f));
    EXPECT_TRUE(simulation.mUnsaved);
}

// While a run's worker is not joined the board links, unlinks and moves nothing; once joined it edits again.
TEST_F(SimulationBoardTest, NothingIsEditedWhileARunGoesOn)
{
    detector->mInputId = source->mId;
    Show();
    const Selectable& d = simulation.mSelectables[1];
    const Selectable& m = simulation.mSelectables[2];
    std::promise<void> finish;
    simulation.mWorker = std::make_unique<std::thread>([finished = finish.get_future().share()] { finished.wait(); });
    RightClick(d.mInputPort.mCenter);
    Drag(0, m.mInputPort.mCenter, simulation.mSelectables[0].mOutputPort.mCenter);
    Drag(0, m.mNodeMin + glm::vec2(50.0f, 25.0f), m.mNodeMin + glm::vec2(80.0f, 45.0f));
    EXPECT_EQ(detector->mInputId, source->mId);
    EXPECT_EQ(mirror->mInputId, 0u);
    EXPECT_EQ(m.mBoardPosition, kPlaced[2]);
    EXPECT_FALSE(simulation.mUnsaved);
    finish.set_value();
    simulation.JoinWorker();
    RightClick(d.mInputPort.mCenter);
    EXPECT_EQ(detector->mInputId, 0u);
}

// Left Shift or S (GLFW key codes in 1.86's key array) snaps the dragged node.
TEST_F(SimulationBoardTest, ShiftOrSSnapsTheDraggedNode)
{
    for (int key : {GLFW_KEY_LEFT_SHIFT, GLFW_KEY_S})
    {
        simulation.mSelectables[1].mBoardPosition = glm::vec2(273.0f, 130.0f);
        Show();
        const glm::vec2 body = simulation.mSelectables[1].mNodeMin + glm::vec2(50.0f, 25.0f);
        ImGui::GetIO().KeysDown[key] = true;
        Drag(0, body, body + glm::vec2(62.0f, 4.0f), 2);
        ImGui::GetIO().KeysDown[key] = false;
        EXPECT_EQ(simulation.mSelectables[1].mBoardPosition, glm::vec2(300.0f, 100.0f)) << key;
    }
}

// Save writes every node; Load moves the nodes named in the file and leaves
// the others and every node named with a hostile position where they are.
TEST_F(SimulationBoardTest, SaveAndLoadBesideTheSimulationFile)
{
    const TempFolder folder("orvilane-board");
    simulation.mSetup.mName = folder / "bench.xml";
    board.Save();
    EXPECT_EQ(board.mPositions.size(), 3u);

    for (Selectable& node : simulation.mSelectables)
        node.mBoardPosition = glm::vec2(-1.0f, -1.0f);
    board.Load();
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(simulation.mSelectables[i].mBoardPosition, kPlaced[i]) << i;

    const std::string id = std::to_string(detector->mId);
    folder.Write("bench.xml.aux", Board(Node(id.c_str(), "nan", "5")));
    LogCapture log;
    board.Load();
    EXPECT_EQ(log.Warnings(), 1u);
    for (const Selectable& node : simulation.mSelectables)
        EXPECT_TRUE(std::isfinite(node.mBoardPosition.x) && std::isfinite(node.mBoardPosition.y));
    EXPECT_EQ(simulation.mSelectables[1].mBoardPosition, kPlaced[1]);
}

// New nodes go where no node is, around the placed ones, which stay; so do all of a setup without its side file.
TEST_F(SimulationBoardTest, NewNodesGoWhereNoNodeIs)
{
    for (int k = 0; k < 6; ++k)
        simulation.AddComponent(std::make_shared<orvilane::EleMirrorFlat>(), false);
    Show();
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(simulation.mSelectables[i].mBoardPosition, kPlaced[i]) << i;
    ExpectSpreadOnTheCanvas(simulation.mSelectables);

    const TempFolder folder("orvilane-board");
    const std::string path = folder / "bench.xml";
    ASSERT_TRUE(simulation.SaveSimulation(path.c_str()));
    ASSERT_TRUE(simulation.LoadSimulation(path.c_str()));
    LogCapture log;
    board.Load();
    EXPECT_EQ(log.Count("Board data not found"), 1u);
    Show();
    ExpectSpreadOnTheCanvas(simulation.mSelectables);
    EXPECT_FALSE(simulation.mUnsaved);
}

// Where two nodes overlap a click takes the top one (later in the list), whatever was selected, even over a port.
TEST_F(SimulationBoardTest, AClickWhereNodesOverlapTakesTheTopNode)
{
    simulation.mSelectables[2].mBoardPosition = glm::vec2(240.0f, 60.0f); // the mirror over the detector
    Show();
    const Selectable& d = simulation.mSelectables[1];
    const glm::vec2 bothBodies = simulation.mSelectables[2].mNodeMin + glm::vec2(10.0f, 10.0f);
    ASSERT_EQ(d.NodeHitTest(bothBodies), Selectable::kHitBody);
    simulation.SetSelected(1); // the lower node, also first in the list
    ui.Click(At(bothBodies), [this] { ShowBoard(); });
    EXPECT_EQ(simulation.GetSelected(), &simulation.mSelectables[2]);
    // A drag from the detector's output port under the mirror moves the mirror and links nothing.
    simulation.SetSelected(1);
    Drag(0, d.mOutputPort.mCenter, d.mOutputPort.mCenter + glm::vec2(0.0f, 40.0f));
    EXPECT_EQ(simulation.mSelectables[2].mBoardPosition, glm::vec2(240.0f, 100.0f));
    EXPECT_EQ(simulation.mSelectables[1].mBoardPosition, kPlaced[1]);
    EXPECT_EQ(mirror->mInputId, 0u);
}
} // namespace orvilaneeditor::test
