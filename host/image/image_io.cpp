#include "image/image.h"

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <filesystem>
#include <functional>

#include <fcntl.h>
#include <unistd.h>

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfOutputFile.h>
#include <ImfStringAttribute.h>
#include <ImfChromaticitiesAttribute.h>
#include <ImfFloatAttribute.h>
#include <ImfIntAttribute.h>
#include <ImfMatrixAttribute.h>
#include <ImfVecAttribute.h>
#include <stb_image.h>
#include <stb_image_write.h>

namespace uvo_host {

float srgb_to_linear(float c) {
    return c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f);
}

float linear_to_srgb(float c) {
    if (!(c > 0.0f))
        return 0.0f;
    if (c >= 1.0f)
        return 1.0f;
    return c <= 0.0031308f ? 12.92f * c : 1.055f * std::pow(c, 1.0f / 2.4f) - 0.055f;
}

Color Image::lookup(float u, float v) const {
    if (width == 0 || height == 0)
        return Color{0, 0, 0, 1};
    const float x = (u - std::floor(u)) * width - 0.5f;
    const float y = (1.0f - (v - std::floor(v))) * height - 0.5f;
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    const float fx = x - x0, fy = y - y0;
    auto at = [&](int xi, int yi) {
        xi = ((xi % width) + width) % width;
        yi = ((yi % height) + height) % height;
        return get(xi, yi);
    };
    const Color a = at(x0, y0), b = at(x0 + 1, y0), c = at(x0, y0 + 1), d = at(x0 + 1, y0 + 1);
    auto mix = [&](float p, float q, float r, float s) {
        return (p * (1 - fx) + q * fx) * (1 - fy) + (r * (1 - fx) + s * fx) * fy;
    };
    return Color{mix(a.r, b.r, c.r, d.r), mix(a.g, b.g, c.g, d.g), mix(a.b, b.b, c.b, d.b),
                 mix(a.a, b.a, c.a, d.a)};
}

namespace {

Image read_exr(const std::string &path) {
    try {
        Imf::InputFile file(path.c_str());
        const Imath::Box2i window = file.header().dataWindow();
        // The header's size is checked before anything is allocated for it:
        // a few hundred bytes may claim gigapixels.
        const int64_t w = int64_t(window.max.x) - window.min.x + 1, h = int64_t(window.max.y) - window.min.y + 1;
        if (w < 1 || h < 1 || w > max_image_side || h > max_image_side || w * h > max_image_pixels)
            throw ImageError("EXR data window of " + std::to_string(w) + " x " + std::to_string(h) +
                             " pixels is beyond the limit of " + std::to_string(max_image_pixels) + " pixels");
        Image image(window.max.x - window.min.x + 1, window.max.y - window.min.y + 1);
        image.name = path;
        const bool has_alpha = file.header().channels().findChannel("A") != nullptr;
        Imf::FrameBuffer fb;
        char *base = reinterpret_cast<char *>(image.rgba.data()) -
                     (static_cast<ptrdiff_t>(window.min.x) + static_cast<ptrdiff_t>(window.min.y) * image.width) *
                         4 * sizeof(float);
        const char *names[4] = {"R", "G", "B", "A"};
        for (int c = 0; c < 4; ++c)
            fb.insert(names[c], Imf::Slice(Imf::FLOAT, base + c * sizeof(float), 4 * sizeof(float),
                                           4 * sizeof(float) * image.width, 1, 1, c == 3 ? 1.0 : 0.0));
        file.setFrameBuffer(fb);
        file.readPixels(window.min.y, window.max.y);
        if (!has_alpha)
            for (size_t i = 3; i < image.rgba.size(); i += 4)
                image.rgba[i] = 1.0f;
        return image;
    } catch (const ImageError &) {
        throw;
    } catch (const std::exception &e) {
        throw ImageError(std::string("cannot read EXR: ") + e.what());
    }
}

Image read_png(const std::string &path) {
    int w = 0, h = 0, channels = 0;
    unsigned char *data = stbi_load(path.c_str(), &w, &h, &channels, 4);
    if (data == nullptr)
        throw ImageError(std::string("cannot read image: ") + stbi_failure_reason());
    if (int64_t(w) * h > max_image_pixels) {
        stbi_image_free(data);
        throw ImageError("image of " + std::to_string(w) + " x " + std::to_string(h) + " pixels is beyond the limit");
    }
    Image image(w, h);
    image.name = path;
    for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i)
        for (int c = 0; c < 4; ++c) {
            const float value = data[i * 4 + c] / 255.0f;
            image.rgba[i * 4 + c] = c == 3 ? value : srgb_to_linear(value);
        }
    stbi_image_free(data);
    return image;
}

}  // namespace

Image read_image(const std::string &path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw ImageError("no such image file");
    const std::string ext = std::filesystem::path(path).extension().string();
    if (ext == ".exr" || ext == ".EXR")
        return read_exr(path);
    return read_png(path);
}

namespace {

// Writes `path` through `write` (which writes the file it is given and throws
// ImageError on failure) as a temporary file beside it, flushed to disk and
// renamed over `path`: a reader, or a render killed while writing, never
// leaves a partial file where the earlier one was.
void replace_atomically(const std::string &path, const std::function<void(const std::string &)> &write) {
    const std::filesystem::path target(path);
    const std::string temporary =
        (target.parent_path() / ("." + target.filename().string() + ".part" + std::to_string(getpid()))).string();
    try {
        write(temporary);
        const int fd = open(temporary.c_str(), O_RDONLY);
        const bool synced = fd >= 0 && fsync(fd) == 0;
        if (fd >= 0)
            close(fd);
        if (!synced)
            throw ImageError(path + ": cannot flush the file to disk");
        std::error_code ec;
        std::filesystem::rename(temporary, target, ec);
        if (ec)
            throw ImageError(path + ": cannot replace the file: " + ec.message());
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        throw;
    }
}

}  // namespace

void check_writable(const std::string &path) {
    const std::filesystem::path target(path);
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, ec))
        throw ImageError(path + ": the folder " + folder.string() + " cannot be created");
    if (std::filesystem::is_directory(target, ec))
        throw ImageError(path + ": is a folder");
    const std::string probe = (folder / (".uvo-probe" + std::to_string(getpid()))).string();
    const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0)
        throw ImageError(path + ": the folder " + folder.string() + " is not writable");
    close(fd);
    unlink(probe.c_str());
}

void write_exr(const std::string &path, const Image &image,
               const std::map<std::string, std::string> &attributes, const std::vector<const Image *> &layers,
               const ExrNumbers &numbers) {
    try {
        Imf::Header header(image.width, image.height);
        for (const auto &[key, value] : attributes)
            header.insert(key, Imf::StringAttribute(value));
        for (const auto &[key, value] : numbers.ints)
            header.insert(key, Imf::IntAttribute(value));
        for (const auto &[key, value] : numbers.floats)
            header.insert(key, Imf::FloatAttribute(value));
        for (const auto &[key, value] : numbers.int_pairs)
            header.insert(key, Imf::V2iAttribute(Imath::V2i(value[0], value[1])));
        for (const auto &[key, m] : numbers.matrices)
            header.insert(key, Imf::M44fAttribute(Imath::M44f(m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8],
                                                              m[9], m[10], m[11], m[12], m[13], m[14], m[15])));
        if (numbers.rec709)
            header.insert("chromaticities", Imf::ChromaticitiesAttribute(Imf::Chromaticities()));
        Imf::FrameBuffer fb;
        const char *names[4] = {"R", "G", "B", "A"};
        auto add = [&](const Image &source, const std::string &prefix) {
            if (source.width != image.width || source.height != image.height)
                throw ImageError(path + ": layer \"" + prefix + "\" is not the size of the image");
            char *base = const_cast<char *>(reinterpret_cast<const char *>(source.rgba.data()));
            for (int c = 0; c < 4; ++c) {
                const std::string channel = prefix.empty() ? names[c] : prefix + "." + names[c];
                header.channels().insert(channel, Imf::Channel(Imf::FLOAT));
                fb.insert(channel, Imf::Slice(Imf::FLOAT, base + c * sizeof(float), 4 * sizeof(float),
                                              4 * sizeof(float) * source.width));
            }
        };
        add(image, "");
        for (const Image *layer : layers)
            add(*layer, layer->name);
        replace_atomically(path, [&](const std::string &temporary) {
            Imf::OutputFile file(temporary.c_str(), header);
            file.setFrameBuffer(fb);
            file.writePixels(image.height);
        });
    } catch (const ImageError &) {
        throw;
    } catch (const std::exception &e) {
        throw ImageError(path + ": cannot write EXR: " + e.what());
    }
}

namespace {

uint32_t png_crc(const unsigned char *bytes, size_t size) {
    uint32_t crc = 0xffffffffu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// The PNG with an sRGB chunk (rendering intent perceptual) after its header,
// so that viewers and colour-managed tools take the values as sRGB.
std::vector<unsigned char> png_with_srgb_chunk(const Image &image, const std::vector<unsigned char> &pixels) {
    std::vector<unsigned char> png;
    stbi_write_png_to_func(
        [](void *context, void *data, int size) {
            auto *out = static_cast<std::vector<unsigned char> *>(context);
            out->insert(out->end(), static_cast<unsigned char *>(data), static_cast<unsigned char *>(data) + size);
        },
        &png, image.width, image.height, 4, pixels.data(), image.width * 4);
    constexpr size_t header_end = 8 + 4 + 4 + 13 + 4;  // signature, then the IHDR chunk
    if (png.size() < header_end)
        return {};
    unsigned char chunk[13] = {0, 0, 0, 1, 's', 'R', 'G', 'B', 0};
    const uint32_t crc = png_crc(chunk + 4, 5);
    for (int i = 0; i < 4; ++i)
        chunk[9 + i] = static_cast<unsigned char>(crc >> (24 - 8 * i));
    png.insert(png.begin() + header_end, chunk, chunk + sizeof chunk);
    return png;
}

}  // namespace

void write_png(const std::string &path, const Image &image, bool display_values) {
    std::vector<unsigned char> bytes(static_cast<size_t>(image.width) * image.height * 4);
    for (size_t i = 0; i < bytes.size(); ++i) {
        const float v = image.rgba[i];
        // The preview is opaque: environments such as the daylight skies give
        // their pixels alpha 0, which would hide the sky in a viewer.
        const float mapped = i % 4 == 3     ? 1.0f
                             : display_values ? (v > 0.0f ? std::fmin(v, 1.0f) : 0.0f)
                                              : linear_to_srgb(v);
        bytes[i] = static_cast<unsigned char>(std::lround(mapped * 255.0f));
    }
    const std::vector<unsigned char> png = png_with_srgb_chunk(image, bytes);
    if (png.empty())
        throw ImageError(path + ": cannot write PNG");
    replace_atomically(path, [&](const std::string &temporary) {
        std::FILE *file = std::fopen(temporary.c_str(), "wb");
        const bool written = file != nullptr && std::fwrite(png.data(), 1, png.size(), file) == png.size();
        if ((file != nullptr && std::fclose(file) != 0) || !written)
            throw ImageError(path + ": cannot write PNG");
    });
}

}  // namespace uvo_host
