#include "scene/vecmath.h"

namespace uvo_host {

Mat4 frame(Vector3 x, Vector3 y, Vector3 z, Vector3 origin) {
    Mat4 r = Mat4::identity();
    const Vector3 rows[4] = {x, y, z, origin};
    for (int i = 0; i < 4; ++i) {
        r(i, 0) = rows[i].x;
        r(i, 1) = rows[i].y;
        r(i, 2) = rows[i].z;
    }
    return r;
}

}  // namespace uvo_host
