// Writes the shader declarations (share/uvo/shaders/<name>.json) from the
// parameter lists of the library, or checks that the files there are current.
//
//   make_declarations <directory>          write every declaration file
//   make_declarations --check <directory>  exit 1, naming the stale files,
//                                          when a file differs or is missing,
//                                          or a .json there has no shader
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "shader_declarations.h"

namespace {

std::string quoted(const char *text) {
    std::string out = "\"";
    for (const char *c = text; *c != '\0'; ++c) {
        if (*c == '"' || *c == '\\')
            out += '\\';
        out += *c;
    }
    return out + "\"";
}

std::string declaration_json(const uvo::ShaderDeclaration &shader) {
    std::ostringstream out;
    out << "{\n  \"name\": " << quoted(shader.name) << ",\n  \"version\": " << shader.version
        << ",\n  \"result\": " << quoted(shader.result) << ",\n  \"description\": " << quoted(shader.summary)
        << ",\n  \"parameters\": [\n";
    for (size_t i = 0; i < shader.rows.size(); ++i) {
        const uvo::ParamRow &row = shader.rows[i];
        // "array light" is declared as type "array" with element "light".
        std::string type = row.type, element;
        if (const size_t space = type.find(' '); space != std::string::npos) {
            element = type.substr(space + 1);
            type.resize(space);
        }
        out << "    { \"name\": " << quoted(row.name) << ", \"type\": " << quoted(type.c_str());
        if (!element.empty())
            out << ", \"element\": " << quoted(element.c_str());
        if (row.default_json[0] != '\0')
            out << ", \"default\": " << row.default_json;
        out << ",\n      \"range\": " << quoted(row.range) << ", \"unit\": " << quoted(row.unit)
            << ",\n      \"description\": " << quoted(row.description) << " }"
            << (i + 1 < shader.rows.size() ? ",\n" : "\n");
    }
    out << "  ]\n}\n";
    return out.str();
}

std::string file_text(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return in ? text.str() : std::string();
}

}  // namespace

int main(int argc, char **argv) {
    const bool check = argc == 3 && std::strcmp(argv[1], "--check") == 0;
    if (argc != 2 && !check) {
        std::fprintf(stderr, "usage: %s [--check] <declarations directory>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[argc - 1];
    int stale = 0;
    std::set<std::string> known;
    for (const uvo::ShaderDeclaration &shader : uvo::shader_declarations) {
        const std::filesystem::path path = dir / (std::string(shader.name) + ".json");
        known.insert(path.filename().string());
        const std::string text = declaration_json(shader);
        if (check) {
            if (!std::filesystem::exists(path) || file_text(path) != text) {
                std::fprintf(stderr, "%s is not what the parameter list of %s makes\n", path.c_str(), shader.name);
                ++stale;
            }
        } else {
            std::ofstream out(path, std::ios::binary);
            out << text;
            if (!out) {
                std::fprintf(stderr, "cannot write %s\n", path.c_str());
                return 1;
            }
        }
    }
    if (check) {
        std::error_code error;
        for (const auto &entry : std::filesystem::directory_iterator(dir, error))
            if (entry.path().extension() == ".json" && !known.contains(entry.path().filename().string())) {
                std::fprintf(stderr, "%s belongs to no shader of the library\n", entry.path().c_str());
                ++stale;
            }
        if (error) {
            std::fprintf(stderr, "%s: %s\n", dir.c_str(), error.message().c_str());
            return 1;
        }
        if (stale != 0) {
            std::fprintf(stderr,
                         "%d declaration file(s) out of date: regenerate them with `make declarations` "
                         "(or `cmake --build <build> --target declarations`) and commit the result\n",
                         stale);
            return 1;
        }
    }
    return 0;
}
