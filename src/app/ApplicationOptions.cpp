#include "app/ApplicationOptions.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace brindlow {

namespace {

// The toolkit's own and its X connection's, as each reads them: the name follows one dash, or two.
constexpr std::array<std::string_view, 16> kOptionsWithValue = {
    "display",     "name",    "visual",          "platform",  "platformpluginpath", "platformtheme",
    "plugin",      "session", "qwindowgeometry", "geometry",  "qwindowtitle",       "title",
    "qwindowicon", "icon",    "style",           "stylesheet"};
constexpr std::array<std::string_view, 6> kFlags = {"reverse", "testability", "widgetcount",
                                                    "nograb",  "dograb",      "sync"};
// Also taken in one word, as "-style=fusion".
constexpr std::array<std::string_view, 3> kJoinedValues = {"style", "stylesheet", "qmljsdebugger"};

bool contains(const auto& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The option's name without its one or two dashes; none for a word that is no option.
std::optional<std::string_view> optionName(std::string_view word) {
    if (word.size() < 2 || word[0] != '-') return std::nullopt;
    word.remove_prefix(word.starts_with("--") ? 2 : 1);
    if (word.empty()) return std::nullopt;
    return word;
}

}  // namespace

ApplicationOptions readApplicationOptions(const std::vector<std::string>& args) {
    ApplicationOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        const std::optional<std::string_view> name = optionName(word);
        if (!name) {
            options.error = "brindlow: unexpected word '" + word + "' (not an option)";
            return options;
        }
        if (contains(kFlags, *name)) continue;
        if (const auto equals = name->find('='); equals != std::string_view::npos) {
            if (contains(kJoinedValues, name->substr(0, equals))) continue;
        } else if (contains(kOptionsWithValue, *name)) {
            if (i + 1 == args.size()) {
                options.error = "brindlow: option '" + word + "' needs a value";
                return options;
            }
            ++i;
            if (*name == "display") options.display = args[i];
            if (*name == "platform") options.platform = args[i];
            continue;
        }
        options.error = "brindlow: unknown option '" + word + "'";
        return options;
    }
    return options;
}

}  // namespace brindlow
