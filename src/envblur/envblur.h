// uvo_envblur: a blurred copy of another environment shader.
//
// Instance init renders the other environment once into a square angular map
// (envblur/blur_model.h), an image in the host database with a pyramid of
// half-size levels.  Each environment ray then gets the weighted average of a
// disc of that map around its direction, on the pyramid level where the disc
// is 2 to 16 texels wide in radius, so a look-up reads at most 32 x 32 texels
// whatever the blur.  The blur is `blur_amount`, or, with
// `follow_glossiness`, what the glossiness of the material whose glossy
// reflection asks for the environment calls for (its GlossyEnvironmentHint in
// the parent state).  A blur of 0 hands the ray to the other environment.
//
// Instance init reads `environment_shader` and `map_resolution`; the shader
// call reads `blur_amount` and `follow_glossiness` always, and
// `environment_shader` only to pass a ray through.
//
// Instance record: EnvBlurInstance (module "envblur").
#pragma once

#include <cstddef>

#include "frame/export.h"
#include "frame/param_list.h"
#include "frame/params.h"

namespace uvo {

// The parameter block, in slot order.
#define UVO_ENVBLUR_PARAMETERS(X)                                                                            \
    X(Tag, environment_shader, 0, "shader", "", "", "",                                                      \
      "environment to blur; unset: the camera's environment shader")                                         \
    X(float, blur_amount, 1, "scalar", "0.5", "[0, inf)", "tenths of the map width",                          \
      "radius of the blur disc; 0 passes rays straight to the environment")                                   \
    X(Boolean, follow_glossiness, 2, "boolean", "false", "", "",                                              \
      "below a glossy reflection take the blur from its glossiness: (1 - g^0.1) / 2 of the map width")        \
    X(int32_t, map_resolution, 3, "integer", "256", "3..", "texels",                                          \
      "width and height of the angular map; 2 or less means 256")

UVO_PARAMETER_BLOCK(EnvBlurParams, UVO_ENVBLUR_PARAMETERS);
static_assert(sizeof(EnvBlurParams) == 16);

// The per-instance record, in the instance's user-data slot from instance init
// to instance exit.  Filled by instance init, read-only afterwards.
struct EnvBlurInstance {
    Tag map_image;     // the map in the host database; 0: none was created
    int32_t map_size;  // its width and height, texels
};

constexpr int envblur_version = 1;
constexpr int32_t envblur_default_resolution = 256;

// The map size that `map_resolution` asks for: 256 in place of 2 or less.
inline int32_t envblur_map_size(int32_t map_resolution) {
    return map_resolution <= 2 ? envblur_default_resolution : map_resolution;
}

constexpr const char *envblur_module = "envblur";  // names the record's allocations

UVO_EXPORT int32_t uvo_envblur_version(void);
// Without a parameter block: asks for instance init.  With one: builds the
// instance's map.  Returns true.
UVO_EXPORT Boolean uvo_envblur_init(ShadingState *state, EnvBlurParams *params, Boolean *request);
// With a parameter block: deletes the instance's map from the host database
// and releases the record.  Returns true.
UVO_EXPORT Boolean uvo_envblur_exit(ShadingState *state, EnvBlurParams *params);
// Environment shader: writes the blurred environment seen along the state's
// ray direction (rgb; alpha untouched on the map path) and returns true, or
// returns false when the instance has no map (or the host cannot give it
// through rx_db_access and rx_img_pyramid_get_level).
UVO_EXPORT Boolean uvo_envblur(Color *result, ShadingState *state, EnvBlurParams *params);

}  // namespace uvo
