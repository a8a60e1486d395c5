#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace brindlow {

// When the focused column is centred in the viewport. The layout functions never read it; the
// controller's viewport clamp does. Stored as its text ("never", "always", "onOverflow").
enum class CenterMode { never, always, onOverflow };

inline constexpr std::array<CenterMode, 3> allCenterModes = {CenterMode::never, CenterMode::always,
                                                             CenterMode::onOverflow};

std::string_view toText(CenterMode mode);

// The mode whose text matches exactly, or none.
std::optional<CenterMode> centerModeFromText(std::string_view text);

}  // namespace brindlow
