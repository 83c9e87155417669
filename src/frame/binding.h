// Lazy binding of host functions.
//
// Every host function of the contract gets one slot and one stub, generated
// from the contract's X-macro lists.  A stub is a callable object named like
// the host function inside namespace uvo, so library code calls
// rx_trace_eye(...) exactly as if it were the host function.  (An object, not
// a function: ordinary lookup finds it first and argument-dependent lookup is
// not tried, so the global prototypes of the contract never compete.)
//
// First call: the slot is empty, the name is looked up with dlsym in the
// module handed over by rxSetModuleHandle, and the address kept.  Later calls
// cost one load, one test and one indirect call.  A function the host does
// not export is reported on stderr at every attempt and the call yields a
// zero result (null pointer, false, 0.0); nothing is ever called through an
// empty slot.
#pragma once

#include <atomic>

#include "uvo/host_interface.h"

namespace uvo::binding {

enum Slot : int {
#define UVO_SLOT(ret, name, params) slot_##name,
#define UVO_MESSAGE_SLOT(name, params) slot_##name,
    UVO_HOST_FUNCTIONS(UVO_SLOT) UVO_HOST_MESSAGES(UVO_MESSAGE_SLOT)
#undef UVO_SLOT
#undef UVO_MESSAGE_SLOT
    slot_count
};

// Host function names by slot, for the lookup and its message.
extern const char *const slot_names[slot_count];

// The binding table: one address per slot, null until looked up.  Pointer-
// sized relaxed atomics: two threads meeting an empty slot both store the same
// address, and the fast path compiles to a plain load.
extern std::atomic<void *> slots[slot_count];

// Looks the slot's function up in the host module, stores and returns its
// address, or reports the failure on stderr and returns null.
void *bind_slot(int slot);

// Writes the failed-lookup message to stderr: the name, the handle's low 32
// bits as eight hex digits and the platform's error code (on this platform:
// 1 when dlerror reported the failure, 0 when it reported none).
void report_lookup_failure(const char *name, const void *module, int error);

// The host module handle given to rxSetModuleHandle (null before).
void *module_handle();

inline void *bound(int slot) {
    void *address = slots[slot].load(std::memory_order_relaxed);
    if (address == nullptr) [[unlikely]]
        address = bind_slot(slot);
    return address;
}

template <int S, class F>
struct Stub;

template <int S, class R, class... A>
struct Stub<S, R(A...)> {
    R operator()(A... args) const {
        void *address = bound(S);
        if (address == nullptr) [[unlikely]]
            return R();
        return reinterpret_cast<R (*)(A...)>(address)(args...);
    }
};

}  // namespace uvo::binding

namespace uvo {

#define UVO_STUB(ret, name, params) \
    inline constexpr binding::Stub<binding::slot_##name, decltype(::name)> name{};
UVO_HOST_FUNCTIONS(UVO_STUB)
#undef UVO_STUB

// Message stubs: format printf-style into 1024 bytes (longer text is cut),
// then hand the host the finished text.
#define UVO_PRINTF(format_index) __attribute__((format(printf, format_index, format_index + 1)))
void rx_fatal(const char *format, ...) UVO_PRINTF(1);
void rx_error(const char *format, ...) UVO_PRINTF(1);
void rx_warning(const char *format, ...) UVO_PRINTF(1);
void rx_info(const char *format, ...) UVO_PRINTF(1);
void rx_progress(const char *format, ...) UVO_PRINTF(1);
void rx_debug(const char *format, ...) UVO_PRINTF(1);
void rx_vdebug(const char *format, ...) UVO_PRINTF(1);
void rx_nfatal(int32_t number, const char *format, ...) UVO_PRINTF(2);
void rx_nerror(int32_t number, const char *format, ...) UVO_PRINTF(2);
void rx_nwarning(int32_t number, const char *format, ...) UVO_PRINTF(2);
#undef UVO_PRINTF

}  // namespace uvo
