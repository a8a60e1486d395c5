#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace brindlow {

class X11Connection;

// One Brindlow per display: the manager selection "_BRINDLOW_S<screen>" is
// owned, by a small window of ours, for as long as this object lives (the
// ICCCM convention for a program that manages a screen). Whatever storage
// folder another instance uses, it finds the selection taken.
class X11InstanceSelection {
  public:
    // The selection of the connection's screen.
    explicit X11InstanceSelection(X11Connection& connection);
    ~X11InstanceSelection();  // gives the selection up
    X11InstanceSelection(const X11InstanceSelection&) = delete;
    X11InstanceSelection& operator=(const X11InstanceSelection&) = delete;

    // Takes the selection unless another client holds it. True when this
    // object owns it now.
    bool acquire();
    // After a refused acquire: the owner's process id, when it tells it.
    std::optional<std::uint32_t> ownerPID() const { return ownerPID_; }
    const std::string& selectionName() const { return name_; }

  private:
    X11Connection& x_;
    const std::string name_;
    std::uint32_t window_ = 0;  // the owner window; 0 while not owning
    std::optional<std::uint32_t> ownerPID_;
};

}  // namespace brindlow
