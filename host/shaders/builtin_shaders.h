// The host's own shaders, as a host application ships them beside any
// library: a constant colour, a Lambert diffuse, an image texture and a
// checker.  They follow the same calling convention and parameter protocol as
// library shaders, and are called directly by the host.
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

}  // namespace uvo_host
