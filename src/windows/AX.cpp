#include "windows/AX.h"

#include "platform/Accessibility.h"

namespace brindlow::AX {

namespace {
template <typename T>
std::optional<T> read(const AXElementRef& element, std::string_view attribute) {
    if (!element) return std::nullopt;
    AXValue value;
    if (element->copyAttributeValue(attribute, value) != axerror::success) return std::nullopt;
    if (const T* typed = std::get_if<T>(&value)) return *typed;
    return std::nullopt;
}
}  // namespace

std::optional<std::string> stringAttribute(const AXElementRef& element,
                                           std::string_view attribute) {
    return read<std::string>(element, attribute);
}

std::optional<bool> boolAttribute(const AXElementRef& element, std::string_view attribute) {
    return read<bool>(element, attribute);
}

AXElementRef elementAttribute(const AXElementRef& element, std::string_view attribute) {
    return read<AXElementRef>(element, attribute).value_or(nullptr);
}

std::optional<std::vector<AXElementRef>> elementsAttribute(const AXElementRef& element,
                                                           std::string_view attribute) {
    auto list = read<std::vector<AXElementRef>>(element, attribute);
    if (!list) return std::nullopt;
    std::erase(*list, nullptr);
    return list;
}

std::optional<Point> position(const AXElementRef& element) {
    return read<Point>(element, ax::position);
}

std::optional<Size> size(const AXElementRef& element) {
    return read<Size>(element, ax::size);
}

std::optional<Rect> frame(const AXElementRef& element) {
    const auto origin = position(element);
    if (!origin) return std::nullopt;
    const auto extent = size(element);
    if (!extent) return std::nullopt;
    return Rect(*origin, *extent);
}

std::optional<Rect> drawnFrame(const AXElementRef& element) {
    return read<Rect>(element, ax::drawnFrame);
}

bool isSettable(const AXElementRef& element, std::string_view attribute) {
    if (!element) return false;
    bool settable = false;
    return element->isAttributeSettable(attribute, settable) == axerror::success && settable;
}

std::string describeErrors(const std::vector<AXError>& codes) {
    std::string text;
    for (const AXError code : codes) {
        if (!text.empty()) text += ", ";
        text += "AXError " + std::to_string(code);
    }
    return text;
}

}  // namespace brindlow::AX
