/*
 * tonemap_pfm: tone-maps a floating-point image with the shader library's
 * tone-mapping API alone, outside any renderer.
 *
 *     tonemap_pfm INPUT.pfm OUTPUT.(ppm|pfm) [setting=value ...]
 *
 * INPUT is a portable float map (PF colour or Pf grey, either byte order).
 * OUTPUT ending in .pfm keeps the tone-mapped floats; anything else is written
 * as an 8-bit binary PPM.  Settings are the TonemapRecord's fields (see
 * example_settings.h).
 *
 * The program is the library's host; the host functions and the tone-mapping
 * run it shares with the other examples are in example_host.h.
 */
#define _POSIX_C_SOURCE 200809L

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "example_host.h"
#include "uvo/tonemap_api.h"

static int little_endian_machine(void) {
    const uint16_t one = 1;
    return *(const uint8_t *)&one == 1;
}

static float swapped(float f) {
    uint8_t b[4], t;
    memcpy(b, &f, 4);
    t = b[0], b[0] = b[3], b[3] = t;
    t = b[1], b[1] = b[2], b[2] = t;
    memcpy(&f, b, 4);
    return f;
}

/* Reads a PFM; returns 0 on success.  Rows are stored bottom row first. */
static int read_pfm(const char *path, Image *image) {
    FILE *file = fopen(path, "rb");
    char kind[3] = {0};
    int width, height, channels, swap;
    double scale;
    int32_t x, y, c;
    if (file == NULL)
        return 1;
    if (fscanf(file, "%2s %d %d %lf", kind, &width, &height, &scale) != 4 || fgetc(file) == EOF ||
        (strcmp(kind, "PF") != 0 && strcmp(kind, "Pf") != 0) || width < 1 || height < 1) {
        fclose(file);
        return 1;
    }
    channels = kind[1] == 'F' ? 3 : 1;
    swap = (scale < 0) != little_endian_machine();
    image->width = width;
    image->height = height;
    image->pixels = (Color *)calloc((size_t)width * (size_t)height, sizeof(Color));
    if (image->pixels == NULL) {
        fclose(file);
        return 1;
    }
    for (y = height - 1; y >= 0; --y)
        for (x = 0; x < width; ++x) {
            float v[3];
            if (fread(v, sizeof(float), (size_t)channels, file) != (size_t)channels) {
                free(image->pixels);
                image->pixels = NULL;
                fclose(file);
                return 1;
            }
            for (c = 0; c < channels; ++c)
                v[c] = swap ? swapped(v[c]) : v[c];
            if (channels == 1)
                v[1] = v[2] = v[0];
            image->pixels[(size_t)y * (size_t)width + (size_t)x] = (Color){v[0], v[1], v[2], 1.0f};
        }
    fclose(file);
    return 0;
}

static int write_pfm(const char *path, const Image *image) {
    FILE *file = fopen(path, "wb");
    int32_t x, y;
    if (file == NULL)
        return 1;
    fprintf(file, "PF\n%d %d\n%s\n", image->width, image->height, little_endian_machine() ? "-1.0" : "1.0");
    for (y = image->height - 1; y >= 0; --y)
        for (x = 0; x < image->width; ++x) {
            const Color *p = &image->pixels[(size_t)y * (size_t)image->width + (size_t)x];
            const float v[3] = {p->r, p->g, p->b};
            fwrite(v, sizeof(float), 3, file);
        }
    return fclose(file) != 0;
}

static unsigned char byte_of(float v) {
    if (!(v > 0.0f))
        return 0;
    if (v >= 1.0f)
        return 255;
    return (unsigned char)(v * 255.0f + 0.5f);
}

static int write_ppm(const char *path, const Image *image) {
    FILE *file = fopen(path, "wb");
    size_t i, n = (size_t)image->width * (size_t)image->height;
    if (file == NULL)
        return 1;
    fprintf(file, "P6\n%d %d\n255\n", image->width, image->height);
    for (i = 0; i < n; ++i) {
        const unsigned char rgb[3] = {byte_of(image->pixels[i].r), byte_of(image->pixels[i].g),
                                      byte_of(image->pixels[i].b)};
        fwrite(rgb, 1, 3, file);
    }
    return fclose(file) != 0;
}

int main(int argc, char **argv) {
    Image image;
    const char *output;
    size_t length;
    int failed;

    if (argc < 3) {
        TonemapRecord defaults;
        fprintf(stderr, "usage: %s INPUT.pfm OUTPUT.(ppm|pfm) [setting=value ...]\n", argv[0]);
        example_record_defaults(&defaults, 1, 1);
        example_list_settings(stderr, &defaults);
        return 2;
    }
    if (read_pfm(argv[1], &image) != 0) {
        fprintf(stderr, "cannot read %s as a PFM image\n", argv[1]);
        return 1;
    }

    if (example_tonemap(&image, argc - 3, argv + 3) != 0) {
        free(image.pixels);
        return 2;
    }

    output = argv[2];
    length = strlen(output);
    if (length >= 4 && strcmp(output + length - 4, ".pfm") == 0)
        failed = write_pfm(output, &image);
    else
        failed = write_ppm(output, &image);
    free(image.pixels);
    if (failed) {
        fprintf(stderr, "cannot write %s\n", output);
        return 1;
    }
    return 0;
}
