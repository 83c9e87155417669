// The exported material shaders end to end against the test host: init,
// shading of camera rays, exit.  Shadow and photon paths: see the shadow and
// photon tests.
#include "material_test_support.h"
#include "xmtl/material_shader.h"

using namespace uvo_test;

namespace {

struct MaterialShader : BlockTest<LitBlock> {
    void SetUp() override {
        BlockTest::SetUp();
        auto &p = block->p;
        plain_material(&p);
        p.diffuse_color = Color{0.7f, 0.7f, 0.7f, 1};
        p.reflectance_normal = 0.2f;
        p.conserve_energy = 1;
        p.highlight_weight = 1.0f;
        p.indirect_multiplier = 1.0f;
        script_light_samples(1, white, Vector3{0, 0, 1}, 1.0f);  // one white sample from straight above
    }
};

}  // namespace

TEST_F(MaterialShader, LambertianSurfaceAddsUpItsLights) {
    // uvo_material's tags 5, 6, 7 lie at slots 95, 96, 97: where
    // uvo_material_x keeps bump_mode and overall_bump, which uvo_material
    // must never read.  uvo_material_x takes two lights.
    const std::ptrdiff_t tag_slots[] = {SLOT(lights.elements) + 4, SLOT(lights.elements) + 8};
    for (const bool extended : {true, false}) {
        const std::vector<Tag> tags = extended ? std::vector<Tag>{5, 6} : std::vector<Tag>{5, 6, 7};
        const std::string label = extended ? "uvo_material_x" : "uvo_material";
        host().declaration_version = extended ? 16 : 14;
        Boolean request = 0;
        auto init = extended ? uvo::uvo_material_x_init : uvo::uvo_material_init;
        ASSERT_EQ(init(&f.state, nullptr, &request), 1);
        ASSERT_EQ(init(&f.state, &block->p, &request), 1);
        set_lights(block.get(), tags);
        host().evaluations.clear();
        Color result{};
        ASSERT_EQ((extended ? uvo::uvo_material_x : uvo::uvo_material)(&result, &f.state, &block->p), 1) << label;
        EXPECT_FLOAT_EQ(result.r, 0.7f * tags.size()) << label;
        EXPECT_FLOAT_EQ(result.g, 0.7f * tags.size()) << label;
        EXPECT_EQ(result.a, 1.0f) << label;
        if (!extended)
            for (std::ptrdiff_t offset : host().evaluations)
                EXPECT_TRUE(offset < std::ptrdiff_t(uvo::material_block_size) || offset == tag_slots[0] ||
                            offset == tag_slots[1])
                    << label << ": read offset " << offset;
        auto exit = extended ? uvo::uvo_material_x_exit : uvo::uvo_material_exit;
        EXPECT_EQ(exit(&f.state, &block->p), 1);
        EXPECT_EQ(exit(&f.state, nullptr), 1);
    }
}
