#include "settings/StorageFolder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace brindlow {

std::filesystem::path storageFolder() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && data[0] == '/') {
        return std::filesystem::path(data) / "Brindlow";
    }
    std::filesystem::path home;
    if (const char* env = std::getenv("HOME"); env && env[0]) {
        home = env;
    } else if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) {
        home = entry->pw_dir;
    } else {
        home = "/tmp";
    }
    return home / ".local" / "share" / "Brindlow";
}

std::filesystem::path storageFile(std::string_view name) { return storageFolder() / std::string(name); }

}  // namespace brindlow
