// The host's message channel: one line each on stderr, filtered by
// verbosity, never torn by a progress bar or another thread.
#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <set>
#include <string>

#include "render/host_messages.h"

namespace uvo_host {

namespace {
std::atomic<int> g_verbosity{2};
std::atomic<bool> g_progress_bar{false};
std::mutex g_output_lock;

std::string vformat(const char *format, va_list args) {
    char buffer[2048];
    std::vsnprintf(buffer, sizeof buffer, format ? format : "", args);
    std::string text(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}
}  // namespace

void set_verbosity(int level) { g_verbosity = level; }
int verbosity() { return g_verbosity; }
void set_progress_bar_active(bool active) { g_progress_bar = active; }

void message_line(const char *level, const char *text) {
    std::lock_guard<std::mutex> guard(g_output_lock);
    if (g_progress_bar)
        std::fputs("\r\033[K", stderr);
    std::fprintf(stderr, "uvo-render: %s%s%s\n", level, *level ? ": " : "", text);
    std::fflush(stderr);
}

void draw_progress_bar(int done, int total, const char *suffix) {
    constexpr int width = 40;
    const int filled = total > 0 ? done * width / total : width;
    char bar[width + 1];
    for (int i = 0; i < width; ++i)
        bar[i] = i < filled ? '#' : '.';
    bar[width] = '\0';
    std::lock_guard<std::mutex> guard(g_output_lock);
    std::fprintf(stderr, "\r[%s] %3d%%%s\033[K", bar, total > 0 ? done * 100 / total : 100, suffix);
    std::fflush(stderr);
}

void clear_progress_bar() {
    std::lock_guard<std::mutex> guard(g_output_lock);
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
}

// Level numbers: 0 error, 1 warning, 2 info, 3 progress, 4 debug.
void vmessage(int level, const char *name, const char *format, va_list args) {
    if (level > g_verbosity)
        return;
    const std::string text = vformat(format, args);
    message_line(name, text.c_str());
}

namespace {
std::atomic<bool> g_progress_line{false};
std::mutex g_listener_lock;
std::function<void(const char *)> g_progress_listener;
}  // namespace

void set_progress_line_active(bool active) { g_progress_line = active; }

void set_progress_listener(std::function<void(const char *text)> listener) {
    std::lock_guard<std::mutex> guard(g_listener_lock);
    g_progress_listener = std::move(listener);
}

void show_progress(const char *format, va_list args) {
    const std::string text = vformat(format, args);
    {
        std::lock_guard<std::mutex> guard(g_listener_lock);
        if (g_progress_listener)
            g_progress_listener(text.c_str());
    }
    if (g_progress_line && g_verbosity >= 1) {
        std::lock_guard<std::mutex> guard(g_output_lock);
        std::fprintf(stderr, "\r\033[K%s", text.c_str());
        std::fflush(stderr);
        return;
    }
    if (g_verbosity >= 3)
        message_line("progress", text.c_str());
}

void host_error(const char *format, ...) {
    va_list args;
    va_start(args, format);
    vmessage(0, "error", format, args);
    va_end(args);
}

void host_warning(const char *format, ...) {
    va_list args;
    va_start(args, format);
    vmessage(1, "warning", format, args);
    va_end(args);
}

void host_info(const char *format, ...) {
    va_list args;
    va_start(args, format);
    vmessage(2, "info", format, args);
    va_end(args);
}

void host_warning_once(const char *key, const char *format, ...) {
    static std::mutex lock;
    static std::set<std::string> seen;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (!seen.insert(key).second)
            return;
    }
    va_list args;
    va_start(args, format);
    vmessage(1, "warning", format, args);
    va_end(args);
}

}  // namespace uvo_host
