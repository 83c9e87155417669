// In-memory host images with pyramids of half-size levels (down to 1 x 1,
// sizes rounded down), answering the contract's image and database functions:
// tests install them into the test host with script_images(store), a
// benchmark that is its own host forwards to a store.  Reads and writes
// outside a level are counted, never performed.
#pragma once

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "test_host.h"

// The contract leaves HostImage opaque; here it is one level of a pyramid.
struct HostImage {
    int32_t width = 0, height = 0;
    std::vector<Color> texels;
    std::vector<HostImage> *pyramid = nullptr;  // every level, this one included
};

namespace uvo_test {

struct ImageStore {
    std::map<Tag, std::unique_ptr<std::vector<HostImage>>> images;
    Tag next_tag = 700;
    HostImageDesc last_desc{};
    int deleted = 0, edits_ended = 0, pins = 0;  // pins: accesses minus unpins
    long reads = 0, out_of_bounds = 0;

    HostImage *create(const HostImageDesc *desc, Tag *tag) {
        last_desc = *desc;
        auto levels = std::make_unique<std::vector<HostImage>>();
        for (int32_t w = desc->width, h = desc->height;; w = std::max(w / 2, 1), h = std::max(h / 2, 1)) {
            levels->push_back(HostImage{w, h, std::vector<Color>(size_t(w) * h), levels.get()});
            if (w == 1 && h == 1)
                break;
        }
        *tag = next_tag++;
        return &(images[*tag] = std::move(levels))->front();
    }
    HostImage *level(HostImage *image, int32_t index, int32_t *width, int32_t *height) {
        if (index < 0 || size_t(index) >= image->pyramid->size())
            return nullptr;
        HostImage &found = (*image->pyramid)[size_t(index)];
        *width = found.width;
        *height = found.height;
        return &found;
    }
    Color *texel(const HostImage *image, int32_t x, int32_t y) {
        if (x < 0 || y < 0 || x >= image->width || y >= image->height)
            return ++out_of_bounds, nullptr;
        return const_cast<Color *>(&image->texels[size_t(y) * image->width + x]);
    }
    void get(const HostImage *image, Color *color, int32_t x, int32_t y) {
        ++reads;
        if (Color *c = texel(image, x, y))
            *color = *c;
    }
    void put(HostImage *image, const Color *color, int32_t x, int32_t y) {
        if (Color *c = texel(image, x, y))
            *c = *color;
    }
    void *access(Tag tag) {
        auto it = images.find(tag);
        return it == images.end() ? nullptr : (++pins, &it->second->front());
    }
    void unpin(Tag tag) { pins -= static_cast<int>(images.count(tag)); }
    void erase(Tag tag) { deleted += static_cast<int>(images.erase(tag)); }
};

inline void script_images(ImageStore &store) {
    Script &s = host().script;
    s.rx_img_image_dbcreate = [&store](const HostImageDesc *d, Tag *t) { return store.create(d, t); };
    s.rx_img_pyramid_get_level = [&store](HostImage *i, int32_t l, int32_t *w, int32_t *h) {
        return store.level(i, l, w, h);
    };
    s.rx_img_get_color = [&store](const HostImage *i, Color *c, int32_t x, int32_t y) { store.get(i, c, x, y); };
    s.rx_img_put_color = [&store](HostImage *i, const Color *c, int32_t x, int32_t y) { store.put(i, c, x, y); };
    s.rx_db_access = [&store](Tag t) { return store.access(t); };
    s.rx_db_unpin = [&store](Tag t) { store.unpin(t); };
    s.rx_db_delete = [&store](Tag t) { store.erase(t); };
    s.rx_scene_edit_end = [&store](Tag) { ++store.edits_ended; };
}

}  // namespace uvo_test
