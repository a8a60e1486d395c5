#pragma once

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "controller/StripControllerState.h"
#include "platform/Log.h"
#include "settings/RestoreStrips.h"
#include "settings/SavedArrangement.h"

namespace brindlow {

// Keeps the strips' arrangement: writes "session.json" once per burst of changes, reads it back
// at start, captures the arrangement for a named layout and puts a saved one back onto the
// strips. Runs on the strip queue, on the state its owner keeps.
class SessionKeeper {
  public:
    // What the keeper asks of its owner.
    struct Hooks {
        // Runs `block` on the strip queue `seconds` later (nothing once the owner is gone).
        std::function<void(double seconds, std::function<void()> block)> runAfter;
        // The strips were rearranged from a saved layout: the owner finishes the structure
        // change on every display and raises the focused window.
        std::function<void()> rearranged;
    };

    // Changes closer together than this are saved once.
    static constexpr double kSaveDelay = 2.0;

    SessionKeeper(StripControllerState& state, std::filesystem::path storageFolder, Hooks hooks);

    // Saves the session kSaveDelay seconds from now, unless a save is already due.
    void scheduleSave();
    // Writes a save that is still due at once (at quit, so the last changes are kept).
    void saveIfPending();
    // The arrangement of every display in use, as "session.json" keeps it.
    SessionSnapshot capture() const;
    // The session saved last; an empty one when there is none or it cannot be read.
    SessionSnapshot stored() const;
    // Builds every display's strip from `session` and the windows that can go into it.
    void place(const SessionSnapshot& session, const std::vector<WindowCandidate>& candidates);
    // Puts a named layout back onto the strips; the bundle identifiers of saved windows whose
    // applications are not running.
    std::set<std::string> restore(const SessionSnapshot& snapshot);

    std::filesystem::path filePath() const { return storageFolder_ / "session.json"; }

  private:
    void save();
    // A window in a strip or on another desktop; none for any other.
    const ManagedWindow* windowOf(WindowID id) const;

    StripControllerState& state_;
    std::filesystem::path storageFolder_;
    Hooks hooks_;
    Logger log_;
    bool saveScheduled_ = false;
};

}  // namespace brindlow
