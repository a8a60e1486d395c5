#pragma once

namespace brindlow {

// The unit of a gesture amount or fling velocity that the gesture recognizer
// hands to the strip controller: a share of the trackpad's width, or points.
enum class GestureUnit { trackpadWidth, points };

}  // namespace brindlow
