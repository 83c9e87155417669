// A strict pass over an OBJ file before it is parsed: every face, line and
// point element names a vertex, texture coordinate and normal defined before
// it (1-based, or negative counting back), and every coordinate is a finite
// single-precision number.  The OBJ parser itself trusts its indices.
#pragma once

#include <istream>
#include <string>

namespace uvo_host {

// Throws MeshError "line N: problem" at the first bad line.
void check_obj_text(std::istream &in);
void check_obj_file(const std::string &path);

}  // namespace uvo_host
