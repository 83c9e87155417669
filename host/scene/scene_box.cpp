#include "scene/scene_box.h"

#include <algorithm>

namespace uvo_host {

namespace {

void grow(Vector3 box[2], const Vector3 &p) {
    box[0] = Vector3{std::min(box[0].x, p.x), std::min(box[0].y, p.y), std::min(box[0].z, p.z)};
    box[1] = Vector3{std::max(box[1].x, p.x), std::max(box[1].y, p.y), std::max(box[1].z, p.z)};
}

}  // namespace

void scene_box(const Scene &scene, bool whole, Vector3 box[2]) {
    box[0] = scene.box_min;
    box[1] = scene.box_max;
    if (!whole)
        return;
    // Without objects the geometry box is a placeholder at the origin: the
    // first point replaces it instead of stretching it.
    bool empty = scene.objects.empty();
    auto add = [&](const Vector3 &p) {
        if (empty) {
            box[0] = box[1] = p;
            empty = false;
        } else {
            grow(box, p);
        }
    };
    add(transform_point(scene.camera.to_world.m, Vector3{0, 0, 0}));
    for (const Light &light : scene.lights) {
        if (light.record.kind == UVO_LIGHT_DIRECTIONAL)
            continue;
        if (light.record.area == UVO_AREA_RECTANGLE) {
            // The rectangle's four corners.
            for (float su : {-0.5f, 0.5f})
                for (float sv : {-0.5f, 0.5f})
                    add(light.position + light.edge_u * su + light.edge_v * sv);
        } else {
            add(light.position);
        }
    }
}

}  // namespace uvo_host
