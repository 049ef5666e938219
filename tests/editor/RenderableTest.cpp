#include <gtest/gtest.h>

#include "Renderable.h"

using orvilaneeditor::Line;
using orvilaneeditor::Mesh;
using orvilaneeditor::Renderable;

TEST(Renderable, DefaultIsTheDefaultKindWithoutEntries)
{
    Renderable renderable;
    EXPECT_EQ(renderable.mKind, 5u);
    EXPECT_TRUE(renderable.mMeshes.empty());
    EXPECT_TRUE(renderable.mLines.empty());
}

TEST(Renderable, AddKeepsTheListsParallel)
{
    Renderable renderable;
    renderable.Add(nullptr, nullptr);
    auto mesh = std::make_shared<Mesh>();
    renderable.Add(mesh, nullptr);
    auto line = orvilaneeditor::MakeSharedLine();
    renderable.Add(nullptr, line);
    ASSERT_EQ(renderable.mMeshes.size(), 3u);
    ASSERT_EQ(renderable.mLines.size(), 3u);
    EXPECT_EQ(renderable.mMeshes[1], mesh);
    EXPECT_EQ(renderable.mLines[1], nullptr);
    EXPECT_EQ(renderable.mMeshes[2], nullptr);
    EXPECT_EQ(renderable.mLines[2], line);
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
