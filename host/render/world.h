// The render world: everything the exported host functions reach.  One world
// is current at a time; the host functions find it through current_world().
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "scene/scene.h"
#include "render/tracer.h"

namespace uvo_host {

class ShaderRegistry;

struct World {
    Database db;
    ShaderRegistry *registry = nullptr;
    Scene scene;
    std::unique_ptr<Tracer> tracer;
    Image framebuffer;                  // main colour buffer of the frame
    std::vector<Image> user_framebuffers; // user frame buffers, numbered as the camera names them
    std::atomic<bool> aborted{false};   // rx_par_aborted
    std::atomic<bool> interrupted{false}; // the abort came from SIGINT, not a fatal message
};

World *current_world();
void set_current_world(World *world);

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
// Messages go to stderr; a progress bar, when shown, is cleared first.
void message_line(const char *level, const char *text);
// Set by the renderer while it draws a progress bar on a terminal.
void set_progress_bar_active(bool active);
// Draws (or redraws) the bar for `done` of `total` on stderr; clears it.
void draw_progress_bar(int done, int total);
void clear_progress_bar();
// While set, rx_progress messages are drawn on the terminal's status line
// (overwriting each other) instead of printed as lines at verbosity 3.
void set_progress_line_active(bool active);
// Called with the text of every rx_progress message, whatever the verbosity,
// before it is shown (an empty function removes it).  For hosts that follow a
// render's progress, and for tests.
void set_progress_listener(std::function<void(const char *text)> listener);

}  // namespace uvo_host
