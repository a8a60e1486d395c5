#include "controller/MaximizedState.h"

#include "platform/Accessibility.h"
#include "windows/AX.h"

namespace brindlow::MaximizedState {

bool isMaximized(const AXElementRef& element) {
    return element && AX::boolAttribute(element, ax::maximized).value_or(false);
}

bool clear(const AXElementRef& element) {
    if (!isMaximized(element)) return false;
    element->setAttributeValue(ax::maximized, false);
    return true;
}

}  // namespace brindlow::MaximizedState
