#include "platform/x11/wm/DragButtons.h"

#include <xcb/xcb.h>

namespace brindlow {

bool isDragButtonHeld(std::uint16_t mask, const DragButtons& drag) {
    if (mask & XCB_KEY_BUT_MASK_BUTTON_1) return true;
    std::uint16_t modifier = 0;
    switch (drag.modifier) {
        case DragButtons::Modifier::none:
            return false;
        case DragButtons::Modifier::alt:
            modifier = XCB_KEY_BUT_MASK_MOD_1;
            break;
        case DragButtons::Modifier::super:
            modifier = XCB_KEY_BUT_MASK_MOD_4;
            break;
    }
    if (!(mask & modifier)) return false;
    constexpr std::uint16_t kButtons[] = {XCB_KEY_BUT_MASK_BUTTON_1, XCB_KEY_BUT_MASK_BUTTON_2,
                                          XCB_KEY_BUT_MASK_BUTTON_3, XCB_KEY_BUT_MASK_BUTTON_4,
                                          XCB_KEY_BUT_MASK_BUTTON_5};
    for (int button = 1; button <= 5; ++button)
        if (drag.holds(button) && (mask & kButtons[button - 1])) return true;
    return false;
}

}  // namespace brindlow
