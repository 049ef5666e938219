#pragma once

#include "editor/ui/FileDialog.h"

namespace orvilaneeditor
{

class EditorWindow;

// The user-interface root: the UI context and its two backends, style and
// font, the editor's windows, and one frame of UI each Show: ribbon, dock
// host, visible windows, file dialog, progress modal and message popup.
// Created by the application window once its GL entry points are loaded.
class WindowsManager
{
public:
    // Height of the ribbon at the top of the display, pixels.
    static constexpr float kRibbonHeight = 75.0f;

    explicit WindowsManager(EditorWindow* owner);
    ~WindowsManager();
    WindowsManager(const WindowsManager&) = delete;
    WindowsManager& operator=(const WindowsManager&) = delete;

    // The 3D view's off-screen pass, before Show.
    void RenderScene();
    // Builds and renders one UI frame into the bound framebuffer.
    void Show();
    // The next frame opens the "Simulation In Progress" modal.
    void OpenSimulationProgress() { mProgressRequested = true; }

    // Shuts down both backends and destroys the UI context (which writes
    // "imgui.ini"); the window and its GL context must still exist. Safe to repeat.
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
    // The windows follow here, in this order: mLogWindow, mVisualization3D,
    // mInspector, mComponentList, mSimulationBoard, mToolbox, mDetectorWindows.

protected:
    // The frame's UI between NewFrame and Render; tests drive it headless.
    void BuildFrame();
    // The ribbon bar at the top.
    void ShowUpperBar();
    // The modal shown while a worker runs; joins it when done or aborted.
    void ShowSimulationProgress();
    void LoadFonts();

    // Ribbon actions, also reached by the questions' callbacks.
    void OnNew();
    void OnOpen();
    void OnSave();
    void OnRaytracingRun();
    void OnElectromagneticRun();
    void OnOpenAccepted(bool accepted, const std::string& path);
    void OnSaveAccepted(bool accepted, const std::string& path);

    // For headless tests: no context, no backends; BuildFrame only.
    struct Headless
    {
    };
    WindowsManager(EditorWindow* owner, Headless);

private:
    bool mBackendsReady = false;
    bool mContextOwned = false;
};

} // namespace orvilaneeditor
