// Where shaders come from: the shader library (dlopen'ed, its functions found
// by exported name), the declarations that describe their parameter blocks,
// and the host's built-in shaders.  Also drives the shader lifecycle: version,
// shader init, instance init, ..., instance exit, shader exit.
#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "render/world.h"

namespace uvo_host {

struct RegistryError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class ShaderRegistry {
public:
    // Reads every declaration of `declarations_dir` and opens the shader
    // library at `library_path`, handing it the host module.  Throws
    // RegistryError with a message naming the file on failure.
    ShaderRegistry(const std::string &declarations_dir, const std::string &library_path);
    ~ShaderRegistry();
    ShaderRegistry(const ShaderRegistry &) = delete;
    ShaderRegistry &operator=(const ShaderRegistry &) = delete;

    // Gives every declaration a Tag in `db` (for query 89).
    void register_declarations(Database &db);

    // The code of shader `name`, found on first use; null with `why` filled
    // when there is no such shader.
    ShaderCode *find(const std::string &name, std::string &why);

    const std::map<std::string, Declaration> &declarations() const { return declarations_; }
    void *library() const { return library_; }
    const std::string &library_path() const { return library_path_; }

    // Lifecycle of every instance of the scene (and the shaders they use):
    // version check, shader init, instance init.  Call before rendering.
    void init_instances(Scene &scene);
    // Instance exit for every initialised instance, then shader exit.
    void exit_instances(Scene &scene);

private:
    std::map<std::string, Declaration> declarations_;
    std::map<std::string, std::unique_ptr<ShaderCode>> codes_;
    std::string library_path_;
    void *library_ = nullptr;
};

// Path of the shader library beside libuvo_host.so (by its soname, as
// installed and as built).
std::string default_library_path();
// The declarations at <dir of libuvo_host.so>/../share/uvo/shaders (as
// installed) where that exists, else the source tree's (a build tree).
std::string default_declarations_dir();

}  // namespace uvo_host
