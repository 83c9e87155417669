// uvo_light_surface: the glow of a lamp's visible geometry.
//
// | slot | parameter              | type          | meaning                                            |
// |------|------------------------|---------------|----------------------------------------------------|
// | 0-3  | surface_color          | color         | colour of the glow                                 |
// | 4    | surface_intensity      | scalar        | strength of the own glow                           |
// | 5    | reduced_ray_scale      | scalar        | factor on rays the host marks reduced (query 142)  |
// | 6    | reflection_ray_scale   | scalar        | factor on reflection rays                          |
// | 7    | add_light_output       | boolean       | add the output sampled from `lights`               |
// | 8    | light_output_scale     | scalar        | factor on the sampled output                       |
// | 9-11 | sample_position        | vector        | where to sample from, in each light's space;       |
// |      |                        |               | (0,0,0) samples from the shaded point              |
// | 12-  | lights                 | array of Tag  | lights whose output is sampled                     |
//
// Shadow rays pass unchanged (in segment-shadow mode they are continued).  The
// shader keeps no record and has no init or exit.
#pragma once

#include <cstddef>

#include "frame/export.h"
#include "frame/params.h"

namespace uvo {

struct LightSurfaceParams {
    Color surface_color;
    float surface_intensity;
    float reduced_ray_scale;
    float reflection_ray_scale;
    Boolean add_light_output;
    float light_output_scale;
    Vector3 sample_position;
    ParamArray<Tag> lights;
};

static_assert(offsetof(LightSurfaceParams, surface_color) == 0);
static_assert(offsetof(LightSurfaceParams, surface_intensity) == 16);
static_assert(offsetof(LightSurfaceParams, reduced_ray_scale) == 20);
static_assert(offsetof(LightSurfaceParams, reflection_ray_scale) == 24);
static_assert(offsetof(LightSurfaceParams, add_light_output) == 28);
static_assert(offsetof(LightSurfaceParams, light_output_scale) == 32);
static_assert(offsetof(LightSurfaceParams, sample_position) == 36);
static_assert(offsetof(LightSurfaceParams, lights) == 48);
static_assert(offsetof(LightSurfaceParams, lights.elements) == 56);

constexpr int light_surface_version = 3;

UVO_EXPORT int32_t uvo_light_surface_version(void);
UVO_EXPORT Boolean uvo_light_surface(Color *result, ShadingState *state, LightSurfaceParams *params);

}  // namespace uvo
