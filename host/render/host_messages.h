// The host's messages: one line each on stderr, filtered by verbosity, never
// torn by a progress bar or another thread.  The contract's message functions
// (rx_error and friends, services/messages.cpp) print through the same
// channel; the host's own code calls the functions below.
#pragma once

#include <cstdarg>
#include <functional>

namespace uvo_host {

// Verbosity of the host's messages: 0 errors only, 1 warnings, 2 info,
// 3 progress, 4 debug.
void set_verbosity(int level);
int verbosity();

// The host's own messages (same channels as rx_error and friends).
void host_error(const char *format, ...) __attribute__((format(printf, 1, 2)));
void host_warning(const char *format, ...) __attribute__((format(printf, 1, 2)));
void host_info(const char *format, ...) __attribute__((format(printf, 1, 2)));
// A warning printed once per `key` for the life of the process.
void host_warning_once(const char *key, const char *format, ...) __attribute__((format(printf, 2, 3)));

// A message of `level` (the verbosity numbers above) labelled `label`, shown
// when the verbosity reaches the level.
void vmessage(int level, const char *label, const char *format, va_list args);

// A progress message: to the listener first, then to the status line while
// one is active, else as a line at verbosity 3.
void show_progress(const char *format, va_list args);

// Messages go to stderr; a progress bar, when shown, is cleared first.
void message_line(const char *level, const char *text);

// Set by the renderer while it draws a progress bar on a terminal.
void set_progress_bar_active(bool active);
// Draws (or redraws) the bar for `done` of `total` on stderr, followed by
// `suffix`; clears it.
void draw_progress_bar(int done, int total, const char *suffix = "");
void clear_progress_bar();

// While set, rx_progress messages are drawn on the terminal's status line
// (overwriting each other) instead of printed as lines at verbosity 3.
void set_progress_line_active(bool active);

// Called with the text of every rx_progress message, whatever the verbosity,
// before it is shown (an empty function removes it).  For hosts that follow a
// render's progress, and for tests.
void set_progress_listener(std::function<void(const char *text)> listener);

}  // namespace uvo_host
