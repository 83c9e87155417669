// Ctrl-C stops uvo-render promptly whatever the settings: a huge per-pixel
// sample count, a huge per-shader sample loop, or a long photon pass.  The
// command ends with exit code 130 and writes what it had.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "render_support.h"

using uvo_host_test::scratch_dir;
using uvo_host_test::write_file;

namespace {

struct Stopped {
    bool started = false;    // the render had begun when SIGINT was sent
    double seconds = -1.0;   // from SIGINT to exit; -1 when it had to be killed
    int exit_code = -1;
    std::string output;
};

// Runs uvo-render on `scene`, sends SIGINT once it reports the render under
// way, and waits up to `patience` seconds for it to end.
Stopped interrupt_render(const std::string &scene, const std::string &output, const std::string &extra,
                         double patience) {
    int pipe_fd[2];
    Stopped result;
    if (pipe(pipe_fd) != 0)
        return result;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipe_fd[1], STDERR_FILENO);
        dup2(pipe_fd[1], STDOUT_FILENO);
        close(pipe_fd[0]);
        const std::string command = std::string(UVO_RENDER_PATH) + " --no-progress -t 2 " + scene + " -o " +
                                    output + " " + extra;
        execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    close(pipe_fd[1]);
    const auto read_some = [&](int timeout_ms) {
        pollfd p{pipe_fd[0], POLLIN, 0};
        if (poll(&p, 1, timeout_ms) > 0) {
            char buffer[4096];
            const ssize_t n = read(pipe_fd[0], buffer, sizeof buffer);
            if (n > 0)
                result.output.append(buffer, static_cast<size_t>(n));
        }
    };
    const auto start = std::chrono::steady_clock::now();
    const auto since = [](auto t) { return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count(); };
    while (result.output.find("info: rendering") == std::string::npos && since(start) < 30.0)
        read_some(50);
    result.started = result.output.find("info: rendering") != std::string::npos;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // well inside the long loop
    kill(pid, SIGINT);
    const auto sent = std::chrono::steady_clock::now();
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (since(sent) > patience) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            close(pipe_fd[0]);
            return result;
        }
        read_some(20);
    }
    result.seconds = since(sent);
    read_some(0);
    close(pipe_fd[0]);
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace

TEST(Interrupt, CtrlCStopsLongLoopsAtOnce) {
    const std::string dir = scratch_dir("interrupt");
    const std::string camera = R"("camera": {"resolution": [2, 2], "transform": {"translate": [0, 0, 4]}})";
    struct Case {
        const char *name;
        std::string scene;
        const char *extra;
    };
    const Case cases[] = {
        {"pixel_samples", "{" + camera + R"(, "objects": [{"type": "box", "material": {"shader": "lambert",
             "params": {"samples": 1}}}]})", "--samples 2000000000"},
        {"shader_samples", "{" + camera + R"(, "objects": [{"type": "box", "material": {"shader": "lambert",
             "params": {"samples": 2000000000}}}]})", ""},
        {"photons", R"({"options": {"photons": 10000000}, )" + camera + R"(,
             "lights": [{"name": "a", "type": "directional", "shader": "uvo_physicalsun"},
                        {"name": "b", "type": "directional", "shader": "uvo_physicalsun"},
                        {"name": "c", "type": "directional", "shader": "uvo_physicalsun"},
                        {"name": "d", "type": "directional", "shader": "uvo_physicalsun"}],
             "objects": [{"type": "box"}]})", ""},
    };
    for (const Case &c : cases) {
        write_file(dir + "/" + c.name + ".json", c.scene);
        // Each would run for minutes at least; one second is the promise,
        // the margin is for a loaded machine.
        const Stopped stopped = interrupt_render(dir + "/" + c.name + ".json", dir + "/" + c.name, c.extra, 5.0);
        ASSERT_TRUE(stopped.started) << c.name << ": " << stopped.output;
        EXPECT_GE(stopped.seconds, 0.0) << c.name << " ignored Ctrl-C: " << stopped.output;
        EXPECT_EQ(stopped.exit_code, 130) << c.name << ": " << stopped.output;
        EXPECT_TRUE(std::filesystem::exists(dir + "/" + c.name + ".exr") &&
                    std::filesystem::exists(dir + "/" + c.name + ".png")) << c.name;
        EXPECT_NE(stopped.output.find("interrupted; wrote the unfinished"), std::string::npos) << stopped.output;
        if (std::string(c.name) == "pixel_samples") {  // no pixel finished: none counted in the statistics
            EXPECT_NE(stopped.output.find(": 0 pixel samples/s"), std::string::npos) << stopped.output;
        }
    }
}
