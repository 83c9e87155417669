// Helpers for the host's tests: scratch directories, scene files, running
// uvo-render as a command, in-process sessions and image statistics.
#pragma once

#include <memory>
#include <string>

#include "image/image.h"
#include "session.h"
#include "test_paths.h"

namespace uvo_host_test {

// A fresh directory `name` of the running test (removed and recreated).
std::string scratch_dir(const std::string &name);

// Writes `text` to `path`, creating directories.
void write_file(const std::string &path, const std::string &text);

struct CommandResult {
    int exit_code = -1;
    std::string output;  // stdout and stderr together
};

// Runs build/bin/uvo-render with `arguments` (already quoted as needed),
// with --no-progress unless `progress`.
CommandResult run_render(const std::string &arguments, bool progress = false);

// Options for an in-process session over `scene_text`, written to
// dir/scene.json, with the built shader library and its declarations.
uvo_host::SessionOptions session_options(const std::string &dir, const std::string &scene_text, int threads = 1);

// A session over `scene_text`, initialised and not yet rendered.
std::unique_ptr<uvo_host::RenderSession> open_session(const std::string &dir, const std::string &scene_text,
                                                      int threads = 1);

// Renders `scene_text` in-process (a scene file written into `dir`) and
// returns the frame buffer.
uvo_host::Image render_in_process(const std::string &dir, const std::string &scene_text, int threads = 1);

// Orthographic camera 5 units above the origin looking straight down (-y) at
// a square of `width` units, with `extra` JSON members appended: the text
// "camera": {...} for a scene object.
inline std::string top_camera(double width, int resolution, const std::string &extra = "") {
    return R"("camera": {"resolution": [)" + std::to_string(resolution) + ", " + std::to_string(resolution) +
           R"(], "orthographic": true, "aperture": )" + std::to_string(width) +
           R"(, "transform": {"look_at": {"from": [0, 5, 0], "to": [0, 0, 0], "up": [0, 0, -1]}})" + extra + "}";
}

// Mean of channel c (0 r .. 3 a) over the pixels of `image`.
double mean_channel(const uvo_host::Image &image, int c);

}  // namespace uvo_host_test
