#pragma once

#include <functional>
#include <optional>

#include "platform/Accessibility.h"
#include "platform/Clock.h"
#include "platform/EventTap.h"
#include "platform/Executor.h"
#include "platform/ExecutorFactory.h"
#include "platform/HotKeys.h"
#include "platform/MouseMonitor.h"
#include "platform/PanelDesktop.h"
#include "platform/PointerActivity.h"
#include "platform/Preferences.h"
#include "platform/ProcessTable.h"
#include "platform/Screens.h"
#include "platform/Surface.h"
#include "platform/UiScheduler.h"
#include "platform/WindowList.h"
#include "platform/WindowManagerTraits.h"
#include "platform/Workspace.h"

namespace brindlow {

class DesktopPictures;

// The OS services the controllers use, handed over as one object. The back end
// (x11 or sim) owns every service; the pointers stay valid for its lifetime.
struct Platform {
    Accessibility* accessibility = nullptr;
    WindowList* windowList = nullptr;
    Workspace* workspace = nullptr;
    Screens* screens = nullptr;
    ProcessTable* processes = nullptr;
    // The main thread: notifications and observer callbacks arrive here.
    Executor* main = nullptr;
    // The media clock that timings (move durations, back-offs) are read from.
    Clock* clock = nullptr;
    // Makes the per-application move queues and the raise queue.
    ExecutorFactory makeSerialQueue;
    // Whether the user holds a button the window manager moves or resizes windows with at this
    // moment: the first one (a frame's title or border), or another one of its drag buttons with
    // its modifier. Any thread.
    std::function<bool()> dragButtonDown;
    // What the running window manager does; none where the back end cannot tell. Any thread.
    std::function<WindowManagerTraits()> windowManagerTraits;
    // Where the pointer is and whether a button is held, at this moment; none where the platform
    // cannot tell. Any thread.
    std::function<std::optional<PointerState>()> pointer;
    // Global hot keys and the user-defaults store; none where the back end has none.
    HotKeys* hotKeys = nullptr;
    Preferences* preferences = nullptr;
    // Focus hand-over and window-manager hints for our own keyable panels; none in the sim.
    PanelDesktop* panelDesktop = nullptr;
    // Trackpad swipes and scrolls, and global pointer movement; null where the back
    // end has none.
    EventTap* eventTap = nullptr;
    MouseMonitor* mouseMonitor = nullptr;
    // The user's last hand on the pointer, heard while asked; null where the back end cannot.
    PointerActivity* pointerActivity = nullptr;
    // Our own overlay windows and the main thread's timers for them; both absent where nothing
    // can be drawn (no toolkit), and then the overlays are not made.
    SurfaceFactory* surfaces = nullptr;
    UiScheduler* uiScheduler = nullptr;
    // The desktop picture the gap covers paint; absent: frosted covers.
    DesktopPictures* desktopPictures = nullptr;
};

}  // namespace brindlow
