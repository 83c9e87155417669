// The camera's shaders around the frame: the lens shader chain that every
// camera sample goes through, and the output shaders that run once over the
// finished frame.
//
// Lens chain.  The camera's lens shaders are called in list order: the
// renderer calls the first with kind 0 (UVO_SHADER_LENS) on the camera
// state; when a lens shader traces the eye ray (rx_trace_eye), the ray goes
// to the next lens shader of the chain on the same state, with the state's
// origin and direction set to the ray's for that call, and from the last one
// into the scene.  Each lens thus sees what the lenses after it made of the
// ray: the first of the list is the outermost.
//
// Output shaders.  After the frame, each output shader of the camera is
// called once, in list order, with kind 11 (UVO_SHADER_OUTPUT) on a state of
// ray type UVO_RAY_OUTPUT.  They reach the frame's images through
// rx_output_image_open and stop between rows once rx_par_aborted reports an
// abort (a fatal message, an interrupt, or a host that stops the render).
#pragma once

#include <functional>
#include <string>

#include "render/context.h"
#include "render/world.h"

namespace uvo_host {

// Shades one camera sample whose ray the root state holds: through the lens
// chain, or straight into the scene without lens shaders.
void shade_camera_sample(ShadingState *root, Color *result);

// rx_trace_eye: from a lens call on `state`, the next lens of the chain (or
// the scene after the last); from anywhere else, an eye ray into the scene.
Boolean trace_eye(ShadingState *state, const Vector3 &origin, const Vector3 &direction, Color *result);

// Runs the camera's output shaders in order over the world's frame buffers.
// Returns the number of shaders called.  With `progress`, the shaders'
// progress messages are shown on the terminal's status line as they come.
int run_output_shaders(World &world, bool progress);

// Sets the world's abort flag on SIGINT (the first one; a second one ends the
// process as usual).  The flag is world->interrupted as well as aborted.
void install_interrupt_handler();

}  // namespace uvo_host
