#include <climits>
#include <string>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "FieldsGeneratorGaussian.h"
#include "FieldsGeneratorPlanewave.h"
#include "LogCapture.h"
#include "RayGeneratorBeam.h"
#include "Source.h"

using namespace orvilane;
using orvilane::test::LogCapture;

namespace
{
std::shared_ptr<ConfigRayGeneratorBeam> Beam(const Source& s)
{
    return std::dynamic_pointer_cast<ConfigRayGeneratorBeam>(s.mRayGenerator->mConfig);
}
std::shared_ptr<ConfigSource> Settings(const Source& s)
{
    return std::dynamic_pointer_cast<ConfigSource>(s.mConfig);
}
std::vector<std::string> ChildNames(const pugi::xml_node& node)
{
    std::vector<std::string> names;
    for (pugi::xml_node child : node.children())
        names.push_back(child.name());
    return names;
}
size_t AttributeCount(const pugi::xml_node& node)
{
    size_t n = 0;
    for (pugi::xml_attribute a : node.attributes())
    {
        (void)a;
        ++n;
    }
    return n;
}
} // namespace

TEST(Source, NewSourceHasNoGenerators)
{
    Source s;
    EXPECT_EQ(s.mNodeName, "Source");
    EXPECT_EQ(s.mTypeName, "Source");
    EXPECT_EQ(s.mLabel, "Source Beam");
    EXPECT_FALSE(s.mHasInput);
    EXPECT_EQ(s.mSourceType, 2);
    EXPECT_FALSE(s.mRayGenerator);
    EXPECT_FALSE(s.mFieldGenerator);
    ASSERT_TRUE(Settings(s));
    EXPECT_EQ(Settings(s)->mSamplingPoints, 101);
    EXPECT_EQ(s.GetDisplaySize(), 0.1f);
    Fields f = s.GenerateFields();
    EXPECT_EQ(f.mDomain, FieldDomain::None);
    EXPECT_EQ(f.mEx.n_elem, 0u);
}

TEST(Source, TypeNamesAreBoundsChecked)
{
    EXPECT_STREQ(Source::GetSourceTypeName(0), "Planewave");
    EXPECT_STREQ(Source::GetSourceTypeName(1), "Gaussian");
    EXPECT_STREQ(Source::GetSourceTypeName(2), "INVALID");
    for (int type : {3, 7, -1, INT_MIN, INT_MAX})
        EXPECT_STREQ(Source::GetSourceTypeName(type), "INVALID") << type;
}

TEST(Source, PlanewaveTypeCreatesGeneratorsAndSyncsTheBeamRadius)
{
    Source s;
    s.SetSourceType(0);
    ASSERT_TRUE(s.mRayGenerator);
    ASSERT_TRUE(s.mFieldGenerator);
    auto beam = std::dynamic_pointer_cast<RayGeneratorBeam>(s.mRayGenerator);
    ASSERT_TRUE(beam);
    EXPECT_EQ(beam->mSource, &s);
    ASSERT_TRUE(std::dynamic_pointer_cast<FieldsGeneratorPlanewave>(s.mFieldGenerator));
    EXPECT_EQ(Beam(s)->mRadius, 0.001);
    EXPECT_EQ(s.GetDisplaySize(), 0.0025f); // the plane wave's 2.5 R exceeds the beam's 2.1 R

    // Choosing the same type again keeps generators and edited settings.
    auto rays = s.mRayGenerator;
    auto fields = s.mFieldGenerator;
    Beam(s)->mRadius = 0.02;
    std::dynamic_pointer_cast<ConfigFieldsGeneratorPlanewave>(s.mFieldGenerator->mConfig)->mRadius = 0.03;
    s.SetSourceType(0);
    EXPECT_EQ(s.mRayGenerator, rays);
    EXPECT_EQ(s.mFieldGenerator, fields);
    EXPECT_EQ(Beam(s)->mRadius, 0.02);

    s.UpdateGeneratorsConfig();
    EXPECT_EQ(Beam(s)->mRadius, 0.03);
}

TEST(Source, DisplaySizeIgnoresExtentsThatAreNotNumbers)
{
    Source s;
    s.SetSourceType(0);
    auto plane = std::dynamic_pointer_cast<ConfigFieldsGeneratorPlanewave>(s.mFieldGenerator->mConfig);
    plane->mRadius = std::nan("");
    EXPECT_EQ(s.GetDisplaySize(), static_cast<float>(0.001 * 2.1)); // the beam's extent
    Beam(s)->mRadius = std::nan("");
    EXPECT_EQ(s.GetDisplaySize(), 0.1f);
    plane->mRadius = 1e300; // too large for a float
    EXPECT_EQ(s.GetDisplaySize(), 0.1f);
}

TEST(Source, ChangingTypeReplacesAndReleasesGenerators)
{
    Source s;
    s.SetSourceType(0);
    std::weak_ptr<IRayGenerator> oldRays = s.mRayGenerator;
    std::weak_ptr<IFieldGenerator> oldFields = s.mFieldGenerator;
    s.SetSourceType(1);
    EXPECT_TRUE(oldRays.expired());
    EXPECT_TRUE(oldFields.expired());
    ASSERT_TRUE(std::dynamic_pointer_cast<FieldsGeneratorGaussian>(s.mFieldGenerator));
    EXPECT_EQ(Beam(s)->mRadius, 0.0002);
    EXPECT_EQ(s.GetDisplaySize(), 0.0005f);

    std::dynamic_pointer_cast<ConfigFieldsGeneratorGaussian>(s.mFieldGenerator->mConfig)->mWaist = 0.003;
    s.UpdateGeneratorsConfig();
    EXPECT_EQ(Beam(s)->mRadius, 0.006);

    for (int type : {2, 7, -1})
    {
        s.SetSourceType(0);
        oldRays = s.mRayGenerator;
        s.SetSourceType(type);
        EXPECT_EQ(s.mSourceType, type);
        EXPECT_FALSE(s.mRayGenerator);
        EXPECT_FALSE(s.mFieldGenerator);
        EXPECT_TRUE(oldRays.expired());
        EXPECT_EQ(s.GetDisplaySize(), 0.1f);
        EXPECT_EQ(s.GenerateFields().mDomain, FieldDomain::None);
        s.UpdateGeneratorsConfig(); // nothing to do, nothing breaks
    }
}

TEST(Source, GenerateFieldsPlacesTheGridAndKeepsTheOutput)
{
    Source s;
    s.SetSourceType(1);
    s.SetPosition(glm::dvec3(1.0, 2.0, 3.0));
    LogCapture log;
    Fields f = s.GenerateFields();
    EXPECT_EQ(f.mDomain, FieldDomain::XSpace);
    EXPECT_EQ(f.mPosition[0], 1.0);
    EXPECT_EQ(f.mPosition[1], 2.0);
    EXPECT_EQ(f.mPosition[2], 3.0);
    EXPECT_EQ(f.mEx(50, 50), std::complex<double>(1.0, 0.0));
    EXPECT_EQ(log.Warnings(), 0u); // the Gaussian has died out at the border
    EXPECT_EQ(s.mOutputFields.mEx.n_elem, 0u);

    s.mSaveOutputFields = true;
    f = s.GenerateFields();
    ASSERT_EQ(s.mOutputFields.mEx.n_rows, 101u);
    EXPECT_TRUE(arma::approx_equal(s.mOutputFields.mEx, f.mEx, "absdiff", 0.0));
    EXPECT_EQ(s.mOutputFields.mPosition[2], 3.0);
}

TEST(Source, DefaultPlanewaveWarnsOncePerStrongMatrix)
{
    Source s;
    s.SetSourceType(0);
    {
        // The axis samples on the window's border carry the full amplitude.
        LogCapture log;
        s.GenerateFields();
        EXPECT_EQ(log.Warnings(), 2u);
        EXPECT_EQ(log.Count("Source has non negligible (> 0.01) values of the field near the end of the sampling "
                            "window."),
                  2u);
    }
    {
        Settings(s)->mAmplitudeEy = {0.0, 0.0};
        LogCapture log;
        s.GenerateFields();
        EXPECT_EQ(log.Warnings(), 1u);
    }
    {
        Settings(s)->mWavelenght = 0.0; // the generator refuses: error, empty grid, no edge warning
        LogCapture log;
        EXPECT_EQ(s.GenerateFields().mDomain, FieldDomain::None);
        EXPECT_EQ(log.Errors(), 1u);
        EXPECT_EQ(log.Warnings(), 0u);
    }
}

TEST(Source, CheckSamplingWindowEdges)
{
    Source s;
    auto warnings = [&s](const arma::cx_mat& m) {
        LogCapture log;
        s.CheckSamplingWindowEdges(m);
        return log.Warnings();
    };
    arma::cx_mat m(5, 7, arma::fill::zeros);
    EXPECT_EQ(warnings(m), 0u);
    m(4, 6) = 0.02; // corner
    EXPECT_EQ(warnings(m), 1u);
    m(0, 3) = 5.0;
    m(2, 0) = 5.0;
    EXPECT_EQ(warnings(m), 1u); // one warning however many samples
    m.zeros();
    m(2, 3) = 100.0; // interior only
    EXPECT_EQ(warnings(m), 0u);
    m(0, 0) = 0.01; // not strictly above the threshold
    EXPECT_EQ(warnings(m), 0u);
    m(0, 0) = std::complex<double>(0.008, 0.008); // modulus 0.0113
    EXPECT_EQ(warnings(m), 1u);
    m(0, 0) = std::complex<double>(std::nan(""), 0.0);
    EXPECT_EQ(warnings(m), 0u);
    EXPECT_EQ(warnings(arma::cx_mat()), 0u);
    EXPECT_EQ(warnings(arma::cx_mat(4, 0)), 0u);
    EXPECT_EQ(warnings(arma::cx_mat(0, 4)), 0u);
    EXPECT_EQ(warnings(arma::cx_mat(1, 1, arma::fill::ones)), 1u);
}

TEST(Source, SavesTypeConfigAndGeneratorsInOrder)
{
    Source s;
    s.SetSourceType(0);
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("Talvo");
    s.Save(root);
    pugi::xml_node node = root.child("Source");
    ASSERT_TRUE(node);
    EXPECT_STREQ(node.attribute("Type").value(), "Source");
    EXPECT_STREQ(node.last_attribute().name(), "sourceType");
    EXPECT_EQ(node.last_attribute().as_int(), 0);
    EXPECT_EQ(ChildNames(node), std::vector<std::string>{"Config"});
    pugi::xml_node config = node.child("Config");
    EXPECT_EQ(AttributeCount(config), 12u);
    EXPECT_EQ(ChildNames(config), (std::vector<std::string>{"RayGenerator", "FieldGenerator"}));
    pugi::xml_node rays = config.child("RayGenerator");
    EXPECT_EQ(AttributeCount(rays), 3u);
    EXPECT_STREQ(rays.first_attribute().name(), "mRadius");
    EXPECT_EQ(rays.first_attribute().as_double(), 0.001);
    EXPECT_STREQ(rays.last_attribute().name(), "mNumberRayMultiplierForRandom");
    pugi::xml_node fields = config.child("FieldGenerator");
    EXPECT_EQ(AttributeCount(fields), 2u);
    EXPECT_STREQ(fields.last_attribute().name(), "mSmoothingDistance");

    Source bare;
    bare.Save(root);
    pugi::xml_node bareNode = root.last_child();
    EXPECT_EQ(bareNode.attribute("sourceType").as_int(), 2);
    EXPECT_EQ(AttributeCount(bareNode.child("Config")), 12u);
    EXPECT_TRUE(ChildNames(bareNode.child("Config")).empty());
}

TEST(Source, RoundTripThroughXml)
{
    Source s;
    s.SetSourceType(1);
    s.mLabel = "Spot";
    Settings(s)->mWavelenght = 5.32e-7;
    Settings(s)->mRefractiveIndex = {1.33, 0.001};
    Settings(s)->mDirection = {0.0, 0.6, 0.8};
    Beam(s)->mNumberRaysPerSide = 21;
    std::dynamic_pointer_cast<ConfigFieldsGeneratorGaussian>(s.mFieldGenerator->mConfig)->mWaist = 2.5e-4;
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("Talvo");
    s.Save(root);

    Source loaded;
    pugi::xml_node node = root.child("Source");
    LogCapture log;
    EXPECT_TRUE(loaded.Load(node));
    EXPECT_EQ(log.Errors(), 0u);
    EXPECT_EQ(loaded.mSourceType, 1);
    EXPECT_EQ(loaded.mLabel, "Spot");
    EXPECT_EQ(loaded.mId, s.mId);
    EXPECT_EQ(Settings(loaded)->mWavelenght, 5.32e-7);
    EXPECT_EQ(Settings(loaded)->mRefractiveIndex, std::complex<double>(1.33, 0.001));
    EXPECT_EQ(Settings(loaded)->mDirection[1], 0.6);
    EXPECT_EQ(Beam(loaded)->mNumberRaysPerSide, 21);
    EXPECT_EQ(Beam(loaded)->mRadius, 0.0002);
    EXPECT_EQ(std::dynamic_pointer_cast<ConfigFieldsGeneratorGaussian>(loaded.mFieldGenerator->mConfig)->mWaist,
              2.5e-4);
}

TEST(Source, LoadingWithoutSourceTypeGivesAPlanewave)
{
    Source s;
    s.SetSourceType(0);
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("Talvo");
    s.Save(root);
    pugi::xml_node node = root.child("Source");
    node.remove_attribute("sourceType");

    Source loaded;
    LogCapture log;
    EXPECT_TRUE(loaded.LoadConfig(node));
    EXPECT_EQ(log.Errors(), 1u);
    EXPECT_EQ(log.Count("Attribute 'sourceType' doesn't exisit in node 'Source'"), 1u);
    EXPECT_EQ(loaded.mSourceType, 0);
    EXPECT_TRUE(loaded.mRayGenerator);
    EXPECT_TRUE(std::dynamic_pointer_cast<FieldsGeneratorPlanewave>(loaded.mFieldGenerator));
}

TEST(Source, LoadingAnUnknownTypeGivesNoGenerators)
{
    pugi::xml_document doc;
    pugi::xml_node node = doc.append_child("Source");
    node.append_attribute("sourceType").set_value(7);
    pugi::xml_node config = node.append_child("Config");
    ConfigSource().SaveFields(config);
    Source s;
    LogCapture log;
    EXPECT_TRUE(s.LoadConfig(node));
    EXPECT_EQ(log.Errors(), 0u);
    EXPECT_EQ(s.mSourceType, 7);
    EXPECT_FALSE(s.mRayGenerator);
    EXPECT_STREQ(Source::GetSourceTypeName(s.mSourceType), "INVALID");
}

TEST(Source, MissingConfigFailsAndKeepsDefaults)
{
    pugi::xml_document doc;
    pugi::xml_node node = doc.append_child("Source");
    node.append_attribute("sourceType").set_value(1);
    Source s;
    LogCapture log;
    EXPECT_FALSE(s.LoadConfig(node));
    EXPECT_EQ(log.Count("no Config node in lens (id=" + std::to_string(s.mId) + ")"), 1u);
    EXPECT_EQ(s.mSourceType, 1);
    EXPECT_EQ(Settings(s)->mSamplingPoints, 101);
    EXPECT_EQ(Beam(s)->mRadius, 0.0002);
}

TEST(Source, MissingGeneratorNodesFailButLoadTheRest)
{
    Source original;
    original.SetSourceType(0);
    Settings(original)->mSamplingPoints = 51;
    Beam(original)->mNumberRaysPerSide = 4;
    std::dynamic_pointer_cast<ConfigFieldsGeneratorPlanewave>(original.mFieldGenerator->mConfig)->mRadius = 0.004;
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("Talvo");
    original.Save(root);
    pugi::xml_node node = root.child("Source");

    {
        pugi::xml_document copy;
        copy.append_copy(node);
        pugi::xml_node n = copy.first_child();
        n.child("Config").remove_child("RayGenerator");
        Source s;
        LogCapture log;
        EXPECT_FALSE(s.LoadConfig(n));
        EXPECT_EQ(log.Count("no FieldGenerator node in RayGenerator"), 1u);
        EXPECT_EQ(Settings(s)->mSamplingPoints, 51);
        EXPECT_EQ(Beam(s)->mNumberRaysPerSide, 10);
        EXPECT_EQ(std::dynamic_pointer_cast<ConfigFieldsGeneratorPlanewave>(s.mFieldGenerator->mConfig)->mRadius,
                  0.004);
    }
    {
        pugi::xml_document copy;
        copy.append_copy(node);
        pugi::xml_node n = copy.first_child();
        n.child("Config").remove_child("FieldGenerator");
        Source s;
        LogCapture log;
        testing::internal::CaptureStdout();
        const bool result = s.LoadConfig(n);
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_FALSE(result);
        EXPECT_NE(out.find("ERROR: no FieldGenerator node in FieldGenerator"), std::string::npos);
        EXPECT_EQ(log.Errors(), 0u);
        EXPECT_EQ(Beam(s)->mNumberRaysPerSide, 4);
        EXPECT_EQ(std::dynamic_pointer_cast<ConfigFieldsGeneratorPlanewave>(s.mFieldGenerator->mConfig)->mRadius,
                  0.001);
    }
}

TEST(Source, EmitsRaysFromItsGenerator)
{
    Source s;
    s.SetSourceType(0);
    Beam(s)->mRadius = 0.01;
    s.SetPosition(glm::dvec3(0.0, 0.0, -1.0));
    s.mRayGenerator->mRayCounter = 0;
    int count = 0;
    while (auto ray = s.mRayGenerator->GetNextRay(Settings(s), 0))
    {
        EXPECT_EQ(ray->mPoints[0].z, -1.0);
        ++count;
    }
    EXPECT_EQ(count, 60);
}
