#include "settings/FileCalls.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace brindlow {

namespace {

FileCalls& systemCalls() {
    static FileCalls calls;
    return calls;
}

std::atomic<FileCalls*>& current() {
    static std::atomic<FileCalls*> calls{&systemCalls()};
    return calls;
}

}  // namespace

int FileCalls::openForReading(const std::filesystem::path& file) {
    return ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
}

ssize_t FileCalls::write(int descriptor, const void* bytes, size_t count) {
    return ::write(descriptor, bytes, count);
}

int FileCalls::fsync(int descriptor) {
    return ::fsync(descriptor);
}

int FileCalls::rename(const std::filesystem::path& from, const std::filesystem::path& to) {
    return std::rename(from.c_str(), to.c_str());
}

FileCalls& fileCalls() {
    return *current().load();
}

ScopedFileCalls::ScopedFileCalls(FileCalls& calls) : previous_(current().exchange(&calls)) {}

ScopedFileCalls::~ScopedFileCalls() {
    current().store(previous_);
}

}  // namespace brindlow
