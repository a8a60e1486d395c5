#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace brindlow {

// Thrown by strict decoders; caught by readJSON, never escapes a file read.
struct DecodeError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Stored types provide two free functions found by argument-dependent lookup:
//   nlohmann::json toJSON(const T&);
//   void fromJSON(const nlohmann::json&, T&);   // throws DecodeError
// Helpers below cover the plain shapes.

namespace json {

// The member `key` of an object, or nothing when it is missing or null.
inline const nlohmann::json* member(const nlohmann::json& object, std::string_view key) {
    if (!object.is_object()) throw DecodeError("Expected an object");
    const auto found = object.find(key);
    if (found == object.end() || found->is_null()) return nullptr;
    return &*found;
}

inline const nlohmann::json& required(const nlohmann::json& object, std::string_view key) {
    const nlohmann::json* value = member(object, key);
    if (!value) throw DecodeError("No value for key \"" + std::string(key) + "\"");
    return *value;
}

inline double asDouble(const nlohmann::json& value, std::string_view key) {
    if (!value.is_number()) throw DecodeError("Expected a number for \"" + std::string(key) + "\"");
    const double number = value.get<double>();
    if (!std::isfinite(number))
        throw DecodeError("Number out of range for \"" + std::string(key) + "\"");
    return number;
}

// An integral number that fits 64 bits; a fraction or an out-of-range value
// fails instead of being converted (converting such a double is undefined).
inline std::int64_t asInt(const nlohmann::json& value, std::string_view key) {
    // is_number_integer() holds for unsigned values too, so those go first.
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (number <= std::uint64_t(std::numeric_limits<std::int64_t>::max()))
            return std::int64_t(number);
    } else if (value.is_number_integer()) {
        return value.get<std::int64_t>();
    } else if (value.is_number_float()) {
        const double number = value.get<double>();
        if (std::isfinite(number) && std::trunc(number) == number && number >= -9.2e18 &&
            number <= 9.2e18)
            return static_cast<std::int64_t>(number);
    }
    throw DecodeError("Expected an integer for \"" + std::string(key) + "\"");
}

inline bool asBool(const nlohmann::json& value, std::string_view key) {
    if (!value.is_boolean())
        throw DecodeError("Expected true or false for \"" + std::string(key) + "\"");
    return value.get<bool>();
}

inline const std::string& asString(const nlohmann::json& value, std::string_view key) {
    if (!value.is_string()) throw DecodeError("Expected text for \"" + std::string(key) + "\"");
    return value.get_ref<const std::string&>();
}

}  // namespace json

inline nlohmann::json toJSON(double value) {
    return value;
}
inline void fromJSON(const nlohmann::json& value, double& out) {
    out = json::asDouble(value, "value");
}

inline nlohmann::json toJSON(const std::map<std::string, double>& values) {
    nlohmann::json object = nlohmann::json::object();
    for (const auto& [key, number] : values) object[key] = number;
    return object;
}
inline void fromJSON(const nlohmann::json& value, std::map<std::string, double>& out) {
    if (!value.is_object()) throw DecodeError("Expected an object");
    out.clear();
    for (const auto& [key, number] : value.items()) out[key] = json::asDouble(number, key);
}

template <typename T>
nlohmann::json toJSON(const std::vector<T>& values) {
    nlohmann::json array = nlohmann::json::array();
    for (const auto& element : values) array.push_back(toJSON(element));
    return array;
}
template <typename T>
void fromJSON(const nlohmann::json& value, std::vector<T>& out) {
    if (!value.is_array()) throw DecodeError("Expected an array");
    out.clear();
    out.reserve(value.size());
    for (const auto& element : value) {
        T decoded{};
        fromJSON(element, decoded);
        out.push_back(std::move(decoded));
    }
}

}  // namespace brindlow
