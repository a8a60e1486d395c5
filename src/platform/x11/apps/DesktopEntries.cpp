#include "platform/x11/apps/DesktopEntries.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace brindlow {

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::vector<std::string> defaultFolders() {
    std::vector<std::string> folders;
    const char* home = std::getenv("HOME");
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && *dataHome) {
        folders.push_back(std::string(dataHome) + "/applications");
    } else if (home) {
        folders.push_back(std::string(home) + "/.local/share/applications");
    }
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::string list = dirs && *dirs ? dirs : "/usr/local/share:/usr/share";
    std::stringstream stream(list);
    std::string dir;
    while (std::getline(stream, dir, ':')) {
        if (!dir.empty()) folders.push_back(dir + "/applications");
    }
    return folders;
}

}  // namespace

std::optional<DesktopEntry> parseDesktopEntry(const std::string& text, const std::string& path) {
    DesktopEntry entry;
    entry.path = path;
    std::stringstream stream(text);
    std::string line;
    bool inGroup = false;
    bool hidden = false;
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            inGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inGroup) continue;
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq);
        std::string value = line.substr(eq + 1);
        while (!key.empty() && key.back() == ' ') key.pop_back();
        while (!value.empty() && value.front() == ' ') value.erase(0, 1);
        if (key == "Name")
            entry.name = value;
        else if (key == "Exec")
            entry.exec = value;
        else if (key == "StartupWMClass")
            entry.startupWMClass = value;
        else if (key == "Icon")
            entry.icon = value;
        else if (key == "Hidden" && value == "true")
            hidden = true;
    }
    if (entry.name.empty() || hidden) return std::nullopt;
    return entry;
}

std::vector<std::string> execArguments(const std::string& exec) {
    std::vector<std::string> args;
    std::string current;
    bool quoted = false, any = false;
    for (size_t i = 0; i < exec.size(); ++i) {
        char c = exec[i];
        if (quoted) {
            if (c == '\\' && i + 1 < exec.size())
                current += exec[++i];
            else if (c == '"')
                quoted = false;
            else
                current += c;
        } else if (c == '"') {
            quoted = true;
            any = true;
        } else if (c == ' ' || c == '\t') {
            if (any || !current.empty()) args.push_back(current);
            current.clear();
            any = false;
        } else if (c == '%' && i + 1 < exec.size()) {
            // Field codes stand for files, URLs and icons we never pass.
            if (exec[++i] == '%') current += '%';
        } else {
            current += c;
        }
    }
    if (any || !current.empty()) args.push_back(current);
    return args;
}

DesktopEntries::DesktopEntries(std::vector<std::string> folders)
    : folders_(folders.empty() ? defaultFolders() : std::move(folders)) {}

void DesktopEntries::load() {
    std::set<std::string> seen;  // an earlier folder hides the same file id in later ones
    for (const std::string& folder : folders_) {
        std::error_code error;
        for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
             !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            const auto& path = it->path();
            if (path.extension() != ".desktop") continue;
            std::string id = std::filesystem::relative(path, folder, error).string();
            if (!seen.insert(id).second) continue;
            std::ifstream file(path);
            std::stringstream text;
            text << file.rdbuf();
            if (auto entry = parseDesktopEntry(text.str(), path.string())) {
                entries_.push_back(std::move(*entry));
            }
        }
    }
}

std::optional<DesktopEntry> DesktopEntries::find(const std::string& wmClass) {
    if (wmClass.empty()) return std::nullopt;
    std::lock_guard lock(mutex_);
    if (!loaded_) {
        load();
        loaded_ = true;
    }
    const auto known = found_.find(wmClass);
    if (known != found_.end()) return known->second;
    return found_.emplace(wmClass, search(wmClass)).first->second;
}

std::optional<DesktopEntry> DesktopEntries::search(const std::string& wmClass) const {
    const std::string wanted = lower(wmClass);
    for (const auto& entry : entries_) {
        if (lower(entry.startupWMClass) == wanted) return entry;
    }
    for (const auto& entry : entries_) {
        std::string stem = std::filesystem::path(entry.path).stem().string();
        // "org.example.Editor.desktop" names its class by the last part.
        std::string last =
            stem.substr(stem.rfind('.') == std::string::npos ? 0 : stem.rfind('.') + 1);
        if (lower(stem) == wanted || lower(last) == wanted) return entry;
    }
    return std::nullopt;
}

}  // namespace brindlow
