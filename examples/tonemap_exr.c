/*
 * tonemap_exr: tone-maps an EXR image into an 8-bit PNG with the shader
 * library's tone-mapping API alone, outside any renderer.
 *
 *     tonemap_exr INPUT.exr OUTPUT.png [setting=value ...]
 *
 * INPUT is a scanline EXR with R, G and B channels (A is kept when present)
 * in half or float, any compression the EXR core library reads.  OUTPUT is an
 * RGBA PNG: each channel clamped to [0, 1] and rounded to 8 bits.  Settings
 * are the TonemapRecord's fields (see example_settings.h).
 *
 * The program is the library's host; the host functions and the tone-mapping
 * run it shares with the other examples are in example_host.h.
 */
#define _POSIX_C_SOURCE 200809L

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <OpenEXR/openexr.h>
#include <stb/stb_image_write.h>

#include "example_host.h"
#include "uvo/tonemap_api.h"

/* Which Color field channel `name` fills (0 r, 1 g, 2 b, 3 a), or -1 for a
 * channel we skip. */
static int color_index(const char *name) {
    static const char *const names[4] = {"R", "G", "B", "A"};
    int k;
    for (k = 0; k < 4; ++k)
        if (strcmp(name, names[k]) == 0)
            return k;
    return -1;
}

/* Decodes one chunk of scanlines into the image's rows: the core library
 * decompresses it and converts every channel to float, each into a plane of
 * its own that we then gather into the Colors.  (Decoding half channels
 * straight into interleaved RGBA floats puts R and A in each other's place
 * with this version of the library; planes are safe.)  Returns the number of
 * R, G and B channels found, or -1 on an error. */
static int read_chunk(exr_context_t file, const exr_chunk_info_t *chunk, int32_t top, Image *image) {
    exr_decode_pipeline_t decoder = EXR_DECODE_PIPELINE_INITIALIZER;
    const size_t plane = (size_t)image->width * (size_t)chunk->height;
    float *planes = (float *)calloc(4 * plane, sizeof(float));
    Color *row = &image->pixels[(size_t)(chunk->start_y - top) * (size_t)image->width];
    int c, k, rgb = 0, failed;
    size_t i;

    if (planes == NULL)
        return -1;
    for (i = 0; i < plane; ++i)
        planes[3 * plane + i] = 1.0f; /* alpha where the file has none */
    failed = exr_decoding_initialize(file, 0, chunk, &decoder) != EXR_ERR_SUCCESS;
    for (c = 0; !failed && c < decoder.channel_count; ++c) {
        exr_coding_channel_info_t *channel = &decoder.channels[c];
        k = color_index(channel->channel_name);
        channel->decode_to_ptr = k < 0 ? NULL : (uint8_t *)(planes + (size_t)k * plane);
        channel->user_data_type = EXR_PIXEL_FLOAT;
        channel->user_bytes_per_element = sizeof(float);
        channel->user_pixel_stride = sizeof(float);
        channel->user_line_stride = (int32_t)(sizeof(float) * (size_t)image->width);
        rgb += k >= 0 && k < 3;
    }
    failed = failed || exr_decoding_choose_default_routines(file, 0, &decoder) != EXR_ERR_SUCCESS ||
             exr_decoding_run(file, 0, &decoder) != EXR_ERR_SUCCESS;
    exr_decoding_destroy(file, &decoder);
    for (i = 0; !failed && i < plane; ++i)
        row[i] = (Color){planes[i], planes[plane + i], planes[2 * plane + i], planes[3 * plane + i]};
    free(planes);
    return failed ? -1 : rgb;
}

/* Reads the first part of a scanline EXR; returns 0 on success. */
static int read_exr(const char *path, Image *image) {
    exr_context_t file = NULL;
    exr_context_initializer_t init = EXR_DEFAULT_CONTEXT_INITIALIZER;
    exr_storage_t storage;
    exr_attr_box2i_t window;
    int32_t lines, y;
    size_t count;
    int failed = 0;

    image->pixels = NULL;
    if (exr_start_read(&file, path, &init) != EXR_ERR_SUCCESS)
        return 1;
    if (exr_get_storage(file, 0, &storage) != EXR_ERR_SUCCESS || storage != EXR_STORAGE_SCANLINE ||
        exr_get_data_window(file, 0, &window) != EXR_ERR_SUCCESS ||
        exr_get_scanlines_per_chunk(file, 0, &lines) != EXR_ERR_SUCCESS) {
        exr_finish(&file);
        return 1;
    }
    image->width = window.max.x - window.min.x + 1;
    image->height = window.max.y - window.min.y + 1;
    count = (size_t)image->width * (size_t)image->height;
    image->pixels = (Color *)malloc(count * sizeof(Color));
    if (image->pixels == NULL) {
        exr_finish(&file);
        return 1;
    }

    /* Chunks start at the top of the data window, `lines` scanlines each. */
    for (y = window.min.y; y <= window.max.y && !failed; y += lines) {
        exr_chunk_info_t chunk;
        failed = exr_read_scanline_chunk_info(file, 0, y, &chunk) != EXR_ERR_SUCCESS ||
                 read_chunk(file, &chunk, window.min.y, image) != 3;
    }
    exr_finish(&file);
    if (failed) {
        free(image->pixels);
        image->pixels = NULL;
    }
    return failed;
}

static unsigned char byte_of(float v) {
    if (!(v > 0.0f))
        return 0;
    if (v >= 1.0f)
        return 255;
    return (unsigned char)(v * 255.0f + 0.5f);
}

static int write_png(const char *path, const Image *image) {
    size_t i, n = (size_t)image->width * (size_t)image->height;
    unsigned char *bytes = (unsigned char *)malloc(n * 4);
    int written;
    if (bytes == NULL)
        return 1;
    for (i = 0; i < n; ++i) {
        bytes[4 * i + 0] = byte_of(image->pixels[i].r);
        bytes[4 * i + 1] = byte_of(image->pixels[i].g);
        bytes[4 * i + 2] = byte_of(image->pixels[i].b);
        bytes[4 * i + 3] = byte_of(image->pixels[i].a);
    }
    written = stbi_write_png(path, image->width, image->height, 4, bytes, image->width * 4);
    free(bytes);
    return !written;
}

int main(int argc, char **argv) {
    Image image;
    int failed;

    if (argc < 3) {
        TonemapRecord defaults;
        fprintf(stderr, "usage: %s INPUT.exr OUTPUT.png [setting=value ...]\n", argv[0]);
        example_record_defaults(&defaults, 1, 1);
        example_list_settings(stderr, &defaults);
        return 2;
    }
    if (read_exr(argv[1], &image) != 0) {
        fprintf(stderr, "cannot read %s as a scanline RGB(A) EXR image\n", argv[1]);
        return 1;
    }

    if (example_tonemap(&image, argc - 3, argv + 3) != 0) {
        free(image.pixels);
        return 2;
    }

    failed = write_png(argv[2], &image);
    free(image.pixels);
    if (failed) {
        fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
