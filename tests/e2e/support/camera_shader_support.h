// Helpers of the camera-shader tests (lens chains, output shaders, user frame
// buffers): a small lit scene with room for camera keys, and EXR layers.
#pragma once

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>

#include <string>

#include "render_support.h"

namespace uvo_host_test {

// A red Lambert ball lit by a point light in front of a grey-blue
// environment, seen by a 16 x 12 pinhole camera; every pixel has some light.
// `camera_extra` is spliced into the camera object (",\"lens\": [...]").
inline std::string lit_ball_scene(const std::string &camera_extra, int samples, int width = 16, int height = 12) {
    return R"({"options": {"samples": )" + std::to_string(samples) + R"(},
        "camera": {"resolution": [)" + std::to_string(width) + ", " + std::to_string(height) +
           R"(], "aperture": 1.2, "transform": {"translate": [0, 0, 3]},
                   "environment": {"shader": "constant", "params": {"color": [0.3, 0.35, 0.45]}})" +
           camera_extra + R"(},
        "lights": [{"name": "bulb", "type": "point", "intensity": 12, "transform": {"translate": [2, 2, 3]}}],
        "objects": [{"type": "sphere", "radius": 1, "segments": 16,
            "material": {"shader": "lambert", "params": {"diffuse": [0.8, 0.3, 0.2], "samples": 1}}}]})";
}

// Channels NAME.R .. NAME.A (or R .. A for an empty name) of an EXR file;
// an image of width 0 when the file lacks them.
inline uvo_host::Image read_exr_layer(const std::string &path, const std::string &name) {
    Imf::InputFile file(path.c_str());
    const Imath::Box2i window = file.header().dataWindow();
    uvo_host::Image image(window.max.x - window.min.x + 1, window.max.y - window.min.y + 1);
    const char *channels[4] = {"R", "G", "B", "A"};
    Imf::FrameBuffer fb;
    for (int c = 0; c < 4; ++c) {
        const std::string channel = name.empty() ? channels[c] : name + "." + channels[c];
        if (file.header().channels().findChannel(channel) == nullptr)
            return uvo_host::Image();
        fb.insert(channel, Imf::Slice(Imf::FLOAT, reinterpret_cast<char *>(image.rgba.data()) + c * sizeof(float),
                                      4 * sizeof(float), 4 * sizeof(float) * image.width));
    }
    file.setFrameBuffer(fb);
    file.readPixels(window.min.y, window.max.y);
    return image;
}

}  // namespace uvo_host_test
