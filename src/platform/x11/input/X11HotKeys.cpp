#include "platform/x11/input/X11HotKeys.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
// The XKB header names a member "explicit".
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>

#include "platform/KeyCodeTable.h"

namespace brindlow {

namespace {

constexpr int kBadAccess = 10;
constexpr xcb_keysym_t kAltL = 0xffe9;
constexpr xcb_keysym_t kSuperL = 0xffeb;
constexpr xcb_keysym_t kNumLock = 0xff7f;
constexpr xcb_keysym_t kScrollLock = 0xff14;

// The stored modifier bits.
constexpr int kCommand = 0x100;
constexpr int kShift = 0x200;
constexpr int kOption = 0x800;
constexpr int kControl = 0x1000;
constexpr int kFunction = 0x20000;

template <typename T>
struct Freed {
    T* value;
    ~Freed() { std::free(value); }
};

void appendUTF8(std::string& text, std::uint32_t cp) {
    if (cp < 0x80) {
        text += static_cast<char>(cp);
    } else if (cp < 0x800) {
        text += static_cast<char>(0xC0 | (cp >> 6));
        text += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        text += static_cast<char>(0xE0 | (cp >> 12));
        text += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (cp >> 18));
        text += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::unique_ptr<X11HotKeys> X11HotKeys::open(Executor& main, const char* display) {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(display, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    return std::unique_ptr<X11HotKeys>(new X11HotKeys(main, connection, it.data->root));
}

X11HotKeys::X11HotKeys(Executor& main, xcb_connection_t* connection, std::uint32_t root)
    : main_(main), connection_(connection), root_(root) {
    symbols_ = xcb_key_symbols_alloc(connection_);
    if (xkb_x11_setup_xkb_extension(
            connection_, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &xkbEventBase_, nullptr)) {
        keyboardDevice_ = xkb_x11_get_core_keyboard_device_id(connection_);
        xkbContext_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        // A held key repeats as presses alone, without releases in between.
        const std::uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
        std::free(xcb_xkb_per_client_flags_reply(
            connection_,
            xcb_xkb_per_client_flags(connection_, XCB_XKB_ID_USE_CORE_KBD, flag, flag, 0, 0, 0),
            nullptr));
    }
    readModifierMap();
    readKeymap();
    selectKeyboardEvents();
}

X11HotKeys::~X11HotKeys() {
    *alive_ = false;
    for (const auto& [id, grabbed] : grabs_) ungrab(grabbed);
    if (state_) xkb_state_unref(state_);
    if (keymap_) xkb_keymap_unref(keymap_);
    if (xkbContext_) xkb_context_unref(xkbContext_);
    if (symbols_) xcb_key_symbols_free(symbols_);
    xcb_disconnect(connection_);
}

int X11HotKeys::fileDescriptor() const {
    return xcb_get_file_descriptor(connection_);
}

void X11HotKeys::readModifierMap() {
    altMask_ = superMask_ = numLockMask_ = scrollLockMask_ = 0;
    Freed<xcb_get_modifier_mapping_reply_t> reply{xcb_get_modifier_mapping_reply(
        connection_, xcb_get_modifier_mapping(connection_), nullptr)};
    if (!reply.value || !symbols_) return;
    const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(reply.value);
    const int perModifier = reply.value->keycodes_per_modifier;
    const auto maskOf = [&](xcb_keysym_t keysym) -> std::uint16_t {
        Freed<xcb_keycode_t> wanted{xcb_key_symbols_get_keycode(symbols_, keysym)};
        if (!wanted.value) return 0;
        for (int modifier = 0; modifier < 8; ++modifier) {
            for (int k = 0; k < perModifier; ++k) {
                const xcb_keycode_t keycode = keycodes[modifier * perModifier + k];
                if (keycode == 0) continue;
                for (const xcb_keycode_t* w = wanted.value; *w != XCB_NO_SYMBOL; ++w) {
                    if (*w == keycode) return static_cast<std::uint16_t>(1u << modifier);
                }
            }
        }
        return 0;
    };
    altMask_ = maskOf(kAltL);
    superMask_ = maskOf(kSuperL);
    numLockMask_ = maskOf(kNumLock);
    scrollLockMask_ = maskOf(kScrollLock);
}

void X11HotKeys::readKeymap() {
    if (!xkbContext_ || keyboardDevice_ < 0) return;
    xkb_keymap* keymap = xkb_x11_keymap_new_from_device(xkbContext_, connection_, keyboardDevice_,
                                                        XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) return;
    xkb_state* state = xkb_x11_state_new_from_device(keymap, connection_, keyboardDevice_);
    if (!state) {
        xkb_keymap_unref(keymap);
        return;
    }
    if (state_) xkb_state_unref(state_);
    if (keymap_) xkb_keymap_unref(keymap_);
    keymap_ = keymap;
    state_ = state;
}

void X11HotKeys::selectKeyboardEvents() {
    if (keyboardDevice_ < 0) return;
    const auto events =
        static_cast<std::uint16_t>(XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY |
                                   XCB_XKB_EVENT_TYPE_MAP_NOTIFY | XCB_XKB_EVENT_TYPE_STATE_NOTIFY);
    const auto mapParts = static_cast<std::uint16_t>(
        XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS | XCB_XKB_MAP_PART_MODIFIER_MAP |
        XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS | XCB_XKB_MAP_PART_KEY_ACTIONS |
        XCB_XKB_MAP_PART_VIRTUAL_MODS | XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP);
    // Only group changes matter: the characters shown are those of a key pressed alone.
    const auto groups =
        static_cast<std::uint16_t>(XCB_XKB_STATE_PART_GROUP_BASE | XCB_XKB_STATE_PART_GROUP_LATCH |
                                   XCB_XKB_STATE_PART_GROUP_LOCK);
    xcb_xkb_select_events_details_t details{};
    details.affectNewKeyboard = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.affectState = groups;
    details.stateDetails = groups;
    xcb_xkb_select_events_aux(connection_, static_cast<xcb_xkb_device_spec_t>(keyboardDevice_),
                              events, 0, 0, mapParts, mapParts, &details);
    xcb_flush(connection_);
}

void X11HotKeys::keymapChanged() {
    if (symbols_) xcb_key_symbols_free(symbols_);
    symbols_ = xcb_key_symbols_alloc(connection_);
    readModifierMap();
    readKeymap();
}

std::optional<std::string> X11HotKeys::keyCharacter(int keyCode) {
    const std::optional<int> xKey = xKeyCodeForVirtualKey(keyCode);
    if (!xKey || !keymap_ || !state_) return std::nullopt;
    // What the key types alone in the group in use: with "us,de" and the German group locked,
    // the key right of the full stop types "-", not "/".
    const auto key = static_cast<xkb_keycode_t>(*xKey);
    const xkb_layout_index_t layout = xkb_state_key_get_layout(state_, key);
    if (layout == XKB_LAYOUT_INVALID) return std::nullopt;
    const xkb_keysym_t* syms = nullptr;
    const int count = xkb_keymap_key_get_syms_by_level(keymap_, key, layout, 0, &syms);
    if (count != 1) return std::nullopt;
    // Dead keys and keys that type nothing have no character.
    const std::uint32_t character = xkb_keysym_to_utf32(syms[0]);
    if (character < 0x20 || character == 0x7F) return std::nullopt;
    std::string text;
    appendUTF8(text, character);
    return text;
}

std::optional<X11HotKeys::Combination> X11HotKeys::combination(int keyCode, int modifiers) const {
    const std::optional<int> xKey = xKeyCodeForVirtualKey(keyCode);
    if (!xKey) return std::nullopt;
    if (modifiers & kFunction) return std::nullopt;
    std::uint16_t mask = 0;
    if (modifiers & kControl) mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & kShift) mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & kOption) {
        if (!altMask_) return std::nullopt;
        mask |= altMask_;
    }
    if (modifiers & kCommand) {
        if (!superMask_) return std::nullopt;
        mask |= superMask_;
    }
    return Combination{static_cast<std::uint8_t>(*xKey), mask};
}

std::vector<std::uint16_t> X11HotKeys::lockVariants() const {
    std::vector<std::uint16_t> locks{0};
    for (std::uint16_t lock : {std::uint16_t(XCB_MOD_MASK_LOCK), numLockMask_, scrollLockMask_}) {
        if (!lock) continue;
        const std::size_t count = locks.size();
        for (std::size_t i = 0; i < count; ++i)
            locks.push_back(static_cast<std::uint16_t>(locks[i] | lock));
    }
    return locks;
}

int X11HotKeys::grab(const Combination& wanted) {
    std::vector<std::pair<std::uint16_t, xcb_void_cookie_t>> cookies;
    for (std::uint16_t lock : lockVariants()) {
        cookies.emplace_back(
            lock, xcb_grab_key_checked(connection_, 1, root_,
                                       static_cast<std::uint16_t>(wanted.modifiers | lock),
                                       wanted.keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    int status = kNoError;
    std::vector<std::uint16_t> taken;
    for (const auto& [lock, cookie] : cookies) {
        Freed<xcb_generic_error_t> error{xcb_request_check(connection_, cookie)};
        if (!error.value) {
            taken.push_back(lock);
        } else if (status == kNoError || error.value->error_code == kBadAccess) {
            status = error.value->error_code == kBadAccess ? kHotKeyExists : kHotKeyInvalid;
        }
    }
    if (status != kNoError) {
        // No half-grabbed combination stays behind.
        for (std::uint16_t lock : taken) {
            xcb_ungrab_key(connection_, wanted.keycode, root_,
                           static_cast<std::uint16_t>(wanted.modifiers | lock));
        }
        xcb_flush(connection_);
    }
    scheduleProcessing();
    return status;
}

void X11HotKeys::ungrab(const Combination& grabbed) {
    for (std::uint16_t lock : lockVariants()) {
        xcb_ungrab_key(connection_, grabbed.keycode, root_,
                       static_cast<std::uint16_t>(grabbed.modifiers | lock));
    }
    xcb_flush(connection_);
}

bool X11HotKeys::holds(const Combination& wanted) const {
    for (const auto& [id, grabbed] : grabs_) {
        if (grabbed == wanted) return true;
    }
    return false;
}

int X11HotKeys::registerHotKey(int keyCode, int modifiers, std::int64_t id) {
    const std::optional<Combination> wanted = combination(keyCode, modifiers);
    if (!wanted) return kHotKeyInvalid;
    // A second id for a combination already held shares its grab.
    if (!holds(*wanted)) {
        const int status = grab(*wanted);
        if (status != kNoError) return status;
    }
    grabs_[id] = *wanted;
    return kNoError;
}

void X11HotKeys::unregisterHotKey(std::int64_t id) {
    const auto found = grabs_.find(id);
    if (found == grabs_.end()) return;
    const Combination grabbed = found->second;
    grabs_.erase(found);
    for (auto it = held_.begin(); it != held_.end();) {
        it = it->second == id ? held_.erase(it) : std::next(it);
    }
    if (!holds(grabbed)) ungrab(grabbed);
}

bool X11HotKeys::isTakenElsewhere(int keyCode, int modifiers) {
    const std::optional<Combination> wanted = combination(keyCode, modifiers);
    if (!wanted || holds(*wanted)) return false;
    const int status = grab(*wanted);
    if (status == kNoError) ungrab(*wanted);
    return status == kHotKeyExists;
}

void X11HotKeys::scheduleProcessing() {
    std::weak_ptr<bool> alive = alive_;
    main_.async([this, alive] {
        if (auto flag = alive.lock(); flag && *flag) processEvents();
    });
}

bool X11HotKeys::connectionBroken() const {
    return xcb_connection_has_error(connection_) != 0;
}

void X11HotKeys::processEvents() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        Freed<xcb_generic_event_t> owned{event};
        handleEvent(event);
    }
}

void X11HotKeys::handleEvent(const void* raw) {
    const auto* event = static_cast<const xcb_generic_event_t*>(raw);
    const std::uint8_t type = event->response_type & 0x7F;
    if (xkbEventBase_ && type == xkbEventBase_) {
        // The XKB event's own type follows the response type.
        const std::uint8_t xkbType = event->pad0;
        if (xkbType == XCB_XKB_NEW_KEYBOARD_NOTIFY || xkbType == XCB_XKB_MAP_NOTIFY) {
            keymapChanged();
        } else if (xkbType == XCB_XKB_STATE_NOTIFY && state_) {
            const auto* change = static_cast<const xcb_xkb_state_notify_event_t*>(raw);
            xkb_state_update_mask(state_, change->baseMods, change->latchedMods, change->lockedMods,
                                  xkb_layout_index_t(change->baseGroup),
                                  xkb_layout_index_t(change->latchedGroup),
                                  xkb_layout_index_t(change->lockedGroup));
        }
        return;
    }
    if (type == XCB_MAPPING_NOTIFY) {
        const auto* mapping = static_cast<const xcb_mapping_notify_event_t*>(raw);
        if (symbols_)
            xcb_refresh_keyboard_mapping(symbols_,
                                         const_cast<xcb_mapping_notify_event_t*>(mapping));
        readModifierMap();
        readKeymap();
        return;
    }
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) return;
    const auto* key = static_cast<const xcb_key_press_event_t*>(raw);
    if (type == XCB_KEY_RELEASE) {
        const auto found = held_.find(key->detail);
        if (found == held_.end()) return;
        const std::int64_t id = found->second;
        held_.erase(found);
        if (handler_) handler_(id, false);
        return;
    }
    // A key already down is the keyboard repeating it.
    if (held_.contains(key->detail)) return;
    const auto ignored =
        static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | numLockMask_ | scrollLockMask_);
    const auto modifiers = static_cast<std::uint16_t>(key->state & 0xFF & ~ignored);
    for (const auto& [id, grabbed] : grabs_) {
        if (grabbed.keycode == key->detail && grabbed.modifiers == modifiers) {
            held_[key->detail] = id;
            if (handler_) handler_(id, true);
            return;
        }
    }
}

}  // namespace brindlow
