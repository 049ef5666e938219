#include <cmath>
#include <functional>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include "core/elements/EleDetector.h"
#include "core/fields/Fields.h"
#include "editor/app/EditorWindow.h"
#include "editor/runner/EditorSimulation.h"
#include "editor/app/WindowsManager.h"
#include "editor/ui/HeatmapImage.h"
#include "editor/windows/DetectorWindow.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/ImGuiTestFrame.h"

namespace orvilaneeditor::test
{
namespace
{
constexpr double kPi = 3.14159265358979323846;

// A 3 (x) x 2 (y) grid with a different value in every sample.
orvilane::Fields AsymmetricGrid()
{
    orvilane::Fields grid(3, 1e-3, 1e-3);
    grid.mEx.set_size(3, 2);
    grid.mEy.set_size(3, 2);
    for (arma::uword i = 0; i < 3; ++i)
        for (arma::uword j = 0; j < 2; ++j)
        {
            grid.mEx(i, j) = {0.5 + i - 2.0 * j, 3.0 * j - i};
            grid.mEy(i, j) = {-1.0 * i, 0.25 * (j + 1)};
        }
    grid.mEx(2, 1) = {-3.0, 4.0};
    grid.mEy(0, 1) = {0.0, -2.0};
    grid.mDomain = orvilane::FieldDomain::XSpace;
    return grid;
}

// Bounding box of the triangles drawn with a texture, in screen pixels; zero size when none.
ImVec2 DrawnSize(ImTextureID texture)
{
    ImVec2 lo(1e9f, 1e9f), hi(-1e9f, -1e9f);
    const ImDrawData* data = ImGui::GetDrawData();
    for (int n = 0; data != nullptr && n < data->CmdListsCount; ++n)
    {
        const ImDrawList* list = data->CmdLists[n];
        for (const ImDrawCmd& cmd : list->CmdBuffer)
        {
            if (cmd.TextureId != texture)
                continue;
            for (unsigned k = 0; k < cmd.ElemCount; ++k)
            {
                const ImVec2 p = list->VtxBuffer[list->IdxBuffer[cmd.IdxOffset + k] + cmd.VtxOffset].pos;
                lo = ImVec2(std::min(lo.x, p.x), std::min(lo.y, p.y));
                hi = ImVec2(std::max(hi.x, p.x), std::max(hi.y, p.y));
            }
        }
    }
    return hi.x >= lo.x ? ImVec2(hi.x - lo.x, hi.y - lo.y) : ImVec2(0.0f, 0.0f);
}

// The test frame's font atlas is texture id 1: keep GL name 1 out of the
// heatmaps' way so their quads are told apart.
struct ReservedFontName
{
    ReservedFontName() { glGenTextures(1, &name); }
    ~ReservedFontName() { glDeleteTextures(1, &name); }
    GLuint name = 0;
};

ImTextureID TextureId(uint32_t name)
{
    return reinterpret_cast<ImTextureID>(static_cast<intptr_t>(name));
}

std::vector<uint8_t> ReadBack(uint32_t texture, int w, int h)
{
    std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4, 0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return rgba;
}

std::vector<uint8_t> Jet(float t)
{
    uint8_t c[4];
    HeatmapImage::JetColor(t, c);
    return std::vector<uint8_t>(c, c + 4);
}
} // namespace

// Every quantity reads its own part of its own component, x along rows and y
// along columns, and asks for its own kind of colour scale.
TEST(DetectorWindow, FillImageForEveryQuantity)
{
    const orvilane::Fields grid = AsymmetricGrid();
    struct Case
    {
        uint32_t quantity;
        size_t index; // i * 2 + j
        float value;
        ScaleKind scale;
    };
    const Case cases[] = {
        {0, 5, 0.0f, ScaleKind::Magnitude},
        {1, 5, -3.0f, ScaleKind::Signed},
        {2, 5, 4.0f, ScaleKind::Signed},
        {3, 1, 0.0f, ScaleKind::Signed},
        {4, 1, -2.0f, ScaleKind::Signed},
        {5, 5, 5.0f, ScaleKind::Magnitude},
        {6, 5, static_cast<float>(std::atan2(4.0, -3.0)), ScaleKind::Phase},
        {7, 1, 2.0f, ScaleKind::Magnitude},
        {8, 1, static_cast<float>(-kPi / 2), ScaleKind::Phase},
        {1, 2, 1.5f, ScaleKind::Signed},  // sample (1, 0): 0.5 + 1
        {4, 4, 0.25f, ScaleKind::Signed}, // sample (2, 0)
    };
    for (const Case& c : cases)
    {
        DetectorWindow window(nullptr, 0);
        window.FillImage(grid, c.quantity);
        EXPECT_FALSE(window.mRefresh);
        EXPECT_EQ(window.mImageRows, 3u);
        EXPECT_EQ(window.mImageColumns, 2u);
        ASSERT_EQ(window.mImage.size(), 6u);
        EXPECT_FLOAT_EQ(window.mImage[c.index], c.value) << DetectorWindow::kQuantityNames[c.quantity];
        EXPECT_EQ(window.mImageMaximum, *std::max_element(window.mImage.begin(), window.mImage.end()));
        EXPECT_EQ(DetectorWindow::QuantityScale(c.quantity), c.scale) << c.quantity;
    }

    DetectorWindow window(nullptr, 0);
    window.FillImage(orvilane::Fields(), 1);
    EXPECT_TRUE(window.mImage.empty());
    EXPECT_EQ(window.mImageRows * window.mImageColumns, 0u);
}

TEST(DetectorWindow, LayerScalesFollowTheirNames)
{
    const std::pair<const char*, ScaleKind> cases[] = {
        {"Raytracing", ScaleKind::Magnitude}, {"ExRe", ScaleKind::Signed}, {"EyIm", ScaleKind::Signed},
        {"ExMo", ScaleKind::Magnitude},       {"EyPh", ScaleKind::Phase},  {"Other", ScaleKind::Signed},
    };
    for (const auto& [name, scale] : cases)
        EXPECT_EQ(DetectorWindow::LayerScale(name), scale) << name;
}

// Numbers only grow: closing a window never frees its number for a newcomer.
TEST(DetectorWindow, WindowNumbersStayUnique)
{
    auto first = std::make_unique<DetectorWindow>(nullptr, 0);
    auto second = std::make_unique<DetectorWindow>(nullptr, 0);
    auto third = std::make_unique<DetectorWindow>(nullptr, 0);
    const uint32_t kept[] = {first->mWindowNumber, third->mWindowNumber};
    second.reset();
    DetectorWindow fourth(nullptr, 0);
    for (uint32_t number : kept)
        EXPECT_NE(fourth.mWindowNumber, number);
    EXPECT_GT(fourth.mWindowNumber, third->mWindowNumber);
    EXPECT_GT(third->mWindowNumber, first->mWindowNumber);
}

namespace
{
class DetectorWindowFrames : public ::testing::Test
{
protected:
    // A detector of the setup holding results: the given layer, if any.
    std::shared_ptr<orvilane::EleDetector> AddValidDetector(const orvilane::DetectorLayer* layer = nullptr)
    {
        auto detector = std::make_shared<orvilane::EleDetector>();
        simulation.AddComponent(detector, false);
        if (layer != nullptr)
            detector->mLayers.push_back(*layer);
        detector->mValid = true;
        return detector;
    }
    void Show(DetectorWindow& window)
    {
        ui.Frame([&window] { window.Show(); });
    }

    void SetUp() override { application.mSettings.autorun = false; }

    EditorWindow application{EditorWindow::Headless{}};
    EditorSimulation& simulation = *application.mEditorSimulation;
    ImGuiTestFrame ui;
};

class DetectorWindowThreaded : public DetectorWindowFrames
{
};
} // namespace

// A 3 x 2 detector of 0.03 x 0.02 m: both storage orders come out with x to
// the right and y upwards, on a plot 400 x 266 pixels.
TEST_F(DetectorWindowFrames, LayersOfAThreeByTwoDetectorAreUpright)
{
    ORVILANE_GL_CONTEXT(gl);
    ReservedFontName reserved;
    struct Case
    {
        const char* layer;
        bool xFastest;
        float scaleMin, scaleMax;
    };
    for (const Case c : {Case{"Raytracing", true, 0.0f, 21.0f}, Case{"ExRe", false, -21.0f, 21.0f}})
    {
        orvilane::DetectorLayer layer(c.layer, 3, 2, 0.03, 0.02);
        for (uint64_t x = 0; x < 3; ++x)
            for (uint64_t y = 0; y < 2; ++y)
                layer.Store(c.xFastest ? y * 3 + x : x * 2 + y, static_cast<float>(10 * x + y));
        auto detector = AddValidDetector(&layer);

        DetectorWindow window(application.mEditorSimulation.get(), detector->mId);
        Show(window);
        Show(window);
        const HeatmapTexture* texture = window.TabTexture("###tabId1");
        ASSERT_NE(texture, nullptr) << c.layer;
        ASSERT_EQ(texture->Width(), 3) << c.layer;
        ASSERT_EQ(texture->Height(), 2) << c.layer;
        const std::vector<uint8_t> pixels = ReadBack(texture->Name(), 3, 2);
        for (int row = 0; row < 2; ++row)
            for (int column = 0; column < 3; ++column)
            {
                const float value = static_cast<float>(10 * column + (1 - row));
                const size_t at = static_cast<size_t>(row * 3 + column) * 4;
                EXPECT_EQ(std::vector<uint8_t>(pixels.begin() + at, pixels.begin() + at + 4),
                          Jet((value - c.scaleMin) / (c.scaleMax - c.scaleMin)))
                    << c.layer << " row " << row << " column " << column;
            }
        const ImVec2 size = DrawnSize(TextureId(texture->Name()));
        EXPECT_EQ(size.x, 400.0f) << c.layer;
        EXPECT_EQ(size.y, 266.0f) << c.layer;
    }
}

// The kept output field of a 3 x 2 grid is drawn 400 x 266 with x across, and
// an empty image draws no plot.
TEST_F(DetectorWindowFrames, FieldTabFollowsXAcross)
{
    ORVILANE_GL_CONTEXT(gl);
    ReservedFontName reserved;
    auto detector = AddValidDetector();
    detector->mOutputFields = AsymmetricGrid();
    DetectorWindow window(application.mEditorSimulation.get(), detector->mId);
    window.mQuantity = 1;
    Show(window);
    Show(window);
    const HeatmapTexture* texture = window.TabTexture("Output Fields");
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->Width(), 3);
    EXPECT_EQ(texture->Height(), 2);
    // Sample (2, 1) = -3 is the top-right pixel on a symmetric scale of +-3.
    const std::vector<uint8_t> pixels = ReadBack(texture->Name(), 3, 2);
    EXPECT_EQ(std::vector<uint8_t>(pixels.begin() + 8, pixels.begin() + 12), Jet(0.0f));
    const ImVec2 size = DrawnSize(TextureId(texture->Name()));
    EXPECT_EQ(size.x, 400.0f);
    EXPECT_EQ(size.y, 266.0f);

    // A run that left an empty grid: the texture goes, nothing is drawn.
    detector->mOutputFields.mEx.reset();
    detector->mOutputFields.mEy.reset();
    ++simulation.mEmRunCounter;
    Show(window);
    EXPECT_EQ(window.TabTexture("Output Fields")->Name(), 0u);
}

// While a run's worker has not been joined the window shows only its chooser.
TEST_F(DetectorWindowThreaded, RunInProgressShowsOnlyTheChooser)
{
    ORVILANE_GL_CONTEXT(gl);
    orvilane::DetectorLayer layer("Raytracing", 2, 2, 0.01, 0.01);
    layer.Store(0, 1.0f);
    auto detector = AddValidDetector(&layer);
    DetectorWindow window(application.mEditorSimulation.get(), detector->mId);

    std::promise<void> finish;
    std::shared_future<void> finished = finish.get_future().share();
    simulation.mWorker = std::make_unique<std::thread>([finished] { finished.wait(); });
    Show(window);
    EXPECT_EQ(window.TabTexture("###tabId1"), nullptr);
    finish.set_value();
    Show(window);
    EXPECT_EQ(window.TabTexture("###tabId1"), nullptr); // finished, not yet joined
    simulation.JoinWorker();
    Show(window);
    ASSERT_NE(window.TabTexture("###tabId1"), nullptr);
    EXPECT_NE(window.TabTexture("###tabId1")->Name(), 0u);
}

// Closing the second of three windows leaves the first and third in order.
TEST_F(DetectorWindowFrames, ClosedWindowsAreDroppedInOrder)
{
    WindowsManager& manager = *application.mWindowsManager;
    for (uint32_t id : {0u, 7u, 0u})
        manager.OpenDetectorWindow(id);
    ASSERT_EQ(manager.mDetectorWindows.size(), 3u);
    const DetectorWindow* first = manager.mDetectorWindows[0].get();
    const DetectorWindow* third = manager.mDetectorWindows[2].get();
    manager.mDetectorWindows[1]->mOpen = false;
    ui.Frame([&manager] { manager.ShowDetectorWindows(); });
    ASSERT_EQ(manager.mDetectorWindows.size(), 2u);
    EXPECT_EQ(manager.mDetectorWindows[0].get(), first);
    EXPECT_EQ(manager.mDetectorWindows[1].get(), third);
    // A window for an id that no component has is titled as a new one.
    EXPECT_NE(ImGuiTestFrame::FindWindow(("New Detector Window###" + std::to_string(third->mWindowNumber)).c_str()),
              nullptr);
}

// A result window opened by the manager shows a square layer's 400-pixel plot and its widest scale whole.
TEST_F(DetectorWindowFrames, FirstSizeShowsThePlotAndItsScaleWhole)
{
    ORVILANE_GL_CONTEXT(gl);
    ReservedFontName reserved;
    orvilane::DetectorLayer layer("ExRe", 4, 4, 0.02, 0.02);
    for (size_t k = 0; k < 16; ++k)
        layer.Store(k, (k % 2 == 0 ? 1.01475e-08f : -1.01475e-08f) * static_cast<float>(k + 1));
    WindowsManager& manager = *application.mWindowsManager;
    manager.OpenDetectorWindow(AddValidDetector(&layer)->mId);
    ui.Frames(3, [&manager] { manager.ShowDetectorWindows(); });
    const DetectorWindow& window = *manager.mDetectorWindows[0];
    const ImGuiWindow* shown = ImGuiTestFrame::FindWindow(("###" + std::to_string(window.mWindowNumber)).c_str());
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->ScrollMax.x, 0.0f); // nothing to scroll to
    EXPECT_EQ(shown->ScrollMax.y, 0.0f);
    const ImVec2 plot = DrawnSize(TextureId(window.TabTexture("###tabId1")->Name()));
    EXPECT_EQ(plot.x, 400.0f);
    EXPECT_EQ(plot.y, 400.0f);
}

// A tab's picture and scale are remade once per change of what they are made from, never in a frame without one.
TEST_F(DetectorWindowFrames, HeatmapsAreRemadeOncePerDataChange)
{
    ORVILANE_GL_CONTEXT(gl);
    orvilane::DetectorLayer layer("Raytracing", 3, 2, 0.03, 0.02);
    layer.Store(0, 1.0f);
    auto detector = AddValidDetector(&layer);
    DetectorWindow window(application.mEditorSimulation.get(), detector->mId);
    const std::function<void()> changes[] = {
        [this] { ++simulation.mResultRunCounter; }, // a run of either kernel
        [this] { ++simulation.mEmRunCounter; },     // a field run
        [&] { (detector->mLayers[0] = orvilane::DetectorLayer("Raytracing", 4, 2, 0.03, 0.02)).Store(7, 2.0f); }};
    Show(window);
    Show(window);
    ASSERT_EQ(window.RebuildCount(), 1u);
    for (size_t k = 0; k < 3; ++k)
    {
        changes[k]();
        for (int n = 0; n < 4; ++n)
            Show(window);
        EXPECT_EQ(window.RebuildCount(), k + 2) << k;
    }
    EXPECT_EQ(window.TabTexture("###tabId1")->Width(), 4);
}
} // namespace orvilaneeditor::test
