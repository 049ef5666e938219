#include <gtest/gtest.h>

#include "Renderable.h"

using orvilaneeditor::Mesh;
using orvilaneeditor::Renderable;

TEST(Renderable, AddKeepsTheListsParallel)
{
    Renderable renderable;
    EXPECT_EQ(renderable.mKind, 5u);
    auto mesh = std::make_shared<Mesh>();
    auto line = orvilaneeditor::MakeSharedLine();
    renderable.Add(nullptr, nullptr);
    renderable.Add(mesh, nullptr);
    renderable.Add(nullptr, line);
    EXPECT_EQ(renderable.mMeshes, (std::vector<std::shared_ptr<Mesh>>{nullptr, mesh, nullptr}));
    EXPECT_EQ(renderable.mLines, (std::vector<std::shared_ptr<orvilaneeditor::Line>>{nullptr, nullptr, line}));
}

TEST(Renderable, CopiesShareAndMovesTakeOver)
{
    Renderable original;
    original.mKind = 3;
    original.Add(std::make_shared<Mesh>(), orvilaneeditor::MakeSharedLine());
    Renderable copy(original);
    EXPECT_EQ(copy.mKind, 3u);
    EXPECT_EQ(copy.mMeshes[0], original.mMeshes[0]); // the same mesh, not a duplicate
    EXPECT_EQ(original.mMeshes[0].use_count(), 2);

    std::weak_ptr<Mesh> watch = original.mMeshes[0];
    Renderable target;
    target = std::move(original);
    EXPECT_EQ(target.mMeshes.size(), 1u);
    EXPECT_EQ(target.mKind, 3u);
    copy = Renderable();
    EXPECT_FALSE(watch.expired()); // still held by target
    target = Renderable();
    EXPECT_TRUE(watch.expired()); // released with the last holder
}
