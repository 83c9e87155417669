/*
 * Settings shared by the tone-mapping examples: the record every example
 * starts from, and `name=value` arguments that change its fields.
 *
 * Settings are the TonemapRecord's fields: radiance_scale, film_speed,
 * shutter_rate, aperture_stop, vignette_power, highlight_compression,
 * shadow_crush, color_saturation, display_gamma, camera_focal,
 * camera_aperture, and white_balance=r,g,b.
 */
#ifndef UVO_EXAMPLE_SETTINGS_H
#define UVO_EXAMPLE_SETTINGS_H

#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "uvo/tonemap_api.h"

/* The photographic tone mapper's record for a width x height image, with
 * every setting at the examples' default; the callbacks are left unset. */
static void example_record_defaults(TonemapRecord *r, int32_t width, int32_t height) {
    memset(r, 0, sizeof *r);
    r->api_version = UVO_TONEMAP_API_VERSION;
    r->tonemapper = UVO_TONEMAPPER_PHOTOGRAPHIC;
    r->width = width;
    r->height = height;
    r->radiance_scale = 1.0f;
    r->white_balance = (Color){1.0f, 1.0f, 1.0f, 1.0f};
    r->highlight_compression = 0.25f;
    r->shadow_crush = 0.2f;
    r->color_saturation = 1.0f;
    r->display_gamma = 2.2f;
    r->camera_aspect = (float)width / (float)height;
    r->camera_focal = 1.0f;
    r->camera_aperture = 1.0f;
    r->luminance_weights = (Color){0.2126f, 0.7152f, 0.0722f, 0.0f};
}

/* The numeric settings: the field each fills, and one line for the listing. */
static const struct {
    const char *name;
    size_t offset;
    const char *help;
} example_fields[] = {
    {"radiance_scale", offsetof(TonemapRecord, radiance_scale), "cd/m2 per unit of the image (with film_speed > 0)"},
    {"film_speed", offsetof(TonemapRecord, film_speed), "ISO film speed; 0 maps the image's own range"},
    {"shutter_rate", offsetof(TonemapRecord, shutter_rate), "1 / exposure time in seconds"},
    {"aperture_stop", offsetof(TonemapRecord, aperture_stop), "f-number"},
    {"vignette_power", offsetof(TonemapRecord, vignette_power), "cosine fall-off exponent; <= 0 none"},
    {"highlight_compression", offsetof(TonemapRecord, highlight_compression), "0 full .. 1 linear highlights"},
    {"shadow_crush", offsetof(TonemapRecord, shadow_crush), "strength of the dark-tone crush"},
    {"color_saturation", offsetof(TonemapRecord, color_saturation), "1 keeps colours, 0 grey"},
    {"display_gamma", offsetof(TonemapRecord, display_gamma), "display gamma"},
    {"camera_focal", offsetof(TonemapRecord, camera_focal), "focal length (vignetting), film units"},
    {"camera_aperture", offsetof(TonemapRecord, camera_aperture), "film width (vignetting), film units"},
};

/* Reads a whole finite number; returns 0 on success. */
static int example_parse_number(const char *text, float *value) {
    char *end = NULL;
    double number = strtod(text, &end);
    if (end == text || *end != '\0' || !(number >= -3.4e38 && number <= 3.4e38))
        return 1;
    *value = (float)number;
    return 0;
}

/* Prints every setting with its default (those of `r`) and meaning. */
static inline void example_list_settings(FILE *out, const TonemapRecord *r) {
    size_t i;
    float value;
    fprintf(out, "settings (name=value):\n");
    for (i = 0; i < sizeof example_fields / sizeof example_fields[0]; ++i) {
        memcpy(&value, (const char *)r + example_fields[i].offset, sizeof value);
        fprintf(out, "  %-22s default %-6g %s\n", example_fields[i].name, value, example_fields[i].help);
    }
    fprintf(out, "  %-22s default %g,%g,%g the colour that comes out neutral\n", "white_balance", r->white_balance.r,
            r->white_balance.g, r->white_balance.b);
}

/* Applies one `name=value` setting; returns 0 on success, 1 for an unknown
 * name or a value that is not a number (three numbers for white_balance). */
static int example_apply_setting(TonemapRecord *r, const char *setting) {
    const char *equals = strchr(setting, '=');
    size_t i, length;
    if (equals == NULL)
        return 1;
    length = (size_t)(equals - setting);
    if (length == strlen("white_balance") && strncmp(setting, "white_balance", length) == 0) {
        Color *wb = &r->white_balance;
        char extra;
        return sscanf(equals + 1, "%f,%f,%f%c", &wb->r, &wb->g, &wb->b, &extra) != 3;
    }
    for (i = 0; i < sizeof example_fields / sizeof example_fields[0]; ++i)
        if (strlen(example_fields[i].name) == length && strncmp(setting, example_fields[i].name, length) == 0) {
            float value;
            if (example_parse_number(equals + 1, &value) != 0)
                return 1;
            memcpy((char *)r + example_fields[i].offset, &value, sizeof value);
            return 0;
        }
    return 1;
}

#endif /* UVO_EXAMPLE_SETTINGS_H */
