// OBJ meshes as the scene loader reads them (read_obj): the input is written
// to a file of its own folder and read back.  A refused mesh ends in
// MeshError; anything else is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "scene/geometry.h"

using namespace uvo_host;

namespace {
std::string mesh_path;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // A private folder: material libraries the OBJ names are looked up beside it.
    char folder[] = "/tmp/uvo_fuzz_obj_XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    mesh_path = std::string(folder) + "/mesh.obj";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FILE *file = std::fopen(mesh_path.c_str(), "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
        std::abort();
    try {
        read_obj(mesh_path);
    } catch (const MeshError &) {
    }
    return 0;
}
