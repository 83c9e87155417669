// The current world.
#include "render/world.h"

namespace uvo_host {

namespace {
World *g_world = nullptr;
}  // namespace

World *current_world() { return g_world; }
void set_current_world(World *world) { g_world = world; }

}  // namespace uvo_host
