// The 3D view's off-screen pass read back pixel by pixel: palettes, selection
// outline, axes, ray colours; and the framebuffer's GL lifetime.
#include <memory>
#include <vector>

#include <glm/glm.hpp>
#include <gtest/gtest.h>

#include "editor/render/Line.h"
#include "editor/windows/Visualization3D.h"
#include "tests/editor/windows/ViewTestScene.h"
#include "tests/support/GLDeleteSpy.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/ImGuiTestFrame.h"

namespace orvilaneeditor::test
{
namespace
{
constexpr int kSize = 128;

// A 3D view of kSize x kSize pixels looking down -z at the origin from 1 m.
struct RenderedView
{
    explicit RenderedView(EditorSimulation* simulation)
    {
        view.SetSimulation(simulation);
        view.Init();
        view.mRenderSize = glm::vec2(kSize, kSize);
        view.CreateFramebuffer();
        view.mCamera.SetViewportSize(kSize, kSize);
        view.mCamera.RightView();
    }
    // Renders and reads the picture back, row 0 at the bottom.
    std::vector<glm::u8vec4> Render()
    {
        view.Render();
        std::vector<glm::u8vec4> pixels(kSize * kSize);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, view.mFramebuffer);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return pixels;
    }
    Visualization3D view;
};

// Pixels within tolerance of the colour (0 to 1 components) on r, g and b.
int Count(const std::vector<glm::u8vec4>& pixels, const glm::vec3& color, int tolerance = 2)
{
    const glm::ivec3 target(glm::round(color * 255.0f));
    int n = 0;
    for (const glm::u8vec4& p : pixels)
    {
        const glm::ivec3 d = glm::abs(glm::ivec3(p.r, p.g, p.b) - target);
        n += d.x <= tolerance && d.y <= tolerance && d.z <= tolerance ? 1 : 0;
    }
    return n;
}
} // namespace

TEST(Visualization3DRender, PaletteAndSelectionOutline)
{
    ORVILANE_GL_CONTEXT(gl);
    SettingsGuard guard;
    struct Case
    {
        bool dark;
        bool selected;
        glm::vec3 background;
        glm::vec3 outline; // colour the lens outline must show
        glm::vec3 absent;  // colour no pixel may show
    };
    const Case cases[] = {
        {true, false, glm::vec3(0.1f), glm::vec3(0.8f), {1, 0, 0}},
        {true, true, glm::vec3(0.1f), {1, 0, 0}, glm::vec3(0.8f)},
        {false, false, glm::vec3(1.0f), glm::vec3(0.3f), {0, 1, 0}},
        {false, true, glm::vec3(1.0f), {0, 1, 0}, glm::vec3(0.3f)},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << "dark " << c.dark << ", selected " << c.selected);
        TestBench bench;
        bench.Add("Ideal Lens");
        bench.simulation.SetSelected(c.selected ? 0 : -1);
        if (c.dark)
            gVisualizationSettings.SetDarkPalette();
        else
            gVisualizationSettings.SetLightPalette();
        gVisualizationSettings.mShowAxis = false;
        RenderedView r(&bench.simulation);
        const std::vector<glm::u8vec4> pixels = r.Render();
        const glm::vec3 corner = glm::vec3(pixels[0].r, pixels[0].g, pixels[0].b) / 255.0f;
        EXPECT_LT(glm::length(corner - c.background), 0.01f);
        EXPECT_GT(Count(pixels, c.outline, 1), 20);
        EXPECT_EQ(Count(pixels, c.absent, 1), 0);
        // The filled lens lies inside its outline, in its own colour, lit.
        EXPECT_GT(Count(pixels, c.background, 1), kSize * kSize / 2);
        EXPECT_LT(Count(pixels, c.background, 1), kSize * kSize - 200);
        EXPECT_EQ(DrainGLErrors(), "");
    }
}

TEST(Visualization3DRender, AxesAndHierarchyFollowTheirSwitches)
{
    ORVILANE_GL_CONTEXT(gl);
    SettingsGuard guard;
    const glm::vec3 arrow(0.0f, 0.0f, 0.8f);
    for (bool axes : {true, false})
        for (bool hierarchy : {true, false})
        {
            SCOPED_TRACE(::testing::Message() << "axes " << axes << ", hierarchy " << hierarchy);
            gVisualizationSettings.mShowAxis = axes;
            gVisualizationSettings.mShowTransformHierarchy = hierarchy;
            TestBench bench;
            auto parent = bench.Add("Detector", {-0.2, 0.1, 0.0});
            auto child = bench.Add("Detector", {0.2, 0.1, 0.0});
            child->SetParent(parent.get());
            child->SetPosition({0.4, 0.0, 0.0});
            bench.simulation.UpdateAllSelectables(false);
            RenderedView r(&bench.simulation);
            r.view.Update(); // the arrows are rebuilt whether shown or not
            EXPECT_EQ(r.view.mHierarchyLine.mPoints.size(), 6u * 3u);
            const std::vector<glm::u8vec4> pixels = r.Render();
            // The y axis runs up the middle columns, clear of the outlines.
            std::vector<glm::u8vec4> middle;
            for (int row = 0; row < kSize; ++row)
                for (int column : {kSize / 2 - 1, kSize / 2})
                    middle.push_back(pixels[row * kSize + column]);
            const int axis = Count(middle, glm::vec3(0.8f), 1);
            if (axes)
                EXPECT_GE(axis, kSize - 10);
            else
                EXPECT_EQ(axis, 0);
            if (hierarchy)
                EXPECT_GE(Count(pixels, arrow, 1), kSize / 3); // the link runs 0.4 m across
            else
                EXPECT_EQ(Count(pixels, arrow, 1), 0);
            child->SetParent(nullptr);
        }
}

TEST(Visualization3DRender, RayColourByWavelengthOrSetting)
{
    ORVILANE_GL_CONTEXT(gl);
    SettingsGuard guard;
    struct Case
    {
        bool byWavelength;
        glm::vec3 expected;
    };
    // 500 nm is drawn (0, 1, 0.5); the setting's (1, 1, 0.2) at alpha 0.5 is
    // blended over the 0.1 grey background.
    const Case cases[] = {{true, {0.0f, 1.0f, 0.5f}}, {false, {0.55f, 0.55f, 0.15f}}};
    for (const Case& c : cases)
    {
        gVisualizationSettings.mShowAxis = false;
        gVisualizationSettings.mRaysByWavelength = c.byWavelength;
        TestBench bench;
        RayLineGroup group(500e-9);
        group.mLine->SetPoints({{-0.3f, 0.1f, 0.0f}, {0.3f, 0.1f, 0.0f}});
        group.mLine->Setup();
        bench.simulation.mRayLines.push_back(group);
        RenderedView r(&bench.simulation);
        EXPECT_GT(Count(r.Render(), c.expected), kSize / 3) << "by wavelength " << c.byWavelength;
        gVisualizationSettings.mRayThickness = 0; // no rays at all
        EXPECT_EQ(Count(r.Render(), c.expected), 0);
        gVisualizationSettings.mRayThickness = 1;
    }
}

TEST(Visualization3DRender, AttachmentsFreedOnEveryResizeAndOnRelease)
{
    ORVILANE_GL_CONTEXT(gl);
    Visualization3D view;
    view.Init();
    const GLuint framebuffer = view.mFramebuffer;
    ASSERT_NE(framebuffer, 0u);
    std::vector<GLuint> textures{view.mColorTexture};
    std::vector<GLuint> renderbuffers{view.mDepthRenderbuffer};
    GLDeleteSpy spy;
    const glm::vec2 sizes[] = {{200, 100}, {201, 100}, {0, 100}, {50, 0.5f}, {64, 64}, {64, 64}};
    for (const glm::vec2& size : sizes)
    {
        SCOPED_TRACE(::testing::Message() << size.x << " x " << size.y);
        const GLuint oldTexture = view.mColorTexture;
        const GLuint oldRenderbuffer = view.mDepthRenderbuffer;
        spy.textureNames.clear();
        spy.renderbufferNames.clear();
        view.mRenderSize = size;
        view.CreateFramebuffer();
        EXPECT_EQ(spy.textureNames, oldTexture != 0 ? std::vector<GLuint>{oldTexture} : std::vector<GLuint>{});
        EXPECT_EQ(spy.renderbufferNames,
                  oldRenderbuffer != 0 ? std::vector<GLuint>{oldRenderbuffer} : std::vector<GLuint>{});
        const bool empty = size.x < 1.0f || size.y < 1.0f;
        EXPECT_EQ(view.mColorTexture == 0, empty);
        EXPECT_EQ(view.mDepthRenderbuffer == 0, empty);
        if (!empty)
        {
            GLint width = 0;
            glBindTexture(GL_TEXTURE_2D, view.mColorTexture);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
            EXPECT_EQ(width, static_cast<GLint>(size.x));
            textures.push_back(view.mColorTexture);
            renderbuffers.push_back(view.mDepthRenderbuffer);
        }
        GLint bound = -1;
        view.Render(); // a view without pixels binds and draws nothing
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
        EXPECT_EQ(bound == static_cast<GLint>(framebuffer), !empty);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        EXPECT_EQ(DrainGLErrors(), "");
    }
    // Only the last pair is alive.
    for (size_t i = 0; i + 1 < textures.size(); ++i)
        EXPECT_FALSE(glIsTexture(textures[i]) || glIsRenderbuffer(renderbuffers[i])) << i;
    spy.names.clear();
    spy.textureNames.clear();
    spy.renderbufferNames.clear();
    view.Release();
    EXPECT_EQ(spy.framebufferNames, std::vector<GLuint>{framebuffer});
    EXPECT_EQ(spy.textureNames, std::vector<GLuint>{textures.back()});
    EXPECT_EQ(spy.renderbufferNames, std::vector<GLuint>{renderbuffers.back()});
    EXPECT_EQ(view.mFramebuffer | view.mColorTexture | view.mDepthRenderbuffer, 0u);
    const size_t deleted = spy.names.size(); // programs, line buffers too
    EXPECT_GE(deleted, 3u + 2u + 3u * 2u);
    view.Release();
    EXPECT_EQ(spy.names.size(), deleted); // nothing twice
}

TEST(Visualization3DRender, ResizingTheWindowRecreatesOncePerChange)
{
    ORVILANE_GL_CONTEXT(gl);
    ShownWindow<Visualization3D> v;
    v.window.Init();
    ImVec2 windowSize(400, 400);
    const auto draw = [&] {
        ImGui::SetWindowSize("3D Visualziation", windowSize); // as a user's drag of the corner
        v.draw();
    };
    GLDeleteSpy spy;
    const ImVec2 sizes[] = {{400, 400}, {400, 400}, {420, 400}, {420, 400}, {430, 410}, {430, 410}};
    for (const ImVec2& size : sizes)
    {
        windowSize = size;
        v.ui.Frame(draw);
    }
    // The 1 x 1 start, then two changes.
    EXPECT_EQ(spy.textureNames.size(), 3u);
    EXPECT_EQ(spy.renderbufferNames.size(), 3u);
    EXPECT_TRUE(spy.framebufferNames.empty());
    EXPECT_EQ(v.window.mRenderSize.x, 430.0f - 2.0f * ImGui::GetStyle().WindowPadding.x);
}

TEST(Visualization3DRender, DestroyedAfterItsContextMakesNoGLCalls)
{
    auto view = std::make_unique<Visualization3D>();
    {
        ORVILANE_GL_CONTEXT(gl);
        view->Init();
        ASSERT_NE(view->mColorTexture, 0u);
    }
    GLDeleteSpy spy;
    view.reset();
    EXPECT_EQ(spy.calls, 0);
}
} // namespace orvilaneeditor::test
