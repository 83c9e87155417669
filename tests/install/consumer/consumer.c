/* A program built against an installed uvo: tone-maps one colour through the
 * shader library and asks the integrator kit for a Fresnel reflectance.
 * Prints both and exits 0 when they are what physics says. */
#include <dlfcn.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include "uvo/kit.h"
#include "uvo/tonemap_api.h"

/* The host functions the tone-mapping API calls: this program is its host. */
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
void rx_error(const char *format, ...) { fprintf(stderr, "error: %s\n", format); }

int main(void) {
    TonemapRecord r = {0};
    Color grey = {0.18f, 0.18f, 0.18f, 1.0f}, bright = {8.0f, 8.0f, 8.0f, 1.0f};
    const Color weights = {0.2126f, 0.7152f, 0.0722f, 0.0f};
    /* Glass at normal incidence: ((1.5 - 1) / (1.5 + 1))^2. */
    const float fresnel = uvo_kit_fresnel_dielectric(1.0f, 1.0f, 1.5f);

    rxSetModuleHandle(dlopen(NULL, RTLD_NOW));
    r.api_version = UVO_TONEMAP_API_VERSION;
    r.tonemapper = UVO_TONEMAPPER_PHOTOGRAPHIC;
    r.width = r.height = 1;
    r.radiance_scale = 1.0f;
    r.white_balance = (Color){1.0f, 1.0f, 1.0f, 1.0f};
    r.highlight_compression = 0.25f;
    r.color_saturation = 1.0f;
    r.display_gamma = 2.2f;
    r.camera_aspect = 1.0f;
    r.camera_focal = 1.0f;
    r.camera_aperture = 1.0f;
    r.luminance_weights = weights;
    uvo_tonemap_api_init(&r);
    uvo_tonemap_api_transform_color(&r, &grey, 0.5f, 0.5f);
    uvo_tonemap_api_transform_color(&r, &bright, 0.5f, 0.5f);
    uvo_tonemap_api_exit(&r);
    printf("grey %.4f bright %.4f fresnel %.5f kit %d\n", grey.r, bright.r, fresnel, (int)uvo_kit_version());
    /* A monotonic curve, and the kit of the header's version. */
    if (!(grey.r > 0.0f && grey.r < bright.r && isfinite(bright.r)) || fabsf(fresnel - 0.04f) > 1e-5f ||
        uvo_kit_version() != UVO_KIT_VERSION || r.internal != NULL)
        return 1;
    return 0;
}
