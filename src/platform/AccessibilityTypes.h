#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "geometry/Geometry.h"

namespace brindlow {

class AXElement;
using AXElementRef = std::shared_ptr<AXElement>;

// Result codes of accessibility calls; 0 is success. Logged in decimal as
// "AXError -25202".
using AXError = std::int32_t;

namespace axerror {
inline constexpr AXError success = 0;
inline constexpr AXError failure = -25200;
inline constexpr AXError illegalArgument = -25201;
inline constexpr AXError invalidElement = -25202;
inline constexpr AXError invalidObserver = -25203;
inline constexpr AXError cannotComplete = -25204;
inline constexpr AXError attributeUnsupported = -25205;
inline constexpr AXError actionUnsupported = -25206;
inline constexpr AXError notificationUnsupported = -25207;
inline constexpr AXError notImplemented = -25208;
inline constexpr AXError notificationAlreadyRegistered = -25209;
inline constexpr AXError notificationNotRegistered = -25210;
inline constexpr AXError apiDisabled = -25211;
inline constexpr AXError noValue = -25212;
}  // namespace axerror

// An attribute value. Positions are Point, sizes are Size; lists of elements
// ("AXWindows", "AXChildren") are vectors of elements.
using AXValue = std::variant<std::monostate, bool, std::int64_t, double, std::string, Point, Size,
                             Rect, AXElementRef, std::vector<AXElementRef>>;

// Attribute, action and notification names.
namespace ax {
inline constexpr std::string_view role = "AXRole";
inline constexpr std::string_view subrole = "AXSubrole";
inline constexpr std::string_view title = "AXTitle";
inline constexpr std::string_view position = "AXPosition";
inline constexpr std::string_view size = "AXSize";
inline constexpr std::string_view minimized = "AXMinimized";
inline constexpr std::string_view fullScreen = "AXFullScreen";
inline constexpr std::string_view main = "AXMain";
inline constexpr std::string_view focused = "AXFocused";
inline constexpr std::string_view focusedWindow = "AXFocusedWindow";
inline constexpr std::string_view mainWindow = "AXMainWindow";
inline constexpr std::string_view windows = "AXWindows";
inline constexpr std::string_view children = "AXChildren";
inline constexpr std::string_view frontmost = "AXFrontmost";
inline constexpr std::string_view hidden = "AXHidden";
inline constexpr std::string_view enhancedUserInterface = "AXEnhancedUserInterface";
// Written with another window's element: the window goes directly above that one, without
// taking the focus (this platform's stacking; there is no such attribute to read).
inline constexpr std::string_view stackedAbove = "AXStackedAbove";
// The window is on another virtual desktop: out of sight for now, but neither minimised nor gone.
inline constexpr std::string_view away = "AXAway";
// Read only: what the window's own pixels cover, its frame and the invisible margin a client that
// draws its own decorations keeps around it (a shadow where a compositor draws, black where
// none does). The frame where a window has no such margin.
inline constexpr std::string_view drawnFrame = "AXDrawnFrame";
// The window manager keeps the window maximised (either way): it takes the whole work area and
// answers other sizes with that one.
inline constexpr std::string_view maximized = "AXMaximized";

// Values of "AXRole" and "AXSubrole".
inline constexpr std::string_view applicationRole = "AXApplication";
inline constexpr std::string_view windowRole = "AXWindow";
inline constexpr std::string_view listRole = "AXList";
inline constexpr std::string_view standardWindowSubrole = "AXStandardWindow";
inline constexpr std::string_view dialogSubrole = "AXDialog";
inline constexpr std::string_view systemDialogSubrole = "AXSystemDialog";
inline constexpr std::string_view floatingWindowSubrole = "AXFloatingWindow";
inline constexpr std::string_view sheetRole = "AXSheet";
inline constexpr std::string_view unknownSubrole = "AXUnknown";

inline constexpr std::string_view raiseAction = "AXRaise";
// Puts the window under the others of its layer, without focusing it.
inline constexpr std::string_view lowerAction = "AXLower";

// Notifications. The first two are registered on the application element and
// name the window concerned; the others on each window element.
inline constexpr std::string_view windowCreatedNotification = "AXWindowCreated";
inline constexpr std::string_view focusedWindowChangedNotification = "AXFocusedWindowChanged";
inline constexpr std::string_view elementDestroyedNotification = "AXUIElementDestroyed";
inline constexpr std::string_view windowMiniaturizedNotification = "AXWindowMiniaturized";
inline constexpr std::string_view windowDeminiaturizedNotification = "AXWindowDeminiaturized";
inline constexpr std::string_view windowResizedNotification = "AXWindowResized";
inline constexpr std::string_view windowMovedNotification = "AXWindowMoved";
inline constexpr std::string_view titleChangedNotification = "AXTitleChanged";
// The window went to another virtual desktop (or the user left its desktop), and came back.
inline constexpr std::string_view windowAwayNotification = "AXWindowAway";
inline constexpr std::string_view windowBackNotification = "AXWindowBack";
// The window was maximised or given back its own size ("AXMaximized" changed).
inline constexpr std::string_view windowMaximizedChangedNotification = "AXWindowMaximizedChanged";
}  // namespace ax

}  // namespace brindlow
