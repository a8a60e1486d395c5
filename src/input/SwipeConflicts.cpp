#include "input/SwipeConflicts.h"

#include <QString>
#include <QXmlStreamReader>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>
#include <sstream>

#include "platform/RunningProcesses.h"

namespace brindlow {

namespace {

std::string lower(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return result;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

bool isSideways(std::string_view direction) {
    const std::string d = lower(direction);
    return d == "left" || d == "right";
}

std::optional<int> number(std::string_view text) {
    if (text.empty() ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }))
        return std::nullopt;
    return std::atoi(std::string(text).c_str());
}

// A YAML key at the start of a line ("  3:", "'3':", "left:"), without quotes; none for other
// lines.
std::optional<std::string> yamlKey(std::string_view content) {
    const std::size_t colon = content.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    std::string_view key = trimmed(content.substr(0, colon));
    if (key.size() >= 2 && (key.front() == '\'' || key.front() == '"') &&
        key.back() == key.front()) {
        key = key.substr(1, key.size() - 2);
    }
    if (key.empty() || key.front() == '-') return std::nullopt;
    return std::string(key);
}

struct Daemon {
    std::string_view name;
    // Configuration files in the order the daemon itself prefers them.
    std::vector<std::filesystem::path> (*configurations)(const SwipeConflictSources&);
    bool (*bindsSideways)(std::string_view, int);
};

std::vector<std::filesystem::path> toucheggFiles(const SwipeConflictSources& s) {
    return {s.userConfig / "touchegg" / "touchegg.conf",
            s.sharedData / "touchegg" / "touchegg.conf"};
}
std::vector<std::filesystem::path> libinputGesturesFiles(const SwipeConflictSources& s) {
    return {s.userConfig / "libinput-gestures.conf", s.systemConfig / "libinput-gestures.conf"};
}
std::vector<std::filesystem::path> fusumaFiles(const SwipeConflictSources& s) {
    return {s.userConfig / "fusuma" / "config.yml", s.userConfig / "fusuma" / "config.yaml"};
}

const std::vector<Daemon>& daemons() {
    static const std::vector<Daemon> known = {
        {"touchegg", toucheggFiles, toucheggBindsSideways},
        {"libinput-gestures", libinputGesturesFiles, libinputGesturesBindsSideways},
        {"fusuma", fusumaFiles, fusumaBindsSideways},
    };
    return known;
}

}  // namespace

SwipeConflictSources SwipeConflictSources::fromEnvironment() {
    SwipeConflictSources sources;
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (configHome && *configHome)
        sources.userConfig = configHome;
    else if (home && *home)
        sources.userConfig = std::filesystem::path(home) / ".config";
    return sources;
}

bool toucheggBindsSideways(std::string_view xml, int fingers) {
    QXmlStreamReader reader(QByteArray(xml.data(), qsizetype(xml.size())));
    // <gesture type="SWIPE" fingers="3" direction="LEFT">, for any application.
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement() || reader.name() != QStringLiteral("gesture")) continue;
        const auto attributes = reader.attributes();
        const bool swipe =
            attributes.value("type").toString().compare("SWIPE", Qt::CaseInsensitive) == 0;
        const bool count =
            attributes.value("fingers").toString().trimmed() == QString::number(fingers);
        if (swipe && count && isSideways(attributes.value("direction").toString().toStdString()))
            return true;
    }
    return false;
}

bool libinputGesturesBindsSideways(std::string_view configuration, int fingers) {
    std::istringstream lines{std::string(configuration)};
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t comment = line.find('#');
        if (comment != std::string::npos) line.erase(comment);
        std::istringstream words(line);
        std::string keyword, type, direction, count;
        if (!(words >> keyword >> type >> direction)) continue;
        if (keyword.ends_with(':')) keyword.pop_back();
        if (keyword != "gesture" || lower(type) != "swipe" || !isSideways(direction)) continue;
        // "gesture swipe left 3 command": the count is optional and then binds every count.
        words >> count;
        const std::optional<int> given = number(count);
        if (!given || *given == fingers) return true;
    }
    return false;
}

bool fusumaBindsSideways(std::string_view yaml, int fingers) {
    // The bindings sit at swipe: -> <fingers>: -> left: / right:, nested by indentation.
    std::istringstream lines{std::string(yaml)};
    std::string line;
    int swipeIndent = -1;
    int countIndent = -1;
    while (std::getline(lines, line)) {
        const std::size_t comment = line.find('#');
        if (comment != std::string::npos) line.erase(comment);
        const std::string_view content = trimmed(line);
        if (content.empty()) continue;
        const int indent = int(line.find_first_not_of(" \t"));
        if (countIndent >= 0 && indent <= countIndent) countIndent = -1;
        if (swipeIndent >= 0 && indent <= swipeIndent) swipeIndent = -1;
        const std::optional<std::string> key = yamlKey(content);
        if (!key) continue;
        if (swipeIndent < 0) {
            if (indent == 0 && *key == "swipe") swipeIndent = indent;
            continue;
        }
        if (countIndent < 0) {
            if (number(*key) == fingers) countIndent = indent;
            continue;
        }
        if (isSideways(*key)) return true;
    }
    return false;
}

std::vector<std::string> runningProgramNames(const std::filesystem::path& proc) {
    std::set<std::string> names;
    for (const RunningProcess& process : runningProcesses(proc)) {
        if (!process.name.empty()) names.insert(process.name);
        for (const std::string& argument : process.arguments)
            if (!argument.empty() && argument.front() != '-')
                names.insert(std::filesystem::path(argument).filename().string());
    }
    return {names.begin(), names.end()};
}

std::optional<SwipeConflict> swipeConflict(int fingers, const SwipeConflictSources& sources) {
    const int count = fingers == 4 ? 4 : 3;
    const std::vector<std::string> running = runningProgramNames(sources.proc);
    for (const Daemon& daemon : daemons()) {
        if (!std::binary_search(running.begin(), running.end(), std::string(daemon.name))) continue;
        // The daemon reads the first configuration that exists.
        for (const std::filesystem::path& file : daemon.configurations(sources)) {
            const std::optional<std::string> text = fileText(file);
            if (!text) continue;
            if (daemon.bindsSideways(*text, count))
                return SwipeConflict{std::string(daemon.name), file};
            break;
        }
    }
    return std::nullopt;
}

std::string swipeConflictWarning(const SwipeConflict& conflict, int fingers,
                                 const std::filesystem::path& home) {
    std::string file = conflict.configuration.string();
    const std::string homeText = home.string();
    if (!homeText.empty() && homeText != "/" && file.starts_with(homeText + "/"))
        file = "~" + file.substr(homeText.size());
    return conflict.daemon + " also uses " + (fingers == 4 ? "four" : "three") +
           "-finger sideways swipes, so both would happen. In its configuration (" + file +
           "), move those swipes to the other finger count or remove them.";
}

}  // namespace brindlow
