#include "settings/JSONFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>

#include "settings/JSONEncoder.h"
#include "settings/StorageFolder.h"

namespace brindlow {

namespace {

std::mutex undecodableMutex;
std::set<std::filesystem::path>& undecodableFiles() {
    static std::set<std::filesystem::path> files;
    return files;
}

bool takeUndecodable(const std::filesystem::path& file) {
    std::lock_guard lock(undecodableMutex);
    return undecodableFiles().erase(file) > 0;
}

std::string errnoText(const char* action) {
    return std::string(action) + ": " + std::strerror(errno);
}

void keepAside(const std::filesystem::path& file) {
    const std::optional<std::string> bytes = readFileBytes(file);
    if (!bytes) return;
    std::filesystem::path aside = file;
    aside += ".unreadable";
    if (auto failure = writeFileAtomically(aside, *bytes)) {
        storageLog().error("Could not keep unreadable %{public}s aside: %{public}s",
                           file.filename().string(), *failure);
        return;
    }
    storageLog().error("Kept unreadable %{public}s as %{public}s before replacing it",
                       file.filename().string(), aside.filename().string());
}

}  // namespace

void noteUndecodableFile(const std::filesystem::path& file) {
    std::lock_guard lock(undecodableMutex);
    undecodableFiles().insert(file);
}

std::optional<std::string> readFileBytes(const std::filesystem::path& source) {
    // Plain read(2): a stream opens a folder and reads it as empty, which would
    // make it look like an empty, undecodable file rather than one that cannot be read.
    const int fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return bytes;
}

std::optional<std::string> writeFileAtomically(const std::filesystem::path& destination,
                                               const std::string& bytes) {
    std::error_code error;
    const std::filesystem::path folder = destination.parent_path();
    if (!folder.empty()) {
        error = createPrivateFolder(folder);
        if (error) return error.message();
    }
    // Built piece by piece: g++ 12 reports a false overlap (-Wrestrict) for "." + name.
    std::string tempName = ".";
    tempName += destination.filename().string();
    tempName += ".XXXXXX";
    std::string temp = (folder / tempName).string();
    // mkstemp makes the file for its owner only, and so it stays.
    const int fd = mkstemp(temp.data());
    if (fd < 0) return errnoText("Could not create a temporary file");
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const std::string failure = errnoText("Could not write");
            ::close(fd);
            ::unlink(temp.c_str());
            return failure;
        }
        written += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        const std::string failure = errnoText("Could not flush");
        ::unlink(temp.c_str());
        return failure;
    }
    if (::rename(temp.c_str(), destination.c_str()) != 0) {
        const std::string failure = errnoText("Could not replace the file");
        ::unlink(temp.c_str());
        return failure;
    }
    return std::nullopt;
}

void writeJSONValue(const nlohmann::json& value, const std::filesystem::path& destination) {
    const std::string name = destination.filename().string();
    std::string encodeError;
    const std::optional<std::string> text = encodeJSON(value, &encodeError);
    if (!text) {
        storageLog().error("Could not write %{public}s: %{public}s", name, encodeError);
        return;
    }
    if (takeUndecodable(destination)) keepAside(destination);
    if (auto failure = writeFileAtomically(destination, *text)) {
        storageLog().error("Could not write %{public}s: %{public}s", name, *failure);
    }
}

std::optional<nlohmann::json> readJSONValue(const std::filesystem::path& source) {
    const std::optional<std::string> bytes = readFileBytes(source);
    if (!bytes) return std::nullopt;
    nlohmann::json parsed = nlohmann::json::parse(*bytes, nullptr, /*allow_exceptions=*/false);
    if (parsed.is_discarded()) {
        noteUndecodableFile(source);
        storageLog().error("Could not read %{public}s: %{public}s", source.filename().string(),
                           std::string("The data is not valid JSON."));
        return std::nullopt;
    }
    return parsed;
}

}  // namespace brindlow
