// Helpers shared by the exposure tests: the host's output images scripted in
// memory.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "color_check.h"
#include "test_host.h"
#include "uvo/host_interface.h"

namespace tonemap_test {

// Output images the scripted host opens by index, `width` pixels a row;
// rx_img_get_color and rx_img_put_color read and write them.
struct Images {
    int width, height;
    std::map<int32_t, std::vector<Color>> pixels;

    Images(int w, int h) : width(w), height(h) {
        uvo_test::TestHost &host = uvo_test::host();
        host.script.rx_output_image_open = [this](ShadingState *, int32_t index) {
            std::vector<Color> &image = pixels[index];
            image.resize(size_t(width) * height);
            return reinterpret_cast<HostImage *>(&image);
        };
        host.script.rx_img_get_color = [this](const HostImage *image, Color *c, int32_t x, int32_t y) {
            *c = reinterpret_cast<const std::vector<Color> *>(image)->at(size_t(y) * width + x);
        };
        host.script.rx_img_put_color = [this](HostImage *image, const Color *c, int32_t x, int32_t y) {
            reinterpret_cast<std::vector<Color> *>(image)->at(size_t(y) * width + x) = *c;
        };
    }
    std::vector<Color> &operator[](int32_t index) {
        std::vector<Color> &image = pixels[index];
        image.resize(size_t(width) * height);
        return image;
    }
};

}  // namespace tonemap_test
