#pragma once

#include <optional>

#include "overlays/ColorText.h"
#include "platform/Color.h"

class QDBusConnection;

namespace brindlow {

// Whether the desktop asks for a dark appearance: the freedesktop settings portal's colour scheme
// over D-Bus when it answers, else the application palette (window darker than its text); light
// when neither tells. The portal's answer is kept until it announces a change. Main thread; needs a
// QGuiApplication for the palette.
bool isDarkAppearance();

// The alpha of the fills that stand for frosted glass, which blurs what lies behind it. Nothing
// blurs behind our windows here, and a thin plain fill lets the text of the windows below show
// through and fight our own: the indicator pill, the toast and the panels are nearly opaque.
inline constexpr int kMaterialAlpha = 251;

// The accent the pill highlights the focused column with when the desktop names none.
inline constexpr Color kFallbackAccent = kDefaultColor;

// The desktop's accent colour: the settings portal's "accent-color" on the session bus when a
// portal answers with one, else the application palette's highlight, else kFallbackAccent. Asked
// once, then kept current by the portal's change signal. Main thread.
Color accentColor();

// The portal's "accent-color" on `bus` (three sRGB components 0 … 1); none when no portal
// answers in a quarter of a second, it has no accent, or a component is out of range (the
// portal's way of saying "not set").
std::optional<Color> portalAccentColor(const QDBusConnection& bus);

}  // namespace brindlow
