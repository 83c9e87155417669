// Conventions every shader shares: the user-data slot and the init and exit
// answers for the shader as a whole.
#pragma once

#include "frame/binding.h"
#include "frame/export.h"

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

// Shader-level init (no parameter block): ask for per-instance init.
inline Boolean request_instance_init(Boolean *request) {
    if (request != nullptr)
        *request = 1;
    return 1;
}

}  // namespace uvo
