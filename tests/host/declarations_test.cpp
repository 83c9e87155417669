// Declarations against the library's parameter lists: every declared
// parameter has the row's name and sits at the row's slot, in row order, and
// the block is as large as the struct.  A declaration file without a shader
// in the table fails too, so the two cannot drift apart.  Blocks filled
// from a scene: see the scene-loading tests.
#include <gtest/gtest.h>

#include <cstring>

#include "scene/declarations.h"
#include "scene/param_block.h"
#include "shader_declarations.h"
#include "test_paths.h"

using namespace uvo_host;
using namespace uvo;

namespace {

const ShaderDeclaration *library_declaration(const std::string &name) {
    for (const ShaderDeclaration &shader : shader_declarations)
        if (name == shader.name)
            return &shader;
    return nullptr;
}

std::map<std::string, Declaration> shipped() {
    return load_declarations(std::string(UVO_SOURCE_DIR) + "/share/uvo/shaders");
}

}  // namespace

TEST(Declarations, MatchTheLibraryParameterLists) {
    const auto declarations = shipped();
    ASSERT_EQ(declarations.size(), std::size(shader_declarations));
    for (const auto &[name, decl] : declarations) {
        const ShaderDeclaration *expected = library_declaration(name);
        ASSERT_NE(expected, nullptr) << "share/uvo/shaders/" << name << ".json names no shader of the library";
        EXPECT_EQ(decl.version, expected->version) << name << ": version";
        EXPECT_EQ(decl.block_size, expected->block_size) << name << ": block size";
        ASSERT_EQ(decl.parameters.size(), expected->rows.size()) << name << ": parameter count";
        for (size_t i = 0; i < decl.parameters.size(); ++i) {
            EXPECT_EQ(decl.parameters[i].name, expected->rows[i].name) << name << ": parameter " << i;
            EXPECT_EQ(decl.parameters[i].offset, 4u * expected->rows[i].slot) << name << "." << expected->rows[i].name;
            EXPECT_STRNE(expected->rows[i].description, "") << name << "." << expected->rows[i].name;
        }
    }
}

TEST(Declarations, RejectBrokenFiles) {
    auto fails = [](const char *text, const char *needle) {
        try {
            parse_declaration(nlohmann::json::parse(text));
        } catch (const DeclarationError &e) {
            EXPECT_NE(std::string(e.what()).find(needle), std::string::npos) << e.what();
            return;
        }
        ADD_FAILURE() << "accepted: " << text;
    };
    fails(R"({"version": 1})", "name");
    fails(R"({"name": "x", "parameters": [{"name": "a", "type": "quaternion"}]})", "unknown type");
    fails(R"({"name": "x", "parameters": [{"name": "a", "type": "array", "element": "array"}]})", "element");
    fails(R"({"name": "x", "parameters": [{"name": "a", "type": "scalar"}, {"name": "a", "type": "color"}]})",
          "twice");
}

TEST(ParamBlock, LiteralsConvertByType) {
    std::vector<uint32_t> words;
    std::string why;
    EXPECT_TRUE(json_to_words(nlohmann::json::parse("[1, 0.5, 0.25]"), ParamType::Color, words, why));
    ASSERT_EQ(words.size(), 4u);
    float alpha;
    std::memcpy(&alpha, &words[3], 4);
    EXPECT_EQ(alpha, 1.0f) << "alpha defaults to 1";
    EXPECT_FALSE(json_to_words(nlohmann::json::parse("[1, 2]"), ParamType::Vector, words, why));
    EXPECT_FALSE(json_to_words(nlohmann::json::parse("1.5"), ParamType::Integer, words, why));
    EXPECT_FALSE(json_to_words(nlohmann::json::parse("1"), ParamType::Boolean, words, why));
    EXPECT_TRUE(json_to_words(nlohmann::json::parse("-3"), ParamType::Integer, words, why));
    EXPECT_EQ(static_cast<int32_t>(words[0]), -3);
}
