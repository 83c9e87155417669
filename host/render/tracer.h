// Ray queries against the scene's triangles with Embree 3.  Geometry is
// handed over in internal (world) space; one Embree geometry per object, its
// id being the object's index.
#pragma once

#include <atomic>
#include <cstdint>
#include <limits>

#include "scene/scene.h"

namespace uvo_host {

struct RayHit {
    bool hit = false;
    float distance = 0.0f;
    const Object *object = nullptr;
    uint32_t triangle = 0;
    float u = 0.0f, v = 0.0f;          // barycentrics of vertices 1 and 2
};

class Tracer {
public:
    // Builds the acceleration structure over every object of the scene and
    // sets the objects' geometry ids and the scene's bounds and scale.
    explicit Tracer(Scene &scene);
    ~Tracer();
    Tracer(const Tracer &) = delete;
    Tracer &operator=(const Tracer &) = delete;

    // Both queries first check the ray: an origin or direction with a
    // non-finite component or one beyond kRayLimit, a zero direction, or a
    // NaN or negative range is not traced (a shader can make such a ray; the
    // intersector must never see one).  It counts as a miss (not occluded),
    // is counted, and the first one warns.
    static constexpr float kRayLimit = 1e18f;
    uint64_t refused_rays() const { return refused_.load(std::memory_order_relaxed); }

    // Nearest hit along origin + t * direction for t in (t_near, t_far).
    RayHit intersect(const Vector3 &origin, const Vector3 &direction, float t_near,
                     float t_far = std::numeric_limits<float>::infinity()) const;
    // Whether anything lies on the segment (t_near, t_far).
    bool occluded(const Vector3 &origin, const Vector3 &direction, float t_near, float t_far) const;

    // Offset that moves ray origins off the surface they start on.
    float epsilon() const { return epsilon_; }

private:
    Scene &scene_;
    void *device_ = nullptr;  // RTCDevice
    void *rtc_scene_ = nullptr;  // RTCScene
    float epsilon_ = 1e-4f;
    mutable std::atomic<uint64_t> refused_{0};
    bool traceable(const Vector3 &origin, const Vector3 &direction, float t_near, float t_far) const;
};

}  // namespace uvo_host
