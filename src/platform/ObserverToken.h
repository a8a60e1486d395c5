#pragma once

#include <cstdint>

namespace brindlow {

// Names one registered notification handler so it can be removed again.
// Zero is never handed out.
using ObserverToken = std::uint64_t;

}  // namespace brindlow
