// Reading a scene file (JSON, format in scenes/README.md) into a World:
// camera, render options, lights, objects with their materials, and every
// shader instance with its parameter block.  Nothing is rendered here.
//
// A scene that cannot be rendered stops the load with a SceneError whose
// message names the file, the JSON path of the offending value (as a JSON
// pointer, e.g. /objects/2/material/params/diffuse) and the problem.
#pragma once

#include <string>

#include "render/world.h"
#include "scene/scene_json.h"

namespace uvo_host {

class ShaderRegistry;

// Loads `path` into `world` (whose registry must be set and whose
// declarations registered).  Relative file names in the scene are taken from
// the scene file's directory.  Throws SceneError.
void load_scene(const std::string &path, World &world);

// Same for scene text already in memory; `name` stands for the file in
// messages and `directory` resolves relative file names.
void load_scene_text(const std::string &text, const std::string &name, const std::string &directory,
                     World &world);

}  // namespace uvo_host
