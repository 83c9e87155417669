// User frame buffers: colour images beside the main one, declared by name in
// the camera section of the scene and numbered from 0 in that order.  Shaders
// write them with rx_fb_put at the state's raster position while the frame
// renders, and read or rewrite them after it as output images 12 + number.
//
// A value put during a pixel's camera samples is summed over them and the
// pixel gets the sum over the pixel's sample count, exactly as the main colour
// buffer averages the camera samples: a buffer written on every sample holds
// the average, one written on some samples the share of those.  Values put
// outside a pixel's samples (e.g. by an output shader) land directly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/world.h"

namespace uvo_host {

// Makes the world's user frame buffers for the scene's camera (every pixel
// black, alpha 0).
void allocate_user_framebuffers(World &world);

// Starts the camera samples of pixel (x, y) on the calling thread: values put
// at this pixel are summed from here on.
void begin_pixel_buffers(World &world, int x, int y);
// Ends them: every buffer written at this pixel since begin_pixel_buffers
// gets its sum over `samples`.
void end_pixel_buffers(World &world, int samples);

// rx_fb_put: stores colour `value` in user frame buffer `buffer` at the
// pixel of raster position (raster_x, raster_y).  False when there is no
// such buffer or the position is off the image.
bool put_user_framebuffer(World &world, int32_t buffer, float raster_x, float raster_y, const Color &value);

// Number of the frame buffer `name` in the set of Tag `set`, or -1.  The set
// is the camera's list of names (ElementKind::FramebufferSet).
int32_t find_framebuffer(const World &world, Tag set, const std::string &name);

// Frame-buffer accessors handed out by the shader interface and not released
// yet (a shader that forgets to release one shows here).
long live_framebuffer_accessors();

}  // namespace uvo_host
