// The output channels a camera can ask for: slots of the material's 101-slot
// multi-output record, which the host hands to the shader of every eye ray's
// hit when the camera names any (and then answers query 160 with 0 for that
// call).  Each channel is averaged over the pixel's samples like the main
// buffer and written as an EXR layer of its name.
#pragma once

#include <cstddef>
#include <string>

namespace uvo_host {

constexpr int kOutputSlots = 101;  // 32-bit slots of the multi-output record

struct OutputChannel {
    const char *name;
    int slot;         // first slot: a colour takes four, a scalar one
    bool colour;      // else a scalar, written to R, G and B (alpha 1)
    bool additive;    // one of the terms whose sum is the result (see scenes/README.md)
};

// Every channel, in slot order; "result" is the material's own colour.
extern const OutputChannel kOutputChannels[];
extern const size_t kOutputChannelCount;

// The index in kOutputChannels of `name`, or -1.
int find_output_channel(const std::string &name);

}  // namespace uvo_host
