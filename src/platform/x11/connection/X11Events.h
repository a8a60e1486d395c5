#pragma once

#include <xcb/xcb.h>

#include <cstdint>

namespace brindlow {

// An event's type without the bit that marks one sent by another client.
inline std::uint8_t eventType(const xcb_generic_event_t& event) {
    return event.response_type & 0x7f;
}

// The event as the struct its type says it is.
template <typename T>
const T& as(const xcb_generic_event_t& event) {
    return reinterpret_cast<const T&>(event);
}

}  // namespace brindlow
