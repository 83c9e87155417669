/* The PNG reader the host uses (stb_image, the installed header), compiled
 * into the fuzzer with its instrumentation: the program exports it, so the
 * host's calls reach this copy and the fuzzer sees the reader's branches. */
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
