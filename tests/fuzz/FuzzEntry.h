// The entry point the fuzz targets share: the first byte of an input chooses which of the
// target's readers gets the rest, so one corpus exercises them all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "platform/Log.h"

namespace brindlow::fuzz {

using Reader = void (*)(std::string_view);

inline int readWithOneOf(const std::uint8_t* data, std::size_t size,
                         std::initializer_list<Reader> readers) {
    // Logs of rejected input would drown the fuzzer's own output.
    static const bool quiet = [] {
        LogSink::setStderrEnabled(false);
        return true;
    }();
    (void)quiet;
    if (size == 0 || readers.size() == 0) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    readers.begin()[data[0] % readers.size()](text);
    return 0;
}

}  // namespace brindlow::fuzz
