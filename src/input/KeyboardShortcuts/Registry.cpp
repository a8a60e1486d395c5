#include "input/KeyboardShortcuts/Registry.h"

#include <algorithm>

#include "platform/Log.h"

namespace brindlow::KeyboardShortcuts {

namespace {

Registry* sharedRegistry = nullptr;

const Logger& log() {
    static const Logger logger = makeLogger("KeyboardShortcuts");
    return logger;
}

bool inDesignedRange(const Shortcut& shortcut) {
    return shortcut.carbonKeyCode >= 0 && shortcut.carbonKeyCode <= kMaxKeyCode &&
           (shortcut.carbonModifiers & ~CarbonModifier::all) == 0;
}

template <typename Table>
auto findEntry(Table& table, const Name& name) {
    return std::find_if(table.begin(), table.end(),
                        [&name](const auto& entry) { return entry.first == name; });
}

}  // namespace

Registry::Registry(Preferences& preferences, HotKeyCenter& hotKeys)
    : preferences_(preferences), hotKeys_(hotKeys) {}

Registry::~Registry() {
    if (sharedRegistry == this) sharedRegistry = nullptr;
}

Registry* Registry::shared() {
    return sharedRegistry;
}

void Registry::setShared(Registry* registry) {
    sharedRegistry = registry;
}

Name Registry::makeName(std::string rawValue, std::optional<Shortcut> defaultShortcut) {
    Name name(std::move(rawValue), defaultShortcut);
    if (defaultShortcut && !hasStoredValue(name.rawValue)) userDefaultsSet(name, *defaultShortcut);
    return name;
}

std::optional<Shortcut> Registry::getShortcut(const Name& name) const {
    const std::string key = storageKey(name.rawValue);
    const std::optional<std::string> text = preferences_.string(key);
    if (!text) return std::nullopt;
    const std::optional<Shortcut> shortcut = Shortcut::fromJSON(*text);
    if (!shortcut) return std::nullopt;
    if (!inDesignedRange(*shortcut)) {
        // Handing such numbers to the system would wrap them into another key.
        if (reportedUnusable_.insert(key + *text).second) {
            log().error(
                "Ignoring the stored shortcut %{public}s of %{public}s: no such key or modifiers",
                *text, name.rawValue);
        }
        return std::nullopt;
    }
    return shortcut;
}

bool Registry::hasStoredValue(std::string_view rawName) const {
    return preferences_.object(storageKey(rawName)).has_value();
}

void Registry::claim(const Shortcut& shortcut) {
    if (registered_.contains(shortcut)) return;
    hotKeys_.registerShortcut(
        shortcut, [this](const Shortcut& s) { handleOnKeyDown(s); },
        [this](const Shortcut& s) { handleOnKeyUp(s); });
    // Kept even when refused, so a key another program holds is reported once
    // and not tried again until it is released and claimed anew.
    registered_.insert(shortcut);
}

bool Registry::isHeldElsewhere(const Shortcut& shortcut) const {
    return registered_.contains(shortcut) && hotKeys_.isRefused(shortcut);
}

void Registry::release(const Shortcut& shortcut) {
    hotKeys_.unregisterShortcut(shortcut);
    registered_.erase(shortcut);
}

void Registry::userDefaultsSet(const Name& name, const Shortcut& shortcut) {
    if (const auto old = getShortcut(name)) release(*old);
    claim(shortcut);
    preferences_.setObject(storageKey(name.rawValue), shortcut.json());
    postChanged(name);
}

void Registry::setShortcut(const std::optional<Shortcut>& shortcut, const Name& name) {
    if (shortcut) {
        userDefaultsSet(name, *shortcut);
        return;
    }
    const auto old = getShortcut(name);
    if (!old) return;
    if (name.defaultShortcut) {
        preferences_.setObject(storageKey(name.rawValue), false);
    } else {
        preferences_.removeObject(storageKey(name.rawValue));
    }
    release(*old);
    postChanged(name);
}

void Registry::reset(const std::vector<Name>& names) {
    for (const Name& name : names) {
        const auto old = getShortcut(name);
        if (!name.defaultShortcut) {
            if (!old) continue;
            preferences_.removeObject(storageKey(name.rawValue));
            release(*old);
            postChanged(name);
            continue;
        }
        if (old) release(*old);
        claim(*name.defaultShortcut);
        preferences_.setObject(storageKey(name.rawValue), name.defaultShortcut->json());
        postChanged(name);
    }
}

std::set<Name> Registry::allShortcutNames() const {
    std::set<Name> names;
    for (const std::string& key : preferences_.keys()) {
        if (key.starts_with(kStorageKeyPrefix))
            names.insert(Name(key.substr(kStorageKeyPrefix.size())));
    }
    return names;
}

void Registry::resetAll() {
    const std::set<Name> names = allShortcutNames();
    reset(std::vector<Name>(names.begin(), names.end()));
}

void Registry::onKeyDown(const Name& name, Action action) {
    auto entry = findEntry(keyDownHandlers_, name);
    if (entry == keyDownHandlers_.end()) {
        keyDownHandlers_.emplace_back(name, std::vector<Action>{});
        entry = std::prev(keyDownHandlers_.end());
    }
    entry->second.push_back(std::move(action));
    if (const auto shortcut = getShortcut(name)) claim(*shortcut);
}

void Registry::onKeyUp(const Name& name, Action action) {
    auto entry = findEntry(keyUpHandlers_, name);
    if (entry == keyUpHandlers_.end()) {
        keyUpHandlers_.emplace_back(name, std::vector<Action>{});
        entry = std::prev(keyUpHandlers_.end());
    }
    entry->second.push_back(std::move(action));
    if (const auto shortcut = getShortcut(name)) claim(*shortcut);
}

bool Registry::usedByStream(const Shortcut& shortcut) const {
    return std::any_of(streams_.begin(), streams_.end(), [&](const auto& entry) {
        return getShortcut(entry.second.name) == shortcut;
    });
}

bool Registry::usedByAction(const Shortcut& shortcut) const {
    const auto uses = [&](const auto& table) {
        return std::any_of(table.begin(), table.end(),
                           [&](const auto& entry) { return getShortcut(entry.first) == shortcut; });
    };
    return uses(keyDownHandlers_) || uses(keyUpHandlers_);
}

void Registry::removeHandler(const Name& name) {
    if (auto entry = findEntry(keyDownHandlers_, name); entry != keyDownHandlers_.end()) {
        keyDownHandlers_.erase(entry);
    }
    if (auto entry = findEntry(keyUpHandlers_, name); entry != keyUpHandlers_.end()) {
        keyUpHandlers_.erase(entry);
    }
    if (const auto shortcut = getShortcut(name); shortcut && !usedByStream(*shortcut)) {
        release(*shortcut);
    }
}

void Registry::removeAllHandlers() {
    std::vector<Shortcut> shortcuts;
    const auto collect = [&](const auto& table) {
        for (const auto& entry : table) {
            if (const auto shortcut = getShortcut(entry.first)) shortcuts.push_back(*shortcut);
        }
    };
    collect(keyDownHandlers_);
    collect(keyUpHandlers_);
    for (const Shortcut& shortcut : shortcuts) {
        if (!usedByStream(shortcut)) release(shortcut);
    }
    keyDownHandlers_.clear();
    keyUpHandlers_.clear();
}

void Registry::enable(const std::vector<Name>& names) {
    for (const Name& name : names) {
        if (const auto shortcut = getShortcut(name)) claim(*shortcut);
    }
}

void Registry::disable(const std::vector<Name>& names) {
    for (const Name& name : names) {
        if (const auto shortcut = getShortcut(name)) release(*shortcut);
    }
}

void Registry::setEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    hotKeys_.update(enabled_, menuOpen_);
}

void Registry::setMenuOpen(bool open) {
    if (menuOpen_ == open) return;
    menuOpen_ = open;
    hotKeys_.update(enabled_, menuOpen_);
}

bool Registry::isEnabled(const Name& name) const {
    if (!enabled_) return false;
    const auto shortcut = getShortcut(name);
    if (!shortcut || !registered_.contains(*shortcut)) return false;
    // A registration the system refused is not reported as live.
    return hotKeys_.hasRecord(*shortcut) && (menuOpen_ || hotKeys_.isLive(*shortcut));
}

ObserverToken Registry::addChangeListener(ChangeListener listener) {
    const ObserverToken token = nextToken_++;
    changeListeners_.emplace(token, std::move(listener));
    return token;
}

void Registry::removeChangeListener(ObserverToken token) {
    changeListeners_.erase(token);
}

void Registry::postChanged(const Name& name) {
    // A copy: listeners may add or remove listeners.
    const auto listeners = changeListeners_;
    for (const auto& [token, listener] : listeners) {
        if (changeListeners_.contains(token)) listener(name);
    }
}

ObserverToken Registry::addEventListener(const Name& name, EventListener listener) {
    const ObserverToken token = nextToken_++;
    streams_.emplace(token, Stream{name, std::move(listener)});
    if (const auto shortcut = getShortcut(name)) claim(*shortcut);
    return token;
}

void Registry::removeEventListener(ObserverToken token) {
    const auto found = streams_.find(token);
    if (found == streams_.end()) return;
    const Name name = found->second.name;
    streams_.erase(found);
    const auto shortcut = getShortcut(name);
    if (shortcut && !usedByAction(*shortcut) && !usedByStream(*shortcut)) release(*shortcut);
}

void Registry::dispatch(const Shortcut& shortcut, EventType type) {
    if (paused_) return;
    auto& table = type == EventType::keyDown ? keyDownHandlers_ : keyUpHandlers_;
    // Copies: an action may change the tables (store a shortcut, add a handler).
    const auto handlers = table;
    for (const auto& [name, actions] : handlers) {
        if (getShortcut(name) != shortcut) continue;
        for (const Action& action : actions) action();
    }
    const auto streams = streams_;
    for (const auto& [token, stream] : streams) {
        if (getShortcut(stream.name) == shortcut && streams_.contains(token)) stream.listener(type);
    }
}

void Registry::handleOnKeyDown(const Shortcut& shortcut) {
    dispatch(shortcut, EventType::keyDown);
}

void Registry::handleOnKeyUp(const Shortcut& shortcut) {
    dispatch(shortcut, EventType::keyUp);
}

}  // namespace brindlow::KeyboardShortcuts
