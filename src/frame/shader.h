// Conventions every shader shares: the user-data slot and the instance record
// kept in it, the init and exit answers for the shader as a whole, user
// records left for child rays, and the photon ray types.
#pragma once

#include <cstring>

#include "frame/binding.h"
#include "frame/export.h"
#include "frame/memory.h"

namespace uvo {

// The current instance's user-data slot (query 51), or null.
inline void **user_slot(ShadingState *state) {
    void **slot = nullptr;
    if (!rx_query(UVO_QUERY_USER_DATA_SLOT, state, 0, &slot))
        return nullptr;
    return slot;
}

// The record that the instance's init stored in its slot, or null.
//
// A missing record (no slot, or an instance init that never ran or got no
// memory) is not an error a shader call can report; every shader takes it
// by one rule: it does none of its own work and returns what it returns
// when its work does nothing.  The sky, sun and CIE sky give their
// switched-off result (black, or the colour behind for lens and volume
// calls); the exposure shaders pass colours through unmapped: a lens call
// still traces the eye ray (or reads its texture) and returns true, an
// output call leaves the frame buffer alone and returns true, and the kinds
// a shader never handles keep their answer (photographic: false).
template <class T>
T *instance_record(ShadingState *state) {
    void **slot = user_slot(state);
    return slot ? static_cast<T *>(*slot) : nullptr;
}

// Instance init: a zeroed T from the host allocator (charged to `module` and
// `line`), stored in the user-data slot.  Null when there is no slot (nothing
// is allocated: nothing could release it) or no memory (the slot then holds
// null).  Use UVO_CREATE_INSTANCE_RECORD.
template <class T>
T *create_instance_record(ShadingState *state, const char *module, int line) {
    void **slot = user_slot(state);
    if (slot == nullptr)
        return nullptr;
    T *record = allocate<T>(module, line);
    *slot = record;
    return record;
}

// Whether the user-data slot is cleared after its record is released.
enum class SlotAfterRelease { cleared, kept };

// Instance exit: runs `finish(record)` (for what the record owns) and releases
// the record in the user-data slot; nothing when the slot or the record is
// missing.  Use UVO_RELEASE_INSTANCE_RECORD.
template <class T, class Finish>
void release_instance_record(ShadingState *state, const char *module, int line, SlotAfterRelease after,
                             Finish &&finish) {
    void **slot = user_slot(state);
    if (slot == nullptr || *slot == nullptr)
        return;
    T *record = static_cast<T *>(*slot);
    finish(record);
    release(module, line, record);
    if (after == SlotAfterRelease::cleared)
        *slot = nullptr;
}

// The whole exit of a shader whose instance record owns nothing: the shader
// level (params null) does nothing, the instance level releases the record
// and clears the slot.  Always true.  Use UVO_INSTANCE_EXIT.
template <class T>
Boolean instance_exit(ShadingState *state, const void *params, const char *module, int line) {
    if (params != nullptr)
        release_instance_record<T>(state, module, line, SlotAfterRelease::cleared, [](T *) {});
    return 1;
}

// Shader-level init (no parameter block): ask for per-instance init.
inline Boolean request_instance_init(Boolean *request) {
    if (request != nullptr)
        *request = 1;
    return 1;
}

// The user record of the state's parent when it begins with the 32-bit
// `magic`, else null.
template <class T>
T *parent_record(const ShadingState *state, int32_t magic) {
    const ShadingState *parent = state->parent;
    if (parent == nullptr || parent->user == nullptr)
        return nullptr;
    int32_t found;
    std::memcpy(&found, parent->user, sizeof found);
    return found == magic ? static_cast<T *>(parent->user) : nullptr;
}

// Photon ray types beyond those the contract names (UVO_RAY_PHOTON_*); what
// they stand for is the host's.
constexpr int32_t ray_photon_emit_second = 23;  // photon emission (as type 9), a second pass
constexpr int32_t ray_photon_emit_single = 24;  // photon emission whose descendants send one photon each
constexpr int32_t ray_photon_other = 27;        // a further photon pass

// True for every photon ray type: 8 to 15, 18, 19, 23, 24 and 27.
bool is_photon_ray(int32_t ray_type);

}  // namespace uvo

// The call sites name their module and line once through these.
#define UVO_CREATE_INSTANCE_RECORD(module, T, state) ::uvo::create_instance_record<T>(state, module, __LINE__)
#define UVO_RELEASE_INSTANCE_RECORD(module, T, state, after, finish) \
    ::uvo::release_instance_record<T>(state, module, __LINE__, after, finish)
#define UVO_INSTANCE_EXIT(module, T, state, params) ::uvo::instance_exit<T>(state, params, module, __LINE__)
