// The frame's progress as the renderer reports it: on a terminal a bar with
// the elapsed time and an estimate of the time left, redrawn after every
// tile; otherwise (a log, a pipe) a progress line every few seconds, so that
// a long render is never silent.  Counting and drawing happen under one lock,
// so what is shown never goes backwards whatever order the threads finish in.
#pragma once

#include <chrono>
#include <mutex>
#include <string>

namespace uvo_host {

class ProgressMeter {
public:
    // `total` units of work (tiles); `enabled` false shows nothing.  The bar
    // needs stderr on a terminal and verbosity 1; lines need verbosity 2 and
    // come every `line_interval` seconds (0: after every unit).
    ProgressMeter(int total, bool enabled, double line_interval);
    // Clears the bar.
    ~ProgressMeter();
    ProgressMeter(const ProgressMeter &) = delete;
    ProgressMeter &operator=(const ProgressMeter &) = delete;

    // One unit finished; thread-safe.
    void step();

    // "12.3 s", "4 min 05 s" or "2 h 03 min".
    static std::string duration_text(double seconds);

private:
    std::mutex lock_;
    const int total_;
    int done_ = 0;
    bool bar_ = false, lines_ = false;
    const double interval_;
    double next_line_;
    const std::chrono::steady_clock::time_point start_;
};

}  // namespace uvo_host
