// Helpers for the host's tests: scratch directories, scene files, running
// uvo-render as a command, in-process sessions and image statistics.
#pragma once

#include <string>

#include "image/image.h"
#include "session.h"

namespace uvo_host_test {

// A fresh directory for one test (removed and recreated).
std::string scratch_dir(const std::string &name);

// Writes `text` to `path`, creating directories.
void write_file(const std::string &path, const std::string &text);

struct CommandResult {
    int exit_code = -1;
    std::string output;  // stdout and stderr together
};

// Runs build/bin/uvo-render with `arguments` (already quoted as needed).
CommandResult run_render(const std::string &arguments);

// Renders `scene_text` in-process (a scene file written into `dir`) and
// returns the frame buffer.
uvo_host::Image render_in_process(const std::string &dir, const std::string &scene_text, int threads = 1);

// Mean of channel c (0 r .. 3 a) over the pixels of `image`.
double mean_channel(const uvo_host::Image &image, int c);

}  // namespace uvo_host_test
