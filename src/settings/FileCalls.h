#pragma once

#include <sys/types.h>

#include <filesystem>

namespace brindlow {

// The few system calls that stored files go through. Tests replace them to fail the way a
// full disk or a file without read permission does, which a test run as root or without a
// small file system of its own cannot bring about otherwise.
class FileCalls {
  public:
    virtual ~FileCalls() = default;
    // A descriptor, or -1 with errno set.
    virtual int openForReading(const std::filesystem::path& file);
    virtual ssize_t write(int descriptor, const void* bytes, size_t count);
    virtual int fsync(int descriptor);
    virtual int rename(const std::filesystem::path& from, const std::filesystem::path& to);
};

// The calls in use: the system's, unless a ScopedFileCalls replaced them.
FileCalls& fileCalls();

// Puts `calls` in place of the system's for its lifetime.
class ScopedFileCalls {
  public:
    explicit ScopedFileCalls(FileCalls& calls);
    ~ScopedFileCalls();
    ScopedFileCalls(const ScopedFileCalls&) = delete;
    ScopedFileCalls& operator=(const ScopedFileCalls&) = delete;

  private:
    FileCalls* previous_;
};

}  // namespace brindlow
