#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/ui/DockLayout.h"
#include "editor/ui/FileDialog.h"
#include "editor/windows/ComponentList.h"
#include "editor/windows/DetectorWindow.h"
#include "editor/windows/ComponentEditor.h"
#include "editor/windows/LogWindow.h"
#include "editor/windows/SimulationBoard.h"
#include "editor/windows/Toolbox.h"
#include "editor/windows/Visualization3D.h"

namespace orvilaneeditor
{

class EditorSimulation;
class EditorWindow;
struct SimulationSettings;

// The user-interface root: the UI context and its two backends, style and
// font, the editor's windows, and one frame of UI each Show: ribbon, dock
// host, visible windows, file dialog, progress modal and message popup.
// Created by the application window once its GL entry points are loaded.
class WindowsManager
{
public:
    static constexpr float kRibbonHeight = DockLayout::kRibbonHeight;

    // Creates the UI context, the GLFW and OpenGL 3 backends, style and font.
    explicit WindowsManager(EditorWindow* owner);
    // Without context and backends: the caller provides a current UI context
    // and drives BuildFrame itself (headless tests).
    struct Headless
    {
    };
    WindowsManager(EditorWindow* owner, Headless);
    ~WindowsManager();
    WindowsManager(const WindowsManager&) = delete;
    WindowsManager& operator=(const WindowsManager&) = delete;

    // The 3D view's off-screen pass, before Show.
    void RenderScene();
    // Builds and renders one UI frame into the bound framebuffer.
    void Show();
    // The frame's UI between NewFrame and Render.
    void BuildFrame();
    // The next frame opens the "Simulation In Progress" modal.
    void OpenSimulationProgress() { mProgressRequested = true; }
    // Asks whether the unsaved changes may be lost; Yes ends the program
    // (EditorWindow::Exit), No leaves everything as it was.
    void AskToClose();
    // Appends a result window showing that component (0: none chosen yet).
    void OpenDetectorWindow(uint32_t detectorId);
    // Shows every result window in opening order, then drops the closed ones.
    void ShowDetectorWindows();

    // Releases the windows' GL objects, shuts down both backends and destroys
    // the UI context (which writes "imgui.ini"). The window and its GL context
    // must still exist. Safe to repeat; the destructor calls it.
    void Shutdown();

    EditorWindow* mEditorWindow;
    bool mShowToolbox = true;
    bool mShowInspector = true;
    bool mShowComponentList = true;
    bool mShowLog = true;
    bool mShow3DView = true;
    bool mShowBoard = true;
    FileDialog mFileDialog;
    bool mProgressRequested = false;
    // Abort was pressed: the modal shows "Aborting ..." until the worker has ended.
    bool mAborting = false;
    LogWindow mLogWindow;
    Visualization3D mVisualization3D;
    Inspector mInspector{[this](uint32_t id) { OpenDetectorWindow(id); }};
    ComponentList mComponentList;
    SimulationBoard mSimulationBoard;
    Toolbox mToolbox;
    std::vector<std::unique_ptr<DetectorWindow>> mDetectorWindows;
    // Where the six windows go, following the display's size.
    DockLayout mLayout;

private:
    void ShowUpperBar();
    void ShowDockHost();
    void ShowWindows();
    // The modal shown while a worker runs; joins it once the worker has ended
    // (finished, failed or aborted), never waiting for it.
    void ShowSimulationProgress();
    // Logs how the joined run ended; a failed run also shows an error.
    void ReportRunEnd();
    void LoadFonts();
    // The log listener feeds mLogWindow through this target, which Shutdown
    // clears: the logger keeps its listeners for the whole process.
    void RegisterLogListener();
    // Gives the windows the application's simulation (made after the manager).
    void BindWindows();

    // action at once with nothing unsaved, else after a Yes to the question
    // whether the unsaved changes may be lost.
    void AfterLossAccepted(std::function<void()> action);
    // Ribbon actions and the callbacks of the questions and the file dialog.
    void OnNew();
    void OnOpen();
    void OnSave();
    void OnRaytracingRun();
    void OnElectromagneticRun();
    void OnOpenAccepted(bool accepted, const std::string& path);
    void OnSaveAccepted(bool accepted, const std::string& path);
    // The progress modal for a run that started, else the start failure.
    void AfterStart(bool started);
    // Shown when a run could not be started.
    static void ReportStartFailure();

    EditorSimulation& Simulation();
    SimulationSettings& Settings();

    std::shared_ptr<std::atomic<LogWindow*>> mLogTarget;
    bool mBackendsReady = false;
    bool mContextOwned = false;
};

} // namespace orvilaneeditor
