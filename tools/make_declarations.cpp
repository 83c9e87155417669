// Writes the shader declarations (share/uvo/shaders/<name>.json) and, given a
// second directory, the reference pages (docs/shaders/<name>.md, README.md)
// from the parameter lists of the library, or checks that the files there
// are current.
//
//   make_declarations DECLS [PAGES]          write every file
//   make_declarations --check DECLS [PAGES]  exit 1, naming the stale files,
//                                            when a file differs or is
//                                            missing, or one there has no
//                                            shader
// Either way it first refuses rows that lack a description, a range or the
// meaning of an option's values (shader_pages.h).
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "shader_declarations.h"
#include "shader_pages.h"

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

// Writes `text` to `path`, or in check mode compares them; returns false
// when the file is stale (check) or cannot be written.
bool emit(const std::filesystem::path &path, const std::string &text, bool check, const char *what) {
    if (check) {
        if (!std::filesystem::exists(path) || file_text(path) != text) {
            std::fprintf(stderr, "%s is not what the parameter list of %s makes\n", path.c_str(), what);
            return false;
        }
        return true;
    }
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

// Files of `dir` with `extension` that no shader makes.
int strays(const std::filesystem::path &dir, const char *extension, const std::set<std::string> &known) {
    int count = 0;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(dir, error))
        if (entry.path().extension() == extension && !known.contains(entry.path().filename().string())) {
            std::fprintf(stderr, "%s belongs to no shader of the library\n", entry.path().c_str());
            ++count;
        }
    if (error) {
        std::fprintf(stderr, "%s: %s\n", dir.c_str(), error.message().c_str());
        ++count;
    }
    return count;
}

}  // namespace

int main(int argc, char **argv) {
    const bool check = argc >= 2 && std::strcmp(argv[1], "--check") == 0;
    const int first = check ? 2 : 1;
    if (argc - first < 1 || argc - first > 2) {
        std::fprintf(stderr, "usage: %s [--check] <declarations directory> [<reference pages directory>]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[first];
    const bool pages = argc - first == 2;
    const std::filesystem::path docs = pages ? argv[first + 1] : "";
    int problems = 0;
    for (const uvo::ShaderDeclaration &shader : uvo::shader_declarations)
        for (const std::string &problem : uvo_tools::row_problems(shader)) {
            std::fprintf(stderr, "%s\n", problem.c_str());
            ++problems;
        }
    if (problems != 0) {
        std::fprintf(stderr, "%d parameter row(s) incomplete: complete them in the parameter lists\n", problems);
        return 1;
    }
    int stale = 0;
    std::set<std::string> known, known_pages = {"README.md"};
    for (const uvo::ShaderDeclaration &shader : uvo::shader_declarations) {
        const std::string json = std::string(shader.name) + ".json", page = std::string(shader.name) + ".md";
        known.insert(json);
        known_pages.insert(page);
        stale += !emit(dir / json, declaration_json(shader), check, shader.name);
        if (pages)
            stale += !emit(docs / page, uvo_tools::shader_page(shader), check, shader.name);
    }
    if (pages)
        stale += !emit(docs / "README.md", uvo_tools::shader_index(), check, "every shader");
    if (!check)
        return stale != 0 ? 1 : 0;
    stale += strays(dir, ".json", known);
    if (pages)
        stale += strays(docs, ".md", known_pages);
    if (stale != 0) {
        std::fprintf(stderr,
                     "%d generated file(s) out of date: regenerate them with `make declarations` "
                     "(or `cmake --build <build> --target declarations`) and commit the result\n",
                     stale);
        return 1;
    }
    return 0;
}
