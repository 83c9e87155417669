#include "shader_pages.h"

#include <cctype>
#include <cstring>
#include <set>
#include <sstream>

namespace uvo_tools {

namespace {

bool is_number_type(const char *type) {
    return std::strcmp(type, "scalar") == 0 || std::strcmp(type, "integer") == 0 || std::strcmp(type, "color") == 0 ||
           std::strcmp(type, "vector") == 0;
}

// Markdown table cells: no raw bars or line breaks.
std::string cell(const std::string &text) {
    std::string out;
    for (char c : text)
        out += c == '|' ? std::string("\\|") : c == '\n' ? std::string(" ") : std::string(1, c);
    return out;
}

std::string or_dash(const char *text) { return *text != '\0' ? cell(text) : std::string("—"); }

// The integers a description names: single numbers and spans "a-b" or
// "a to b" (which name every value between).
std::set<long> named_values(const std::string &text) {
    std::set<long> values;
    size_t i = 0;
    const auto read = [&](size_t &at, long &value) {
        size_t start = at;
        if (at < text.size() && text[at] == '-' && at + 1 < text.size() && std::isdigit(text[at + 1]) &&
            (at == 0 || !std::isalnum(static_cast<unsigned char>(text[at - 1]))))
            ++at;
        if (at >= text.size() || !std::isdigit(static_cast<unsigned char>(text[at]))) {
            at = start;
            return false;
        }
        while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])))
            ++at;
        value = std::stol(text.substr(start, at - start));
        return true;
    };
    while (i < text.size()) {
        long first = 0;
        const bool boundary = i == 0 || !std::isalnum(static_cast<unsigned char>(text[i - 1]));
        if (!boundary || !read(i, first)) {
            ++i;
            continue;
        }
        values.insert(first);
        size_t j = i;
        long last = 0;
        if (j < text.size() && text[j] == '-') {
            ++j;
        } else if (text.compare(j, 4, " to ") == 0) {
            j += 4;
        } else {
            continue;
        }
        if (read(j, last) && last > first && last - first < 64) {
            for (long v = first; v <= last; ++v)
                values.insert(v);
            i = j;
        }
    }
    return values;
}

// Each shader's picture (under docs/images/) and the scene it is rendered
// from: a scene of its own under scenes/shaders/, or the example scene that
// shows it best.
struct Picture {
    const char *shader, *image, *scene;
};
constexpr Picture kPictures[] = {
    {"uvo_material", "shaders/uvo_material.png", "scenes/shaders/uvo_material.json"},
    {"uvo_material_x", "scenes/material.png", "scenes/material.json"},
    {"uvo_roundcorners", "shaders/uvo_roundcorners.png", "scenes/shaders/uvo_roundcorners.json"},
    {"uvo_physicalsky", "scenes/daylight.png", "scenes/daylight.json"},
    {"uvo_physicalsun", "shaders/uvo_physicalsun.png", "scenes/shaders/uvo_physicalsun.json"},
    {"uvo_ciesky", "shaders/uvo_ciesky.png", "scenes/shaders/uvo_ciesky.json"},
    {"uvo_portal_light", "default.png", "scenes/default.json"},
    {"uvo_light_surface", "scenes/panel_room.png", "scenes/panel_room.json"},
    {"uvo_exposure_simple", "shaders/uvo_exposure_simple.png", "scenes/shaders/uvo_exposure_simple.json"},
    {"uvo_exposure_photographic", "shaders/uvo_exposure_photographic.png",
     "scenes/shaders/uvo_exposure_photographic.json"},
    {"uvo_lens_bokeh", "scenes/bokeh.png", "scenes/bokeh.json"},
    {"uvo_envblur", "scenes/envblur.png", "scenes/envblur.json"},
};

}  // namespace

std::string picture_text(const char *shader) {
    for (const Picture &picture : kPictures)
        if (std::strcmp(picture.shader, shader) == 0)
            return std::string("![") + shader + "](../images/" + picture.image + ")\n\nRendered from `" +
                   picture.scene + "` (`uvo-render " + picture.scene + "`).\n\n";
    return "";
}

std::vector<std::string> row_problems(const uvo::ShaderDeclaration &shader) {
    std::vector<std::string> problems;
    if (picture_text(shader.name).empty())
        problems.push_back(std::string(shader.name) + ": no picture in tools/shader_pages.cpp");
    for (const uvo::ParamRow &row : shader.rows) {
        const std::string where = std::string(shader.name) + ": " + row.name + ": ";
        if (row.description[0] == '\0')
            problems.push_back(where + "no description");
        if (is_number_type(row.type) && row.range[0] == '\0')
            problems.push_back(where + "no range (write \"any\" when every value is accepted)");
        long low = 0, high = 0;
        char tail = 0;
        if (std::strcmp(row.type, "integer") == 0 && std::sscanf(row.range, "%ld..%ld%c", &low, &high, &tail) == 2 &&
            high - low <= 8) {
            const std::set<long> named = named_values(row.description);
            for (long v = low; v <= high; ++v)
                if (!named.contains(v))
                    problems.push_back(where + "the description does not say what " + std::to_string(v) + " means");
        }
    }
    return problems;
}

std::string shader_page(const uvo::ShaderDeclaration &shader) {
    std::ostringstream out;
    out << "<!-- Generated by tools/make_declarations from the shader's parameter list: edit the list, then run "
           "`make declarations`. -->\n"
        << "# " << shader.name << "\n\n"
        << shader.summary << ".\n\n"
        << "Version " << shader.version << "; result type `" << shader.result << "`; parameter block of "
        << shader.block_size << " bytes.\n\n"
        << picture_text(shader.name)
        << "| parameter | type | default | range | unit | description |\n"
        << "|-----------|------|---------|-------|------|-------------|\n";
    for (const uvo::ParamRow &row : shader.rows)
        out << "| `" << row.name << "` | " << row.type << " | "
            << (row.default_json[0] != '\0' ? "`" + cell(row.default_json) + "`" : std::string("none")) << " | "
            << or_dash(row.range) << " | " << or_dash(row.unit) << " | " << cell(row.description) << " |\n";
    out << "\nA unit of — is a pure number (a weight, factor or count) or a switch. Colours are linear RGB; "
           "\"per channel\" ranges hold for each of r, g and b.\n";
    return out.str();
}

std::string shader_index() {
    std::ostringstream out;
    out << "<!-- Generated by tools/make_declarations: run `make declarations` after changing a parameter list. "
           "-->\n# Shader reference\n\n"
           "One page per shader of the library, from the same parameter lists as the declarations in "
           "share/uvo/shaders/.\n\n"
           "Units of light: `uvo_physicalsky` gives pi times luminance times `rgb_scale` (1/(cd/m2), 1.25e-5 by "
           "default), so a value of 1.0 is about 25,465 cd/m2; `uvo_physicalsun` takes the same `rgb_scale` without "
           "the pi; `uvo_ciesky` gives cd/m2 itself; the "
           "other shaders work in the units of the lights and environment they see. `uvo-render` writes the "
           "matching `whiteLuminance` (cd/m2 of a pixel value 1) into its EXR images.\n\n"
           "| shader | what it is |\n|--------|------------|\n";
    for (const uvo::ShaderDeclaration &shader : uvo::shader_declarations)
        out << "| [" << shader.name << "](" << shader.name << ".md) | " << cell(shader.summary) << " |\n";
    return out.str();
}

}  // namespace uvo_tools
