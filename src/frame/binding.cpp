// The binding table and rxSetModuleHandle.
#include "frame/binding.h"

#include <dlfcn.h>

#include <cstdint>
#include <cstdio>

#include "frame/export.h"

namespace uvo::binding {

const char *const slot_names[slot_count] = {
#define UVO_NAME(ret, name, params) #name,
#define UVO_MESSAGE_NAME(name, params) #name,
    UVO_HOST_FUNCTIONS(UVO_NAME) UVO_HOST_MESSAGES(UVO_MESSAGE_NAME)
#undef UVO_NAME
#undef UVO_MESSAGE_NAME
};

std::atomic<void *> slots[slot_count];

namespace {
// Written only by rxSetModuleHandle, which the host never runs while shaders do.
std::atomic<void *> handle{nullptr};
}  // namespace

void *module_handle() { return handle.load(std::memory_order_relaxed); }

void report_lookup_failure(const char *name, const void *module, int error) {
    std::fprintf(stderr, "dlsym failed on \"%s\" (handle: %08x error: %d)\n", name,
                 static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(module) & 0xffffffffu), error);
}

void *bind_slot(int slot) {
    void *module = module_handle();
    if (module == nullptr)
        std::fputs("DYNLOAD: dl_handle null\n", stderr);
    // dlsym with a null handle means RTLD_DEFAULT on glibc: the lookup goes
    // on in the global scope, as the host contract asks.
    void *address = dlsym(module, slot_names[slot]);
    if (address == nullptr) {
        // dlerror's report is text without a number (dlsym leaves errno
        // alone): the code is 1 when it reported a failure, 0 for a symbol
        // whose value is null.  Reading it consumes it, so no stale text
        // waits for the host's next dlerror.
        report_lookup_failure(slot_names[slot], module, dlerror() != nullptr ? 1 : 0);
        return nullptr;
    }
    slots[slot].store(address, std::memory_order_relaxed);
    return address;
}

}  // namespace uvo::binding

// Stores the host module and empties every slot, so each host function is
// looked up again in the new module at its next use.
UVO_EXPORT void rxSetModuleHandle(void *module) {
    uvo::binding::handle.store(module, std::memory_order_relaxed);
    for (auto &slot : uvo::binding::slots)
        slot.store(nullptr, std::memory_order_relaxed);
}
