#include "app/URLRequest.h"

#include "settings/UTF8.h"

namespace brindlow {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

// The host of an authority "user@host:port"; bracketed IPv6 hosts keep their brackets.
std::string_view hostOf(std::string_view authority) {
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        authority.remove_prefix(at + 1);
    }
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        return close == std::string_view::npos ? authority : authority.substr(0, close + 1);
    }
    return authority.substr(0, authority.find(':'));
}

}  // namespace

bool looksLikeBrindlowURL(std::string_view text) {
    return text.size() > kURLScheme.size() && text.substr(0, kURLScheme.size()) == kURLScheme &&
           text[kURLScheme.size()] == ':';
}

std::optional<std::string> percentDecode(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            result += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        result += static_cast<char>(high * 16 + low);
        i += 2;
    }
    if (!isValidUTF8(result)) return std::nullopt;
    return result;
}

std::optional<std::vector<std::string>> urlArguments(std::string_view url) {
    if (!looksLikeBrindlowURL(url)) return std::nullopt;
    std::string_view rest = url.substr(kURLScheme.size() + 1);
    if (const std::size_t hash = rest.find('#'); hash != std::string_view::npos) {
        rest = rest.substr(0, hash);
    }
    std::optional<std::string_view> query;
    if (const std::size_t mark = rest.find('?'); mark != std::string_view::npos) {
        query = rest.substr(mark + 1);
        rest = rest.substr(0, mark);
    }
    // Without "//" there is no host: "brindlow:focus-left" names nothing.
    if (rest.substr(0, 2) != "//") return std::nullopt;
    rest.remove_prefix(2);
    const std::size_t slash = rest.find('/');
    const std::string_view authority = rest.substr(0, slash);
    const std::string_view path =
        slash == std::string_view::npos ? std::string_view() : rest.substr(slash);

    const auto host = percentDecode(hostOf(authority));
    if (!host || host->empty()) return std::nullopt;
    std::vector<std::string> words{*host};
    for (const std::string_view component : split(path, '/')) {
        if (component.empty()) continue;
        const auto word = percentDecode(component);
        if (!word) return std::nullopt;
        words.push_back(*word);
    }
    if (query) {
        for (const std::string_view item : split(*query, '&')) {
            const std::size_t equals = item.find('=');
            const auto name = percentDecode(item.substr(0, equals));
            if (!name) return std::nullopt;
            if (*name != "name") continue;
            // The first "name" item decides; one without a value adds nothing.
            if (equals != std::string_view::npos) {
                const auto value = percentDecode(item.substr(equals + 1));
                if (!value) return std::nullopt;
                words.push_back(*value);
            }
            break;
        }
    }
    return words;
}

std::optional<CLIRequest> requestForURL(std::string_view url) {
    auto words = urlArguments(url);
    if (!words) return std::nullopt;
    return CLIRequest{std::move(*words), std::nullopt};
}

}  // namespace brindlow
