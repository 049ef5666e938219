#include <gtest/gtest.h>

#include "editor/render/Renderable.h"

using orvilaneeditor::Mesh;
using orvilaneeditor::Renderable;

TEST(Renderable, AddKeepsTheListsParallel)
{
    Renderable renderable;
    EXPECT_EQ(renderable.mKind, Renderable::kDefault);
    EXPECT_EQ(Renderable::kDefault, 5u);
    auto mesh = std::make_shared<Mesh>();
    auto line = orvilaneeditor::MakeSharedLine();
    renderable.Add(nullptr, nullptr);
    renderable.Add(mesh, nullptr);
    renderable.Add(nullptr, line);
    EXPECT_EQ(renderable.mMeshes, (std::vector<std::shared_ptr<Mesh>>{nullptr, mesh, nullptr}));
    EXPECT_EQ(renderable.mLines, (std::vector<std::shared_ptr<orvilaneeditor::Line>>{nullptr, nullptr, line}));
}
