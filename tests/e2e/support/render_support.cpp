#include "render_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace uvo_host_test {

std::string scratch_dir(const std::string &name) {
    // Under the running test's own directory: ctest runs tests in parallel.
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::filesystem::path dir = UVO_TEST_TMP;
    if (test != nullptr)
        dir /= std::string(test->test_suite_name()) + "." + test->name();
    dir /= name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

void write_file(const std::string &path, const std::string &text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    out << text;
}

CommandResult run_render(const std::string &arguments, bool progress) {
    const std::string command =
        std::string(UVO_RENDER_PATH) + (progress ? " " : " --no-progress ") + arguments + " 2>&1";
    CommandResult result;
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return result;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.output.append(buffer.data(), n);
    const int status = pclose(pipe);
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

uvo_host::SessionOptions session_options(const std::string &dir, const std::string &scene_text, int threads) {
    const std::string scene = dir + "/scene.json";
    write_file(scene, scene_text);
    uvo_host::SessionOptions options;
    options.scene = scene;
    options.library = UVO_SHADERS_PATH;
    options.declarations = std::string(UVO_SOURCE_DIR) + "/share/uvo/shaders";
    options.threads = threads;
    return options;
}

std::unique_ptr<uvo_host::RenderSession> open_session(const std::string &dir, const std::string &scene_text,
                                                      int threads) {
    return std::make_unique<uvo_host::RenderSession>(session_options(dir, scene_text, threads));
}

uvo_host::Image render_in_process(const std::string &dir, const std::string &scene_text, int threads) {
    uvo_host::RenderSession session(session_options(dir, scene_text, threads));
    session.render(false);
    return session.world().framebuffer;
}

double mean_channel(const uvo_host::Image &image, int c) {
    double sum = 0.0;
    const size_t pixels = static_cast<size_t>(image.width) * image.height;
    for (size_t i = 0; i < pixels; ++i)
        sum += image.rgba[i * 4 + c];
    return pixels ? sum / pixels : 0.0;
}

}  // namespace uvo_host_test
