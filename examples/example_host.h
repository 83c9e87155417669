/*
 * What every tone-mapping example shares: the host functions the API needs,
 * the in-memory image, and the run of the four API functions over it.
 *
 * An example is the library's host: it exports these functions (link with
 * -rdynamic) and hands the library its own module with rxSetModuleHandle.
 * Include this header from the example's one source file.
 */
#ifndef UVO_EXAMPLE_HOST_H
#define UVO_EXAMPLE_HOST_H

#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include "example_settings.h"
#include "uvo/tonemap_api.h"

/* ---- host functions the tone-mapping API calls ---- */

void *rx_mem_int_allocate(const char *module, int32_t line, size_t size) {
    (void)module;
    (void)line;
    return calloc(1, size ? size : 1);
}

void rx_mem_int_release(const char *module, int32_t line, void *memory) {
    (void)module;
    (void)line;
    free(memory);
}

/* The library hands over finished text. */
void rx_error(const char *format, ...) { fprintf(stderr, "error: %s\n", format); }

/* ---- the image ---- */

typedef struct Image {
    int32_t width, height;
    Color *pixels; /* top row first */
} Image;

static void read_pixel(void *context, Color *out, int32_t x, int32_t y) {
    const Image *image = (const Image *)context;
    *out = image->pixels[(size_t)y * (size_t)image->width + (size_t)x];
}

static void write_pixel(void *context, const Color *in, int32_t x, int32_t y) {
    Image *image = (Image *)context;
    image->pixels[(size_t)y * (size_t)image->width + (size_t)x] = *in;
}

/* Tone-maps `image` in place with the settings given as `name=value`
 * arguments: 0 when done, 2 (after a message) on an unknown setting. */
static int example_tonemap(Image *image, int setting_count, char **settings) {
    TonemapRecord record;
    int i;

    /* This program exports the host functions: it is the host module. */
    rxSetModuleHandle(dlopen(NULL, RTLD_NOW));

    example_record_defaults(&record, image->width, image->height);
    record.read_context = record.write_context = image;
    record.read_pixel = read_pixel;
    record.write_pixel = write_pixel;
    for (i = 0; i < setting_count; ++i)
        if (example_apply_setting(&record, settings[i]) != 0) {
            fprintf(stderr, "bad setting %s: an unknown name or not a number\n", settings[i]);
            example_list_settings(stderr, &record);
            return 2;
        }

    uvo_tonemap_api_init(&record);
    uvo_tonemap_api_transform_image(&record);
    uvo_tonemap_api_exit(&record);
    return 0;
}

#endif
