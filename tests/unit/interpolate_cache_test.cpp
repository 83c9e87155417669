// The interpolation cache as plain data.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "interpolate/point_cache.h"

namespace {

Camera camera(int32_t xres, int32_t yres, float focal, float aperture, float aspect, bool orthographic) {
    Camera c{};
    c.x_resolution = xres;
    c.y_resolution = yres;
    c.focal = focal;
    c.aperture = aperture;
    c.aspect = aspect;
    c.orthographic = orthographic;
    return c;
}

}  // namespace

TEST(InterpolateCache, DensityCodesGiveTheGridOfTheCamera) {
    const struct {
        int32_t density;
        float scale;
        int32_t width, height;
    } cases[] = {{0, 2.0f, 1280, 960}, {3, 1.0f / 3.0f, 213, 160}, {6, 0.5f, 320, 240}, {-1, 0.5f, 320, 240}};
    const Camera c = camera(640, 480, 1.0f, 1.0f, 4.0f / 3.0f, false);
    for (const auto &k : cases) {
        uvo::Undersampler u{};
        uvo::set_grid_geometry(&u, c, k.density);
        EXPECT_FLOAT_EQ(u.grid_scale, k.scale) << "density " << k.density;
        EXPECT_EQ(u.grid_width, k.width) << "density " << k.density;
        EXPECT_EQ(u.grid_height, k.height) << "density " << k.density;
    }
}

TEST(InterpolateCache, RasterPositionsMapOntoTheImagePlane) {
    // Perspective: the image plane at distance 1 spans aperture / focal, centred
    // on the image centre.  Orthographic: the plane spans the aperture itself.
    for (bool ortho : {false, true}) {
        Camera c = camera(640, 480, 2.0f, 1.0f, 4.0f / 3.0f, ortho);
        uvo::Undersampler u{};
        uvo::set_grid_geometry(&u, c, 1);
        const float width = ortho ? 1.0f : 0.5f;
        float px, py;
        uvo::image_plane_point(u, 640.0f, 480.0f, &px, &py);
        EXPECT_NEAR(px, width / 2.0f, 1e-6f) << "orthographic " << ortho;
        EXPECT_NEAR(py, width / (4.0f / 3.0f) / 2.0f, 1e-6f) << "orthographic " << ortho;
        // An image offset of 64 pixels moves the centre 64 pixels left.
        c.x_offset = 64.0f;
        uvo::set_grid_geometry(&u, c, 1);
        uvo::image_plane_point(u, 256.0f, 240.0f, &px, &py);
        EXPECT_NEAR(px, 0.0f, 1e-7f) << "orthographic " << ortho;
    }
}

TEST(InterpolateCache, SlotsAreReusedInTurnAndEvictTheirPreviousCell) {
    std::vector<uvo::CacheSlot> slots(uvo::cache_capacity, uvo::CacheSlot{});
    std::vector<uint16_t> index(40000, 0);
    uvo::Undersampler u{};
    u.grid_width = 200;
    u.grid_height = 200;
    u.cell_index = index.data();
    u.slots = slots.data();
    u.capacity = uvo::cache_capacity;
    u.cursor = uvo::first_slot;
    // Slots 2 to 32767 serve 32766 cells in order.
    for (int32_t cell = 0; cell < 32766; ++cell) {
        const int32_t n = uvo::claim_slot(&u, cell);
        ASSERT_EQ(n, cell + 2) << "cell " << cell;
        ASSERT_EQ(index[cell], n) << "cell " << cell;
        ASSERT_EQ(slots[n].owner, cell + 1) << "cell " << cell;
    }
    // The 32767th cell takes slot 2 back and leaves its first owner uncomputed.
    EXPECT_EQ(uvo::claim_slot(&u, 39999), 2);
    EXPECT_EQ(index[0], uvo::cell_uncomputed);
    EXPECT_EQ(index[1], 3);
    EXPECT_EQ(slots[2].owner, 40000);
}

TEST(InterpolateCache, WindowEdgesWeighByTheFractionalPosition) {
    // Columns 3..7 of a window around 5 (s = 2), fraction 0.25.
    const float expected[] = {0.75f, 1.0f, 1.0f, 1.0f, 0.25f};
    for (int32_t x = 3; x <= 7; ++x)
        EXPECT_FLOAT_EQ(uvo::edge_weight(x, 3, 7, 0.25f), expected[x - 3]) << "column " << x;
    EXPECT_FLOAT_EQ(uvo::edge_weight(5, 5, 5, 0.25f), 0.25f) << "one-cell window: the last-column rule";
}

TEST(InterpolateCache, SlotWeightFallsWithDistanceAndNormalDisagreement) {
    uvo::CacheSlot slot{};
    slot.point = Vector3{0.0f, 0.0f, -5.0f};
    slot.normal = Vector3{0.0f, 0.0f, 1.0f};
    const Vector3 up{0.0f, 0.0f, 1.0f};
    const float reach = 0.4f;
    // Distance: 1 at the slot, 0.5 at half the reach, 0 from the reach on.
    const struct {
        float d, weight;
    } distances[] = {{0.0f, 1.0f}, {0.2f, 0.5f}, {0.4f, 0.0f}};
    for (const auto &c : distances) {
        const Vector3 p{c.d, 0.0f, -5.0f};
        EXPECT_NEAR(uvo::slot_weight(slot, p, up, reach, 1.0f, 0.9f), c.weight, 1e-6f) << "distance " << c.d;
    }
    const Vector3 far{100.0f, 0.0f, -5.0f};
    EXPECT_FLOAT_EQ(uvo::slot_weight(slot, far, up, 0.0f, 1.0f, 0.9f), 1.0f) << "no reach: no distance limit";
    // Normals: agreement a maps [0.9, 1] onto [0, 1]; below 0.9 (about 25.8
    // degrees apart) nothing.
    for (auto [a, weight] : {std::pair{0.95f, 0.5f}, {0.89f, 0.0f}}) {
        const Vector3 n{std::sqrt(1.0f - a * a), 0.0f, a};
        EXPECT_NEAR(uvo::slot_weight(slot, slot.point, n, reach, 1.0f, 0.9f), weight, 1e-4f) << "agreement " << a;
    }
}
