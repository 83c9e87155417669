// The bump-vector operation shared by the material's bump vectors and
// uvo_roundcorners: add a vector to a normal or replace the normal by it, in
// one of four spaces, and renormalise.
//
// | mode | operation | space of the vector |
// |------|-----------|---------------------|
// | 0    | none      |                     |
// | 1, 5 | add, replace | internal         |
// | 2, 6 | add, replace | world            |
// | 3, 7 | add, replace | object           |
// | 4, 8 | add, replace | camera           |
//
// Values outside 0 to 8 get no conversion: above 8 replace, negative add.
#pragma once

#include "uvo/host_interface.h"

namespace uvo {

// Changes `*normal` (internal space) by `vector` under `mode`.  A vector whose
// x and y are both 0 changes nothing (its z alone is not looked at).  The
// result is normalised unless it has zero length.
void apply_bump_vector(ShadingState *state, int32_t mode, Vector3 *normal, Vector3 vector);

// `vector` (internal space) converted into the space of `mode`: world for 2
// and 6, object for 3 and 7, camera for 4 and 8, unchanged otherwise.
Vector3 to_mode_space(ShadingState *state, int32_t mode, Vector3 vector);

}  // namespace uvo
