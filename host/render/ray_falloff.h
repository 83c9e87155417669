// The store of the ray fall-off ranges that shaders exchange with
// rx_ray_falloff (services/ray_falloff.cpp), and the limit a range puts on
// the rays traced from a state.
//
// A shader calls rx_ray_falloff(state, &start, &stop) to put its range in
// place and the host's previous range into its variables, traces its rays,
// and calls it again with the same variables to put the previous range back.
// The range belongs to the state it was set on (one per ray depth and render
// thread): rays traced from that state (reflection, refraction,
// transparency, continuation, probes and gather rays) end at `stop` and miss
// whatever lies beyond it; the rays of the surfaces they reach are not
// limited.  A stop of 0 or less means no limit; `start` is kept for the
// shader and not used by the host (shaders fade between start and stop
// themselves).
#pragma once

#include "uvo/host_interface.h"

namespace uvo_host {

// A fall-off range as rx_ray_falloff exchanges it.
struct FalloffRange {
    double start = 0.0;
    double stop = 0.0;
};

// The range of `state`: one per state depth of the calling thread.  Shaders
// always put back what they exchanged, so a depth's range is the empty one
// whenever no shader at that depth is between its two calls.
FalloffRange &falloff_range(const ShadingState *state);

// Distance at which rays traced from `state` end: its range's stop, or
// infinity when none is set.
float falloff_limit(const ShadingState *state);

}  // namespace uvo_host
