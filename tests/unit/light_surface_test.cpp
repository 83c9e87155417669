// uvo_light_surface against the test host.
#include <gtest/gtest.h>

#include <numbers>

#include "lightsurface/light_surface.h"
#include "test_host.h"

using uvo_test::host;

namespace {

// The shader's block with room for four light Tags.
struct Block {
    uvo::LightSurfaceParams p;
    Tag more[3];
};

struct LightSurface : ::testing::Test {
    uvo_test::StateFixture f;
    uvo_test::ParamBlock<Block> block;
    Color result{-1, -1, -1, -1};

    void SetUp() override {
        block->p.surface_color = Color{0.5f, 1.0f, 0.25f, 0.75f};
        block->p.surface_intensity = 4.0f;
        block->p.reduced_ray_scale = 0.5f;
        block->p.reflection_ray_scale = 0.25f;
        block->p.light_output_scale = 1.0f;
        block.attach(f.shader, true);
    }
    Boolean shade() { return uvo_light_surface(&result, &f.state, &block->p); }
    void set_lights(std::initializer_list<Tag> tags) {
        block->p.lights.index = 0;
        block->p.lights.count = static_cast<int32_t>(tags.size());
        // The elements run on past the declared array into `more`.
        Tag *out = reinterpret_cast<Tag *>(reinterpret_cast<char *>(block.get()) +
                                           offsetof(uvo::LightSurfaceParams, lights.elements));
        for (Tag t : tags)
            *out++ = t;
        block->p.add_light_output = 1;
    }
};

// A host whose lights give `n` samples of colour `c` each.
void script_lights(std::map<Tag, std::pair<int, Color>> lights) {
    host().script.rx_sample_light = [lights](Color *c, Vector3 *d, float *cosine, ShadingState *, Tag light,
                                             int32_t *samples) -> Boolean {
        auto it = lights.find(light);
        if (it == lights.end() || *samples >= it->second.first)
            return 0;
        *c = it->second.second;
        *d = Vector3{0, 0, 1};
        *cosine = 0.5f;
        ++*samples;
        return 1;
    };
}

}  // namespace

TEST_F(LightSurface, ShadowRaysPassUntouchedOrContinueInSegmentMode) {
    f.state.ray_type = UVO_RAY_SHADOW;
    result = Color{0.2f, 0.3f, 0.4f, 1.0f};
    EXPECT_EQ(shade(), 1);
    EXPECT_EQ(result.r, 0.2f);
    EXPECT_EQ(result.b, 0.4f);

    f.options.shadow_mode = UVO_SHADOW_SEGMENTS;
    host().script.rx_trace_shadow_seg = [](Color *, ShadingState *) -> Boolean { return 0; };
    EXPECT_EQ(shade(), 0);  // what the segment trace returned
    EXPECT_EQ(result.g, 0.3f);

    f.state.ray_type = UVO_RAY_DISPLACE;
    EXPECT_EQ(shade(), 0);
}

TEST_F(LightSurface, ReducedAndReflectionRaysTakeTheirFactors) {
    host().reduced_ray = 1;
    f.state.ray_type = UVO_RAY_REFLECT;  // reduced wins
    shade();
    EXPECT_FLOAT_EQ(result.r, 0.5f * 4.0f * 0.5f);
    host().reduced_ray = 0;
    shade();
    EXPECT_FLOAT_EQ(result.g, 1.0f * 4.0f * 0.25f);
}

TEST_F(LightSurface, LightOutputIsTheAverageDividedByPi) {
    set_lights({11, 12});
    script_lights({{11, {4, Color{1, 2, 3, 1}}}, {12, {2, Color{0.5f, 0.5f, 0.5f, 1}}}});
    block->p.light_output_scale = 2.0f;
    ASSERT_EQ(shade(), 1);
    const double pi = std::numbers::pi;
    const float S[3] = {float(1 / pi + 0.5 / pi), float(2 / pi + 0.5 / pi), float(3 / pi + 0.5 / pi)};
    const Color c = block->p.surface_color;
    EXPECT_FLOAT_EQ(result.r, c.r * 4.0f + c.r * S[0] * 2.0f);
    EXPECT_FLOAT_EQ(result.g, c.g * 4.0f + c.g * S[1] * 2.0f);
    EXPECT_FLOAT_EQ(result.b, c.b * 4.0f + c.b * S[2] * 2.0f);
    EXPECT_EQ(result.a, 0.75f) << "the surface colour's alpha";

    // The order of the list does not change the sum; a light without samples adds nothing.
    const Color first = result;
    set_lights({13, 12, 11});
    shade();
    EXPECT_FLOAT_EQ(result.g, first.g);
}
