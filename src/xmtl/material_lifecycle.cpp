#include "xmtl/material_lifecycle.h"

#include "frame/memory.h"
#include "frame/shader.h"
#include "xmtl/undersampler.h"

namespace uvo {

MaterialLibraryState &material_state() {
    static MaterialLibraryState state;
    return state;
}

bool contour_rendering(const ShadingState *state) {
    const RenderOptions *options = state ? state->options : nullptr;
    return options != nullptr && options->contour[0] != 0 && options->contour[1] != 0;
}

MaterialInstance *material_instance(ShadingState *state) { return instance_record<MaterialInstance>(state); }

namespace {

Boolean init_shader(Boolean *request) {
    MaterialLibraryState &shared = material_state();
    shared.reflection_skip_count.store(0, std::memory_order_relaxed);
    shared.refraction_skip_count.store(0, std::memory_order_relaxed);
    request_instance_init(request);
    shared.interface_error_armed.store(1, std::memory_order_relaxed);
    shared.invalid_number_reported.store(0, std::memory_order_relaxed);
    return 1;
}

// Makes the undersamplers the instance asks for.  Contour rendering switches
// interpolation off; the warning is given once even when both are asked for.
void make_undersamplers(ShadingState *state, const MaterialParams *params, MaterialInstance *instance) {
    if (!contour_rendering(state)) {
        if (eval(state, params, params->reflection_interpolate) &&
            !eval(state, params, params->reflection_highlights_only)) {
            const int32_t density = eval(state, params, params->interpolation_grid_density);
            instance->reflection_undersampler = create_undersampler(state, density);
        }
        if (eval(state, params, params->refraction_interpolate)) {
            const int32_t density = eval(state, params, params->interpolation_grid_density);
            instance->refraction_undersampler = create_undersampler(state, density);
        }
        return;
    }
    if (eval(state, params, params->reflection_interpolate) || eval(state, params, params->refraction_interpolate))
        rx_warning("uvo_material(_x): Contour shading is incompatible with interpolation. Interpolation disabled.");
}

// Without segment shadows a shadow ray cannot tell how far it ran inside, so
// the falloff of shadows through the material is fixed; caustic photons make
// that moot.
void check_refraction_falloff(ShadingState *state, const MaterialParams *params) {
    if (!eval(state, params, params->refraction_falloff_enable))
        return;
    const RenderOptions *options = state->options;
    if (options != nullptr && options->shadow_mode == UVO_SHADOW_SEGMENTS)
        return;
    if (options != nullptr && options->caustics != 0 && eval(state, params, params->refractive_caustics))
        return;
    rx_warning("uvo_material(_x): Refractive falloff is used, but the shadow mode is not set to 'Segment'.");
    rx_warning("Due to this, the falloff will be fixed, and not be influenced by distance.");
    rx_warning("This can look as good, but is not as physically accurate.");
    rx_warning("If distance-dependent falloff is desired, the 'Segment' mode must be used.");
}

}  // namespace

Boolean material_init(ShadingState *state, const MaterialParams *params, Boolean *request_instance_init) {
    if (params == nullptr)
        return init_shader(request_instance_init);

    MaterialInstance *instance = UVO_CREATE_INSTANCE_RECORD("xmtl", MaterialInstance, state);
    if (instance == nullptr)
        return 1;

    int32_t version = 0;
    const Tag declaration = state->shader != nullptr ? state->shader->declaration : 0;
    if (rx_query(UVO_QUERY_DECLARATION_VERSION, nullptr, declaration, &version))
        instance->declaration_version = version;

    make_undersamplers(state, params, instance);
    check_refraction_falloff(state, params);
    return 1;
}

Boolean material_exit(ShadingState *state, const MaterialParams *params) {
    MaterialLibraryState &shared = material_state();
    if (params == nullptr) {
        const int32_t reflections = shared.reflection_skip_count.load(std::memory_order_relaxed);
        const int32_t refractions = shared.refraction_skip_count.load(std::memory_order_relaxed);
        if (reflections > 0)
            rx_info("Reflection rays skipped by threshold: %d", reflections);
        if (refractions > 0)
            rx_info("Refraction rays skipped by threshold: %d", refractions);
        shared.reflection_skip_count.store(0, std::memory_order_relaxed);
        shared.refraction_skip_count.store(0, std::memory_order_relaxed);
        return 1;
    }
    // The slot itself is left as it is.
    auto release_caches = [](MaterialInstance *instance) {
        release_undersampler(instance->reflection_undersampler);
        release_undersampler(instance->refraction_undersampler);
    };
    UVO_RELEASE_INSTANCE_RECORD("xmtl", MaterialInstance, state, SlotAfterRelease::kept, release_caches);
    return 1;
}

}  // namespace uvo
