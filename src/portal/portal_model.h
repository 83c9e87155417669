// The portal light's geometry and sample arithmetic, free of host calls.
//
// Frame: the light's own frame with its transform's scale taken out ("the
// light's unscaled frame").  The opening is the rectangle spanned by the two
// edge vectors around the frame's origin in its z = 0 plane; it emits towards
// -z (towards +z with the side sign s = -1, `reverse_side`).  Every quantity
// here is single precision, like the host's records.
#pragma once

#include <cstdint>

#include "uvo/host_interface.h"

namespace uvo::portal {

// The opening's rectangle in the unscaled frame.  Filled once per light
// instance by portal_geometry_build, read-only afterwards.
struct PortalGeometry {
    Vector3 edge_u;           // first edge, x and y scaled by the transform's x and y scale
    Vector3 half_u;           // edge_u / 2
    Vector3 unit_u;           // edge_u normalised (unchanged when its length is 0)
    Vector3 edge_v;           // second edge, scaled likewise
    Vector3 half_v;
    Vector3 unit_v;
    Vector3 light_direction;  // direction of emission as the host reports it (light space)
    float length_u;           // |edge_u|, scene units
    float length_v;           // |edge_v|
};

// What is wrong with a light's geometry: bits of portal_geometry_build's result.
enum GeometryFault : uint32_t {
    FAULT_DIRECTION = 1u,  // direction is not (0, 0, z) with z != 0
    FAULT_EDGE_U = 2u,     // edge_u has a z component
    FAULT_EDGE_V = 4u,     // edge_v has a z component
};

// The rx_error text of each fault, in the order the checks run.
inline constexpr const char *fault_direction_message = "Shader 'uvo_portal_light': Light direction must be 0 0 z";
inline constexpr const char *fault_edge_u_message = "Shader 'uvo_portal_light': Light U direction must be x y 0";
inline constexpr const char *fault_edge_v_message = "Shader 'uvo_portal_light': Light V direction must be x y 0";

inline Vector3 add(Vector3 a, Vector3 b) { return Vector3{a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vector3 sub(Vector3 a, Vector3 b) { return Vector3{a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vector3 scale(Vector3 a, float s) { return Vector3{a.x * s, a.y * s, a.z * s}; }
inline float dot(Vector3 a, Vector3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float length(Vector3 a);
// `a` / |a|, or `a` unchanged when its length is 0.
Vector3 normalized(Vector3 a);

// Fills `g` from the light's edges and direction as the host reports them
// (light space) and the x and y scale of the light's transform (the lengths
// of its x and y axes in internal space).  Returns the GeometryFault bits of
// the checks; `g` is complete whatever they say.
uint32_t portal_geometry_build(PortalGeometry *g, Vector3 edge_u, Vector3 edge_v, Vector3 direction, float scale_x,
                               float scale_y);

// True when the point `p` (unscaled frame) lies on the emitting side of the
// opening for side sign `side` (+1 emits towards -z, -1 towards +z).
inline bool portal_lit_side(Vector3 p, float side) { return p.z * side < 0.0f; }

// Geometric weight of the opening seen from `p` (unscaled frame, emitting
// side): the scale of one light sample's radiance, so that a lit point
// receives about weight x radiance x its own cosine.
//   Far field:  E = |cos theta| x area / r^2 / pi, theta the angle between
//               the opening's normal and p (the projected solid angle over pi
//               of a small rectangle).
//   Near field (length_u + length_v > r): the product of the angles that the
//               two edges subtend, over pi, blended with the far field by
//               w = r / (length_u + length_v), so the two meet at r = a + b.
// Cheap on purpose: only the near field pays for two arc cosines.
float portal_geometric_weight(const PortalGeometry &g, Vector3 p);

// Rectangle coordinate of a point `p` of the unscaled frame: (p.x / length_v
// + 0.5, p.y / length_u + 0.5, 0).  The x coordinate goes with the second
// edge's length and y with the first's; textures on the opening's parameters
// see this as their texture coordinate.
Vector3 portal_rect_coordinate(const PortalGeometry &g, Vector3 p);

// A photon's start point on the opening (unscaled frame) from two numbers in
// [0, 1): edge_v x (m2 - 0.5) + edge_u x (m1 - 0.5).
Vector3 portal_photon_origin(const PortalGeometry &g, double m1, double m2);

// The luminance cut-off of one light sample of luminance L, for the
// parameter value `cutoff` (a = |cutoff|):
//   L > a:              kept; with cutoff >= 0 and L < 5a scaled by (L - a) / 4a,
//                       so samples fade in between a and 5a;
//   L <= a, cutoff >= 0: dropped;
//   L <= a, cutoff < 0:  Russian roulette on ratio = L / a with the number u:
//                       kept, scaled by 1 / ratio, when ratio > u and ratio > a / 50.
// cutoff_needs_draw says whether the decision uses u (the caller draws it
// only then).
struct CutoffOutcome {
    bool keep;
    float scale;  // factor on the sample's colour when kept
};
bool cutoff_needs_draw(float L, float cutoff);
CutoffOutcome luminance_cutoff(float L, float cutoff, double u);

}  // namespace uvo::portal
