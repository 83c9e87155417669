#include "scene/declarations.h"

#include <filesystem>
#include <fstream>

namespace uvo_host {
namespace {

struct TypeName {
    ParamType type;
    const char *name;
    int slots;
};
constexpr TypeName kTypes[] = {
    {ParamType::Boolean, "boolean", 1}, {ParamType::Integer, "integer", 1},
    {ParamType::Scalar, "scalar", 1},   {ParamType::Color, "color", 4},
    {ParamType::Vector, "vector", 3},   {ParamType::Shader, "shader", 1},
    {ParamType::Light, "light", 1},     {ParamType::Texture, "texture", 1},
    {ParamType::String, "string", 1},   {ParamType::Array, "array", 3},
};

}  // namespace

bool param_type_from_name(const std::string &name, ParamType &type) {
    for (const TypeName &t : kTypes)
        if (name == t.name) {
            type = t.type;
            return true;
        }
    return false;
}

const char *param_type_name(ParamType type) {
    for (const TypeName &t : kTypes)
        if (t.type == type)
            return t.name;
    return "?";
}

int param_slots(ParamType type) {
    for (const TypeName &t : kTypes)
        if (t.type == type)
            return t.slots;
    return 1;
}

const ParamDecl *Declaration::find(const std::string &parameter) const {
    for (const ParamDecl &p : parameters)
        if (p.name == parameter)
            return &p;
    return nullptr;
}

Declaration parse_declaration(const nlohmann::json &json) {
    if (!json.is_object())
        throw DeclarationError("a declaration must be a JSON object");
    Declaration decl;
    if (!json.contains("name") || !json["name"].is_string())
        throw DeclarationError("\"name\" must be a string");
    decl.name = json["name"].get<std::string>();
    if (json.contains("version")) {
        if (!json["version"].is_number_integer())
            throw DeclarationError("\"version\" must be an integer");
        decl.version = json["version"].get<int32_t>();
    }
    if (json.contains("result")) {
        if (!json["result"].is_string())
            throw DeclarationError("\"result\" must be a string");
        decl.result = json["result"].get<std::string>();
    }
    uint32_t offset = 0;
    if (json.contains("parameters")) {
        if (!json["parameters"].is_array())
            throw DeclarationError("\"parameters\" must be an array");
        for (const auto &p : json["parameters"]) {
            ParamDecl param;
            if (!p.is_object() || !p.contains("name") || !p["name"].is_string())
                throw DeclarationError("every parameter needs a \"name\"");
            param.name = p["name"].get<std::string>();
            const std::string type = p.value("type", std::string());
            if (!param_type_from_name(type, param.type))
                throw DeclarationError("parameter \"" + param.name + "\" has unknown type \"" + type + "\"");
            if (param.type == ParamType::Array) {
                const std::string element = p.value("element", std::string());
                if (!param_type_from_name(element, param.element) || param.element == ParamType::Array)
                    throw DeclarationError("array \"" + param.name + "\" has bad element type \"" + element + "\"");
            }
            if (decl.find(param.name) != nullptr)
                throw DeclarationError("parameter \"" + param.name + "\" declared twice");
            if (p.contains("default"))
                param.default_value = p["default"];
            param.offset = offset;
            offset += 4u * static_cast<uint32_t>(param.type == ParamType::Array
                                                     ? 2 + param_slots(param.element)
                                                     : param_slots(param.type));
            decl.parameters.push_back(std::move(param));
        }
    }
    decl.block_size = offset;
    return decl;
}

std::map<std::string, Declaration> load_declarations(const std::string &directory) {
    namespace fs = std::filesystem;
    std::map<std::string, Declaration> result;
    std::error_code ec;
    if (!fs::is_directory(directory, ec))
        throw DeclarationError(directory + ": no such declarations directory");
    std::vector<fs::path> files;
    for (const auto &entry : fs::directory_iterator(directory))
        if (entry.path().extension() == ".json")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const fs::path &file : files) {
        std::ifstream in(file);
        nlohmann::json json;
        try {
            json = nlohmann::json::parse(in);
            Declaration decl = parse_declaration(json);
            const std::string name = decl.name;
            result.emplace(name, std::move(decl));
        } catch (const nlohmann::json::exception &e) {
            throw DeclarationError(file.string() + ": " + e.what());
        } catch (const DeclarationError &e) {
            throw DeclarationError(file.string() + ": " + e.what());
        }
    }
    return result;
}

}  // namespace uvo_host
