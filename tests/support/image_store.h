// Host images for tests and benchmarks: images with a pyramid of half-size
// levels (down to 1 x 1, sizes rounded down) held in memory, answering the
// contract's image and database functions.
//
// A test installs them into the test host with script_images(store); a
// benchmark that is its own host forwards its exported functions to a store.
// Reads and writes outside a level are counted, never performed.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "test_host.h"

// The contract leaves HostImage opaque; this host's image is one level.
struct HostImage {
    int32_t width = 0, height = 0;
    std::vector<Color> texels;
    std::vector<std::unique_ptr<HostImage>> *pyramid = nullptr;  // all levels, this one included
};

namespace uvo_test {

class ImageStore {
public:
    std::map<Tag, std::unique_ptr<std::vector<std::unique_ptr<HostImage>>>> images;
    Tag next_tag = 700;
    HostImageDesc last_desc{};
    int created = 0, deleted = 0, edits_ended = 0;
    int pins = 0;                 // accesses minus unpins
    long reads = 0;               // texels read
    long out_of_bounds = 0;       // reads and writes outside their level

    HostImage *create(const HostImageDesc *desc, Tag *tag) {
        last_desc = *desc;
        auto levels = std::make_unique<std::vector<std::unique_ptr<HostImage>>>();
        for (int32_t w = desc->width, h = desc->height; w > 0 && h > 0;) {
            auto level = std::make_unique<HostImage>();
            level->width = w;
            level->height = h;
            level->texels.assign(size_t(w) * h, Color{0.0f, 0.0f, 0.0f, 0.0f});
            level->pyramid = levels.get();
            levels->push_back(std::move(level));
            if (w == 1 && h == 1)
                break;
            w = w > 1 ? w / 2 : 1;
            h = h > 1 ? h / 2 : 1;
        }
        if (levels->empty())
            return nullptr;
        HostImage *first = levels->front().get();
        *tag = next_tag++;
        images[*tag] = std::move(levels);
        ++created;
        return first;
    }

    HostImage *level(HostImage *image, int32_t index, int32_t *width, int32_t *height) {
        if (image == nullptr || index < 0 || size_t(index) >= image->pyramid->size())
            return nullptr;
        HostImage *found = (*image->pyramid)[size_t(index)].get();
        *width = found->width;
        *height = found->height;
        return found;
    }

    void get(const HostImage *image, Color *color, int32_t x, int32_t y) {
        ++reads;
        if (x < 0 || y < 0 || x >= image->width || y >= image->height) {
            ++out_of_bounds;
            return;
        }
        *color = image->texels[size_t(y) * image->width + x];
    }

    void put(HostImage *image, const Color *color, int32_t x, int32_t y) {
        if (x < 0 || y < 0 || x >= image->width || y >= image->height) {
            ++out_of_bounds;
            return;
        }
        image->texels[size_t(y) * image->width + x] = *color;
    }

    void *access(Tag tag) {
        auto it = images.find(tag);
        if (it == images.end())
            return nullptr;
        ++pins;
        return it->second->front().get();
    }
    void unpin(Tag tag) { pins -= images.count(tag) ? 1 : 0; }
    void erase(Tag tag) { deleted += static_cast<int>(images.erase(tag)); }

    // Level `index` of the image `tag`, or null.
    HostImage *at(Tag tag, size_t index) {
        auto it = images.find(tag);
        return it != images.end() && index < it->second->size() ? (*it->second)[index].get() : nullptr;
    }
};

// Routes the test host's image and database functions to `store`.
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
