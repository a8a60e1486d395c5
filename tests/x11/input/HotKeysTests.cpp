// Hot keys against a real server: XTest presses reach the grab with the lock
// keys in any state, a combination another client holds is refused with
// nothing left grabbed, releases arrive once, and a held key fires once.
#include <poll.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>
// The XKB header names a member "explicit".
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/x11/input/X11HotKeys.h"
#include "x11/support/X11Fixture.h"

namespace brindlow::test {
namespace {

constexpr int kCtrlAlt = 0x1800;
// Ctrl+Alt+F-keys switch virtual terminals in the server's keymap: H it is.
constexpr int kVirtualH = 4;
constexpr std::uint8_t kXH = 43;
constexpr int kVirtualF5 = 96;
constexpr std::uint8_t kXF5 = 71;
constexpr std::uint8_t kXControl = 37;
constexpr std::uint8_t kXAlt = 64;
constexpr std::uint8_t kXNumLock = 77;

struct Fired {
    std::int64_t id;
    bool pressed;
    bool operator==(const Fired&) const = default;
};

class HotKeysTest : public X11Fixture {
  protected:
    void SetUp() override {
        X11Fixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        hotKeys_ = X11HotKeys::open(main_);
        ASSERT_TRUE(hotKeys_);
        hotKeys_->setHandler([this](std::int64_t id, bool pressed) {
            fired_.push_back({id, pressed});
        });
    }

    void fake(std::uint8_t type, std::uint8_t keycode) {
        xcb_test_fake_input(connection().xcb(), type, keycode, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }
    void tap(std::vector<std::uint8_t> keys) {
        for (auto key : keys) fake(XCB_KEY_PRESS, key);
        for (auto it = keys.rbegin(); it != keys.rend(); ++it) fake(XCB_KEY_RELEASE, *it);
        connection().sync();
    }

    // Reads the hot-key connection until `count` events fired; the limit only bounds a hang.
    bool waitForFired(std::size_t count, double limit = 5.0) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::duration<double>(limit);
        while (fired_.size() < count && std::chrono::steady_clock::now() < deadline) {
            main_.runPending();
            hotKeys_->processEvents();
            if (fired_.size() >= count) break;
            pollfd fd{hotKeys_->fileDescriptor(), POLLIN, 0};
            poll(&fd, 1, 100);
        }
        hotKeys_->processEvents();
        return fired_.size() >= count;
    }

    std::unique_ptr<X11HotKeys> hotKeys_;
    std::vector<Fired> fired_;
};

TEST_F(HotKeysTest, FiresWithNumLockOffAndOnAndOnceWhileHeld) {
    ASSERT_EQ(hotKeys_->registerHotKey(kVirtualH, kCtrlAlt, 7), HotKeys::kNoError);
    tap({kXControl, kXAlt, kXH});
    ASSERT_TRUE(waitForFired(2));
    EXPECT_EQ(fired_, (std::vector<Fired>{{7, true}, {7, false}}));

    tap({kXNumLock});
    tap({kXControl, kXAlt, kXH});
    ASSERT_TRUE(waitForFired(4));
    EXPECT_EQ(fired_[2], (Fired{7, true}));
    tap({kXNumLock});

    // Other modifiers are another combination.
    tap({kXAlt, kXH});
    hotKeys_->unregisterHotKey(7);
    tap({kXControl, kXAlt, kXH});
    ASSERT_EQ(hotKeys_->registerHotKey(kVirtualF5, 0, 8), HotKeys::kNoError);
    tap({kXF5});
    ASSERT_TRUE(waitForFired(6));
    EXPECT_EQ(fired_[4], (Fired{8, true}));

    // What the keyboard sends while a key is held fires once; a press after the release again.
    fake(XCB_KEY_PRESS, kXF5);
    fake(XCB_KEY_PRESS, kXF5);
    fake(XCB_KEY_PRESS, kXF5);
    fake(XCB_KEY_RELEASE, kXF5);
    tap({kXF5});
    ASSERT_TRUE(waitForFired(10));
    EXPECT_EQ(std::vector<Fired>(fired_.begin() + 6, fired_.end()),
              (std::vector<Fired>{{8, true}, {8, false}, {8, true}, {8, false}}));
}

TEST_F(HotKeysTest, ACombinationAnotherClientHoldsIsRefused) {
    // The fixture's connection is "another program" to the hot keys.
    xcb_connection_t* other = connection().xcb();
    xcb_grab_key(other, 1, connection().root(),
                 XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_2, kXH, XCB_GRAB_MODE_ASYNC,
                 XCB_GRAB_MODE_ASYNC);
    connection().sync();
    EXPECT_TRUE(hotKeys_->isTakenElsewhere(kVirtualH, kCtrlAlt));
    EXPECT_EQ(hotKeys_->registerHotKey(kVirtualH, kCtrlAlt, 1), HotKeys::kHotKeyExists);
    // Every variant it did take was given back: once the other client lets go,
    // the plain combination is free for a third client.
    xcb_ungrab_key(other, kXH, connection().root(),
                   XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_2);
    connection().sync();
    auto third = X11HotKeys::open(main_);
    EXPECT_EQ(third->registerHotKey(kVirtualH, kCtrlAlt, 1), HotKeys::kNoError);
    // Our own grabs are never probed.
    EXPECT_FALSE(third->isTakenElsewhere(kVirtualH, kCtrlAlt));
    EXPECT_TRUE(hotKeys_->isTakenElsewhere(kVirtualH, kCtrlAlt));
    EXPECT_FALSE(hotKeys_->isTakenElsewhere(kVirtualH, 0x100 | kCtrlAlt));
}

TEST_F(HotKeysTest, KeyCharactersComeFromTheLayout) {
    EXPECT_EQ(hotKeys_->keyCharacter(4), "h");
    EXPECT_EQ(hotKeys_->keyCharacter(44), "/");
    EXPECT_FALSE(hotKeys_->keyCharacter(63));  // the Function key has no X key code
    EXPECT_EQ(hotKeys_->registerHotKey(4, 0x20000, 1), HotKeys::kHotKeyInvalid);
}

// The key texts follow the keyboard the user switched to: the layout, and of several the group in
// use. The server's layout is put back to "us" afterwards.
class KeyLayoutTest : public HotKeysTest {
  protected:
    void TearDown() override {
        if (changed_) {
            EXPECT_EQ(std::system("setxkbmap us"), 0);
        }
        HotKeysTest::TearDown();
    }

    void setLayout(const char* command) {
        changed_ = true;
        ASSERT_EQ(std::system(command), 0) << command;
    }

    // Reads the hot-key connection's events until the key types `wanted`; the limit only bounds
    // a hang.
    bool waitForCharacter(int keyCode, const std::string& wanted) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            hotKeys_->processEvents();
            if (hotKeys_->keyCharacter(keyCode) == wanted) return true;
            pollfd fd{hotKeys_->fileDescriptor(), POLLIN, 0};
            poll(&fd, 1, 100);
        }
        return hotKeys_->keyCharacter(keyCode) == wanted;
    }

    // Locks the keyboard group, as a layout switch key does.
    void lockGroup(std::uint8_t group) {
        xcb_connection_t* c = connection().xcb();
        std::free(xcb_xkb_use_extension_reply(c, xcb_xkb_use_extension(c, 1, 0), nullptr));
        xcb_xkb_latch_lock_state(c, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1, group, 0, 0, 0);
        connection().sync();
    }

    bool changed_ = false;
};

constexpr int kVirtualA = 0;
constexpr int kVirtualY = 16;
constexpr int kVirtualSlash = 44;

TEST_F(KeyLayoutTest, KeyCharactersFollowTheLayoutAndTheLockedGroup) {
    // French: the key of the US "a" types "q", and no key reads as a replacement character.
    setLayout("setxkbmap fr");
    EXPECT_TRUE(waitForCharacter(kVirtualA, "q"));
    EXPECT_EQ(hotKeys_->keyCharacter(12), "a");
    EXPECT_EQ(hotKeys_->keyCharacter(kVirtualSlash), "!");

    // US and German, the first group in use: the US characters.
    setLayout("setxkbmap -layout us,de");
    EXPECT_TRUE(waitForCharacter(kVirtualA, "a"));
    EXPECT_EQ(hotKeys_->keyCharacter(kVirtualSlash), "/");
    // The German group locked: that key types "-", and the US "y" key types "z".
    lockGroup(1);
    EXPECT_TRUE(waitForCharacter(kVirtualSlash, "-"));
    EXPECT_EQ(hotKeys_->keyCharacter(kVirtualY), "z");
    lockGroup(0);
    EXPECT_TRUE(waitForCharacter(kVirtualSlash, "/"));
}

}  // namespace
}  // namespace brindlow::test
