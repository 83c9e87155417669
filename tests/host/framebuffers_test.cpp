// User frame buffers without a render: sums over a pixel's samples, puts
// outside them, the output images that reach them, and the shader
// interface's accessor that finds them by name.
#include <gtest/gtest.h>

#include "color_check.h"
#include "render/framebuffers.h"

using namespace uvo_host;

namespace {

// A world whose camera (4 x 3) names two frame buffers.
struct FramebufferWorld {
    World world;
    FramebufferWorld() {
        Camera3 &camera = world.scene.camera;
        camera.camera.x_resolution = 4;
        camera.camera.y_resolution = 3;
        camera.framebuffers = {"depth", "raw"};
        camera.camera.frame_buffers = world.db.add(ElementKind::FramebufferSet, &camera.framebuffers);
        allocate_user_framebuffers(world);
        set_current_world(&world);
    }
    ~FramebufferWorld() { set_current_world(nullptr); }
};

using uvo_test::same;

}  // namespace

TEST(Framebuffers, PutsDuringAPixelAverageOverItsSamplesOthersLandDirectly) {
    FramebufferWorld f;
    World &world = f.world;
    begin_pixel_buffers(world, 2, 1);
    // Two of four samples put into "raw" at the pixel (any raster position
    // inside it); one put elsewhere lands directly.
    EXPECT_TRUE(put_user_framebuffer(world, 1, 2.1f, 1.9f, Color{1, 2, 3, 1}));
    EXPECT_TRUE(put_user_framebuffer(world, 1, 2.9f, 1.0f, Color{3, 2, 1, 1}));
    EXPECT_TRUE(put_user_framebuffer(world, 1, 0.5f, 0.5f, Color{7, 7, 7, 7}));
    EXPECT_FALSE(put_user_framebuffer(world, 2, 2.5f, 1.5f, Color{1, 1, 1, 1})) << "there is no buffer 2";
    EXPECT_FALSE(put_user_framebuffer(world, 1, 4.0f, 1.5f, Color{1, 1, 1, 1})) << "x = 4 is off the image";
    EXPECT_FALSE(put_user_framebuffer(world, 1, -0.5f, 1.5f, Color{1, 1, 1, 1})) << "x < 0 is off the image";
    EXPECT_TRUE(same(world.user_framebuffers[1].get(2, 1), Color{0, 0, 0, 0})) << "nothing lands before the pixel ends";
    end_pixel_buffers(world, 4);
    const Color averaged = world.user_framebuffers[1].get(2, 1);
    EXPECT_TRUE(same(averaged, Color{1, 1, 1, 0.5f})) << averaged.r << " " << averaged.g << " " << averaged.b << " "
                                                      << averaged.a;
    EXPECT_TRUE(same(world.user_framebuffers[1].get(0, 0), Color{7, 7, 7, 7}));
    EXPECT_TRUE(same(world.user_framebuffers[0].get(2, 1), Color{0, 0, 0, 0})) << "the other buffer is untouched";
    // After the pixel, puts land directly again.
    EXPECT_TRUE(put_user_framebuffer(world, 0, 2.5f, 1.5f, Color{5, 5, 5, 5}));
    EXPECT_TRUE(same(world.user_framebuffers[0].get(2, 1), Color{5, 5, 5, 5}));
}

TEST(Framebuffers, OutputImagesFromTwelveAreTheUserBuffers) {
    FramebufferWorld f;
    World &world = f.world;
    world.framebuffer = Image(4, 3);
    world.user_framebuffers[1].put(3, 2, Color{0.25f, 0.5f, 0.75f, 1});
    HostImage *raw = rx_output_image_open(nullptr, 13);
    ASSERT_NE(raw, nullptr);
    Color c{};
    rx_img_get_color(raw, &c, 3, 2);
    EXPECT_TRUE(same(c, Color{0.25f, 0.5f, 0.75f, 1}));
    HostImage *main = rx_output_image_open(nullptr, 0);
    ASSERT_NE(main, nullptr);
    rx_img_put_color(main, &c, 1, 1);
    EXPECT_TRUE(same(world.framebuffer.get(1, 1), c)) << "image 0 is the main buffer itself";
    EXPECT_EQ(rx_output_image_open(nullptr, 14), nullptr) << "only two user buffers";
    EXPECT_EQ(rx_output_image_open(nullptr, 5), nullptr) << "images 1 to 11 are not offered";
    rx_output_image_close(nullptr, 13);
    Color after{9, 9, 9, 9};
    rx_img_get_color(raw, &after, 3, 2);
    EXPECT_TRUE(same(after, Color{9, 9, 9, 9})) << "a closed image reads nothing";
    rx_output_image_close(nullptr, 0);
}

TEST(Framebuffers, ShaderInterfaceFindsBuffersByName) {
    FramebufferWorld f;
    EXPECT_EQ(rx_get_shader_interface(1), nullptr) << "only version 2 is offered";
    HostShaderInterface *host = rx_get_shader_interface(2);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->version, 2);
    EXPECT_EQ(host->framebuffers(host, 0), nullptr) << "Tag 0 is no frame-buffer set";
    HostFramebuffers *buffers = host->framebuffers(host, f.world.scene.camera.camera.frame_buffers);
    host->release(host);
    ASSERT_NE(buffers, nullptr);
    int32_t index = -1;
    EXPECT_TRUE(buffers->find(buffers, "raw", &index));
    EXPECT_EQ(index, 1);
    EXPECT_TRUE(buffers->find(buffers, "depth", &index));
    EXPECT_EQ(index, 0);
    index = 42;
    EXPECT_FALSE(buffers->find(buffers, "Raw", &index)) << "names are case-sensitive";
    EXPECT_EQ(index, 42) << "a failed lookup leaves the number alone";
    buffers->release(buffers);
}
