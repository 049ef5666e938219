#include <climits>
#include <iterator>
#include <string>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "core/sources/FieldsGeneratorGaussian.h"
#include "core/sources/FieldsGeneratorPlanewave.h"
#include "tests/support/LogCapture.h"
#include "core/sources/RayGeneratorBeam.h"
#include "core/sources/Source.h"

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
template <class T>
std::shared_ptr<T> FieldSettings(const Source& s)
{
    return std::dynamic_pointer_cast<T>(s.mFieldGenerator->mConfig);
}
// "name(attribute count){children}", recursively.
std::string Shape(const pugi::xml_node& node)
{
    std::string shape = node.name();
    shape += "(" + std::to_string(std::distance(node.attributes_begin(), node.attributes_end())) + "){";
    for (pugi::xml_node child : node.children())
        shape += Shape(child);
    return shape + "}";
}
} // namespace

TEST(Source, TypeNamesAreBoundsChecked)
{
    EXPECT_STREQ(Source::GetSourceTypeName(0), "Planewave");
    EXPECT_STREQ(Source::GetSourceTypeName(1), "Gaussian");
    for (int type : {2, 3, 7, -1, INT_MIN, INT_MAX})
        EXPECT_STREQ(Source::GetSourceTypeName(type), "INVALID") << type;
}

TEST(Source, TypeChoosesGeneratorsAndSyncsTheBeamRadius)
{
    Source s;
    EXPECT_EQ(s.mLabel, "Source Beam");
    EXPECT_FALSE(s.mHasInput);
    EXPECT_EQ(s.mSourceType, 2); // no generators until a type is chosen
    EXPECT_FALSE(s.mRayGenerator || s.mFieldGenerator);
    s.SetSourceType(0);
    auto* beam = dynamic_cast<RayGeneratorBeam*>(s.mRayGenerator.get());
    ASSERT_TRUE(beam && std::dynamic_pointer_cast<FieldsGeneratorPlanewave>(s.mFieldGenerator));
    EXPECT_EQ(beam->mSource, &s);
    EXPECT_EQ(Beam(s)->mRadius, 0.001);
    EXPECT_EQ(s.GetDisplaySize(), 0.0025f); // the plane wave's 2.5 R exceeds the beam's 2.1 R

    // The same type again keeps generators and edits; syncing copies the field's radius.
    std::weak_ptr<IRayGenerator> rays = s.mRayGenerator;
    const std::weak_ptr<IFieldGenerator> fields = s.mFieldGenerator;
    Beam(s)->mRadius = 0.02;
    FieldSettings<ConfigFieldsGeneratorPlanewave>(s)->mRadius = 0.03;
    s.SetSourceType(0);
    EXPECT_EQ(s.mRayGenerator, rays.lock());
    EXPECT_EQ(Beam(s)->mRadius, 0.02);
    s.UpdateGeneratorsConfig();
    EXPECT_EQ(Beam(s)->mRadius, 0.03);

    // Another type releases the old generators; a Gaussian's beam is twice its waist.
    s.SetSourceType(1);
    EXPECT_TRUE(rays.expired() && fields.expired());
    ASSERT_TRUE(std::dynamic_pointer_cast<FieldsGeneratorGaussian>(s.mFieldGenerator));
    EXPECT_EQ(Beam(s)->mRadius, 0.0002);
    EXPECT_EQ(s.GetDisplaySize(), 0.0005f);
    FieldSettings<ConfigFieldsGeneratorGaussian>(s)->mWaist = 0.003;
    s.UpdateGeneratorsConfig();
    EXPECT_EQ(Beam(s)->mRadius, 0.006);

    for (int type : {2, 7, -1})
    {
        s.SetSourceType(0);
        rays = s.mRayGenerator;
        s.SetSourceType(type);
        EXPECT_EQ(s.mSourceType, type);
        EXPECT_FALSE(s.mRayGenerator || s.mFieldGenerator);
        EXPECT_TRUE(rays.expired());
        EXPECT_EQ(s.GetDisplaySize(), 0.1f);
        EXPECT_EQ(s.GenerateFields().mDomain, FieldDomain::None);
        s.UpdateGeneratorsConfig(); // nothing to do, nothing breaks
    }
}

TEST(Source, DisplaySizeIgnoresExtentsThatAreNotNumbers)
{
    Source s;
    s.SetSourceType(0);
    FieldSettings<ConfigFieldsGeneratorPlanewave>(s)->mRadius = std::nan("");
    EXPECT_EQ(s.GetDisplaySize(), static_cast<float>(0.001 * 2.1)); // the beam's extent
    Beam(s)->mRadius = std::nan("");
    EXPECT_EQ(s.GetDisplaySize(), 0.1f);
    FieldSettings<ConfigFieldsGeneratorPlanewave>(s)->mRadius = 1e300; // too large for a float
    EXPECT_EQ(s.GetDisplaySize(), 0.1f);
}

TEST(Source, GenerateFieldsPlacesTheGridAndWarnsOncePerStrongEdge)
{
    Source s;
    s.SetSourceType(1);
    s.SetPosition(glm::dvec3(1.0, 2.0, 3.0));
    auto generate = [&s](size_t warnings, size_t errors) {
        LogCapture log;
        Fields f = s.GenerateFields();
        EXPECT_EQ(log.Warnings(), warnings);
        EXPECT_EQ(log.Errors(), errors);
        EXPECT_EQ(log.Count("Source has non negligible (> 0.01) values of the field near the end of the sampling "
                            "window."),
                  warnings);
        return f;
    };
    Fields f = generate(0, 0); // the Gaussian has died out at the border
    EXPECT_EQ(f.mDomain, FieldDomain::XSpace);
    EXPECT_TRUE(arma::approx_equal(f.mPosition, arma::vec3{1.0, 2.0, 3.0}, "absdiff", 0.0));
    EXPECT_EQ(f.mEx(50, 50), std::complex<double>(1.0, 0.0));
    EXPECT_EQ(s.mOutputFields.mEx.n_elem, 0u);
    s.mSaveOutputFields = true;
    f = generate(0, 0);
    ASSERT_EQ(s.mOutputFields.mEx.n_rows, 101u);
    EXPECT_TRUE(arma::approx_equal(s.mOutputFields.mEx, f.mEx, "absdiff", 0.0));

    s.SetSourceType(0);
    generate(2, 0); // the plane wave's axis samples on the border carry the full amplitude
    Settings(s)->mAmplitudeEy = {0.0, 0.0};
    generate(1, 0);
    Settings(s)->mWavelenght = 0.0; // refused by the generator: empty grid, no edge warning
    EXPECT_EQ(generate(0, 1).mDomain, FieldDomain::None);
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
    m(0, 3) = m(2, 0) = 5.0;
    EXPECT_EQ(warnings(m), 1u); // one warning however many samples
    m.zeros();
    m(2, 3) = 100.0; // interior only
    m(0, 0) = 0.01;  // not strictly above the threshold
    EXPECT_EQ(warnings(m), 0u);
    m(0, 0) = std::complex<double>(0.008, 0.008); // modulus 0.0113
    EXPECT_EQ(warnings(m), 1u);
    m(0, 0) = std::complex<double>(std::nan(""), 0.0);
    EXPECT_EQ(warnings(m), 0u);
    for (const arma::cx_mat& empty : {arma::cx_mat(), arma::cx_mat(4, 0), arma::cx_mat(0, 4)})
        EXPECT_EQ(warnings(empty), 0u);
    EXPECT_EQ(warnings(arma::cx_mat(1, 1, arma::fill::ones)), 1u);
}

TEST(Source, SavesInOrderAndLoadsBack)
{
    Source s;
    s.SetSourceType(1);
    s.mLabel = "Spot";
    ConfigSource& settings = *Settings(s);
    settings.mWavelenght = 5.32e-7;
    settings.mRefractiveIndex = {1.33, 0.001};
    settings.mDirection = {0.0, 0.6, 0.8};
    Beam(s)->mNumberRaysPerSide = 21;
    FieldSettings<ConfigFieldsGeneratorGaussian>(s)->mWaist = 2.5e-4;
    Source bare;
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("Talvo");
    s.Save(root);
    bare.Save(root);

    pugi::xml_node node = root.first_child();
    EXPECT_STREQ(node.name(), "Source");
    EXPECT_STREQ(node.attribute("Type").value(), "Source");
    EXPECT_STREQ(node.last_attribute().name(), "sourceType");
    const std::string shape = Shape(node); // only Config below the source
    EXPECT_EQ(shape.substr(shape.find('{')), "{Config(12){RayGenerator(3){}FieldGenerator(1){}}}");
    pugi::xml_node rays = node.child("Config").child("RayGenerator");
    EXPECT_STREQ(rays.first_attribute().name(), "mRadius");
    EXPECT_EQ(rays.first_attribute().as_double(), 0.0002);
    EXPECT_STREQ(rays.last_attribute().name(), "mNumberRayMultiplierForRandom");
    EXPECT_STREQ(node.child("Config").child("FieldGenerator").first_attribute().name(), "mWaist");
    EXPECT_EQ(root.last_child().attribute("sourceType").as_int(), 2);
    EXPECT_EQ(Shape(root.last_child().child("Config")), "Config(12){}");

    Source loaded;
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
    EXPECT_EQ(FieldSettings<ConfigFieldsGeneratorGaussian>(loaded)->mWaist, 2.5e-4);
}

TEST(Source, LoadingIncompleteNodesLoadsWhatIsThere)
{
    Source original;
    original.SetSourceType(0);
    Settings(original)->mSamplingPoints = 51;
    Beam(original)->mNumberRaysPerSide = 4;
    FieldSettings<ConfigFieldsGeneratorPlanewave>(original)->mRadius = 0.004;
    pugi::xml_document saved;
    pugi::xml_node root = saved.append_child("Talvo");
    original.Save(root);

    struct Case
    {
        const char* removed; // attribute or node taken out of the saved source
        int storedType;
        const char* message; // in the log, or on stdout when no log error is expected
        bool ok;
        size_t logErrors;
        int samplingPoints;
        int raysPerSide; // 0: no generators
        double fieldRadius;
    };
    const Case cases[] = {
        {"", 0, "", true, 0, 51, 4, 0.004},
        {"", 7, "", true, 0, 51, 0, 0.0},
        {"sourceType", 0, "Attribute 'sourceType' doesn't exisit in node 'Source'", true, 1, 51, 4, 0.004},
        {"Config", 0, "no Config node in lens (id=", false, 1, 101, 10, 0.001},
        {"RayGenerator", 0, "no FieldGenerator node in RayGenerator", false, 1, 51, 10, 0.004},
        {"FieldGenerator", 0, "ERROR: no FieldGenerator node in FieldGenerator", false, 0, 51, 4, 0.001},
    };
    for (const Case& c : cases)
    {
        pugi::xml_document copy;
        pugi::xml_node node = copy.append_copy(root.child("Source"));
        node.attribute("sourceType").set_value(c.storedType);
        if (!node.remove_attribute(c.removed) && !node.remove_child(c.removed))
            node.child("Config").remove_child(c.removed);
        Source s;
        LogCapture log;
        testing::internal::CaptureStdout();
        const bool ok = s.LoadConfig(node);
        const std::string out = testing::internal::GetCapturedStdout();
        SCOPED_TRACE(std::string(c.removed) + " removed, type " + std::to_string(c.storedType));
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(log.Errors(), c.logErrors);
        std::string message = c.message;
        if (!message.empty() && message.back() == '=') // ends with the source's id
            message += std::to_string(s.mId) + ")";
        EXPECT_TRUE(c.logErrors > 0 ? log.Count(message) == 1 : out.find(message) != std::string::npos) << message;
        EXPECT_EQ(s.mSourceType, c.storedType);
        EXPECT_EQ(Settings(s)->mSamplingPoints, c.samplingPoints);
        if (c.raysPerSide == 0)
        {
            EXPECT_FALSE(s.mRayGenerator || s.mFieldGenerator);
            continue;
        }
        ASSERT_TRUE(s.mRayGenerator && s.mFieldGenerator);
        EXPECT_EQ(Beam(s)->mNumberRaysPerSide, c.raysPerSide);
        EXPECT_EQ(FieldSettings<ConfigFieldsGeneratorPlanewave>(s)->mRadius, c.fieldRadius);
    }
}
