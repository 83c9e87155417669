/* The integrator kit from C99 (-pedantic): refraction by Snell's law,
 * Ward's reciprocity, frames, inverses and one documented block layout.
 * Each failure prints its inputs. */
#include <math.h>
#include <stdio.h>

#include "uvo/kit.h"

static int failures = 0;
#define CHECK(cond, ...)                                  \
    do {                                                  \
        if (!(cond)) {                                    \
            fprintf(stderr, "failed: %s: ", #cond);       \
            fprintf(stderr, __VA_ARGS__);                 \
            fputc('\n', stderr);                          \
            ++failures;                                   \
        }                                                 \
    } while (0)

static Vector3 vec(float x, float y, float z) {
    Vector3 v;
    v.x = x;
    v.y = y;
    v.z = z;
    return v;
}

int main(void) {
    const Vector3 n = vec(0, 0, 1);
    int i;
    /* Snell's law, the way back, and total internal reflection (Fresnel has
     * its closed forms checked through the host in the services test). */
    for (i = 1; i < 9; ++i) {
        const float theta = (float)i * 0.17f, eta = 1.0f / 1.5f;
        const Vector3 d = vec(sinf(theta), 0, -cosf(theta));
        Vector3 t, back;
        const Boolean ok = uvo_kit_refract(d, n, eta, &t);
        CHECK(ok && fabsf(t.x - eta * d.x) < 1e-6f && t.z < 0, "theta %g: t (%g %g %g)", theta, t.x, t.y, t.z);
        CHECK(uvo_kit_refract(t, vec(0, 0, -1), 1.5f, &back) && fabsf(back.x - d.x) < 1e-5f, "theta %g", theta);
        if (theta > 0.73f) /* past asin(1 / 1.5) */
            CHECK(!uvo_kit_refract(d, n, 1.5f, &t), "theta %g", theta);
    }
    /* Ward's BRDF is reciprocal: swapping view and light leaves it alone. */
    {
        const Vector3 view = uvo_kit_normalize(vec(0.3f, -0.2f, -1)), light = uvo_kit_normalize(vec(-0.5f, 0.1f, 1));
        const float f = uvo_kit_ward_brdf(view, light, n, vec(1, 0, 0), vec(0, 1, 0), 4.0f, 12.0f);
        const float g = uvo_kit_ward_brdf(vec(-light.x, -light.y, -light.z), vec(-view.x, -view.y, -view.z), n,
                                          vec(1, 0, 0), vec(0, 1, 0), 4.0f, 12.0f);
        CHECK(f > 0 && fabsf(f - g) < 1e-5f * f, "f %g g %g", f, g);
    }
    /* Frames complete every normal, the method's pole -z included. */
    for (i = 0; i < 5; ++i) {
        const Vector3 m = uvo_kit_normalize(vec(0.1f * (float)i, -0.3f, i == 4 ? -1.0f : 1.0f - 0.5f * (float)i));
        Vector3 u, v, w;
        uvo_kit_orthonormal_basis(m, &u, &v);
        w = uvo_kit_cross(u, v);
        CHECK(fabsf(uvo_kit_dot(u, v)) < 1e-6f && fabsf(uvo_kit_dot(w, m) - 1.0f) < 1e-6f, "n %g %g %g", m.x, m.y,
              m.z);
    }
    {   /* A rotation, then a translation, undone by the inverse. */
        float r[16], t[16], m[16], inv[16], id[16], zero[16] = {0};
        const Vector3 p = vec(1, 2, 3);
        Vector3 q;
        uvo_kit_matrix_rotation(r, vec(1, 1, 0), 30.0f);
        uvo_kit_matrix_identity(t);
        t[12] = 5;
        t[14] = -2;
        uvo_kit_matrix_multiply(m, r, t);
        CHECK(uvo_kit_matrix_invert(inv, m), "invertible");
        uvo_kit_matrix_multiply(id, m, inv);
        for (i = 0; i < 16; ++i)
            CHECK(fabsf(id[i] - (i % 5 == 0 ? 1.0f : 0.0f)) < 1e-6f, "M * inverse [%d] = %g", i, id[i]);
        q = uvo_kit_transform_point(inv, uvo_kit_transform_point(m, p));
        CHECK(fabsf(q.x - 1) < 1e-5f && fabsf(q.y - 2) < 1e-5f && fabsf(q.z - 3) < 1e-5f, "q %g %g %g", q.x, q.y, q.z);
        CHECK(!uvo_kit_matrix_invert(inv, zero), "a singular matrix");
    }
    {   /* scalar, color, array of lights, vector: the layout of the declarations' README. */
        UvoKitParam p[4] = {{UVO_KIT_SCALAR, 0, 0}, {UVO_KIT_COLOR, 0, 0}, {UVO_KIT_ARRAY, UVO_KIT_LIGHT, 0},
                            {UVO_KIT_VECTOR, 0, 0}};
        uint32_t index = 99;
        const uint32_t size = uvo_kit_layout(p, 4, NULL);
        const size_t at = uvo_kit_array_elements_at(size / 4, p[2].offset, UVO_KIT_LIGHT, &index);
        CHECK(size == 44 && p[2].offset == 20 && p[3].offset == 32, "size %u", (unsigned)size);
        CHECK(at == 11 && index == 4, "at %u index %u", (unsigned)at, (unsigned)index);
        CHECK(uvo_kit_param_type_from_name("colour") == -1 && uvo_kit_param_type_from_name("vector") == UVO_KIT_VECTOR,
              "names");
    }
    printf("kit: %d failed\n", failures);
    return failures != 0;
}
