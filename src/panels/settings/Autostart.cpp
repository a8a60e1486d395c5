#include "panels/settings/Autostart.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <system_error>

namespace brindlow {

namespace {

// An Exec value: the path in double quotes with the characters that the
// desktop-entry format reserves inside quotes escaped.
std::string execArgument(const std::string& path) {
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += "\\\\";
        if (c == '%') {
            quoted += "%%";
            continue;
        }
        quoted += c;
    }
    return quoted + "\"";
}

std::string failure(const std::string& reason) {
    return "Could not change this: " + reason;
}

bool isProgram(const std::filesystem::path& file) {
    std::error_code error;
    return std::filesystem::is_regular_file(file, error) && ::access(file.c_str(), X_OK) == 0;
}

std::optional<std::filesystem::path> buildTreeOf(const std::filesystem::path& program) {
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(program, error);
    if (error) return std::nullopt;
    for (std::filesystem::path folder = real.parent_path(); folder.has_relative_path();
         folder = folder.parent_path()) {
        if (std::filesystem::is_regular_file(folder / "CMakeCache.txt", error)) return folder;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::filesystem::path> brindlowOnPath(std::string_view pathVariable) {
    while (!pathVariable.empty()) {
        const std::size_t end = std::min(pathVariable.find(':'), pathVariable.size());
        const std::filesystem::path folder(pathVariable.substr(0, end));
        pathVariable.remove_prefix(std::min(end + 1, pathVariable.size()));
        // A relative entry depends on the folder the session or the shell starts in.
        if (folder.is_absolute() && isProgram(folder / "brindlow")) return folder / "brindlow";
    }
    return std::nullopt;
}

AutostartProgram autostartProgram(std::string_view pathVariable,
                                  const std::filesystem::path& runningExecutable) {
    std::optional<std::filesystem::path> found = brindlowOnPath(pathVariable);
    if (!found && !runningExecutable.empty() &&
        isProgram(runningExecutable.parent_path() / "brindlow"))
        found = runningExecutable.parent_path() / "brindlow";
    if (!found) return {"brindlow", std::nullopt};
    return {found->lexically_normal().string(), buildTreeOf(*found)};
}

Autostart::Autostart(std::filesystem::path configHome, AutostartProgram program)
    : configHome_(std::move(configHome)), program_(std::move(program)) {}

Autostart Autostart::fromEnvironment() {
    std::filesystem::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        config = xdg;
    else if (const char* home = std::getenv("HOME"))
        config = std::filesystem::path(home) / ".config";
    // The running executable is the application role, beside the `brindlow` that started it.
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    const char* path = std::getenv("PATH");
    return Autostart(config, autostartProgram(path ? path : "", error ? "" : exe));
}

std::filesystem::path Autostart::entryFile() const {
    return configHome_ / "autostart" / "brindlow.desktop";
}

bool Autostart::isEnabled() const {
    std::error_code error;
    return std::filesystem::is_regular_file(entryFile(), error);
}

std::optional<std::string> Autostart::setEnabled(bool enabled) const {
    std::error_code error;
    if (!enabled) {
        std::filesystem::remove(entryFile(), error);
        if (error) return failure(error.message());
        return std::nullopt;
    }
    std::filesystem::create_directories(entryFile().parent_path(), error);
    if (error) return failure(error.message());
    std::ofstream out(entryFile(), std::ios::trunc);
    out << "[Desktop Entry]\nType=Application\nName=Brindlow\nExec="
        << execArgument(program_.executable) << "\nIcon=brindlow\nX-GNOME-Autostart-enabled=true\n";
    out.close();
    if (!out) return failure(std::strerror(errno ? errno : EIO));
    return std::nullopt;
}

}  // namespace brindlow
