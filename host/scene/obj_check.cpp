#include "scene/obj_check.h"

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "scene/geometry.h"

namespace uvo_host {

namespace {

[[noreturn]] void fail_at(size_t line, const std::string &problem) {
    throw MeshError("line " + std::to_string(line) + ": " + problem);
}

// One reference of a face element: 1-based, or negative counting back from
// the latest; resolved against `count` elements read so far.
void check_reference(const std::string &token, size_t count, const char *what, size_t line) {
    char *end = nullptr;
    errno = 0;
    const long long n = std::strtoll(token.c_str(), &end, 10);
    if (end == token.c_str() || *end != '\0' || errno == ERANGE)
        fail_at(line, std::string("bad ") + what + " reference \"" + token + "\"");
    const long long resolved = n < 0 ? static_cast<long long>(count) + n + 1 : n;
    if (n == 0 || resolved < 1 || resolved > static_cast<long long>(count))
        fail_at(line, "face names " + std::string(what) + " " + token + " but " + std::to_string(count) +
                          " are defined before it");
}

}  // namespace

void check_obj_text(std::istream &in) {
    size_t vertices = 0, normals = 0, texcoords = 0, line_number = 0;
    std::string line;
    while (std::getline(in, line)) {
        ++line_number;
        std::istringstream words(line);
        std::string keyword;
        if (!(words >> keyword))
            continue;
        if (keyword == "v" || keyword == "vn" || keyword == "vt") {
            const size_t needed = keyword == "vt" ? 1 : 3;
            std::string word;
            size_t read = 0;
            while (words >> word && read < needed) {
                char *end = nullptr;
                const double d = std::strtod(word.c_str(), &end);
                if (end == word.c_str() || *end != '\0')
                    fail_at(line_number, "\"" + word + "\" is not a number");
                if (!std::isfinite(d) || std::fabs(d) > FLT_MAX)
                    fail_at(line_number, "coordinate " + word + " is not a finite single-precision number");
                ++read;
            }
            if (read < needed)
                fail_at(line_number, "\"" + keyword + "\" needs " + std::to_string(needed) + " numbers");
            (keyword == "v" ? vertices : keyword == "vn" ? normals : texcoords) += 1;
        } else if (keyword == "f" || keyword == "l" || keyword == "p") {
            std::string element;
            while (words >> element) {
                // v, v/t, v//n or v/t/n
                const size_t a = element.find('/');
                check_reference(element.substr(0, a), vertices, "vertex", line_number);
                if (a == std::string::npos)
                    continue;
                const size_t b = element.find('/', a + 1);
                const std::string t = element.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
                if (!t.empty())
                    check_reference(t, texcoords, "texture coordinate", line_number);
                if (b != std::string::npos)
                    check_reference(element.substr(b + 1), normals, "normal", line_number);
            }
        }
    }
}

void check_obj_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw MeshError("cannot open the mesh file");
    check_obj_text(in);
}

}  // namespace uvo_host
