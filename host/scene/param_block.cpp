#include "scene/param_block.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

#include "uvo/kit.h"

namespace uvo_host {

namespace {

uint32_t float_word(double value) {
    const float f = static_cast<float>(value);
    uint32_t w;
    std::memcpy(&w, &f, sizeof w);
    return w;
}

// Whether every number converts to a finite float (values beyond the float
// range would become infinities).
bool in_float_range(const std::vector<double> &numbers, std::string &why) {
    for (double n : numbers)
        if (!(std::fabs(n) <= FLT_MAX)) {
            why = "the number " + nlohmann::json(n).dump() + " is beyond single-precision range";
            return false;
        }
    return true;
}

bool number_list(const nlohmann::json &value, size_t min, size_t max, std::vector<double> &out) {
    if (!value.is_array() || value.size() < min || value.size() > max)
        return false;
    for (const auto &v : value) {
        if (!v.is_number())
            return false;
        out.push_back(v.get<double>());
    }
    return true;
}

}  // namespace

bool json_to_words(const nlohmann::json &value, ParamType type, std::vector<uint32_t> &words, std::string &why) {
    words.clear();
    std::vector<double> numbers;
    switch (type) {
    case ParamType::Boolean:
        if (!value.is_boolean()) {
            why = "expected true or false";
            return false;
        }
        words.push_back(value.get<bool>() ? 1u : 0u);
        return true;
    case ParamType::Integer:
        if (!value.is_number_integer()) {
            why = "expected an integer";
            return false;
        }
        if (value.is_number_unsigned() ? value.get<uint64_t>() > std::numeric_limits<int32_t>::max()
                                       : value.get<int64_t>() < std::numeric_limits<int32_t>::min() ||
                                             value.get<int64_t>() > std::numeric_limits<int32_t>::max()) {
            why = "the integer " + value.dump() + " is beyond the 32-bit range";
            return false;
        }
        words.push_back(static_cast<uint32_t>(value.get<int32_t>()));
        return true;
    case ParamType::Scalar:
        if (!value.is_number()) {
            why = "expected a number";
            return false;
        }
        numbers.push_back(value.get<double>());
        if (!in_float_range(numbers, why))
            return false;
        words.push_back(float_word(numbers[0]));
        return true;
    case ParamType::Color:
        if (!number_list(value, 3, 4, numbers)) {
            why = "expected a colour: [r, g, b] or [r, g, b, a]";
            return false;
        }
        if (numbers.size() == 3)
            numbers.push_back(1.0);
        if (!in_float_range(numbers, why))
            return false;
        for (double n : numbers)
            words.push_back(float_word(n));
        return true;
    case ParamType::Vector:
        if (!number_list(value, 3, 3, numbers)) {
            why = "expected a vector: [x, y, z]";
            return false;
        }
        if (!in_float_range(numbers, why))
            return false;
        for (double n : numbers)
            words.push_back(float_word(n));
        return true;
    default:
        why = std::string("a ") + param_type_name(type) + " value cannot be given as a literal";
        return false;
    }
}

BlockBuilder::BlockBuilder(const Declaration &declaration)
    : declaration_(declaration), block_(declaration.block_size / 4, 0u), arrays_(declaration.parameters.size()) {
    for (const ParamDecl &p : declaration.parameters) {
        if (p.default_value.is_null())
            continue;
        std::vector<uint32_t> words;
        std::string why;
        if (p.type == ParamType::Array || !json_to_words(p.default_value, p.type, words, why))
            throw DeclarationError(declaration.name + ": default of \"" + p.name + "\": " +
                                   (why.empty() ? "arrays take no default" : why));
        set(p, words);
    }
}

void BlockBuilder::set(const ParamDecl &parameter, const std::vector<uint32_t> &words) {
    const size_t first = parameter.offset / 4;
    for (size_t k = 0; k < words.size() && first + k < block_.size(); ++k)
        block_[first + k] = words[k];
}

void BlockBuilder::set_array(const ParamDecl &parameter, const std::vector<uint32_t> &elements) {
    const size_t index = static_cast<size_t>(&parameter - declaration_.parameters.data());
    arrays_[index] = elements;
}

void BlockBuilder::connect(const ParamDecl &parameter, ShaderInstance *source) {
    connections_.push_back(Connection{parameter.offset, parameter.type, source});
}

void BlockBuilder::finish(ShaderInstance &instance) const {
    std::vector<uint32_t> words = block_;
    for (size_t i = 0; i < declaration_.parameters.size(); ++i) {
        const ParamDecl &p = declaration_.parameters[i];
        if (p.type != ParamType::Array)
            continue;
        const size_t element_words = static_cast<size_t>(param_slots(p.element));
        const size_t header = p.offset / 4;          // index, count, then elements[0]
        uint32_t index = 0;
        words.resize(uvo_kit_array_elements_at(words.size(), p.offset, static_cast<int32_t>(p.element), &index), 0u);
        const std::vector<uint32_t> &elements = arrays_[i];
        words.insert(words.end(), elements.begin(), elements.end());
        words[header] = index;
        words[header + 1] = static_cast<uint32_t>(elements.size() / element_words);
    }
    if (words.empty())
        words.push_back(0u);  // a shader without parameters still gets a non-null block
    const uint32_t total = static_cast<uint32_t>(words.size() * 4);
    uint32_t connection_offset = 0;
    if (!connections_.empty()) {
        connection_offset = total;
        words.resize(words.size() * 2, 0u);
        for (const Connection &c : connections_)
            words[(total + c.offset) / 4] = 1u;
    }
    instance.words = std::move(words);
    instance.connections = connections_;
    instance.record.declaration = declaration_.tag;
    instance.record.connection_offset = connection_offset;
    instance.record.parameters = instance.words.data();
    instance.record.host = &instance;
}

}  // namespace uvo_host
