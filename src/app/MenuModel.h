#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brindlow {

// One line of a menu as plain data, so what a menu holds is testable without a
// toolkit; the tray view renders it. A separator has no title and no action.
struct MenuItem {
    enum class Kind { action, separator, submenu };

    Kind kind = Kind::action;
    std::string title;
    bool enabled = true;
    // Present for items that carry a check mark.
    std::optional<bool> checked;
    // The keys shown beside the title ("Ctrl+Alt+P"); empty for none.
    std::string shortcutText;
    std::function<void()> action;
    std::vector<MenuItem> submenu;

    static MenuItem separator() {
        MenuItem item;
        item.kind = Kind::separator;
        return item;
    }
    static MenuItem header(std::string text) {
        MenuItem item;
        item.title = std::move(text);
        item.enabled = false;
        return item;
    }
    static MenuItem command(std::string text, std::function<void()> run, std::string keys = {}) {
        MenuItem item;
        item.title = std::move(text);
        item.shortcutText = std::move(keys);
        item.action = std::move(run);
        return item;
    }
    static MenuItem submenuNamed(std::string text) {
        MenuItem item;
        item.kind = Kind::submenu;
        item.title = std::move(text);
        return item;
    }
};

using MenuModel = std::vector<MenuItem>;

// The titles of a menu, "-" for each separator: the menu's content at a glance.
std::vector<std::string> menuTitles(const MenuModel& menu);
// The first item with that title, searching submenus too; none when absent.
const MenuItem* findMenuItem(const MenuModel& menu, const std::string& title);

}  // namespace brindlow
