#include "settings/JSONEncoder.h"

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

#include "settings/UTF8.h"

namespace brindlow {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Length of the valid UTF-8 sequence starting at text[i], or 0 when invalid.
size_t validSequenceLength(std::string_view text, size_t i) {
    const std::optional<UTF8CodePoint> decoded = decodeUTF8(text, i);
    return decoded ? decoded->length : 0;
}

void appendString(std::string& out, std::string_view text) {
    out += '"';
    for (size_t i = 0; i < text.size();) {
        const size_t length = validSequenceLength(text, i);
        if (length == 0) {
            out += kReplacement;
            ++i;
            continue;
        }
        if (length > 1) {
            out.append(text.substr(i, length));
            i += length;
            continue;
        }
        const char c = text[i++];
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '/':
                out += "\\/";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(c));
                    out += buffer;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

bool appendNumber(std::string& out, double value, std::string* error) {
    if (!std::isfinite(value)) {
        if (error) *error = "Invalid number in JSON value";
        return false;
    }
    if (value == 0) {
        out += '0';  // also for -0
        return true;
    }
    char buffer[64];
    std::to_chars_result result;
    if (std::trunc(value) == value && std::fabs(value) < 1e17) {
        result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 0);
    } else {
        result = std::to_chars(buffer, buffer + sizeof buffer, value);
    }
    out.append(buffer, result.ptr);
    return true;
}

void indent(std::string& out, int depth) {
    out.append(static_cast<size_t>(depth) * 2, ' ');
}

bool append(std::string& out, const nlohmann::json& value, int depth, std::string* error) {
    using Type = nlohmann::json::value_t;
    switch (value.type()) {
        case Type::null:
            out += "null";
            return true;
        case Type::boolean:
            out += value.get<bool>() ? "true" : "false";
            return true;
        case Type::number_integer:
            out += std::to_string(value.get<std::int64_t>());
            return true;
        case Type::number_unsigned:
            out += std::to_string(value.get<std::uint64_t>());
            return true;
        case Type::number_float:
            return appendNumber(out, value.get<double>(), error);
        case Type::string:
            appendString(out, value.get_ref<const std::string&>());
            return true;
        case Type::array: {
            if (value.empty()) {
                out += "[]";
                return true;
            }
            out += "[\n";
            bool first = true;
            for (const auto& element : value) {
                if (!first) out += ",\n";
                first = false;
                indent(out, depth + 1);
                if (!append(out, element, depth + 1, error)) return false;
            }
            out += '\n';
            indent(out, depth);
            out += ']';
            return true;
        }
        case Type::object: {
            if (value.empty()) {
                out += "{}";
                return true;
            }
            // nlohmann's default object is a std::map: iteration is already in
            // byte-wise sorted key order.
            out += "{\n";
            bool first = true;
            for (const auto& [key, element] : value.items()) {
                if (!first) out += ",\n";
                first = false;
                indent(out, depth + 1);
                appendString(out, key);
                out += " : ";
                if (!append(out, element, depth + 1, error)) return false;
            }
            out += '\n';
            indent(out, depth);
            out += '}';
            return true;
        }
        case Type::binary:
        case Type::discarded:
            if (error) *error = "Value cannot be written as JSON";
            return false;
    }
    return false;
}

}  // namespace

std::string sanitizeUTF8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t length = validSequenceLength(text, i);
        if (length == 0) {
            out += kReplacement;
            ++i;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}

std::optional<std::string> encodeJSON(const nlohmann::json& value, std::string* error) {
    std::string out;
    if (!append(out, value, 0, error)) return std::nullopt;
    return out;
}

}  // namespace brindlow
