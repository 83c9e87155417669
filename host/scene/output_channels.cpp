#include "scene/output_channels.h"

#include <iterator>

namespace uvo_host {

// The result is, per channel r, g, b: indirect + direct_diffuse + highlight +
// translucency + reflection + refraction, plus the positive channels of
// additional, times the opacity, plus cutout.  With the default opacity and
// additional colour, and outside a refractive solid's fall-off, the additive
// channels sum to the result.
const OutputChannel kOutputChannels[] = {
    {"result", 0, true, false},
    {"direct_diffuse", 4, true, true},
    {"irradiance", 8, true, false},
    {"diffuse_level", 12, true, false},
    {"highlight", 16, true, true},
    {"highlight_raw", 20, true, false},
    {"highlight_level", 24, true, false},
    {"reflection", 28, true, true},
    {"reflection_raw", 32, true, false},
    {"reflection_level", 36, true, false},
    {"refraction", 40, true, true},
    {"refraction_raw", 44, true, false},
    {"refraction_level", 48, true, false},
    {"translucency", 52, true, true},
    {"translucency_raw", 56, true, false},
    {"translucency_level", 60, true, false},
    {"indirect", 64, true, true},
    {"indirect_gathered", 68, true, false},
    {"occlusion_ambient", 72, true, false},
    {"occlusion", 76, true, false},
    {"additional", 80, true, false},
    {"cutout", 84, true, true},
    {"cutout_behind", 88, true, false},
    {"cutout_opacity", 92, false, false},
};
const size_t kOutputChannelCount = std::size(kOutputChannels);

int find_output_channel(const std::string &name) {
    for (size_t i = 0; i < kOutputChannelCount; ++i)
        if (name == kOutputChannels[i].name)
            return static_cast<int>(i);
    return -1;
}

}  // namespace uvo_host
