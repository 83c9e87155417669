// Hostile scenes and command lines: uvo-render refuses each with one error
// line that says where the problem is and exit code 1, before it renders or
// allocates anything large; nothing crashes, hangs or grows without bound.
#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>

#include <filesystem>

#include "render_support.h"

using uvo_host_test::run_render;
using uvo_host_test::scratch_dir;
using uvo_host_test::write_file;

namespace {

struct Refusal {
    std::string name;
    std::string scene;    // scene text
    std::string message;  // expected in the error line
    std::string arguments = "";
};

// Renders every case and checks: exit 1, a single line naming the scene file
// and the expected problem, no image.
void expect_refused(const std::string &dir, const std::vector<Refusal> &cases) {
    for (const Refusal &c : cases) {
        const std::string path = dir + "/" + c.name + ".json";
        write_file(path, c.scene);
        const auto result = run_render(path + " -o " + dir + "/never " + c.arguments);
        EXPECT_EQ(result.exit_code, 1) << c.name << ": " << result.output;
        EXPECT_NE(result.output.find(c.message), std::string::npos)
            << c.name << "\n  output:   " << result.output << "\n  expected: " << c.message;
        EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1) << c.name << ": " << result.output;
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "/never.exr"));
}

std::string mesh_scene(const std::string &file) {
    return R"({"camera": {"resolution": [8, 8]}, "objects": [{"type": "mesh", "file": ")" + file + R"("}]})";
}

}  // namespace

TEST(HostileInput, MeshReferencesAndCoordinatesAreChecked) {
    const std::string dir = scratch_dir("hostile_mesh");
    const std::vector<std::pair<std::string, std::string>> meshes = {
        {"far", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3000000\n"},
        {"zero", "v 0 0 0\nv 1 0 0\nv 0 1 0\n\nf 0 1 2\n"},
        {"back", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf -1 -2 -4\n"},
        {"normal", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//2\n"},
        {"uv", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nf 1/1 2/2 3/1\n"},
        {"nan", "v 0 0 0\nv nan 0 0\nv 0 1 0\nf 1 2 3\n"},
        {"huge", "v 0 0 0\nv 1e39 0 0\nv 0 1 0\nf 1 2 3\n"},
    };
    const std::vector<int> lines = {4, 5, 4, 5, 5, 2, 2};
    std::vector<Refusal> cases;
    for (size_t i = 0; i < meshes.size(); ++i) {
        write_file(dir + "/" + meshes[i].first + ".obj", meshes[i].second);
        cases.push_back({meshes[i].first, mesh_scene(meshes[i].first + ".obj"),
                         meshes[i].first + ".obj\": line " + std::to_string(lines[i]) + ": "});
    }
    expect_refused(dir, cases);
    // A good mesh with negative references still loads.
    write_file(dir + "/good.obj", "v -1 0 -1\nv 1 0 -1\nv 0 0 1\nvn 0 1 0\nf -3//-1 -2//-1 -1//-1\n");
    write_file(dir + "/good.json", mesh_scene("good.obj"));
    const auto good = run_render(dir + "/good.json -o " + dir + "/good");
    EXPECT_EQ(good.exit_code, 0) << good.output;
}

namespace {

std::string with_material(const std::string &params) {
    return R"({"camera": {"resolution": [8, 8]}, "objects": [{"type": "box", "material":
        {"shader": "lambert", "params": )" + params + "}}]}";
}

// `depth` shaders, each feeding the colour of the next.
std::string shader_chain(int depth) {
    std::string value = "[0.5, 0.5, 0.5]";
    for (int i = 0; i < depth; ++i)
        value = R"({"shader": "lambert", "params": {"diffuse": )" + value + "}}";
    return R"({"camera": {"resolution": [4, 4]}, "objects": [{"type": "box", "material": )" + value + "}]}";
}

}  // namespace

TEST(HostileInput, NumbersBeyondTheirTypeAndSettingsBeyondLimits) {
    const std::string dir = scratch_dir("hostile_limits");
    expect_refused(dir, {
        {"float_param", with_material(R"({"diffuse": [1e39, 0, 0]})"),
         "/objects/0/material/params/diffuse: parameter \"diffuse\" of \"lambert\" is a color: the number 1e+39"},
        {"int_param", with_material(R"({"samples": 4294967297})"),
         "/objects/0/material/params/samples: parameter \"samples\" of \"lambert\" is a integer: the integer "
         "4294967297 is beyond the 32-bit range"},
        {"translate", R"({"camera": {"transform": {"translate": [0, 1e300, 0]}}})",
         "/camera/transform/translate: the number 1e+300 is beyond single-precision range"},
        {"focal", R"({"camera": {"focal": 1e300}})", "/camera/focal: the number 1e+300"},
        {"photons", R"({"options": {"photons": 999999999999}, "camera": {}})", "/options/photons: must be"},
        {"chain", shader_chain(300), "shaders are nested more than 256 deep"},
        {"frame", R"({"camera": {"resolution": [65536, 65536]}})", "/camera/resolution: a 65536x65536 frame"},
        {"cli_size", R"({"camera": {}})", "--width: Value 70000 not in range", "--width 70000 --height 10"},
        {"cli_width", R"({"camera": {}})", "--width requires --height", "--width 10"},
    });
    const auto zero = run_render("/dev/zero -o " + dir + "/never");
    EXPECT_EQ(zero.exit_code, 1) << zero.output;
    EXPECT_NE(zero.output.find("/dev/zero: /: the scene file is larger than"), std::string::npos) << zero.output;
    // A deep chain within the limit still renders.
    write_file(dir + "/chain.json", shader_chain(200));
    const auto chain = run_render(dir + "/chain.json -o " + dir + "/chain");
    EXPECT_EQ(chain.exit_code, 0) << chain.output;
}

TEST(HostileInput, RaysFromBeyondTheTraceableRangeAreMisses) {
    // A camera far out: every eye ray starts beyond what the intersector
    // takes.  The render completes, black, and says so once.
    const std::string dir = scratch_dir("hostile_rays");
    write_file(dir + "/far.json", R"({"options": {"samples": 1}, "camera": {"resolution": [6, 4], "transform": {"translate": [0, 0, 1e19]}},
        "objects": [{"type": "box"}]})");
    const auto far = run_render(dir + "/far.json -o " + dir + "/far");
    ASSERT_EQ(far.exit_code, 0) << far.output;
    EXPECT_NE(far.output.find("cannot be traced"), std::string::npos) << far.output;
    EXPECT_NE(far.output.find("24 rays were not traced"), std::string::npos) << far.output;
    EXPECT_EQ(uvo_host_test::mean_channel(uvo_host::read_image(dir + "/far.exr"), 0), 0.0);
}

TEST(HostileInput, WidthAndHeightSetTheFilmWithoutDistortion) {
    // A sphere straight ahead on a white environment: its silhouette is as
    // wide as it is high whatever the film's shape.
    const std::string dir = scratch_dir("hostile_film");
    write_file(dir + "/ball.json", R"({"camera": {"resolution": [20, 20], "transform": {"translate": [0, 0, 4]},
        "environment": {"shader": "constant", "params": {"color": [1, 1, 1]}}},
        "objects": [{"type": "sphere", "radius": 1,
                     "material": {"shader": "constant", "params": {"color": [0, 0, 0]}}}]})");
    const auto run = run_render(dir + "/ball.json -o " + dir + "/ball --width 60 --height 30");
    ASSERT_EQ(run.exit_code, 0) << run.output;
    const uvo_host::Image image = uvo_host::read_image(dir + "/ball.exr");
    ASSERT_EQ(image.width, 60);
    ASSERT_EQ(image.height, 30);
    int across = 0, down = 0;
    for (int x = 0; x < image.width; ++x)
        across += image.get(x, image.height / 2).r < 0.5f;
    for (int y = 0; y < image.height; ++y)
        down += image.get(image.width / 2, y).r < 0.5f;
    EXPECT_GT(down, 5);
    EXPECT_NEAR(across, down, 1) << "the sphere is " << across << " pixels wide and " << down << " high";
}

TEST(HostileInput, OutputsAreCheckedFirstAndReplacedWhole) {
    const std::string dir = scratch_dir("hostile_output");
    write_file(dir + "/box.json", R"({"camera": {"resolution": [6, 4]}, "objects": [{"type": "box"}]})");
    // A folder that cannot exist: refused before rendering.
    write_file(dir + "/plain_file", "x");
    const auto blocked = run_render(dir + "/box.json -o " + dir + "/plain_file/sub/out");
    EXPECT_EQ(blocked.exit_code, 1) << blocked.output;
    EXPECT_NE(blocked.output.find("cannot be created"), std::string::npos) << blocked.output;
    EXPECT_EQ(blocked.output.find("rendering"), std::string::npos) << "checked before the render: " << blocked.output;
    // A second render replaces the images by renaming complete files over
    // them (a new file, not the old one rewritten), leaving nothing else.
    ASSERT_EQ(run_render(dir + "/box.json -o " + dir + "/out/frame").exit_code, 0);
    struct stat before {};
    ASSERT_EQ(stat((dir + "/out/frame.exr").c_str(), &before), 0);
    ASSERT_EQ(run_render(dir + "/box.json -o " + dir + "/out/frame").exit_code, 0);
    struct stat after {};
    ASSERT_EQ(stat((dir + "/out/frame.exr").c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino) << "the EXR was rewritten in place";
    int files = 0;
    for (const auto &entry : std::filesystem::directory_iterator(dir + "/out"))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 2) << "only frame.exr and frame.png";
}
