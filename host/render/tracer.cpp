#include "render/tracer.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include <embree3/rtcore.h>

#include "render/host_messages.h"

namespace uvo_host {

Tracer::Tracer(Scene &scene) : scene_(scene) {
    RTCDevice device = rtcNewDevice("threads=1");
    if (device == nullptr)
        throw std::runtime_error("cannot create the ray tracing device");
    device_ = device;
    RTCScene rtc = rtcNewScene(device);
    rtcSetSceneBuildQuality(rtc, RTC_BUILD_QUALITY_HIGH);
    rtc_scene_ = rtc;

    Vector3 lo{INFINITY, INFINITY, INFINITY}, hi{-INFINITY, -INFINITY, -INFINITY};
    unsigned id = 0;
    for (Object &object : scene.objects) {
        object.geometry_id = id++;
        RTCGeometry geom = rtcNewGeometry(device, RTC_GEOMETRY_TYPE_TRIANGLE);
        const size_t nv = object.world_positions.size();
        float *vertices = static_cast<float *>(rtcSetNewGeometryBuffer(
            geom, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, 3 * sizeof(float), nv));
        for (size_t i = 0; i < nv; ++i) {
            const Vector3 &p = object.world_positions[i];
            vertices[3 * i] = p.x;
            vertices[3 * i + 1] = p.y;
            vertices[3 * i + 2] = p.z;
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
        }
        const size_t nt = object.mesh.triangle_count();
        unsigned *indices = static_cast<unsigned *>(rtcSetNewGeometryBuffer(
            geom, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, 3 * sizeof(unsigned), nt));
        std::copy(object.mesh.indices.begin(), object.mesh.indices.end(), indices);
        rtcCommitGeometry(geom);
        rtcAttachGeometryByID(rtc, geom, object.geometry_id);
        rtcReleaseGeometry(geom);
    }
    rtcCommitScene(rtc);
    if (scene.objects.empty()) {
        lo = hi = Vector3{0, 0, 0};
    }
    scene.box_min = lo;
    scene.box_max = hi;
    const float extent = std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z, 1e-3f});
    scene.scale = extent;
    epsilon_ = extent * 2e-5f;
}

Tracer::~Tracer() {
    rtcReleaseScene(static_cast<RTCScene>(rtc_scene_));
    rtcReleaseDevice(static_cast<RTCDevice>(device_));
}

bool Tracer::traceable(const Vector3 &origin, const Vector3 &direction, float t_near, float t_far) const {
    const auto ok = [](float c) { return std::fabs(c) < kRayLimit; };  // false for NaN and infinities
    if (ok(origin.x) && ok(origin.y) && ok(origin.z) && ok(direction.x) && ok(direction.y) && ok(direction.z) &&
        !is_zero(direction) && t_near >= 0.0f && t_near < kRayLimit && !std::isnan(t_far))
        return true;
    if (refused_.fetch_add(1, std::memory_order_relaxed) == 0)
        host_warning("a ray with origin (%g, %g, %g), direction (%g, %g, %g) and range [%g, %g] cannot be traced; "
                     "it and any like it count as misses",
                     origin.x, origin.y, origin.z, direction.x, direction.y, direction.z, t_near, t_far);
    return false;
}

RayHit Tracer::intersect(const Vector3 &origin, const Vector3 &direction, float t_near, float t_far) const {
    if (!traceable(origin, direction, t_near, t_far))
        return RayHit{};
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    RTCRayHit rh;
    rh.ray.org_x = origin.x;
    rh.ray.org_y = origin.y;
    rh.ray.org_z = origin.z;
    rh.ray.dir_x = direction.x;
    rh.ray.dir_y = direction.y;
    rh.ray.dir_z = direction.z;
    rh.ray.tnear = t_near;
    rh.ray.tfar = t_far;
    rh.ray.time = 0.0f;
    rh.ray.mask = 0xffffffffu;
    rh.ray.id = 0;
    rh.ray.flags = 0;
    rh.hit.geomID = RTC_INVALID_GEOMETRY_ID;
    rh.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
    rtcIntersect1(static_cast<RTCScene>(rtc_scene_), &context, &rh);
    RayHit hit;
    if (rh.hit.geomID == RTC_INVALID_GEOMETRY_ID)
        return hit;
    hit.hit = true;
    hit.distance = rh.ray.tfar;
    hit.object = &scene_.objects[rh.hit.geomID];
    hit.triangle = rh.hit.primID;
    hit.u = rh.hit.u;
    hit.v = rh.hit.v;
    return hit;
}

bool Tracer::occluded(const Vector3 &origin, const Vector3 &direction, float t_near, float t_far) const {
    if (!traceable(origin, direction, t_near, t_far))
        return false;
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    RTCRay ray;
    ray.org_x = origin.x;
    ray.org_y = origin.y;
    ray.org_z = origin.z;
    ray.dir_x = direction.x;
    ray.dir_y = direction.y;
    ray.dir_z = direction.z;
    ray.tnear = t_near;
    ray.tfar = t_far;
    ray.time = 0.0f;
    ray.mask = 0xffffffffu;
    ray.id = 0;
    ray.flags = 0;
    rtcOccluded1(static_cast<RTCScene>(rtc_scene_), &context, &ray);
    return ray.tfar < 0.0f;
}

}  // namespace uvo_host
