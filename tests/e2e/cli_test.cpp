// uvo-render as a command: it renders into EXR and PNG with the settings in
// the EXR header, gives the same pixels for any thread count, and refuses bad
// scenes, a missing scene file or a bad shader library with one clear error
// line and a non-zero exit code, before rendering anything.
#include <gtest/gtest.h>

#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfStringAttribute.h>

#include <filesystem>

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
    const auto result = run_render(dir + "/scene.json -o " + dir + "/out/frame -t 2");
    ASSERT_EQ(result.exit_code, 0) << result.output;
    ASSERT_TRUE(std::filesystem::exists(dir + "/out/frame.png"));
    Imf::InputFile file((dir + "/out/frame.exr").c_str());
    const auto *samples = file.header().findTypedAttribute<Imf::StringAttribute>("uvo:samples");
    ASSERT_NE(samples, nullptr);
    EXPECT_EQ(samples->value(), "2");
    const auto *resolution = file.header().findTypedAttribute<Imf::StringAttribute>("uvo:resolution");
    ASSERT_NE(resolution, nullptr);
    EXPECT_EQ(resolution->value(), "20x16");
    const Image image = read_image(dir + "/out/frame.exr");
    EXPECT_EQ(image.width, 20);
    EXPECT_EQ(image.height, 16);
    const Image preview = read_image(dir + "/out/frame.png");
    EXPECT_EQ(preview.width, 20);
    // The preview is the same picture, 8-bit sRGB: within a quantisation step.
    for (size_t i = 0; i < image.rgba.size(); ++i) {
        if (i % 4 != 3 && image.rgba[i] <= 1.0f) {
            ASSERT_NEAR(preview.rgba[i], image.rgba[i], 0.01) << "value " << i;
        }
    }
}

TEST(Command, TheSampleCountIsHonoured) {
    // Thread counts: see the in-process determinism test.
    const std::string dir = scratch_dir("cli_samples");
    write_file(dir + "/scene.json", kScene);
    ASSERT_EQ(run_render(dir + "/scene.json -o " + dir + "/one").exit_code, 0);
    const auto more = run_render(dir + "/scene.json -o " + dir + "/more --samples 4");
    ASSERT_EQ(more.exit_code, 0) << more.output;
    EXPECT_FALSE(read_image(dir + "/more.exr").rgba == read_image(dir + "/one.exr").rgba);
}

TEST(Command, BadScenesStopWithOneClearErrorAndNoImage) {
    const std::string dir = scratch_dir("cli_bad");
    struct Case {
        const char *file;
        std::string text;
        std::string message;  // expected in the error line after the file name
    };
    const std::vector<Case> cases = {
        {"malformed.json", "{\"camera\": ", "line 1, column 12: malformed JSON"},
    };
    for (const Case &c : cases) {
        const std::string path = dir + "/" + c.file;
        write_file(path, c.text);
        const auto result = run_render(path + " -o " + dir + "/never");
        EXPECT_EQ(result.exit_code, 1) << c.file << ": " << result.output;
        EXPECT_NE(result.output.find("uvo-render: error: " + path + ": "), std::string::npos)
            << c.file << ": " << result.output;
        EXPECT_NE(result.output.find(c.message), std::string::npos)
            << c.file << "\n  output:   " << result.output << "\n  expected: " << c.message;
        EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1) << c.file << ": " << result.output;
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "/never.exr"));

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

TEST(Command, PanelRoomRendersWithItsGlowingLampPanel) {
    const std::string dir = scratch_dir("cli_default");
    const auto result = run_render(std::string(UVO_SOURCE_DIR) + "/scenes/panel_room.json -o " + dir +
                                   "/default --width 48 --height 36 --samples 2");
    ASSERT_EQ(result.exit_code, 0) << result.output;
    const Image image = read_image(dir + "/default.exr");
    ASSERT_EQ(image.width, 48);
    // The lamp panel shows uvo_light_surface's own glow, colour times
    // intensity (1, 0.92, 0.8) x 30, on the pixels it covers fully; the room
    // stays far below it.
    float brightest = 0.0f;
    Color at{};
    int glowing = 0, lit = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const Color c = image.get(x, y);
            if (c.r > brightest) {
                brightest = c.r;
                at = c;
            }
            glowing += c.r > 29.0f;
            lit += c.r > 0.02f && c.r < 2.0f;
        }
    EXPECT_NEAR(at.r, 30.0f, 0.01f);
    EXPECT_NEAR(at.g, 27.6f, 0.01f);
    EXPECT_NEAR(at.b, 24.0f, 0.01f);
    EXPECT_GT(glowing, 4);
    EXPECT_GT(lit, image.width * image.height / 2) << "the room is lit by the lamp";
}
