// Helpers shared by the exposure and tone-mapping tests: the host's output
// images scripted in memory, and the expected pixel-by-pixel order of an
// image pass.
#pragma once

#include <cstring>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "color_check.h"
#include "test_host.h"
#include "uvo/host_interface.h"

namespace tonemap_test {

inline std::string at(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }

// Output images the scripted host opens by index, `width` pixels a row,
// logging "open N" and "close N"; rx_img_get_color and rx_img_put_color read
// and write them, and log "get x,y" / "put x,y" into `order` when `logging`.
struct Images {
    int width, height;
    std::map<int32_t, std::vector<Color>> pixels;
    std::vector<std::string> log, order;
    bool logging = false;

    Images(int w, int h) : width(w), height(h) {
        uvo_test::TestHost &host = uvo_test::host();
        host.script.rx_output_image_open = [this](ShadingState *, int32_t index) {
            log.push_back("open " + std::to_string(index));
            std::vector<Color> &image = pixels[index];
            image.resize(size_t(width) * height);
            return reinterpret_cast<HostImage *>(&image);
        };
        host.script.rx_output_image_close = [this](ShadingState *, int32_t index) {
            log.push_back("close " + std::to_string(index));
        };
        host.script.rx_img_get_color = [this](const HostImage *image, Color *c, int32_t x, int32_t y) {
            if (logging)
                order.push_back("get " + at(x, y));
            *c = reinterpret_cast<const std::vector<Color> *>(image)->at(size_t(y) * width + x);
        };
        host.script.rx_img_put_color = [this](HostImage *image, const Color *c, int32_t x, int32_t y) {
            if (logging)
                order.push_back("put " + at(x, y));
            reinterpret_cast<std::vector<Color> *>(image)->at(size_t(y) * width + x) = *c;
        };
    }
    std::vector<Color> &operator[](int32_t index) {
        std::vector<Color> &image = pixels[index];
        image.resize(size_t(width) * height);
        return image;
    }
};

// "<first> x,y" then "<second> x,y" for every pixel, row by row, each row
// opened by "<row> y" when `row` is given.
inline std::vector<std::string> pixel_order(int width, int height, const char *first, const char *second,
                                            const char *row = nullptr) {
    std::vector<std::string> out;
    for (int y = 0; y < height; ++y) {
        if (row != nullptr)
            out.push_back(std::string(row) + " " + std::to_string(y));
        for (int x = 0; x < width; ++x) {
            out.push_back(std::string(first) + " " + at(x, y));
            out.push_back(std::string(second) + " " + at(x, y));
        }
    }
    return out;
}

// "" when the logs agree, else where and how they first differ.
inline std::string first_difference(const std::vector<std::string> &got, const std::vector<std::string> &want) {
    for (size_t i = 0; i < got.size() && i < want.size(); ++i)
        if (got[i] != want[i])
            return "entry " + std::to_string(i) + ": got '" + got[i] + "', want '" + want[i] + "'";
    if (got.size() != want.size())
        return std::to_string(got.size()) + " entries, want " + std::to_string(want.size());
    return "";
}

}  // namespace tonemap_test
