// The reference pages of the shaders (docs/shaders/<name>.md and an index),
// written from the same parameter lists as the declarations, and the rules
// every row of those lists must meet before either is written.
#pragma once

#include <string>
#include <vector>

#include "shader_declarations.h"

namespace uvo_tools {

// The page of one shader: summary, version, result and its units, the
// picture (under docs/images/) and the scene it comes from, and a table of
// every parameter with type, default, range, unit and description.
std::string shader_page(const uvo::ShaderDeclaration &shader);

// docs/shaders/README.md: every shader with its summary and a link.
std::string shader_index();

// What a shader's rows lack, one line each ("uvo_x: name: ..."):
//   - every row has a description;
//   - numbers (scalar, integer, colour, vector) have a range ("any" when any
//     value is accepted);
//   - the shader has a picture (kPictures in shader_pages.cpp);
//   - an integer option with a short closed range ("0..4") names each of its
//     values in the description (as "2", "1-4" or "1 to 5").
std::vector<std::string> row_problems(const uvo::ShaderDeclaration &shader);

}  // namespace uvo_tools
