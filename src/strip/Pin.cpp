#include "strip/Pin.h"

namespace brindlow {

std::string_view toText(Pin pin) {
    return pin == Pin::left ? "left" : "right";
}

std::optional<Pin> pinFromText(std::string_view text) {
    if (text == "left") return Pin::left;
    if (text == "right") return Pin::right;
    return std::nullopt;
}

}  // namespace brindlow
