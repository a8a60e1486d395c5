#pragma once

namespace brindlow {

class X11Connection;
struct DesktopRecords;
class ClientEvents;
class ClientRegistry;
class WindowManagerWait;
class FrameWriter;
class Stacking;
class WithdrawnWindows;
class Activation;
class FocusReturn;
class Parking;
class DesktopsAndMinimise;

// The desktop's collaborators, for one another; set by the desktop as it makes them, before any
// of them runs.
struct DesktopParts {
    ClientEvents* events = nullptr;
    ClientRegistry* registry = nullptr;
    WindowManagerWait* waits = nullptr;
    FrameWriter* frames = nullptr;
    Stacking* stacking = nullptr;
    WithdrawnWindows* withdrawn = nullptr;
    Activation* activation = nullptr;
    FocusReturn* focusReturn = nullptr;
    Parking* parking = nullptr;
    DesktopsAndMinimise* desktops = nullptr;
};

// What each collaborator of the desktop reaches: the connection, the records they share and the
// other collaborators.
class DesktopPart {
  public:
    DesktopPart(X11Connection& connection, DesktopRecords& records, const DesktopParts& parts)
        : x_(connection), d_(records), parts_(parts) {}
    DesktopPart(const DesktopPart&) = delete;
    DesktopPart& operator=(const DesktopPart&) = delete;

  protected:
    ~DesktopPart() = default;

    ClientEvents& subscribers() const { return *parts_.events; }
    ClientRegistry& registry() const { return *parts_.registry; }
    WindowManagerWait& waits() const { return *parts_.waits; }
    FrameWriter& frameWriter() const { return *parts_.frames; }
    Stacking& stacking() const { return *parts_.stacking; }
    WithdrawnWindows& withdrawn() const { return *parts_.withdrawn; }
    Activation& activation() const { return *parts_.activation; }
    FocusReturn& focusReturn() const { return *parts_.focusReturn; }
    Parking& parking() const { return *parts_.parking; }
    DesktopsAndMinimise& desktops() const { return *parts_.desktops; }

    X11Connection& x_;
    DesktopRecords& d_;

  private:
    const DesktopParts& parts_;
};

}  // namespace brindlow
