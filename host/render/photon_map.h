// Photon maps: the photons the photon pass stored on diffuse surfaces, in a
// kd-tree over their positions (nanoflann), and the density estimate of the
// irradiance they stand for.
//
// A photon's power is its share of its light's power: the light's photon
// energy divided by the number of photons emitted for that light, so the sum
// over a map is a power (watts in the scene's units) and a density estimate
// an irradiance.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "scene/vecmath.h"

namespace uvo_host {

struct StoredPhoton {
    Vector3 position{};     // where it met the surface, internal space
    Vector3 direction{};    // unit direction it arrived along (towards the surface)
    Color power{};          // r, g, b power; a: its measure (options' photon weights)
};

class PhotonMap {
public:
    PhotonMap();
    ~PhotonMap();
    PhotonMap(const PhotonMap &) = delete;
    PhotonMap &operator=(const PhotonMap &) = delete;

    // Takes the photons and builds the tree over them.
    void build(std::vector<StoredPhoton> photons);

    size_t size() const { return photons_.size(); }
    bool empty() const { return photons_.empty(); }
    const std::vector<StoredPhoton> &photons() const { return photons_; }

    // Irradiance at `point` on a surface with unit normal `normal` (facing
    // the side the light arrives from): the power of the photons within r
    // that arrived on that side and lie near the tangent plane, over the
    // disc's area pi r^2.  r is the distance of the `nearest`-th nearest
    // photon, at most `radius`, so that dense caustics stay sharp and sparse
    // regions smooth; `nearest` 0 always takes `radius`.  Black for an empty
    // map or radius <= 0.
    Color irradiance(const Vector3 &point, const Vector3 &normal, float radius, int nearest = 0) const;

private:
    struct Tree;
    std::vector<StoredPhoton> photons_;
    std::unique_ptr<Tree> tree_;
};

// What a photon pass did.  Powers are in the measure of the render
// options' photon weights (w . rgb), summed over photons.
struct PhotonStats {
    uint64_t emitted = 0;           // photons that left their lights
    uint64_t traced = 0;            // photon rays traced (every segment)
    uint64_t stored = 0;            // photons stored, both maps
    uint64_t caustic = 0;           // of which in the caustic map
    double emitted_power = 0.0;
    double stored_power = 0.0;      // stored on diffuse surfaces (not a sink: they go on)
    double stored_power_sq = 0.0;   // sum over emitted photons of (their path's stored power)^2
    double escaped_power = 0.0;     // left the scene
    double absorbed_power = 0.0;    // arrived at a surface and not sent on
    double cut_power = 0.0;         // still travelling at the interaction limit
    double seconds = 0.0;
};

// The two maps of a render: photons that reached their first diffuse
// surface through specular or glossy reflections and transmissions only
// (caustic), and all others stored (global).  Together they hold every
// stored photon once.
struct PhotonMaps {
    PhotonMap caustic;
    PhotonMap global;
    float radius = 0.0f;    // largest search radius of the estimates, scene units
    int nearest = 0;        // photons per estimate (PhotonMap::irradiance)
    PhotonStats stats;
};

}  // namespace uvo_host
