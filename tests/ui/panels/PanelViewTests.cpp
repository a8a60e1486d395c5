#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "panels/qt/FirstRunView.h"
#include "panels/qt/OverviewView.h"
#include "panels/qt/PanelWindow.h"
#include "panels/qt/Panels.h"
#include "panels/qt/SearchView.h"
#include "platform/PanelDesktop.h"
#include "platform/WindowManagerTraits.h"

namespace brindlow::test {
namespace {

WindowSnapshot window(WindowID id, std::string title, double width = 900) {
    WindowSnapshot w;
    w.id = id;
    w.app = "XTerm";
    w.title = std::move(title);
    w.frame = {0, 0, width, 1000};
    return w;
}

StripSnapshot snapshot() {
    StripSnapshot s;
    DisplaySnapshot d;
    d.id = "d1";
    d.name = "Screen";
    d.frame = d.visible = {0, 0, 1600, 900};
    d.isActive = true;
    d.focusedIndex = 0;
    for (WindowID id : {1u, 2u, 3u}) {
        ColumnSnapshot c;
        c.windows = {window(id, "shell " + std::to_string(id))};
        d.columns.push_back(c);
    }
    s.displays = {d};
    return s;
}

class PanelViews : public ::testing::Test {
  protected:
    PanelViews() {
        PanelsEnvironment env;
        env.strip.jump = [this](WindowID id) { jumps.push_back(id); };
        env.strip.reorderColumn = [this](const std::string&, int from, int to) {
            reorders.emplace_back(from, to);
        };
        env.strip.yieldFocus = [this] { ++yields; };
        env.trusted = [] { return true; };
        panels = std::make_unique<Panels>(std::move(env));
    }

    int yields = 0;
    std::vector<WindowID> jumps;
    std::vector<std::pair<int, int>> reorders;
    std::unique_ptr<Panels> panels;
};

TEST_F(PanelViews, TheSearchFieldKeepsAGapAfterTheMagnifier) {
    panels->toggleSearch(snapshot().displays);
    PanelWindow& window = panels->searchWindow();
    ASSERT_TRUE(window.isVisible());
    auto* view = static_cast<SearchView*>(window.content());
    QWidget* field = view->field();
    QLabel* magnifier = nullptr;
    for (auto* label : view->findChildren<QLabel*>())
        if (!label->pixmap().isNull() && label->geometry().center().y() > field->geometry().top() &&
            label->geometry().center().y() < field->geometry().bottom())
            magnifier = label;
    ASSERT_NE(magnifier, nullptr);
    EXPECT_GE(field->geometry().left() - magnifier->geometry().right() - 1, 8);
    panels->toggleSearch(snapshot().displays);
}

TEST_F(PanelViews, SearchTypesAQueryMovesWithArrowsAndReturnJumps) {
    panels->toggleSearch(snapshot().displays);
    PanelWindow& window = panels->searchWindow();
    ASSERT_TRUE(window.isVisible());
    auto* view = static_cast<SearchView*>(window.content());
    QTest::keyClicks(view->field(), "shell");
    QTest::keyClick(view->field(), Qt::Key_Down);
    QTest::keyClick(view->field(), Qt::Key_Down);
    QTest::keyClick(view->field(), Qt::Key_Up);
    EXPECT_EQ(view->field()->text(), "shell");  // arrows never reach the field
    QTest::keyClick(view->field(), Qt::Key_Return);
    EXPECT_EQ(jumps, std::vector<WindowID>{2});
    EXPECT_FALSE(window.isVisible());

    // Opening again starts empty; a click on a row chooses it at once.
    panels->toggleSearch(snapshot().displays);
    EXPECT_EQ(view->field()->text(), "");
    QTest::keyClicks(view->field(), "3");
    ASSERT_EQ(panels->search().model().results().size(), 1u);
    QTest::mouseClick(view->list(), Qt::LeftButton, {}, view->list()->rowRect(0).center());
    EXPECT_EQ(jumps, (std::vector<WindowID>{2, 3}));
    // Escape reaches the panel through the field.
    panels->toggleSearch(snapshot().displays);
    QTest::keyClick(view->field(), Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(PanelViews, OverviewClickChoosesACardADragReordersAndTheBackdropCloses) {
    panels->toggleOverview(snapshot());
    PanelWindow& window = panels->overviewWindow();
    ASSERT_TRUE(window.isVisible());
    auto* view = static_cast<OverviewView*>(window.content());
    const QRect second = view->cardRect(1);
    ASSERT_FALSE(second.isEmpty());

    QTest::keyClick(view, Qt::Key_Right);
    EXPECT_EQ(panels->overview().model().selection, 1);
    const QPoint start = view->cardRect(0).center();
    QTest::mousePress(view, Qt::LeftButton, {}, start);
    QMouseEvent move(QEvent::MouseMove, QPointF(start + QPoint(470, 0)),
                     view->mapToGlobal(QPointF(start + QPoint(470, 0))), Qt::LeftButton,
                     Qt::LeftButton, {});
    QApplication::sendEvent(view, &move);
    QTest::mouseRelease(view, Qt::LeftButton, {}, start + QPoint(470, 0));
    EXPECT_EQ(reorders, (std::vector<std::pair<int, int>>{{0, 1}}));
    EXPECT_TRUE(window.isVisible());

    QTest::mouseClick(view, Qt::LeftButton, {}, second.center());
    EXPECT_EQ(jumps, std::vector<WindowID>{2});
    EXPECT_FALSE(window.isVisible());

    // A click on the backdrop closes it without a jump.
    panels->toggleOverview(snapshot());
    QTest::mouseClick(window.content(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(jumps, std::vector<WindowID>{2});
}

TEST_F(PanelViews, OverviewScrollsAWideRowToTheSelectedCard) {
    StripSnapshot wide = snapshot();
    for (WindowID id = 4; id <= 30; ++id) {
        ColumnSnapshot c;
        c.windows = {window(id, "shell")};
        wide.displays[0].columns.push_back(c);
    }
    panels->toggleOverview(wide);
    auto* view = static_cast<OverviewView*>(panels->overviewWindow().content());
    // Cards never get narrower than 80 (+ 8 of padding), so 30 of them overflow 1600.
    for (int i = 0; i < 29; ++i) QTest::keyClick(view, Qt::Key_Right);
    EXPECT_LE(view->cardRect(29).right(), 1600 - 24);
    EXPECT_GE(view->cardRect(29).left(), 24);
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(jumps, std::vector<WindowID>{30});
}

TEST_F(PanelViews, ShortcutSheetShowsUnsetKeysAndEscapeClosesIt) {
    panels->toggleShortcuts(&snapshot().displays[0]);
    PanelWindow& window = panels->shortcutsWindow();
    ASSERT_TRUE(window.isVisible());
    const auto notSet = window.findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(notSet.begin(), notSet.end(),
                            [](QLabel* l) { return l->text() == "Not set"; }));
    QTest::keyClick(window.content(), Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());  // no compositor: the fade is immediate
}

// Keys named as the layout in use names them: "Ctrl+Alt+;" with a US layout, "Ctrl+Alt+Ö" once a
// German group is locked.
class SwitchableKeys final : public ShortcutSource {
  public:
    std::optional<std::string> keyText(std::string_view slot) const override {
        if (slot != "shortcuts") return std::nullopt;
        return std::string("Ctrl+Alt+") + (german ? "\u00D6" : ";");
    }
    bool german = false;
};

bool showsText(QWidget& panel, const QString& text) {
    const auto labels = panel.findChildren<QLabel*>();
    return std::any_of(labels.begin(), labels.end(),
                       [&](QLabel* label) { return label->text().contains(text); });
}

// An open sheet follows a switch of keyboard layout or group, as the tray menu does.
TEST(ShortcutSheetKeys, AnOpenSheetNamesTheKeysOfTheLayoutSwitchedTo) {
    SwitchableKeys keys;
    PanelsEnvironment env;
    env.shortcuts = &keys;
    Panels panels(std::move(env));
    const StripSnapshot strip = snapshot();
    panels.toggleShortcuts(&strip.displays[0]);
    PanelWindow& window = panels.shortcutsWindow();
    ASSERT_TRUE(window.isVisible());
    ASSERT_TRUE(showsText(window, "Ctrl+Alt+;"));

    keys.german = true;
    EXPECT_TRUE(QTest::qWaitFor([&] { return showsText(window, "Ctrl+Alt+\u00D6"); }, 3000));
    EXPECT_FALSE(showsText(window, "Ctrl+Alt+;"));
    panels.toggleShortcuts(&strip.displays[0]);
}

// Each panel tells the strip before it takes the focus, so that no raise asked for earlier takes
// the focus back from it.
// The panel's material as drawn over a white page and over a black one: nothing blurs behind our
// windows, so the text of the windows below must not show through.
int showThrough(QWidget& view, QPoint at) {
    const auto over = [&](Qt::GlobalColor page) {
        QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(page);
        view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image.pixel(at);
    };
    const QRgb white = over(Qt::white);
    const QRgb black = over(Qt::black);
    return std::max(
        {qRed(white) - qRed(black), qGreen(white) - qGreen(black), qBlue(white) - qBlue(black)});
}

// At most 2 % of white comes through where the material lies (a tile of the overview lies on
// its translucent backdrop, which lets more through by design).
TEST_F(PanelViews, PanelMaterialsAreNearlyOpaque) {
    panels->toggleSearch(snapshot().displays);
    QWidget& search = *panels->searchWindow().content();
    EXPECT_LE(showThrough(search, QPoint(4, search.height() / 2)), 5);
    panels->toggleSearch(snapshot().displays);

    const StripSnapshot strip = snapshot();
    panels->toggleShortcuts(&strip.displays[0]);
    QWidget& sheet = *panels->shortcutsWindow().content();
    EXPECT_LE(showThrough(sheet, QPoint(6, sheet.height() / 2)), 5);
    panels->toggleShortcuts(&strip.displays[0]);

    panels->toggleOverview(strip);
    auto& overview = static_cast<OverviewView&>(*panels->overviewWindow().content());
    const QRect card = overview.cardRect(0);
    // Inside the first tile's top padding, clear of its rounded corner.
    const QPoint tile = card.topLeft() + QPoint(18, 7);
    // The backdrop darkens what lies below by 45 %: 140 of 255 come through.
    EXPECT_EQ(showThrough(overview, QPoint(4, 4)), 140);
    EXPECT_LE(showThrough(overview, tile), 5);
    panels->toggleOverview(strip);
}

TEST_F(PanelViews, EveryPanelYieldsTheStripsRaisesAsItTakesTheFocus) {
    panels->toggleSearch(snapshot().displays);
    ASSERT_TRUE(panels->searchWindow().isVisible());
    EXPECT_EQ(yields, 1);
    panels->toggleSearch(snapshot().displays);
    ASSERT_FALSE(panels->searchWindow().isVisible());
    panels->toggleOverview(snapshot());
    ASSERT_TRUE(panels->overviewWindow().isVisible());
    EXPECT_EQ(yields, 2);
    panels->overview().hide();
    panels->toggleShortcuts(&snapshot().displays[0]);
    ASSERT_TRUE(panels->shortcutsWindow().isVisible());
    EXPECT_EQ(yields, 3);
    QWidget titled;
    titled.show();
    panels->windowShown(titled);
    EXPECT_EQ(yields, 4);
}

TEST_F(PanelViews, FirstRunAnswersReturnButNotEscape) {
    int done = 0;
    std::unique_ptr<QWidget> view = panels->makeFirstRunView([&] { ++done; });
    auto* firstRun = static_cast<FirstRunView*>(view.get());
    view->show();
    EXPECT_TRUE(firstRun->refreshing());
    QTest::keyClick(view.get(), Qt::Key_Escape);
    EXPECT_EQ(done, 0);
    QTest::keyClick(view.get(), Qt::Key_Return);
    EXPECT_EQ(done, 1);
    view->hide();
    EXPECT_FALSE(firstRun->refreshing());
    // There is no permission to ask for: the only button is the one that closes the window.
    const auto buttons = view->findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons.front()->text(), "Get Started");
}

// Records the focus requests; `panel`, when set, is asked at each one whether it is still shown.
// The active window is 7; the keys go to `focus`, and `looks` counts the times it was asked.
class Desktop final : public PanelDesktop {
  public:
    explicit Desktop(bool compositing) : compositing_(compositing) {}
    std::optional<std::uint32_t> activeWindow() override { return 7; }
    std::optional<std::uint32_t> keyboardFocus() override {
        ++looks;
        return focus;
    }
    void activate(std::uint32_t window) override { requests.push_back({window, false, shown()}); }
    bool activateAndWait(std::uint32_t window, double) override {
        requests.push_back({window, true, shown()});
        return true;
    }
    void raiseWithoutFocus(std::uint32_t) override {}
    void preparePanel(std::uint32_t, bool) override {}
    bool compositorRunning() override { return compositing_; }
    std::optional<std::string> windowManagerName() override { return std::nullopt; }
    std::vector<std::string> processNames() override { return {}; }
    void watchFraming(std::uint32_t window, std::function<void()>) override {
        watchedFraming.push_back(window);
    }
    bool framesTranslucentAfterOutputsChange() override { return framesTranslucent; }

    struct Request {
        std::uint32_t window;
        bool waited;
        bool panelShown;
        bool operator==(const Request&) const = default;
    };
    std::vector<Request> requests;
    const QWidget* panel = nullptr;
    std::optional<std::uint32_t> focus;
    int looks = 0;
    bool framesTranslucent = true;
    std::vector<std::uint32_t> watchedFraming;

  private:
    bool shown() const { return panel && panel->isVisible(); }
    bool compositing_;
};

// A window chosen in a panel gets the focus while the panel still has it: the window manager
// never sees the focused panel go and has nothing to fall back from. Escape gives it back to the
// window that had it before, once the panel is gone.
TEST(PanelFocus, TheChosenWindowGetsTheFocusBeforeThePanelGoes) {
    Desktop desktop(false);
    PanelWindow window(&desktop);
    desktop.panel = &window;
    window.show(Rect{100, 100, 300, 200});
    desktop.requests.clear();
    window.orderOutFocusing(42);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(desktop.requests, (std::vector<Desktop::Request>{{42, true, true}}));

    window.show(Rect{100, 100, 300, 200});
    desktop.requests.clear();
    window.orderOut(true);
    EXPECT_EQ(desktop.requests, (std::vector<Desktop::Request>{{7, false, false}}));
}

// Runs the events and timers already due, and those they queue at once.
void settleEventLoop() {
    bool passed = false;
    QTimer probe;
    probe.setSingleShot(true);
    QObject::connect(&probe, &QTimer::timeout, [&] { passed = true; });
    probe.start(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return passed; }, 5000));
}

// A panel closes when the focus went to another window, never when Qt deactivates it for a
// moment (and activates it again at once) or while the keys still go to it.
// A panel on a fake desktop that counts how often it resigned (and hides then, as its owner does).
struct ResigningPanel {
    Desktop desktop{false};
    PanelWindow window{&desktop};
    int resigned = 0;

    ResigningPanel() {
        window.onResign = [this] {
            ++resigned;
            window.orderOut(false);
        };
    }
    // Shown and made the active window, as a user opens it.
    void showActive() {
        window.show(Rect{100, 100, 300, 200});
        settleEventLoop();
        QApplication::setActiveWindow(&window);
    }
};

struct ResignCase {
    const char* name;
    std::optional<std::uint32_t> focus;  // none: the panel itself
    bool activatedAgain;
    bool closes;
};

class PanelResign : public ::testing::TestWithParam<ResignCase> {};

TEST_P(PanelResign, ClosesOnlyWhenTheFocusWentToAnotherWindow) {
    const ResignCase& c = GetParam();
    ResigningPanel panel;
    auto& [desktop, window, resigned] = panel;
    panel.showActive();
    ASSERT_TRUE(window.isActiveWindow());
    desktop.focus = c.focus ? *c.focus : std::uint32_t(window.winId());

    desktop.looks = 0;
    QApplication::setActiveWindow(nullptr);
    if (c.activatedAgain) QApplication::setActiveWindow(&window);
    settleEventLoop();
    EXPECT_EQ(resigned, c.closes ? 1 : 0);
    EXPECT_EQ(window.isVisible(), !c.closes);
    // Activated again, it never asked where the keys go.
    EXPECT_EQ(desktop.looks > 0, !c.activatedAgain);
}

INSTANTIATE_TEST_SUITE_P(
    Deactivations, PanelResign,
    ::testing::Values(ResignCase{"FocusWentToAnotherWindow", 42, false, true},
                      ResignCase{"FocusWentToNoWindow", std::uint32_t(0), false, true},
                      ResignCase{"ActivatedAgainAtOnce", 42, true, false},
                      ResignCase{"TheKeysStillGoToThePanel", std::nullopt, false, false}),
    [](const auto& row) { return std::string(row.param.name); });

// Deactivated while the keys still go to it, the panel closes as soon as they go to another window.
TEST(PanelResignLater, ClosesWhenTheKeysGoToAnotherWindow) {
    ResigningPanel panel;
    auto& [desktop, window, resigned] = panel;
    panel.showActive();
    desktop.focus = std::uint32_t(window.winId());
    desktop.looks = 0;
    QApplication::setActiveWindow(nullptr);
    // Asked, and asked again a while later.
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.looks >= 2; }, 5000));
    EXPECT_EQ(resigned, 0);

    desktop.focus = 42;
    EXPECT_TRUE(QTest::qWaitFor([&] { return resigned == 1; }, 5000));
    EXPECT_FALSE(window.isVisible());
}

// Another window took the keys behind the user's back and the panel asked for them again: Qt's
// deactivation, reported a moment later, does not close it while the answer is on its way.
class PanelKeysBack : public ::testing::TestWithParam<bool> {};

TEST_P(PanelKeysBack, ADeactivationWaitsForTheKeysAskedBack) {
    const bool keysComeBack = GetParam();
    ResigningPanel shown;
    auto& [desktop, window, resigned] = shown;
    EXPECT_FALSE(window.takeKeysBack());
    EXPECT_TRUE(desktop.requests.empty());
    shown.showActive();
    desktop.focus = 42;
    desktop.requests.clear();

    EXPECT_TRUE(window.takeKeysBack());
    const std::uint32_t panel = std::uint32_t(window.winId());
    EXPECT_EQ(desktop.requests, (std::vector<Desktop::Request>{{panel, false, false}}));
    desktop.looks = 0;
    QApplication::setActiveWindow(nullptr);
    settleEventLoop();
    EXPECT_EQ(resigned, 0);
    EXPECT_TRUE(window.isVisible());
    if (keysComeBack) {
        desktop.focus = panel;
        QApplication::setActiveWindow(&window);
        settleEventLoop();
        EXPECT_EQ(resigned, 0);
        EXPECT_TRUE(window.isVisible());
    } else {
        // Still with another window once the wait ends: the keys really left.
        EXPECT_TRUE(QTest::qWaitFor([&] { return resigned == 1; }, 5000));
        EXPECT_GE(desktop.looks, 2);
        EXPECT_FALSE(window.isVisible());
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, PanelKeysBack, ::testing::Bool(), [](const auto& row) {
    return std::string(row.param ? "TheKeysComeBack" : "TheKeysStayAway");
});

class PanelShadows : public ::testing::TestWithParam<bool> {};

TEST_P(PanelShadows, FallAroundTheContentOnlyWhereACompositorRuns) {
    const bool compositing = GetParam();
    Desktop desktop(compositing);
    PanelWindow window(&desktop);
    auto* content = new QWidget;
    content->setAutoFillBackground(true);
    window.setContent(content);
    window.setRoundedContent(14);
    window.show(Rect{100, 100, 300, 200});

    EXPECT_EQ(content->mapToGlobal(QPoint(0, 0)), QPoint(100, 100));
    EXPECT_EQ(content->size(), QSize(300, 200));
    EXPECT_EQ(window.geometry(), compositing ? QRect(82, 82, 336, 236) : QRect(100, 100, 300, 200));
    // Cut to the content's shape without a compositor; translucent corners with one.
    EXPECT_EQ(window.mask().isEmpty(), compositing);
    if (compositing) {
        QImage image(window.size(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        window.render(&image);
        EXPECT_GT(qAlpha(image.pixel(168, 18 + 200 + 6)), 40);  // just below the content
        EXPECT_EQ(qAlpha(image.pixel(1, 1)), 0);                // the window's far corner
    }
}

INSTANTIATE_TEST_SUITE_P(Compositing, PanelShadows, ::testing::Bool());

// A translucent panel's placements are watched only beside a window manager that may leave it
// unframed after the outputs went off and on.
struct FramingRow {
    const char* windowManager;
    bool compositing;
    bool watched;
};
void PrintTo(const FramingRow& row, std::ostream* out) {
    *out << row.windowManager << (row.compositing ? " composited" : " opaque");
}
class PanelFraming : public ::testing::TestWithParam<FramingRow> {};

TEST_P(PanelFraming, IsWatchedOnlyWhereTheWindowManagerMayLeaveItUnframed) {
    const FramingRow row = GetParam();
    const auto traits = WindowManagerTraits::forName(row.windowManager);
    ASSERT_TRUE(traits);
    Desktop desktop(row.compositing);
    desktop.framesTranslucent = traits->framesTranslucentAfterOutputsChange;
    PanelWindow window(&desktop);
    window.show(Rect{100, 100, 300, 200});
    const std::vector<std::uint32_t> expected =
        row.watched ? std::vector<std::uint32_t>{std::uint32_t(window.winId())}
                    : std::vector<std::uint32_t>{};
    EXPECT_EQ(desktop.watchedFraming, expected);
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, PanelFraming,
                         ::testing::Values(FramingRow{"Fluxbox", true, true},
                                           FramingRow{"Openbox", true, false},
                                           FramingRow{"xfwm4", true, false},
                                           FramingRow{"Fluxbox", false, false}));

}  // namespace
}  // namespace brindlow::test
