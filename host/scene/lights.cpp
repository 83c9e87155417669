#include "scene/lights.h"

namespace uvo_host {

void setup_light(Light &light) {
    const float *m = light.to_world.m;
    light.position = transform_point(m, light.record.origin);
    light.direction = normalize(transform_vector(m, light.record.direction));
    light.edge_u = transform_vector(m, light.record.edge_u);
    light.edge_v = transform_vector(m, light.record.edge_v);
    light.area = light.record.area == UVO_AREA_RECTANGLE ? length(cross(light.edge_u, light.edge_v)) : 0.0f;
}

LightSample sample_light(const Light &light, const Vector3 &point, double u, double v) {
    LightSample s;
    if (light.record.kind == UVO_LIGHT_DIRECTIONAL) {
        s.direction = -light.direction;
        s.distance = kDirectionalDistance;
        s.position = point + s.direction * s.distance;
        s.color = light.emission;
        s.color.a = 1.0f;
        return s;
    }
    Vector3 position = light.position;
    if (light.record.area == UVO_AREA_RECTANGLE)
        position = position + light.edge_u * static_cast<float>(u - 0.5) + light.edge_v * static_cast<float>(v - 0.5);
    const Vector3 to_light = position - point;
    const float d2 = dot(to_light, to_light);
    s.position = position;
    s.distance = std::sqrt(d2);
    s.direction = s.distance > 0.0f ? to_light * (1.0f / s.distance) : Vector3{0, 0, 1};
    if (d2 <= 0.0f)
        return s;
    float factor = 1.0f / d2;
    if (light.record.area == UVO_AREA_RECTANGLE) {
        const float cos_light = -dot(s.direction, light.direction);
        if (cos_light <= 0.0f)
            return s;
        factor *= cos_light * light.area;
    }
    s.color = Color{light.emission.r * factor, light.emission.g * factor, light.emission.b * factor, 1.0f};
    return s;
}

}  // namespace uvo_host
