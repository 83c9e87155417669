// The material's main path allocates nothing per shading call, from the host
// allocator or the C++ heap (this program's global operator new counts).
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "material_test_support.h"
#include "xmtl/material_shader.h"

namespace {
std::atomic<long> heap_allocations{0};
}  // namespace

void *operator new(std::size_t size) {
    heap_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
// The pair allocates with malloc, so it releases with free.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

using namespace uvo;
using namespace uvo_test;

TEST(MaterialAllocation, NoneAfterInitInTheMainPath) {
    host().reset();
    host().record_calls = false;  // recording itself allocates
    // The shader-state store in fixed memory, so that the host allocates nothing either.
    static char values[4][512];
    static const char *keys[4];
    host().script.rx_shaderstate_get = [](ShadingState *, const char *key, int32_t *) -> void * {
        for (int i = 0; i < 4; ++i)
            if (keys[i] != nullptr && std::strcmp(keys[i], key) == 0)
                return values[i];
        return nullptr;
    };
    host().script.rx_shaderstate_set = [](ShadingState *, const char *key, const void *value, int32_t size,
                                          int32_t) -> void * {
        for (int i = 0; i < 4; ++i)
            if (keys[i] == nullptr || std::strcmp(keys[i], key) == 0) {
                keys[i] = value == nullptr && size == 0 ? nullptr : key;
                if (value != nullptr && size <= 512)
                    std::memcpy(values[i], value, size_t(size));
                return values[i];
            }
        return nullptr;
    };
    script_light_samples(2, white, Vector3{0.0f, 0.6f, 0.8f}, 0.8f);
    StateFixture f;
    ShadingState child{};
    f.state.child = &child;
    auto hit = [&child](Color *c, ShadingState *, const Vector3 *) -> Boolean {
        *c = Color{0.3f, 0.4f, 0.5f, 1.0f};
        child.distance = 1.0;
        return 1;
    };
    host().script.rx_trace_reflection = hit;
    host().script.rx_trace_refraction = hit;
    host().script.rx_transmission_dir_glossy_x = [](Vector3 *d, ShadingState *s, float, float, float,
                                                    const double *) -> Boolean {
        *d = s->direction;
        return 1;
    };

    ParamBlock<LitBlock> block;
    block.attach(f.shader, false);
    MaterialParams &p = block->p;
    plain_material(&p);
    p.reflectivity = 0.5f;
    p.reflection_glossiness = 0.6f;
    p.reflection_samples = 4;
    p.transparency = 0.5f;
    p.refraction_glossiness = 0.8f;
    p.refraction_samples = 4;
    p.thin_walled_mode = 1;  // translucency needs a thin wall or the inside
    p.translucency_enable = 1;
    p.translucency_weight = 0.3f;
    p.translucency_color = white;
    p.ao_mode = 1;
    p.ao_samples = 4;
    p.ao_distance = 1.0f;
    p.bump_mode = 1;
    p.overall_bump = Vector3{0.05f, 0.02f, 0.0f};
    p.multiple_outputs = 1;
    set_lights(block.get(), {5, 6});
    host().declaration_version = material_x_version;
    Boolean request = 0;
    uvo_material_x_init(&f.state, nullptr, &request);
    uvo_material_x_init(&f.state, &p, &request);

    MaterialOutputs outputs{};
    uvo_material_x(&outputs.result, &f.state, &p);  // the host's first answers may set up its own state
    const auto host_before = host().allocations;
    const long heap_before = heap_allocations.load();
    for (int i = 0; i < 64; ++i) {
        f.state.direction = normalized(Vector3{0.1f * (i % 8) - 0.35f, 0.05f * (i / 8), -1.0f});
        f.state.dot_nd = f.state.direction.z;
        uvo_material_x(&outputs.result, &f.state, &p);
    }
    const long heap_calls = heap_allocations.load() - heap_before;
    EXPECT_EQ(heap_calls, 0) << "operator new calls in 64 shading calls";
    EXPECT_EQ(host().allocations, host_before) << "host allocations in 64 shading calls";
    // The stages did run: light, reflection, refraction and translucency reached the result.
    for (const Color &c : {outputs.direct_diffuse, outputs.reflection, outputs.refraction, outputs.translucency})
        EXPECT_GT(c.r, 0.0f) << c;
    uvo_material_x_exit(&f.state, &p);
    uvo_material_x_exit(&f.state, nullptr);
    host().reset();
}
