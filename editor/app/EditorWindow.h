#pragma once

#include <memory>
#include <string>

#include "editor/runner/EditorSimulation.h"
#include "editor/runner/SimulationSettings.h"
#include "editor/app/WindowsManager.h"

struct GLFWwindow;

namespace orvilaneeditor
{

// The application: one GLFW window with an OpenGL 3.3 core context, the run
// settings, the UI root and the simulation runner, and the main loop.
// Exactly one per process, an automatic object of main.
class EditorWindow
{
public:
    EditorWindow();
    // Without window, GL or backends: a headless manager and a runner, for
    // tests that drive the manager's frames in their own UI context.
    struct Headless
    {
    };
    explicit EditorWindow(Headless);
    ~EditorWindow();
    EditorWindow(const EditorWindow&) = delete;
    EditorWindow& operator=(const EditorWindow&) = delete;

    // False when the window or the GL entry points could not be made: nothing
    // else was created and Run must not be called.
    bool IsReady() const { return mWindowsManager != nullptr; }
    // The main loop; returns once the program has been asked to end.
    void Run();
    // One frame of the loop: title, 3D view, UI, swap, events. Needs IsReady.
    void DrawFrame();
    // The user asked to close the window: with unsaved changes the program
    // asks first and goes on; else it ends after the current frame.
    void RequestClose();
    // Ends the program after the current frame (a run going is stopped and
    // joined by the teardown).
    void Exit();
    bool IsExitRequested() const { return mExitRequested; }
    // The title of the current frame: "Orvilane - <name>", plus " [UNSAVED]".
    static std::string MakeTitle(const EditorSimulation& simulation);

    static void FramebufferSizeCallback(GLFWwindow* window, int width, int height);
    // GLFW has set the window's close flag: RequestClose decides whether it stays.
    static void WindowCloseCallback(GLFWwindow* window);

    GLFWwindow* mWindow = nullptr;
    SimulationSettings mSettings;
    std::unique_ptr<WindowsManager> mWindowsManager;
    std::unique_ptr<EditorSimulation> mEditorSimulation;
    std::string mTitle;

private:
    // Ordered shutdown: worker joined, GL objects and UI released while the
    // context exists, window destroyed, GLFW terminated, log flushed.
    void Teardown();
    bool mGlfwStarted = false;
    bool mExitRequested = false;
};

// The one application window; set by its constructor, cleared when it is destroyed.
extern EditorWindow* gEditorWindow;

} // namespace orvilaneeditor
