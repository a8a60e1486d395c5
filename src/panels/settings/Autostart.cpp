#include "panels/settings/Autostart.h"

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

}  // namespace

Autostart::Autostart(std::filesystem::path configHome, std::string executable)
    : configHome_(std::move(configHome)), executable_(std::move(executable)) {}

Autostart Autostart::fromEnvironment() {
    std::filesystem::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        config = xdg;
    else if (const char* home = std::getenv("HOME"))
        config = std::filesystem::path(home) / ".config";
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return Autostart(config, error ? std::string("brindlow") : exe.string());
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
    out << "[Desktop Entry]\nType=Application\nName=Brindlow\nExec=" << execArgument(executable_)
        << "\nX-GNOME-Autostart-enabled=true\n";
    out.close();
    if (!out) return failure(std::strerror(errno ? errno : EIO));
    return std::nullopt;
}

}  // namespace brindlow
