#include "editor/app/WindowsManager.h"

#include <algorithm>
#include <cstdint>

#include <imgui.h>
#include <backends/imgui_impl_glfw.h>
#include <backends/imgui_impl_opengl3.h>

#include "core/base/Log.h"
#include "editor/platform/DataDirectory.h"
#include "editor/app/EditorWindow.h"
#include "editor/platform/FileSystem.h"
#include "editor/runner/EditorSimulation.h"
#include "editor/ui/DockLayout.h"
#include "editor/ui/IconAtlas.h"
#include "editor/ui/IconButton.h"
#include "editor/ui/MessagePopup.h"
#include "editor/ui/WindowPlacement.h"

namespace orvilaneeditor
{

namespace
{
constexpr const char* kProgressPopup = "Simulation In Progress";
constexpr const char* kWindowsMenu = "windows_settings_view";
constexpr const char* kLoseChangesQuestion =
    "There are changes that have not been saved and will be lost. Do you want to continue?";
constexpr ImGuiWindowFlags kRibbonFlags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize |
                                          ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoScrollbar |
                                          ImGuiWindowFlags_NoCollapse;

void Tooltip(const char* text)
{
    if (ImGui::IsItemHovered())
    {
        ImGui::BeginTooltip();
        ImGui::TextUnformatted(text);
        ImGui::EndTooltip();
    }
}

constexpr float kRibbonIconSize = 36.0f;

bool IconButton(const char* label, int icon, const char* tooltip)
{
    return orvilaneeditor::IconButton(label, icon, tooltip, kRibbonIconSize);
}

// A visible window at its slot of the tiled layout; name is the title it begins with.
template <typename Window>
void ShowPlaced(DockLayout& layout, Window& window, bool* visible, DockLayout::Slot slot, const char* name,
                bool disabled = false)
{
    if (!*visible)
        return;
    layout.PlaceNextWindow(slot, name);
    ImGui::BeginDisabled(disabled);
    window.Show(visible);
    ImGui::EndDisabled();
}

// A thin vertical bar between groups of the ribbon.
void GroupSeparator(const char* id, bool sameLineBefore)
{
    if (sameLineBefore)
        ImGui::SameLine();
    ImGui::BeginChild(id, ImVec2(1.0f, 42.0f), true, 0);
    ImGui::Separator();
    ImGui::EndChild();
    ImGui::SameLine();
}
} // namespace

WindowsManager::WindowsManager(EditorWindow* owner) : mEditorWindow(owner)
{
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    mContextOwned = true;
    ImGui_ImplGlfw_InitForOpenGL(owner->mWindow, true);
    ImGui_ImplOpenGL3_Init("#version 130");
    mBackendsReady = true;
    ImGui::StyleColorsLight();
    RegisterLogListener(); // first: what the font load says reaches the log window
    LoadFonts();
    mVisualization3D.Init();
}

WindowsManager::WindowsManager(EditorWindow* owner, Headless) : mEditorWindow(owner)
{
    RegisterLogListener();
}

void WindowsManager::RegisterLogListener()
{
    mLogTarget = std::make_shared<std::atomic<LogWindow*>>(&mLogWindow);
    orvilane::Log::AddListener([target = mLogTarget](const std::string& line) {
        if (LogWindow* window = target->load())
            window->AddLog(line);
    });
}

void WindowsManager::BindWindows()
{
    EditorSimulation* simulation = mEditorWindow != nullptr ? mEditorWindow->mEditorSimulation.get() : nullptr;
    mVisualization3D.SetSimulation(simulation);
    mComponentList.SetSimulation(simulation);
    mToolbox.SetSimulation(simulation);
    mInspector.SetSimulation(simulation);
    mSimulationBoard.SetSimulation(simulation);
}

WindowsManager::~WindowsManager()
{
    Shutdown();
}

void WindowsManager::Shutdown()
{
    // The windows release their GL objects first (the result windows' heatmap
    // textures, the 3D view's framebuffer).
    mDetectorWindows.clear();
    mVisualization3D.Release();
    if (mLogTarget)
        mLogTarget->store(nullptr);
    if (mBackendsReady)
    {
        ImGui_ImplOpenGL3_Shutdown();
        ImGui_ImplGlfw_Shutdown();
        mBackendsReady = false;
    }
    if (mContextOwned)
    {
        ImGui::DestroyContext();
        mContextOwned = false;
    }
}

void WindowsManager::LoadFonts()
{
    ImGuiIO& io = ImGui::GetIO();
    const std::string path = DataDirectory.empty() ? std::string() : DataDirectory + "/editor/Cousine-Regular.ttf";
    // A missing file would stop the font atlas on an assertion: look first.
    if (path.empty())
        io.Fonts->AddFontDefault(); // the missing data folder is logged once, at start-up
    else if (FileSystem::IsRegularFile(path))
        io.Fonts->AddFontFromFileTTF(path.c_str(), 14.0f);
    else
    {
        orvilane::Log::Warning("Font %s not found: the built-in font is used", path.c_str());
        io.Fonts->AddFontDefault();
    }
    ImGuiStyle& style = ImGui::GetStyle();
    style.WindowRounding = 4.0f;
    style.FrameRounding = 3.0f;
    style.FrameBorderSize = 1.0f;
    style.GrabRounding = 4.0f;
}

void WindowsManager::RenderScene()
{
    BindWindows();
    mVisualization3D.Render();
}

void WindowsManager::Show()
{
    if (!mBackendsReady)
        return;
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplGlfw_NewFrame();
    ImGui::NewFrame();
    BuildFrame();
    ImGui::Render();
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
}

void WindowsManager::BuildFrame()
{
    if (mEditorWindow == nullptr || !mEditorWindow->mEditorSimulation)
        return;
    BindWindows();
    ShowUpperBar();
    ShowDockHost();
    ShowWindows();
    ShowDetectorWindows();
    mFileDialog.Draw();
    ShowSimulationProgress();
    MessagePopup::Draw();
}

EditorSimulation& WindowsManager::Simulation()
{
    return *mEditorWindow->mEditorSimulation;
}

SimulationSettings& WindowsManager::Settings()
{
    return mEditorWindow->mSettings;
}

void WindowsManager::ShowDockHost()
{
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    ImGui::SetNextWindowPos(ImVec2(0.0f, kRibbonHeight));
    ImGui::SetNextWindowSize(ImVec2(display.x, display.y - kRibbonHeight));
    ImGui::Begin("DockSpace", nullptr,
                 ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
                     ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoFocusOnAppearing |
                     ImGuiWindowFlags_NoBringToFrontOnFocus);
    ImGui::End();
}

void WindowsManager::ShowWindows()
{
    // Each visible window, given its flag, in this order, each placed first at
    // its slot of the tiled layout. The editing windows are disabled while a
    // worker is not joined (the runner refuses their changes then); the 3D
    // view and the log stay live on what they last showed.
    const bool running = Simulation().IsRunInProgress();
    ShowPlaced(mLayout, mInspector, &mShowInspector, DockLayout::kInspector, "Inspector", running);
    ShowPlaced(mLayout, mToolbox, &mShowToolbox, DockLayout::kToolbox, "Toolbox", running);
    ShowPlaced(mLayout, mComponentList, &mShowComponentList, DockLayout::kComponentList, "List of Elements", running);
    ShowPlaced(mLayout, mVisualization3D, &mShow3DView, DockLayout::kView3D, "3D Visualziation");
    ShowPlaced(mLayout, mLogWindow, &mShowLog, DockLayout::kLog, "Log");
    ShowPlaced(mLayout, mSimulationBoard, &mShowBoard, DockLayout::kBoard, "Simulation Board", running);
}

void WindowsManager::ShowUpperBar()
{
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    SimulationSettings& settings = Settings();
    ImGui::Begin("##RibbonMenu", nullptr, kRibbonFlags);
    ImGui::SetWindowPos(ImVec2(0.0f, 0.0f));
    ImGui::SetWindowSize(ImVec2(display.x, kRibbonHeight));
    ImGui::BeginChild("Scrollable", ImVec2(0.0f, 0.0f), true, ImGuiWindowFlags_HorizontalScrollbar);

    if (IconButton("New", 0, "New Simulation"))
        OnNew();
    ImGui::SameLine();
    if (IconButton("Open", 2, "Open Simulation"))
        OnOpen();
    ImGui::SameLine();
    ImGui::SetCursorPosX(ImGui::GetCursorPosX() + 5.0f);
    if (IconButton("Save", 1, "Save Simulation"))
        OnSave();
    GroupSeparator("##VS1", true);

    if (IconButton("RT run", 4, "Run Raytracing simulation"))
        OnRaytracingRun();
    ImGui::SameLine();
    const ImVec2 checkboxes = ImGui::GetCursorPos();
    ImGui::Checkbox("Autorun", &settings.autorun);
    Tooltip("Enable auto run Raytrace simulation for visualisation");
    ImGui::SetCursorPos(ImVec2(checkboxes.x, checkboxes.y + 20.0f));
    ImGui::Checkbox("Use Random Sampling", &settings.useRandomSampling);
    Tooltip("Use random sampling for RT.");
    ImGui::SetCursorPos(ImVec2(checkboxes.x + 200.0f, checkboxes.y));
    GroupSeparator("##VS2", false);

    if (IconButton("EM run", 3, "Run Electromagnetic simulation"))
        OnElectromagneticRun();
    GroupSeparator("##VS3", true);

    if (IconButton("Win", 5, "Show/Hide Windows"))
        ImGui::OpenPopup(kWindowsMenu);
    ImGui::SameLine();
    if (IconButton("Results", 6, "Open new results window"))
        OpenDetectorWindow(0);

    if (ImGui::BeginPopup(kWindowsMenu))
    {
        ImGui::MenuItem("Inspector", nullptr, &mShowInspector);
        ImGui::MenuItem("Toolbox", nullptr, &mShowToolbox);
        ImGui::MenuItem("Simulation Setup", nullptr, &mShowComponentList);
        ImGui::MenuItem("Simulation Board", nullptr, &mShowBoard);
        ImGui::MenuItem("3D Simulation", nullptr, &mShow3DView);
        ImGui::Separator();
        ImGui::MenuItem("Log", nullptr, &mShowLog);
        ImGui::EndPopup();
    }
    ImGui::EndChild();
    ImGui::End();
}

void WindowsManager::ShowSimulationProgress()
{
    if (mProgressRequested)
    {
        ImGui::OpenPopup(kProgressPopup);
        mProgressRequested = false;
        mAborting = false;
    }
    DockLayout::CentreNextWindow(kProgressPopup);
    // Taking the focus from a message shown over the modal would close that message.
    if (!MessagePopup::IsOpen())
        ImGui::SetNextWindowFocus();
    if (!ImGui::BeginPopupModal(kProgressPopup, nullptr,
                                ImGuiWindowFlags_NoResize | ImGuiWindowFlags_AlwaysAutoResize |
                                    ImGuiWindowFlags_NoSavedSettings))
        return;

    EditorSimulation& simulation = Simulation();
    ImGui::TextUnformatted(mAborting ? "Aborting ..." : "Running ...");
    ImGui::ProgressBar(simulation.GetProgress(), ImVec2(300.0f, 20.0f));
    // Ended once the worker body has returned, whether or not the kernel made
    // its final progress call (a refused run makes none). A question asked
    // during the run is answered before the modal (its parent) closes.
    const bool ended = !simulation.IsWorkerRunning() && !MessagePopup::IsOpen();
    if (ended)
    {
        simulation.JoinWorker(); // the body has returned: no wait
        ImGui::CloseCurrentPopup();
        ReportRunEnd();
    }
    // Pressed in the frame the run was seen ended, Abort has nothing left to stop.
    ImGui::BeginDisabled(mAborting);
    if (ImGui::Button("Abort") && !ended && !mAborting)
    {
        simulation.AbortSimulation(); // the kernels stop at their next check
        mAborting = true;
    }
    ImGui::EndDisabled();
    MessagePopup::Draw();
    ImGui::EndPopup();
}

void WindowsManager::ReportRunEnd()
{
    EditorSimulation& simulation = Simulation();
    const float seconds = simulation.GetElapsedSeconds();
    const orvilane::RunStatus status = simulation.GetRunStatus();
    if (mAborting)
        orvilane::Log::Info(0, "Simulation Aborted (%.1f s)", seconds);
    else if (status == orvilane::RunStatus::Failed)
    {
        orvilane::Log::Error("Simulation Stopped on an Error (%.1f s)", seconds);
        MessagePopup::Show(MessagePopup::kError, "The simulation stopped on an error (see the log).", nullptr);
    }
    else if (status == orvilane::RunStatus::CompletedWithErrors)
    {
        orvilane::Log::Error("Simulation Completed with errors (%.1f s)", seconds);
        MessagePopup::Show(MessagePopup::kError, "The simulation completed with errors (see the log).", nullptr);
    }
    else
        orvilane::Log::Info(0, "Simulation Completed (%.1f s)", seconds);
    mAborting = false;
}

void WindowsManager::AskToClose()
{
    AfterLossAccepted([this] {
        if (mEditorWindow != nullptr)
            mEditorWindow->Exit();
    });
}

void WindowsManager::AfterLossAccepted(std::function<void()> action)
{
    if (!Simulation().mUnsaved)
    {
        action();
        return;
    }
    MessagePopup::Show(MessagePopup::kQuestion, kLoseChangesQuestion, [action](bool yes) {
        if (yes)
            action();
    });
}

void WindowsManager::OnNew()
{
    AfterLossAccepted([this] { Simulation().NewSimulation(); });
}

void WindowsManager::OnOpen()
{
    AfterLossAccepted([this] {
        mFileDialog.OpenFile(Simulation().FilePath(),
                             [this](bool accepted, const std::string& path) { OnOpenAccepted(accepted, path); });
    });
}

void WindowsManager::OnSave()
{
    mFileDialog.SaveFile(Simulation().FilePath(), "New Simulation",
                         [this](bool accepted, const std::string& path) { OnSaveAccepted(accepted, path); });
}

void WindowsManager::OnOpenAccepted(bool accepted, const std::string& path)
{
    if (!accepted)
        return;
    // The load traces the new setup once (with autorun on), not once per component.
    if (Simulation().LoadSimulation(path.c_str()))
    {
        mSimulationBoard.Load();
        return;
    }
    const std::string text = "The simulation could not be opened from " + path + " (see the log).";
    MessagePopup::Show(MessagePopup::kError, text.c_str(), nullptr);
}

void WindowsManager::OnSaveAccepted(bool accepted, const std::string& path)
{
    if (!accepted)
        return;
    // The board's side file is part of the save: without it the setup stays unsaved.
    bool sideFileSaved = true;
    if (Simulation().SaveSimulation(path.c_str(),
                                    [this, &sideFileSaved] { return sideFileSaved = mSimulationBoard.Save(); }))
        return;
    const std::string text =
        (sideFileSaved ? "The simulation could not be saved in " + path
                       : "The board side file could not be saved in " + SimulationBoard::SideFilePath(path)) +
        " (see the log).";
    MessagePopup::Show(MessagePopup::kError, text.c_str(), nullptr);
}

void WindowsManager::OnRaytracingRun()
{
    Simulation().UpdateRaytracingPreview();
    if (Settings().useRandomSampling)
        AfterStart(Simulation().RunRaytracingFullSimulation());
}

void WindowsManager::OnElectromagneticRun()
{
    AfterStart(Simulation().RunElectromagneticSimulation());
}

void WindowsManager::AfterStart(bool started)
{
    if (started)
        OpenSimulationProgress();
    else
        ReportStartFailure();
}

void WindowsManager::OpenDetectorWindow(uint32_t detectorId)
{
    mDetectorWindows.push_back(std::make_unique<DetectorWindow>(&Simulation(), detectorId));
}

void WindowsManager::ShowDetectorWindows()
{
    // A new window opens cascaded from the last one still open, which was
    // shown just before it and so knows where it is.
    const DetectorWindow* previous = nullptr;
    for (const std::unique_ptr<DetectorWindow>& window : mDetectorWindows)
    {
        if (!window->Placed())
        {
            const ImVec2 last = previous != nullptr ? previous->Position() : ImVec2();
            window->PlaceAt(CascadePosition(previous != nullptr ? &last : nullptr, DetectorWindow::FirstSize(),
                                            ImGui::GetIO().DisplaySize, kRibbonHeight));
        }
        mLayout.KeepNextWindow(window->Title());
        window->Show();
        if (window->mOpen)
            previous = window.get();
    }
    mDetectorWindows.erase(std::remove_if(mDetectorWindows.begin(), mDetectorWindows.end(),
                                          [](const std::unique_ptr<DetectorWindow>& w) { return !w->mOpen; }),
                           mDetectorWindows.end());
}

void WindowsManager::ReportStartFailure()
{
    MessagePopup::Show(MessagePopup::kError, "The simulation could not be started (see the log).", nullptr);
}

} // namespace orvilaneeditor
