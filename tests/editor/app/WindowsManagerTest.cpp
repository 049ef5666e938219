#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <thread>

#include <imgui_internal.h>

#include "editor/platform/DataDirectory.h"
#include "editor/app/EditorWindow.h"
#include "editor/ui/DockLayout.h"
#include "editor/ui/IconAtlas.h"
#include "editor/ui/WindowPlacement.h"
#include "editor/ui/MessagePopup.h"
#include "tests/support/EditorSimulationDoubles.h"
#include "tests/support/ImGuiTestFrame.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempFolder.h"

using orvilane::test::LogCapture;

namespace orvilaneeditor::test
{
namespace
{
// The editor's frame without window or GL: the application object in
// headless form, driven in a test UI context.
class WindowsManagerTest : public ::testing::Test
{
protected:
    WindowsManagerTest() : mOldDataDirectory(DataDirectory)
    {
        DataDirectory = root.Path().string();
        window.mSettings.autorun = false;
        ui.Frame(draw);
    }
    ~WindowsManagerTest() override
    {
        Simulation().NewSimulation();
        DataDirectory = mOldDataDirectory;
    }

    EditorSimulation& Simulation() { return *window.mEditorSimulation; }
    WindowsManager& Manager() { return *window.mWindowsManager; }
    ImGuiWindow* Ribbon()
    {
        return ImGuiTestFrame::FindChild(ImGuiTestFrame::FindWindow("##RibbonMenu"), "Scrollable");
    }
    bool ClickRibbonButton(const char* label)
    {
        const void* texture = reinterpret_cast<const void*>(static_cast<intptr_t>(IconAtlas::GetTexture()));
        return ui.ClickItem(Ribbon(), ImGuiTestFrame::ItemIdWithPointer(Ribbon(), {label}, texture, "#image"), draw);
    }
    bool ClickRibbonCheckbox(const char* label)
    {
        return ui.ClickItem(Ribbon(), ImGuiTestFrame::ItemId(Ribbon(), {label}), draw);
    }
    void AddSource() { Simulation().AddComponent(BeamSource(), false); }

    orvilane::test::TempFolder root{"orvilane-manager"};
    ImGuiTestFrame ui;
    EditorWindow window{EditorWindow::Headless{}};
    std::function<void()> draw = [this] { window.mWindowsManager->BuildFrame(); };

private:
    std::string mOldDataDirectory;
};

// The text of the newest message armed or open; empty with none.
std::string NewestMessage()
{
    const std::vector<MessagePopup::Shown> stack = MessagePopup::GetStack();
    return stack.empty() ? std::string() : stack.back().text;
}
} // namespace

TEST_F(WindowsManagerTest, EveryRibbonItemTriggersItsOwnAction)
{
    struct Case
    {
        const char* label;
        bool checkbox;
        std::function<void()> before;
        std::function<bool()> done;
    };
    const Case cases[] = {
        {"New", false,
         [this] {
             AddSource();
             Simulation().mUnsaved = false;
         },
         [this] { return Simulation().mSelectables.empty(); }},
        {"Open", false, nullptr, [] { return ImGuiTestFrame::IsShown("Open File"); }},
        {"Save", false, [this] { Simulation().mSetup.mName = root / "other.xml"; },
         [this] {
             return ImGuiTestFrame::IsShown("Save File") && Manager().mFileDialog.mFileName == "New Simulation" &&
                    Manager().mFileDialog.mCurrentFolder == root.Path().string();
         }},
        {"RT run", false, [this] { AddSource(); },
         [this] { return !Simulation().mRayLines.empty() && !ImGuiTestFrame::IsShown("Simulation In Progress"); }},
        {"Autorun", true, nullptr, [this] { return window.mSettings.autorun; }},
        {"Use Random Sampling", true, nullptr, [this] { return window.mSettings.useRandomSampling; }},
        {"Win", false, nullptr, [] { return ImGui::GetCurrentContext()->OpenPopupStack.Size == 1; }},
    };
    for (const Case& c : cases)
    {
        Simulation().NewSimulation();
        window.mSettings = SimulationSettings{false, false, 100};
        if (c.before)
            c.before();
        ASSERT_TRUE(c.checkbox ? ClickRibbonCheckbox(c.label) : ClickRibbonButton(c.label)) << c.label;
        EXPECT_TRUE(c.done()) << c.label;
        // Close whatever the item opened.
        ImGui::GetCurrentContext()->OpenPopupStack.resize(0);
        Manager().mFileDialog = FileDialog();
        ui.Frame(draw);
    }
}

TEST_F(WindowsManagerTest, WindowsMenuTogglesTheVisibilityFlags)
{
    struct Case
    {
        const char* item;
        bool WindowsManager::*flag;
    };
    const Case cases[] = {
        {"Inspector", &WindowsManager::mShowInspector},
        {"Toolbox", &WindowsManager::mShowToolbox},
        {"Simulation Setup", &WindowsManager::mShowComponentList},
        {"Simulation Board", &WindowsManager::mShowBoard},
        {"3D Simulation", &WindowsManager::mShow3DView},
        {"Log", &WindowsManager::mShowLog},
    };
    for (const Case& c : cases)
    {
        for (bool expected : {false, true})
        {
            ASSERT_TRUE(ClickRibbonButton("Win"));
            char name[64];
            ImFormatString(name, sizeof(name), "##Popup_%08x",
                           ImGuiTestFrame::ItemId(Ribbon(), {"windows_settings_view"}));
            ImGuiWindow* menu = ImGuiTestFrame::FindWindow(name);
            ASSERT_TRUE(ui.ClickItem(menu, ImGuiTestFrame::ItemId(menu, {c.item}), draw)) << c.item;
            EXPECT_EQ(Manager().*c.flag, expected) << c.item;
        }
    }
}

TEST_F(WindowsManagerTest, NewAndOpenAskBeforeUnsavedChangesAreLost)
{
    AddSource();
    ASSERT_TRUE(Simulation().mUnsaved);
    ASSERT_TRUE(ClickRibbonButton("New"));
    ASSERT_TRUE(ImGuiTestFrame::IsShown("Warning"));
    ASSERT_TRUE(ui.ClickLabel("Warning", "No", draw));
    EXPECT_EQ(Simulation().mSelectables.size(), 1u);

    ASSERT_TRUE(ClickRibbonButton("Open"));
    ASSERT_TRUE(ImGuiTestFrame::IsShown("Warning"));
    EXPECT_FALSE(ImGuiTestFrame::IsShown("Open File"));
    ASSERT_TRUE(ui.ClickLabel("Warning", "Yes", draw));
    ui.Frame(draw);
    ASSERT_TRUE(ImGuiTestFrame::IsShown("Open File"));
    ASSERT_TRUE(ui.ClickLabel("Open File", "Cancel", draw));
    EXPECT_EQ(Simulation().mSelectables.size(), 1u);
    EXPECT_TRUE(Simulation().mUnsaved);

    ASSERT_TRUE(ClickRibbonButton("New"));
    ASSERT_TRUE(ui.ClickLabel("Warning", "Yes", draw));
    EXPECT_TRUE(Simulation().mSelectables.empty());
    EXPECT_FALSE(Simulation().mUnsaved);
}

TEST_F(WindowsManagerTest, OpeningTracesOnceAtTheEndOnlyWithAutorun)
{
    AddSource();
    const std::string path = root / "bench.xml";
    ASSERT_TRUE(Simulation().SaveSimulation(path.c_str()));
    for (bool autorun : {true, false})
    {
        window.mSettings.autorun = autorun;
        ASSERT_TRUE(ClickRibbonButton("Open"));
        ImGuiWindow* dialog = ImGuiTestFrame::FindWindow("Open File");
        ASSERT_TRUE(ui.ClickItem(dialog, ImGuiTestFrame::ItemId(dialog, {"Filename"}), draw));
        ui.Type("bench", draw);
        ASSERT_TRUE(ui.ClickLabel("Open File", "Open", draw));
        EXPECT_EQ(Simulation().mSetup.mName, path);
        EXPECT_EQ(Simulation().mSelectables.size(), 1u);
        EXPECT_EQ(window.mSettings.autorun, autorun);
        EXPECT_EQ(Simulation().mRayLines.size(), autorun ? 1u : 0u);
        EXPECT_EQ(EditorWindow::MakeTitle(Simulation()), "Orvilane - " + path);
    }
}

TEST_F(WindowsManagerTest, FailedSaveKeepsTheSetupUnsavedAndSaysSo)
{
    const std::string gone = root.MakeFolder("gone");
    Simulation().mSetup.mName = gone + "/bench.xml";
    AddSource();
    ASSERT_TRUE(ClickRibbonButton("Save"));
    std::filesystem::remove_all(gone); // the folder disappears while the dialog is open
    LogCapture log;
    ASSERT_TRUE(ui.ClickLabel("Save File", "Save", draw));
    ui.Frame(draw);
    EXPECT_TRUE(ImGuiTestFrame::IsShown("Error"));
    EXPECT_TRUE(Simulation().mUnsaved);
    EXPECT_EQ(Simulation().mSetup.mName, gone + "/bench.xml");
    EXPECT_EQ(EditorWindow::MakeTitle(Simulation()), "Orvilane - " + gone + "/bench.xml [UNSAVED]");
    EXPECT_EQ(NewestMessage(), "The simulation could not be saved in " + gone + "/New Simulation.xml (see the log).");
    ASSERT_TRUE(ui.ClickLabel("Error", "Ok", draw));
}

// A side file that cannot be written fails the save: the error shows and the
// setup is unsaved, also when it was clean, just loaded, before; closing asks.
TEST_F(WindowsManagerTest, SideFileThatCannotBeWrittenLeavesTheSetupUnsaved)
{
    const std::string loaded = root / "loaded.xml";
    const std::string path = root / "bench.xml";
    root.MakeFolder("bench.xml.aux"); // a folder holds the side file's name
    AddSource();
    ASSERT_TRUE(Simulation().SaveSimulation(loaded.c_str(), [this] { return Manager().mSimulationBoard.Save(); }));
    ASSERT_TRUE(Simulation().LoadSimulation(loaded.c_str()));
    ASSERT_FALSE(Simulation().mUnsaved);
    ASSERT_TRUE(ClickRibbonButton("Save"));
    Manager().mFileDialog.mFileName = path;
    ASSERT_TRUE(ui.ClickLabel("Save File", "Save", draw));
    ui.Frame(draw);
    EXPECT_EQ(NewestMessage(), "The board side file could not be saved in " + path + ".aux (see the log).");
    EXPECT_EQ(EditorWindow::MakeTitle(Simulation()), "Orvilane - " + path + " [UNSAVED]");
    ASSERT_TRUE(ui.ClickLabel("Error", "Ok", draw));
    window.RequestClose();
    ui.Frame(draw);
    EXPECT_TRUE(ImGuiTestFrame::IsShown("Warning") && !window.IsExitRequested());
    ASSERT_TRUE(ui.ClickLabel("Warning", "No", draw));
}

// Closing twice while the question is up asks once, and one "No" answers it;
// a message that differs still stacks over the question.
TEST_F(WindowsManagerTest, SecondCloseRequestAddsNoSecondQuestion)
{
    AddSource();
    window.RequestClose();
    ui.Frame(draw);
    window.RequestClose();
    MessagePopup::Show(MessagePopup::kWarning, NewestMessage().c_str(), nullptr); // same text, other kind
    ui.Frames(2, draw);
    ASSERT_EQ(MessagePopup::GetStack().size(), 2u);
    ASSERT_TRUE(ui.ClickLabel("Warning##1", "Ok", draw));
    ui.Frames(2, draw);
    ASSERT_TRUE(ui.ClickLabel("Warning", "No", draw));
    ui.Frames(2, draw);
    EXPECT_FALSE(MessagePopup::IsOpen() || ImGuiTestFrame::IsShown("Warning") || window.IsExitRequested());
    EXPECT_TRUE(Simulation().mUnsaved);
}

// The six windows (by title prefix) take their tiled corners for a new display size.
TEST_F(WindowsManagerTest, TiledWindowsFollowTheMainWindowsSize)
{
    const char* const names[] = {"List of Elements", "Toolbox",          "3D Visualziation",
                                 "Inspector",        "Simulation Board", "Log"};
    ImGui::GetIO().DisplaySize = ImVec2(1280, 800);
    ui.Frames(3, draw);
    for (int slot = 0; slot < DockLayout::kSlotCount; ++slot)
    {
        const ImGuiWindow* w = ImGuiTestFrame::FindWindow(names[slot]);
        ASSERT_NE(w, nullptr) << names[slot];
        const auto want = DockLayout::Place(DockLayout::Slot(slot), ImVec2(1280, 800), WindowsManager::kRibbonHeight);
        const float bottom = slot == DockLayout::kToolbox ? 0.0f : w->Pos.y + w->SizeFull.y - want.pos.y - want.size.y;
        EXPECT_TRUE(std::fabs(w->Pos.x - want.pos.x) <= 1.0f && std::fabs(w->Pos.y - want.pos.y) <= 1.0f &&
                    std::fabs(bottom) <= 1.0f)
            << names[slot];
    }
}

// "Results" cascades from the last window still open, at the size that shows a plot.
TEST_F(WindowsManagerTest, ResultWindowsCascadeBelowTheRibbon)
{
    auto corner = [this](size_t k) {
        const std::string title =
            "New Detector Window###" + std::to_string(Manager().mDetectorWindows[k]->mWindowNumber);
        const ImGuiWindow* w = ImGuiTestFrame::FindWindow(title.c_str());
        EXPECT_EQ(w->SizeFull.x, DetectorWindow::FirstSize().x);
        return w->Pos;
    };
    for (int k = 0; k < 3; ++k)
        ASSERT_TRUE(ClickRibbonButton("Results"));
    Manager().mDetectorWindows[2]->mOpen = false; // the next one follows the second
    ui.Frame(draw);
    ASSERT_TRUE(ClickRibbonButton("Results"));
    ASSERT_EQ(Manager().mDetectorWindows.size(), 3u);
    EXPECT_GE(corner(0).y, WindowsManager::kRibbonHeight);
    for (size_t k = 1; k < 3; ++k)
        EXPECT_TRUE(corner(k).x == corner(k - 1).x + kCascadeStep && corner(k).y == corner(k - 1).y + kCascadeStep);
}

TEST_F(WindowsManagerTest, FailedOpenLeavesAnEmptySetupThatClosesAtOnce)
{
    AddSource();
    ASSERT_TRUE(Simulation().SaveSimulation((root / "bench.xml").c_str()));
    root.Write("broken.xml", "<Talvo version=\"0\"><Source");
    ASSERT_TRUE(ClickRibbonButton("Open"));
    Manager().mFileDialog.mFileName = "broken";
    ASSERT_TRUE(ui.ClickLabel("Open File", "Open", draw));
    ui.Frame(draw);
    ASSERT_TRUE(ImGuiTestFrame::IsShown("Error"));
    EXPECT_EQ(NewestMessage(), "The simulation could not be opened from " + (root / "broken.xml") + " (see the log).");
    EXPECT_TRUE(Simulation().mSelectables.empty());
    EXPECT_EQ(EditorWindow::MakeTitle(Simulation()), "Orvilane - New Simulation");
    ASSERT_TRUE(ui.ClickLabel("Error", "Ok", draw));
    window.RequestClose(); // nothing unsaved: no question
    EXPECT_TRUE(window.IsExitRequested());
}

namespace
{
class WindowsManagerThreaded : public WindowsManagerTest
{
protected:
    WindowsManagerThreaded()
    {
        window.mEditorSimulation = std::make_unique<GatedSimulation>(&window.mSettings);
        AddSource();
    }
    GatedSimulation& Gated() { return static_cast<GatedSimulation&>(Simulation()); }
    // Starts the run from the ribbon and finds the modal's Abort button.
    ImVec2 StartAndFindAbort(const char* button)
    {
        if (std::string(button) == "RT run")
            window.mSettings.useRandomSampling = true;
        EXPECT_TRUE(ClickRibbonButton(button));
        EXPECT_TRUE(ImGuiTestFrame::IsShown("Simulation In Progress"));
        ImGuiWindow* modal = ImGuiTestFrame::FindWindow("Simulation In Progress");
        ImVec2 abort(-1.0f, -1.0f);
        EXPECT_TRUE(ui.FindItem(modal, ImGuiTestFrame::ItemId(modal, {"Abort"}), draw, &abort));
        return abort;
    }
};
} // namespace

TEST_F(WindowsManagerThreaded, ModalStaysUntilTheRunFinishesThenJoins)
{
    for (const char* button : {"EM run", "RT run"})
    {
        StartAndFindAbort(button);
        LogCapture log;
        ui.Frames(3, draw);
        EXPECT_TRUE(ImGuiTestFrame::IsShown("Simulation In Progress"));
        Gated().OpenGateAndWait();
        ui.Frames(2, draw);
        EXPECT_FALSE(ImGuiTestFrame::IsShown("Simulation In Progress")) << button;
        EXPECT_FALSE(Simulation().mWorker->joinable()) << button;
        EXPECT_EQ(log.Count("Simulation Completed ("), 1u) << button;
        Gated().gate = false;
    }
    EXPECT_EQ(Simulation().GetEmRunCounter(), 1u);
}

TEST_F(WindowsManagerThreaded, AbortStopsAndJoins)
{
    const ImVec2 abort = StartAndFindAbort("EM run");
    LogCapture log;
    ui.Click(abort, draw);
    Gated().OpenGateAndWait();
    ui.Frames(2, draw);
    EXPECT_FALSE(ImGuiTestFrame::IsShown("Simulation In Progress"));
    EXPECT_FALSE(Simulation().mWorker->joinable());
    EXPECT_EQ(log.Count("Simulation Aborted ("), 1u);
    EXPECT_EQ(log.Count("Simulation Completed ("), 0u);
}

TEST_F(WindowsManagerThreaded, AbortInTheFrameTheRunIsSeenFinishedJoinsOnce)
{
    const ImVec2 abort = StartAndFindAbort("EM run");
    LogCapture log;
    ui.MoveMouse(abort);
    ui.Frame(draw);
    ImGui::GetIO().MouseDown[0] = true;
    ui.Frame(draw);
    Gated().OpenGateAndWait();
    ImGui::GetIO().MouseDown[0] = false; // Abort is pressed in the frame that sees the run finished
    EXPECT_NO_THROW(ui.Frames(2, draw));
    EXPECT_FALSE(ImGuiTestFrame::IsShown("Simulation In Progress"));
    EXPECT_EQ(log.Count("Simulation Completed ("), 1u);
    EXPECT_EQ(log.Count("Simulation Aborted ("), 0u);
}

TEST_F(WindowsManagerThreaded, RunThatCannotStartShowsAnError)
{
    window.mEditorSimulation = std::make_unique<NoThreadSimulation>(&window.mSettings);
    EXPECT_NO_THROW(ClickRibbonButton("EM run"));
    ui.Frame(draw);
    EXPECT_TRUE(ImGuiTestFrame::IsShown("Error"));
    EXPECT_FALSE(ImGuiTestFrame::IsShown("Simulation In Progress"));
    ASSERT_TRUE(ui.ClickLabel("Error", "Ok", draw));
}

TEST_F(WindowsManagerThreaded, AbortWaitsForTheWorkerWithoutBlocking)
{
    Gated().abortOpensGate = false; // the kernel is inside a long step
    const ImVec2 abort = StartAndFindAbort("EM run");
    LogCapture log;
    ui.Click(abort, draw);
    ui.Frames(3, draw);
    EXPECT_TRUE(ImGuiTestFrame::IsShown("Simulation In Progress"));
    EXPECT_TRUE(Manager().mAborting);
    EXPECT_EQ(log.Count("Simulation Aborted ("), 0u);
    Gated().OpenGateAndWait();
    ui.Frames(2, draw);
    EXPECT_FALSE(ImGuiTestFrame::IsShown("Simulation In Progress"));
    EXPECT_FALSE(Manager().mAborting);
    EXPECT_EQ(log.Count("Simulation Aborted ("), 1u);
}

// A tilted detector ends the field run on an error; a source of wavelength 0 is skipped with one.
TEST_F(WindowsManagerThreaded, RunEndedByAnErrorIsNotReportedCompleted)
{
    const struct
    {
        double tilt, wavelength;
        const char *line, *text;
    } cases[] = {
        {5.0, 5e-7, "ERROR: Simulation Stopped on an Error (", "The simulation stopped on an error (see the log)."},
        {0.0, 0.0, "ERROR: Simulation Completed with errors (", "The simulation completed with errors (see the log)."}};
    for (const auto& c : cases)
    {
        Simulation().NewSimulation();
        Simulation().AddComponent(BeamSource(c.wavelength), false);
        auto detector = std::make_shared<orvilane::EleDetector>();
        detector->SetPosition({0.0, 0.0, 0.01});
        detector->SetRotation({0.0, c.tilt, 0.0});
        detector->mInputId = Simulation().mSetup.mSources[0]->mId;
        Simulation().AddComponent(detector, false);
        StartAndFindAbort("EM run");
        LogCapture log;
        Gated().OpenGateAndWait();
        ui.Frames(2, draw);
        EXPECT_EQ(log.Count(c.line), 1u);
        EXPECT_EQ(log.Count("Simulation Completed ("), 0u);
        ASSERT_TRUE(ImGuiTestFrame::IsShown("Error"));
        EXPECT_EQ(NewestMessage(), c.text);
        ASSERT_TRUE(ui.ClickLabel("Error", "Ok", draw));
        Gated().gate = false;
    }
}

// Unsaved changes: closing asks first; the modal of a run that ends meanwhile waits for the answer.
TEST_F(WindowsManagerThreaded, ClosingAsksFirstAndTheModalWaitsForTheAnswer)
{
    StartAndFindAbort("EM run");
    LogCapture log;
    window.RequestClose();
    ui.Frame(draw);
    ASSERT_TRUE(ImGuiTestFrame::IsShown("Warning"));
    ASSERT_EQ(MessagePopup::GetStack().size(), 1u);
    EXPECT_EQ(MessagePopup::GetStack()[0].type, MessagePopup::kQuestion);
    Gated().OpenGateAndWait(); // the run ends while the question is open
    ui.Frames(2, draw);
    EXPECT_TRUE(ImGuiTestFrame::IsShown("Simulation In Progress"));
    ASSERT_TRUE(ui.ClickLabel("Warning", "No", draw));
    ui.Frame(draw);
    EXPECT_FALSE(window.IsExitRequested());
    EXPECT_FALSE(ImGuiTestFrame::IsShown("Simulation In Progress"));
    EXPECT_EQ(log.Count("Simulation Completed ("), 1u);
    EXPECT_EQ(Simulation().mSelectables.size(), 1u);
    EXPECT_EQ(EditorWindow::MakeTitle(Simulation()), "Orvilane - New Simulation [UNSAVED]");
    window.RequestClose();
    ui.Frame(draw);
    ASSERT_TRUE(ui.ClickLabel("Warning", "Yes", draw));
    EXPECT_TRUE(window.IsExitRequested());
}
} // namespace orvilaneeditor::test

namespace orvilaneeditor::test
{
// Closing with unsaved changes over each kind of modal: the question opens
// over it, both are centred again when the display changes, and after No
// that modal is there as it was.
TEST_F(WindowsManagerThreaded, QuestionStacksOverAnyModalWhichStaysAsItWas)
{
    struct Case
    {
        const char* modal;
        const char* question; // a second message has a window name of its own
        std::function<void()> open;
        std::function<bool()> asItWas;
        std::function<void()> close;
    };
    const Case cases[] = {
        {"Save File", "Warning", [this] { ClickRibbonButton("Save"), Manager().mFileDialog.mFileName = "kept"; },
         [this] { return Manager().mFileDialog.mFileName == "kept"; },
         [this] { ui.ClickLabel("Save File", "Cancel", draw); }},
        {"Simulation In Progress", "Warning", [this] { StartAndFindAbort("EM run"); },
         [this] { return Simulation().IsWorkerRunning() && !Manager().mAborting; },
         [this] { Gated().OpenGateAndWait(), ui.Frames(2, draw), Gated().gate = false; }},
        {"Error", "Warning##1", [] { MessagePopup::Show(MessagePopup::kError, "first", nullptr); },
         [] { return MessagePopup::IsOpen(); }, [this] { ui.ClickLabel("Error", "Ok", draw); }},
    };
    const ImVector<ImGuiPopupData>& popups = ImGui::GetCurrentContext()->OpenPopupStack;
    for (const Case& c : cases)
    {
        c.open();
        ui.Frames(2, draw);
        window.RequestClose();
        ui.Frames(2, draw);
        ASSERT_EQ(popups.Size, 2) << c.modal;
        EXPECT_STREQ(popups[0].Window->Name, c.modal);
        EXPECT_STREQ(popups[1].Window->Name, c.question);
        const ImVec2 display(ImGui::GetIO().DisplaySize.x - 200, ImGui::GetIO().DisplaySize.y - 100);
        ImGui::GetIO().DisplaySize = display;
        ui.Frames(2, draw);
        for (const ImGuiWindow* w : {popups[0].Window, popups[1].Window})
            EXPECT_TRUE(std::fabs(w->Pos.x + w->Size.x / 2 - display.x / 2) <= 1.0f &&
                        std::fabs(w->Pos.y + w->Size.y / 2 - display.y / 2) <= 1.0f)
                << w->Name;
        ASSERT_TRUE(ui.ClickLabel(c.question, "No", draw)) << c.modal;
        ui.Frames(2, draw);
        EXPECT_FALSE(ImGuiTestFrame::IsShown(c.question) || window.IsExitRequested()) << c.modal;
        EXPECT_TRUE(ImGuiTestFrame::IsShown(c.modal) && c.asItWas()) << c.modal;
        c.close();
        ui.Frames(2, draw);
        EXPECT_EQ(popups.Size, 0) << c.modal;
    }
}
} // namespace orvilaneeditor::test
