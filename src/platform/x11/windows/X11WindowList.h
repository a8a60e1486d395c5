#pragma once

#include "platform/WindowList.h"

namespace brindlow {

class X11Desktop;
class X11Workspace;

// The stacking list of the window manager, front to back; a window's number is
// the window manager's frame (the window's ancestor that is a child of the root).
class X11WindowList final : public WindowList {
  public:
    X11WindowList(X11Desktop& desktop, const X11Workspace& workspace);
    std::vector<WindowListEntry> onScreenWindows() const override;
    // The window manager's stacking list as it stands: one property read.
    std::vector<WindowID> stackingOrder() const override;
    // Told by the window manager's republished stacking list.
    ObserverToken addStackingObserver(std::function<void()> handler) override;
    void removeStackingObserver(ObserverToken token) override;

  private:
    X11Desktop& desktop_;
    const X11Workspace& workspace_;
};

}  // namespace brindlow
