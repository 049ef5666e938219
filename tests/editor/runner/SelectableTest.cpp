#include <gtest/gtest.h>

#include <string>

#include "core/elements/EleMirrorFlat.h"
#include "editor/runner/Selectable.h"

using orvilaneeditor::Renderable;
using orvilaneeditor::Selectable;

TEST(Selectable, ListLabelPadsTheIdAndNeverFormatsTheLabel)
{
    struct Case
    {
        uint32_t id;
        std::string label;
        std::string expected;
    };
    const std::string longLabel(400, 'x');
    const Case cases[] = {
        {1003, "Lens", "[01003] Lens"},
        {7, "Mirror A", "[00007] Mirror A"},
        {123456, "", "[123456] "},
        {1000, "100% %s %n", "[01000] 100% %s %n"},
        {1001, longLabel, "[01001] " + longLabel.substr(0, 255 - 8)},
    };
    for (const Case& c : cases)
    {
        auto mirror = std::make_shared<orvilane::EleMirrorFlat>();
        mirror->mId = c.id;
        mirror->mLabel = c.label;
        EXPECT_EQ(Selectable(mirror, nullptr).mListLabel, c.expected) << c.id;
    }
}

TEST(Selectable, StartsWithOneEmptyEntryAndCopiesAsARecord)
{
    auto mirror = std::make_shared<orvilane::EleMirrorFlat>();
    Selectable record(mirror, nullptr);
    EXPECT_EQ(record.mRenderable.mKind, Renderable::kDefault);
    ASSERT_EQ(record.mRenderable.mMeshes.size(), 1u);
    ASSERT_EQ(record.mRenderable.mLines.size(), 1u);
    EXPECT_EQ(record.mRenderable.mMeshes[0], nullptr);
    EXPECT_EQ(record.mRenderable.mLines[0], nullptr);
    EXPECT_EQ(record.mBoardPosition, glm::vec2(0.0f));
    EXPECT_FALSE(record.mHasInputPort);

    record.mBoardPosition = {3.0f, 4.0f};
    record.mOutputPort.mCenter = {5.0f, 6.0f};
    const Selectable copy = record;
    EXPECT_EQ(copy.mComponent, mirror);
    EXPECT_EQ(copy.mBoardPosition, record.mBoardPosition);
    EXPECT_EQ(copy.mOutputPort.mCenter, record.mOutputPort.mCenter);
    EXPECT_EQ(copy.mListLabel, record.mListLabel);
}
