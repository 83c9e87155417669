// Message stubs: the library formats, the host receives finished text.
#include <cstdarg>
#include <cstdio>

#include "frame/binding.h"

namespace uvo {
namespace {

constexpr int message_size = 1024;

using TextFn = void (*)(const char *, ...);
using NumberedFn = void (*)(int32_t, const char *, ...);

void send(int slot, const char *format, va_list args) {
    void *address = binding::bound(slot);
    if (address == nullptr)
        return;
    char text[message_size];
    std::vsnprintf(text, sizeof text, format, args);  // cuts text beyond 1023 characters
    reinterpret_cast<TextFn>(address)(text);
}

void send_numbered(int slot, int32_t number, const char *format, va_list args) {
    void *address = binding::bound(slot);
    if (address == nullptr)
        return;
    char text[message_size];
    std::vsnprintf(text, sizeof text, format, args);
    reinterpret_cast<NumberedFn>(address)(number, text);
}

}  // namespace

#define UVO_TEXT_MESSAGE(name)                          \
    void name(const char *format, ...) {                \
        va_list args;                                   \
        va_start(args, format);                         \
        send(binding::slot_##name, format, args);       \
        va_end(args);                                   \
    }
#define UVO_NUMBERED_MESSAGE(name)                                  \
    void name(int32_t number, const char *format, ...) {            \
        va_list args;                                               \
        va_start(args, format);                                     \
        send_numbered(binding::slot_##name, number, format, args);  \
        va_end(args);                                               \
    }

UVO_TEXT_MESSAGE(rx_fatal)
UVO_TEXT_MESSAGE(rx_error)
UVO_TEXT_MESSAGE(rx_warning)
UVO_TEXT_MESSAGE(rx_info)
UVO_TEXT_MESSAGE(rx_progress)
UVO_TEXT_MESSAGE(rx_debug)
UVO_TEXT_MESSAGE(rx_vdebug)
UVO_NUMBERED_MESSAGE(rx_nfatal)
UVO_NUMBERED_MESSAGE(rx_nerror)
UVO_NUMBERED_MESSAGE(rx_nwarning)

}  // namespace uvo
