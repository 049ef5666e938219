#include "editor/app/EditorWindow.h"

#include <iostream>

#include "editor/platform/GLContext.h" // before GLFW: the loader's GL header
#include <GLFW/glfw3.h>

#include "core/base/Log.h"
#include "editor/ui/IconAtlas.h"

namespace orvilaneeditor
{

EditorWindow* gEditorWindow = nullptr;

namespace
{
constexpr int kWidth = 1200;
constexpr int kHeight = 960;
} // namespace

EditorWindow::EditorWindow()
{
    // Why a window or context could not be made, next to the failure line.
    glfwSetErrorCallback([](int code, const char* description) {
        std::cerr << "GLFW error " << code << ": " << (description != nullptr ? description : "") << std::endl;
    });
    mGlfwStarted = glfwInit() == GLFW_TRUE;
    if (mGlfwStarted)
    {
        glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
        glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
        glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
        mWindow = glfwCreateWindow(kWidth, kHeight, "Test Rendering", nullptr, nullptr);
    }
    if (mWindow == nullptr)
    {
        // No display or no OpenGL 3.3 core context: nothing else is created.
        std::cout << "Failed to create GLFW window" << std::endl;
        if (mGlfwStarted)
            glfwTerminate();
        mGlfwStarted = false;
        return;
    }
    glfwMakeContextCurrent(mWindow);
    if (gladLoadGL(glfwGetProcAddress) == 0)
    {
        std::cout << "Failed to initialize GLAD" << std::endl;
        glfwDestroyWindow(mWindow);
        mWindow = nullptr;
        glfwTerminate();
        mGlfwStarted = false;
        return;
    }
    glViewport(0, 0, kWidth, kHeight);
    glfwSetFramebufferSizeCallback(mWindow, &EditorWindow::FramebufferSizeCallback);
    glfwSetWindowCloseCallback(mWindow, &EditorWindow::WindowCloseCallback);

    gEditorWindow = this;
    mWindowsManager = std::make_unique<WindowsManager>(this);
    mEditorSimulation = std::make_unique<EditorSimulation>(&mSettings);
}

EditorWindow::EditorWindow(Headless)
{
    gEditorWindow = this;
    mWindowsManager = std::make_unique<WindowsManager>(this, WindowsManager::Headless{});
    mEditorSimulation = std::make_unique<EditorSimulation>(&mSettings);
}

EditorWindow::~EditorWindow()
{
    Teardown();
}

void EditorWindow::Teardown()
{
    // A run still going reads the setup: stop it before anything goes.
    if (mEditorSimulation)
        mEditorSimulation->StopWorker();
    if (mWindow != nullptr)
        glfwMakeContextCurrent(mWindow);
    // Meshes, lines and UI objects release their GL names while the context exists.
    mEditorSimulation.reset();
    if (mWindowsManager)
    {
        mWindowsManager->Shutdown();
        mWindowsManager.reset();
    }
    if (mWindow != nullptr)
    {
        IconAtlas::Release();
        glfwDestroyWindow(mWindow);
        mWindow = nullptr;
    }
    if (mGlfwStarted)
    {
        glfwTerminate();
        mGlfwStarted = false;
    }
    orvilane::Log::FlushToFile();
    if (gEditorWindow == this)
        gEditorWindow = nullptr; // nothing may reach a destroyed window
}

std::string EditorWindow::MakeTitle(const EditorSimulation& simulation)
{
    // Concatenated, never formatted: the name is a path the user chose.
    std::string title = "Orvilane - " + simulation.mSetup.mName;
    if (simulation.mUnsaved)
        title += " [UNSAVED]";
    return title;
}

void EditorWindow::Run()
{
    if (mWindow == nullptr || !mWindowsManager)
        return;
    mTitle = "Orvilane - New Simulation";
    while (!glfwWindowShouldClose(mWindow))
        DrawFrame();
}

void EditorWindow::DrawFrame()
{
    if (mEditorSimulation)
        mTitle = MakeTitle(*mEditorSimulation);
    glfwSetWindowTitle(mWindow, mTitle.c_str());
    mWindowsManager->RenderScene();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    mWindowsManager->Show();
    glfwSwapBuffers(mWindow);
    glfwPollEvents();
}

void EditorWindow::FramebufferSizeCallback(GLFWwindow*, int width, int height)
{
    glViewport(0, 0, width, height);
}

void EditorWindow::WindowCloseCallback(GLFWwindow* window)
{
    if (gEditorWindow != nullptr && gEditorWindow->mWindow == window)
        gEditorWindow->RequestClose();
}

void EditorWindow::RequestClose()
{
    if (mEditorSimulation && mEditorSimulation->mUnsaved && mWindowsManager)
    {
        if (mWindow != nullptr)
            glfwSetWindowShouldClose(mWindow, GLFW_FALSE);
        mWindowsManager->AskToClose();
        return;
    }
    Exit();
}

void EditorWindow::Exit()
{
    mExitRequested = true;
    if (mWindow != nullptr)
        glfwSetWindowShouldClose(mWindow, GLFW_TRUE);
}

} // namespace orvilaneeditor
