// Building a shader instance's parameter block from its declaration: the
// declared defaults, the values a scene gives, array elements appended past
// the block, and the connection table after everything.
//
// Final layout of ShaderInstance::words (32-bit words):
//   [0, block_size/4)           the declared block
//   [block_size/4, total/4)     array elements, in parameter order; each
//                               array's index makes element k sit at
//                               elements[index + k]
//   [total/4, 2*total/4)        connection flags, present only when some
//                               parameter is connected: the flag of a
//                               parameter sits total bytes past it, so
//                               ShaderRecord::connection_offset = total
#pragma once

#include <string>
#include <vector>

#include "scene/scene.h"

namespace uvo_host {

class BlockBuilder {
public:
    // Starts from the declaration's defaults.  Throws DeclarationError when a
    // default does not fit its type.
    explicit BlockBuilder(const Declaration &declaration);

    // Value of a non-array parameter, as the words its type takes.
    void set(const ParamDecl &parameter, const std::vector<uint32_t> &words);
    // Elements of an array parameter, one entry of words per element slot.
    void set_array(const ParamDecl &parameter, const std::vector<uint32_t> &elements);
    // Feeds the parameter from another shader instance.
    void connect(const ParamDecl &parameter, ShaderInstance *source);

    // Writes the block, the elements and the connection table into the
    // instance and fills its shader record.
    void finish(ShaderInstance &instance) const;

private:
    const Declaration &declaration_;
    std::vector<uint32_t> block_;
    std::vector<std::vector<uint32_t>> arrays_;  // per parameter (empty for non-arrays)
    std::vector<Connection> connections_;
};

// Converts a JSON value to the words of a value of `type` (boolean, integer,
// scalar, color, vector).  False with `why` when the value does not fit.
bool json_to_words(const nlohmann::json &value, ParamType type, std::vector<uint32_t> &words, std::string &why);

}  // namespace uvo_host
