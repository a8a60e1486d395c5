#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <map>

#include "platform/x11/wm/DragButtons.h"
#include "platform/x11/wm/WindowManagerConfig.h"

using namespace brindlow;

namespace {

struct Stated {
    const char* windowManager;
    const char* text;
    std::optional<FocusModel> model;
};

void PrintTo(const Stated& row, std::ostream* out) {
    *out << row.windowManager << ": " << row.text;
}

class FocusModelStated : public testing::TestWithParam<Stated> {};

constexpr auto kClick = FocusModel::click;
constexpr auto kPointer = FocusModel::followsPointer;

}  // namespace

TEST_P(FocusModelStated, IsReadFromTheWindowManagersOwnSetting) {
    EXPECT_EQ(focusModelStated(GetParam().windowManager, GetParam().text), GetParam().model);
}

INSTANTIATE_TEST_SUITE_P(
    Configurations, FocusModelStated,
    testing::Values(
        Stated{"openbox", "<focus>\n  <focusNew>yes</focusNew>\n  <followMouse>no</followMouse>",
               kClick},
        Stated{"openbox", "<focus><followMouse>yes</followMouse></focus>", kPointer},
        Stated{"openbox", "<applications><focus>yes</focus></applications>", std::nullopt},
        Stated{"xfwm4", R"(<property name="click_to_focus" type="bool" value="false"/>)", kPointer},
        Stated{"xfwm4", "activate_action=bring\nclick_to_focus=true\n", kClick},
        Stated{"kwin", "[Desktops]\nNumber=4\n[Windows]\nFocusPolicy=FocusFollowsMouse\n",
               kPointer},
        Stated{"kwin", "[Other]\nFocusPolicy=FocusFollowsMouse\n", std::nullopt},
        Stated{"metacity", "'sloppy'\n", kPointer}, Stated{"marco", "'click'\n", kClick},
        Stated{"icewm", "# FocusMode=2\nFocusMode=1 # click\n", kClick},
        Stated{"icewm", "FocusMode=2\n", kPointer}, Stated{"icewm", "FocusMode=0\n", std::nullopt},
        Stated{"fluxbox", "session.screen0.focusModel:\tMouseFocus\n", kPointer},
        Stated{"fluxbox", "session.screen0.focusModel: ClickFocus\n", kClick},
        Stated{"jwm", "<JWM><FocusModel>click</FocusModel></JWM>", kClick},
        Stated{"jwm", "<JWM><FocusModel>sloppy</FocusModel></JWM>", kPointer},
        Stated{"fvwm", "Style * SloppyFocus\nStyle xterm ClickToFocus\n", kPointer},
        Stated{"fvwm", "Style * FocusFollowsMouse\nStyle * Title, ClickToFocus\n", kClick},
        Stated{"fvwm", "Key F1 A 4 GotoDesk 0 0\n", std::nullopt}));

TEST(FocusModelReading, TheFileTheWindowManagerNamesComesFirst) {
    const std::map<std::string, std::string> files{
        {"/run/rc.xml", "<followMouse>yes</followMouse>"},
        {"/etc/xdg/openbox/rc.xml", "<followMouse>no</followMouse>"}};
    const FileReader read = [&](const std::string& path) -> std::optional<std::string> {
        const auto found = files.find(path);
        if (found == files.end()) return std::nullopt;
        return found->second;
    };
    const auto published = readFocusModel("openbox", {}, read, std::string("/run/rc.xml"));
    ASSERT_TRUE(published);
    EXPECT_EQ(published->model, kPointer);
    EXPECT_EQ(published->source, "/run/rc.xml");
    const auto system = readFocusModel("openbox", {}, read);
    ASSERT_TRUE(system);
    EXPECT_EQ(system->model, kClick);
    EXPECT_EQ(system->source, "/etc/xdg/openbox/rc.xml");
}

TEST(FocusModelReading, AFileNamedOnTheCommandLineIsTheOnlyOneRead) {
    WindowManagerProcess jwm;
    jwm.arguments = {"-f", "/tmp/session/jwmrc"};
    jwm.environment["HOME"] = "/home/user";
    const FileReader read = [](const std::string& path) -> std::optional<std::string> {
        if (path == "/tmp/session/jwmrc") return "<JWM><Desktops width=\"4\"/></JWM>";
        if (path == "/home/user/.jwmrc") return "<FocusModel>click</FocusModel>";
        return std::nullopt;
    };
    const auto reading = readFocusModel("jwm", jwm, read);
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->model, kPointer);  // jwm's default
    EXPECT_EQ(reading->source, "default");
    EXPECT_FALSE(readFocusModel("ratpoison", jwm, read));
}

TEST(FocusModelReading, IcewmsPrivateConfigurationFolderComesBeforeTheSystemsPreferences) {
    WindowManagerProcess icewm;
    icewm.environment = {{"HOME", "/home/user"}, {"ICEWM_PRIVCFG", "/tmp/ice"}};
    const FileReader read = [](const std::string& path) -> std::optional<std::string> {
        if (path == "/tmp/ice/preferences") return "FocusMode=2\n";
        if (path == "/etc/X11/icewm/preferences") return "FocusMode=1\n";
        return std::nullopt;
    };
    const auto reading = readFocusModel("icewm", icewm, read);
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->model, kPointer);
    EXPECT_EQ(reading->source, "/tmp/ice/preferences");
}

TEST(DragButtonsHeld, AreTheFirstButtonOrTheWindowManagersButtonsWithItsModifier) {
    const DragButtons openbox{0b101, DragButtons::Modifier::alt};
    const DragButtons metacity{0b011, DragButtons::Modifier::alt};
    const DragButtons fvwm{0b001, DragButtons::Modifier::none};
    constexpr std::uint16_t alt = XCB_KEY_BUT_MASK_MOD_1;
    EXPECT_TRUE(isDragButtonHeld(XCB_KEY_BUT_MASK_BUTTON_1, openbox));
    EXPECT_TRUE(isDragButtonHeld(alt | XCB_KEY_BUT_MASK_BUTTON_3, openbox));
    EXPECT_FALSE(isDragButtonHeld(XCB_KEY_BUT_MASK_BUTTON_3, openbox));
    EXPECT_FALSE(isDragButtonHeld(alt | XCB_KEY_BUT_MASK_BUTTON_2, openbox));
    EXPECT_TRUE(isDragButtonHeld(alt | XCB_KEY_BUT_MASK_BUTTON_2, metacity));
    EXPECT_FALSE(isDragButtonHeld(alt | XCB_KEY_BUT_MASK_BUTTON_3, metacity));
    EXPECT_FALSE(isDragButtonHeld(alt | XCB_KEY_BUT_MASK_BUTTON_3, fvwm));
    EXPECT_TRUE(isDragButtonHeld(XCB_KEY_BUT_MASK_BUTTON_1, fvwm));
    EXPECT_FALSE(isDragButtonHeld(alt, openbox));
}
