// The parameter evaluation protocol: the one way the library reads a field of
// a parameter block.
//
// A field is connected when the current shader record has a connection table
// (connection_offset != 0) and the 32-bit flag that sits connection_offset
// bytes past the field is non-zero; its value is then wherever rx_phen_eval
// says.  Otherwise the value is the field itself.
#pragma once

#include <cstdint>
#include <cstring>

#include "frame/binding.h"

namespace uvo {

// The connected case of eval_ptr, out of line: most fields of most calls are
// plain values, and their read should stay a few inlined instructions.
template <class T>
[[gnu::noinline]] const T *eval_connected(ShadingState *state, const void *block, const T *field,
                                          uint32_t connection_offset) {
    const std::ptrdiff_t offset = reinterpret_cast<const char *>(field) - static_cast<const char *>(block);
    int32_t connected;
    std::memcpy(&connected, static_cast<const char *>(block) + connection_offset + offset, sizeof connected);
    if (connected != 0) {
        const void *value = rx_phen_eval(state, field);
        if (value != nullptr)
            return static_cast<const T *>(value);
    }
    return field;
}

// Address of the value of `field`, a member of the parameter block `block`
// handed to the current shader call.
template <class T>
[[gnu::always_inline]] inline const T *eval_ptr(ShadingState *state, const void *block, const T *field) {
    const ShaderRecord *shader = state ? state->shader : nullptr;
    if (shader != nullptr && shader->connection_offset != 0) [[unlikely]]
        return eval_connected(state, block, field, shader->connection_offset);
    return field;
}

// The value of `field` (see eval_ptr).
template <class T>
[[gnu::always_inline]] inline T eval(ShadingState *state, const void *block, const T &field) {
    return *eval_ptr(state, block, &field);
}

// An array parameter as a block lays it out: the elements' start index and
// count, then the elements (element k of the array is elements[index + k]).
template <class T, int N = 1>
struct ParamArray {
    int32_t index;
    int32_t count;
    T elements[N];
};

// The usual array parameter: a list of lights.
using LightTags = ParamArray<Tag>;

}  // namespace uvo
