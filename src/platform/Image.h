#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brindlow {

// An image as plain pixels (ARGB32, row-major, non-premultiplied), or a named
// symbol image that the user-interface layer draws from its icon theme. An
// image with neither is the empty image.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;
    std::string symbolName;

    bool isEmpty() const {
        return (width <= 0 || height <= 0 || argb.empty()) && symbolName.empty();
    }
    friend bool operator==(const Image&, const Image&) = default;
};

}  // namespace brindlow
