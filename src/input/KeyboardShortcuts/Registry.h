#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "input/KeyboardShortcuts/HotKeyCenter.h"
#include "input/KeyboardShortcuts/Shortcut.h"
#include "platform/ObserverToken.h"
#include "platform/Preferences.h"

namespace brindlow::KeyboardShortcuts {

enum class EventType { keyDown, keyUp };

// Global shortcuts by name: the stored shortcut of every slot (in the
// preferences under "KeyboardShortcuts_<name>": absent, false for a slot the
// user cleared, or the shortcut's JSON text), the actions per name, which
// shortcuts are registered as hot keys, the global switch, the menu switch,
// the pause of the recorder, change notification and event streams.
// Main thread only.
class Registry {
  public:
    using Action = std::function<void()>;
    using ChangeListener = std::function<void(const Name&)>;
    using EventListener = std::function<void(EventType)>;

    Registry(Preferences& preferences, HotKeyCenter& hotKeys);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // The registry the application runs, none before start-up (and in tests
    // that make their own).
    static Registry* shared();
    static void setShared(Registry* registry);

    // Creates a slot: stores its default when the preferences hold nothing
    // under its key (a cleared slot or an unreadable value is kept).
    Name makeName(std::string rawValue, std::optional<Shortcut> defaultShortcut = std::nullopt);

    // The stored shortcut; none when nothing readable is stored. A key code
    // outside 0...127 or modifier bits other than the five give none (logged).
    std::optional<Shortcut> getShortcut(const Name& name) const;
    // Stores (or with none clears) a slot's shortcut, registers, notifies.
    void setShortcut(const std::optional<Shortcut>& shortcut, const Name& name);
    void userDefaultsSet(const Name& name, const Shortcut& shortcut);
    bool hasStoredValue(std::string_view rawName) const;
    // Each name back to its default, or cleared when it has none.
    void reset(const std::vector<Name>& names);
    // Clears every stored slot.
    void resetAll();
    std::set<Name> allShortcutNames() const;

    void onKeyDown(const Name& name, Action action);
    void onKeyUp(const Name& name, Action action);
    void removeHandler(const Name& name);
    void removeAllHandlers();
    void enable(const std::vector<Name>& names);
    void disable(const std::vector<Name>& names);

    // The global switch of every hot key.
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    // On, the name has a stored shortcut, and that shortcut is live.
    bool isEnabled(const Name& name) const;
    // True while one of our menus is open: hot keys are suspended and key
    // presses reach the actions through the key watch instead.
    bool isMenuOpen() const { return menuOpen_; }
    void setMenuOpen(bool open);
    // While paused (the recorder records) no action and no stream runs.
    bool isPaused() const { return paused_; }
    void setPaused(bool paused) { paused_ = paused; }

    // Called with the name after every change of a stored shortcut.
    ObserverToken addChangeListener(ChangeListener listener);
    void removeChangeListener(ObserverToken token);

    // A stream of key events of a name; ends with removeEventListener, which
    // releases the shortcut when nothing else uses it.
    ObserverToken addEventListener(const Name& name, EventListener listener);
    void removeEventListener(ObserverToken token);

    // The callbacks every registration hands to the hot-key center.
    void handleOnKeyDown(const Shortcut& shortcut);
    void handleOnKeyUp(const Shortcut& shortcut);

    bool isRegistered(const Shortcut& shortcut) const { return registered_.contains(shortcut); }
    // Whether another program holds the shortcut: claimed, and the system refused it at the last
    // attempt (the window manager binds the same keys, say).
    bool isHeldElsewhere(const Shortcut& shortcut) const;

  private:
    void claim(const Shortcut& shortcut);
    void release(const Shortcut& shortcut);
    void dispatch(const Shortcut& shortcut, EventType type);
    void postChanged(const Name& name);
    bool usedByStream(const Shortcut& shortcut) const;
    bool usedByAction(const Shortcut& shortcut) const;

    Preferences& preferences_;
    HotKeyCenter& hotKeys_;
    bool enabled_ = true;
    bool menuOpen_ = false;
    bool paused_ = false;
    // Names in order of their first action.
    std::vector<std::pair<Name, std::vector<Action>>> keyDownHandlers_;
    std::vector<std::pair<Name, std::vector<Action>>> keyUpHandlers_;
    struct Stream {
        Name name;
        EventListener listener;
    };
    std::map<ObserverToken, Stream> streams_;
    std::unordered_set<Shortcut> registered_;
    std::map<ObserverToken, ChangeListener> changeListeners_;
    ObserverToken nextToken_ = 1;
    // Stored values already reported as unusable (key + text), so each is logged once.
    mutable std::set<std::string> reportedUnusable_;
};

}  // namespace brindlow::KeyboardShortcuts
