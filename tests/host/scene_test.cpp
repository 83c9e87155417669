// Scene loading: parameters by name land in the blocks, lights and textures
// become Tags, and every kind of bad scene stops with one message naming the
// file, the JSON path and the problem.
#include <gtest/gtest.h>

#include "lightsurface/light_surface.h"
#include "render_support.h"
#include "scene_loader.h"
#include "shaders/shader_registry.h"

using namespace uvo_host;
using uvo_host_test::scratch_dir;
using uvo_host_test::write_file;

namespace {

struct Loaded {
    World world;
    std::unique_ptr<ShaderRegistry> registry;
    std::string error;

    Loaded(const std::string &text, const std::string &dir) {
        registry = std::make_unique<ShaderRegistry>(std::string(UVO_SOURCE_DIR) + "/share/uvo/shaders",
                                                    UVO_SHADERS_PATH);
        world.registry = registry.get();
        registry->register_declarations(world.db);
        set_current_world(&world);
        try {
            load_scene_text(text, "bad.json", dir, world);
        } catch (const SceneError &e) {
            error = e.what();
        }
    }
    ~Loaded() { set_current_world(nullptr); }
};

// A valid scene with `object` as its only object.
std::string with_object(const std::string &object) {
    return R"({"camera": {"resolution": [4, 4]},
               "lights": [{"name": "lamp", "type": "point", "intensity": 2,
                           "transform": {"translate": [0, 3, 0]}}],
               "objects": [)" +
           object + "]}";
}

}  // namespace

TEST(SceneLoading, ParametersByNameLightsAndConnectionsFillTheBlocks) {
    const std::string dir = scratch_dir("good");
    Loaded loaded(with_object(R"({"name": "panel", "type": "plane", "size": 2,
        "transform": {"translate": [0, 1, 0]},
        "material": {"shader": "uvo_light_surface", "params": {
            "surface_color": [0.5, 0.25, 1], "surface_intensity": 4, "add_light_output": true,
            "sample_position": [1, 2, 3], "lights": ["lamp", "lamp"],
            "light_output_scale": {"shader": "checker", "params": {"scale": 2}}}}})"),
                  dir);
    ASSERT_EQ(loaded.error, "");
    const Scene &scene = loaded.world.scene;
    ASSERT_EQ(scene.objects.size(), 1u);
    ShaderInstance *material = scene.objects[0].material;
    ASSERT_NE(material, nullptr);
    const auto *p = static_cast<const uvo::LightSurfaceParams *>(material->block());
    // The other literals and the light list: see the light surface's render
    // (Render.LightSurfaceGlowsWith...) and ParamBlock.LiteralsConvertByType.
    EXPECT_FLOAT_EQ(p->reflection_ray_scale, 1.0f) << "default from the declaration";
    EXPECT_FLOAT_EQ(p->sample_position.z, 3.0f);
    // Only the connected parameter is flagged (what its source gives:
    // Render.LibraryShaderReadsConnectedParametersThroughTheHost).
    const auto *flags = reinterpret_cast<const int32_t *>(static_cast<const char *>(material->block()) +
                                                          material->record.connection_offset);
    EXPECT_TRUE(flags[offsetof(uvo::LightSurfaceParams, light_output_scale) / 4] != 0 &&
                flags[offsetof(uvo::LightSurfaceParams, surface_intensity) / 4] == 0)
        << "only the connected parameter is flagged";
}

TEST(SceneLoading, EveryKindOfBadSceneNamesFilePathAndProblem) {
    const std::string dir = scratch_dir("bad");
    write_file(dir + "/broken.obj", "this is not an obj file\n");
    struct Case {
        const char *what;
        std::string text;
        std::string expected;  // the whole message after "bad.json: "
    };
    const std::vector<Case> cases = {
        {"malformed JSON", R"({"camera": {"resolution": [4, 4],}})", "line 1, column 34: malformed JSON: syntax error while parsing object key"},
        {"not an object", "[1, 2]", "/: the scene must be a JSON object"},
        {"no camera", R"({"objects": []})", "/: missing \"camera\""},
        {"unknown key", R"({"camera": {"fov": 40}})", "/camera/fov: unknown key \"fov\""},
        {"unknown shader", with_object(R"({"type": "box", "material": {"shader": "marble"}})"),
         "/objects/0/material/shader: unknown shader \"marble\""},
        {"unknown parameter",
         with_object(R"({"type": "box", "material": {"shader": "lambert", "params": {"shininess": 3}}})"),
         "/objects/0/material/params/shininess: unknown parameter \"shininess\" of shader \"lambert\""},
        {"wrong type",
         with_object(R"({"type": "box", "material": {"shader": "uvo_light_surface",
                         "params": {"surface_intensity": "bright"}}})"),
         "/objects/0/material/params/surface_intensity: parameter \"surface_intensity\" of \"uvo_light_surface\" "
         "is a scalar: expected a number"},
        {"unknown light",
         with_object(R"({"type": "box", "material": {"shader": "uvo_light_surface",
                         "params": {"lights": ["lamp", "sun"]}}})"),
         "/objects/0/material/params/lights/1: no light named \"sun\""},
        {"missing mesh", with_object(R"({"type": "mesh", "file": "missing.obj"})"),
         "/objects/0/file: mesh file \"" + dir + "/missing.obj\": no such mesh file"},
        {"broken mesh", with_object(R"({"type": "mesh", "file": "broken.obj"})"),
         "/objects/0/file: mesh file \"" + dir + "/broken.obj\": the OBJ file has no faces"},
        {"missing texture",
         with_object(R"({"type": "box", "material": {"shader": "lambert", "params": {"diffuse":
                         {"shader": "image_texture", "params": {"file": "wood.png"}}}}})"),
         "/objects/0/material/params/diffuse/params/file: texture file \"" + dir + "/wood.png\": no such image file"},
        {"bad shape", with_object(R"({"type": "torus"})"),
         "/objects/0/type: expected \"plane\", \"box\", \"sphere\" or \"mesh\""},
        {"bad resolution", R"({"camera": {"resolution": [0, 4]}})",
         "/camera/resolution: width and height must be whole numbers from 1 to 65536"},
        {"frame buffer twice", R"({"camera": {"framebuffers": ["raw", "raw"]}})",
         "/camera/framebuffers/1: a frame buffer named \"raw\" exists already"},
        {"frame buffer unnamed", R"({"camera": {"framebuffers": ["raw", ""]}})",
         "/camera/framebuffers/1: expected a frame-buffer name (a non-empty string)"},
        {"frame buffers not a list", R"({"camera": {"framebuffers": "raw"}})",
         "/camera/framebuffers: expected a list of frame-buffer names"},
        {"unknown channel", R"({"camera": {"outputs": ["glow"]}})",
         "/camera/outputs/0: expected the name of an output channel"},
        {"channel twice", R"({"camera": {"outputs": ["highlight", "highlight"]}})",
         "/camera/outputs/1: the channel \"highlight\" is asked for twice"},
        {"boolean fed by a shader",
         with_object(R"({"type": "box", "material": {"shader": "lambert", "params":
                         {"indirect": {"shader": "checker"}}}})"),
         "/objects/0/material/params/indirect: parameter \"indirect\" of \"lambert\" is a boolean and cannot be fed "
         "by a shader"},
    };
    for (const Case &c : cases) {
        Loaded loaded(c.text, dir);
        EXPECT_EQ(loaded.error.rfind("bad.json: ", 0), 0u) << c.what << ": " << loaded.error;
        EXPECT_NE(loaded.error.find(c.expected), std::string::npos)
            << c.what << "\n  message:  " << loaded.error << "\n  expected: " << c.expected;
    }
}

TEST(SceneLoading, ObjMeshesKeepPositionsNormalsAndTextureVertices) {
    const std::string dir = scratch_dir("obj");
    // A unit quad in the xy plane (one face, four corners), plus a triangle
    // that shares two of its corners with different texture vertices.
    write_file(dir + "/quad.obj", R"(v 0 0 0
v 1 0 0
v 1 1 0
v 0 1 0
vt 0 0
vt 1 0
vt 1 1
vt 0 1
vt 0.5 0.5
vn 0 0 1
f 1/1/1 2/2/1 3/3/1 4/4/1
f 1/5/1 3/5/1 4/5/1
)");
    Loaded loaded(with_object(R"({"type": "mesh", "file": "quad.obj", "transform": {"translate": [0, 0, -2]}})"),
                  dir);
    ASSERT_EQ(loaded.error, "");
    const Object &o = loaded.world.scene.objects[0];
    EXPECT_EQ(o.mesh.triangle_count(), 3u);
    ASSERT_EQ(o.mesh.uvs.size(), o.mesh.positions.size());
    ASSERT_EQ(o.mesh.normals.size(), o.mesh.positions.size());
    for (size_t i = 0; i < o.mesh.positions.size(); ++i) {
        EXPECT_FLOAT_EQ(o.mesh.normals[i].z, 1.0f);
        EXPECT_FLOAT_EQ(o.world_positions[i].z, -2.0f) << "placed by the transform";
        const Vector3 &p = o.mesh.positions[i], &t = o.mesh.uvs[i];
        if (t.x != 0.5f) {
            EXPECT_FLOAT_EQ(t.x, p.x) << "vertex " << i;
            EXPECT_FLOAT_EQ(t.y, p.y) << "vertex " << i;
        }
    }
    EXPECT_EQ(o.material->code->name, "lambert") << "objects without a material get the default";
}
