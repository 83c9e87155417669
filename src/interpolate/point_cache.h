// The glossy interpolation cache as plain data: a coarse screen-space grid
// whose computed cells point into a fixed, cyclically recycled pool of slots,
// the mapping from raster positions to the camera's image plane, and the
// weight a stored slot gets at a shading point.  No host calls here except
// through the memory functions of create/release; the material's glue
// around it (probing, sampling, locking) is xmtl/undersampler.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "uvo/host_interface.h"

namespace uvo {

// One computed grid cell (48 bytes).  Filled by the undersampler when the
// cell's probe found the material; read under the instance lock.
struct CacheSlot {
    int32_t owner;    // cell index + 1 of the cell using the slot; 0 = free
    Vector3 point;    // surface point, camera space
    Vector3 normal;   // surface normal, camera space, unit
    Color color;      // the reflection or refraction sampler's result
    float nearest;    // nearest hit distance of the sampler's rays, 1e30 when none hit
};
static_assert(sizeof(CacheSlot) == 48, "CacheSlot is 48 bytes");
static_assert(offsetof(CacheSlot, point) == 4 && offsetof(CacheSlot, normal) == 16, "CacheSlot layout");
static_assert(offsetof(CacheSlot, color) == 28 && offsetof(CacheSlot, nearest) == 44, "CacheSlot layout");

// Index entries with a special meaning; entries from 2 on name a slot.
enum : uint16_t { cell_uncomputed = 0, cell_unusable = 1, first_slot = 2 };
constexpr int32_t cache_capacity = 32768;

// One cache per material instance and purpose (reflection or refraction),
// allocated from the host (module "interpolate") by create_undersampler.
struct Undersampler {
    int32_t grid_width;        // trunc(x resolution * grid_scale)
    int32_t grid_height;       // trunc(y resolution * grid_scale)
    uint16_t *cell_index;      // grid_width * grid_height entries, row-major (y * grid_width + x)
    int32_t capacity;          // slots in the pool (cache_capacity)
    int32_t cursor;            // next slot to (re)use, 2 .. capacity - 1
    CacheSlot *slots;          // capacity slots
    float grid_scale;          // grid cells per raster pixel
    float distance_exponent;   // exponent of the distance weight (1.0 on every look-up)
    float normal_threshold;    // minimum normal agreement (0.9 on every look-up)
    float smooth;              // the caller's smoothing distance, scene units
    float offset_x, offset_y;  // image plane x = raster x * step_x + offset_x, likewise y
    float step_x, step_y;
};

// Grid cells per raster pixel for a density code: 2 for 0, 1/density for 1
// to 5, 0.5 for anything else.
float grid_scale_for_density(int32_t density);

// Fills grid_scale, the grid size and the image-plane mapping from `camera`
// (divisions in double precision).  Leaves the pool fields alone.
void set_grid_geometry(Undersampler *u, const Camera &camera, int32_t density);

// Image-plane point of raster position (x, y), in camera units.
void image_plane_point(const Undersampler &u, float raster_x, float raster_y, float *px, float *py);

// Takes the next slot for `cell` (which must be uncomputed): the cursor
// advances and wraps back to 2; a slot still owned by another cell makes
// that cell uncomputed again.  Returns the slot number now in the cell's
// index entry.
int32_t claim_slot(Undersampler *u, int32_t cell);

// Weight of one window edge: 1 - f in the first column (row), f in the last
// (the last rule wins for a window one cell wide), 1 elsewhere.
float edge_weight(int32_t at, int32_t first, int32_t last, float f);

// Weight of a stored slot at a shading point: zero beyond the reach radius
// `reach` (no limit when it is 0 or less) and below the normal threshold;
// else (1 - d/reach)^exponent times the normal agreement mapped from
// [threshold, 1] to [0, 1].  `point` and `normal` are in camera space.
float slot_weight(const CacheSlot &slot, const Vector3 &point, const Vector3 &normal, float reach,
                  float distance_exponent, float normal_threshold);

}  // namespace uvo
