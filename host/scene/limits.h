// What the scene loader and the command line accept, so that no setting makes
// memory (or the stack) grow without bound.  Time is bounded by Ctrl-C, not
// here: sample counts are only kept within 32 bits.
#pragma once

#include <cstddef>

namespace uvo_host {

constexpr int kMaxResolution = 65536;          // pixels along either side; the frame's memory is checked too
constexpr int kMaxThreads = 1024;              // render threads (each has its own stacks and stores)
constexpr int kMaxSphereSegments = 2048;       // a sphere's segments around (about 4 M triangles)
constexpr int kMaxPhotons = 10000000;          // photon emission calls per light (each photon is kept)
constexpr int kMaxShaderNesting = 256;         // shaders feeding shaders, counted from the owner
constexpr size_t kMaxSceneBytes = 64u << 20;   // a scene file (meshes and images are read separately)

}  // namespace uvo_host
