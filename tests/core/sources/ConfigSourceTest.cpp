#include <climits>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "core/sources/ConfigSource.h"

using orvilane::ConfigSource;

TEST(ConfigSource, FieldsInOrderWithLabelsAndDefaults)
{
    const ConfigSource c;
    const char* fields[][2] = {{"mDirection", "Direction"},     {"mRefractiveIndex", "Refraction Index"},
                               {"mWavelenght", "Wavelength"},   {"mAmplitudeEx", "Amplitud Ex"},
                               {"mAmplitudeEy", "Amplitud Ey"}, {"mSamplingPoints", "Sampling Points"},
                               {"mSamplingWindowSize", "Sampling Window"}};
    ASSERT_EQ(c.mFields.size(), 7u);
    for (size_t k = 0; k < 7; ++k)
    {
        EXPECT_EQ(c.mFields[k].mName, fields[k][0]);
        EXPECT_EQ(c.mFields[k].mLabel, fields[k][1]);
    }
    EXPECT_EQ(c.mDirection[2], 1.0);
    EXPECT_EQ(c.mRefractiveIndex, std::complex<double>(1.0, 0.0));
    EXPECT_EQ(c.mWavelenght, 6.38e-7);
    EXPECT_EQ(c.mAmplitudeEx, c.mAmplitudeEy);
    EXPECT_EQ(c.mAmplitudeEx, std::complex<double>(1.0, 0.0));
    EXPECT_EQ(c.mSamplingPoints, 101);
    EXPECT_EQ(c.mSamplingWindowSize, 0.002);
}

TEST(ConfigSource, ValidateKeepsAnOddSampleCountOfAtLeastThree)
{
    ConfigSource c;
    const int cases[][2] = {{0, 3}, {-7, 3}, {2, 3}, {3, 3}, {4, 5}, {101, 101}, {INT_MAX, INT_MAX},
                            {INT_MAX - 1, INT_MAX}, {INT_MIN, 3}};
    for (const auto& testCase : cases)
    {
        c.mSamplingPoints = testCase[0];
        c.Validate();
        EXPECT_EQ(c.mSamplingPoints, testCase[1]) << testCase[0];
    }
    c.mWavelenght = -1e-7;
    c.Validate();
    EXPECT_EQ(c.mWavelenght, 0.0);
}

TEST(ConfigSource, SavesTwelveAttributesInOrderAndLoadsThemBack)
{
    ConfigSource c;
    c.mSamplingPoints = 7;
    c.mRefractiveIndex = {1.5, 0.002};
    pugi::xml_document doc;
    pugi::xml_node node = doc.append_child("Config");
    c.SaveFields(node);
    const char* expected[] = {"mDirection_x",    "mDirection_y",    "mDirection_z",    "mRefractiveIndex_re",
                              "mRefractiveIndex_im", "mWavelenght", "mAmplitudeEx_re", "mAmplitudeEx_im",
                              "mAmplitudeEy_re", "mAmplitudeEy_im", "mSamplingPoints", "mSamplingWindowSize"};
    size_t k = 0;
    for (pugi::xml_attribute a : node.attributes())
        EXPECT_STREQ(a.name(), k < 12 ? expected[k++] : "(extra)");
    EXPECT_EQ(k, 12u);

    ConfigSource loaded;
    loaded.LoadFields(node);
    EXPECT_EQ(loaded.mSamplingPoints, 7);
    EXPECT_EQ(loaded.mRefractiveIndex, std::complex<double>(1.5, 0.002));
}
