#include <cmath>
#include <cstring>
#include <limits>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "core/sources/ConfigSource.h"
#include "tests/support/LogCapture.h"
#include "core/config/SerializableData.h"

using namespace orvilane;
using orvilane::test::LogCapture;

namespace
{
// A record with every supported field type.
class AllTypes : public SerializableData
{
public:
    ORVILANE_FIELD(double, mDouble, "Double", 0.1);
    ORVILANE_FIELD(float, mFloat, "Float", 0.2f);
    ORVILANE_FIELD(int, mInt, "Int", -7);
    ORVILANE_FIELD(bool, mBool, "Bool", true);
    ORVILANE_FIELD(std::complex<double>, mComplex, "Complex", 1.5, 0.002);
    ORVILANE_FIELD(arma::vec3, mVec3, "Vec3", kDefaultDirection);
    ORVILANE_FIELD(arma::vec2, mVec2, "Vec2", kDefaultFlatSize);
    ORVILANE_FIELD(Vec2LL, mVec2LL, "Vec2LL", kDefaultDetectorResolution);
    ORVILANE_FIELD(Vec3LL, mVec3LL, "Vec3LL", -1, 2, -3);
};

class WithUnknown : public SerializableData
{
public:
    ORVILANE_FIELD(double, mBefore, "Before", 1.0);
    ORVILANE_FIELD(std::string, mText, "Text", "x");
    ORVILANE_FIELD(double, mAfter, "After", 2.0);
};

std::vector<std::string> AttributeNames(const pugi::xml_node& node)
{
    std::vector<std::string> names;
    for (const pugi::xml_attribute& a : node.attributes())
        names.push_back(a.name());
    return names;
}
} // namespace

TEST(SerializableData, DescriptorsInDeclarationOrderPointIntoOwnRecord)
{
    AllTypes a;
    const char* names[] = {"mDouble", "mFloat", "mInt", "mBool", "mComplex", "mVec3", "mVec2", "mVec2LL", "mVec3LL"};
    ASSERT_EQ(a.mFields.size(), 9u);
    for (size_t k = 0; k < 9; ++k)
    {
        EXPECT_EQ(a.mFields[k].mName, names[k]);
        EXPECT_TRUE(a.mFields[k].mNote.empty());
    }
    EXPECT_EQ(a.mFields[0].mLabel, "Double");
    EXPECT_EQ(*a.mFields[5].mType, typeid(arma::vec3));
    EXPECT_EQ(a.mFields[0].mAddress, &a.mDouble);
    *static_cast<int*>(a.mFields[2].mAddress) = 42;
    EXPECT_EQ(a.mInt, 42);

    AllTypes b;
    EXPECT_EQ(b.mFields[8].mAddress, &b.mVec3LL);
    EXPECT_NE(a.mFields[8].mAddress, b.mFields[8].mAddress);
}

TEST(SerializableData, CopiesNeverPointIntoTheOriginal)
{
    auto original = std::make_unique<ConfigSource>();
    original->mSamplingPoints = 55;
    ConfigSource copy(*original);
    ASSERT_EQ(copy.mFields.size(), original->mFields.size());
    EXPECT_EQ(copy.mFields[5].mAddress, &copy.mSamplingPoints);
    EXPECT_EQ(copy.mSamplingPoints, 55);
    original.reset();
    *static_cast<int*>(copy.mFields[5].mAddress) = 9; // would be a use-after-free otherwise
    EXPECT_EQ(copy.mSamplingPoints, 9);

    ConfigSource assigned;
    const void* before = assigned.mFields[0].mAddress;
    assigned = copy;
    EXPECT_EQ(assigned.mFields[0].mAddress, before);
    EXPECT_EQ(assigned.mSamplingPoints, 9);
}

TEST(SerializableData, DefaultValidateChangesNothing)
{
    AllTypes a;
    a.Validate();
    EXPECT_EQ(a.mInt, -7);
    EXPECT_EQ(a.mDouble, 0.1);
}

TEST(SerializableData, EveryTypeRoundTripsBitExactly)
{
    AllTypes a;
    a.mDouble = 0.1 + 1e-17 * 3;
    a.mFloat = 1.0f / 3.0f;
    a.mInt = std::numeric_limits<int>::min();
    a.mBool = false;
    a.mComplex = {1.5, 0.002};
    a.mVec3 = {1.0 / 3.0, -2e-300, 6.02e23};
    a.mVec2 = {std::nextafter(1.0, 2.0), -0.0};
    a.mVec2LL = {INT32_MAX, INT32_MIN};
    a.mVec3LL = {7, -8, 9};

    pugi::xml_document doc;
    pugi::xml_node node = doc.append_child("Config");
    a.SaveFields(node);
    std::ostringstream text;
    doc.save(text);

    pugi::xml_document reread;
    ASSERT_TRUE(reread.load_string(text.str().c_str()));
    AllTypes b;
    LogCapture capture;
    EXPECT_TRUE(b.LoadFields(reread.child("Config")));
    EXPECT_EQ(capture.Errors(), 0u);
    EXPECT_EQ(std::memcmp(&a.mDouble, &b.mDouble, sizeof(double)), 0);
    EXPECT_EQ(a.mFloat, b.mFloat);
    EXPECT_EQ(a.mInt, b.mInt);
    EXPECT_EQ(a.mBool, b.mBool);
    EXPECT_EQ(a.mComplex, b.mComplex);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(a.mVec3[k], b.mVec3[k]);
    EXPECT_EQ(a.mVec2[0], b.mVec2[0]);
    EXPECT_TRUE(std::signbit(b.mVec2[1]));
    EXPECT_EQ(b.mVec2LL[0], INT32_MAX);
    EXPECT_EQ(b.mVec2LL[1], INT32_MIN);
    EXPECT_EQ(b.mVec3LL[1], -8);
}

TEST(SerializableData, AttributeNamesAndOrderAfterExistingOnes)
{
    ConfigSource source;
    pugi::xml_document doc;
    pugi::xml_node node = doc.append_child("Source");
    node.append_attribute("sourceType").set_value(0);
    source.SaveFields(node);
    const std::vector<std::string> expected = {
        "sourceType",         "mDirection_x",       "mDirection_y",    "mDirection_z",
        "mRefractiveIndex_re", "mRefractiveIndex_im", "mWavelenght",     "mAmplitudeEx_re",
        "mAmplitudeEx_im",    "mAmplitudeEy_re",    "mAmplitudeEy_im", "mSamplingPoints",
        "mSamplingWindowSize"};
    EXPECT_EQ(AttributeNames(node), expected);
    EXPECT_STREQ(node.attribute("mDirection_z").value(), "1");
}

TEST(SerializableData, MissingAttributesLogAndReadZero)
{
    pugi::xml_document doc;
    pugi::xml_node node = doc.append_child("Config");
    node.append_attribute("mDouble").set_value(3.5);
    node.append_attribute("mVec3_y").set_value(4.0);

    AllTypes a;
    LogCapture capture;
    EXPECT_TRUE(a.LoadFields(node));
    EXPECT_EQ(a.mDouble, 3.5);
    EXPECT_EQ(a.mInt, 0);
    EXPECT_FALSE(a.mBool);
    EXPECT_EQ(a.mComplex, std::complex<double>(0, 0));
    EXPECT_EQ(a.mVec3[0], 0.0);
    EXPECT_EQ(a.mVec3[1], 4.0);
    EXPECT_EQ(a.mVec2LL[0], 0);
    // 16 attributes in all, two present.
    EXPECT_EQ(capture.Errors(), 14u);
    EXPECT_EQ(capture.Count("ERROR: Attribute 'mBool' doesn't exisit in node 'Config'"), 1u);
    EXPECT_EQ(capture.Count("'mVec3_x'"), 1u);
    EXPECT_EQ(capture.Count("'mComplex_im'"), 1u);
}

TEST(SerializableData, UnsupportedTypeIsSkippedWithAConsoleLine)
{
    WithUnknown w;
    pugi::xml_document doc;
    pugi::xml_node node = doc.append_child("Config");
    ::testing::internal::CaptureStdout();
    w.SaveFields(node);
    w.mBefore = w.mAfter = 0;
    w.LoadFields(node);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(AttributeNames(node), (std::vector<std::string>{"mBefore", "mAfter"}));
    EXPECT_NE(out.find("Unkwnon type (mText)\n"), std::string::npos);
    EXPECT_EQ(w.mBefore, 1.0);
    EXPECT_EQ(w.mAfter, 2.0);
}

TEST(ConfigSource, DefaultsAndValidate)
{
    ConfigSource c;
    ASSERT_EQ(c.mFields.size(), 7u);
    const char* labels[] = {"Direction",      "Refraction Index", "Wavelength",     "Amplitud Ex",
                            "Amplitud Ey",    "Sampling Points",  "Sampling Window"};
    for (size_t k = 0; k < 7; ++k)
        EXPECT_EQ(c.mFields[k].mLabel, labels[k]);
    EXPECT_EQ(c.mDirection[2], 1.0);
    EXPECT_EQ(c.mRefractiveIndex, std::complex<double>(1, 0));
    EXPECT_EQ(c.mWavelenght, 6.38e-7);
    EXPECT_EQ(c.mSamplingPoints, 101);
    EXPECT_EQ(c.mSamplingWindowSize, 0.002);

    const int in[] = {0, -5, 4, 101, 2};
    const int out[] = {3, 3, 5, 101, 3};
    for (size_t k = 0; k < 5; ++k)
    {
        c.mSamplingPoints = in[k];
        c.Validate();
        EXPECT_EQ(c.mSamplingPoints, out[k]) << in[k];
    }
    c.mWavelenght = -1e-7;
    c.Validate();
    EXPECT_EQ(c.mWavelenght, 0.0);
}
