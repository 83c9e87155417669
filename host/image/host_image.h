// The host's image handle behind the contract's opaque HostImage: an image
// the handle owns (created by a shader) or one of the world's frame buffers,
// with its pyramid levels made on demand.  Shared by the image and the output
// host functions.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "image/image.h"

struct HostImage {
    uvo_host::Image *image = nullptr;             // what get/put read and write; null: closed
    std::unique_ptr<uvo_host::Image> owned;
    // Levels are made under `lock`, in a vector that never grows past the
    // room reserved for every level of the largest image, and published
    // through `levels_ready`: a shader asking for a level already made (once
    // per look-up) takes no lock.
    std::mutex lock;
    std::vector<std::unique_ptr<HostImage>> levels;  // levels[k] is level k + 1
    std::atomic<int32_t> levels_ready{0};            // levels made and visible to every thread
};

namespace uvo_host {
struct World;
// The handle of image element `tag` of `world` (made on first access for a
// loaded image); null when `tag` is not an image.  Lives until deleted.
HostImage *host_image_of(World *world, Tag tag);
// Removes image `tag` from the database and frees its handle and levels;
// false when `tag` is not an image.
bool delete_host_image(World *world, Tag tag);
}  // namespace uvo_host
