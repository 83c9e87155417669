// Records come from the host allocator, named by source module and line.
#pragma once

#include <new>

#include "frame/binding.h"

namespace uvo {

// Zeroed storage for one T from the host, or null when the host gives none.
template <class T>
T *allocate(const char *module, int line) {
    void *memory = rx_mem_int_allocate(module, line, sizeof(T));
    return memory ? new (memory) T() : nullptr;
}

// Raw storage of `size` bytes.
inline void *allocate_bytes(const char *module, int line, size_t size) {
    return rx_mem_int_allocate(module, line, size);
}

inline void release(const char *module, int line, void *memory) {
    if (memory != nullptr)
        rx_mem_int_release(module, line, memory);
}

}  // namespace uvo

// The call sites name their module and line once through these.
#define UVO_ALLOCATE(module, T) ::uvo::allocate<T>(module, __LINE__)
#define UVO_ALLOCATE_BYTES(module, size) ::uvo::allocate_bytes(module, __LINE__, size)
#define UVO_RELEASE(module, memory) ::uvo::release(module, __LINE__, memory)
