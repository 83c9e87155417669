// The OBJ reader the host uses (tinyobjloader, the installed header),
// compiled into the fuzzer with its instrumentation: the program exports it,
// so the host's calls reach this copy and the fuzzer sees the reader's
// branches.
#define TINYOBJLOADER_IMPLEMENTATION
#include <tiny_obj_loader.h>
