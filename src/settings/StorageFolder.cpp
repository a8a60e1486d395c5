#include "settings/StorageFolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <set>

#include "settings/Loggers.h"

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

std::filesystem::path storageFile(std::string_view name) {
    return storageFolder() / std::string(name);
}

namespace {

void warnOnceIfOthersMayWrite(const std::filesystem::path& folder, mode_t mode) {
    if ((mode & (S_IWGRP | S_IWOTH)) == 0) return;
    static std::mutex mutex;
    static std::set<std::filesystem::path> warned;
    {
        std::lock_guard lock(mutex);
        if (!warned.insert(folder).second) return;
    }
    storageLog().log("Others may write to %{public}s (mode %{public}s); it holds window titles",
                     folder.string(),
                     std::to_string((mode >> 6) & 7) + std::to_string((mode >> 3) & 7) +
                         std::to_string(mode & 7));
}

// ".settings.json.XXXXXX": a leading dot, a stored file's name, a dot and the
// six characters mkstemp chose.
bool isOurTempFileName(const std::string& name) {
    if (name.size() < 1 + 5 + 7 || name.front() != '.' || name[name.size() - 7] != '.')
        return false;
    const std::string stored = name.substr(1, name.size() - 8);
    return stored.ends_with(".json") || stored.ends_with(".json.unreadable");
}

}  // namespace

std::error_code createPrivateFolder(const std::filesystem::path& folder) {
    std::error_code error;
    if (!folder.parent_path().empty())
        std::filesystem::create_directories(folder.parent_path(), error);
    if (error) return error;
    if (mkdir(folder.c_str(), 0700) == 0) return {};
    if (errno != EEXIST) return {errno, std::generic_category()};
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0) return {errno, std::generic_category()};
    if (!S_ISDIR(info.st_mode)) return std::make_error_code(std::errc::not_a_directory);
    warnOnceIfOthersMayWrite(folder, info.st_mode);
    return {};
}

int removeStaleTempFiles(const std::filesystem::path& folder) {
    std::error_code error;
    int removed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (!entry.is_regular_file(error) || entry.is_symlink(error)) continue;
        if (!isOurTempFileName(entry.path().filename().string())) continue;
        if (std::filesystem::remove(entry.path(), error)) ++removed;
    }
    if (removed > 0) {
        storageLog().info("Removed %ld unfinished temporary files", static_cast<long>(removed));
    }
    return removed;
}

}  // namespace brindlow
