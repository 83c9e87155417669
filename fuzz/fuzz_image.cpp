// Texture images as the host reads them (read_image): the input is written
// to a file named .exr when it starts with the EXR magic number, else .png,
// and read back.  A refused image ends in ImageError; anything else is a
// finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "image/image.h"

using namespace uvo_host;

namespace {
std::string folder;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    char name[] = "/tmp/uvo_fuzz_image_XXXXXX";
    if (mkdtemp(name) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    folder = name;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const uint8_t exr_magic[4] = {0x76, 0x2f, 0x31, 0x01};
    const bool exr = size >= 4 && std::memcmp(data, exr_magic, 4) == 0;
    const std::string path = folder + (exr ? "/image.exr" : "/image.png");
    FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
        std::abort();
    try {
        const Image image = read_image(path);
        if (image.rgba.size() != static_cast<size_t>(image.width) * image.height * 4)
            std::abort();
    } catch (const ImageError &) {
    }
    std::remove(path.c_str());
    return 0;
}
