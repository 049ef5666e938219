#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "core/geometry/Vectors.h"

using namespace orvilane;

TEST(Vectors, ConversionsAreExact)
{
    const arma::vec3 a{0.1, -2e-300, 6.02e23};
    const glm::dvec3 g = ToGlm(a);
    EXPECT_EQ(g, glm::dvec3(0.1, -2e-300, 6.02e23));
    const arma::vec3 back = ToArma(g);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(back[k], a[k]);
}

// Directions whose squared length underflows or overflows keep their direction:
// the expected unit vector is (1, 2, 2) / 3 at every scale.
TEST(Vectors, UnitAtEveryScaleAndNothingForVectorsWithoutLength)
{
    const double kNaN = std::numeric_limits<double>::quiet_NaN();
    const double kInf = std::numeric_limits<double>::infinity();
    for (double scale : {1.0, 3e-170, 1e-300, 4.9e-324, 1e200, 1e307})
    {
        const std::optional<arma::vec3> u = Unit(arma::vec3{scale, 2 * scale, 2 * scale});
        ASSERT_TRUE(u) << scale;
        EXPECT_NEAR((*u)[0], 1.0 / 3.0, 1e-15) << scale;
        EXPECT_NEAR((*u)[1], 2.0 / 3.0, 1e-15) << scale;
        EXPECT_NEAR((*u)[2], 2.0 / 3.0, 1e-15) << scale;
    }
    const arma::vec3 without[] = {{0, 0, 0}, {-0.0, 0, 0}, {kInf, 0, 0}, {1, kNaN, 0}, {kInf, -kInf, 1}};
    for (const arma::vec3& v : without)
    {
        EXPECT_FALSE(Unit(v)) << v.t();
        // Normalised hands such a vector back unchanged (bitwise for the zeros).
        const arma::vec3 n = Normalised(v);
        for (int k = 0; k < 3; ++k)
            EXPECT_TRUE(n[k] == v[k] || (std::isnan(n[k]) && std::isnan(v[k]))) << v.t();
    }
    EXPECT_TRUE(std::signbit(Normalised(arma::vec3{-0.0, 0, 0})[0]));
    const arma::vec3 n = Normalised(arma::vec3{0, -4, 0});
    EXPECT_EQ(n[1], -1.0);
}
