// PLY meshes as the scene loader reads them (read_ply), from memory.  A
// refused mesh ends in MeshError; a crash, a hang or an allocation the input's
// size does not justify is a finding.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "scene/geometry.h"
#include "scene/mesh_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char *>(data), size));
    try {
        uvo_host::read_ply(in);
    } catch (const uvo_host::MeshError &) {
    }
    return 0;
}
