// Hostile scenes and command lines: uvo-render refuses each with one error
// line that says where the problem is and exit code 1, before it renders or
// allocates anything large; nothing crashes, hangs or grows without bound.
#include <gtest/gtest.h>

#include <algorithm>
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
        {"few", "v 0 0 0\nf 1 2 3\n"},
        {"zero", "v 0 0 0\nv 1 0 0\nv 0 1 0\n\nf 0 1 2\n"},
        {"back", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf -1 -2 -4\n"},
        {"normal", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//2\n"},
        {"uv", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nf 1/1 2/2 3/1\n"},
        {"nan", "v 0 0 0\nv nan 0 0\nv 0 1 0\nf 1 2 3\n"},
        {"huge", "v 0 0 0\nv 1e39 0 0\nv 0 1 0\nf 1 2 3\n"},
    };
    const std::vector<int> lines = {4, 2, 5, 4, 5, 5, 2, 2};
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
