#include "scene/scene_json.h"

namespace uvo_host {

std::string pointer_token(const std::string &key) {
    std::string out;
    for (char c : key) {
        if (c == '~')
            out += "~0";
        else if (c == '/')
            out += "~1";
        else
            out += c;
    }
    return out;
}

}  // namespace uvo_host
