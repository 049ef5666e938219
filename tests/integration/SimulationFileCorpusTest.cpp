#include <filesystem>
#include <fstream>
#include <map>

#include <gtest/gtest.h>

#include "tests/support/LogCapture.h"
#include "tests/support/SimulationFileCheck.h"

using orvilane::test::LoadAndRunBothKernels;
using orvilane::test::LogCapture;
using orvilane::test::RunOutcome;

namespace
{
const std::filesystem::path kCorpus = std::filesystem::path(ORVILANE_TEST_DATA_DIR) / "corpus";
} // namespace

// Every broken or hostile file either loads or is refused with logged errors,
// and both kernels then run on what loaded.
TEST(SimulationFileCorpus, EveryFileLoadsOrIsRefusedWithErrors)
{
    struct Expected
    {
        size_t sources, elements;
    };
    const std::map<std::string, Expected> expected = {
        {"valid_bench.xml", {1, 8}},     {"truncated.xml", {0, 0}},    {"wrong_root.xml", {0, 0}},
        {"empty.xml", {0, 0}},           {"not_xml.xml", {0, 0}},      {"parent_cycle.xml", {0, 0}},
        {"self_parent.xml", {0, 0}},     {"id_zero.xml", {0, 0}},      {"duplicate_ids.xml", {1, 1}},
        {"huge_version.xml", {0, 0}},    {"extra_surfaces.xml", {1, 1}}, {"bad_source_types.xml", {3, 1}},
        {"huge_detector.xml", {1, 1}},   {"unknown_and_legacy_types.xml", {1, 0}},
    };
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kCorpus))
    {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        LogCapture capture;
        RunOutcome outcome;
        EXPECT_NO_THROW(outcome = LoadAndRunBothKernels(entry.path().string()));
        ++files;
        if (outcome.sources + outcome.elements == 0)
        {
            EXPECT_GT(capture.Errors(), 0u);
        }
        const auto it = expected.find(name);
        if (it != expected.end())
        {
            EXPECT_EQ(outcome.sources, it->second.sources);
            EXPECT_EQ(outcome.elements, it->second.elements);
        }
        if (name == "valid_bench.xml")
        {
            // Loads cleanly; the field run's own errors (mirrors pass no field on) may follow.
            EXPECT_EQ(capture.Count("doesn't exisit"), 0u);
            EXPECT_EQ(capture.Count("canont load"), 0u);
            EXPECT_GT(outcome.previewRays, 0u);
        }
    }
    EXPECT_GE(files, 20u);
}

// A file of tens of megabytes: many elements off the beam, one source.
TEST(SimulationFileCorpus, LargeFileLoadsAndRuns)
{
    const auto path = std::filesystem::temp_directory_path() / "orvilane-large-setup.xml";
    {
        std::ofstream file(path);
        file << "<?xml version=\"1.0\"?>\n<Talvo version=\"0\">\n";
        file << "\t<Source Type=\"Source\" label=\"S\" id=\"1000\" parentId=\"0\" inputId=\"0\" "
                "saveInputFields=\"false\" saveOutputFields=\"false\" x=\"0\" y=\"0\" z=\"0\" a=\"0\" b=\"0\" "
                "c=\"0\" sourceType=\"1\"><Config mDirection_x=\"0\" mDirection_y=\"0\" mDirection_z=\"1\" "
                "mRefractiveIndex_re=\"1\" mRefractiveIndex_im=\"0\" mWavelenght=\"6.38e-7\" "
                "mAmplitudeEx_re=\"1\" mAmplitudeEx_im=\"0\" mAmplitudeEy_re=\"1\" mAmplitudeEy_im=\"0\" "
                "mSamplingPoints=\"21\" mSamplingWindowSize=\"0.002\">"
                "<RayGenerator mRadius=\"0.001\" mNumberRaysPerSide=\"4\" mNumberRayMultiplierForRandom=\"1\"/>"
                "<FieldGenerator mWaist=\"0.0001\"/></Config></Source>\n";
        const int count = 40000;
        for (int k = 0; k < count; ++k)
        {
            file << "\t<Element Type=\"Detector\" label=\"Detector number " << k << "\" id=\"" << 1001 + k
                 << "\" parentId=\"0\" inputId=\"" << (k == 0 ? 1000 : 0)
                 << "\" saveInputFields=\"false\" saveOutputFields=\"false\" x=\"" << 10 + k * 0.2
                 << "\" y=\"0\" z=\"0.1\" a=\"0\" b=\"0\" c=\"0\">\n\t\t<Config BlockLight=\"true\" "
                    "Resolution_x=\"8\" Resolution_y=\"8\">\n\t\t\t<Surface mSize_x=\"0.1\" mSize_y=\"0.1\" "
                    "/>\n\t\t</Config>\n\t</Element>\n";
        }
        file << "</Talvo>\n";
    }
    EXPECT_GT(std::filesystem::file_size(path), 10u * 1000 * 1000);
    LogCapture capture;
    const RunOutcome outcome = LoadAndRunBothKernels(path.string());
    EXPECT_EQ(outcome.sources, 1u);
    EXPECT_EQ(outcome.elements, 40000u);
    EXPECT_GT(outcome.previewRays, 0u);
    EXPECT_EQ(capture.Errors(), 0u);
    std::filesystem::remove(path);
}
