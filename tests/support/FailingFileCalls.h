#pragma once

#include <cerrno>
#include <filesystem>
#include <mutex>
#include <set>

#include "settings/FileCalls.h"

namespace brindlow::test {

// The system's file calls, except that chosen files cannot be opened for reading (as with mode
// 000 for anyone but root) and writes or flushes can fail as on a full disk. Installed for its
// lifetime.
class FailingFileCalls final : public FileCalls {
  public:
    FailingFileCalls() : scope_(*this) {}

    void makeUnreadable(const std::filesystem::path& file) {
        std::lock_guard lock(mutex_);
        unreadable_.insert(key(file));
    }
    // Every later write (0: writes succeed again) fails with this errno.
    void failWritesWith(int error) {
        std::lock_guard lock(mutex_);
        writeError_ = error;
    }
    void failFlushesWith(int error) {
        std::lock_guard lock(mutex_);
        flushError_ = error;
    }

    int openForReading(const std::filesystem::path& file) override {
        {
            std::lock_guard lock(mutex_);
            if (unreadable_.contains(key(file))) {
                errno = EACCES;
                return -1;
            }
        }
        return FileCalls::openForReading(file);
    }
    ssize_t write(int descriptor, const void* bytes, size_t count) override {
        if (const int error = failure(writeError_)) {
            errno = error;
            return -1;
        }
        return FileCalls::write(descriptor, bytes, count);
    }
    int fsync(int descriptor) override {
        if (const int error = failure(flushError_)) {
            errno = error;
            return -1;
        }
        return FileCalls::fsync(descriptor);
    }
    int rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        const int result = FileCalls::rename(from, to);
        if (result != 0) return result;
        // An unreadable file stays so under its new name; a file renamed over one replaces it.
        std::lock_guard lock(mutex_);
        const bool wasUnreadable = unreadable_.erase(key(from)) > 0;
        unreadable_.erase(key(to));
        if (wasUnreadable) unreadable_.insert(key(to));
        return result;
    }

  private:
    // One spelling per file: "Brindlow/../dotfiles/a.json" is "dotfiles/a.json".
    static std::filesystem::path key(const std::filesystem::path& file) {
        std::error_code error;
        const std::filesystem::path folder =
            std::filesystem::weakly_canonical(file.parent_path(), error);
        return error ? file : folder / file.filename();
    }
    int failure(const int& error) {
        std::lock_guard lock(mutex_);
        return error;
    }

    std::mutex mutex_;
    std::set<std::filesystem::path> unreadable_;
    int writeError_ = 0;
    int flushError_ = 0;
    ScopedFileCalls scope_;
};

}  // namespace brindlow::test
