// The material's glossy interpolation: for glossy reflections and refractions
// seen from the camera, the expensive sampler runs only on a coarse screen
// grid (each cell probed lazily from the camera through its raster position)
// and shading calls blend the stored results of the cells around them by
// screen position, camera-space distance and normal agreement.  The cache
// (point_cache.h) belongs to a material instance and is shared by all render
// threads under the instance's host lock.
#pragma once

#include "interpolate/point_cache.h"
#include "xmtl/material_records.h"

namespace uvo {

enum InterpolationMode { interpolate_reflection = 0, interpolate_refraction = 1 };

// Made by the material's instance init with interpolation_grid_density: the
// record, a zeroed pool of 32768 slots and a zeroed cell index sized from
// state->camera.  Prints the init messages.  Null when the host gave no
// memory (or the state has no camera).
Undersampler *create_undersampler(ShadingState *state, int32_t density);

// Frees the slots, the index, then the record.  Null is ignored.
void release_undersampler(Undersampler *u);

// Camera ray through raster position (x, y): origin and unit direction in
// internal space (a zero direction is left as it is).
void undersampler_primary_ray(ShadingState *state, const Undersampler &u, float raster_x, float raster_y,
                              Vector3 *origin, Vector3 *direction);

// Writes the interpolated (or, where needed, directly sampled) glossy result
// into *out.  `weight`: branch weight of the direct sampler; `falloff_*`: the
// chooser's fall-off (reflections); `half_width`: window half-width s in
// cells; `bump_shader`: Tag run on each probed cell's state, 0 = none;
// `smooth`: smoothing distance (scene units) below which reflected objects
// are traced directly.  Leaves *out untouched for environment-ray parents.
// A host that gives no instance lock (query 52) gets the direct sampler
// instead, and one warning for the whole run.  Always returns true.
bool undersampler_interpolate(Undersampler *u, Color *out, ShadingState *state, const MaterialWorkRecord *work,
                              float weight, float falloff_distance, const Color *falloff_color, int32_t half_width,
                              Tag bump_shader, float smooth, InterpolationMode mode);

}  // namespace uvo
