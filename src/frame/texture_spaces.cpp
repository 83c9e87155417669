#include "frame/texture_spaces.h"

#include <atomic>

#include "frame/binding.h"

namespace uvo {

namespace {

// Vertex values a, b, c of texture space `index`, or false when the host
// has no such space.
bool space_vertices(ShadingState *state, int32_t index, Vector3 *&a, Vector3 *&b, Vector3 *&c) {
    a = b = c = nullptr;
    return rx_tri_vectors(state, 't', index, &a, &b, &c) && a != nullptr && b != nullptr && c != nullptr;
}

// Set once the limit warning has gone out.
std::atomic<bool> limit_reported{false};

}  // namespace

void fill_texture_spaces(ShadingState *state, Vector3 (&tex)[max_texture_spaces]) {
    state->tex_list = tex;
    state->tex_count = 0;
    Vector3 *a, *b, *c;
    for (int32_t i = 0; i < max_texture_spaces; ++i) {
        if (!space_vertices(state, i, a, b, c))
            break;
        const Vector3 w = state->bary;
        tex[i] = Vector3{a->x * w.x + b->x * w.y + c->x * w.z, a->y * w.x + b->y * w.y + c->y * w.z,
                         a->z * w.x + b->z * w.y + c->z * w.z};
        state->tex_count = i + 1;
    }
    if (state->tex_count == max_texture_spaces && space_vertices(state, max_texture_spaces, a, b, c) &&
        !limit_reported.exchange(true, std::memory_order_relaxed))
        rx_warning("uvo: a surface has more than %d texture spaces; the library fills the first %d only",
                   max_texture_spaces, max_texture_spaces);
    if (state->tex_count > 0)
        state->tex = tex[0];
}

}  // namespace uvo
