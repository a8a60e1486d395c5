#pragma once

#include <cstdint>

namespace brindlow {

// A managed window: the client window's X id (32 bits on the wire), a counter in the sim.
using WindowID = std::uint32_t;

}  // namespace brindlow
