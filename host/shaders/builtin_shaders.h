// The host's own shaders, as a host application ships them beside any
// library: a constant colour, a Lambert diffuse, an image texture, a checker
// and the shading normal as a colour.  They follow the same calling
// convention and parameter protocol as library shaders, and are called
// directly by the host.
//
// constant       color (color)                                   -> color
// lambert        diffuse (color), samples (integer), indirect (boolean)
//                Direct light from every scene light through rx_sample_light;
//                plus `samples` cosine-weighted rays per call that gather the
//                environment (occluded by the scene) or, with `indirect`, the
//                shaded colour of whatever they hit (one bounce, ray type 20).
//                Opaque to shadow rays.
// image_texture  file (texture: an image), scale (vector), offset (vector)
//                -> the image at (u * scale.x + offset.x, v * scale.y + offset.y)
// checker        color1, color2 (color), scale (scalar): squares per unit of
//                texture coordinate
// normal_color   mapped (boolean, true): the state's shading normal as a
//                colour, for looking at normals in an image (and behind bump
//                shaders, whose bent normal it then shows); true gives
//                0.5 + 0.5 n per channel (displayable), false the
//                internal-space normal n itself (components in [-1, 1]);
//                alpha 1.  Opaque to shadow rays.
#pragma once

#include <vector>

#include "uvo/host_interface.h"

namespace uvo_host {

struct BuiltinShader {
    const char *name;
    const char *declaration;  // JSON, same format as the library's declaration files
    UvoShaderFn shader;
};

const std::vector<BuiltinShader> &builtin_shaders();

// Irradiance over π at the state's point on its normal from every light of
// the scene (the state's light list), one round of each light's samples, as
// `lambert` and the daylight sensors take it (the light samples' convention:
// see rx_sample_light).
Color direct_irradiance(ShadingState *state);

}  // namespace uvo_host
