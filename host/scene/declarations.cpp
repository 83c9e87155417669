#include "scene/declarations.h"

#include <filesystem>
#include <fstream>

#include "uvo/kit.h"

namespace uvo_host {

// ParamType follows the kit's UvoKitParamType value for value.
static_assert(static_cast<int>(ParamType::Boolean) == UVO_KIT_BOOLEAN &&
              static_cast<int>(ParamType::Vector) == UVO_KIT_VECTOR &&
              static_cast<int>(ParamType::String) == UVO_KIT_STRING &&
              static_cast<int>(ParamType::Array) == UVO_KIT_ARRAY);

bool param_type_from_name(const std::string &name, ParamType &type) {
    const int32_t t = uvo_kit_param_type_from_name(name.c_str());
    if (t < 0)
        return false;
    type = static_cast<ParamType>(t);
    return true;
}

const char *param_type_name(ParamType type) { return uvo_kit_param_type_name(static_cast<int32_t>(type)); }

int param_slots(ParamType type) {
    const int32_t slots = uvo_kit_param_slots(static_cast<int32_t>(type));
    return slots > 0 ? slots : 1;
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
            decl.parameters.push_back(std::move(param));
        }
    }
    std::vector<UvoKitParam> layout;
    for (const ParamDecl &p : decl.parameters)
        layout.push_back(UvoKitParam{static_cast<int32_t>(p.type), static_cast<int32_t>(p.element), 0});
    decl.block_size = uvo_kit_layout(layout.data(), layout.size(), nullptr);
    for (size_t i = 0; i < layout.size(); ++i)
        decl.parameters[i].offset = layout[i].offset;
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
