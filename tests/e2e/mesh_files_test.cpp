// Mesh files by extension: glTF parts keep their materials' base colours and
// their node transforms, a PLY reads the same in ascii and binary, and what
// cannot be read is refused with the reason (the formats, the bad index).
#include <gtest/gtest.h>


#include "render_support.h"

using namespace uvo_host;
using uvo_host_test::render_in_process;
using uvo_host_test::run_render;
using uvo_host_test::scratch_dir;
using uvo_host_test::write_file;

namespace {

const std::string kMeshes = std::string(UVO_SOURCE_DIR) + "/scenes/meshes/";

// A camera at z = 3 looking at the origin, lit from the camera, and one mesh.
std::string scene_with(const std::string &file, const std::string &material = "") {
    return R"({"options": {"samples": 1}, "camera": {"resolution": [40, 20], "aperture": 2,
        "transform": {"translate": [0, 0, 3]}},
        "lights": [{"name": "l", "type": "point", "intensity": 9, "transform": {"translate": [0, 0, 3]}}],
        "objects": [{"type": "mesh", "file": ")" + file + "\"" + material + "}]}";
}

}  // namespace

TEST(MeshFiles, GltfPanelsKeepTheirBaseColoursAndPlacement) {
    const std::string dir = scratch_dir("mesh_gltf");
    // The panels are authored 10 units up; their node brings them to y = 0,
    // left red (0.8, 0.1, 0.1), right green (0.1, 0.8, 0.1).
    const Image image = render_in_process(dir, scene_with(kMeshes + "two_panels.gltf"));
    const Color left = image.get(image.width / 2 - 6, image.height / 2);
    const Color right = image.get(image.width / 2 + 6, image.height / 2);
    EXPECT_GT(left.r, 0.05f);
    EXPECT_NEAR(left.r / left.g, 8.0f, 0.1f) << left.r << " " << left.g;
    EXPECT_NEAR(right.g / right.r, 8.0f, 0.1f) << right.r << " " << right.g;
}

TEST(MeshFiles, PlyAsciiAndBinaryAreTheSamePyramid) {
    const std::string dir = scratch_dir("mesh_ply");
    const Image ascii = render_in_process(dir, scene_with(kMeshes + "pyramid_ascii.ply"));
    const Image binary = render_in_process(dir, scene_with(kMeshes + "pyramid_binary.ply"));
    EXPECT_EQ(ascii.rgba, binary.rgba);
    int covered = 0;
    for (size_t i = 0; i < ascii.rgba.size(); i += 4)
        covered += ascii.rgba[i] > 0.01f;
    EXPECT_GT(covered, 10) << "the pyramid is in view and lit";
}

TEST(MeshFiles, UnreadableMeshesAreRefusedWithTheReason) {
    const std::string dir = scratch_dir("mesh_bad");
    write_file(dir + "/shape.stl", "solid nothing\n");
    write_file(dir + "/bad.ply", "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                                 "property float z\nelement face 1\nproperty list uchar int vertex_indices\n"
                                 "end_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 3\n");
    const std::pair<const char *, const char *> cases[] = {
        {"shape.stl", "unsupported mesh format \".stl\": supported are .obj"},
        {"bad.ply", "face 0 names vertex 3 of 3"},
    };
    for (const auto &[file, message] : cases) {
        write_file(dir + "/scene.json", scene_with(dir + "/" + file));
        const auto result = run_render(dir + "/scene.json -o " + dir + "/never");
        EXPECT_EQ(result.exit_code, 1) << result.output;
        EXPECT_NE(result.output.find(message), std::string::npos) << result.output;
    }
}
