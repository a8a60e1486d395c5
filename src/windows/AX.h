#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/Geometry.h"
#include "platform/AccessibilityTypes.h"

namespace brindlow::AX {

// Attribute readers. Each gives the empty result on any failure, a missing
// value or a value of another type; none writes anything.
std::optional<std::string> stringAttribute(const AXElementRef& element, std::string_view attribute);
std::optional<bool> boolAttribute(const AXElementRef& element, std::string_view attribute);
// Null when the value is not an element.
AXElementRef elementAttribute(const AXElementRef& element, std::string_view attribute);
std::optional<std::vector<AXElementRef>> elementsAttribute(const AXElementRef& element,
                                                           std::string_view attribute);
// "AXPosition" / "AXSize".
std::optional<Point> position(const AXElementRef& element);
std::optional<Size> size(const AXElementRef& element);
// Both readable: the frame.
std::optional<Rect> frame(const AXElementRef& element);
// "AXDrawnFrame": the frame and the invisible margin its client draws around it.
std::optional<Rect> drawnFrame(const AXElementRef& element);
// True only when the query succeeds and says yes.
bool isSettable(const AXElementRef& element, std::string_view attribute);

// Result codes for logs: "AXError -25202, AXError -25204".
std::string describeErrors(const std::vector<AXError>& codes);

}  // namespace brindlow::AX
