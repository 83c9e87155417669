// The contract's message functions: the host's channel, with a fatal message
// stopping the render.
#include <cstdarg>
#include <cstdio>

#include "render/host_messages.h"
#include "render/world.h"

using uvo_host::vmessage;

// The contract's message functions.  The 'n' variants carry a message number
// first, shown in brackets.
#define UVO_DEFINE_MESSAGE(name, level, label)      \
    extern "C" void name(const char *format, ...) { \
        va_list args;                               \
        va_start(args, format);                     \
        vmessage(level, label, format, args);       \
        va_end(args);                               \
    }
#define UVO_DEFINE_NMESSAGE(name, level, label)                                  \
    extern "C" void name(int32_t number, const char *format, ...) {             \
        char prefixed[64];                                                        \
        std::snprintf(prefixed, sizeof prefixed, "%s [%d]", label, (int)number); \
        va_list args;                                                             \
        va_start(args, format);                                                   \
        vmessage(level, prefixed, format, args);                                  \
        va_end(args);                                                             \
    }

// A fatal message stops the render: rx_par_aborted turns true and the
// renderer leaves the remaining pixels black.
extern "C" void rx_fatal(const char *format, ...) {
    va_list args;
    va_start(args, format);
    vmessage(0, "fatal", format, args);
    va_end(args);
    if (uvo_host::World *world = uvo_host::current_world())
        world->aborted = true;
}
extern "C" void rx_nfatal(int32_t number, const char *format, ...) {
    char prefixed[64];
    std::snprintf(prefixed, sizeof prefixed, "fatal [%d]", (int)number);
    va_list args;
    va_start(args, format);
    vmessage(0, prefixed, format, args);
    va_end(args);
    if (uvo_host::World *world = uvo_host::current_world())
        world->aborted = true;
}
UVO_DEFINE_MESSAGE(rx_error, 0, "error")
UVO_DEFINE_NMESSAGE(rx_nerror, 0, "error")
UVO_DEFINE_MESSAGE(rx_warning, 1, "warning")
UVO_DEFINE_NMESSAGE(rx_nwarning, 1, "warning")
UVO_DEFINE_MESSAGE(rx_info, 2, "info")
// Progress goes to a listener first, then to the status line while one is
// active, else to a line at verbosity 3.
extern "C" void rx_progress(const char *format, ...) {
    va_list args;
    va_start(args, format);
    uvo_host::show_progress(format, args);
    va_end(args);
}
UVO_DEFINE_MESSAGE(rx_debug, 4, "debug")
UVO_DEFINE_MESSAGE(rx_vdebug, 4, "debug")
