#include "portal/portal_model.h"

#include <cmath>
#include <numbers>

namespace uvo::portal {

namespace {

constexpr float pi = std::numbers::pi_v<float>;

// Angle subtended at `p` by an edge from -half to +half, measured in the
// plane that the edge's unit vector picks out.
float edge_angle(Vector3 p, Vector3 half, Vector3 unit) {
    const Vector3 a = normalized(Vector3{(p.x + half.x) * unit.x, (p.y + half.y) * unit.y, p.z + half.z});
    const Vector3 b = normalized(Vector3{(p.x - half.x) * unit.x, (p.y - half.y) * unit.y, p.z - half.z});
    // Rounding may push the dot of two unit vectors just past 1.
    const float c = dot(a, b);
    return std::acos(c > 1.0f ? 1.0f : (c < -1.0f ? -1.0f : c));
}

}  // namespace

float length(Vector3 a) { return std::sqrt(dot(a, a)); }

Vector3 normalized(Vector3 a) {
    const float l = length(a);
    return l != 0.0f ? scale(a, 1.0f / l) : a;
}

uint32_t portal_geometry_build(PortalGeometry *g, Vector3 edge_u, Vector3 edge_v, Vector3 direction, float scale_x,
                               float scale_y) {
    edge_u.x *= scale_x;
    edge_v.x *= scale_x;
    edge_u.y *= scale_y;
    edge_v.y *= scale_y;
    g->edge_u = edge_u;
    g->edge_v = edge_v;
    g->light_direction = direction;
    g->length_u = length(edge_u);
    g->length_v = length(edge_v);
    g->half_u = scale(edge_u, 0.5f);
    g->half_v = scale(edge_v, 0.5f);
    g->unit_u = normalized(edge_u);
    g->unit_v = normalized(edge_v);

    uint32_t faults = 0;
    if (direction.x != 0.0f || direction.y != 0.0f || direction.z == 0.0f)
        faults |= FAULT_DIRECTION;
    if (edge_u.z != 0.0f)
        faults |= FAULT_EDGE_U;
    if (edge_v.z != 0.0f)
        faults |= FAULT_EDGE_V;
    return faults;
}

float portal_geometric_weight(const PortalGeometry &g, Vector3 p) {
    const float r2 = p.x * p.x + p.y * p.y + p.z * p.z;
    const float r = std::sqrt(r2);
    const float a = g.length_u, b = g.length_v;
    float E = std::fabs(p.z / r) * a * b / r2 / pi;
    if (a + b > r) {
        const float w = r / (a + b);
        const float alpha_u = edge_angle(p, g.half_u, g.unit_u);
        const float alpha_v = edge_angle(p, g.half_v, g.unit_v);
        E = (alpha_u * alpha_v / pi) * (1.0f - w) + w * E;
    }
    return E;
}

Vector3 portal_rect_coordinate(const PortalGeometry &g, Vector3 p) {
    return Vector3{p.x / g.length_v + 0.5f, p.y / g.length_u + 0.5f, 0.0f};
}

Vector3 portal_photon_origin(const PortalGeometry &g, double m1, double m2) {
    return add(scale(g.edge_v, static_cast<float>(m2 - 0.5)), scale(g.edge_u, static_cast<float>(m1 - 0.5)));
}

bool cutoff_needs_draw(float L, float cutoff) { return cutoff < 0.0f && L <= std::fabs(cutoff); }

CutoffOutcome luminance_cutoff(float L, float cutoff, double u) {
    const float a = std::fabs(cutoff);
    if (L > a) {
        if (cutoff >= 0.0f && 5.0f * a > L)
            return {true, (L - a) / (4.0f * a)};
        return {true, 1.0f};
    }
    if (cutoff >= 0.0f)
        return {false, 0.0f};
    const float ratio = L / a;
    if (!(ratio > u) || !(ratio > a / 50.0f))
        return {false, 0.0f};
    return {true, 1.0f / ratio};
}

}  // namespace uvo::portal
