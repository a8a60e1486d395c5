#include "settings/JSONFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <string_view>

#include "settings/FileCalls.h"
#include "settings/JSONEncoder.h"
#include "settings/StorageFolder.h"

namespace brindlow {

namespace {

std::mutex undecodableMutex;
// The files to keep aside at their next write, each with what happened to it.
std::map<std::filesystem::path, KeptAsideReason>& undecodableFiles() {
    static std::map<std::filesystem::path, KeptAsideReason> files;
    return files;
}

std::optional<KeptAsideReason> takeUndecodable(const std::filesystem::path& file) {
    std::lock_guard lock(undecodableMutex);
    const auto found = undecodableFiles().find(file);
    if (found == undecodableFiles().end()) return std::nullopt;
    const KeptAsideReason reason = found->second;
    undecodableFiles().erase(found);
    return reason;
}

std::string_view suffixOf(KeptAsideReason reason) {
    switch (reason) {
        case KeptAsideReason::unreadable:
            return ".unreadable";
        case KeptAsideReason::droppedRules:
            return ".dropped-rules";
    }
    return ".unreadable";
}

bool nothingAt(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::symlink_status(path, error).type() ==
           std::filesystem::file_type::not_found;
}

std::string errnoText(int error) {
    return std::strerror(error);
}

// Beyond this many links in a row the chain is taken for a loop, as the kernel does.
constexpr int kMostLinksFollowed = 40;

// A file about to be replaced that holds something we could not use, moved out of its way.
// Renaming needs no read permission, so this works for a file of mode 000 too. A copy kept
// earlier is never replaced: the next one is numbered ("settings.json.unreadable.2").
class KeptAside {
  public:
    KeptAside(const std::filesystem::path& file, KeptAsideReason reason)
        : file_(file), reason_(reason), aside_(asideName(file, reason)) {
        if (fileCalls().rename(file_, aside_) != 0) {
            const int error = errno;
            if (error == ENOENT) return;  // gone meanwhile: nothing to keep
            storageLog().error("Could not keep %{public}s%{public}s aside: %{public}s",
                               std::string(what()), file_.filename().string(), errnoText(error));
            return;
        }
        moved_ = true;
        if (reason_ == KeptAsideReason::droppedRules) {
            storageLog().error(
                "Kept %{public}s as %{public}s before replacing it: it holds app rules that "
                "could not be read",
                file_.filename().string(), aside_.filename().string());
        } else {
            storageLog().error("Kept unreadable %{public}s as %{public}s before replacing it",
                               file_.filename().string(), aside_.filename().string());
        }
    }

    // The replacement failed: the old file goes back in place, as if nothing had been tried.
    void putBack() {
        if (!moved_) return;
        if (fileCalls().rename(aside_, file_) == 0) {
            moved_ = false;
            storageLog().error("Put %{public}s%{public}s back", std::string(what()),
                               file_.filename().string());
        }
    }

    bool moved() const { return moved_; }

  private:
    static std::filesystem::path asideName(const std::filesystem::path& file,
                                           KeptAsideReason reason) {
        std::filesystem::path aside = file;
        aside += std::string(suffixOf(reason));
        for (int number = 2; !nothingAt(aside) && number < 10000; ++number) {
            aside = file;
            aside += std::string(suffixOf(reason)) + "." + std::to_string(number);
        }
        return aside;
    }
    std::string_view what() const {
        return reason_ == KeptAsideReason::droppedRules ? "" : "unreadable ";
    }

    std::filesystem::path file_;
    KeptAsideReason reason_;
    std::filesystem::path aside_;
    bool moved_ = false;
};

bool existsButUnreadable(const std::filesystem::path& file) {
    const int fd = fileCalls().openForReading(file);
    if (fd >= 0) {
        ::close(fd);
        return false;
    }
    return FileRead{std::nullopt, errno}.existsButUnreadable();
}

}  // namespace

void noteUndecodableFile(const std::filesystem::path& file, KeptAsideReason reason) {
    std::lock_guard lock(undecodableMutex);
    undecodableFiles().insert_or_assign(file, reason);
}

FileRead readFile(const std::filesystem::path& source) {
    // Plain read(2): a stream opens a folder and reads it as empty, which would
    // make it look like an empty, undecodable file rather than one that cannot be read.
    const int fd = fileCalls().openForReading(source);
    if (fd < 0) return {std::nullopt, errno};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
        ::close(fd);
        return {std::nullopt, error};
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return {std::nullopt, error};
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return {std::move(bytes), 0};
}

std::optional<std::string> readFileBytes(const std::filesystem::path& source) {
    return readFile(source).bytes;
}

std::filesystem::path writeTarget(const std::filesystem::path& path, std::error_code& error) {
    error.clear();
    std::filesystem::path target = path;
    for (int followed = 0;; ++followed) {
        const auto status = std::filesystem::symlink_status(target, error);
        if (error) {
            // Nothing there yet: the write makes it.
            if (error == std::errc::no_such_file_or_directory) error.clear();
            return target;
        }
        if (!std::filesystem::is_symlink(status)) return target;
        if (followed == kMostLinksFollowed) {
            error = std::make_error_code(std::errc::too_many_symbolic_link_levels);
            return target;
        }
        const std::filesystem::path next = std::filesystem::read_symlink(target, error);
        if (error) return target;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
}

WriteFailure writeFileAtomically(const std::filesystem::path& destination,
                                 const std::string& bytes) {
    std::error_code error;
    // The temporary file goes beside the file a link leads to, so that the rename replaces that
    // file and the link stays (dotfiles kept elsewhere and linked in).
    const std::filesystem::path target = writeTarget(destination, error);
    if (error) return error.message();
    const std::filesystem::path folder = target.parent_path();
    if (!folder.empty()) {
        error = createPrivateFolder(folder);
        if (error) return error.message();
    }
    // Built piece by piece: g++ 12 reports a false overlap (-Wrestrict) for "." + name.
    std::string tempName = ".";
    tempName += target.filename().string();
    tempName += ".XXXXXX";
    std::string temp = (folder / tempName).string();
    // mkstemp makes the file for its owner only, and so it stays.
    const int fd = mkstemp(temp.data());
    if (fd < 0) return "Could not create a temporary file: " + errnoText(errno);
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = fileCalls().write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // A write that takes nothing without an error is a full disk all the same.
            const std::string failure = errnoText(n < 0 ? errno : ENOSPC);
            ::close(fd);
            ::unlink(temp.c_str());
            return failure;
        }
        written += static_cast<size_t>(n);
    }
    // A full disk may show only here, when the data is flushed.
    if (fileCalls().fsync(fd) != 0) {
        const std::string failure = errnoText(errno);
        ::close(fd);
        ::unlink(temp.c_str());
        return failure;
    }
    if (::close(fd) != 0) {
        const std::string failure = errnoText(errno);
        ::unlink(temp.c_str());
        return failure;
    }
    if (fileCalls().rename(temp, target) != 0) {
        const std::string failure = errnoText(errno);
        ::unlink(temp.c_str());
        return failure;
    }
    return std::nullopt;
}

WriteFailure writeJSONValue(const nlohmann::json& value, const std::filesystem::path& destination) {
    const std::string name = destination.filename().string();
    std::string encodeError;
    const std::optional<std::string> text = encodeJSON(value, &encodeError);
    if (!text) {
        storageLog().error("Could not write %{public}s: %{public}s", name, encodeError);
        return encodeError;
    }
    std::error_code error;
    const std::filesystem::path target = writeTarget(destination, error);
    std::optional<KeptAside> aside;
    const std::optional<KeptAsideReason> undecodable = takeUndecodable(destination);
    if (!error && undecodable) {
        aside.emplace(target, *undecodable);
    } else if (!error && existsButUnreadable(target)) {
        aside.emplace(target, KeptAsideReason::unreadable);
    }
    WriteFailure failure = writeFileAtomically(destination, *text);
    if (failure) {
        storageLog().error("Could not write %{public}s: %{public}s", name, *failure);
        if (aside) aside->putBack();
        // Still not replaced: the next write keeps it aside again.
        if (undecodable) noteUndecodableFile(destination, *undecodable);
    }
    return failure;
}

std::optional<nlohmann::json> readJSONValue(const std::filesystem::path& source) {
    const FileRead read = readFile(source);
    if (!read.bytes) {
        if (read.existsButUnreadable())
            storageLog().error("Could not read %{public}s: %{public}s", source.filename().string(),
                               errnoText(read.error));
        return std::nullopt;
    }
    nlohmann::json parsed = nlohmann::json::parse(*read.bytes, nullptr, /*allow_exceptions=*/false);
    if (parsed.is_discarded()) {
        noteUndecodableFile(source);
        storageLog().error("Could not read %{public}s: %{public}s", source.filename().string(),
                           std::string("The data is not valid JSON."));
        return std::nullopt;
    }
    return parsed;
}

}  // namespace brindlow
