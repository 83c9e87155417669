#include "xmtl/api_record.h"

#include <cstring>

#include "frame/binding.h"

namespace uvo {

MaterialApiRecord *claim_api_record(ShadingState *state) {
    MaterialLibraryState &shared = material_state();
    if (state == nullptr) {
        shared.interface_error_armed.store(1, std::memory_order_relaxed);
        return nullptr;
    }
    auto *record = static_cast<MaterialApiRecord *>(rx_shaderstate_get(state, UVO_KEY_MATERIAL_API, nullptr));
    if (record == nullptr)
        return nullptr;
    if (record->interface_version != UVO_MATERIAL_API_SMALL && record->interface_version != UVO_MATERIAL_API_FULL) {
        // exchange: of several threads meeting the record at once, one reports.
        if (shared.interface_error_armed.exchange(0, std::memory_order_relaxed) != 0)
            rx_error("uvo_material_api: wrong shader interface version!");
        return nullptr;
    }
    if (record->claimed != 0)
        return nullptr;
    record->claimed = 1;
    return record;
}

void fill_api_record(MaterialApiRecord *record, const ShadingState *state, const MaterialOutputs &outputs,
                     const MaterialWorkRecord &work, float opacity) {
    if (record == nullptr)
        return;
    if (record->interface_version == UVO_MATERIAL_API_FULL) {
        record->u.full.ray_type = state->ray_type;
        std::memcpy(record->u.full.outputs, &outputs, sizeof outputs);
        return;
    }
    auto &small = record->u.small;
    small.opacity = opacity;
    small.indirect = outputs.indirect;
    small.direct_diffuse = outputs.direct_diffuse;
    small.highlight = outputs.highlight;
    small.translucency = outputs.translucency;
    small.reflection = outputs.reflection;
    small.refraction = outputs.refraction;
    small.additional = outputs.additional;
    small.occlusion = outputs.occlusion;
    small.diffuse_weight = work.diffuse_weight;
    small.reflection_weight = work.reflection_weight;
    small.refraction_weight = work.refraction_weight;
    small.translucency_weight = work.translucency_weight;
    small.ray_type = state->ray_type;
}

}  // namespace uvo
