// The scene's bounding boxes, as queries 120 and 122 answer them.
//
// - geometry box (query 122): the internal-space box of every object's
//   triangles, as the tracer measured them (Scene::box_min, box_max);
// - whole box (query 120): the geometry box grown to hold the camera's
//   position and the position of every light that has one (directional
//   lights sit at infinity and add nothing).
//
// Which one a shader asks for follows the render options' bounding-box flag
// (RenderOptions::box_all, scene option "scene_box").
#pragma once

#include "scene/scene.h"

namespace uvo_host {

// Lower and upper corner of the chosen box into box[0] and box[1].  A scene
// with nothing in it gives the empty box at the origin.
void scene_box(const Scene &scene, bool whole, Vector3 box[2]);

}  // namespace uvo_host
