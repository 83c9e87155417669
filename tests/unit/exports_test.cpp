// The built library exports exactly the 48 entries of the export table.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>
#include "test_paths.h"

namespace {

// Shader or group -> its exports.
const std::map<std::string, std::vector<std::string>> export_table = {
    {"uvo_material", {"", "_init", "_exit", "_version"}},
    {"uvo_material_x", {"", "_init", "_exit", "_version"}},
    {"uvo_roundcorners", {"", "_init", "_version"}},
    {"uvo_physicalsky", {"", "_init", "_exit", "_version"}},
    {"uvo_physicalsun", {"", "_init", "_exit", "_version"}},
    {"uvo_ciesky", {"", "_init", "_exit", "_version"}},
    {"uvo_portal_light", {"", "_init", "_exit", "_version"}},
    {"uvo_light_surface", {"", "_version"}},
    {"uvo_exposure_simple", {"", "_init", "_exit", "_version"}},
    {"uvo_exposure_photographic", {"", "_init", "_exit", "_version"}},
    {"uvo_tonemap_api_", {"init", "exit", "transform_color", "transform_image"}},
    {"uvo_lens_bokeh", {"", "_version"}},
    {"uvo_envblur", {"", "_init", "_exit", "_version"}},
    {"rxSetModuleHandle", {""}},
};

// The last word of every line `command` prints.
std::set<std::string> last_words(const std::string &command) {
    std::set<std::string> words;
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return words;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ']'))
            text.pop_back();
        const size_t space = text.find_last_of(" [");
        words.insert(space == std::string::npos ? text : text.substr(space + 1));
    }
    pclose(pipe);
    return words;
}

std::set<std::string> defined_dynamic_symbols(const char *path) {
    return last_words(std::string("nm -D --defined-only ") + path);
}

}  // namespace

TEST(Exports, DynamicSymbolsAreExactlyTheFortyEightOfTheTable) {
    std::set<std::string> allowed;
    for (const auto &[group, suffixes] : export_table)
        for (const auto &suffix : suffixes)
            allowed.insert(group + suffix);
    ASSERT_EQ(allowed.size(), 48u);

    const std::set<std::string> exported = defined_dynamic_symbols(UVO_SHADERS_PATH);
    ASSERT_FALSE(exported.empty()) << "could not read " << UVO_SHADERS_PATH;
    for (const auto &name : exported)
        EXPECT_TRUE(allowed.count(name)) << name << " is exported but not in the export table";

    // Every entry of the table is exported: all 48.
    std::string missing;
    for (const auto &name : allowed)
        if (!exported.count(name))
            missing += " " + name;
    EXPECT_EQ(missing, "") << "of the 48 exports these are missing";
}

TEST(Exports, LibraryNeedsOnlyTheStandardLibraries) {
    const std::set<std::string> allowed = {"libstdc++.so.6", "libm.so.6",  "libgcc_s.so.1", "libc.so.6",
                                           "libdl.so.2",     "libasan.so.8", "libubsan.so.1"};
    const std::set<std::string> needed =
        last_words(std::string("readelf -d ") + UVO_SHADERS_PATH + " | grep NEEDED");
    ASSERT_FALSE(needed.empty());
    for (const auto &library : needed)
        EXPECT_TRUE(allowed.count(library)) << "the library depends on " << library;
}
