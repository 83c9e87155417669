// Shared helpers of the material unit tests: parameter slots, scripted host
// behaviours, the plain material and the common fixture.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "color_check.h"
#include "frame/vector_math.h"
#include "test_host.h"
#include "xmtl/material_params.h"
#include "xmtl/material_records.h"

// Byte offset of a material parameter, as the test host records evaluations.
#define SLOT(field) static_cast<std::ptrdiff_t>(offsetof(uvo::MaterialParams, field))

namespace uvo_test {

inline const Color white{1, 1, 1, 1};

// A table row's fields joined for a failure message.
template <class... T> std::string row(const T &...v) {
    std::ostringstream s;
    ((s << +v << ' '), ...);
    return s.str();
}

// The test host's luminance weights.
inline float lum(const Color &c) { return 0.299f * c.r + 0.587f * c.g + 0.114f * c.b; }

// A material block with room for light Tags past its array: in a
// uvo_material block they run on where uvo_material_x keeps its extension.
struct LitBlock {
    uvo::MaterialParams p;
    Tag more[4];
};
inline void set_lights(LitBlock *block, const std::vector<Tag> &tags) {
    block->p.lights.index = 0;
    block->p.lights.count = int32_t(tags.size());
    Tag *at = reinterpret_cast<Tag *>(reinterpret_cast<char *>(block) + offsetof(uvo::MaterialParams, lights.elements));
    for (Tag t : tags)
        *at++ = t;
}

// An opaque white dielectric: diffuse weight 1, white colours, index 1.5,
// a flat custom reflectance curve at 1, full opacity.
inline void plain_material(uvo::MaterialParams *p) {
    p->cutout_opacity = 1.0f;
    p->diffuse_weight = 1.0f;
    p->diffuse_color = white;
    p->reflection_color = white;
    p->refraction_color = white;
    p->reflectance_normal = p->reflectance_grazing = 1.0f;
    p->reflectance_curve = 5.0f;
    p->refraction_ior = 1.5f;
    p->anisotropy = 1.0f;
    p->indirect_quality = 1.0f;
}

// Stores a component record of the given layout under its key.
inline void store_api_record(int32_t layout) {
    MaterialApiRecord api{};
    api.interface_version = layout;
    host().store[UVO_KEY_MATERIAL_API].assign(reinterpret_cast<char *>(&api), reinterpret_cast<char *>(&api + 1));
}
inline MaterialApiRecord *stored_api_record() {
    return reinterpret_cast<MaterialApiRecord *>(host().store[UVO_KEY_MATERIAL_API].data());
}

// Every sample the host draws has all its dimensions at `u`; a counted
// loop ends after its count.
inline void script_samples(double u) {
    host().script.rx_sample = [u](double *x, int32_t *instance, ShadingState *, int32_t dim, int32_t *count) -> Boolean {
        if (instance != nullptr && count != nullptr && (*instance)++ >= *count)
            return 0;
        for (int32_t d = 0; d < dim; ++d)
            x[d] = u;
        return 1;
    };
}

// A host whose triangle has these positions, and these texture vertices in
// each of its `spaces` texture spaces.
struct Triangle {
    Vector3 p[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    Vector3 t[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    int32_t spaces = 1;
    void script() {
        host().script.rx_tri_vectors = [this](ShadingState *, int32_t which, int32_t index, Vector3 **a, Vector3 **b,
                                              Vector3 **c) -> Boolean {
            Vector3 *v = which == 'p' ? p : (which == 't' && index < spaces) ? t : nullptr;
            if (v == nullptr)
                return 0;
            *a = &v[0];
            *b = &v[1];
            *c = &v[2];
            return 1;
        };
    }
};

// Every light but Tag 0 gives `count` samples of `colour` from `direction`
// at cosine `cosine`.
inline void script_light_samples(int32_t count, Color colour, Vector3 direction, float cosine) {
    host().script.rx_sample_light = [=](Color *c, Vector3 *d, float *m, ShadingState *, Tag light,
                                        int32_t *n) -> Boolean {
        if (light == 0 || *n >= count)
            return 0;
        *c = colour;
        *d = direction;
        *m = cosine;
        return Boolean(++*n);
    };
}

// Records the index pair the host's specular transmission is asked for.
struct IndexPair {
    float in = 0, out = 0;
    Boolean transmits = 1;
    void script() {
        host().script.rx_transmission_dir_specular = [this](Vector3 *d, ShadingState *s, float a,
                                                            float b) -> Boolean {
            in = a;
            out = b;
            *d = s->direction;
            return transmits;
        };
    }
};

// A parameter block of type P attached to the fixture's shader, and the
// child state the rays the shader traces fill in.
template <class P> struct BlockTest : ::testing::Test {
    StateFixture f;
    ShadingState child{};
    ParamBlock<P> block;
    void SetUp() override {
        f.state.child = &child;
        block.attach(f.shader, true);
    }
};

// A material block with the records the stages work on.
struct MaterialTest : BlockTest<uvo::MaterialParams> {
    uvo::MaterialInstance instance;
    uvo::MaterialWorkRecord work{};
    uvo::MaterialOutputs out{};
};

}  // namespace uvo_test
