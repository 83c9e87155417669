#include "render/photon_map.h"

#include <nanoflann.hpp>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace uvo_host {

namespace {

// The dataset interface nanoflann reads the positions through.
struct PhotonCloud {
    const std::vector<StoredPhoton> *photons = nullptr;
    size_t kdtree_get_point_count() const { return photons->size(); }
    float kdtree_get_pt(size_t index, size_t dim) const {
        const Vector3 &p = (*photons)[index].position;
        return dim == 0 ? p.x : dim == 1 ? p.y : p.z;
    }
    template <class Box>
    bool kdtree_get_bbox(Box &) const {
        return false;
    }
};

using KdTree = nanoflann::KDTreeSingleIndexAdaptor<nanoflann::L2_Simple_Adaptor<float, PhotonCloud>, PhotonCloud, 3,
                                                   uint32_t>;

// A result set that sums as it visits, so a look-up allocates nothing.
template <class Visit>
struct VisitingSet {
    float radius_sq;
    Visit visit;
    size_t found = 0;
    size_t size() const { return found; }
    bool full() const { return true; }
    float worstDist() const { return radius_sq; }
    bool addPoint(float distance_sq, uint32_t index) {
        if (distance_sq < radius_sq) {
            ++found;
            visit(index);
        }
        return true;
    }
};

}  // namespace

struct PhotonMap::Tree {
    PhotonCloud cloud;
    KdTree index;
    explicit Tree(const std::vector<StoredPhoton> &photons)
        : cloud{&photons}, index(3, cloud, nanoflann::KDTreeSingleIndexAdaptorParams(16)) {
        index.buildIndex();
    }
};

PhotonMap::PhotonMap() = default;
PhotonMap::~PhotonMap() = default;

void PhotonMap::build(std::vector<StoredPhoton> photons) {
    tree_.reset();
    photons_ = std::move(photons);
    if (!photons_.empty())
        tree_ = std::make_unique<Tree>(photons_);
}

Color PhotonMap::irradiance(const Vector3 &point, const Vector3 &normal, float radius, int nearest) const {
    Color sum{0, 0, 0, 0};
    if (tree_ == nullptr || !(radius > 0.0f))
        return sum;
    const float query[3] = {point.x, point.y, point.z};
    if (nearest > 0) {
        // The k nearest photons set the radius where there are enough of
        // them within the largest one.
        thread_local std::vector<uint32_t> index;
        thread_local std::vector<float> distance_sq;
        index.resize(static_cast<size_t>(nearest));
        distance_sq.resize(static_cast<size_t>(nearest));
        const size_t found = tree_->index.knnSearch(query, static_cast<size_t>(nearest), index.data(),
                                                    distance_sq.data());
        if (found == static_cast<size_t>(nearest))
            radius = std::min(radius, std::sqrt(distance_sq[found - 1]));
    }
    // A disc rather than a ball: photons of a nearby surface at an angle (a
    // corner) are kept out by their distance from the tangent plane.
    const float slab = 0.25f * radius;
    auto visit = [&](uint32_t index) {
        const StoredPhoton &p = photons_[index];
        if (dot(p.direction, normal) >= 0.0f || std::fabs(dot(p.position - point, normal)) > slab)
            return;
        sum = sum + p.power;
    };
    // Just past the radius, so that the k-th photon itself counts.
    VisitingSet<decltype(visit)> set{radius * radius * 1.0001f, visit};
    tree_->index.findNeighbors(set, query, nanoflann::SearchParams(32, 0.0f, false));
    const float area = std::numbers::pi_v<float> * radius * radius;
    return Color{sum.r / area, sum.g / area, sum.b / area, 1.0f};
}

}  // namespace uvo_host
