// Texture coordinates at a hit the library shades itself (the state of an
// occlusion probe or of an undersampler's probe), interpolated from the
// host's triangle vertices for every texture space the host has.
#pragma once

#include <cstdint>

#include "uvo/host_interface.h"

namespace uvo {

// The most texture spaces the library fills for one hit: the coordinates
// live on the caller's stack (12 bytes each).  A host with more gets one
// warning for the whole run, and the spaces past the limit stay unset.
constexpr int32_t max_texture_spaces = 64;

// For i = 0, 1, ... while rx_tri_vectors(state, 't', i) answers three
// vertex values: tex[i] = the values weighted by state->bary.  Points
// state->tex_list at `tex`, sets state->tex_count to the spaces filled and,
// when there is one, state->tex to tex[0].  The caller puts the state back.
void fill_texture_spaces(ShadingState *state, Vector3 (&tex)[max_texture_spaces]);

}  // namespace uvo
