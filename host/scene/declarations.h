// Shader declarations and parameter-block layout.
//
// A declaration lists a shader's parameters in block order (JSON files in
// share/uvo/shaders, format in its README, or built into the host for the
// host's own shaders).  From it the host lays out blocks of 32-bit slots:
// scalar kinds take one slot, a colour four, a vector three, an array three
// (start index, count, one element in place) with the elements appended past
// the block.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "uvo/host_interface.h"

namespace uvo_host {

enum class ParamType { Boolean, Integer, Scalar, Color, Vector, Shader, Light, Texture, String, Array };

// Name as written in declarations ("scalar", ...); false for an unknown one.
bool param_type_from_name(const std::string &name, ParamType &type);
const char *param_type_name(ParamType type);
// 32-bit slots that one value of the type takes (an array's header: 3).
int param_slots(ParamType type);

struct ParamDecl {
    std::string name;
    ParamType type = ParamType::Scalar;
    ParamType element = ParamType::Scalar;  // arrays only
    nlohmann::json default_value;            // null: zero
    uint32_t offset = 0;                     // bytes from the block's start
};

struct Declaration {
    std::string name;
    int32_t version = 1;
    std::string result = "color";
    std::vector<ParamDecl> parameters;
    uint32_t block_size = 0;  // bytes, without appended array elements
    Tag tag = 0;              // database Tag, set when registered

    const ParamDecl *find(const std::string &parameter) const;
};

struct DeclarationError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Parses one declaration and computes its layout; throws DeclarationError
// naming the problem.
Declaration parse_declaration(const nlohmann::json &json);

// All declarations of a directory (every *.json file), by shader name.
// Throws DeclarationError naming the file.
std::map<std::string, Declaration> load_declarations(const std::string &directory);

}  // namespace uvo_host
