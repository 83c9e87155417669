// The benchmarks' minimal host and the helpers every shader benchmark shares.
//
// The minimal host is compiled into each benchmark executable and exported
// from it (the executables are built with exported symbols), so binding the
// library to the executable's own module makes every host call land here.
// It answers each call at once with fixed values and records nothing: a
// figure taken on it is the library's own cost plus one plain call per host
// function.  The test host (libuvo_testhost.so), which records every call
// under a lock, gives the other figure of each shader benchmark.
//
// Fixed answers (all chosen to keep a shader on its common path):
// - rx_query: user-data slot (one slot), instance lock, declaration version,
//   gather context, call kind, reduced ray 0; else 0 (as the test host
//   without light records);
// - rx_shaderstate_get/set: a store of eight keys, compared by text;
// - rx_phen_eval: the parameter's own address (plain values);
// - rx_sample: a Kronecker sequence, honouring instance and count;
// - rx_sample_light: one sample per light of `light`, cosine 0.8;
// - traces hit at distance 1 with `trace_color` (the child state gets the
//   distance and a hit object), environment traces give `environment_color`,
//   probes miss, shadow traces leave the colour alone, final gathering gives
//   `gather_color`;
// - direction functions mirror (reflection) or pass the ray on
//   (transmission); the diffuse ones take the cosine lobe of the sample;
// - rx_fresnel_reflection 0.04, rx_ward_anisglossy 0.5, transforms are
//   identities, rx_luminance uses the options' weights;
// - memory comes from calloc; messages are dropped;
// - images and the database go to `images` when it is set (else null).
#pragma once

#include <cstdint>

#include "image_store.h"
#include "uvo/host_interface.h"

namespace uvo_bench {

struct MinimalHost {
    int32_t declaration_version = 1000;
    int32_t call_kind = UVO_SHADER_MATERIAL;
    Color trace_color{0.3f, 0.4f, 0.5f, 1.0f};
    Color environment_color{0.1f, 0.2f, 0.3f, 1.0f};
    Color gather_color{0.05f, 0.05f, 0.05f, 1.0f};
    Color light{1.0f, 1.0f, 1.0f, 1.0f};
    Vector3 light_direction{0.0f, 0.6f, 0.8f};
    uvo_test::ImageStore *images = nullptr;
    void *user_slot = nullptr;
};

MinimalHost &minimal_host();

// Puts back the default answers and empties the shader-state store.
void reset_minimal_host();

}  // namespace uvo_bench
