// The built-in shader `normal_color`: the state's shading normal as a
// colour, for looking at normals in an image (and for chaining behind bump
// shaders such as uvo_roundcorners, whose rounded normal it then shows).
//
// normal_color   mapped (boolean, true): true gives 0.5 + 0.5 n per channel
//                (a displayable colour), false the internal-space normal
//                n itself (components in [-1, 1]); alpha 1.  Opaque to
//                shadow rays.
#pragma once

#include "shaders/builtin_shaders.h"

namespace uvo_host {

const BuiltinShader &normal_color_builtin();

}  // namespace uvo_host
