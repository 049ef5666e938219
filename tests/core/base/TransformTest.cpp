#include <cmath>

#include <gtest/gtest.h>

#include "core/base/Transform.h"

using orvilane::Transform;

namespace
{
constexpr double kPi = 3.14159265358979323846;

void ExpectVec(const glm::dvec3& v, double x, double y, double z, double tol = 1e-12)
{
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

bool HasChild(const Transform& parent, const Transform* child)
{
    size_t n = 0;
    for (const Transform* c : parent.mChildren)
        n += c == child ? 1 : 0;
    return n == 1;
}
} // namespace

TEST(Transform, FreshIsIdentityWithoutLinks)
{
    Transform t;
    EXPECT_EQ(t.mWorldMatrix, glm::dmat4(1.0));
    EXPECT_EQ(t.mLocalMatrix, glm::dmat4(1.0));
    EXPECT_EQ(t.mWorldRotation, glm::dvec3(0.0));
    EXPECT_EQ(t.mParent, nullptr);
    EXPECT_EQ(t.mParentId, 0u);
    EXPECT_TRUE(t.mChildren.empty());
    EXPECT_EQ(t.mId, 0u);
}

TEST(Transform, PositionAndZRotationGiveHandComputedMatrix)
{
    Transform t;
    t.SetPosition({1, 2, 3});
    t.SetRotation({0, 0, 90});
    const glm::dmat4& m = t.mWorldMatrix;
    ExpectVec(glm::dvec3(m[0]), 0, 1, 0);
    ExpectVec(glm::dvec3(m[1]), -1, 0, 0);
    ExpectVec(glm::dvec3(m[2]), 0, 0, 1);
    ExpectVec(glm::dvec3(m[3]), 1, 2, 3);
    ExpectVec(t.mWorldPosition, 1, 2, 3);
    ExpectVec(t.mWorldRotation, 0, 0, -kPi / 2);
}

TEST(Transform, RotationOrderIsZThenYThenXOnOwnAxes)
{
    // local = T * Rz(c) * Ry(b) * Rx(a): with a = 90 and c = 90 the object's
    // y axis first turns onto z, then z turns nothing; its x axis goes to world y.
    Transform t;
    t.SetRotation({90, 0, 90});
    const glm::dmat4& m = t.mWorldMatrix;
    ExpectVec(glm::dvec3(m[0]), 0, 1, 0);
    ExpectVec(glm::dvec3(m[1]), 0, 0, 1);
    ExpectVec(glm::dvec3(m[2]), 1, 0, 0);
}

TEST(Transform, WorldAnglesCarryOppositeSignOfSingleRotation)
{
    Transform a;
    a.SetRotation({30, 0, 0});
    ExpectVec(a.mWorldRotation, -kPi / 6, 0, 0);
    Transform b;
    b.SetRotation({0, 30, 0});
    ExpectVec(b.mWorldRotation, 0, -kPi / 6, 0);
}

TEST(Transform, GimbalBranchesCompareExactly)
{
    Transform t;
    t.SetRotation({0, 90, 0});
    ASSERT_EQ(t.mWorldMatrix[0][2], -1.0);
    EXPECT_EQ(t.mWorldRotation.y, -kPi / 2);
    EXPECT_EQ(t.mWorldRotation.z, 0.0);
    EXPECT_DOUBLE_EQ(t.mWorldRotation.x, -std::atan2(t.mWorldMatrix[1][0], t.mWorldMatrix[1][1]));

    Transform u;
    u.SetRotation({0, 270, 0});
    if (u.mWorldMatrix[0][2] >= 1.0)
        EXPECT_EQ(u.mWorldRotation.y, kPi / 2);
    else
        EXPECT_NEAR(u.mWorldRotation.y, kPi / 2, 1e-7);
}

TEST(Transform, SetRotationNormalisesNegativeAnglesOnly)
{
    Transform t;
    t.SetRotation({-30, 400, 0});
    ExpectVec(t.mLocalRotation, 330, 400, 0, 0);
    t.SetRotation({-400, -360, -720.5});
    ExpectVec(t.mLocalRotation, 320, 0, 359.5, 1e-9);
}

TEST(Transform, SetRotationFinishesForHugeAndNonFiniteAngles)
{
    Transform t;
    t.SetRotation({-1e300, -std::numeric_limits<double>::infinity(), std::nan("")});
    for (int k = 0; k < 3; ++k)
    {
        EXPECT_TRUE(std::isfinite(t.mLocalRotation[k]));
        EXPECT_GE(t.mLocalRotation[k], 0.0);
        EXPECT_LT(t.mLocalRotation[k], 360.0);
    }
    t.SetRotation({-1e-30, 0, 0});
    EXPECT_GE(t.mLocalRotation.x, 0.0);
    EXPECT_LT(t.mLocalRotation.x, 360.0);
}

TEST(Transform, MovingParentMovesDescendantsOnly)
{
    Transform root, child, grandchild;
    child.SetParent(&root);
    grandchild.SetParent(&child);
    child.SetPosition({0, 0, 1});
    grandchild.SetPosition({1, 0, 0});
    root.SetPosition({0, 5, 0});
    root.SetRotation({0, 0, 90});
    ExpectVec(child.mWorldPosition, 0, 5, 1);
    ExpectVec(grandchild.mWorldPosition, 0, 6, 1);

    child.SetPosition({0, 0, 2});
    ExpectVec(root.mWorldPosition, 0, 5, 0);
    ExpectVec(grandchild.mWorldPosition, 0, 6, 2);
}

TEST(Transform, ReparentingKeepsTreeInvariants)
{
    Transform a, b, c, d;
    a.mId = 1;
    b.mId = 2;
    c.mId = 3;
    d.mId = 4;
    c.SetParent(&a);
    d.SetParent(&a);
    c.SetParent(&b);
    EXPECT_FALSE(HasChild(a, &c));
    EXPECT_TRUE(HasChild(b, &c));
    EXPECT_EQ(c.mParentId, 2u);
    ASSERT_EQ(a.mChildren.size(), 1u);

    // Same parent again: order kept, no duplicate.
    Transform e;
    e.mId = 5;
    e.SetParent(&b);
    c.SetParent(&b);
    ASSERT_EQ(b.mChildren.size(), 2u);
    EXPECT_EQ(b.mChildren[0], &c);
    EXPECT_EQ(b.mChildren[1], &e);

    c.SetParent(nullptr);
    EXPECT_EQ(c.mParentId, 0u);
    EXPECT_EQ(c.mParent, nullptr);
    EXPECT_EQ(b.mChildren.size(), 1u);
}

TEST(Transform, CanBeParentRefusesSelfAndDescendants)
{
    Transform root, child, grandchild, sibling, other;
    root.mId = 10;
    child.mId = 11;
    grandchild.mId = 12;
    sibling.mId = 13;
    other.mId = 14;
    child.SetParent(&root);
    grandchild.SetParent(&child);
    sibling.SetParent(&root);

    EXPECT_FALSE(child.CanBeParent(&child));
    EXPECT_FALSE(root.CanBeParent(&child));
    EXPECT_FALSE(root.CanBeParent(&grandchild));
    EXPECT_TRUE(child.CanBeParent(&sibling));
    EXPECT_TRUE(grandchild.CanBeParent(&root));
    EXPECT_TRUE(child.CanBeParent(&other));
    EXPECT_FALSE(child.CanBeParent(nullptr));
}

TEST(Transform, DetachAllOrphansEveryChild)
{
    Transform parent, holder;
    parent.mId = 1;
    holder.mId = 2;
    parent.SetParent(&holder);
    parent.SetPosition({1, 1, 1});
    Transform children[5];
    for (int k = 0; k < 5; ++k)
    {
        children[k].mId = 100 + k;
        children[k].SetPosition({double(k), 0, 0});
        children[k].SetParent(&parent);
    }
    parent.DetachAll();
    EXPECT_TRUE(holder.mChildren.empty());
    EXPECT_TRUE(parent.mChildren.empty());
    for (int k = 0; k < 5; ++k)
    {
        EXPECT_EQ(children[k].mParent, nullptr);
        EXPECT_EQ(children[k].mParentId, 0u);
        EXPECT_EQ(children[k].mWorldMatrix, children[k].mLocalMatrix);
        ExpectVec(children[k].mWorldPosition, k, 0, 0);
    }
}

TEST(Transform, DeepChainUpdatesWithoutExhaustingTheStack)
{
    std::vector<Transform> chain(200000);
    for (size_t k = 1; k < chain.size(); ++k)
    {
        chain[k].SetPosition({0, 0, 1});
        chain[k].SetParent(&chain[k - 1]);
    }
    chain[0].SetPosition({1, 0, 0});
    ExpectVec(chain.back().mWorldPosition, 1, 0, double(chain.size() - 1));
}
