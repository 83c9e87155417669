// The material on shadow and photon rays, and the photon roulette.
#include "material_test_support.h"
#include "xmtl/photon_choice.h"
#include "xmtl/photon_path.h"
#include "xmtl/shadow_path.h"

using namespace uvo_test;

namespace {

const float equal_weights[3] = {1.0f / 3.0f, 1.0f / 3.0f, 1.0f / 3.0f};

struct MaterialRays : MaterialTest {
    Color result{0.8f, 0.6f, 0.4f, 1.0f};

    void SetUp() override {
        MaterialTest::SetUp();
        instance.declaration_version = 16;
        host().user_slot = &instance;
        plain_material(block.get());
    }
};

struct Shadow : MaterialRays {
    void SetUp() override {
        MaterialRays::SetUp();
        f.state.ray_type = UVO_RAY_SHADOW;
    }
    Boolean shade() { return uvo::shade_shadow(&result, &f.state, block.get()); }
};

struct Photon : MaterialRays {
    std::vector<std::string> sent;
    void SetUp() override {
        MaterialRays::SetUp();
        f.state.ray_type = UVO_RAY_PHOTON_REFLECT_DIFFUSE;
        auto &s = host().script;
        for (auto [fn, name] : {std::pair{&s.rx_photon_reflection_glossy, "reflection glossy"},
                                {&s.rx_photon_reflection_specular, "reflection specular"},
                                {&s.rx_photon_reflection_diffuse, "reflection diffuse"},
                                {&s.rx_photon_transmission_glossy, "transmission glossy"},
                                {&s.rx_photon_transmission_specular, "transmission specular"},
                                {&s.rx_photon_transmission_diffuse, "transmission diffuse"}})
            *fn = [this, name = name](Color *, ShadingState *, const Vector3 *) -> Boolean {
                sent.push_back(name);
                return 1;
            };
        host().script.rx_photon_transparent = [this](Color *, ShadingState *) -> Boolean {
            sent.push_back("transparent");
            return 1;
        };
    }
    Boolean shade() { return uvo::shade_photon(&result, &f.state, block.get()); }
};

}  // namespace

TEST_F(Shadow, CheapExitsComeFirst) {
    block->cutout_opacity = 0.0f;
    EXPECT_EQ(shade(), 1);
    EXPECT_TRUE(near(result, Color{0.8f, 0.6f, 0.4f, 1.0f}));

    // Opaque and not transparent: blocked, result untouched.
    block->cutout_opacity = 1.0f;
    EXPECT_EQ(shade(), 0);
    EXPECT_TRUE(near(result, Color{0.8f, 0.6f, 0.4f, 1.0f}));

    // Caustic materials leave their light to photons when caustics are on.
    block->transparency = 1.0f;
    block->refractive_caustics = 1;
    f.options.caustics = 1;
    EXPECT_EQ(shade(), 0);
    f.options.caustics = 0;
    EXPECT_EQ(shade(), 1);
}

TEST_F(Shadow, OpacityAndRefractionFilterTheLight) {
    // Half cut out, no refraction: half the light passes.
    block->cutout_opacity = 0.5f;
    EXPECT_EQ(shade(), 1);
    EXPECT_TRUE(near(result, Color{0.4f, 0.3f, 0.2f, 0.5f}));

    // Opaque with a coloured refraction: filtered by it, alpha by its luminance.
    result = Color{1, 1, 1, 1};
    block->cutout_opacity = 1.0f;
    block->diffuse_weight = 0.0f;
    block->transparency = 1.0f;
    block->refraction_color = Color{1.0f, 0.5f, 0.0f, 1};
    EXPECT_EQ(shade(), 1);
    EXPECT_TRUE(near(result, Color{1.0f, 0.5f, 0.0f, 0.299f + 0.5f * 0.587f}));

    // A black refraction blocks an opaque surface.
    block->refraction_color = Color{0, 0, 0, 1};
    EXPECT_EQ(shade(), 0);
}

TEST_F(Shadow, FalloffInsideASolidWithAndWithoutSegments) {
    block->transparency = 1.0f;
    block->diffuse_weight = 0.0f;
    block->refraction_falloff_enable = 1;
    block->refraction_falloff_distance = 10.0f;
    f.state.inside = 1;
    f.state.direction = Vector3{0, 0, 1};  // leaving the solid: the normal is turned to face the ray
    f.state.distance = 5.0;

    // No segments: one whole falloff distance, so without colour nothing of
    // the refraction passes, only the cut-out share.
    block->cutout_opacity = 0.8f;
    result = Color{1, 1, 1, 1};
    EXPECT_EQ(shade(), 1);
    EXPECT_TRUE(near(result, Color{0.2f, 0.2f, 0.2f, 0.2f}));

    // Segments: the distance run inside counts, and the light comes from
    // beyond this surface first.
    block->cutout_opacity = 1.0f;
    f.options.shadow_mode = UVO_SHADOW_SEGMENTS;
    answer(host().script.rx_trace_shadow_seg, Color{0.5f, 0.5f, 0.5f, 1});
    EXPECT_EQ(shade(), 1);
    EXPECT_TRUE(near(result, Color{0.25f, 0.25f, 0.25f, 0.5f}));
}

TEST(PhotonChoice, RouletteFollowsTheCarriedEnergy) {
    // Over the whole range of u: each component chosen in proportion to what
    // it carries, photon counts averaging S / E, energy E kept every time.
    const Color bright[2] = {Color{2.0f, 0.5f, 0.5f, 1}, Color{0.25f, 0.25f, 4.0f, 1}};
    const Color incoming{0.6f, 0.9f, 0.3f, 1};
    const double E = (0.6 + 0.9 + 0.3) / 3.0;
    const double e0 = (0.6 * 2.0 + 0.9 * 0.5 + 0.3 * 0.5) / 3.0, e1 = (0.6 * 0.25 + 0.9 * 0.25 + 0.3 * 4.0) / 3.0;
    const int steps = 10000;
    int chosen[2] = {0, 0};
    double photons = 0;
    for (int i = 0; i < steps; ++i) {
        Color energy = incoming;
        int32_t count = 0;
        float probability = 0;
        const int32_t k = uvo::choose_component((i + 0.5) / steps, equal_weights, &energy, &count, &probability, 2,
                                                bright);
        ASSERT_TRUE(k == 0 || k == 1);
        ++chosen[k];
        photons += count;
        EXPECT_NEAR((energy.r + energy.g + energy.b) / 3.0, E, 1e-5) << "u " << (i + 0.5) / steps;
        EXPECT_NEAR(energy.a, E, 1e-5);
        EXPECT_NEAR(probability, (e0 + e1) / E, 1e-5);
    }
    EXPECT_NEAR(chosen[0] / double(steps), e0 / (e0 + e1), 1e-3);
    EXPECT_NEAR(photons / steps, (e0 + e1) / E, 1e-3);

    // Nothing to carry: absorbed; n below 1 touches nothing.
    const Color none[2] = {};
    Color energy{1, 1, 1, 1};
    int32_t count = 5;
    float probability = 5;
    EXPECT_EQ(uvo::choose_component(0.5, equal_weights, &energy, &count, &probability, 2, none), -1);
    EXPECT_EQ(count, 0);
    count = 5;
    EXPECT_EQ(uvo::choose_component(0.5, equal_weights, &energy, &count, &probability, 0, bright), -1);
    EXPECT_EQ(count, 5);
}

TEST_F(Photon, StoredOnDiffuseSurfacesUnlessStraightFromALight) {
    script_samples(0.75);  // the diffuse component
    EXPECT_EQ(shade(), 1);
    EXPECT_EQ(host().count("rx_store_photon"), 1);

    // Straight from the light through transparent hits: not stored; one
    // bounce later it is.
    block->diffuse_weight = 0.00005f;
    shade();
    EXPECT_EQ(host().count("rx_store_photon"), 1) << "diffuse luminance 0.00005 is not stored";

    block->diffuse_weight = 1.0f;
    ShadingState light{}, through{};
    light.ray_type = UVO_RAY_PHOTON_EMIT;
    through.ray_type = UVO_RAY_PHOTON_TRANSPARENT;
    through.parent = &light;
    f.state.parent = &through;
    for (const auto &[type, stored] : {std::pair{UVO_RAY_PHOTON_TRANSPARENT, 1}, std::pair{UVO_RAY_PHOTON_REFLECT_DIFFUSE, 2}}) {
        f.state.ray_type = type;
        shade();
        EXPECT_EQ(host().count("rx_store_photon"), stored) << "ray type " << type;
    }

    // Absorbed by the opacity before it is stored.
    Color stored{};
    host().script.rx_store_photon = [&](Color *e, ShadingState *) -> Boolean {
        stored = *e;
        return 1;
    };
    block->cutout_opacity = 0.5f;
    result = Color{1, 1, 1, 1};
    shade();
    EXPECT_TRUE(near(stored, Color{0.5f, 0.5f, 0.5f, 1}));

    // Cut out: passed on, and the call returns what the host said.
    block->cutout_opacity = 0.0f;
    host().script.rx_trace_continue = [](Color *, ShadingState *) -> Boolean { return 0; };
    EXPECT_EQ(shade(), 0);
}

TEST_F(Photon, RefractionPhotonsTransmitOrReflect) {
    block->diffuse_weight = 0.0f;
    block->transparency = 1.0f;
    script_samples(0.5);
    const auto sent_by = [&]() {
        sent.clear();
        shade();
        return sent;
    };
    // Without refractive caustics straight through; with them bent.
    EXPECT_EQ(sent_by(), std::vector<std::string>{"transparent"});
    block->refractive_caustics = 1;
    block->refraction_glossiness = 1.0f;
    IndexPair pair;
    pair.script();
    EXPECT_EQ(sent_by(), std::vector<std::string>{"transmission specular"});

    // Total internal reflection inside a glossy solid: a reflection photon.
    block->refraction_glossiness = 0.4f;
    f.state.inside = 1;
    host().script.rx_transmission_dir_glossy_x = [](Vector3 *, ShadingState *, float, float, float,
                                                    const double *) -> Boolean { return 0; };
    EXPECT_EQ(sent_by(), std::vector<std::string>{"reflection glossy"});
}

TEST_F(Photon, BelowTypeTwentyFourOnlyReflectionOrRefractionAndOnePhoton) {
    // Reflection 1.5 and diffuse 1: without the ancestor the diffuse part may
    // be chosen and two or three photons sent.
    block->reflectivity = 1.5f;
    block->reflection_glossiness = 0.8f;
    script_samples(0.9);
    shade();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "reflection diffuse"), 2) << "S/E = 2.5, roulette position 0.75";

    ShadingState gather{};
    gather.ray_type = 24;
    f.state.parent = &f.parent;
    f.parent.parent = &gather;
    sent.clear();
    result = Color{1, 1, 1, 1};
    Color sent_energy{};
    host().script.rx_photon_reflection_specular = [&](Color *e, ShadingState *, const Vector3 *) -> Boolean {
        sent.push_back("reflection specular");
        sent_energy = *e;
        return 1;
    };
    shade();
    EXPECT_EQ(sent, std::vector<std::string>{"reflection specular"});
    EXPECT_TRUE(near(sent_energy, Color{1.5f, 1.5f, 1.5f, 1.0f}, 1e-4f))
        << "energy E times the probability S / E";

    // Highlights only: the reflection photon is not sent.
    block->reflection_highlights_only = 1;
    sent.clear();
    shade();
    EXPECT_TRUE(sent.empty());
}
