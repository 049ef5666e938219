// The manager draws the 3D view, component list, toolbox and log window on the
// application's simulation, and its log listener feeds the log window until
// the manager shuts down.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <imgui_internal.h>

#include "core/base/Log.h"
#include "core/components/Component.h"
#include "editor/app/EditorWindow.h"
#include "tests/support/GLDeleteSpy.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/ImGuiTestFrame.h"

using orvilaneeditor::EditorWindow;
using orvilaneeditor::test::ImGuiTestFrame;

TEST(WindowsManagerViews, WindowsWorkOnTheApplicationsSimulation)
{
    ORVILANE_GL_CONTEXT(gl);
    ImGuiTestFrame ui(ImVec2(1280, 800));
    EditorWindow window{EditorWindow::Headless{}};
    orvilaneeditor::WindowsManager& manager = *window.mWindowsManager;
    const ImGuiTestFrame::Ui draw = [&] { manager.BuildFrame(); };
    ui.Frames(2, draw);
    for (const char* title : {"Toolbox", "List of Elements", "3D Visualziation", "Log"})
    {
        const ImGuiWindow* w = ImGuiTestFrame::FindWindow(title);
        ASSERT_NE(w, nullptr) << title;
        EXPECT_TRUE(w->Active) << title;
    }
    EXPECT_TRUE(ui.ClickLabel("Toolbox", "Ideal Lens", draw));
    ASSERT_EQ(window.mEditorSimulation->mSelectables.size(), 1u);
    EXPECT_EQ(window.mEditorSimulation->mSelectables[0].mComponent->mTypeName, "Ideal Lens");

    manager.mShowLog = false; // a hidden window is not drawn
    ui.Frame(draw);
    EXPECT_FALSE(ImGuiTestFrame::FindWindow("Log")->Active);
}

TEST(WindowsManagerViews, LogLinesReachTheLogWindowUntilShutdown)
{
    EditorWindow window{EditorWindow::Headless{}};
    orvilaneeditor::WindowsManager& manager = *window.mWindowsManager;
    orvilane::Log::Info(0, "first %d", 1);
    orvilane::Log::Warning("second");
    const std::string text = manager.mLogWindow.Text();
    EXPECT_NE(text.find("] first 1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("] Warning: second\n"), std::string::npos) << text;
    manager.Shutdown();
    orvilane::Log::Info(0, "after shutdown");
    EXPECT_EQ(manager.mLogWindow.Text(), text);
}

TEST(WindowsManagerViews, ShutdownFreesTheViewsFramebufferWhileTheContextExists)
{
    ORVILANE_GL_CONTEXT(gl);
    EditorWindow window{EditorWindow::Headless{}};
    orvilaneeditor::Visualization3D& view = window.mWindowsManager->mVisualization3D;
    view.Init();
    const GLuint framebuffer = view.mFramebuffer;
    const GLuint texture = view.mColorTexture;
    ASSERT_NE(framebuffer, 0u);
    orvilaneeditor::test::GLDeleteSpy spy;
    window.mWindowsManager->Shutdown();
    EXPECT_EQ(spy.framebufferNames, std::vector<GLuint>{framebuffer});
    EXPECT_EQ(spy.textureNames, std::vector<GLuint>{texture});
    EXPECT_EQ(spy.renderbufferNames.size(), 1u);
}
