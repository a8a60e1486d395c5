#include "app/MenuBarController.h"

namespace brindlow {

namespace {

constexpr const char* kSettingsKeys = MenuBarController::kSettingsKeys;
constexpr const char* kQuitKeys = MenuBarController::kQuitKeys;

template <typename... Args>
void callIf(const std::function<void(Args...)>& hook, Args... args) {
    if (hook) hook(args...);
}

}  // namespace

std::vector<std::string> menuTitles(const MenuModel& menu) {
    std::vector<std::string> titles;
    for (const MenuItem& item : menu)
        titles.push_back(item.kind == MenuItem::Kind::separator ? "-" : item.title);
    return titles;
}

const MenuItem* findMenuItem(const MenuModel& menu, const std::string& title) {
    for (const MenuItem& item : menu) {
        if (item.kind != MenuItem::Kind::separator && item.title == title) return &item;
        if (const MenuItem* inner = findMenuItem(item.submenu, title)) return inner;
    }
    return nullptr;
}

std::string statusTitle(const StripSnapshot& snapshot, bool showPosition) {
    std::string title;
    if (snapshot.paused) {
        title = " \u2016";
    } else if (showPosition) {
        const DisplaySnapshot* display = snapshot.activeDisplay();
        if (display && display->focusedIndex && !display->columns.empty())
            title = " " + std::to_string(*display->focusedIndex + 1) + "/" +
                    std::to_string(display->columns.size());
    }
    if (snapshot.hasAnyBadge()) title += " \u25CF";
    return title;
}

MenuBarController::MenuBarController(Executor& main, MenuBarActions actions,
                                     MenuShortcuts* shortcuts)
    : main_(main),
      actions_(std::move(actions)),
      shortcuts_(shortcuts),
      alive_(std::make_shared<MenuBarController*>(this)) {}

MenuBarController::~MenuBarController() {
    alive_.reset();
    // Never leave the shortcuts dead behind us.
    if (suspended_ && shortcuts_) shortcuts_->setSuspended(false);
}

void MenuBarController::install(StatusItem& item) {
    item_ = &item;
    updateTitle();
}

void MenuBarController::updateTitle() {
    if (!item_) return;
    item_->setTitle(title(), snapshot_.paused);
}

std::string MenuBarController::title() const {
    const bool showPosition = actions_.settings ? actions_.settings().showPositionInMenuBar : true;
    return statusTitle(snapshot_, showPosition);
}

std::string MenuBarController::headerText() const {
    if (!actions_.permissionGranted || !actions_.permissionGranted())
        return "Window control unavailable";
    if (snapshot_.paused) return "Paused";
    return "Brindlow is tiling";
}

MenuItem MenuBarController::withShortcut(MenuItem item, std::string_view name) const {
    if (!shortcuts_) return item;
    item.shortcutText = shortcuts_->text(name).value_or("");
    return item;
}

MenuModel MenuBarController::rebuildMenu() const {
    const AppSettings settings = actions_.settings ? actions_.settings() : AppSettings{};
    const bool granted = actions_.permissionGranted && actions_.permissionGranted();
    const MenuBarActions& a = actions_;

    MenuModel menu;
    menu.push_back(MenuItem::header(headerText()));
    if (!granted)
        menu.push_back(MenuItem::command("Getting Started…", [a] { callIf(a.showFirstRun); }));
    menu.push_back(MenuItem::separator());
    menu.push_back(withShortcut(
        MenuItem::command(
            snapshot_.paused ? "Resume Brindlow" : "Pause Brindlow",
            [a] { callIf(a.performStripCommand, Command(Command::Kind::togglePause)); }),
        "pause"));
    const auto appCommand = [a](Command::Kind kind) {
        return [a, kind] { callIf(a.performAppCommand, Command(kind)); };
    };
    menu.push_back(withShortcut(
        MenuItem::command("Window Search…", appCommand(Command::Kind::search)), "search"));
    menu.push_back(withShortcut(MenuItem::command("Overview", appCommand(Command::Kind::overview)),
                                "overview"));
    menu.push_back(withShortcut(
        MenuItem::command("Keyboard Shortcuts", appCommand(Command::Kind::showShortcuts)),
        "shortcuts"));
    menu.push_back(MenuItem::separator());

    const auto flip = [a](bool AppSettings::*field) {
        return [a, field] { callIf(a.flipSetting, field); };
    };
    MenuItem border = MenuItem::command("Focus Border", flip(&AppSettings::focusBorder));
    border.checked = settings.focusBorder;
    menu.push_back(withShortcut(std::move(border), "focusBorder"));
    MenuItem dim = MenuItem::command("Dim Inactive Windows", flip(&AppSettings::dimInactive));
    dim.checked = settings.dimInactive;
    menu.push_back(withShortcut(std::move(dim), "dimInactive"));
    menu.push_back(layoutsSubmenu());
    menu.push_back(MenuItem::separator());

    menu.push_back(MenuItem::command(
        kSettingsTitle, [a] { callIf(a.openSettings, SettingsTab::general); }, kSettingsKeys));
    if (a.checkForUpdates)
        menu.push_back(MenuItem::command("Check for Updates…", a.checkForUpdates));
    menu.push_back(MenuItem::separator());
    menu.push_back(MenuItem::command(
        kQuitTitle, [a] { callIf(a.quit); }, kQuitKeys));
    return menu;
}

MenuItem MenuBarController::layoutsSubmenu() const {
    const MenuBarActions& a = actions_;
    MenuItem layouts = MenuItem::submenuNamed("Layouts");
    layouts.submenu.push_back(
        MenuItem::command("Save Current Layout…", [a] { callIf(a.askLayoutName); }));
    const std::vector<NamedLayout> saved = a.layouts ? a.layouts() : std::vector<NamedLayout>{};
    if (!saved.empty()) layouts.submenu.push_back(MenuItem::separator());
    for (const NamedLayout& layout : saved) {
        // The copy taken now restores even when the layout is deleted while the menu is open.
        layouts.submenu.push_back(MenuItem::command(layout.name, [a, layout] {
            if (a.restoreLayout) a.restoreLayout(layout);
        }));
    }
    layouts.submenu.push_back(MenuItem::separator());
    layouts.submenu.push_back(MenuItem::command(
        "Manage Layouts…", [a] { callIf(a.openSettings, SettingsTab::layouts); }));
    return layouts;
}

void MenuBarController::menuWillOpen() {
    const std::uint64_t opening = ++opening_;
    suspended_ = true;
    if (shortcuts_) shortcuts_->setSuspended(true);
    std::weak_ptr<MenuBarController*> weak = alive_;
    main_.asyncAfter(kShortcutSafetyTimeout, [weak, opening] {
        auto alive = weak.lock();
        if (alive && (*alive)->opening_ == opening) (*alive)->resumeShortcuts();
    });
}

void MenuBarController::menuDidClose() {
    resumeShortcuts();
}

void MenuBarController::resumeShortcuts() {
    ++opening_;
    if (!suspended_) return;
    suspended_ = false;
    if (shortcuts_) shortcuts_->setSuspended(false);
}

}  // namespace brindlow
