/* The host contract as a C99 program sees it: it compiles without warnings
 * under -pedantic, and the shared records have the sizes and offsets the
 * library was built with. */
#include <stddef.h>
#include <stdio.h>

#include "uvo/host_interface.h"

#define CHECK(cond)                                        \
    do {                                                   \
        if (!(cond)) {                                     \
            fprintf(stderr, "layout check failed: %s\n", #cond); \
            return 1;                                      \
        }                                                  \
    } while (0)

int main(void) {
    CHECK(sizeof(Color) == 16 && sizeof(Vector3) == 12 && sizeof(Tag) == 4);
    CHECK(sizeof(LightLoopInfo) == 28);
    CHECK(offsetof(LightLoopInfo, diffuse_scale) == 12);
    CHECK(offsetof(HostLightFlags, emit_diffuse) == 100 && offsetof(HostLightFlags, emit_specular) == 104);
    CHECK(sizeof(MaterialApiRecord) == 416);
    CHECK(offsetof(MaterialApiRecord, u.small.ray_type) == 51 * 4);
    CHECK(offsetof(MaterialApiRecord, u.small.diffuse_weight) == 35 * 4);
    CHECK(offsetof(MaterialApiRecord, u.full.outputs) == 3 * 4);
    CHECK(sizeof(IndirectRequest) == 44 && offsetof(IndirectRequest, importance) == 40);
    CHECK(offsetof(IndirectRequest, filter) == 17 && offsetof(IndirectRequest, falloff_stop) == 32);
    CHECK(sizeof(ReflectionMarker) == 8 && sizeof(GlossyEnvironmentHint) == 12);
    CHECK(sizeof(RefractionFalloffRecord) == 32 && offsetof(RefractionFalloffRecord, color) == 4);
    CHECK(offsetof(RefractionFalloffRecord, color_enable) == 24);
    CHECK(sizeof(HostImageDesc) == 256);
    /* A host can name every function type of the contract from C. */
    {
        Boolean (*query)(int32_t, ShadingState *, Tag, void *) = 0;
        void (*info)(const char *, ...) = 0;
        (void)query;
        (void)info;
    }
    printf("contract layouts hold in C99\n");
    return 0;
}
