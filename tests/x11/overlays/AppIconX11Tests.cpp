// Application icons of real clients, in a rendered pill: xterm gives only the WM_HINTS icon (a
// bitmap and its mask), a test client gives none and is found through its desktop entry and the
// icon theme of a temporary XDG data folder.
// The X11 headers first: Qt's keyword macros would clash with their names.
#include "x11/support/X11Fixture.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <fstream>

#include "overlays/IndicatorView.h"
#include "platform/x11/apps/X11Workspace.h"
#include "platform/x11/connection/X11Properties.h"
#include "platform/x11/overlay/ThemedIcons.h"
#include "support/TempFolder.h"
#include "windows/AppIcons.h"

namespace brindlow::test {
namespace {

constexpr QRgb kMagenta = 0xFFFF00FFu;

// A desktop entry for the class "BrindlowIconic" naming the themed icon "brindlow-iconic", a
// 48-pixel magenta square in the hicolor theme of the same data folder, and the same square as a
// scalable SVG, which a Qt without its SVG plugin cannot draw.
void writeDataFolder(const std::filesystem::path& root) {
    std::filesystem::create_directories(root / "applications");
    std::filesystem::create_directories(root / "icons/hicolor/48x48/apps");
    std::filesystem::create_directories(root / "icons/hicolor/scalable/apps");
    std::ofstream(root / "icons/hicolor/scalable/apps/brindlow-iconic.svg")
        << R"(<svg xmlns="http://www.w3.org/2000/svg" width="48" height="48">)"
           R"(<rect width="48" height="48" fill="#ff00ff"/></svg>)";
    std::ofstream(root / "applications/brindlow-iconic.desktop")
        << "[Desktop Entry]\nType=Application\nName=Iconic\nExec=true\n"
           "Icon=brindlow-iconic\nStartupWMClass=BrindlowIconic\n";
    std::ofstream(root / "icons/hicolor/index.theme")
        << "[Icon Theme]\nName=Hicolor\nDirectories=48x48/apps\n\n"
           "[48x48/apps]\nSize=48\nContext=Applications\nType=Threshold\n";
    QImage square(48, 48, QImage::Format_ARGB32);
    square.fill(kMagenta);
    square.save(QString::fromStdString((root / "icons/hicolor/48x48/apps/brindlow-iconic.png")));
}

// Desktop entries and the icon theme are looked up in the XDG data folders, this one first.
void useDataFolder(const std::filesystem::path& data) {
    static const std::string original = [] {
        const char* dirs = std::getenv("XDG_DATA_DIRS");
        return std::string(dirs && *dirs ? dirs : "/usr/local/share:/usr/share");
    }();
    setenv("XDG_DATA_DIRS", (data.string() + ":" + original).c_str(), 1);
}

// The toolkit draws the icons: one application for the program, made before its first test and
// gone before the program's own statics.
class Toolkit : public ::testing::Environment {
  public:
    void SetUp() override {
        // Offscreen by argument: the environment is inherited by the programs other tests start.
        static int argc = 3;
        static char name[] = "brindlow-icon-test";
        static char option[] = "-platform";
        static char platform[] = "offscreen";
        static char* argv[] = {name, option, platform, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

  private:
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const toolkit =
    ::testing::AddGlobalTestEnvironment(new Toolkit);

class AppIconX11Test : public X11Fixture {
  protected:
    void SetUp() override {
        // Before the workspace reads the desktop entries.
        writeDataFolder(data_.path());
        useDataFolder(data_.path());
        X11Fixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        x11_->workspace().setThemedIconLoader(
            [](const std::string& icon) { return loadThemedIcon(icon); });
    }

    // The first window of a process, once it is mapped.
    xcb_window_t windowOf(int pid) {
        xcb_window_t found = XCB_WINDOW_NONE;
        settle([&] {
            for (xcb_window_t w : desktop().registry().windowsOf(pid)) found = w;
            return found != XCB_WINDOW_NONE && desktop().registry().isClient(found);
        });
        return found;
    }

    TempFolder data_;
};

// The pill of two columns, one per process, 202 points wide: the icons are 30 points at (63, 14)
// and (109, 14).
QImage renderPill(AppIconCache& icons, std::int32_t first, std::int32_t second) {
    DisplaySnapshot display;
    display.id = "A";
    for (auto [id, pid] : {std::pair{1, first}, std::pair{2, second}}) {
        ColumnSnapshot column;
        WindowSnapshot window;
        window.id = WindowID(id);
        window.pid = pid;
        column.windows = {window};
        display.columns.push_back(column);
    }
    IndicatorView view{[&icons](std::int32_t pid) { return icons.icon(pid); }};
    view.setDisplay(display);
    QWidget* widget = view.widget();
    widget->resize(202, 58);
    QImage image(202, 58, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    widget->render(&image);
    return image;
}

TEST_F(AppIconX11Test, XtermsHintsIconAndADesktopEntrysThemedIconShowInThePill) {
    ChildProcess xterm({"xterm", "-title", "icon-xterm"});
    TestClientProcess client({"--class", "BrindlowIconic", "--title", "iconic"});
    ASSERT_TRUE(client.ready());
    const xcb_window_t xtermWindow = windowOf(xterm.pid());
    ASSERT_NE(xtermWindow, XCB_WINDOW_NONE);
    ASSERT_NE(windowOf(client.pid()), XCB_WINDOW_NONE);
    // xterm has no _NET_WM_ICON: what shows comes from WM_HINTS.
    ASSERT_FALSE(readIcon(connection(), xtermWindow));

    X11Workspace& workspace = x11_->workspace();
    const auto xtermIcon = workspace.applicationIcon(xterm.pid());
    ASSERT_TRUE(xtermIcon);
    EXPECT_GT(xtermIcon->width, 8);
    ASSERT_EQ(xtermIcon->argb.size(), std::size_t(xtermIcon->width * xtermIcon->height));
    // The pixmap cut by its mask: opaque where drawn, clear elsewhere.
    const auto clear = std::count(xtermIcon->argb.begin(), xtermIcon->argb.end(), 0u);
    EXPECT_GT(clear, 0);
    EXPECT_LT(clear, long(xtermIcon->argb.size()));
    EXPECT_TRUE(std::all_of(xtermIcon->argb.begin(), xtermIcon->argb.end(),
                            [](std::uint32_t p) { return p == 0 || p >> 24 == 0xFF; }));

    const auto clientIcon = workspace.applicationIcon(client.pid());
    ASSERT_TRUE(clientIcon);
    ASSERT_FALSE(clientIcon->argb.empty());
    EXPECT_EQ(clientIcon->argb[clientIcon->argb.size() / 2], kMagenta);

    AppIconCache icons(workspace);
    const QImage pill = renderPill(icons, xterm.pid(), client.pid());
    // The second column's icon is the magenta square.
    EXPECT_EQ(pill.pixel(109 + 15, 14 + 15), kMagenta);
    // The first column's icon is xterm's, as it looks drawn 30 points wide over the pill.
    const QImage xtermPixels(reinterpret_cast<const uchar*>(xtermIcon->argb.data()),
                             xtermIcon->width, xtermIcon->height, xtermIcon->width * 4,
                             QImage::Format_ARGB32);
    QImage expected(30, 30, QImage::Format_ARGB32);
    expected.fill(pill.pixel(60, 50));  // the pill's fill, below the icon
    {
        QPainter painter(&expected);
        painter.drawImage(QRectF(0, 0, 30, 30), xtermPixels);
    }
    int differing = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x)
            if (pill.pixel(63 + x, 14 + y) != expected.pixel(x, y)) ++differing;
    EXPECT_LT(differing, 30) << "the first icon is not xterm's";
    EXPECT_EQ(icons.icon(xterm.pid()), *xtermIcon);
}

}  // namespace
}  // namespace brindlow::test
