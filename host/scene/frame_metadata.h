// What a rendered frame's EXR header says about its pixels and its camera,
// in OpenEXR's standard attributes, so that other tools read the units and
// the view without knowing this renderer:
//
//   whiteLuminance  cd/m2 of a pixel value (1, 1, 1): the camera's
//                   `white_luminance` when the scene gives it, else that of
//                   the environment shader (uvo_physicalsky: 1 / (pi x
//                   rgb_scale x intensity), 25,465 by default; uvo_ciesky: 1, its values
//                   are cd/m2); not written when neither says
//   chromaticities  Rec. 709 primaries with a D65 white (the colours of the
//                   shaders and of the PNG preview)
//   isoSpeed, expTime (s), aperture (f-number)
//                   from a uvo_exposure_photographic of the camera (lens or
//                   output) with a film speed above 0
//   worldToCamera   internal (world) space to camera space (looks along -z)
//   worldToNDC      world to normalised device coordinates: after the
//                   divide by w, x and y run over [-1, 1] across the film
//                   (+y up) and z is 1 / distance in front of the camera
//
// Matrices follow OpenEXR's (and the contract's) row-vector convention.
#pragma once

#include "scene/scene.h"

namespace uvo_host {

struct FrameMetadata {
    float white_luminance = 0.0f;  // cd/m2 per unit; 0: unknown
    float iso_speed = 0.0f;        // 0: no photographic exposure
    float exp_time = 0.0f;         // seconds
    float aperture = 0.0f;         // f-number
    Mat4 world_to_camera = Mat4::identity();
    Mat4 world_to_ndc = Mat4::identity();
};

FrameMetadata frame_metadata(const Scene &scene);

// The value of scalar (or the luminance-weighted mean of colour) parameter
// `name` of `instance` as the block holds it; false when the shader has no
// such parameter or another shader computes it.
bool instance_number(const ShaderInstance &instance, const char *name, float &value);

}  // namespace uvo_host
