// Where the build put what the tests load: the source tree, the shader
// library, the helper programs and modules, the scratch folder.  The values
// are absolute paths of this build, defined in one generated file per test
// program (tests/CMakeLists.txt), so that no other test object depends on
// where the tree lies and the compiler cache serves them across checkouts.
// A program defines only the paths it uses.
#pragma once

namespace uvo_test_paths {
extern const char *const source_dir;           // the source tree
extern const char *const shaders_path;         // the shader library
extern const char *const althost_path;         // unit: the message-only host module
extern const char *const render_path;          // host, e2e: the uvo-render command
extern const char *const examples_dir;         // host, e2e: where the example programs are
extern const char *const test_tmp;             // host, e2e: this program's scratch folder
}  // namespace uvo_test_paths

#define UVO_SOURCE_DIR uvo_test_paths::source_dir
#define UVO_SHADERS_PATH uvo_test_paths::shaders_path
#define UVO_ALTHOST_PATH uvo_test_paths::althost_path
#define UVO_RENDER_PATH uvo_test_paths::render_path
#define UVO_EXAMPLES_DIR uvo_test_paths::examples_dir
#define UVO_TEST_TMP uvo_test_paths::test_tmp
