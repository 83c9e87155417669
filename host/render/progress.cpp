#include "render/progress.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>

#include "render/host_messages.h"

namespace uvo_host {

ProgressMeter::ProgressMeter(int total, bool enabled, double line_interval)
    : total_(total), interval_(line_interval), next_line_(line_interval), start_(std::chrono::steady_clock::now()) {
    if (!enabled)
        return;
    bar_ = isatty(STDERR_FILENO) && verbosity() >= 1;
    lines_ = !bar_ && verbosity() >= 2;
    if (bar_) {
        set_progress_bar_active(true);
        draw_progress_bar(0, total_, "");
    }
}

ProgressMeter::~ProgressMeter() {
    if (bar_) {
        set_progress_bar_active(false);
        clear_progress_bar();
    }
}

std::string ProgressMeter::duration_text(double seconds) {
    char text[64];
    if (seconds < 60.0)
        std::snprintf(text, sizeof text, "%.1f s", seconds);
    else if (seconds < 3600.0)
        std::snprintf(text, sizeof text, "%d min %02d s", static_cast<int>(seconds / 60),
                      static_cast<int>(std::fmod(seconds, 60.0)));
    else
        std::snprintf(text, sizeof text, "%d h %02d min", static_cast<int>(seconds / 3600),
                      static_cast<int>(std::fmod(seconds, 3600.0) / 60));
    return text;
}

void ProgressMeter::step() {
    if (!bar_ && !lines_)
        return;
    std::lock_guard<std::mutex> guard(lock_);
    ++done_;
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    // The remaining tiles at the average pace so far.
    const double left = elapsed * (total_ - done_) / done_;
    const std::string times =
        duration_text(elapsed) + " elapsed" + (done_ < total_ ? ", about " + duration_text(left) + " left" : "");
    if (bar_) {
        draw_progress_bar(done_, total_, ("  " + times).c_str());
    } else if (elapsed >= next_line_) {
        next_line_ = elapsed + interval_;
        char text[200];
        std::snprintf(text, sizeof text, "%3d%% (%d of %d tiles), %s", total_ > 0 ? done_ * 100 / total_ : 100,
                      done_, total_, times.c_str());
        message_line("progress", text);
    }
}

}  // namespace uvo_host
