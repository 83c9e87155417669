/* A second host module that exports only rx_info: the library must rebind to
 * it after rxSetModuleHandle and report every function it lacks. */
#include <stdio.h>
#include <string.h>

__attribute__((visibility("default"))) char alt_host_last_info[256];
__attribute__((visibility("default"))) int alt_host_info_count;

__attribute__((visibility("default"))) void rx_info(const char *format, ...) {
    strncpy(alt_host_last_info, format, sizeof alt_host_last_info - 1);
    ++alt_host_info_count;
}
