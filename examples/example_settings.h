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

/* Applies one `name=value` setting; returns 0 on success, 1 for an unknown
 * name or a malformed setting. */
static int example_apply_setting(TonemapRecord *r, const char *setting) {
    static const struct {
        const char *name;
        size_t offset;
    } fields[] = {
        {"radiance_scale", offsetof(TonemapRecord, radiance_scale)},
        {"film_speed", offsetof(TonemapRecord, film_speed)},
        {"shutter_rate", offsetof(TonemapRecord, shutter_rate)},
        {"aperture_stop", offsetof(TonemapRecord, aperture_stop)},
        {"vignette_power", offsetof(TonemapRecord, vignette_power)},
        {"highlight_compression", offsetof(TonemapRecord, highlight_compression)},
        {"shadow_crush", offsetof(TonemapRecord, shadow_crush)},
        {"color_saturation", offsetof(TonemapRecord, color_saturation)},
        {"display_gamma", offsetof(TonemapRecord, display_gamma)},
        {"camera_focal", offsetof(TonemapRecord, camera_focal)},
        {"camera_aperture", offsetof(TonemapRecord, camera_aperture)},
    };
    const char *equals = strchr(setting, '=');
    size_t i, length;
    if (equals == NULL)
        return 1;
    length = (size_t)(equals - setting);
    if (length == strlen("white_balance") && strncmp(setting, "white_balance", length) == 0) {
        Color *wb = &r->white_balance;
        return sscanf(equals + 1, "%f,%f,%f", &wb->r, &wb->g, &wb->b) != 3;
    }
    for (i = 0; i < sizeof fields / sizeof fields[0]; ++i)
        if (strlen(fields[i].name) == length && strncmp(setting, fields[i].name, length) == 0) {
            float value = (float)strtod(equals + 1, NULL);
            memcpy((char *)r + fields[i].offset, &value, sizeof value);
            return 0;
        }
    return 1;
}

#endif /* UVO_EXAMPLE_SETTINGS_H */
