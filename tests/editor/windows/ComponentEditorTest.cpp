#include <cfloat>
#include <cmath>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include "core/elements/ConfigDetector.h"
#include "core/elements/ConfigIdealLens.h"
#include "core/elements/ConfigLens.h"
#include "core/elements/EleDetector.h"
#include "core/elements/EleIdealLens.h"
#include "core/elements/EleLens.h"
#include "core/elements/ElementsFactory.h"
#include "core/sources/ConfigRayGeneratorBeam.h"
#include "core/sources/ConfigSource.h"
#include "core/sources/IFieldGenerator.h"
#include "core/sources/RayGeneratorBeam.h"
#include "core/sources/Source.h"
#include "core/surfaces/SurfaceBase.h"
#include "editor/app/EditorWindow.h"
#include "editor/runner/EditorSimulation.h"
#include "editor/ui/DockLayout.h"
#include "editor/windows/ComponentEditor.h"
#include "tests/support/EditorSimulationDoubles.h"
#include "tests/support/ImGuiTestFrame.h"
#include "tests/support/LogCapture.h"

using orvilaneeditor::EditorSimulation;
using orvilaneeditor::Inspector;
using orvilaneeditor::test::ImGuiTestFrame;
using orvilane::test::LogCapture;

namespace
{
std::vector<std::string> Rows(const orvilane::SerializableData& record)
{
    std::vector<std::string> rows;
    for (const orvilane::FieldDescriptor& field : record.mFields)
        if (const std::string* text = Inspector::RowText(field))
            rows.push_back(*text);
    return rows;
}
} // namespace

// Real numbers show their UI label, every other kind its member name, in
// registration order.
TEST(Inspector, RowOrderOfASourceAndADetector)
{
    orvilane::Source source;
    source.SetSourceType(0);
    EXPECT_EQ(Rows(*source.mConfig),
              (std::vector<std::string>{"mDirection", "mRefractiveIndex", "Wavelength", "mAmplitudeEx", "mAmplitudeEy",
                                        "mSamplingPoints", "Sampling Window"}));
    EXPECT_EQ(Rows(*source.mRayGenerator->mConfig),
              (std::vector<std::string>{"Radius", "mNumberRaysPerSide", "mNumberRayMultiplierForRandom"}));
    orvilane::EleDetector detector;
    EXPECT_EQ(Rows(*detector.mConfig), (std::vector<std::string>{"BlockLight", "Resolution"}));
    EXPECT_EQ(Rows(*detector.mSurfaces[0]->mConfig), (std::vector<std::string>{"mSize"}));

    orvilane::FieldDescriptor hidden{"mHidden", &typeid(double), nullptr, "", "", nullptr};
    EXPECT_EQ(Inspector::RowText(hidden), nullptr);
}

// The integer limits are the core's own: the largest accepted values pass its
// checks and the next ones would not.
TEST(Inspector, IntegerLimitsMatchTheCore)
{
    const Inspector::IntegerRange sampling = Inspector::IntegerLimits("mSamplingPoints");
    const unsigned long long bytesPerSample = 2 * sizeof(std::complex<double>);
    const auto gridBytes = [&](long long n) { return static_cast<unsigned long long>(n * n) * bytesPerSample; };
    EXPECT_EQ(sampling.min, 3);
    EXPECT_EQ(sampling.max % 2, 1);
    EXPECT_LE(gridBytes(sampling.max), orvilane::IFieldGenerator::kMaxGridBytes);
    EXPECT_GT(gridBytes(sampling.max + 2), orvilane::IFieldGenerator::kMaxGridBytes);

    const Inspector::IntegerRange rays = Inspector::IntegerLimits("mNumberRaysPerSide");
    EXPECT_EQ(rays.min, 1);
    EXPECT_LE(rays.max * rays.max, orvilane::RayGeneratorBeam::kMaxRaysPerPass);
    EXPECT_GT((rays.max + 1) * (rays.max + 1), orvilane::RayGeneratorBeam::kMaxRaysPerPass);

    const Inspector::IntegerRange pixels = Inspector::IntegerLimits("Resolution");
    EXPECT_EQ(pixels.min, 1);
    EXPECT_EQ(pixels.max, orvilane::EleDetector::kMaxPixelsPerSide);
    EXPECT_EQ(Inspector::IntegerLimits("mNumberRayMultiplierForRandom").min, 1);
    EXPECT_EQ(Inspector::IntegerLimits("mAnythingElse").min, INT32_MIN);
}

namespace
{
class InspectorFrames : public ::testing::Test
{
protected:
    void SetUp() override
    {
        application.mSettings.autorun = false;
        inspector.SetSimulation(&simulation);
        source = std::make_shared<orvilane::Source>();
        source->SetSourceType(0);
        detector = std::make_shared<orvilane::EleDetector>();
        simulation.AddComponent(source, false);
        simulation.AddComponent(detector, false);
        ui = [this] {
            inspector.Show(&open);
            ImGui::SetWindowSize("Inspector", ImVec2(700.0f, 1000.0f));
            ImGui::SetWindowPos("Inspector", ImVec2(0.0f, 0.0f));
        };
    }
    void Select(int index)
    {
        simulation.SetSelected(index);
        simulation.mUnsaved = false;
        frame.Frames(2, ui);
    }
    // The editor of a property row: rows live in the tableInstance-th
    // "##properties" table drawn in the window this frame.
    ImGuiID RowEditor(int tableInstance, const char* row)
    {
        ImGuiWindow* window = ImGuiTestFrame::FindWindow("Inspector");
        const ImGuiID table = ImGuiTestFrame::ItemId(window, {"##properties"}) + static_cast<ImGuiID>(tableInstance);
        return ImHashStr("##Editor", 0, ImHashStr(row, 0, table));
    }
    // The first component of a multi-component editor: scope of the index, then an empty label.
    ImGuiID FirstComponent(int tableInstance, const char* row)
    {
        const int index = 0;
        return ImHashStr("", 0, ImHashData(&index, sizeof(index), RowEditor(tableInstance, row)));
    }
    bool Click(ImGuiID id)
    {
        ImVec2 at;
        if (!frame.FindItem(ImGuiTestFrame::FindWindow("Inspector"), id, ui, &at, 6.0f))
            return false;
        frame.Click(at, ui);
        return true;
    }
    // Clicks a field's editor (its text is selected on activation) and types over it.
    bool TypeInto(int tableInstance, const char* row, const std::string& text, bool firstComponent = false)
    {
        if (!Click(firstComponent ? FirstComponent(tableInstance, row) : RowEditor(tableInstance, row)))
            return false;
        frame.Type(text, ui);
        frame.PressKey(ImGuiKey_Enter, ui); // ends the edit
        return true;
    }

    orvilaneeditor::EditorWindow application{orvilaneeditor::EditorWindow::Headless{}};
    EditorSimulation& simulation = *application.mEditorSimulation;
    orvilaneeditor::WindowsManager& manager = *application.mWindowsManager;
    Inspector& inspector = manager.mInspector;
    ImGuiTestFrame frame;
    ImGuiTestFrame::Ui ui;
    bool open = true;
    std::shared_ptr<orvilane::Source> source;
    std::shared_ptr<orvilane::EleDetector> detector;
};
} // namespace

// Out-of-range integers are clamped to what the core accepts, non-finite
// numbers are refused and the old value stays.
TEST_F(InspectorFrames, TypedValuesAreClampedOrRefused)
{
    auto beam = std::dynamic_pointer_cast<orvilane::ConfigRayGeneratorBeam>(source->mRayGenerator->mConfig);
    auto config = std::dynamic_pointer_cast<orvilane::ConfigSource>(source->mConfig);
    Select(0);
    // Tables of a source: flags 0, "General" 1, "Electromagnetic" 2, "Raytracing" 3.
    struct Case
    {
        int table;
        const char* row;
        const char* typed;
        int want;
    };
    const Case cases[] = {
        {3, "mNumberRaysPerSide", "0", 1},
        {3, "mNumberRaysPerSide", "99999", 4096},
        {3, "mNumberRayMultiplierForRandom", "-7", 1},
        {1, "mSamplingPoints", "100000", static_cast<int>(Inspector::IntegerLimits("mSamplingPoints").max)},
    };
    for (const Case& c : cases)
    {
        ASSERT_TRUE(TypeInto(c.table, c.row, c.typed)) << c.row;
        const int value = std::string(c.row) == "mSamplingPoints"      ? config->mSamplingPoints
                          : std::string(c.row) == "mNumberRaysPerSide" ? beam->mNumberRaysPerSide
                                                                       : beam->mNumberRayMultiplierForRandom;
        EXPECT_EQ(value, c.want) << c.row << " typed " << c.typed;
    }

    const double wavelength = config->mWavelenght;
    ASSERT_TRUE(TypeInto(1, "Wavelength", "1e999"));
    EXPECT_EQ(config->mWavelenght, wavelength);
    ASSERT_TRUE(TypeInto(1, "Wavelength", "5e-7"));
    EXPECT_DOUBLE_EQ(config->mWavelenght, 5e-7);
    ASSERT_TRUE(TypeInto(1, "mDirection", "-1e999", true));
    EXPECT_EQ(config->mDirection[0], 0.0);
    ASSERT_TRUE(TypeInto(1, "mDirection", "2.5e-1", true));
    EXPECT_EQ(config->mDirection[0], 0.25);

    Select(1);
    auto screen = std::dynamic_pointer_cast<orvilane::ConfigDetector>(detector->mConfig);
    // Tables of a detector: flags 0, "Configuration" 1, "Surface 0" 2.
    ASSERT_TRUE(TypeInto(1, "Resolution", "-3", true));
    EXPECT_EQ(screen->Resolution[0], 1);
    ASSERT_TRUE(TypeInto(1, "Resolution", "1000000", true));
    EXPECT_EQ(screen->Resolution[0], orvilane::EleDetector::kMaxPixelsPerSide);
    EXPECT_TRUE(simulation.mUnsaved);
}

// Renaming and the save-fields flags are stored in the simulation file, so
// they mark the setup unsaved; "Open Results" asks for the detector's window.
TEST_F(InspectorFrames, RenameAndSaveFlagsMarkUnsaved)
{
    Select(1);
    ASSERT_TRUE(Click(RowEditor(0, "Save Input Fields")));
    EXPECT_TRUE(detector->mSaveInputFields);
    EXPECT_TRUE(simulation.mUnsaved);

    Select(1);
    ASSERT_TRUE(Click(ImGuiTestFrame::ItemId(ImGuiTestFrame::FindWindow("Inspector"), {"Name"})));
    frame.Type("X", ui);
    EXPECT_NE(detector->mLabel.find('X'), std::string::npos); // inserted where the click put the cursor
    EXPECT_EQ(simulation.mSelectables[1].mListLabel, orvilaneeditor::Selectable::MakeListLabel(*detector));
    EXPECT_TRUE(simulation.mUnsaved);

    Select(1);
    ASSERT_TRUE(Click(RowEditor(0, "Enabled")));
    EXPECT_FALSE(detector->mEnabled);
    EXPECT_TRUE(simulation.mUnsaved);

    ASSERT_TRUE(Click(ImGuiTestFrame::ItemId(ImGuiTestFrame::FindWindow("Inspector"), {"Open Results"})));
    ASSERT_EQ(manager.mDetectorWindows.size(), 1u);
    EXPECT_EQ(manager.mDetectorWindows[0]->mDetectorId, detector->mId);
}

// A source without generators shows the type chooser and no groups; choosing
// "Gaussian" gives it the Gaussian generators, and the change is kept.
TEST_F(InspectorFrames, ChoosingASourceTypeGivesItsGenerators)
{
    auto fresh = std::make_shared<orvilane::Source>();
    simulation.AddComponent(fresh, false);
    Select(2);
    ImGuiWindow* window = ImGuiTestFrame::FindWindow("Inspector");
    ImVec2 at;
    EXPECT_FALSE(frame.FindItem(window, RowEditor(1, "mSamplingPoints"), ui, &at, 12.0f));

    ASSERT_TRUE(Click(ImGuiTestFrame::ItemId(window, {"Type"})));
    ASSERT_TRUE(frame.ClickLabel("##Combo_00", "Gaussian", ui));
    EXPECT_EQ(fresh->mSourceType, 1);
    EXPECT_NE(fresh->mFieldGenerator, nullptr);
    EXPECT_TRUE(simulation.mUnsaved);
    EXPECT_TRUE(frame.FindItem(window, RowEditor(1, "mSamplingPoints"), ui, &at, 12.0f));
}

// One edit traces once, though every record is updated after it, and not at all with autorun off.
TEST_F(InspectorFrames, OneEditRunsOnePreview)
{
    orvilaneeditor::test::CountingSimulation counting(&application.mSettings);
    orvilaneeditor::test::AddSourceAndDetector(counting, 3);
    inspector.SetSimulation(&counting);
    counting.SetSelected(1);
    frame.Frames(2, ui);
    for (const bool autorun : {true, false})
    {
        application.mSettings.autorun = autorun;
        counting.previews = 0;
        ASSERT_TRUE(Click(RowEditor(0, "Enabled")));
        EXPECT_EQ(counting.previews, autorun ? 1 : 0);
    }
}

// A value typed over several frames (keys typed during a slow preview come a
// frame late) writes its member at once but is one edit, traced once when its
// field is left; so is a value that validation corrects while it is typed.
// With more rays than are recorded, each trace logs one line.
TEST_F(InspectorFrames, ATypedValueIsTracedOnceWhenItsFieldIsLeft)
{
    application.mSettings.autorun = true;
    orvilaneeditor::test::CountingSimulation counting(&application.mSettings);
    const auto beam = orvilaneeditor::test::BeamSource(5e-7, 300);
    counting.AddComponent(beam, false);
    auto lens = std::make_shared<orvilane::EleIdealLens>();
    lens->SetPosition({0.0, 0.0, 0.05});
    lens->mInputId = beam->mId;
    counting.AddComponent(lens, false);
    inspector.SetSimulation(&counting);
    const double& focal = std::dynamic_pointer_cast<orvilane::ConfigIdealLens>(lens->mConfig)->mFocalDistance;
    const int& sampling = std::dynamic_pointer_cast<orvilane::ConfigSource>(beam->mConfig)->mSamplingPoints;
    const char* unrecorded = "ray paths were traced but not recorded";

    counting.SetSelected(1);
    frame.Frames(2, ui);
    counting.mUnsaved = false;
    counting.previews = 0;
    LogCapture log;
    // Tables of an ideal lens: flags 0, "Configuration" 1, "Surface 0" 2.
    ASSERT_TRUE(Click(RowEditor(1, "Focal Distance")));
    frame.Type("0", ui);
    EXPECT_EQ(focal, 0.0);
    EXPECT_TRUE(counting.mUnsaved);
    frame.Type(".25", ui);
    frame.PressKey(ImGuiKey_Enter, ui);
    frame.Frames(2, ui);
    EXPECT_EQ(focal, 0.25);
    EXPECT_EQ(counting.previews, 1);
    EXPECT_EQ(log.Count(unrecorded), 1u);

    // Leaving the field for another one applies it.
    ASSERT_TRUE(Click(RowEditor(1, "Focal Distance")));
    frame.Type("0.5", ui);
    ASSERT_TRUE(Click(RowEditor(2, "Radius")));
    EXPECT_EQ(focal, 0.5);
    EXPECT_EQ(counting.previews, 2);
    frame.PressKey(ImGuiKey_Enter, ui);

    // An even count, made odd by validation every frame it is typed.
    counting.SetSelected(0);
    frame.Frames(2, ui);
    ASSERT_TRUE(Click(RowEditor(1, "mSamplingPoints")));
    frame.Type("40", ui);
    frame.Frames(4, ui);
    frame.PressKey(ImGuiKey_Enter, ui);
    frame.Frames(2, ui);
    EXPECT_EQ(sampling, 41);
    EXPECT_EQ(counting.previews, 3);
    EXPECT_EQ(log.Count(unrecorded), 3u);

    // The thick lens's change hook moves its second surface: not while its
    // thickness is typed, and to the new thickness once the field is left.
    auto thick = std::make_shared<orvilane::EleLens>();
    counting.AddComponent(thick, false);
    counting.SetSelected(2);
    frame.Frames(2, ui);
    const auto gap = [&] { return thick->mSurfaces[1]->mWorldPosition.z - thick->mSurfaces[0]->mWorldPosition.z; };
    const double before = gap();
    // Tables of a thick lens: flags 0, "Configuration" 1, "Surface 0" 2, "Surface 1" 3.
    ASSERT_TRUE(Click(RowEditor(1, "Thickness")));
    frame.Type("2", ui);
    EXPECT_EQ(std::dynamic_pointer_cast<orvilane::ConfigLens>(thick->mConfig)->mThickness, 2.0);
    EXPECT_EQ(gap(), before);
    frame.PressKey(ImGuiKey_Enter, ui);
    EXPECT_DOUBLE_EQ(gap(), 2.0);
}

// Steps of a member kept odd go to the next odd value, not one validation would undo; others step by one.
TEST_F(InspectorFrames, StepButtonsMoveToTheNextAllowedValue)
{
    int& sampling = std::dynamic_pointer_cast<orvilane::ConfigSource>(source->mConfig)->mSamplingPoints;
    int& rays =
        std::dynamic_pointer_cast<orvilane::ConfigRayGeneratorBeam>(source->mRayGenerator->mConfig)->mNumberRaysPerSide;
    // mSamplingPoints in "General" when odd, else mNumberRaysPerSide in "Raytracing".
    const std::tuple<bool, int, const char*, int> cases[] = {
        {true, 101, "-", 99}, {true, 101, "+", 103}, {true, 3, "-", 3}, {false, 5, "-", 4}, {false, 5, "+", 6}};
    for (const auto& [odd, start, button, want] : cases)
    {
        int& member = odd ? sampling : rays;
        member = start;
        Select(0);
        const ImGuiID row = odd ? RowEditor(1, "mSamplingPoints") : RowEditor(3, "mNumberRaysPerSide");
        ASSERT_TRUE(Click(ImHashStr(button, 0, row))) << start << button;
        EXPECT_EQ(member, want) << start << button;
        EXPECT_EQ(simulation.mUnsaved, want != start) << start << button;
    }
    ASSERT_TRUE(TypeInto(1, "mSamplingPoints", "100")); // typed values keep the rule
    EXPECT_EQ(sampling, 101);
}

// "Enabled" is written only by a click on it, and never while a run's worker is not joined.
TEST_F(InspectorFrames, EnabledIsWrittenOnlyWhenToggledAndNeverDuringARun)
{
    Select(1);
    EXPECT_FALSE(simulation.mUnsaved);
    std::promise<void> finish;
    simulation.mWorker = std::make_unique<std::thread>([finished = finish.get_future().share()] { finished.wait(); });
    Select(1);
    EXPECT_FALSE(Click(RowEditor(0, "Enabled")));
    EXPECT_FALSE(simulation.mUnsaved);
    finish.set_value();
    simulation.JoinWorker();
    Select(1);
    EXPECT_TRUE(Click(RowEditor(0, "Enabled")));
    EXPECT_FALSE(detector->mEnabled);
}

// Placed first in the default window, in the editor's font, every row text and value of every kind shows whole.
TEST_F(InspectorFrames, EveryTextAndValueShowsWholeAtTheDefaultSize)
{
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2(1200.0f, 960.0f);
    ImFont* font = io.Fonts->AddFontFromFileTTF(ORVILANE_DATA_DIR "/editor/Cousine-Regular.ttf", 14.0f);
    ASSERT_NE(font, nullptr);
    io.Fonts->Build();
    orvilaneeditor::DockLayout layout;
    ui = [&] {
        ImGui::PushFont(font);
        layout.PlaceNextWindow(orvilaneeditor::DockLayout::kInspector, "Inspector");
        inspector.Show(&open);
        ImGui::PopFont();
    };
    auto width = [font](const std::string& text, float wrap = 0.0f) {
        return font->CalcTextSizeA(font->FontSize, FLT_MAX, wrap, text.c_str()).x;
    };
    const ImGuiStyle& style = ImGui::GetStyle();
    auto gaussian = std::make_shared<orvilane::Source>();
    gaussian->SetSourceType(1);
    std::vector<std::shared_ptr<orvilane::Component>> kinds{source, gaussian};
    for (const auto& entry : orvilane::ElementsFactory::Instance().mCreators)
        kinds.push_back(entry.second());
    for (const auto& kind : kinds)
    {
        SCOPED_TRACE(kind->mTypeName);
        simulation.NewSimulation();
        simulation.AddComponent(kind, false);
        Select(0);
        ImGuiWindow* window = ImGuiTestFrame::FindWindow("Inspector");
        window->StateStorage.SetInt(ImGuiTestFrame::ItemId(window, {"Transform"}), 1); // the pose rows too
        frame.Frames(3, ui);
        const ImGuiTable* table = ImGui::TableFindByID(ImGuiTestFrame::ItemId(window, {"##properties"}));
        ASSERT_NE(table, nullptr);
        const float textColumn = table->Columns[0].WidthGiven;
        const float valueColumn = table->Columns[1].WidthGiven;
        // One number of a three-number editor, as "%10.3e" prints it.
        EXPECT_LE(width("-2.000e-04"),
                  (valueColumn - style.ItemInnerSpacing.x * 2.0f) / 3.0f - style.FramePadding.x * 2.0f);
        for (const char* text : {"Enabled", "Save Input Fields", "Save Output Fields", "Position", "Rotation"})
            EXPECT_LE(width(text), textColumn) << text;

        std::vector<std::shared_ptr<orvilane::SerializableData>> records;
        if (auto s = std::dynamic_pointer_cast<orvilane::Source>(kind))
            records = {s->mConfig, s->mFieldGenerator->mConfig, s->mRayGenerator->mConfig};
        else if (auto e = std::dynamic_pointer_cast<orvilane::Element>(kind))
        {
            records.push_back(e->mConfig);
            for (const auto& surface : e->mSurfaces)
                records.push_back(surface ? surface->mConfig : nullptr);
        }
        for (const auto& record : records)
            for (const orvilane::FieldDescriptor& field : record ? record->mFields : decltype(record->mFields){})
            {
                const std::string* text = Inspector::RowText(field);
                if (text == nullptr)
                    continue;
                // Texts up to the longest flag label stay on one line, longer ones wrap in their column.
                const bool oneLine = text->size() <= sizeof("Save Output Fields") - 1;
                EXPECT_LE(width(*text, oneLine ? 0.0f : textColumn), textColumn) << *text;
                char value[64] = "";
                float room = valueColumn - style.FramePadding.x * 2.0f;
                if (field.mFieldType->mKind == orvilane::FieldKind::Double)
                    std::snprintf(value, sizeof(value), "%12.5e", *static_cast<double*>(field.mAddress));
                if (field.mFieldType->mKind == orvilane::FieldKind::Int)
                {
                    std::snprintf(value, sizeof(value), "%d", *static_cast<int*>(field.mAddress));
                    room -= (font->FontSize + style.FramePadding.y * 2.0f + style.ItemInnerSpacing.x) * 2.0f; // steps
                }
                EXPECT_LE(width(value), room) << *text << " = " << value;
            }
    }
}
