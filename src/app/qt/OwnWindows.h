#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <vector>

#include "controller/Snapshot.h"
#include "geometry/Geometry.h"
#include "platform/Workspace.h"

namespace brindlow {

class Accessibility;

// Where our own windows that the window manager frames (settings, welcome, panels) stand now,
// with their frames: never the overlays, which bypass it, nor menus. Empty without widgets.
std::vector<Rect> ownWindowFrames();

// Calls `changed` once after any window of ours that the window manager frames was shown,
// hidden, moved or resized (several changes in one pass of the event loop call it once), so
// that what is drawn around our windows follows them. Main thread; watches the application.
class OwnWindowWatch final : public QObject {
  public:
    explicit OwnWindowWatch(std::function<void()> changed);
    ~OwnWindowWatch() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<void()> changed_;
    bool pending_ = false;
};

// The windows of the active display's focused column, when it holds more than one; none else.
std::vector<std::uint32_t> focusedStackWindows(const StripSnapshot& snapshot);

// The running applications "Add App" may offer: those with a window to tile, not a tray host,
// a desktop or a panel alone.
std::vector<RunningApplication> applicationsWithOrdinaryWindows(const Workspace& workspace,
                                                                Accessibility* accessibility);

}  // namespace brindlow
