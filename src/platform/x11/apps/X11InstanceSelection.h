#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace brindlow {

class X11Connection;

// One Brindlow per display: the manager selection "_BRINDLOW_S<screen>" is
// owned, by a small window of ours, for as long as this object lives (the
// ICCCM convention for a program that manages a screen). Whatever storage
// folder another instance uses, it finds the selection taken, and may ask the
// owner to show its settings window: a client message "_BRINDLOW_SHOW_SETTINGS"
// to the owner window names a window of the asker's, and the owner answers
// with the same message to that window once it has shown it.
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

    // After a refused acquire: asks the owner to show its settings window and waits at most
    // `limit` seconds for its answer. True when it answered.
    bool askOwnerToShowSettings(double limit);

    // While owning: `request` runs on the connection's event thread for each asker, with the
    // asker's window to answer once the settings window is shown. None stops listening.
    using ShowRequest = std::function<void(std::uint32_t asker)>;
    void onShowSettingsRequest(ShowRequest request);
    // Tells an asker that its request was carried out. Any thread.
    void answerShowSettingsRequest(std::uint32_t asker);

  private:
    void onEvent(const void* event);

    X11Connection& x_;
    const std::string name_;
    std::uint32_t window_ = 0;  // the owner window; 0 while not owning
    std::uint32_t owner_ = 0;   // after a refused acquire: the owner's window
    std::optional<std::uint32_t> ownerPID_;
    std::mutex requestMutex_;
    ShowRequest request_;
    std::uint64_t listener_ = 0;
};

}  // namespace brindlow
