/* Parameter-block layout from declarations (see uvo/kit.h). */
#include <string.h>

#include "uvo/kit.h"

static const struct {
    const char *name;
    int32_t slots;
} kTypes[] = {
    {"boolean", 1}, {"integer", 1}, {"scalar", 1}, {"color", 4},  {"vector", 3},
    {"shader", 1},  {"light", 1},   {"texture", 1}, {"string", 1}, {"array", 3},
};
enum { kTypeCount = (int)(sizeof kTypes / sizeof kTypes[0]) };

int32_t uvo_kit_version(void) { return UVO_KIT_VERSION; }

int32_t uvo_kit_param_type_from_name(const char *name) {
    int32_t t;
    if (name == NULL)
        return -1;
    for (t = 0; t < kTypeCount; ++t)
        if (strcmp(name, kTypes[t].name) == 0)
            return t;
    return -1;
}

const char *uvo_kit_param_type_name(int32_t type) {
    return type >= 0 && type < kTypeCount ? kTypes[type].name : "?";
}

int32_t uvo_kit_param_slots(int32_t type) { return type >= 0 && type < kTypeCount ? kTypes[type].slots : 0; }

uint32_t uvo_kit_layout(UvoKitParam *params, size_t count, size_t *bad) {
    uint32_t offset = 0;
    size_t i;
    for (i = 0; i < count; ++i) {
        const int32_t type = params[i].type;
        int32_t slots = uvo_kit_param_slots(type);
        if (type == UVO_KIT_ARRAY) {
            /* index, count, then the element in place */
            const int32_t element = params[i].element;
            slots = element == UVO_KIT_ARRAY ? 0 : uvo_kit_param_slots(element);
            if (slots > 0)
                slots += 2;
        }
        if (slots == 0) {
            if (bad != NULL)
                *bad = i;
            return 0;
        }
        params[i].offset = offset;
        offset += 4u * (uint32_t)slots;
    }
    return offset;
}

size_t uvo_kit_array_elements_at(size_t words, uint32_t header_offset, int32_t element, uint32_t *index) {
    const size_t elements_at = header_offset / 4u + 2u; /* the in-place element */
    const size_t element_words = (size_t)(uvo_kit_param_slots(element) > 0 ? uvo_kit_param_slots(element) : 1);
    /* Elements go past the in-place one at a whole number of elements. */
    if (words < elements_at)
        words = elements_at;
    while ((words - elements_at) % element_words != 0)
        ++words;
    if (index != NULL)
        *index = (uint32_t)((words - elements_at) / element_words);
    return words;
}
