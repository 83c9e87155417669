// uvo-render as a command: it renders into EXR and PNG with the settings in
// the EXR header, and refuses a missing scene file or a bad shader library
// with a clear error and a non-zero exit code.  Bad scenes: see the
// hostile-input tests.
#include <gtest/gtest.h>

#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfChromaticitiesAttribute.h>
#include <ImfFloatAttribute.h>
#include <ImfIntAttribute.h>
#include <ImfMatrixAttribute.h>
#include <ImfStringAttribute.h>
#include <ImfVecAttribute.h>

#include <filesystem>
#include <fstream>

#include "render_support.h"

using namespace uvo_host;
using uvo_host_test::run_render;
using uvo_host_test::scratch_dir;
using uvo_host_test::write_file;

namespace {

const char *kScene = R"({"options": {"samples": 2},
    "camera": {"resolution": [20, 16], "transform": {"translate": [0, 1, 4]},
               "environment": {"shader": "constant", "params": {"color": [0.3, 0.3, 0.35]}}},
    "lights": [{"name": "lamp", "type": "rectangle", "size": [1, 1], "intensity": 6,
                "transform": {"look_at": {"from": [0, 2.5, 0], "to": [0, 0, 0], "up": [0, 0, -1]}}}],
    "objects": [{"type": "plane", "size": 8, "material": {"shader": "lambert", "params": {"samples": 2}}},
                {"type": "box", "transform": {"translate": [0, 0.5, 0]},
                 "material": {"shader": "lambert", "params": {"diffuse": [0.2, 0.6, 0.3], "samples": 2}}},
                {"type": "plane", "size": 1, "transform": {"translate": [0, 2.45, 0]},
                 "material": {"shader": "uvo_light_surface", "params": {"surface_intensity": 6}}}]})";

}  // namespace

TEST(Command, RendersExrAndPngWithSettingsInTheHeader) {
    const std::string dir = scratch_dir("cli_ok");
    write_file(dir + "/scene.json", kScene);
    const auto result = run_render(dir + "/scene.json -o " + dir + "/out/frame -t 2 --samples 3");
    ASSERT_EQ(result.exit_code, 0) << result.output;
    ASSERT_TRUE(std::filesystem::exists(dir + "/out/frame.png"));
    Imf::InputFile file((dir + "/out/frame.exr").c_str());
    const Imf::Header &header = file.header();
    const auto *samples = header.findTypedAttribute<Imf::IntAttribute>("uvo:samples");
    ASSERT_NE(samples, nullptr);
    EXPECT_EQ(samples->value(), 3) << "--samples overrides the scene";
    const auto *resolution = header.findTypedAttribute<Imf::V2iAttribute>("uvo:resolution");
    ASSERT_NE(resolution, nullptr);
    EXPECT_EQ(resolution->value(), Imath::V2i(20, 16));
    EXPECT_NE(header.findTypedAttribute<Imf::ChromaticitiesAttribute>("chromaticities"), nullptr);
    // The camera sits at (0, 1, 4) looking down -z with a film 1 wide at
    // focal 1: it is the origin of camera space, and a point 2 ahead and 0.25
    // to the right lands at x = 0.25 / 2 / 0.5 = 0.25 in device coordinates.
    const auto *to_camera = header.findTypedAttribute<Imf::M44fAttribute>("worldToCamera");
    const auto *to_ndc = header.findTypedAttribute<Imf::M44fAttribute>("worldToNDC");
    ASSERT_TRUE(to_camera != nullptr && to_ndc != nullptr);
    const Imath::V3f eye = Imath::V3f(0, 1, 4) * to_camera->value();
    EXPECT_LT(eye.length(), 1e-5f) << eye;
    const Imath::V3f ndc = Imath::V3f(0.25f, 1, 2) * to_ndc->value();
    EXPECT_NEAR(ndc.x, 0.25f, 1e-5f);
    EXPECT_NEAR(ndc.y, 0.0f, 1e-5f);
    EXPECT_NEAR(ndc.z, 0.5f, 1e-5f) << "1 / distance";
    // The preview says it is sRGB: the chunk right after the header.
    std::ifstream png(dir + "/out/frame.png", std::ios::binary);
    std::string start(45, '\0');
    png.read(start.data(), 45);
    EXPECT_EQ(start.substr(37, 4), "sRGB");
    const Image image = read_image(dir + "/out/frame.exr"), preview = read_image(dir + "/out/frame.png");
    ASSERT_EQ(preview.rgba.size(), image.rgba.size());
    // The preview is the same picture, 8-bit sRGB: within a quantisation step.
    for (size_t i = 0; i < image.rgba.size(); ++i) {
        if (i % 4 != 3 && image.rgba[i] <= 1.0f) {
            ASSERT_NEAR(preview.rgba[i], image.rgba[i], 0.01) << "value " << i;
        }
    }
}

TEST(Command, AMissingSceneOrLibraryStopsWithItsPath) {
    const std::string dir = scratch_dir("cli_bad");
    const auto missing = run_render(dir + "/nothing.json");
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_NE(missing.output.find(dir + "/nothing.json: /: cannot open the scene file"), std::string::npos)
        << missing.output;

    write_file(dir + "/ok.json", kScene);
    const auto library = run_render(dir + "/ok.json --shaders " + dir + "/libnothing.so");
    EXPECT_EQ(library.exit_code, 2);
    EXPECT_NE(library.output.find(dir + "/libnothing.so: cannot load the shader library"), std::string::npos)
        << library.output;
}

TEST(Command, UnitsAndExposureOfADaylightRenderAreInTheHeader) {
    const std::string dir = scratch_dir("cli_units");
    // The physical sky at its default rgb_scale, exposed at ISO 100, 1/30 s, f/8.
    const auto result = run_render(std::string(UVO_SOURCE_DIR) + "/scenes/default.json -o " + dir +
                                   "/day --width 8 --height 6 --samples 1 --no-progress");
    ASSERT_EQ(result.exit_code, 0) << result.output;
    Imf::InputFile file((dir + "/day.exr").c_str());
    const auto number = [&](const char *name) {
        const auto *a = file.header().findTypedAttribute<Imf::FloatAttribute>(name);
        return a != nullptr ? a->value() : -1.0f;
    };
    EXPECT_NEAR(number("whiteLuminance"), 25464.8f, 1.0f);  // 1 / (pi x 1.25e-5)
    EXPECT_EQ(number("isoSpeed"), 100.0f);
    EXPECT_NEAR(number("expTime"), 1.0f / 30.0f, 1e-7f);
    EXPECT_EQ(number("aperture"), 8.0f);
}

TEST(Command, VersionSeedOutputNamesRangesAndDebugLines) {
    const std::string dir = scratch_dir("cli_options");
    write_file(dir + "/scene.json", kScene);
    const auto version = run_render("--version");
    EXPECT_EQ(version.exit_code, 0);
    EXPECT_EQ(version.output.rfind("uvo-render ", 0), 0u) << version.output;

    // "-o x.png" names the pair x.exr and x.png; -v 4 tells where everything came from.
    const auto named = run_render(dir + "/scene.json -o " + dir + "/a.png -v 4 --no-progress");
    ASSERT_EQ(named.exit_code, 0) << named.output;
    EXPECT_TRUE(std::filesystem::exists(dir + "/a.png") && std::filesystem::exists(dir + "/a.exr"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/a.png.png"));
    for (const char *line : {"debug: shader library ", "debug:   uvo_material version ", "3 objects, "})
        EXPECT_NE(named.output.find(line), std::string::npos) << line << " in\n" << named.output;

    ASSERT_EQ(run_render(dir + "/scene.json -o " + dir + "/b --seed 7").exit_code, 0);
    EXPECT_NE(read_image(dir + "/a.exr").rgba, read_image(dir + "/b.exr").rgba) << "--seed changes the samples";

    // A bound as the user would write it, on one short line.
    const auto zero = run_render(dir + "/scene.json --samples 0");
    EXPECT_EQ(zero.exit_code, 1);
    EXPECT_LT(zero.output.size(), 100u) << zero.output;
}

TEST(Command, ProgressLinesWhenNotOnATerminalNeverGoBack) {
    const std::string dir = scratch_dir("cli_progress");
    std::string scene = kScene;
    const std::string options = R"({"samples": 2})";
    scene.replace(scene.find(options), options.size(), R"({"samples": 2, "tile_size": 4})");
    write_file(dir + "/scene.json", scene);
    // Tiles of 4 pixels: 20 tiles over two threads, a line after each.
    const auto result = run_render(dir + "/scene.json -o " + dir + "/p -t 2 --progress-interval 0", true);
    ASSERT_EQ(result.exit_code, 0) << result.output;
    int last = -1, lines = 0;
    for (size_t at = result.output.find("progress: "); at != std::string::npos;
         at = result.output.find("progress: ", at + 1), ++lines) {
        const int percent = std::atoi(result.output.c_str() + at + 10);
        EXPECT_GE(percent, last) << result.output;
        last = percent;
    }
    EXPECT_EQ(last, 100) << result.output;
    EXPECT_GT(lines, 1);
    EXPECT_NE(result.output.find(" elapsed, about "), std::string::npos) << result.output;
}
