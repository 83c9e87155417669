/* A minimal shader library for the host's lifecycle test: one shader,
 * uvo_probe, that logs its version, init and exit calls, keeps a per-instance
 * record in the user-data slot and returns the record's value as its colour.
 * Like the real library it reaches host functions through the module handle
 * it is given. */
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define UVO_NO_HOST_PROTOTYPES
#include "uvo/host_interface.h"

typedef Boolean (*QueryFn)(int32_t, ShadingState *, Tag, void *);

static void *g_module;
static char g_log[4096];

static void note(const char *text) {
    strncat(g_log, text, sizeof g_log - strlen(g_log) - 1);
    strncat(g_log, ";", sizeof g_log - strlen(g_log) - 1);
}

static Boolean query(int32_t code, ShadingState *state, Tag item, void *answer) {
    QueryFn fn = (QueryFn)dlsym(g_module, "rx_query");
    return fn ? fn(code, state, item, answer) : 0;
}

typedef struct ProbeParams {
    float value;
    int32_t unused;
} ProbeParams;

void rxSetModuleHandle(void *module) { g_module = module; }

const char *probe_log(void) { return g_log; }

int32_t uvo_probe_version(void) {
    note("version");
    return 5;
}

Boolean uvo_probe_init(ShadingState *state, void *params, Boolean *request) {
    char text[128];
    if (params == NULL) {
        note("init-shader");
        *request = 1;
        return 1;
    }
    const ProbeParams *p = (const ProbeParams *)params;
    int32_t version = 0;
    query(UVO_QUERY_DECLARATION_VERSION, state, state->shader->declaration, &version);
    void **slot = NULL;
    if (!query(UVO_QUERY_USER_DATA_SLOT, state, 0, &slot) || slot == NULL) {
        note("no-slot");
        return 1;
    }
    float *record = (float *)malloc(sizeof(float));
    *record = p->value;
    *slot = record;
    snprintf(text, sizeof text, "init-instance %.2f v%d", p->value, (int)version);
    note(text);
    return 1;
}

Boolean uvo_probe_exit(ShadingState *state, void *params) {
    char text[64];
    if (params == NULL) {
        note("exit-shader");
        return 1;
    }
    void **slot = NULL;
    if (query(UVO_QUERY_USER_DATA_SLOT, state, 0, &slot) && slot != NULL && *slot != NULL) {
        snprintf(text, sizeof text, "exit-instance %.2f", *(float *)*slot);
        free(*slot);
        *slot = NULL;
        note(text);
    }
    return 1;
}

Boolean uvo_probe(Color *result, ShadingState *state, void *params) {
    (void)params;
    void **slot = NULL;
    if (!query(UVO_QUERY_USER_DATA_SLOT, state, 0, &slot) || slot == NULL || *slot == NULL)
        return 0;
    const float v = *(const float *)*slot;
    result->r = result->g = result->b = v;
    result->a = 1.0f;
    return 1;
}
