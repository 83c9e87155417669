// The frame-buffer pass that both exposure shaders run as output shaders, and
// their texture lookup by raster position.  Shader glue: host calls only, the
// mapping of a pixel is the caller's.
#pragma once

#include "uvo/host_interface.h"

namespace uvo {

// The colour of `texture` at raster position (x, y) in pixels, looked up at
// (x / x resolution, y / y resolution, 0) of the state's camera.
Color texture_at_raster(ShadingState *state, Tag texture, float x, float y);

// Maps the pixel at (x, y) in place; `context` is the caller's.
typedef void (*OutputPixelMap)(const void *context, Color &pixel, int32_t x, int32_t y);

// One pass over the camera's image, row by row from 0:
//   - stop before the row when rx_par_aborted reports an abort;
//   - set the state's raster y, and on every eighth row and the last report
//     `progress_format` (a printf format whose one conversion is %d, the
//     percentage 100 * y / height) through rx_progress;
//   - for each column: set the state's raster x, take the pixel from
//     `texture` when it is not 0, else from `source` (rx_img_get_color), map
//     it with `map` unless that is null, write it to `target`
//     (rx_img_put_color).  Each pixel is written before the next is read, so
//     source and target may be the same image.
// The state's raster position is restored before the pass returns.
void run_output_pass(ShadingState *state, const char *progress_format, const HostImage *source, HostImage *target,
                     Tag texture, OutputPixelMap map, const void *context);

}  // namespace uvo
