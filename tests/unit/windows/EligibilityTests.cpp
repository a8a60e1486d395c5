#include <gtest/gtest.h>

#include "platform/sim/SimElement.h"
#include "support/sim/SimFixture.h"
#include "windows/AX.h"
#include "windows/WindowObserver.h"

namespace brindlow {
namespace {

WindowFacts tileable() {
    WindowFacts facts;
    facts.role = "AXWindow";
    facts.subrole = "AXStandardWindow";
    facts.title = "notes";
    facts.sizeSettable = true;
    facts.positionSettable = true;
    return facts;
}

TEST(Eligibility, ReasonsComeInTheOrderOfTheTests) {
    EXPECT_EQ(WindowObserver::ineligibilityReason(tileable()), std::nullopt);

    WindowFacts facts = tileable();
    facts.sizeSettable = false;
    facts.positionSettable = false;
    EXPECT_EQ(WindowObserver::ineligibilityReason(facts), "fixed size");  // before "cannot move"
    facts.sizeSettable = true;
    EXPECT_EQ(WindowObserver::ineligibilityReason(facts), "cannot move");

    facts = tileable();
    facts.bundleID = "com.apple.finder";
    facts.title = "";
    facts.sizeSettable = false;
    EXPECT_EQ(WindowObserver::ineligibilityReason(facts), "Finder desktop");
    facts.title = "Documents";
    EXPECT_EQ(WindowObserver::ineligibilityReason(facts), "fixed size");

    facts = tileable();
    facts.minimized = true;
    facts.fullScreen = true;
    EXPECT_EQ(WindowObserver::ineligibilityReason(facts), "minimized");
    facts.minimized = false;
    EXPECT_EQ(WindowObserver::ineligibilityReason(facts), "fullscreen");

    facts.subrole = "AXDialog";
    EXPECT_EQ(WindowObserver::ineligibilityReason(facts), "subrole AXDialog");
    facts.subrole.reset();
    EXPECT_EQ(WindowObserver::ineligibilityReason(facts), "subrole none");
    facts.role.reset();
    EXPECT_EQ(WindowObserver::ineligibilityReason(facts), "not a window");
    facts.role = "AXSheet";
    EXPECT_EQ(WindowObserver::ineligibilityReason(facts), "not a window");
}

struct ElementEligibility : ::testing::Test, test::SimFixture {
    SimApp app = desktop.launchApp({.name = "Editor", .bundleID = "org.example.editor"});
    std::optional<std::string> reason(const SimWindow& window) {
        return WindowObserver::ineligibilityReason(window.element(), "org.example.editor",
                                                   window.title().value_or(""));
    }
};

TEST_F(ElementEligibility, ReadsTheSameReasonsFromWindowElements) {
    EXPECT_EQ(reason(desktop.openWindow(app, {.title = "a"})), std::nullopt);
    EXPECT_EQ(reason(desktop.openWindow(app, {.subrole = "AXDialog"})), "subrole AXDialog");
    EXPECT_EQ(reason(desktop.openWindow(app, {.role = "AXSheet"})), "not a window");
    EXPECT_EQ(reason(desktop.openWindow(app, {.subrole = std::nullopt})), "subrole none");
    EXPECT_EQ(reason(desktop.openWindow(app, {.minimized = true, .fullScreen = true})),
              "minimized");
    EXPECT_EQ(reason(desktop.openWindow(app, {.sizeSettable = false, .positionSettable = false})),
              "fixed size");
    EXPECT_EQ(reason(desktop.openWindow(app, {.positionSettable = false})), "cannot move");

    // A failing settable query counts as "no".
    const SimWindow w = desktop.openWindow(app, {});
    w.failReads("AXSize", axerror::cannotComplete);
    EXPECT_EQ(reason(w), "fixed size");
    // A window whose process went away answers nothing: "not a window".
    const SimWindow gone = desktop.openWindow(app, {});
    app.quit();
    EXPECT_EQ(reason(gone), "not a window");
}

TEST_F(ElementEligibility, MakesAManagedWindowWithASharedElementAndATimeOut) {
    const SimWindow w =
        desktop.openWindow(app, {.title = "notes.txt", .frame = {10, 20, 800, 600}});
    const AppRef ref{app.pid(), "Editor", "org.example.editor"};
    const AXElementRef element = w.element();
    const auto managed = WindowObserver::makeManagedWindow(element, ref);
    ASSERT_TRUE(managed);
    const auto fields = [](const ManagedWindow& m) {
        return std::tie(m.id, m.pid, m.bundleID, m.appName, m.title, m.frame, m.element,
                        m.windowNumber);
    };
    EXPECT_EQ(fields(*managed), fields({w.id(),
                                        app.pid(),
                                        "org.example.editor",
                                        "Editor",
                                        "notes.txt",
                                        {10, 20, 800, 600},
                                        element,
                                        std::nullopt,
                                        std::nullopt}));
    EXPECT_EQ(dynamic_cast<SimElement&>(*element).messagingTimeout(), 1.0);
    EXPECT_EQ(managed->label(), "Editor 'notes.txt'");
}

TEST_F(ElementEligibility, FloatsWithADebugLineAndSkipsUnreadableGeometrySilently) {
    const AppRef ref{app.pid(), "Editor", "org.example.editor"};
    const SimWindow dialog = desktop.openWindow(app, {.title = "Save", .subrole = "AXDialog"});
    EXPECT_FALSE(WindowObserver::makeManagedWindow(dialog.element(), ref));
    EXPECT_EQ(entriesOf("WindowObserver"),
              (Entries{{LogLevel::debug, "Float Editor '<private>': subrole AXDialog"}}));

    LogSink::clear();
    const SimWindow blind = desktop.openWindow(app, {.title = "x"});
    blind.setGeometryReadable(true, false);
    EXPECT_FALSE(WindowObserver::makeManagedWindow(blind.element(), ref));
    EXPECT_TRUE(linesOf("WindowObserver").empty());
    // An untitled window reads as "".
    const SimWindow untitled = desktop.openWindow(app, {.title = std::nullopt});
    EXPECT_EQ(WindowObserver::makeManagedWindow(untitled.element(), ref)->title, "");
}

TEST_F(ElementEligibility, WithAVerdictMemoryTheSameVerdictIsLoggedOnce) {
    const AppRef ref{app.pid(), "Editor", "org.example.editor"};
    const SimWindow fixed = desktop.openWindow(app, {.title = "Save", .sizeSettable = false});
    WindowObserver::VerdictMemory verdicts;
    for (int pass = 0; pass < 3; ++pass)
        EXPECT_FALSE(WindowObserver::makeManagedWindow(fixed.element(), ref, &verdicts));
    EXPECT_EQ(linesOf("WindowObserver").size(), 1u);
    // Tiled now, then minimised: a new verdict, said once.
    fixed.setSizeSettable(true);
    EXPECT_TRUE(WindowObserver::makeManagedWindow(fixed.element(), ref, &verdicts));
    fixed.minimize();
    EXPECT_FALSE(WindowObserver::makeManagedWindow(fixed.element(), ref, &verdicts));
    EXPECT_FALSE(WindowObserver::makeManagedWindow(fixed.element(), ref, &verdicts));
    EXPECT_EQ(linesOf("WindowObserver"),
              (std::vector<std::string>{"Float Editor '<private>': fixed size",
                                        "Float Editor '<private>': minimized"}));
}

TEST(VerdictMemory, ForgetsWindowsNoLongerListedAndApplicationsThatQuit) {
    WindowObserver::VerdictMemory verdicts;
    EXPECT_TRUE(verdicts.changed(501, 1, "subrole AXUnknown"));
    EXPECT_FALSE(verdicts.changed(501, 1, "subrole AXUnknown"));
    EXPECT_TRUE(verdicts.changed(501, 2, std::nullopt));
    EXPECT_TRUE(verdicts.changed(502, 1, "fixed size"));  // another application's window 1
    EXPECT_EQ(verdicts.size(), 3u);

    verdicts.keepOnly(501, {2});
    EXPECT_EQ(verdicts.size(), 2u);
    EXPECT_TRUE(verdicts.changed(501, 1, "subrole AXUnknown"));  // a new window under that id
    EXPECT_FALSE(verdicts.changed(501, 2, std::nullopt));
    verdicts.forgetApplication(502);
    EXPECT_EQ(verdicts.size(), 2u);
    EXPECT_TRUE(verdicts.changed(502, 1, "fixed size"));
}

TEST(AXReaders, GiveNothingForValuesOfAnotherType) {
    test::SimFixture sim;
    const SimApp app = sim.desktop.launchApp({});
    const SimWindow w = sim.desktop.openWindow(app, {.title = "t"});
    EXPECT_EQ(AX::boolAttribute(w.element(), "AXTitle"), std::nullopt);
    EXPECT_EQ(AX::position(nullptr), std::nullopt);
    w.focus();
    const AXElementRef focused = AX::elementAttribute(app.element(), "AXFocusedWindow");
    ASSERT_TRUE(focused);
    EXPECT_EQ(focused->identity(), w.id());
}

// A tray host or a desktop shows only docks and desktops ("AXUnknown"): nothing to tile or give a
// rule. One ordinary window among them is enough; windows that cannot be read do not hide it.
TEST_F(ElementEligibility, AnApplicationOfDocksAndDesktopsAloneShowsNoOrdinaryWindow) {
    SimApp tray = desktop.launchApp({.name = "trayer", .bundleID = "trayer"});
    EXPECT_TRUE(WindowObserver::showsOrdinaryWindows(desktop, tray.pid())) << "no windows yet";
    desktop.openWindow(tray, {.subrole = "AXUnknown"});
    desktop.openWindow(tray, {.subrole = "AXUnknown"});
    EXPECT_FALSE(WindowObserver::showsOrdinaryWindows(desktop, tray.pid()));
    desktop.openWindow(tray, {.subrole = "AXDialog"});
    EXPECT_TRUE(WindowObserver::showsOrdinaryWindows(desktop, tray.pid()));
    desktop.openWindow(app, {.subrole = "AXUnknown"});
    desktop.openWindow(app, {});
    EXPECT_TRUE(WindowObserver::showsOrdinaryWindows(desktop, app.pid()));
}

}  // namespace
}  // namespace brindlow
